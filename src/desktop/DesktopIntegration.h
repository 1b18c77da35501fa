#pragma once

#include <QDBusConnection>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QTimer>

class HomeWidget;
class MediaSession;
class PlayerWidget;
class QSlider;
class QWidget;
class ScreenSaverInhibitor;

// The program as a desktop citizen: the media controls of the session bus
// drive the channel browser's player, and the screen stays on while a
// channel plays. It follows the player through its signals and acts
// through the same operations as the toolbars, so the toolbars always show
// what the bus did.
class DesktopIntegration : public QObject {
    Q_OBJECT

public:
    explicit DesktopIntegration(const QDBusConnection &bus = QDBusConnection::sessionBus(),
                                QObject *parent = nullptr);
    ~DesktopIntegration() override;

    // Offers the media controls and follows the channel browser (whose
    // player exists once its first playlist is shown).
    void start();
    // Follows this player from now on.
    void attachPlayer(PlayerWidget *player);

    MediaSession *session() const { return m_session; }
    ScreenSaverInhibitor *inhibitor() const { return m_inhibitor; }
    bool isOnBus() const { return m_onBus; }

    // The player's engine state (Vlc::State) as the bus reports it, and
    // whether it keeps the screen on: only while a stream opens, buffers
    // or plays.
    static QString statusFor(int state);
    static bool keepsScreenOn(int state);
    // Shows a window that is on screen above the others, unminimised; a
    // window still hidden during start-up is left to start-up.
    static void raiseWindow(QWidget *window);

    // The channel record the bus describes: the browser's record of the
    // playing channel (with the logo and programmes that arrived since it
    // started), else the player's own copy.
    static QVariantMap metadataOf(const QJsonObject &channel);

public slots:
    void playbackStateChanged(int state);

private:
    HomeWidget *home() const;
    QSlider *volumeSlider() const;
    QJsonObject playingRecord() const;
    void refreshMetadata();
    void play();
    void pause();
    void stop();
    void setVolume(double volume);
    void volumeShown(int value);

    QDBusConnection m_bus;
    MediaSession *m_session;
    ScreenSaverInhibitor *m_inhibitor;
    QPointer<PlayerWidget> m_player;
    QPointer<QSlider> m_slider;
    bool m_onBus = false;
    // Programmes change while a channel plays.
    QTimer m_metadataTimer;
};
