#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>

// What the desktop's media controls see of the player, offered on the
// session bus as org.mpris.MediaPlayer2.vantero (the MPRIS 2 interfaces,
// see MprisRootAdaptor and MprisPlayerAdaptor). It holds the state that
// the bus reads and turns the bus's commands into signals; it knows nothing
// of the player itself (DesktopIntegration connects the two).
class MediaSession : public QObject {
    Q_OBJECT

public:
    static const QString serviceName; // "org.mpris.MediaPlayer2.vantero"
    static const QString objectPath;  // "/org/mpris/MediaPlayer2"
    static const QString playerInterface;

    explicit MediaSession(QObject *parent = nullptr);
    ~MediaSession() override;

    // Registers the object and takes the service name; false when the bus
    // is not there or the name is taken.
    bool registerOn(const QDBusConnection &bus);

    // "Playing", "Paused" or "Stopped".
    QString playbackStatus() const { return m_status; }
    QVariantMap metadata() const { return m_metadata; }
    // 1.0 is the engine's normal loudness; up to 2.0.
    double volume() const { return m_volume; }
    bool canPlay() const { return m_canPlay; }
    bool canGoNext() const { return m_canNavigate; }
    bool canGoPrevious() const { return m_canNavigate; }

    // Each setter tells the bus when the value really changed.
    void setPlaybackStatus(const QString &status);
    void setMetadata(const QVariantMap &metadata);
    void setVolume(double volume);
    void setCanPlay(bool can);
    void setCanNavigate(bool can);

    // The metadata of a channel record: "mpris:trackid" from its id,
    // "xesam:title" its title, "xesam:artist" the programme on now, and
    // "mpris:artUrl" its logo (a downloaded file or the logo's address).
    static QVariantMap metadataFor(int channelId, const QString &title, const QString &programme,
                                   const QString &logo);

signals:
    void playRequested();
    void pauseRequested();
    void playPauseRequested();
    void stopRequested();
    void nextRequested();
    void previousRequested();
    void volumeRequested(double volume);
    void raiseRequested();
    void quitRequested();

private:
    void notify(const QString &property, const QVariant &value);

    QDBusConnection m_bus;
    QString m_status = QStringLiteral("Stopped");
    QVariantMap m_metadata;
    double m_volume = 0.5;
    bool m_canPlay = false;
    bool m_canNavigate = false;
};
