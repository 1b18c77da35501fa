#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

class AlertFrame;
class PlayerButtomToolBar;
class QShortcut;
class VlcInstance;
class VlcMediaPlayer;
class VlcWidgetVideo;

// The video surface of the channel browser. It owns the media engine, plays
// one stream address at a time, covers the picture with a busy overlay while
// the stream opens and buffers, and opens a live stream again when it stops
// by itself. The busy overlay only shows: clicks, double-clicks and Escape
// reach the player, and the programme band and the bottom bar stay above
// it. A stream that shows nothing within its time-out ends with an alert
// that offers to try again.
class PlayerWidget : public QWidget {
    Q_OBJECT

public:
    explicit PlayerWidget(QWidget *parent = nullptr);
    ~PlayerWidget() override;

    // The record of the channel being played, written by the channel browser
    // before each playUrl and read by the programme overlay.
    QJsonObject channel;

    void playUrl(const QString &url);
    // A stop asked for by the program: the stream stays stopped.
    void stopPlayback();
    bool isPlaying() const;
    // Whether the stream now playing accepts a pause.
    bool canPause() const;
    void pausePlayback();
    // A live stream cannot continue where it paused: it is opened again.
    void resume();
    void setVolume(int volume);
    void toggleMute();
    void cycleAspectRatio();
    // The cache size changed: the current address is opened again with it.
    // The engine and its video surface stay; every open takes the current
    // cache size as an option of its own.
    void rebuildEngine();
    // Newer data (programme data, a logo) of a channel record; taken when it
    // is the channel being played, so the programme band shows it.
    void updateChannel(const QJsonObject &record);

    // The engine arguments made from the current cache size.
    static QStringList engineArguments();
    // The option each opened stream carries, from the current cache size.
    static QString cachingOption();
    // How long a stream may take to show something before the player gives
    // up on it: twice the cache size, and never less than 15 seconds.
    static int openTimeoutFor(const QString &cacheSize);
    // Tests shorten the time-out (0 gives the computed one back).
    static void setOpenTimeoutOverride(int milliseconds);

    QString currentUrl() const { return url; }
    VlcInstance *engine() const { return m_instance; }
    VlcMediaPlayer *mediaPlayer() const { return m_player; }
    VlcWidgetVideo *videoWidget() const { return m_video; }
    AlertFrame *busyOverlay() const { return m_busy; }
    QWidget *programmeOverlay() const { return m_programme.data(); }
    // Whether the programme overlay is meant to be on screen (it toggles on
    // clicks and hides itself after five seconds).
    bool isOverlayShown() const { return m_overlayShown; }
    // Delay before the next automatic reopen, and whether one is waiting.
    int reopenDelay() const { return m_reopenDelay; }
    bool isReopenPending() const { return m_reopenTimer.isActive(); }
    // Whether the open time-out runs, and whether an alert now offers to
    // open the stream again.
    bool isWaitingForPicture() const { return m_openTimer.isActive(); }
    bool isRetryOffered() const { return m_retryOffered; }
    // Whether the current stream has shown its first picture.
    bool hasShownPicture() const { return m_pictureShown; }

signals:
    // Every state the engine reports (a Vlc::State), for the desktop's
    // media controls and the screensaver.
    void playbackStateChanged(int state);

private slots:
    void vlc_buffering(float buffer);
    void vlc_opening();
    void vlc_playing();
    void vlc_paused();
    void vlc_error();
    void vlc_stateChanged();
    void vlc_positionChanged(float);
    void vlc_timeChanged(int time);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void createEngine();
    void destroyEngine();
    void openStream();
    void scheduleReopen();
    void layoutChildren();
    void setOverlayShown(bool shown);
    bool isFullScreen() const;
    static PlayerButtomToolBar *bottomBar();
    // The busy layer over the picture, under the band and the bottom bar.
    void showBusyLayer();
    void hideBusyLayer();
    void keepControlsOnTop();
    void openTimedOut();
    void engineFailed();
    void leaveFullScreen();

    QString url;
    bool openInProgress = false;
    int overlayTimerId = 0;

    VlcInstance *m_instance = nullptr;
    VlcMediaPlayer *m_player = nullptr;
    VlcWidgetVideo *m_video = nullptr;
    AlertFrame *m_busy = nullptr;
    // The programme overlay (a PlayerEpg), made and destroyed with the
    // engine; while there is none it counts as zero pixels high.
    QPointer<QWidget> m_programme;
    bool m_overlayShown = false;
    QShortcut *m_escape = nullptr;

    // Reopening a stream that stopped by itself: a stop the program asked for
    // is not reopened, and a stream that keeps ending at once is retried less
    // and less often.
    bool m_stopRequested = false;
    QTimer m_reopenTimer;
    int m_reopenDelay;
    QElapsedTimer m_playingSince;

    // From each open until the stream shows something.
    QTimer m_openTimer;
    bool m_retryOffered = false;
    // The current stream has shown a picture (perhaps still buffering).
    bool m_pictureShown = false;

    // What the toolbars set, so that a rebuilt engine sounds the same.
    int m_volume = -1;
    bool m_muted = false;
};
