#include "player/PlayerWidget.h"

#include "app/AppState.h"
#include "channels/HomeWidget.h"
#include "epg/EpgWidget.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerEpg.h"
#include "vlc/VlcAudio.h"
#include "vlc/VlcInstance.h"
#include "vlc/VlcMedia.h"
#include "vlc/VlcMediaPlayer.h"
#include "vlc/VlcVideo.h"
#include "vlc/VlcWidgetVideo.h"
#include "widgets/AlertFrame.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOption>

namespace {
constexpr int overlayTimeout = 5000;
constexpr int firstReopenDelay = 1000;
constexpr int longestReopenDelay = 30000;
// A stream that kept playing this long counts as healthy: when it drops, the
// next reopen comes after the shortest delay again.
constexpr int steadyPlayTime = 10000;

const QString blackStyle = QStringLiteral("background-color: rgb(0, 0, 0);");
} // namespace

PlayerWidget::PlayerWidget(QWidget *parent)
    : QWidget(parent)
    , m_reopenDelay(firstReopenDelay) {
    setStyleSheet(blackStyle);
    m_reopenTimer.setSingleShot(true);
    connect(&m_reopenTimer, &QTimer::timeout, this, &PlayerWidget::openStream);
    createEngine();
    overlayTimerId = startTimer(overlayTimeout, Qt::CoarseTimer);
}

PlayerWidget::~PlayerWidget() {
    if (m_player) {
        m_player->pause();
        m_player->stop();
    }
    destroyEngine();
}

QStringList PlayerWidget::engineArguments() {
    const QString cacheSize = appState().cacheSize;
    return {QStringLiteral("--network-caching=") +
                (cacheSize.isEmpty() ? QStringLiteral("5000") : cacheSize),
            QStringLiteral("--no-video-title-show")};
}

void PlayerWidget::createEngine() {
    m_instance = new VlcInstance(engineArguments(), this);
    m_player = new VlcMediaPlayer(m_instance);

    connect(m_player, &VlcMediaPlayer::buffering, this, &PlayerWidget::vlc_buffering);
    connect(m_player, &VlcMediaPlayer::opening, this, &PlayerWidget::vlc_opening);
    connect(m_player, &VlcMediaPlayer::playing, this, &PlayerWidget::vlc_playing);
    connect(m_player, &VlcMediaPlayer::error, this, &PlayerWidget::vlc_error);
    connect(m_player, &VlcMediaPlayer::stateChanged, this, &PlayerWidget::vlc_stateChanged);
    connect(m_player, &VlcMediaPlayer::positionChanged, this, &PlayerWidget::vlc_positionChanged);
    connect(m_player, &VlcMediaPlayer::timeChanged, this, &PlayerWidget::vlc_timeChanged);

    m_video = new VlcWidgetVideo(this);
    m_video->setGeometry(0, 0, width(), height());
    m_video->show();
    m_player->setVideoWidget(m_video);
    m_video->setStyleSheet(blackStyle);

    openInProgress = false;

    m_busy = new AlertFrame(this);
    m_busy->hide();
    // The programme overlay shows from creation, until the first click or
    // the overlay timer hides it.
    m_programme = new PlayerEpg(this);
    setOverlayShown(true);
    if (m_video->isEmbedded()) {
        // The engine paints into a window of its own; anything meant to lie
        // over the picture must be a window too, or the video hides it.
        m_busy->setAttribute(Qt::WA_NativeWindow);
        if (m_programme)
            m_programme->setAttribute(Qt::WA_NativeWindow);
    }

    // A new engine starts at full volume and unmuted.
    if (m_volume >= 0)
        m_player->audio()->setVolume(m_volume);
    if (m_muted)
        m_player->audio()->setMute(true);

    layoutChildren();
}

void PlayerWidget::destroyEngine() {
    m_reopenTimer.stop();
    delete m_programme.data();
    delete m_busy;
    m_busy = nullptr;
    // The instance takes the media player with it; the video window goes
    // last, once nothing paints into it any more.
    delete m_instance;
    m_instance = nullptr;
    m_player = nullptr;
    delete m_video;
    m_video = nullptr;
}

void PlayerWidget::playUrl(const QString &url) {
    m_busy->setStyleSheet(QStringLiteral("background-color: black;"));
    m_busy->setGeometry(0, 0, width(), height());
    m_busy->showBusy(this);
    this->url = url;
    m_reopenDelay = firstReopenDelay;
    openStream();
    // The overlay recomputes its content; its visibility stays as it is.
    if (auto *programme = qobject_cast<PlayerEpg *>(m_programme.data()))
        programme->setChannel(QJsonObject(channel));
}

void PlayerWidget::openStream() {
    openInProgress = true;
    m_stopRequested = false;
    m_reopenTimer.stop();
    m_playingSince.invalidate();
    m_player->pause();
    m_player->stop();
    url = url.trimmed();
    if (url.isEmpty()) {
        // Nothing to open (a channel without an address, or the play button
        // before any channel): no spinner left up, nothing to reopen.
        openInProgress = false;
        m_stopRequested = true;
        m_busy->hideBusy();
        if (PlayerButtomToolBar *bar = bottomBar())
            bar->showPlayIcon();
        return;
    }
    // The player keeps its own reference to the media it plays.
    VlcMedia media(url, m_instance);
    m_player->open(&media);
}

void PlayerWidget::stopPlayback() {
    m_stopRequested = true;
    m_reopenTimer.stop();
    m_player->pause();
    m_player->stop();
}

bool PlayerWidget::isPlaying() const {
    return m_player && m_player->state() == Vlc::Playing;
}

void PlayerWidget::pausePlayback() {
    m_player->pause();
}

void PlayerWidget::resume() {
    m_reopenDelay = firstReopenDelay;
    openStream();
}

void PlayerWidget::setVolume(int volume) {
    m_volume = volume;
    m_player->audio()->setVolume(volume);
}

void PlayerWidget::toggleMute() {
    m_muted = !m_muted;
    m_player->audio()->toggleMute();
}

void PlayerWidget::cycleAspectRatio() {
    VlcVideo *video = m_player->video();
    Vlc::Ratio next = Vlc::R_4_3;
    switch (video->aspectRatio()) {
    case Vlc::R_4_3:
        next = Vlc::R_16_9;
        break;
    case Vlc::R_16_9:
        next = Vlc::R_1_1;
        break;
    case Vlc::R_1_1:
        next = Vlc::R_16_10;
        break;
    default:
        break;
    }
    video->setAspectRatio(next);
}

void PlayerWidget::rebuildEngine() {
    m_busy->showBusy(this);
    m_player->pause();
    m_player->stop();
    destroyEngine();
    createEngine();
    playUrl(QString(url));
}

void PlayerWidget::vlc_buffering(float buffer) {
    if (m_busy->styleSheet() != blackStyle)
        m_busy->setStyleSheet(blackStyle);
    PlayerButtomToolBar *bar = bottomBar();
    if (buffer == 100.0f) {
        if (bar)
            bar->showPauseIcon();
        m_busy->hideBusy();
    } else {
        if (m_busy->isHidden())
            m_busy->showBusy(this);
        if (bar)
            bar->showPlayIcon();
    }
}

void PlayerWidget::vlc_opening() {
    if (PlayerButtomToolBar *bar = bottomBar())
        bar->showPlayIcon();
}

void PlayerWidget::vlc_playing() {}

void PlayerWidget::vlc_error() {
    if (PlayerButtomToolBar *bar = bottomBar())
        bar->showPlayIcon();
    m_busy->hideBusy();
}

void PlayerWidget::vlc_stateChanged() {
    const Vlc::State state = m_player->state();
    emit playbackStateChanged(state);
    if (state == Vlc::Ended || state == Vlc::Stopped || state == Vlc::Idle) {
        if (!openInProgress && !m_stopRequested)
            scheduleReopen();
    } else if (state == Vlc::Playing) {
        openInProgress = false;
        if (!m_playingSince.isValid())
            m_playingSince.start();
    }
}

void PlayerWidget::scheduleReopen() {
    // Several end reports may arrive for one end; one reopen answers them all.
    if (m_reopenTimer.isActive() || url.isEmpty())
        return;
    if (m_playingSince.isValid() && m_playingSince.elapsed() >= steadyPlayTime)
        m_reopenDelay = firstReopenDelay;
    m_playingSince.invalidate();
    m_reopenTimer.start(m_reopenDelay);
    m_reopenDelay = qMin(m_reopenDelay * 2, longestReopenDelay);
}

void PlayerWidget::vlc_positionChanged(float) {}

void PlayerWidget::vlc_timeChanged(int) {}

void PlayerWidget::setOverlayShown(bool shown) {
    m_overlayShown = shown;
    if (m_programme)
        m_programme->setVisible(shown);
}

bool PlayerWidget::isFullScreen() const {
    return window()->isFullScreen();
}

PlayerButtomToolBar *PlayerWidget::bottomBar() {
    HomeWidget *home = homePage();
    return home ? home->bottomToolBar() : nullptr;
}

void PlayerWidget::mousePressEvent(QMouseEvent *event) {
    const bool fullScreen = isFullScreen();
    PlayerButtomToolBar *bar = bottomBar();
    if (!m_overlayShown) {
        overlayTimerId = startTimer(overlayTimeout, Qt::CoarseTimer);
        setOverlayShown(true);
        if (fullScreen && bar)
            bar->show();
    } else {
        if (overlayTimerId)
            killTimer(overlayTimerId);
        overlayTimerId = 0;
        setOverlayShown(false);
        if (fullScreen && bar)
            bar->hide();
    }
    if (!fullScreen && bar)
        bar->show();
    event->accept();
}

void PlayerWidget::mouseDoubleClickEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (HomeWidget *home = homePage())
        home->toggleFullScreen();
}

void PlayerWidget::timerEvent(QTimerEvent *) {
    if (!m_overlayShown)
        return;
    if (overlayTimerId)
        killTimer(overlayTimerId);
    overlayTimerId = 0;
    setOverlayShown(false);
    if (isFullScreen() && m_busy->isHidden()) {
        if (PlayerButtomToolBar *bar = bottomBar())
            bar->hide();
    }
}

void PlayerWidget::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    layoutChildren();
}

void PlayerWidget::layoutChildren() {
    const int w = width();
    const int h = height();
    if (m_programme) {
        const int overlayHeight = m_programme->height();
        PlayerButtomToolBar *bar = bottomBar();
        const int barHeight = isFullScreen() && bar ? bar->height() : 0;
        m_programme->setGeometry(0, h - overlayHeight - barHeight, w, overlayHeight);
    }
    if (HomeWidget *home = homePage()) {
        auto *guide = home->epgPanel();
        if (guide && guide->isVisible())
            guide->setGeometry(0, y(), w, h);
    }
    if (m_busy && !m_busy->isHidden())
        m_busy->showBusy(this);
    if (m_video)
        m_video->setGeometry(0, 0, w, h);
}

void PlayerWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
