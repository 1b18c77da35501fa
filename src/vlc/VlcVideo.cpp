#include "vlc/VlcVideo.h"

#include "vlc/VlcMediaPlayer.h"

#include <vlc/vlc.h>

namespace {
// Indexed by Vlc::Ratio.
const char *const ratioTexts[] = {"",        "",        "16:9", "16:10", "185:100", "221:100",
                                  "235:100", "239:100", "4:3",  "5:4",   "5:3",     "1:1"};
constexpr int ratioCount = int(sizeof(ratioTexts) / sizeof(ratioTexts[0]));
} // namespace

VlcVideo::VlcVideo(VlcMediaPlayer *player)
    : QObject(player)
    , m_player(player) {}

QString VlcVideo::ratioText(Vlc::Ratio ratio) {
    const int index = int(ratio);
    if (index < 0 || index >= ratioCount)
        return QString();
    return QString::fromLatin1(ratioTexts[index]);
}

Vlc::Ratio VlcVideo::ratioFromText(const QString &text) {
    if (text.isEmpty())
        return Vlc::Original;
    for (int index = 0; index < ratioCount; ++index) {
        if (text == QLatin1String(ratioTexts[index]))
            return Vlc::Ratio(index);
    }
    return Vlc::Original;
}

Vlc::Ratio VlcVideo::aspectRatio() const {
    if (!m_player->core())
        return Vlc::Original;
    char *text = libvlc_video_get_aspect_ratio(m_player->core());
    if (!text)
        return Vlc::Original;
    const Vlc::Ratio ratio = ratioFromText(QString::fromLatin1(text));
    libvlc_free(text);
    return ratio;
}

void VlcVideo::setAspectRatio(Vlc::Ratio ratio) {
    if (!m_player->core())
        return;
    const QByteArray text = ratioText(ratio).toLatin1();
    // A null text gives the picture back its own ratio.
    libvlc_video_set_aspect_ratio(m_player->core(), text.isEmpty() ? nullptr : text.constData());
}
