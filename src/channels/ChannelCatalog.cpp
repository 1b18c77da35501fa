#include "channels/ChannelCatalog.h"

#include "app/AppState.h"
#include "app/DataPaths.h"
#include "channels/ChannelMarks.h"
#include "channels/ChannelRecordKeys.h"
#include "channels/LoadImageUrl.h"
#include "channels/OfflinePlaylistReader.h"
#include "epg/EpgSchedule.h"
#include "epg/EpgStringPool.h"
#include "epg/XmlUrl.h"
#include "service/DiskThreads.h"
#include "service/JsonRpc.h"
#include "service/ServiceError.h"

#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFutureWatcher>
#include <QJsonObject>
#include <QtConcurrent>

#include <iterator>

namespace {

// Per-channel work (starting requests, releasing what an earlier load left)
// is done in slices of about this many milliseconds, one slice per turn of
// the event loop.
constexpr int sliceMs = 3;
// Programme requests and logo downloads under way at once. Answers that
// arrive while the program is busy wait in the event queue and are handled
// in one go, and a programme answer takes a while to read, so few of those
// are open. A logo answer costs the event loop little (its file is written
// by a worker thread) and the network manager queues what its few
// connections per host cannot carry yet, so many logos are kept waiting
// there: the connections never go idle between a logo and the next.
constexpr int maxOpenGuides = 12;
constexpr int maxOpenLogos = 64;
// Programme requests of channels already taken that wait for room.
constexpr int maxWaitingGuides = 64;
// Texts of an old load's programme pool freed at a time.
constexpr int poolTextsPerStep = 512;

// Empties and removes the folder unless stopped first (the program is
// quitting): the next load finds what is left and goes on.
void removeFolder(const QString &folder, const std::shared_ptr<std::atomic_bool> &stop) {
    QDirIterator files(folder, QDir::Files | QDir::Hidden);
    while (files.hasNext()) {
        if (*stop)
            return;
        QFile::remove(files.next());
    }
    QDir(folder).removeRecursively();
}

} // namespace

using namespace ChannelRecordKeys;

ChannelCatalog::ChannelCatalog(QObject *parent)
    : QObject(parent) {
    // Named for the traces of stalls.
    m_requestTimer.setObjectName(QStringLiteral("requestTimer"));
    m_answerTimer.setObjectName(QStringLiteral("answerTimer"));
    m_cleanupTimer.setObjectName(QStringLiteral("cleanupTimer"));
    m_requestTimer.setInterval(0);
    m_requestTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, &ChannelCatalog::sendRequestBatch);
    m_answerTimer.setInterval(0);
    connect(&m_answerTimer, &QTimer::timeout, this, &ChannelCatalog::readAnswers);
    m_cleanupTimer.setInterval(0);
    connect(&m_cleanupTimer, &QTimer::timeout, this, &ChannelCatalog::releaseLeftovers);
}

ChannelCatalog::~ChannelCatalog() {
    *m_stopRemoving = true;
    // The requests report here when they end: they go while this is still
    // a catalogue.
    delete m_requests;
}

void ChannelCatalog::reload() {
    retireLoadedData();
    favoriteIds = QJsonArray();
    privateIds = QJsonArray();
    // An offline playlist keeps no marks: its empty lists are all there is.
    const AppState &state = appState();
    m_favoritesKnown = state.offlineMode;
    m_privateKnown = state.offlineMode;
    cancelChannelRequests();

    if (state.offlineMode) {
        loadOfflinePlaylist();
        return;
    }
    JsonRpc *rpc = newCall();
    connect(rpc, &JsonRpc::done, this, &ChannelCatalog::LoginDone);
    rpc->login(state.userName, state.password, state.deviceKey);
}

bool ChannelCatalog::requestsPending() const {
    return (m_requestedCount < m_channels.size() || !m_waitingGuides.isEmpty() ||
            !m_answers.isEmpty()) &&
           !appState().offlineMode;
}

void ChannelCatalog::cancelChannelRequests() {
    m_requestTimer.stop();
    // Whatever the last load still waits for goes with it: its answers
    // belong to a playlist that is no longer shown. Its session ends here
    // if it has not ended yet.
    delete m_requests;
    m_requests = new QObject(this);
    m_nextRequest = 0;
    m_requested.clear();
    m_requestedCount = 0;
    m_nearRows.clear();
    m_nextNear = 0;
    m_groupRows.clear();
    m_nextGroupRow = 0;
    m_openGuides.clear();
    m_waitingGuides.clear();
    m_answers.clear();
    m_answerTimer.stop();
    m_openLogos = 0;
    m_channelsInUse = false;
    m_indexing = false;
    m_heldGroups = QJsonValue(QJsonValue::Undefined);
    m_groupsLoaded = false;
    m_groupsArrived = false;
    m_loadFinished = false;
    m_pendingReads = 0;
    endSession();
}

void ChannelCatalog::retireLoadedData() {
    // Freeing a long playlist with a week of programmes per channel takes
    // seconds: it is handed over and released a slice at a time.
    m_guideMembers.clear();
    m_askedGuides.clear();
    if (!m_channels.isEmpty())
        m_oldChannels.append(std::move(m_channels));
    m_channels = QJsonArray();
    for (auto &schedule : m_schedules) {
        if (schedule)
            m_oldSchedules.push_back(std::move(schedule));
    }
    m_schedules.clear();
    if (m_texts)
        m_oldPools.push_back(std::move(m_texts));
    m_texts.reset();
    m_positions.clear();
    m_groupMembers.clear();
    if (!m_oldChannels.isEmpty() || !m_oldSchedules.empty() || !m_oldPools.empty())
        m_cleanupTimer.start();
    emit cleared();
}

void ChannelCatalog::releaseLeftovers() {
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < sliceMs) {
        if (!m_oldSchedules.empty()) {
            m_oldSchedules.pop_back();
        } else if (!m_oldPools.empty()) {
            // A schedule still read elsewhere (a player's overlay) keeps its
            // pool whole, and frees it with itself.
            std::shared_ptr<EpgStringPool> &pool = m_oldPools.back();
            if (pool.use_count() > 1 || pool->releaseSome(poolTextsPerStep))
                m_oldPools.pop_back();
        } else if (!m_oldChannels.isEmpty()) {
            QJsonArray &records = m_oldChannels.last();
            if (records.isEmpty())
                m_oldChannels.removeLast();
            else
                records.removeLast();
        } else {
            m_cleanupTimer.stop();
            return;
        }
    }
}

void ChannelCatalog::removeOldLogosWhenIdle() {
    // Removing thousands of files blocks on the disk, and competes with
    // writing the new logos: it waits until the load has all of those.
    if (!m_channelsInUse || m_openLogos > 0 || size_t(m_requestedCount) < m_requested.size())
        return;
    const QStringList folders = std::exchange(m_oldLogoFolders, QStringList());
    for (const QString &folder : folders) {
        if (!m_removingFolders.contains(folder))
            removeOldLogos(folder);
    }
}

void ChannelCatalog::removeOldLogos(const QString &folder) {
    m_removingFolders.insert(folder);
    auto *removal = new QFutureWatcher<void>(this);
    connect(removal, &QFutureWatcherBase::finished, this, [this, removal, folder] {
        m_removingFolders.remove(folder);
        removal->deleteLater();
    });
    removal->setFuture(
        QtConcurrent::run(DiskThreads::pool(), &removeFolder, folder, m_stopRemoving));
}

void ChannelCatalog::endSession() {
    if (m_sessionToken.isEmpty())
        return;
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    rpc->logout(m_sessionToken);
    m_sessionToken.clear();
}

void ChannelCatalog::endSessionWhenDone() {
    // The programme requests use the session's token, the guide search
    // even after its first answer: the session ends once the groups are in
    // and every programme request has been sent and has finished.
    if (m_groupsLoaded && !m_indexing && m_requestedCount >= m_channels.size() &&
        m_waitingGuides.isEmpty() && m_openGuides.isEmpty())
        endSession();
}

void ChannelCatalog::guideFinished(QObject *guide) {
    if (m_openGuides.remove(guide)) {
        guide->removeEventFilter(this);
        scheduleRequests();
        endSessionWhenDone();
    }
}

void ChannelCatalog::logoFinished() {
    --m_openLogos;
    scheduleRequests();
    removeOldLogosWhenIdle();
}

bool ChannelCatalog::eventFilter(QObject *watched, QEvent *event) {
    // A programme fetcher releases each of its service calls once answered;
    // with none left it has either delivered, found nothing or failed.
    if (event->type() == QEvent::ChildRemoved && m_openGuides.contains(watched) &&
        watched->findChildren<JsonRpc *>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        guideFinished(watched);
    return QObject::eventFilter(watched, event);
}

JsonRpc *ChannelCatalog::newCall(bool loadStep) {
    // Part of the current load: a new load drops it unanswered. Once
    // answered it goes by itself.
    auto *rpc = new JsonRpc(m_requests);
    if (loadStep) {
        connect(rpc, &JsonRpc::error, this, &ChannelCatalog::rpcError);
        // An answer that is no JSON object ends the load as a failure too.
        ServiceError::onUnanswered(rpc, this, [this] { failLoad(QString()); });
    } else {
        connect(rpc, &JsonRpc::error, this,
                [](const QString &message) { qDebug() << "channel marks not read:" << message; });
    }
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    return rpc;
}

void ChannelCatalog::loadOfflinePlaylist() {
    QJsonArray fileGroups;
    if (!OfflinePlaylistReader::read(DataPaths::resolve(appState().playlistSource), m_channels,
                                     fileGroups))
        qDebug() << "offline playlist cannot be read:" << appState().playlistSource;
    LoadChanelDone(QJsonValue(QString()));
    LoadGroupDone(fileGroups);
}

void ChannelCatalog::LoginDone(const QJsonValue &result) {
    token = result.toString();
    m_sessionToken = token;
    const int playlistId = appState().playlistId;

    JsonRpc *channelCall = newCall();
    connect(channelCall, &JsonRpc::done, this, &ChannelCatalog::LoadChanelDone);
    channelCall->getChannels(token, playlistId);

    const struct {
        QString key;
        void (ChannelCatalog::*slot)(const QJsonValue &);
    } reads[] = {
        {ChannelMarks::favoritesKey(playlistId), &ChannelCatalog::GetFavoriteDone},
        {ChannelMarks::privateKey(playlistId), &ChannelCatalog::GetPrivateDone},
        {ChannelMarks::parentPasswordKey(), &ChannelCatalog::GetParentPasswordDone},
    };
    m_pendingReads = int(std::size(reads));
    for (const auto &read : reads) {
        JsonRpc *rpc = newCall(false);
        connect(rpc, &JsonRpc::done, this, read.slot);
        // Read or not, the load may end once the marks are settled: a
        // channel list shown before them would play private channels
        // without a word or store marks over ones it never saw.
        connect(rpc, &JsonRpc::settled, this, [this] {
            --m_pendingReads;
            finishLoadWhenReady();
        });
        rpc->getDevopt(read.key, token);
    }
}

void ChannelCatalog::rpcError(const QString &message) {
    qDebug() << "channel browser:" << message;
    // The transport has shown its alert and ended the busy state; the load
    // is over all the same.
    if (ServiceError::isConnectionFailure(message)) {
        m_groupsLoaded = true;
        endSessionWhenDone();
        return;
    }
    failLoad(message);
}

void ChannelCatalog::failLoad(const QString &error) {
    // Nothing more comes for this load: the session may end once the
    // programme requests are through.
    m_groupsLoaded = true;
    endSessionWhenDone();
    emit loadFailed(error);
}

void ChannelCatalog::LoadChanelDone(const QJsonValue &result) {
    // The logos of the last load are moved out of the way at once and
    // deleted later by a worker thread.
    const QStringList retired = LoadImageUrl::retireCache();
    for (const QString &folder : retired) {
        if (!m_oldLogoFolders.contains(folder))
            m_oldLogoFolders << folder;
    }
    // The offline file was read into the records just now.
    if (appState().offlineMode) {
        useChannels(m_channels, indexRecords(m_channels));
        return;
    }
    retireLoadedData();
    // Indexing a long list takes the GUI thread long (100,000 channels,
    // tens of milliseconds): it is done on a worker. The records become the
    // catalogue's together with their index, so nothing reads them half
    // indexed; a new load drops the watcher and with it the outcome.
    const QJsonArray records = result.toArray();
    auto *indexing = new QFutureWatcher<RecordIndex>(m_requests);
    connect(indexing, &QFutureWatcherBase::finished, this, [this, indexing, records] {
        indexing->deleteLater();
        useChannels(records, indexing->result());
    });
    indexing->setFuture(QtConcurrent::run(&ChannelCatalog::indexRecords, records));
    m_indexing = true;

    // The groups are asked for meanwhile; their answer waits for the index.
    JsonRpc *rpc = newCall();
    connect(rpc, &JsonRpc::done, this, [this](const QJsonValue &groups) {
        if (m_indexing)
            m_heldGroups = groups;
        else
            LoadGroupDone(groups);
    });
    rpc->getGroups(token);
}

ChannelCatalog::RecordIndex ChannelCatalog::indexRecords(const QJsonArray &records) {
    RecordIndex index;
    index.positions.reserve(records.size());
    for (int i = 0; i < records.size(); ++i) {
        const QJsonObject record = records.at(i).toObject();
        index.positions[record.value(idKey).toInt()].append(i);
        index.groupMembers[record.value(groupIdKey).toInt()].append(i);
        const int epgId = record.value(epgIdKey).toInt();
        if (epgId != 0)
            index.guideMembers[epgId].append(i);
    }
    return index;
}

void ChannelCatalog::useChannels(const QJsonArray &records, RecordIndex index) {
    m_channels = records;
    m_positions = std::move(index.positions);
    m_groupMembers = std::move(index.groupMembers);
    m_guideMembers = std::move(index.guideMembers);
    m_schedules.resize(m_channels.size());
    m_channelsInUse = true;
    m_indexing = false;

    // An offline playlist has no account and no addresses of logos or
    // programme data: nothing is asked of the service for it.
    if (!appState().offlineMode)
        startChannelRequests();
    removeOldLogosWhenIdle();
    emit channelsArrived();
    if (!m_heldGroups.isUndefined())
        LoadGroupDone(std::exchange(m_heldGroups, QJsonValue(QJsonValue::Undefined)));
}

void ChannelCatalog::startChannelRequests() {
    m_nextRequest = 0;
    m_requested.assign(size_t(m_channels.size()), false);
    m_requestedCount = 0;
    scheduleRequests();
}

void ChannelCatalog::scheduleRequests() {
    // Nothing is asked for before the load has set its requests up (never
    // for an offline playlist).
    if ((size_t(m_requestedCount) < m_requested.size() || !m_waitingGuides.isEmpty()) &&
        !m_requestTimer.isActive())
        m_requestTimer.start();
}

int ChannelCatalog::nextRequestPosition() {
    const auto take = [this](const QVector<int> &queue, int &next) {
        while (next < queue.size()) {
            const int position = queue.at(next++);
            if (position >= 0 && size_t(position) < m_requested.size() && !m_requested[position])
                return position;
        }
        return -1;
    };
    int position = take(m_nearRows, m_nextNear);
    if (position < 0)
        position = take(m_groupRows, m_nextGroupRow);
    while (position < 0 && size_t(m_nextRequest) < m_requested.size()) {
        if (!m_requested[m_nextRequest])
            position = m_nextRequest;
        ++m_nextRequest;
    }
    if (position >= 0) {
        m_requested[position] = true;
        ++m_requestedCount;
    }
    return position;
}

void ChannelCatalog::prioritise(const QVector<int> &positions) {
    if (size_t(m_requestedCount) >= m_requested.size())
        return;
    m_nearRows = positions;
    m_nextNear = 0;
    scheduleRequests();
}

void ChannelCatalog::setGroupOrder(const QVector<int> &positions) {
    m_groupRows = positions;
    m_nextGroupRow = 0;
}

void ChannelCatalog::sendRequestBatch() {
    QElapsedTimer slice;
    slice.start();
    for (;;) {
        // Programme requests held back for want of room go first, in the
        // order their channels were taken.
        while (!m_waitingGuides.isEmpty() && m_openGuides.size() < maxOpenGuides)
            startGuide(m_waitingGuides.takeFirst());
        // Logos do not wait for programme requests: a position is taken
        // while a logo may start, and its programme request waits if need
        // be, up to a bound that keeps the visible-first order of both.
        if (m_openLogos >= maxOpenLogos || m_waitingGuides.size() >= maxWaitingGuides)
            break;
        const int position = nextRequestPosition();
        if (position < 0)
            break;
        const QJsonObject record = m_channels.at(position).toObject();
        const QString pict = record.value(pictKey).toString();
        const int epgId = record.value(epgIdKey).toInt();
        const int id = record.value(idKey).toInt();
        // An empty address names no file to fetch.
        if (!pict.isEmpty()) {
            auto *logo = new LoadImageUrl(m_requests);
            connect(logo, &LoadImageUrl::GetImageDone, this, &ChannelCatalog::ImageDone);
            connect(logo, &LoadImageUrl::GetImageDone, logo, &QObject::deleteLater);
            // Done or failed, a download ends with its object.
            connect(logo, &QObject::destroyed, this, &ChannelCatalog::logoFinished);
            ++m_openLogos;
            logo->load(pict, id);
        }
        // A guide id already asked for in this load brings this channel's
        // programmes with the first channel's answer. Id 0 is looked up by
        // channel, so each of those is asked for on its own.
        if (epgId == 0 || !m_askedGuides.contains(epgId)) {
            if (epgId != 0)
                m_askedGuides.insert(epgId);
            if (m_openGuides.size() < maxOpenGuides)
                startGuide(position);
            else
                m_waitingGuides.append(position);
        }
        if (slice.elapsed() >= sliceMs) {
            scheduleRequests();
            break;
        }
    }
    endSessionWhenDone();
    // A playlist without logos has no logo's end to start the removal.
    removeOldLogosWhenIdle();
}

void ChannelCatalog::startGuide(int position) {
    const QJsonObject record = m_channels.at(position).toObject();
    auto *guide = new XmlUrl(m_requests);
    connect(guide, &XmlUrl::GetEpgDoneEmit, this, &ChannelCatalog::queueAnswer);
    m_openGuides.insert(guide);
    guide->installEventFilter(this);
    guide->requestEpg(token, QString::number(record.value(epgIdKey).toInt()),
                      record.value(idKey).toInt());
}

int ChannelCatalog::positionOf(int id) const {
    const auto found = m_positions.constFind(id);
    return found == m_positions.constEnd() ? -1 : found->first();
}

QVector<int> ChannelCatalog::positionsOf(int id) const {
    return m_positions.value(id);
}

QVector<int> ChannelCatalog::membersOf(int groupId) const {
    return m_groupMembers.value(groupId);
}

bool ChannelCatalog::hasMembers(int groupId) const {
    return m_groupMembers.contains(groupId);
}

bool ChannelCatalog::anyListed(const QJsonArray &ids) const {
    for (const QJsonValue &id : ids) {
        if (m_positions.contains(id.toString().toInt()))
            return true;
    }
    return false;
}

void ChannelCatalog::queueAnswer(int &id, const QJsonValue &result, XmlUrl &xmlUrl) {
    xmlUrl.deleteLater();
    guideFinished(&xmlUrl);
    // Answers that finish together would be read in one turn of the event
    // loop, a few milliseconds each: they are read a slice at a time.
    m_answers.append({id, result});
    if (!m_answerTimer.isActive())
        m_answerTimer.start();
}

void ChannelCatalog::readAnswers() {
    QElapsedTimer slice;
    slice.start();
    while (!m_answers.isEmpty() && slice.elapsed() < sliceMs) {
        const QPair<int, QJsonValue> answer = m_answers.takeFirst();
        storeSchedule(answer.first, answer.second);
    }
    if (m_answers.isEmpty())
        m_answerTimer.stop();
}

void ChannelCatalog::EpgDone(int &id, const QJsonValue &result, XmlUrl &xmlUrl) {
    xmlUrl.deleteLater();
    guideFinished(&xmlUrl);
    storeSchedule(id, result);
}

void ChannelCatalog::storeSchedule(int id, const QJsonValue &result) {
    const int position = positionOf(id);
    if (position < 0)
        return;
    const int epgId = m_channels.at(position).toObject().value(epgIdKey).toInt();
    const QVector<int> sharing =
        epgId != 0 ? m_guideMembers.value(epgId, {position}) : QVector<int>{position};
    // Read once into the load's compact form; the raw answer is not kept.
    if (!m_texts)
        m_texts = std::make_shared<EpgStringPool>();
    const auto schedule = std::make_shared<EpgSchedule>(result, m_texts);
    for (int member : sharing) {
        m_schedules[member] = schedule;
        emit scheduleArrived(member);
    }
}

void ChannelCatalog::ImageDone(int &id, QString &path) {
    const int position = positionOf(id);
    if (position < 0)
        return;
    QJsonObject record = m_channels.at(position).toObject();
    record.insert(pictKey, path);
    m_channels.replace(position, record);
    emit logoArrived(position, path);
}

void ChannelCatalog::LoadGroupDone(const QJsonValue &result) {
    m_groupsLoaded = true;
    endSessionWhenDone();

    QJsonArray listed;
    const QJsonArray received = result.toArray();
    for (const QJsonValue &value : received) {
        // A group without channels is not listed, nor one whose id does not
        // read as a number above 0: 0 is the favourites' own, and a group
        // taken for them would come and go with the order of the answers.
        const int id = value.toObject().value(idKey).toInt();
        if (id > 0 && m_groupMembers.contains(id))
            listed.append(value);
    }
    emit groupsArrived(listed);
    m_groupsArrived = true;
    finishLoadWhenReady();
}

void ChannelCatalog::finishLoadWhenReady() {
    if (!m_groupsArrived || m_pendingReads > 0 || m_loadFinished)
        return;
    m_loadFinished = true;
    emit loadFinished();
}

const EpgSchedule &ChannelCatalog::scheduleAt(int position) {
    std::shared_ptr<EpgSchedule> &schedule = m_schedules[position];
    if (!schedule) {
        // Records without programme data (all of an offline playlist)
        // share one empty schedule.
        static const EpgSchedule none;
        const QJsonValue epg = m_channels.at(position).toObject().value(epgKey);
        if (!epg.isArray())
            return none;
        if (!m_texts)
            m_texts = std::make_shared<EpgStringPool>();
        schedule = std::make_shared<EpgSchedule>(epg, m_texts);
    }
    return *schedule;
}

std::shared_ptr<const EpgSchedule> ChannelCatalog::scheduleAtPosition(int position) const {
    if (position < 0 || size_t(position) >= m_schedules.size())
        return nullptr;
    return m_schedules[position];
}

std::shared_ptr<const EpgSchedule> ChannelCatalog::scheduleOf(int channelId) const {
    return scheduleAtPosition(positionOf(channelId));
}

void ChannelCatalog::GetFavoriteDone(const QJsonValue &result) {
    setFavoritesRead(ChannelMarks::decode(result));
}

void ChannelCatalog::GetPrivateDone(const QJsonValue &result) {
    setPrivateRead(ChannelMarks::decode(result));
}

void ChannelCatalog::setFavoritesRead(const QJsonArray &ids) {
    favoriteIds = ids;
    m_favoritesKnown = true;
    emit favoritesRead();
}

void ChannelCatalog::setPrivateRead(const QJsonArray &ids) {
    privateIds = ids;
    m_privateKnown = true;
}

void ChannelCatalog::GetParentPasswordDone(const QJsonValue &result) {
    appState().parentPassword = result.toString();
}
