#pragma once

#include "channels/ChannelSearchIndex.h"

#include <QFutureWatcher>
#include <QWidget>

class HomeWidget;
class QLineEdit;

// The search field over the channel list. As the viewer types, the list
// shows every channel of the playlist whose title holds the text (case and
// accents aside); Escape or an emptied field brings back the group that was
// shown before. The titles are folded once per playlist load, on a worker
// thread; a search typed before they are in waits for them.
class ChannelSearchBar : public QWidget {
    Q_OBJECT

public:
    explicit ChannelSearchBar(HomeWidget *home, QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    // Whether the list shows search results rather than a group.
    bool isSearching() const { return m_searching; }
    // Puts the cursor in the field with its text selected.
    void focusField();
    // Empties the field and shows the group that was shown before.
    void clearSearch();
    // Folds the titles of the playlist just loaded; the old text goes.
    void rebuild();
    const ChannelSearchIndex &index();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void search(const QString &text);
    // Forgets the search without touching the list (a group was picked).
    void dropSearch();

    HomeWidget *m_home;
    QLineEdit *m_field;
    // Takes the folded titles once they are in.
    void takeIndex();

    QFutureWatcher<ChannelSearchIndex> m_folding;
    bool m_foldPending = false;
    ChannelSearchIndex m_index;
    bool m_searching = false;
    int m_groupBefore = -1;
};
