#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QPointer>
#include <QScopedPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QVector>
#include <QWidget>

#include "epg/EpgProgramme.h"

#include <memory>
#include <vector>

namespace Ui {
class HomeWidget;
}
class ChannelCatalog;
class ChannelKeys;
class ChannelSearchBar;
class EpgSchedule;
class EpgStringPool;
class EpgWidget;
class ListItemDelegate;
class PlayListToolBar;
class PlayerButtomToolBar;
class PlayerToolBar;
class PlayerWidget;
class QDateTime;
class QListWidget;
class QListWidgetItem;
class QSplitter;
class QVBoxLayout;
class XmlUrl;

// The channel browser, page 7 of the main window's stack: the group strip,
// the channel list of the chosen group and the playlist toolbar on the left,
// the player between its two toolbars on the right.
//
// The records, the marks, the schedules and the loading belong to a
// ChannelCatalog (catalog()); the page shows what it holds. A load cycle
// (reload()) ends with the first group on screen. The rows on screen are
// asked for first. A row shows a logo or programme list as soon as it
// arrives, and the rows on and near the screen are updated in place once a
// minute so that the current programme stays fresh. The load's slots are
// kept here under their names and hand over to the catalogue.
class HomeWidget : public QWidget {
    Q_OBJECT

public:
    explicit HomeWidget(QWidget *parent = nullptr);
    ~HomeWidget() override;

    // Builds the page the first time, reloads the playlist every later time.
    void start();
    // Stops the refresh and the player.
    void stop();
    // Empties everything and loads the chosen playlist again.
    void reload();
    void toggleFullScreen();

    // The player and its two toolbars (null until the page is built).
    PlayerWidget *player() const { return m_player; }
    PlayerToolBar *topToolBar() const { return m_topBar; }
    PlayerButtomToolBar *bottomToolBar() const { return m_bottomBar; }
    PlayListToolBar *playListToolBar() const { return m_playListBar; }
    // The programme guide panel over the player's area (hidden until asked).
    EpgWidget *epgPanel() const { return m_epgPanel; }
    // The search field over the channel list and the page's keyboard
    // (null until the page is built).
    ChannelSearchBar *searchBar() const { return m_searchBar; }
    ChannelKeys *keys() const { return m_keys; }

    QListWidget *channelList() const;
    QListWidget *groupList() const;
    // The channel list's current row, -1 when none.
    int currentChannelRow() const;
    // The record of the current row, with what has arrived for it since
    // the row was made; empty when none.
    QJsonObject currentChannel() const;
    // The programmes of the current channel grouped by day.
    QJsonArray currentChannelDays() const;
    // The programmes that have arrived for the channel with this id in this
    // load (shared by every channel of its guide id); null before they have.
    std::shared_ptr<const EpgSchedule> scheduleOf(int channelId) const;
    // What a channel record is showing now: from the "epg" value the record
    // carries, if any (a record handed over on its own), else from the
    // channel browser's schedule for its id; the placeholders without one.
    static EpgProgramme programmeNow(const QJsonObject &channel);

    // Plays the channel at the channel list's current row.
    void playCurrentChannel();
    // The channel after or before the playing one in the list shown,
    // wrapping at the ends; nothing when none of its rows is playing.
    void playNext();
    void playPrevious();
    void toggleEpgPanel();
    // Loads the catalogue of the current language into the main window's
    // translator again.
    void reloadTranslator();
    // Brings the favourites group in line with favoriteIds.
    void refreshFavoritesGroup();
    // Shows the current playlist's name in the channel-list toolbar.
    void updatePlaylistName();

    // Shows the group at row of the strip.
    void showGroup(int row);
    // Shows the records at these positions of channelRecords() instead of
    // a group (search results); no group of the strip is current then.
    void showPositions(const QVector<int> &positions);
    // Where in channelRecords() the record of each row shown is.
    const QVector<int> &shownPositions() const { return m_shownPositions; }

    // The channel data and its loading.
    ChannelCatalog *catalog() const { return m_catalog; }

    // Read-only views for the toolbar and for tests.
    const QJsonArray &channelRecords() const;
    const QJsonArray &groupRecords() const { return groups; }
    const QJsonArray &shownChannelRecords() const { return shownChannels; }
    int playingChannel() const { return playingChannelId; }
    int playingGroup() const { return playingGroupRow; }
    int refreshTimer() const { return refreshTimerId; }
    // The marks, as decimal ids in stored order. The toolbar changes them
    // before the service confirms a change.
    QJsonArray &favoriteList();
    QJsonArray &privateList();
    // Whether the lists of this load have been read from the service; a
    // list that was not read must never be stored.
    bool favoritesKnown() const;
    bool privateKnown() const;
    // A list as read from the service (the toolbar reads again when the
    // load's read failed).
    void setFavoritesRead(const QJsonArray &ids);
    void setPrivateRead(const QJsonArray &ids);
    // The toolbar's looks for the channel at the current row.
    void showMarksOfCurrentChannel();
    // True while per-channel requests of the current load are still waiting
    // to be sent.
    bool requestsPending() const;

    // The folder logos are saved in: "image" beside the program, or in the
    // user's cache folder when that one cannot be written.
    static QString logoCacheDirectory();

signals:
    // The first group of a load is on screen.
    void groupsShown();

public slots:
    void LoginDone(const QJsonValue &result);
    void rpcError(const QString &);
    void LoadChanelDone(const QJsonValue &result);
    void LoadGroupDone(const QJsonValue &result);
    void EpgDone(int &id, const QJsonValue &result, XmlUrl &xmlUrl);
    void ImageDone(int &id, QString &path);
    void chnaelListDoubleClick(QListWidgetItem *item);
    void groupListClick(QListWidgetItem *item);
    void on_listWidget_itemClicked(QListWidgetItem *item);
    void GetFavoriteDone(const QJsonValue &result);
    void GetPrivateDone(const QJsonValue &result);
    void GetParentPasswordDone(const QJsonValue &result);
    void ShowContextMenu(const QPoint &);

protected:
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void buildPage();
    void showLoadFailure(const QString &error);
    void showArrivedGroups(const QJsonArray &received);
    void showFavoritesRead();
    void finishLoad();
    void startRefreshTimer();
    void forgetShownRows();
    void showArrivedLogo(int position, const QString &path);
    void showArrivedSchedule(int position);
    void removeFavoritesGroup();
    // Puts the rows on screen and around them at the head of the requests.
    void prioritiseVisibleRows();
    void appendChannelRow(int position, const QDateTime &now);
    // Sets what the row of item shows for the record at position.
    void fillRow(QListWidgetItem *item, int position, const QDateTime &now);
    // Shows again the rows of the record at position, and keeps the shown
    // copy of the record in step.
    void updateRowsOf(int position);
    // Brings the rows of the group shown that are on screen or near it up to
    // date.
    void refreshRows();
    // The first row on screen, and how many rows a screen holds (rounded
    // up, plus one).
    void rowsOnScreen(int *first, int *count) const;
    bool hasFavoritesGroup() const;
    void insertFavoritesGroup();
    void playAt(int row);
    // "Recently watched", last in the strip, once one of its channels is in
    // the playlist.
    void addRecentGroup();
    // Plays the channel last played in this playlist when that may start
    // by itself.
    void resumeLastChannel();
    int playingRow() const;

    const QScopedPointer<Ui::HomeWidget> ui;
    ChannelCatalog *m_catalog = nullptr;

    QJsonArray groups;
    QJsonArray shownChannels;
    int playingChannelId = 0;
    int playingGroupRow = -1;
    int refreshTimerId = 0;

    // Where in the catalogue's channels the record of each row of the list
    // is, and the row numbers in the list of each shown position.
    QVector<int> m_shownPositions;
    QHash<int, QVector<int>> m_shownRows;

    bool m_built = false;
    ListItemDelegate *m_channelDelegate = nullptr;
    PlayerWidget *m_player = nullptr;
    PlayerToolBar *m_topBar = nullptr;
    PlayerButtomToolBar *m_bottomBar = nullptr;
    PlayListToolBar *m_playListBar = nullptr;
    EpgWidget *m_epgPanel = nullptr;
    ChannelSearchBar *m_searchBar = nullptr;
    ChannelKeys *m_keys = nullptr;
    QWidget *m_leftPanel = nullptr;
    QWidget *m_rightPanel = nullptr;
    QVBoxLayout *m_rightLayout = nullptr;
    QSplitter *m_splitter = nullptr;
};
