#include "vlc/VlcTracks.h"

#include "vlc/VlcMediaPlayer.h"

#include <QHash>

#include <vlc/vlc.h>

namespace {

QVector<VlcTrack> fromDescription(libvlc_track_description_t *list) {
    QVector<VlcTrack> tracks;
    for (libvlc_track_description_t *entry = list; entry; entry = entry->p_next) {
        // The engine lists "disable" first, as id -1: it is no track.
        if (entry->i_id < 0)
            continue;
        VlcTrack track;
        track.id = entry->i_id;
        track.name = QString::fromUtf8(entry->psz_name ? entry->psz_name : "").trimmed();
        tracks.append(track);
    }
    if (list)
        libvlc_track_description_list_release(list);
    return tracks;
}

} // namespace

VlcTracks::VlcTracks(VlcMediaPlayer *player)
    : QObject(player)
    , m_player(player) {}

QVector<VlcTrack> VlcTracks::withLanguages(QVector<VlcTrack> tracks, bool audio) const {
    libvlc_media_t *media = libvlc_media_player_get_media(m_player->core());
    if (!media)
        return tracks;
    libvlc_media_track_t **list = nullptr;
    const unsigned count = libvlc_media_tracks_get(media, &list);
    QHash<int, QString> languages;
    const libvlc_track_type_t wanted = audio ? libvlc_track_audio : libvlc_track_text;
    for (unsigned i = 0; i < count; ++i) {
        const libvlc_media_track_t *track = list[i];
        if (track->i_type == wanted && track->psz_language)
            languages.insert(track->i_id,
                             QString::fromUtf8(track->psz_language).trimmed().toLower());
    }
    if (list)
        libvlc_media_tracks_release(list, count);
    libvlc_media_release(media);
    for (VlcTrack &track : tracks)
        track.language = languages.value(track.id);
    return tracks;
}

QVector<VlcTrack> VlcTracks::audioTracks() const {
    if (!m_player->core())
        return {};
    return withLanguages(fromDescription(libvlc_audio_get_track_description(m_player->core())),
                         true);
}

QVector<VlcTrack> VlcTracks::subtitleTracks() const {
    if (!m_player->core())
        return {};
    return withLanguages(fromDescription(libvlc_video_get_spu_description(m_player->core())),
                         false);
}

int VlcTracks::audioTrack() const {
    return m_player->core() ? libvlc_audio_get_track(m_player->core()) : -1;
}

int VlcTracks::subtitleTrack() const {
    return m_player->core() ? libvlc_video_get_spu(m_player->core()) : -1;
}

bool VlcTracks::setAudioTrack(int id) {
    return m_player->core() && libvlc_audio_set_track(m_player->core(), id) == 0;
}

bool VlcTracks::setSubtitleTrack(int id) {
    return m_player->core() && libvlc_video_set_spu(m_player->core(), id) == 0;
}
