#pragma once

#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QVector>

class HomeWidget;
class ZapNumberEntry;

// The channel browser's keyboard: number entry, playback, volume, full
// screen and zapping, as window-wide shortcuts of the page (a text field
// keeps the keys it types), and Enter on the channel list. Every channel
// change goes through the page's own double-click path, so a private or
// adult channel asks for the parental password whichever key started it.
//
// Up/Down and Page Up/Down are the list's own keys; Escape belongs to the
// player (leaving full screen) and to the search field. They are in the
// table all the same, so that the shortcut page lists every key.
class ChannelKeys : public QObject {
    Q_OBJECT

public:
    enum class Action {
        Search,
        Move,
        MovePage,
        Play,
        Number,
        PlayPause,
        Mute,
        VolumeUp,
        VolumeDown,
        FullScreen,
        Leave,
        Next,
        Previous,
    };
    struct Binding {
        Action action;
        QList<QKeySequence> keys;
        // Message key of what the keys do.
        const char *description;
        // Bound here as shortcuts (the others are listed only).
        bool shortcut;
    };

    // How far one press of + or - moves the volume slider.
    static constexpr int volumeStep = 5;

    explicit ChannelKeys(HomeWidget *home);

    static const QVector<Binding> &bindings();
    // The keys of a binding as the shortcut page shows them.
    static QString keysText(const Binding &binding);

    ZapNumberEntry *numberEntry() const { return m_number; }

    // Shows the channel at number (1 is the playlist's first) in its group
    // and plays it, asking first when it is locked. False when no channel
    // has that number.
    bool zapTo(int number);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void trigger(Action action, const QKeySequence &key);
    void playSelected();

    HomeWidget *m_home;
    ZapNumberEntry *m_number;
    // The list the filter watches, kept apart from the page: the filter
    // still sees events while the page is being destroyed.
    QObject *m_list = nullptr;
};
