#pragma once

#include <QObject>
#include <QString>
#include <QVector>

class VlcMediaPlayer;

// One audio or subtitle track of the input now playing: the engine's id
// (what selecting it takes), the name the engine gives it, and its language
// code as the stream declares it ("eng"; empty when it declares none).
struct VlcTrack {
    int id = -1;
    QString name;
    QString language;
};

// The audio and subtitle tracks of a media player's current input. They are
// known only once the input has announced them (the player's tracksChanged
// signal); before that, and after a stop, the lists are empty. The engine's
// "disable" entry is never listed: no subtitle is id -1.
class VlcTracks : public QObject {
    Q_OBJECT

public:
    explicit VlcTracks(VlcMediaPlayer *player);

    QVector<VlcTrack> audioTracks() const;
    QVector<VlcTrack> subtitleTracks() const;
    // The id of the selected track, -1 when none.
    int audioTrack() const;
    int subtitleTrack() const;
    // False when the engine refuses (no such track, nothing playing).
    bool setAudioTrack(int id);
    bool setSubtitleTrack(int id);

private:
    // Language codes of the current media's tracks, by track id.
    QVector<VlcTrack> withLanguages(QVector<VlcTrack> tracks, bool audio) const;

    VlcMediaPlayer *m_player;
};
