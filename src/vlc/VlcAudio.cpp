#include "vlc/VlcAudio.h"

#include "vlc/VlcMediaPlayer.h"

#include <QDebug>
#include <QTimer>

#include <vlc/vlc.h>

namespace {
constexpr int loudest = 200;
constexpr int retryInterval = 50;
constexpr int retries = 40;
} // namespace

VlcAudio::VlcAudio(VlcMediaPlayer *player)
    : QObject(player)
    , m_player(player) {}

int VlcAudio::volume() const {
    if (!m_player->core())
        return -1;
    const int current = libvlc_audio_get_volume(m_player->core());
    return current >= 0 ? current : m_wantedVolume;
}

void VlcAudio::setVolume(int volume) {
    if (!m_player->core())
        return;
    if (volume < 0 || volume > loudest) {
        qDebug() << "Volume out of range:" << volume;
        return;
    }
    m_wantedVolume = volume;
    // Refused only when no output exists; outputStarted() catches up.
    libvlc_audio_set_volume(m_player->core(), volume);
}

bool VlcAudio::getMute() const {
    if (!m_player->core())
        return false;
    const int current = libvlc_audio_get_mute(m_player->core());
    return current >= 0 ? current == 1 : m_wantedMute == 1;
}

void VlcAudio::setMute(bool mute) {
    if (!m_player->core())
        return;
    m_wantedMute = mute ? 1 : 0;
    libvlc_audio_set_mute(m_player->core(), m_wantedMute);
}

void VlcAudio::toggleMute() {
    setMute(!getMute());
}

void VlcAudio::outputStarted() {
    m_triesLeft = retries;
    applyWanted();
}

void VlcAudio::applyWanted() {
    libvlc_media_player_t *player = m_player->core();
    if (!player || (m_wantedVolume < 0 && m_wantedMute < 0))
        return;
    const int volume = libvlc_audio_get_volume(player);
    const int mute = libvlc_audio_get_mute(player);
    if (volume < 0 || mute < 0) {
        if (m_triesLeft-- > 0)
            QTimer::singleShot(retryInterval, this, &VlcAudio::applyWanted);
        return;
    }
    if (m_wantedVolume >= 0 && volume != m_wantedVolume)
        libvlc_audio_set_volume(player, m_wantedVolume);
    if (m_wantedMute >= 0 && mute != m_wantedMute)
        libvlc_audio_set_mute(player, m_wantedMute);
}
