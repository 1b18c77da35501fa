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
class ChannelKeys;
class ChannelSearchBar;
class EpgSchedule;
class EpgStringPool;
class EpgWidget;
class JsonRpc;
class ListItemDelegate;
class PlayListToolBar;
class PlayerButtomToolBar;
class PlayerToolBar;
class PlayerWidget;
class QDateTime;
class QDirIterator;
class QListWidget;
class QListWidgetItem;
class QSplitter;
class QVBoxLayout;
class XmlUrl;

// The channel browser, page 7 of the main window's stack: the group strip,
// the channel list of the chosen group and the playlist toolbar on the left,
// the player between its two toolbars on the right.
//
// A load cycle (reload()) signs in, reads the channels, the favourite and
// private lists and the parental password, then the groups; an offline
// playlist is read from its file instead and nothing is sent. Each channel
// then gets its logo and its programme data, a few requests at a time so
// that a long playlist does not freeze the window; the session is signed
// out once the last programme request is through. Channels that share a
// guide id share one programme request and one compact schedule; the
// records keep no programme data. The rows on screen are asked for first. A
// row shows a logo or programme list as soon as it arrives, and the rows on
// and near the screen are updated in place once a minute so that the
// current programme stays fresh.
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

    // Read-only views for the toolbar and for tests.
    const QJsonArray &channelRecords() const { return channels; }
    const QJsonArray &groupRecords() const { return groups; }
    const QJsonArray &shownChannelRecords() const { return shownChannels; }
    int playingChannel() const { return playingChannelId; }
    int playingGroup() const { return playingGroupRow; }
    int refreshTimer() const { return refreshTimerId; }
    // The marks, as decimal ids in stored order. The toolbar changes them
    // before the service confirms a change.
    QJsonArray &favoriteList() { return favoriteIds; }
    QJsonArray &privateList() { return privateIds; }
    // Whether the lists of this load have been read from the service; a
    // list that was not read must never be stored.
    bool favoritesKnown() const { return m_favoritesKnown; }
    bool privateKnown() const { return m_privateKnown; }
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
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    void buildPage();
    // A service call of the current load. A failed load step (sign-in,
    // channels, groups) ends the load with an alert; a failed mark read
    // leaves its list unknown.
    JsonRpc *newCall(bool loadStep = true);
    void failLoad(const QString &error);
    bool anyFavoriteListed() const;
    void finishLoadWhenReady();
    void removeFavoritesGroup();
    void loadOfflinePlaylist();
    void startChannelRequests();
    void sendRequestBatch();
    void cancelChannelRequests();
    void scheduleRequests();
    // The next position whose logo and programmes are to be asked for, -1
    // when every one has been.
    int nextRequestPosition();
    // Puts the rows on screen and around them at the head of the requests.
    void prioritiseVisibleRows();
    void logoFinished();
    void retireLoadedData();
    void releaseLeftovers();
    void endSession();
    void endSessionWhenDone();
    void guideFinished(QObject *guide);
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
    // Index in channels of the first record with this id, -1 when none.
    int positionOf(int id) const;
    // The programmes of the record at position, read once.
    const EpgSchedule &scheduleAt(int position);

    const QScopedPointer<Ui::HomeWidget> ui;

    QString token;
    QJsonArray channels;
    QJsonArray groups;
    QJsonArray shownChannels;
    QJsonArray favoriteIds;
    QJsonArray privateIds;
    int playingChannelId = 0;
    int playingGroupRow = -1;
    int refreshTimerId = 0;
    bool m_favoritesKnown = false;
    bool m_privateKnown = false;

    // Where in channels the record of each row of the list is.
    QVector<int> m_shownPositions;
    // Channel id, and group id, -> positions in channels, in array order.
    QHash<int, QVector<int>> m_positions;
    QHash<int, QVector<int>> m_groupMembers;
    // Row numbers in the list of each shown position.
    QHash<int, QVector<int>> m_shownRows;
    // Non-zero guide id -> positions in channels that use it; each guide id
    // is asked for once per load.
    QHash<int, QVector<int>> m_guideMembers;
    QSet<int> m_askedGuides;
    // The programme data of each record, read once per answer and shared by
    // the records of one guide id; the records keep none of the raw data.
    // The schedules of a load keep their texts in one pool.
    std::vector<std::shared_ptr<EpgSchedule>> m_schedules;
    std::shared_ptr<EpgStringPool> m_texts;
    // The requests of the current load (service calls, logos, programme
    // data); a new load drops what is still under way.
    QPointer<QObject> m_requests;
    // Positions are asked for once each: first the rows on screen and a
    // screen either side (m_nearRows, renewed as the list scrolls), then the
    // rest of the group shown, then the playlist in order.
    std::vector<bool> m_requested;
    int m_requestedCount = 0;
    QVector<int> m_nearRows;
    int m_nextNear = 0;
    QVector<int> m_groupRows;
    int m_nextGroupRow = 0;
    int m_nextRequest = 0;
    QTimer m_requestTimer;
    // The programme fetchers and logo downloads of the current load still
    // at work.
    QSet<QObject *> m_openGuides;
    int m_openLogos = 0;
    bool m_groupsLoaded = false;
    // The groups are listed, and the mark reads still under way: the load
    // ends when both are through.
    bool m_groupsArrived = false;
    int m_pendingReads = 0;
    bool m_loadFinished = false;
    // The token of the current load's session until it is signed out.
    QString m_sessionToken;

    // What earlier loads left behind, released a slice at a time.
    QVector<QJsonArray> m_oldChannels;
    std::vector<std::shared_ptr<EpgSchedule>> m_oldSchedules;
    QStringList m_oldLogoFolders;
    std::unique_ptr<QDirIterator> m_oldLogos;
    QTimer m_cleanupTimer;

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
