#pragma once

#include <QDBusAbstractAdaptor>
#include <QObject>
#include <QSet>
#include <QStringList>

// A stand-in for the desktop's screensaver service: grants cookies and
// keeps the ones not yet released. It is registered on a bus connection of
// its own, so the program's calls really travel through the bus.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QSet<uint> active;
    QStringList calls;

public slots:
    uint Inhibit(const QString &application, const QString &reason) {
        const uint cookie = ++m_next;
        active.insert(cookie);
        calls << QStringLiteral("Inhibit %1 %2 -> %3").arg(application, reason).arg(cookie);
        return cookie;
    }
    void UnInhibit(uint cookie) {
        calls << QStringLiteral("UnInhibit %1").arg(cookie);
        active.remove(cookie);
    }

private:
    uint m_next = 40;
};
