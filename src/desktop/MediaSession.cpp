#include "desktop/MediaSession.h"

#include "desktop/MprisPlayerAdaptor.h"
#include "desktop/MprisRootAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDebug>
#include <QFileInfo>
#include <QUrl>

const QString MediaSession::serviceName = QStringLiteral("org.mpris.MediaPlayer2.vantero");
const QString MediaSession::objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString MediaSession::playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

MediaSession::MediaSession(QObject *parent)
    : QObject(parent)
    , m_bus(QStringLiteral("none")) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MediaSession::~MediaSession() {
    if (m_bus.isConnected()) {
        m_bus.unregisterObject(objectPath);
        m_bus.unregisterService(serviceName);
    }
}

bool MediaSession::registerOn(const QDBusConnection &bus) {
    if (!bus.isConnected()) {
        qDebug() << "media controls: no session bus";
        return false;
    }
    m_bus = bus;
    if (!m_bus.registerObject(objectPath, this)) {
        qDebug() << "media controls: cannot register" << objectPath;
        return false;
    }
    if (!m_bus.registerService(serviceName)) {
        qDebug() << "media controls: the name" << serviceName << "is taken";
        m_bus.unregisterObject(objectPath);
        return false;
    }
    return true;
}

void MediaSession::notify(const QString &property, const QVariant &value) {
    if (!m_bus.isConnected())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(objectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << playerInterface << QVariantMap{{property, value}} << QStringList();
    m_bus.send(signal);
}

void MediaSession::setPlaybackStatus(const QString &status) {
    if (status == m_status)
        return;
    m_status = status;
    notify(QStringLiteral("PlaybackStatus"), status);
}

void MediaSession::setMetadata(const QVariantMap &metadata) {
    if (metadata == m_metadata)
        return;
    m_metadata = metadata;
    notify(QStringLiteral("Metadata"), metadata);
}

void MediaSession::setVolume(double volume) {
    if (qFuzzyCompare(volume + 1.0, m_volume + 1.0))
        return;
    m_volume = volume;
    notify(QStringLiteral("Volume"), volume);
}

void MediaSession::setCanPlay(bool can) {
    if (can == m_canPlay)
        return;
    m_canPlay = can;
    notify(QStringLiteral("CanPlay"), can);
    notify(QStringLiteral("CanPause"), can);
}

void MediaSession::setCanNavigate(bool can) {
    if (can == m_canNavigate)
        return;
    m_canNavigate = can;
    notify(QStringLiteral("CanGoNext"), can);
    notify(QStringLiteral("CanGoPrevious"), can);
}

QVariantMap MediaSession::metadataFor(int channelId, const QString &title, const QString &programme,
                                      const QString &logo) {
    QVariantMap map;
    map.insert(QStringLiteral("mpris:trackid"),
               QVariant::fromValue(
                   QDBusObjectPath(QStringLiteral("/org/mpris/MediaPlayer2/vantero/channel/%1")
                                       .arg(channelId < 0 ? 0 : channelId))));
    map.insert(QStringLiteral("xesam:title"), title);
    if (!programme.isEmpty())
        map.insert(QStringLiteral("xesam:artist"), QStringList{programme});
    // A logo not downloaded yet is still its address; anything else (an
    // empty or unreadable value) gives no picture.
    const QUrl address(logo, QUrl::StrictMode);
    if (!logo.isEmpty() && QFileInfo(logo).isFile())
        map.insert(QStringLiteral("mpris:artUrl"),
                   QUrl::fromLocalFile(QFileInfo(logo).absoluteFilePath()).toString());
    else if (address.isValid() && (address.scheme() == QLatin1String("http") ||
                                   address.scheme() == QLatin1String("https")))
        map.insert(QStringLiteral("mpris:artUrl"), address.toString());
    return map;
}
