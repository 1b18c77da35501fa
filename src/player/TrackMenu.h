#pragma once

#include <QPointer>
#include <QPushButton>
#include <QString>

class PlayerWidget;
class QMenu;
class VlcMediaPlayer;

// The player toolbar's choice of sound and subtitles. It shows only while
// the stream offers a choice (more than one audio track, or any subtitle
// track), with the tracks as libVLC names them. The language picked is
// remembered in the settings store and chosen again on every later stream
// that has a track in it; picking "Off" keeps subtitles off.
class TrackMenu : public QPushButton {
    Q_OBJECT

public:
    explicit TrackMenu(QWidget *parent = nullptr);

    // Follows the tracks of this player's engine.
    void setPlayer(PlayerWidget *player);
    QMenu *trackMenu() const { return m_menu; }

    // Choices as from the menu: the track with this id (-1: no subtitles).
    void chooseAudio(int id);
    void chooseSubtitle(int id);

    // The remembered languages: a code such as "eng", "off" for subtitles
    // switched off, empty when nothing was chosen yet.
    static QString preferredAudio();
    static QString preferredSubtitle();

    void retranslate();

private:
    void tracksChanged();
    void applyPreferences();
    void rebuildMenu();
    void addHeading(const QString &text);

    QPointer<VlcMediaPlayer> m_player;
    QMenu *m_menu;
};
