#include "vlc/VlcMediaPlayer.h"

#include "vlc/VlcAudio.h"
#include "vlc/VlcInstance.h"
#include "vlc/VlcMedia.h"
#include "vlc/VlcVideo.h"
#include "vlc/VlcWidgetVideo.h"

#include <QDebug>

#include <vlc/vlc.h>

namespace {
constexpr libvlc_event_type_t reportedEvents[] = {
    libvlc_MediaPlayerOpening,          libvlc_MediaPlayerBuffering,
    libvlc_MediaPlayerPlaying,          libvlc_MediaPlayerPaused,
    libvlc_MediaPlayerStopped,          libvlc_MediaPlayerEndReached,
    libvlc_MediaPlayerEncounteredError, libvlc_MediaPlayerTimeChanged,
    libvlc_MediaPlayerPositionChanged,  libvlc_MediaPlayerAudioVolume,
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
} // namespace

VlcMediaPlayer::VlcMediaPlayer(VlcInstance *instance)
    : QObject(instance)
    , m_audio(new VlcAudio(this))
    , m_video(new VlcVideo(this)) {
    if (instance && instance->isValid())
        m_player = libvlc_media_player_new(instance->core());
    if (!m_player) {
        const char *reason = libvlc_errmsg();
        qDebug() << "No media player:" << (reason ? reason : "the engine did not start");
    } else {
        libvlc_event_manager_t *events = libvlc_media_player_event_manager(m_player);
        for (libvlc_event_type_t type : reportedEvents) {
            if (libvlc_event_attach(events, type, &VlcMediaPlayer::engineEvent, this) == 0)
                m_attached.push_back(type);
            else
                qDebug() << "Could not follow player event" << type;
        }
    }
}

VlcMediaPlayer::~VlcMediaPlayer() {
    if (!m_player)
        return;
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
    default:
        break;
    }
    const int type = event->type;
    // Posted to the player's own thread; Qt discards the call if the player
    // is destroyed before it runs.
    QMetaObject::invokeMethod(
        player, [player, type, value, time] { player->deliver(type, value, time); },
        Qt::QueuedConnection);
}

void VlcMediaPlayer::deliver(int type, float value, qint64 time) {
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
    case libvlc_MediaPlayerEncounteredError:
        emit error();
        break;
    case libvlc_MediaPlayerPositionChanged:
        emit positionChanged(value);
        break;
    case libvlc_MediaPlayerTimeChanged:
        emit timeChanged(int(time));
        break;
    case libvlc_MediaPlayerAudioVolume:
        // Reported whenever an audio output starts with the level it found.
        m_audio->outputStarted();
        break;
    default:
        break;
    }
    if (changesState(type))
        emit stateChanged();
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
    libvlc_media_player_set_media(m_player, media->core());
    if (libvlc_media_player_play(m_player) != 0) {
        const char *reason = libvlc_errmsg();
        qDebug() << "libVLC could not play" << media->location() << (reason ? reason : "");
    }
}

void VlcMediaPlayer::pause() {
    if (m_player && libvlc_media_player_can_pause(m_player))
        libvlc_media_player_set_pause(m_player, 1);
}

void VlcMediaPlayer::stop() {
    if (!m_player)
        return;
    // Stopping a player that plays nothing would still make libVLC tear down
    // the audio output it keeps ready, only to build it again for the next
    // stream.
    const libvlc_state_t state = libvlc_media_player_get_state(m_player);
    if (state == libvlc_NothingSpecial || state == libvlc_Stopped)
        return;
    libvlc_media_player_stop(m_player);
}

Vlc::State VlcMediaPlayer::state() const {
    if (!m_player)
        return Vlc::Idle;
    return Vlc::State(libvlc_media_player_get_state(m_player));
}

void VlcMediaPlayer::setVideoWidget(VlcWidgetVideo *widget) {
    m_videoWidget = widget;
    if (widget && m_player)
        widget->bind(m_player);
}

VlcWidgetVideo *VlcMediaPlayer::videoWidget() const {
    return m_videoWidget.data();
}
