#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QString>

class QDBusPendingCallWatcher;

// Keeps the screen from blanking through the session bus's
// org.freedesktop.ScreenSaver while asked to, and lets it go when asked,
// and at the latest when the object is destroyed. Without that service
// (no desktop, no bus) nothing happens beyond a debug line.
class ScreenSaverInhibitor : public QObject {
    Q_OBJECT

public:
    explicit ScreenSaverInhibitor(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                  QObject *parent = nullptr);
    ~ScreenSaverInhibitor() override;

    // Idempotent: repeated calls with the same value send nothing.
    void setInhibited(bool inhibited);
    bool isInhibited() const { return m_wanted; }
    // The cookie of the inhibition the service granted, 0 when none.
    uint cookie() const { return m_cookie; }

signals:
    // The service granted (cookie non-zero) or ended an inhibition.
    void cookieChanged(uint cookie);

private:
    void requestInhibit();
    void inhibitAnswered(QDBusPendingCallWatcher *watcher);
    void release(bool wait);

    QDBusConnection m_bus;
    bool m_wanted = false;
    QPointer<QDBusPendingCallWatcher> m_pending;
    uint m_cookie = 0;
};
