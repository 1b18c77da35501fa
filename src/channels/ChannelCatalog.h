#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonValue>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QSet>
#include <QStringList>
#include <QTimer>
#include <QVector>

#include <atomic>
#include <memory>
#include <vector>

class EpgSchedule;
class EpgStringPool;
class JsonRpc;
class XmlUrl;

// The channel data of one playlist and its loading, without any widget.
//
// A load (reload()) signs in, reads the channels, the favourite and private
// lists and the parental password, then the groups (asked for while the
// channel list is indexed on a worker thread); an offline playlist is
// read from its file instead and nothing is sent. Each channel then gets its
// logo and its programme data, a few requests at a time so that a long
// playlist does not hold up the event loop; the session is signed out once
// the last programme request is through. Channels that share a guide id
// share one programme request and one compact schedule: the records keep no
// programme data. Positions handed to prioritise() and setGroupOrder() are
// asked for before the rest of the playlist.
//
// Records are addressed by their position in channels(), the order the
// service (or the file) gave them.
class ChannelCatalog : public QObject {
    Q_OBJECT

public:
    explicit ChannelCatalog(QObject *parent = nullptr);
    ~ChannelCatalog() override;

    // Drops what is loaded or under way and loads the chosen playlist
    // (AppState) again.
    void reload();

    const QJsonArray &channels() const { return m_channels; }
    // The session token of the last sign-in.
    const QString &sessionToken() const { return token; }
    // Index in channels() of the first record with this id, -1 when none;
    // every position with it, in array order.
    int positionOf(int id) const;
    QVector<int> positionsOf(int id) const;
    // Positions of the channels of a group, in array order.
    QVector<int> membersOf(int groupId) const;
    bool hasMembers(int groupId) const;
    // Whether one of these decimal ids names a channel of the playlist.
    bool anyListed(const QJsonArray &ids) const;

    // The programmes of the record at position, read once (from the
    // record's own "epg" when it carries one); an empty schedule without.
    const EpgSchedule &scheduleAt(int position);
    // What has arrived for the record at position, or for the first record
    // with this id; null before anything has.
    std::shared_ptr<const EpgSchedule> scheduleAtPosition(int position) const;
    std::shared_ptr<const EpgSchedule> scheduleOf(int channelId) const;

    // The marks, as decimal ids in stored order; the toolbar changes them
    // before the service confirms a change.
    QJsonArray &favoriteList() { return favoriteIds; }
    QJsonArray &privateList() { return privateIds; }
    bool favoritesKnown() const { return m_favoritesKnown; }
    bool privateKnown() const { return m_privateKnown; }
    void setFavoritesRead(const QJsonArray &ids);
    void setPrivateRead(const QJsonArray &ids);

    // True while per-channel requests of the current load are still waiting
    // to be sent, or programme answers that came in to be read.
    bool requestsPending() const;
    // These positions are asked for next, in this order (the rows on and
    // around the screen); they replace the last such list.
    void prioritise(const QVector<int> &positions);
    // Then these (the rest of the group shown).
    void setGroupOrder(const QVector<int> &positions);

signals:
    // The records of a new load are in channels(); the data of the last
    // one is gone (cleared() came first).
    void channelsArrived();
    void cleared();
    // The groups of the load that have channels, in the order received.
    void groupsArrived(const QJsonArray &groups);
    void logoArrived(int position, const QString &path);
    void scheduleArrived(int position);
    void favoritesRead();
    // The groups are through and so are the mark reads.
    void loadFinished();
    // A load step failed with this error ("" for an answer that was no
    // JSON object); nothing more comes for the load.
    void loadFailed(const QString &error);

public slots:
    void LoginDone(const QJsonValue &result);
    void rpcError(const QString &);
    void LoadChanelDone(const QJsonValue &result);
    void LoadGroupDone(const QJsonValue &result);
    void EpgDone(int &id, const QJsonValue &result, XmlUrl &xmlUrl);
    void ImageDone(int &id, QString &path);
    void GetFavoriteDone(const QJsonValue &result);
    void GetPrivateDone(const QJsonValue &result);
    void GetParentPasswordDone(const QJsonValue &result);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A service call of the current load. A failed load step (sign-in,
    // channels, groups) ends the load; a failed mark read leaves its list
    // unknown.
    JsonRpc *newCall(bool loadStep = true);
    // Channel id, group id and guide id -> positions in the records.
    struct RecordIndex {
        QHash<int, QVector<int>> positions;
        QHash<int, QVector<int>> groupMembers;
        QHash<int, QVector<int>> guideMembers;
    };
    // Safe on any thread.
    static RecordIndex indexRecords(const QJsonArray &records);
    // The records of the load, indexed: the load goes on from here.
    void useChannels(const QJsonArray &records, RecordIndex index);
    void failLoad(const QString &error);
    void finishLoadWhenReady();
    void loadOfflinePlaylist();
    void startChannelRequests();
    void sendRequestBatch();
    void startGuide(int position);
    // A programme answer of the load, read by readAnswers() in a later turn.
    void queueAnswer(int &id, const QJsonValue &result, XmlUrl &xmlUrl);
    void readAnswers();
    void storeSchedule(int id, const QJsonValue &result);
    void cancelChannelRequests();
    void scheduleRequests();
    // The next position whose logo and programmes are to be asked for, -1
    // when every one has been.
    int nextRequestPosition();
    void logoFinished();
    void retireLoadedData();
    void releaseLeftovers();
    void removeOldLogosWhenIdle();
    void removeOldLogos(const QString &folder);
    void endSession();
    void endSessionWhenDone();
    void guideFinished(QObject *guide);

    QString token;
    QJsonArray m_channels;
    QJsonArray favoriteIds;
    QJsonArray privateIds;
    bool m_favoritesKnown = false;
    bool m_privateKnown = false;

    // Channel id, and group id, -> positions in channels, in array order.
    QHash<int, QVector<int>> m_positions;
    QHash<int, QVector<int>> m_groupMembers;
    // Non-zero guide id -> positions in channels that use it; each guide id
    // is asked for once per load.
    QHash<int, QVector<int>> m_guideMembers;
    QSet<int> m_askedGuides;
    // The programme data of each record, read once per answer and shared by
    // the records of one guide id. The schedules of a load keep their texts
    // in one pool.
    std::vector<std::shared_ptr<EpgSchedule>> m_schedules;
    std::shared_ptr<EpgStringPool> m_texts;
    // The requests of the current load (service calls, logos, programme
    // data); a new load drops what is still under way.
    QPointer<QObject> m_requests;
    // Positions are asked for once each: first the prioritised ones, then
    // the group order, then the playlist in order.
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
    // Positions whose programme request waits for one of those to end.
    QVector<int> m_waitingGuides;
    // Programme answers (channel id, programmes) not read yet.
    QList<QPair<int, QJsonValue>> m_answers;
    QTimer m_answerTimer;
    int m_openLogos = 0;
    // The records of the current load are in, with their index; or are
    // being indexed, and the groups' answer, when it comes first, waits.
    bool m_channelsInUse = false;
    bool m_indexing = false;
    QJsonValue m_heldGroups{QJsonValue::Undefined};
    bool m_groupsLoaded = false;
    // The groups are through, and the mark reads still under way: the load
    // ends when both are.
    bool m_groupsArrived = false;
    int m_pendingReads = 0;
    bool m_loadFinished = false;
    // The token of the current load's session until it is signed out.
    QString m_sessionToken;

    // What earlier loads left behind, released a slice at a time.
    QVector<QJsonArray> m_oldChannels;
    std::vector<std::shared_ptr<EpgSchedule>> m_oldSchedules;
    std::vector<std::shared_ptr<EpgStringPool>> m_oldPools;
    // Folders of old logos still to be removed, and those a worker is
    // removing; it stops early once this catalogue is gone.
    QStringList m_oldLogoFolders;
    QSet<QString> m_removingFolders;
    std::shared_ptr<std::atomic_bool> m_stopRemoving = std::make_shared<std::atomic_bool>(false);
    QTimer m_cleanupTimer;
};
