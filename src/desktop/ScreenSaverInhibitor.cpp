#include "desktop/ScreenSaverInhibitor.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDebug>

namespace {

const QString service = QStringLiteral("org.freedesktop.ScreenSaver");
const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");
const QString interface = QStringLiteral("org.freedesktop.ScreenSaver");

QDBusMessage methodCall(const QString &method) {
    return QDBusMessage::createMethodCall(service, path, interface, method);
}

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus) {}

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    // At exit the answers are waited for, so that the release leaves before
    // the connection closes, even for a grant still on its way.
    m_wanted = false;
    if (m_pending) {
        disconnect(m_pending, nullptr, this, nullptr);
        m_pending->waitForFinished();
        const QDBusPendingReply<uint> reply = *m_pending;
        if (!reply.isError())
            m_cookie = reply.value();
    }
    release(true);
}

void ScreenSaverInhibitor::setInhibited(bool inhibited) {
    if (inhibited == m_wanted)
        return;
    m_wanted = inhibited;
    if (inhibited) {
        if (!m_pending && m_cookie == 0)
            requestInhibit();
    } else {
        release(false);
    }
}

void ScreenSaverInhibitor::requestInhibit() {
    if (!m_bus.isConnected()) {
        qDebug() << "screensaver: no session bus";
        return;
    }
    QDBusMessage call = methodCall(QStringLiteral("Inhibit"));
    call << QStringLiteral("Vantero") << QStringLiteral("Playing a TV channel");
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    m_pending = watcher;
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            &ScreenSaverInhibitor::inhibitAnswered);
}

void ScreenSaverInhibitor::inhibitAnswered(QDBusPendingCallWatcher *watcher) {
    watcher->deleteLater();
    m_pending = nullptr;
    const QDBusPendingReply<uint> reply = *watcher;
    if (reply.isError()) {
        qDebug() << "screensaver: cannot inhibit:" << reply.error().message();
        return;
    }
    m_cookie = reply.value();
    emit cookieChanged(m_cookie);
    // Released, or released and wanted again, while the answer travelled.
    if (!m_wanted)
        release(false);
}

void ScreenSaverInhibitor::release(bool wait) {
    if (m_cookie == 0)
        return; // nothing granted yet; a pending grant is released on arrival
    QDBusMessage call = methodCall(QStringLiteral("UnInhibit"));
    call << m_cookie;
    m_cookie = 0;
    if (wait)
        m_bus.call(call, QDBus::Block, 2000);
    else
        m_bus.asyncCall(call);
    emit cookieChanged(0);
}
