#include "vlc/VlcMediaPlayer.h"

#include "vlc/VlcAudio.h"
#include "vlc/VlcInstance.h"
#include "vlc/VlcMedia.h"
#include "vlc/VlcTracks.h"
#include "vlc/VlcVideo.h"
#include "vlc/VlcWidgetVideo.h"

#include <QDebug>

#include <chrono>
#include <vlc/vlc.h>

namespace {
constexpr libvlc_event_type_t reportedEvents[] = {
    libvlc_MediaPlayerOpening,          libvlc_MediaPlayerBuffering,
    libvlc_MediaPlayerPlaying,          libvlc_MediaPlayerPaused,
    libvlc_MediaPlayerStopped,          libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerTimeChanged,
    libvlc_MediaPlayerPositionChanged,  libvlc_MediaPlayerAudioVolume,
    libvlc_MediaPlayerPausableChanged,  libvlc_MediaPlayerVout,
    libvlc_MediaPlayerESAdded,          libvlc_MediaPlayerESDeleted,
    libvlc_MediaPlayerESSelected,
};

// The events that change what state() reads.
bool changesState(int type) {
    switch (type) {
    case libvlc_MediaPlayerOpening:
    case libvlc_MediaPlayerBuffering:
    case libvlc_MediaPlayerPlaying:
    case libvlc_MediaPlayerPaused:
    case libvlc_MediaPlayerStopped:
    case libvlc_MediaPlayerEndReached:
    case libvlc_MediaPlayerEncounteredError:
        return true;
    default:
        return false;
    }
}

std::atomic<bool> &controlHeld() {
    static std::atomic<bool> held{false};
    return held;
}
} // namespace

VlcMediaPlayer::VlcMediaPlayer(VlcInstance *instance)
    : QObject(instance)
    , m_audio(new VlcAudio(this))
    , m_video(new VlcVideo(this))
    , m_tracks(new VlcTracks(this)) {
    if (instance && instance->isValid())
        m_player = libvlc_media_player_new(instance->core());
    if (!m_player) {
        const char *reason = libvlc_errmsg();
        qDebug() << "No media player:" << (reason ? reason : "the engine did not start");
        return;
    }
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
    for (libvlc_event_type_t type : reportedEvents) {
        if (libvlc_event_attach(events, type, &VlcMediaPlayer::engineEvent, this) == 0)
            m_attached.push_back(type);
        else
            qDebug() << "Could not follow player event" << type;
    }
    m_control = std::thread([this] { controlLoop(); });
}

VlcMediaPlayer::~VlcMediaPlayer() {
    if (!m_player)
        return;
    {
        // What has not started yet is of no use any more; what runs now is
        // waited for.
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const Request &request : m_queue)
            releaseMedia(request.media);
        m_queue.clear();
        m_quit = true;
    }
    m_wake.notify_all();
    if (m_control.joinable())
        m_control.join();
    // Detaching waits for a callback that is running right now, so no engine
    // thread can reach this object once the loop is done.
    libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
    for (int type : m_attached)
        libvlc_event_detach(events, type, &VlcMediaPlayer::engineEvent, this);
    m_attached.clear();
    libvlc_media_player_stop(m_player);
    libvlc_media_player_release(m_player);
    m_player = nullptr;
}

void VlcMediaPlayer::engineEvent(const libvlc_event_t *event, void *self) {
    auto *player = static_cast<VlcMediaPlayer *>(self);
    float value = 0;
    qint64 time = 0;
    switch (event->type) {
    case libvlc_MediaPlayerBuffering:
        value = event->u.media_player_buffering.new_cache;
        break;
    case libvlc_MediaPlayerPositionChanged:
        value = event->u.media_player_position_changed.new_position;
        break;
    case libvlc_MediaPlayerTimeChanged:
        time = event->u.media_player_time_changed.new_time;
        break;
    case libvlc_MediaPlayerPausableChanged:
        value = event->u.media_player_pausable_changed.new_pausable ? 1 : 0;
        break;
    case libvlc_MediaPlayerVout:
        value = float(event->u.media_player_vout.new_count);
        break;
    default:
        break;
    }
    const int type = event->type;
    // The input that reports is the one the control thread started last:
    // an older input is shut down, and can report no more, before the tag
    // moves on.
    const int tag = player->m_activeTag.load();
    // Posted to the player's own thread; Qt discards the call if the player
    // is destroyed before it runs.
    QMetaObject::invokeMethod(
        player, [player, type, value, time, tag] { player->deliver(type, value, time, tag); },
        Qt::QueuedConnection);
}

void VlcMediaPlayer::deliver(int type, float value, qint64 time, int tag) {
    if (type == libvlc_MediaPlayerAudioVolume) {
        // Reported whenever an audio output starts with the level it found;
        // the output is shared by every stream, so this is never stale.
        m_audio->outputStarted();
        return;
    }
    if (tag != m_requested) {
        ++m_droppedReports;
        return;
    }
    if (changesState(type))
        m_expecting = false;
    switch (type) {
    case libvlc_MediaPlayerOpening:
        emit opening();
        break;
    case libvlc_MediaPlayerBuffering:
        emit buffering(value);
        break;
    case libvlc_MediaPlayerPlaying:
        emit playing();
        break;
    case libvlc_MediaPlayerPaused:
        emit paused();
        break;
    case libvlc_MediaPlayerEncounteredError:
        emit error();
        break;
    case libvlc_MediaPlayerPositionChanged:
        emit positionChanged(value);
        break;
    case libvlc_MediaPlayerTimeChanged:
        emit timeChanged(int(time));
        break;
    case libvlc_MediaPlayerPausableChanged:
        m_canPause = value != 0;
        emit pausableChanged(m_canPause);
        break;
    case libvlc_MediaPlayerVout:
        emit videoOutput(int(value));
        break;
    case libvlc_MediaPlayerESAdded:
    case libvlc_MediaPlayerESDeleted:
    case libvlc_MediaPlayerESSelected:
        emit tracksChanged();
        break;
    default:
        break;
    }
    if (changesState(type))
        emit stateChanged();
}

void VlcMediaPlayer::finished(int tag, bool ok) {
    if (tag != m_requested)
        return;
    if (!ok) {
        m_expecting = false;
        emit openFailed();
        emit stateChanged();
    } else if (m_expected == Vlc::Stopped) {
        // A stop that found nothing to stop sends no report of its own.
        m_expecting = false;
    }
}

void VlcMediaPlayer::open(VlcMedia *media) {
    if (!m_player || !media || !media->isValid()) {
        qDebug() << "Nothing to open" << (media ? media->location() : QString());
        return;
    }
    // Without a window to show it in, the video must not make the engine
    // open one of its own. Decided at the first open only: the way video is
    // discarded also switches hardware decoding off for good.
    if (!m_videoWidget && !m_videoDiscarded) {
        VlcWidgetVideo::discardVideo(m_player);
        m_videoDiscarded = true;
    }
    m_openedLocation = media->location();
    m_openedOptions = media->options();
    m_canPause = false;
    m_expecting = true;
    m_expected = Vlc::Opening;
    libvlc_media_retain(media->core());
    m_heldMedia.fetch_add(1);
    post({Request::Open, ++m_requested, media->core()});
}

void VlcMediaPlayer::pause() {
    if (!m_player)
        return;
    post({Request::Pause, m_requested, nullptr});
}

void VlcMediaPlayer::stop() {
    if (!m_player)
        return;
    m_canPause = false;
    m_expecting = true;
    m_expected = Vlc::Stopped;
    post({Request::Stop, ++m_requested, nullptr});
}

Vlc::State VlcMediaPlayer::state() const {
    if (!m_player)
        return Vlc::Idle;
    if (m_expecting)
        return m_expected;
    return Vlc::State(libvlc_media_player_get_state(m_player));
}

bool VlcMediaPlayer::isControlBusy() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_working || !m_queue.empty();
}

void VlcMediaPlayer::holdControl(bool hold) {
    controlHeld().store(hold);
}

void VlcMediaPlayer::post(Request request) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (request.kind != Request::Pause) {
            // A new open or stop makes whatever still waits pointless: the
            // newest request decides what plays.
            for (const Request &waiting : m_queue) {
                releaseMedia(waiting.media);
                m_skippedRequests.fetch_add(1);
            }
            m_queue.clear();
        }
        m_queue.push_back(request);
    }
    m_wake.notify_all();
}

void VlcMediaPlayer::controlLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait_for(lock, std::chrono::milliseconds(controlHeld() ? 5 : 1000),
                        [this] { return m_quit || (!m_queue.empty() && !controlHeld()); });
        if (m_quit)
            return;
        if (m_queue.empty() || controlHeld())
            continue;
        const Request request = m_queue.front();
        m_queue.pop_front();
        m_working = true;
        lock.unlock();
        carryOut(request);
        lock.lock();
        m_working = false;
    }
}

void VlcMediaPlayer::carryOut(const Request &request) {
    switch (request.kind) {
    case Request::Open: {
        // Replacing the media shuts the previous input down first (this is
        // the wait) but keeps the video and audio outputs for the next one.
        libvlc_media_player_set_media(m_player, request.media);
        m_activeTag.store(request.tag);
        releaseMedia(request.media);
        m_executedOpens.fetch_add(1);
        const bool ok = libvlc_media_player_play(m_player) == 0;
        if (!ok) {
            const char *reason = libvlc_errmsg();
            qDebug() << "libVLC could not play:" << (reason ? reason : "");
        }
        m_started = ok;
        const int tag = request.tag;
        QMetaObject::invokeMethod(
            this, [this, tag, ok] { finished(tag, ok); }, Qt::QueuedConnection);
        break;
    }
    case Request::Stop: {
        m_activeTag.store(request.tag);
        // Stopping a player that plays nothing would still make libVLC tear
        // down the audio output it keeps ready, only to build it again for
        // the next stream. Whether an input runs is known here, not from the
        // engine's state: right after a start that still reads "nothing
        // special".
        if (m_started)
            libvlc_media_player_stop(m_player);
        m_started = false;
        const int tag = request.tag;
        QMetaObject::invokeMethod(
            this, [this, tag] { finished(tag, true); }, Qt::QueuedConnection);
        break;
    }
    case Request::Pause:
        if (m_started && libvlc_media_player_can_pause(m_player))
            libvlc_media_player_set_pause(m_player, 1);
        break;
    }
}

void VlcMediaPlayer::releaseMedia(libvlc_media_t *media) {
    if (!media)
        return;
    libvlc_media_release(media);
    m_heldMedia.fetch_sub(1);
}

void VlcMediaPlayer::setVideoWidget(VlcWidgetVideo *widget) {
    m_videoWidget = widget;
    if (widget && m_player)
        widget->bind(m_player);
}

VlcWidgetVideo *VlcMediaPlayer::videoWidget() const {
    return m_videoWidget.data();
}
