#include "player/PlayerWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
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
#include <QShortcut>
#include <QStyleOption>

#include <limits>

namespace {
constexpr int overlayTimeout = 5000;
constexpr int firstReopenDelay = 1000;
constexpr int longestReopenDelay = 30000;
// A stream that kept playing this long counts as healthy: when it drops, the
// next reopen comes after the shortest delay again.
constexpr int steadyPlayTime = 10000;
// A stream gets at least this long to show something, however small the
// cache; a larger cache gets twice its size.
constexpr int shortestOpenTimeout = 15000;
constexpr int defaultCacheSize = 5000;
// The busy layer's size once a picture is on screen.
constexpr int busySquare = 80;
int openTimeoutOverride = 0;

const QString blackStyle = QStringLiteral("background-color: rgb(0, 0, 0);");
} // namespace

PlayerWidget::PlayerWidget(QWidget *parent)
    : QWidget(parent)
    , m_reopenDelay(firstReopenDelay) {
    setStyleSheet(blackStyle);
    m_reopenTimer.setSingleShot(true);
    connect(&m_reopenTimer, &QTimer::timeout, this, &PlayerWidget::openStream);
    m_openTimer.setSingleShot(true);
    connect(&m_openTimer, &QTimer::timeout, this, &PlayerWidget::openTimedOut);
    // Escape leaves full screen whatever is showing; outside full screen
    // the key stays with the page.
    m_escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_escape->setContext(Qt::WindowShortcut);
    m_escape->setEnabled(false);
    connect(m_escape, &QShortcut::activated, this, &PlayerWidget::leaveFullScreen);
    createEngine();
    overlayTimerId = startTimer(overlayTimeout, Qt::CoarseTimer);
}

PlayerWidget::~PlayerWidget() {
    // The media player stops what plays when it goes.
    destroyEngine();
}

QStringList PlayerWidget::engineArguments() {
    const QString cacheSize = appState().cacheSize;
    return {QStringLiteral("--network-caching=") +
                (cacheSize.isEmpty() ? QStringLiteral("5000") : cacheSize),
            QStringLiteral("--no-video-title-show")};
}

QString PlayerWidget::cachingOption() {
    const QString cacheSize = appState().cacheSize;
    return QStringLiteral(":network-caching=") +
           (cacheSize.isEmpty() ? QString::number(defaultCacheSize) : cacheSize);
}

int PlayerWidget::openTimeoutFor(const QString &cacheSize) {
    const int caching = cacheSize.isEmpty() ? defaultCacheSize : cacheSize.toInt();
    // Twice the cache without overflowing; a text that is no number counts
    // as no cache at all.
    const qint64 twice = 2 * qint64(qMax(0, caching));
    return int(qBound<qint64>(shortestOpenTimeout, twice, std::numeric_limits<int>::max()));
}

void PlayerWidget::setOpenTimeoutOverride(int milliseconds) {
    openTimeoutOverride = qMax(0, milliseconds);
}

void PlayerWidget::createEngine() {
    m_instance = new VlcInstance(engineArguments(), this);
    m_player = new VlcMediaPlayer(m_instance);

    connect(m_player, &VlcMediaPlayer::buffering, this, &PlayerWidget::vlc_buffering);
    connect(m_player, &VlcMediaPlayer::opening, this, &PlayerWidget::vlc_opening);
    connect(m_player, &VlcMediaPlayer::playing, this, &PlayerWidget::vlc_playing);
    connect(m_player, &VlcMediaPlayer::paused, this, &PlayerWidget::vlc_paused);
    connect(m_player, &VlcMediaPlayer::openFailed, this, &PlayerWidget::engineFailed);
    connect(m_player, &VlcMediaPlayer::videoOutput, this, [this](int count) {
        if (count <= 0 || m_pictureShown)
            return;
        // A live stream shows its first picture as a still while it fills
        // the cache: from now on the spinner covers only the middle of it.
        m_pictureShown = true;
        if (m_busy->isBusy())
            showBusyLayer();
    });
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
    // The busy layer lies over the picture but must not stand between the
    // user and the player: what it is given goes to the player.
    m_busy->installEventFilter(this);
    // The programme overlay shows from creation, until the first click or
    // the overlay timer hides it. Its minute refresh reads the channel as
    // it is now, with programme data and a logo that came in later.
    auto *programme = new PlayerEpg(this);
    programme->setSource([this] { return channel; });
    m_programme = programme;
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
    m_openTimer.stop();
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
    // Whatever the last stream showed, the new one starts covered.
    m_pictureShown = false;
    showBusyLayer();
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
    m_retryOffered = false;
    m_pictureShown = false;
    m_reopenTimer.stop();
    m_openTimer.stop();
    m_playingSince.invalidate();
    url = url.trimmed();
    if (url.isEmpty()) {
        // Nothing to open (a channel without an address, or the play button
        // before any channel): no spinner left up, nothing to reopen.
        m_player->stop();
        openInProgress = false;
        m_stopRequested = true;
        hideBusyLayer();
        if (PlayerButtomToolBar *bar = bottomBar())
            bar->showPlayIcon();
        return;
    }
    if (!m_instance->isValid() || !m_player->isValid()) {
        engineFailed();
        return;
    }
    // Opening replaces what plays; the previous input is shut down off this
    // thread. The player keeps its own reference to the media it plays.
    VlcMedia media(url, m_instance);
    media.addOption(cachingOption());
    m_player->open(&media);
    m_openTimer.start(openTimeoutOverride > 0 ? openTimeoutOverride
                                              : openTimeoutFor(appState().cacheSize));
}

void PlayerWidget::stopPlayback() {
    m_stopRequested = true;
    m_reopenTimer.stop();
    m_openTimer.stop();
    m_player->stop();
    // Nothing is on its way any more: no spinner stays up for it.
    if (m_busy->isBusy())
        hideBusyLayer();
}

bool PlayerWidget::isPlaying() const {
    return m_player && m_player->state() == Vlc::Playing;
}

bool PlayerWidget::canPause() const {
    return m_player && m_player->canPause();
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
    // Destroying the engine would take the video surface with it; the next
    // open carries the new cache size instead.
    if (url.trimmed().isEmpty())
        return;
    playUrl(QString(url));
}

void PlayerWidget::updateChannel(const QJsonObject &record) {
    const QString idKey = QStringLiteral("id");
    if (channel.isEmpty() || record.value(idKey) != channel.value(idKey))
        return;
    channel = record;
    if (auto *programme = qobject_cast<PlayerEpg *>(m_programme.data()))
        programme->setChannel(QJsonObject(channel));
}

void PlayerWidget::vlc_buffering(float buffer) {
    if (m_busy->styleSheet() != blackStyle)
        m_busy->setStyleSheet(blackStyle);
    PlayerButtomToolBar *bar = bottomBar();
    // A paused stream still reports its buffer now and then; it stays
    // paused, with the play icon and without a spinner.
    const bool paused = m_player->state() == Vlc::Paused;
    if (buffer == 100.0f) {
        m_openTimer.stop();
        if (bar && !paused)
            bar->showPauseIcon();
        hideBusyLayer();
    } else {
        if (m_busy->isHidden() && !paused)
            showBusyLayer();
        if (bar)
            bar->showPlayIcon();
    }
}

void PlayerWidget::vlc_opening() {
    if (PlayerButtomToolBar *bar = bottomBar())
        bar->showPlayIcon();
}

void PlayerWidget::vlc_playing() {}

void PlayerWidget::vlc_paused() {
    // The icon follows what the engine did: a stream that refused the pause
    // keeps showing pause.
    if (PlayerButtomToolBar *bar = bottomBar())
        bar->showPlayIcon();
}

void PlayerWidget::vlc_error() {
    m_openTimer.stop();
    if (PlayerButtomToolBar *bar = bottomBar())
        bar->showPlayIcon();
    if (m_busy->isBusy())
        hideBusyLayer();
}

void PlayerWidget::openTimedOut() {
    // Neither a picture nor an error: stop waiting, and say which channel
    // does not answer. A click on the alert tries again.
    m_stopRequested = true;
    openInProgress = false;
    m_reopenTimer.stop();
    m_player->stop();
    if (PlayerButtomToolBar *bar = bottomBar())
        bar->showPlayIcon();
    QString name = channel.value(QStringLiteral("title")).toString().trimmed();
    if (name.isEmpty())
        name = url;
    m_busy->showAlert(this, name, msg("alertnopicture"));
    m_retryOffered = true;
    keepControlsOnTop();
}

void PlayerWidget::engineFailed() {
    m_openTimer.stop();
    m_stopRequested = true;
    openInProgress = false;
    m_retryOffered = false;
    if (PlayerButtomToolBar *bar = bottomBar())
        bar->showPlayIcon();
    m_busy->showAlert(this, msg("error"), msg("alertengine"));
    keepControlsOnTop();
}

void PlayerWidget::showBusyLayer() {
    if (!m_pictureShown) {
        m_busy->showBusy(this);
    } else {
        // The layer is a window of its own over the picture and cannot be
        // see-through: it shrinks to a square around the spinner.
        m_busy->showBusy(this, QRect((width() - busySquare) / 2, (height() - busySquare) / 2,
                                     busySquare, busySquare));
    }
    keepControlsOnTop();
}

void PlayerWidget::hideBusyLayer() {
    m_busy->hideBusy();
}

void PlayerWidget::keepControlsOnTop() {
    // The overlay raises itself when it shows; what the user works with
    // goes back above it.
    if (m_programme)
        m_programme->raise();
    PlayerButtomToolBar *bar = bottomBar();
    if (bar && bar->parentWidget() == this)
        bar->raise();
}

void PlayerWidget::leaveFullScreen() {
    if (!isFullScreen())
        return;
    if (HomeWidget *home = homePage())
        home->toggleFullScreen();
}

bool PlayerWidget::eventFilter(QObject *watched, QEvent *event) {
    if (watched != m_busy)
        return QWidget::eventFilter(watched, event);
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick)
        return false;
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (m_busy->isBusy()) {
        // The busy layer only shows: the player acts on the click as if the
        // layer were not there.
        QMouseEvent forwarded(type, m_busy->mapTo(this, mouse->pos()), mouse->windowPos(),
                              mouse->screenPos(), mouse->button(), mouse->buttons(),
                              mouse->modifiers());
        if (type == QEvent::MouseButtonPress)
            mousePressEvent(&forwarded);
        else
            mouseDoubleClickEvent(&forwarded);
        return true;
    }
    if (type == QEvent::MouseButtonPress && m_retryOffered) {
        // The alert goes away with this click, then the stream is tried
        // again (after the alert has begun to leave, so that it does).
        m_retryOffered = false;
        QTimer::singleShot(0, this, [this] {
            if (!url.isEmpty())
                playUrl(QString(url));
        });
    }
    return false;
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
    if (m_busy && m_busy->isBusy())
        showBusyLayer();
    else if (m_busy && !m_busy->isHidden())
        m_busy->setGeometry(0, 0, w, h);
    if (m_video)
        m_video->setGeometry(0, 0, w, h);
    m_escape->setEnabled(isFullScreen());
}

void PlayerWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
