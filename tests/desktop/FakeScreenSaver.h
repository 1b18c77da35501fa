#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QSet>
#include <QStringList>

// A stand-in for the desktop's screensaver service: grants cookies and
// keeps the ones not yet released. It is registered on a bus connection of
// its own and lives in a thread of its own, so the program's calls really
// travel through the bus and are answered even while the test's thread
// waits for an answer, as a separate process would.
class FakeScreenSaver : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")

public:
    QSet<uint> active() const {
        QMutexLocker lock(&m_mutex);
        return m_active;
    }
    QStringList calls() const {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }

public slots:
    uint Inhibit(const QString &application, const QString &reason) {
        QMutexLocker lock(&m_mutex);
        const uint cookie = ++m_next;
        m_active.insert(cookie);
        m_calls << QStringLiteral("Inhibit %1 %2 -> %3").arg(application, reason).arg(cookie);
        return cookie;
    }
    void UnInhibit(uint cookie) {
        QMutexLocker lock(&m_mutex);
        m_calls << QStringLiteral("UnInhibit %1").arg(cookie);
        m_active.remove(cookie);
    }

private:
    mutable QMutex m_mutex;
    QSet<uint> m_active;
    QStringList m_calls;
    uint m_next = 40;
};
