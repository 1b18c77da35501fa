#include "desktop/DesktopIntegration.h"

#include "app/AppState.h"
#include "channels/HomeWidget.h"
#include "desktop/MediaSession.h"
#include "desktop/ScreenSaverInhibitor.h"
#include "epg/EpgSchedule.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerWidget.h"
#include "vlc/Vlc.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QSlider>
#include <QWidget>

namespace {

constexpr int metadataInterval = 60 * 1000;
// The toolbar's slider runs to 200: 100 is the engine's normal loudness.
constexpr double sliderPerUnit = 100.0;

} // namespace

DesktopIntegration::DesktopIntegration(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
    , m_session(new MediaSession(this))
    , m_inhibitor(new ScreenSaverInhibitor(bus, this)) {
    m_metadataTimer.setInterval(metadataInterval);
    m_metadataTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_metadataTimer, &QTimer::timeout, this, &DesktopIntegration::refreshMetadata);

    connect(m_session, &MediaSession::playRequested, this, &DesktopIntegration::play);
    connect(m_session, &MediaSession::pauseRequested, this, &DesktopIntegration::pause);
    connect(m_session, &MediaSession::playPauseRequested, this, [this] {
        if (m_session->playbackStatus() == QLatin1String("Playing"))
            pause();
        else
            play();
    });
    connect(m_session, &MediaSession::stopRequested, this, &DesktopIntegration::stop);
    connect(m_session, &MediaSession::nextRequested, this, [this] {
        if (HomeWidget *page = home())
            page->playNext();
    });
    connect(m_session, &MediaSession::previousRequested, this, [this] {
        if (HomeWidget *page = home())
            page->playPrevious();
    });
    connect(m_session, &MediaSession::volumeRequested, this, &DesktopIntegration::setVolume);
    connect(m_session, &MediaSession::raiseRequested, this,
            [] { raiseWindow(appState().mainWindow.data()); });
    connect(m_session, &MediaSession::quitRequested, qApp, &QCoreApplication::quit,
            Qt::QueuedConnection);
}

// The inhibitor, a child, releases the screen as it goes.
DesktopIntegration::~DesktopIntegration() = default;

void DesktopIntegration::start() {
    m_onBus = m_session->registerOn(m_bus);
    if (HomeWidget *page = home()) {
        if (page->player())
            attachPlayer(page->player());
        connect(page, &HomeWidget::groupsShown, this, [this, page] {
            if (page->player() != m_player)
                attachPlayer(page->player());
        });
    }
}

HomeWidget *DesktopIntegration::home() const {
    return homePage();
}

QSlider *DesktopIntegration::volumeSlider() const {
    HomeWidget *page = home();
    PlayerButtomToolBar *bar = page ? page->bottomToolBar() : nullptr;
    return bar ? bar->findChild<QSlider *>(QStringLiteral("volume_slide")) : nullptr;
}

void DesktopIntegration::attachPlayer(PlayerWidget *player) {
    if (m_player)
        disconnect(m_player, nullptr, this, nullptr);
    m_player = player;
    if (!player)
        return;
    connect(player, &PlayerWidget::playbackStateChanged, this,
            &DesktopIntegration::playbackStateChanged);
    if (m_slider)
        disconnect(m_slider, nullptr, this, nullptr);
    m_slider = volumeSlider();
    if (m_slider) {
        connect(m_slider, &QSlider::valueChanged, this, &DesktopIntegration::volumeShown);
        volumeShown(m_slider->value());
    }
}

QString DesktopIntegration::statusFor(int state) {
    switch (state) {
    case Vlc::Opening:
    case Vlc::Buffering:
    case Vlc::Playing:
        return QStringLiteral("Playing");
    case Vlc::Paused:
        return QStringLiteral("Paused");
    default:
        return QStringLiteral("Stopped");
    }
}

bool DesktopIntegration::keepsScreenOn(int state) {
    return statusFor(state) == QLatin1String("Playing");
}

void DesktopIntegration::playbackStateChanged(int state) {
    m_session->setPlaybackStatus(statusFor(state));
    m_inhibitor->setInhibited(keepsScreenOn(state));
    const bool active =
        state != Vlc::Idle && state != Vlc::Stopped && state != Vlc::Ended && state != Vlc::Error;
    m_session->setCanPlay(active || !playingRecord().isEmpty());
    m_session->setCanNavigate(!playingRecord().isEmpty());
    refreshMetadata();
    if (active)
        m_metadataTimer.start();
    else
        m_metadataTimer.stop();
}

QJsonObject DesktopIntegration::playingRecord() const {
    HomeWidget *page = home();
    if (page && page->playingChannel() != 0) {
        const int id = page->playingChannel();
        for (const QJsonValue &value : page->channelRecords()) {
            if (value[QLatin1String("id")].toInt() == id)
                return value.toObject();
        }
    }
    return m_player ? m_player->channel : QJsonObject();
}

QVariantMap DesktopIntegration::metadataOf(const QJsonObject &channel) {
    if (channel.isEmpty())
        return {};
    QString programme = HomeWidget::programmeNow(channel).value(QStringLiteral("name"));
    if (programme == EpgSchedule::placeholders().value(QStringLiteral("name")))
        programme.clear();
    return MediaSession::metadataFor(channel.value(QLatin1String("id")).toInt(),
                                     channel.value(QLatin1String("title")).toString(), programme,
                                     channel.value(QLatin1String("pict")).toString());
}

void DesktopIntegration::refreshMetadata() {
    m_session->setMetadata(metadataOf(playingRecord()));
}

void DesktopIntegration::play() {
    if (!m_player || m_session->playbackStatus() == QLatin1String("Playing"))
        return;
    HomeWidget *page = home();
    if (m_player->currentUrl().isEmpty()) {
        // Nothing played yet: the chosen row, as a double-click would.
        if (page && page->currentChannelRow() >= 0)
            page->playCurrentChannel();
        return;
    }
    if (page && page->bottomToolBar())
        page->bottomToolBar()->showPauseIcon();
    m_player->resume();
}

void DesktopIntegration::pause() {
    if (!m_player || !m_player->isPlaying())
        return;
    HomeWidget *page = home();
    if (page && page->bottomToolBar())
        page->bottomToolBar()->showPlayIcon();
    m_player->pausePlayback();
}

void DesktopIntegration::stop() {
    if (!m_player)
        return;
    HomeWidget *page = home();
    if (page && page->bottomToolBar())
        page->bottomToolBar()->showPlayIcon();
    m_player->stopPlayback();
}

void DesktopIntegration::setVolume(double volume) {
    const int value = qRound(volume * sliderPerUnit);
    HomeWidget *page = home();
    PlayerButtomToolBar *bar = page ? page->bottomToolBar() : nullptr;
    if (!bar || !m_slider) {
        m_session->setVolume(volume);
        return;
    }
    const int shown = qBound(m_slider->minimum(), value, m_slider->maximum());
    m_slider->setValue(shown);
    // The toolbar's own handler of a moved slider sets and stores the volume.
    QMetaObject::invokeMethod(bar, "on_volume_slide_sliderMoved", Q_ARG(int, shown));
}

void DesktopIntegration::volumeShown(int value) {
    m_session->setVolume(value / sliderPerUnit);
}

void DesktopIntegration::raiseWindow(QWidget *window) {
    if (!window || !window->isVisible())
        return;
    if (window->isMinimized())
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
