#pragma once

#include <QObject>

class VlcMediaPlayer;

// Volume and mute of a media player's audio output. The engine's audio
// output exists only while a stream plays (and briefly after the player is
// made); what is asked for in between is remembered and applied as soon as
// an output starts, so a change is never lost to timing.
class VlcAudio : public QObject {
    Q_OBJECT

public:
    explicit VlcAudio(VlcMediaPlayer *player);

    // 0 to 200 (100 is the source's level); -1 when nothing is known.
    int volume() const;
    void setVolume(int volume);

    bool getMute() const;
    void setMute(bool mute);
    void toggleMute();

private:
    friend class VlcMediaPlayer;
    // An audio output has started: give it what was asked for. The engine
    // reports the start a moment before the output can be reached, so an
    // output not reachable yet is tried again shortly.
    void outputStarted();
    void applyWanted();

    VlcMediaPlayer *m_player;
    int m_wantedVolume = -1;
    int m_wantedMute = -1;
    int m_triesLeft = 0;
};
