#pragma once

#include "vlc/Vlc.h"

#include <QObject>
#include <QString>

class VlcMediaPlayer;

// Picture settings of a media player's video output. They are kept by the
// player, so they may be set before a video is shown and outlive a stream.
class VlcVideo : public QObject {
    Q_OBJECT

public:
    explicit VlcVideo(VlcMediaPlayer *player);

    Vlc::Ratio aspectRatio() const;
    void setAspectRatio(Vlc::Ratio ratio);

    // The engine's text for a ratio ("16:9"); empty for the source's own.
    static QString ratioText(Vlc::Ratio ratio);
    // The ratio for an engine text; Original for anything not listed.
    static Vlc::Ratio ratioFromText(const QString &text);

private:
    VlcMediaPlayer *m_player;
};
