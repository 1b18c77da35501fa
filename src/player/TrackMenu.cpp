#include "player/TrackMenu.h"

#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "player/PlayerWidget.h"
#include "vlc/VlcMediaPlayer.h"
#include "vlc/VlcTracks.h"

#include <QActionGroup>
#include <QFont>
#include <QMenu>
#include <QSettings>

namespace {

const QString off = QStringLiteral("off");
const QString buttonStyle = QStringLiteral(
    "QPushButton{text-align: left;background-color:transparent;color: rgb(75, 75, "
    "75);}QPushButton:pressed{color: rgb(255, 255, 255);}QPushButton:hover{color: rgb(255, 255, "
    "255);}QPushButton:open{background-color:transparent;color: rgb(255, 255, "
    "255);}QPushButton::menu-indicator{image: none;}");

QString stored(const char *key) {
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    const QString value = settings.value(key).toString();
    settings.endGroup();
    return value;
}

void store(const char *key, const QString &value) {
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    settings.setValue(key, value);
    settings.endGroup();
}

int trackOfLanguage(const QVector<VlcTrack> &tracks, const QString &language) {
    for (const VlcTrack &track : tracks) {
        if (!language.isEmpty() && track.language == language)
            return track.id;
    }
    return -2;
}

QString languageOf(const QVector<VlcTrack> &tracks, int id) {
    for (const VlcTrack &track : tracks) {
        if (track.id == id)
            return track.language;
    }
    return QString();
}

QString label(const VlcTrack &track) {
    if (!track.name.isEmpty())
        return track.name;
    return track.language.isEmpty() ? QStringLiteral("#%1").arg(track.id) : track.language;
}

} // namespace

TrackMenu::TrackMenu(QWidget *parent)
    : QPushButton(parent)
    , m_menu(new QMenu(this)) {
    setObjectName(QStringLiteral("tracks_button"));
    setFlat(true);
    setFocusPolicy(Qt::NoFocus);
    setFont(QFont(QStringLiteral("Arial"), 16, QFont::Bold));
    setStyleSheet(buttonStyle);
    setMenu(m_menu);
    retranslate();
    hide();
}

void TrackMenu::retranslate() {
    setText(msg("tracks"));
    rebuildMenu();
}

void TrackMenu::setPlayer(PlayerWidget *player) {
    if (m_player)
        disconnect(m_player, nullptr, this, nullptr);
    m_player = player ? player->mediaPlayer() : nullptr;
    if (m_player) {
        connect(m_player, &VlcMediaPlayer::tracksChanged, this, &TrackMenu::tracksChanged);
        // A new stream or a stop takes the last stream's tracks away.
        connect(m_player, &VlcMediaPlayer::stateChanged, this, &TrackMenu::rebuildMenu);
    }
    rebuildMenu();
}

QString TrackMenu::preferredAudio() {
    return stored(SettingsKeys::audioLanguage);
}

QString TrackMenu::preferredSubtitle() {
    return stored(SettingsKeys::subtitleLanguage);
}

void TrackMenu::tracksChanged() {
    applyPreferences();
    rebuildMenu();
}

void TrackMenu::applyPreferences() {
    if (!m_player)
        return;
    VlcTracks *tracks = m_player->tracks();
    const int audio = trackOfLanguage(tracks->audioTracks(), preferredAudio());
    if (audio >= 0 && tracks->audioTrack() != audio)
        tracks->setAudioTrack(audio);
    const QString subtitle = preferredSubtitle();
    if (subtitle == off) {
        if (tracks->subtitleTrack() >= 0)
            tracks->setSubtitleTrack(-1);
        return;
    }
    const int id = trackOfLanguage(tracks->subtitleTracks(), subtitle);
    if (id >= 0 && tracks->subtitleTrack() != id)
        tracks->setSubtitleTrack(id);
}

void TrackMenu::chooseAudio(int id) {
    if (!m_player)
        return;
    VlcTracks *tracks = m_player->tracks();
    // A track without a language leaves nothing to prefer next time; the
    // old preference would take the choice back at once.
    store(SettingsKeys::audioLanguage, languageOf(tracks->audioTracks(), id));
    tracks->setAudioTrack(id);
    rebuildMenu();
}

void TrackMenu::chooseSubtitle(int id) {
    if (!m_player)
        return;
    VlcTracks *tracks = m_player->tracks();
    store(SettingsKeys::subtitleLanguage, id < 0 ? off : languageOf(tracks->subtitleTracks(), id));
    tracks->setSubtitleTrack(id);
    rebuildMenu();
}

void TrackMenu::addHeading(const QString &text) {
    // A menu section draws as a bare line in most styles: the heading is a
    // bold entry that cannot be chosen.
    QAction *heading = m_menu->addAction(text);
    heading->setEnabled(false);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
}

void TrackMenu::rebuildMenu() {
    m_menu->clear();
    if (!m_player) {
        hide();
        return;
    }
    VlcTracks *tracks = m_player->tracks();
    const QVector<VlcTrack> audio = tracks->audioTracks();
    const QVector<VlcTrack> subtitles = tracks->subtitleTracks();
    setVisible(audio.size() > 1 || !subtitles.isEmpty());
    if (isHidden())
        return;

    addHeading(msg("audiotrack"));
    auto *audioGroup = new QActionGroup(m_menu);
    const int currentAudio = tracks->audioTrack();
    for (const VlcTrack &track : audio) {
        QAction *action = m_menu->addAction(label(track));
        action->setCheckable(true);
        action->setChecked(track.id == currentAudio);
        action->setActionGroup(audioGroup);
        const int id = track.id;
        connect(action, &QAction::triggered, this, [this, id] { chooseAudio(id); });
    }
    if (subtitles.isEmpty())
        return;
    m_menu->addSeparator();
    addHeading(msg("subtitles"));
    auto *subtitleGroup = new QActionGroup(m_menu);
    const int currentSubtitle = tracks->subtitleTrack();
    VlcTrack none;
    none.name = msg("subtitlesoff");
    QVector<VlcTrack> choices{none};
    choices += subtitles;
    for (const VlcTrack &track : qAsConst(choices)) {
        QAction *action = m_menu->addAction(label(track));
        action->setCheckable(true);
        action->setChecked(track.id == currentSubtitle);
        action->setActionGroup(subtitleGroup);
        const int id = track.id;
        connect(action, &QAction::triggered, this, [this, id] { chooseSubtitle(id); });
    }
}
