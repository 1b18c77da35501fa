#include "channels/HomeWidget.h"

#include "app/AppState.h"
#include "app/Clock.h"
#include "app/DataPaths.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SettingsKeys.h"
#include "channels/ChannelKeys.h"
#include "channels/ChannelMarks.h"
#include "channels/ChannelSearchBar.h"
#include "channels/GroupItemDelegate.h"
#include "channels/ListItemDelegate.h"
#include "channels/LoadImageUrl.h"
#include "channels/OfflinePlaylistReader.h"
#include "channels/PlayListToolBar.h"
#include "channels/WatchHistory.h"
#include "epg/EpgSchedule.h"
#include "epg/EpgStringPool.h"
#include "epg/EpgWidget.h"
#include "epg/XmlUrl.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerToolBar.h"
#include "player/PlayerWidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceError.h"
#include "settings/DialogMainSettings.h"
#include "ui_HomeWidget.h"
#include "widgets/AlertFrame.h"
#include "widgets/KineticScrolling.h"
#include "widgets/SharedOverlay.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QScroller>
#include <QSettings>
#include <QSplitter>
#include <QStyleOption>
#include <QTimerEvent>
#include <QTranslator>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr int barHeight = 50;
constexpr int leftPanelWidth = 420;
constexpr int channelRowHeight = 70;
constexpr int refreshInterval = 60000;
// Per-channel work (starting requests, releasing what an earlier load left)
// is done in slices of about this many milliseconds, one slice per turn of
// the event loop.
constexpr int sliceMs = 3;
// Programme requests and logo downloads under way at once. Answers that
// arrive while the window is busy wait in the event queue and are handled
// in one go, so a small number keeps every turn of the event loop short;
// it still keeps the service's connections busy.
constexpr int maxOpenGuides = 12;
constexpr int maxOpenLogos = 12;

const QString idKey = QStringLiteral("id");
const QString titleKey = QStringLiteral("title");
const QString nameKey = QStringLiteral("name");
const QString groupIdKey = QStringLiteral("group_id");
const QString pictKey = QStringLiteral("pict");
const QString epgKey = QStringLiteral("epg");
const QString epgIdKey = QStringLiteral("epg_id");
const QString hrefKey = QStringLiteral("href");
const QString adultKey = QStringLiteral("adult");

// Item data of a group row: 257 is "1" on the row that holds the playing
// channel.
constexpr int groupPlayingRole = Qt::UserRole + 1;

QListWidgetItem *groupRow(const QString &title) {
    auto *item = new QListWidgetItem(title);
    item->setData(groupPlayingRole, QStringLiteral("0"));
    return item;
}

QJsonObject favoritesGroup() {
    const QString title = msg("favorites");
    return QJsonObject{{QStringLiteral("id"), 0},
                       {QStringLiteral("name"), title},
                       {QStringLiteral("title"), title}};
}

} // namespace

HomeWidget *homePage() {
    return appState().homeWidget.data();
}

HomeWidget::HomeWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::HomeWidget) {
    AppState &state = appState();
    state.homeWidget = this;
    state.dialogCreated = false;

    ui->setupUi(this);
    for (QListWidget *list : {ui->listWidget, ui->listWidget_2})
        list->setAttribute(Qt::WA_MacShowFocusRect, false);
    connect(ui->listWidget, &QListWidget::itemDoubleClicked, this,
            &HomeWidget::chnaelListDoubleClick);
    connect(ui->listWidget_2, &QListWidget::itemClicked, this, &HomeWidget::groupListClick);
    connect(ui->listWidget, &QListWidget::customContextMenuRequested, this,
            &HomeWidget::ShowContextMenu);
    // The toggles follow the current channel however it became current:
    // a click, the arrow keys, next or previous.
    connect(ui->listWidget, &QListWidget::currentRowChanged, this,
            &HomeWidget::showMarksOfCurrentChannel);
    // Rows scrolled into view are brought up to date, and asked for before
    // the rest.
    connect(ui->listWidget->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] {
        refreshRows();
        prioritiseVisibleRows();
    });

    // One delegate each for the lists' whole life: the channel delegate
    // keeps the scaled logos between rebuilds of the rows.
    m_channelDelegate = new ListItemDelegate(ui->listWidget);
    m_channelDelegate->mode = ListItemDelegate::ChannelMode;
    ui->listWidget->setItemDelegate(m_channelDelegate);
    // Every row is 70 pixels high: the view need not ask each one.
    ui->listWidget->setUniformItemSizes(true);
    ui->listWidget_2->setItemDelegate(new GroupItemDelegate(ui->listWidget_2));

    m_epgPanel = new EpgWidget(this);
    m_epgPanel->hide();

    m_requestTimer.setInterval(0);
    m_requestTimer.setSingleShot(true);
    connect(&m_requestTimer, &QTimer::timeout, this, &HomeWidget::sendRequestBatch);
    m_cleanupTimer.setInterval(0);
    connect(&m_cleanupTimer, &QTimer::timeout, this, &HomeWidget::releaseLeftovers);
}

HomeWidget::~HomeWidget() {
    // The requests report to this page when they end, and the widget base
    // would delete them only after this page has stopped being one.
    delete m_requests;
}

QListWidget *HomeWidget::channelList() const {
    return ui->listWidget;
}

QListWidget *HomeWidget::groupList() const {
    return ui->listWidget_2;
}

void HomeWidget::start() {
    if (!m_built)
        buildPage();
    else
        reload();
}

void HomeWidget::buildPage() {
    m_built = true;
    m_player = new PlayerWidget(this);
    m_player->setGeometry(rect());
    m_player->show();

    m_leftPanel = new QWidget;
    auto *leftLayout = new QVBoxLayout(m_leftPanel);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    m_playListBar = new PlayListToolBar;
    m_playListBar->setFixedHeight(barHeight);
    ui->listWidget_2->setFixedHeight(barHeight);
    m_searchBar = new ChannelSearchBar(this);
    leftLayout->addWidget(ui->listWidget_2);
    leftLayout->addWidget(m_searchBar);
    leftLayout->addWidget(ui->listWidget);
    leftLayout->addWidget(m_playListBar);
    m_leftPanel->setMinimumWidth(leftPanelWidth);
    m_leftPanel->setMaximumWidth(leftPanelWidth);

    m_rightPanel = new QWidget;
    m_rightLayout = new QVBoxLayout(m_rightPanel);
    m_rightLayout->setContentsMargins(0, 0, 0, 0);
    m_rightLayout->setSpacing(0);
    // The toolbars find the player through this page, so it comes first.
    m_topBar = new PlayerToolBar(this);
    m_topBar->setFixedHeight(barHeight);
    m_bottomBar = new PlayerButtomToolBar(this);
    m_bottomBar->setFixedHeight(barHeight);
    m_rightLayout->addWidget(m_topBar);
    m_rightLayout->addWidget(m_player);
    m_rightLayout->addWidget(m_bottomBar);
    m_keys = new ChannelKeys(this);

    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->addWidget(m_leftPanel);
    m_splitter->addWidget(m_rightPanel);
    auto *pageLayout = new QVBoxLayout(this);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    pageLayout->setSpacing(0);
    pageLayout->addWidget(m_splitter);

    ui->listWidget->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    ui->listWidget_2->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    KineticScrolling::enable(ui->listWidget, QScroller::TouchGesture);
    KineticScrolling::enable(ui->listWidget_2, QScroller::TouchGesture);

    ui->listWidget_2->setStyleSheet(QStringLiteral("background: rgb(98,136,166);"));
    ui->listWidget->setStyleSheet(QStringLiteral("background: rgb(255,255,255);"));
    updatePlaylistName();

    reload();
}

void HomeWidget::stop() {
    if (refreshTimerId) {
        killTimer(refreshTimerId);
        refreshTimerId = 0;
    }
    if (m_player)
        m_player->stopPlayback();
}

bool HomeWidget::requestsPending() const {
    return m_requestedCount < channels.size() && !appState().offlineMode;
}

QString HomeWidget::logoCacheDirectory() {
    return LoadImageUrl::cacheDirectory();
}

void HomeWidget::cancelChannelRequests() {
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
    m_openLogos = 0;
    m_groupsLoaded = false;
    m_groupsArrived = false;
    m_loadFinished = false;
    m_pendingReads = 0;
    endSession();
}

void HomeWidget::retireLoadedData() {
    // Freeing a long playlist with a week of programmes per channel takes
    // seconds: it is handed over and released a slice at a time.
    shownChannels = QJsonArray();
    m_shownPositions.clear();
    m_shownRows.clear();
    m_guideMembers.clear();
    m_askedGuides.clear();
    if (!channels.isEmpty())
        m_oldChannels.append(std::move(channels));
    channels = QJsonArray();
    for (auto &schedule : m_schedules) {
        if (schedule)
            m_oldSchedules.push_back(std::move(schedule));
    }
    m_schedules.clear();
    m_texts.reset();
    m_positions.clear();
    m_groupMembers.clear();
    if (!m_oldChannels.isEmpty() || !m_oldSchedules.empty())
        m_cleanupTimer.start();
}

void HomeWidget::releaseLeftovers() {
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < sliceMs) {
        if (!m_oldSchedules.empty()) {
            m_oldSchedules.pop_back();
        } else if (!m_oldChannels.isEmpty()) {
            QJsonArray &records = m_oldChannels.last();
            if (records.isEmpty())
                m_oldChannels.removeLast();
            else
                records.removeLast();
        } else if (m_oldLogos) {
            if (m_oldLogos->hasNext()) {
                QFile::remove(m_oldLogos->next());
            } else {
                const QString folder = m_oldLogos->path();
                m_oldLogos.reset();
                QDir(folder).removeRecursively();
            }
        } else if (!m_oldLogoFolders.isEmpty()) {
            m_oldLogos = std::make_unique<QDirIterator>(m_oldLogoFolders.takeFirst(),
                                                        QDir::Files | QDir::Hidden);
        } else {
            m_cleanupTimer.stop();
            return;
        }
    }
}

void HomeWidget::endSession() {
    if (m_sessionToken.isEmpty())
        return;
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    rpc->logout(m_sessionToken);
    m_sessionToken.clear();
}

void HomeWidget::endSessionWhenDone() {
    // The programme requests use the session's token, the guide search
    // even after its first answer: the session ends once the groups are in
    // and every programme request has been sent and has finished.
    if (m_groupsLoaded && m_requestedCount >= channels.size() && m_openGuides.isEmpty())
        endSession();
}

void HomeWidget::guideFinished(QObject *guide) {
    if (m_openGuides.remove(guide)) {
        guide->removeEventFilter(this);
        scheduleRequests();
        endSessionWhenDone();
    }
}

void HomeWidget::logoFinished() {
    --m_openLogos;
    scheduleRequests();
}

bool HomeWidget::eventFilter(QObject *watched, QEvent *event) {
    // A programme fetcher releases each of its service calls once answered;
    // with none left it has either delivered, found nothing or failed.
    if (event->type() == QEvent::ChildRemoved && m_openGuides.contains(watched) &&
        watched->findChildren<JsonRpc *>(QString(), Qt::FindDirectChildrenOnly).isEmpty())
        guideFinished(watched);
    return QWidget::eventFilter(watched, event);
}

void HomeWidget::reload() {
    // The playlist page may ask before the main window has shown this page.
    if (!m_built) {
        buildPage();
        return;
    }
    AppState &state = appState();
    if (AlertFrame *old = state.alertFrame) {
        old->hideBusy();
        delete old;
    }
    auto *overlay = new AlertFrame(this);
    state.alertFrame = overlay;
    overlay->showBusy(this);

    m_player->stopPlayback();
    playingGroupRow = -1;
    ui->listWidget->clear();
    ui->listWidget_2->clear();
    retireLoadedData();
    groups = QJsonArray();
    favoriteIds = QJsonArray();
    privateIds = QJsonArray();
    // An offline playlist keeps no marks: its empty lists are all there is.
    m_favoritesKnown = state.offlineMode;
    m_privateKnown = state.offlineMode;
    m_channelDelegate->forgetLogos();
    if (refreshTimerId) {
        killTimer(refreshTimerId);
        refreshTimerId = 0;
    }
    cancelChannelRequests();
    m_playListBar->setMarksAvailable(!state.offlineMode);
    m_playListBar->setFavorite(false);
    m_playListBar->setPrivate(false);

    if (state.offlineMode) {
        loadOfflinePlaylist();
        return;
    }
    JsonRpc *rpc = newCall();
    connect(rpc, &JsonRpc::done, this, &HomeWidget::LoginDone);
    rpc->login(state.userName, state.password, state.deviceKey);
}

JsonRpc *HomeWidget::newCall(bool loadStep) {
    // Part of the current load: a new load drops it unanswered. Once
    // answered it goes by itself.
    auto *rpc = new JsonRpc(m_requests);
    if (loadStep) {
        connect(rpc, &JsonRpc::error, this, &HomeWidget::rpcError);
        // An answer that is no JSON object ends the load as a failure too.
        ServiceError::onUnanswered(rpc, this, [this] { failLoad(QString()); });
    } else {
        connect(rpc, &JsonRpc::error, this,
                [](const QString &message) { qDebug() << "channel marks not read:" << message; });
    }
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    return rpc;
}

void HomeWidget::loadOfflinePlaylist() {
    QJsonArray fileGroups;
    if (!OfflinePlaylistReader::read(DataPaths::resolve(appState().playlistSource), channels,
                                     fileGroups))
        qDebug() << "offline playlist cannot be read:" << appState().playlistSource;
    LoadChanelDone(QJsonValue(QString()));
    LoadGroupDone(fileGroups);
}

void HomeWidget::LoginDone(const QJsonValue &result) {
    token = result.toString();
    m_sessionToken = token;
    const int playlistId = appState().playlistId;

    JsonRpc *channelCall = newCall();
    connect(channelCall, &JsonRpc::done, this, &HomeWidget::LoadChanelDone);
    channelCall->getChannels(token, playlistId);

    const struct {
        QString key;
        void (HomeWidget::*slot)(const QJsonValue &);
    } reads[] = {
        {ChannelMarks::favoritesKey(playlistId), &HomeWidget::GetFavoriteDone},
        {ChannelMarks::privateKey(playlistId), &HomeWidget::GetPrivateDone},
        {ChannelMarks::parentPasswordKey(), &HomeWidget::GetParentPasswordDone},
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

void HomeWidget::rpcError(const QString &message) {
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

void HomeWidget::failLoad(const QString &error) {
    // Nothing more comes for this load: the session may end once the
    // programme requests are through, and the page takes clicks again.
    m_groupsLoaded = true;
    endSessionWhenDone();
    SharedOverlay::hideBusy();

    AppState &state = appState();
    PageFlow *window = state.pageFlow();
    const bool onMainWindow = window && window->page(PageFlow::HomePage) == this;
    QWidget *page = this;
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    // A stored choice the service no longer knows is forgotten, so that the
    // next start does not come back to the same refusal.
    switch (ServiceError::kind(error)) {
    case ServiceError::Kind::PlaylistGone:
        state.playlistId = 0;
        state.playlistName.clear();
        settings.setValue(SettingsKeys::playlistId, 0);
        settings.setValue(SettingsKeys::playlistName, QString());
        if (onMainWindow) {
            window->leaveMainMode(PageFlow::PlaylistPage);
            page = window->page(PageFlow::PlaylistPage);
        }
        break;
    case ServiceError::Kind::DeviceGone:
        state.deviceKey.clear();
        state.deviceName.clear();
        state.playlistId = 0;
        state.playlistName.clear();
        settings.setValue(SettingsKeys::deviceKey, QString());
        settings.setValue(SettingsKeys::deviceName, QString());
        settings.setValue(SettingsKeys::playlistId, 0);
        settings.setValue(SettingsKeys::playlistName, QString());
        if (onMainWindow) {
            window->leaveMainMode(PageFlow::DevicePage);
            page = window->page(PageFlow::DevicePage);
        }
        break;
    case ServiceError::Kind::WrongCredentials:
        // The password was changed elsewhere: the user name stays for the
        // sign-in page, the password is asked for again.
        state.password.clear();
        settings.setValue(SettingsKeys::userPassword, QString());
        if (onMainWindow) {
            window->leaveMainMode(PageFlow::SignInPage);
            page = window->page(PageFlow::SignInPage);
        }
        break;
    default:
        break;
    }
    settings.endGroup();
    SharedOverlay::showError(page, msg(ServiceError::messageKey(error)));
}

void HomeWidget::LoadChanelDone(const QJsonValue &result) {
    const bool offline = appState().offlineMode;
    // The logos of the last load are moved out of the way at once and
    // deleted a few at a time.
    const QStringList retired = LoadImageUrl::retireCache();
    for (const QString &folder : retired) {
        if (!m_oldLogoFolders.contains(folder) && !(m_oldLogos && m_oldLogos->path() == folder))
            m_oldLogoFolders << folder;
    }
    if (!m_oldLogoFolders.isEmpty())
        m_cleanupTimer.start();
    if (!offline) {
        retireLoadedData();
        channels = result.toArray();
    }

    m_schedules.resize(channels.size());
    m_positions.reserve(channels.size());
    for (int i = 0; i < channels.size(); ++i) {
        const QJsonObject record = channels.at(i).toObject();
        m_positions[record.value(idKey).toInt()].append(i);
        m_groupMembers[record.value(groupIdKey).toInt()].append(i);
        const int epgId = record.value(epgIdKey).toInt();
        if (epgId != 0)
            m_guideMembers[epgId].append(i);
    }

    // An offline playlist has no account and no addresses of logos or
    // programme data: nothing is asked of the service for it.
    if (!offline)
        startChannelRequests();

    if (!offline) {
        JsonRpc *rpc = newCall();
        connect(rpc, &JsonRpc::done, this, &HomeWidget::LoadGroupDone);
        rpc->getGroups(token);
    }

    if (refreshTimerId)
        killTimer(refreshTimerId);
    refreshTimerId = startTimer(refreshInterval, Qt::CoarseTimer);
}

void HomeWidget::startChannelRequests() {
    m_nextRequest = 0;
    m_requested.assign(size_t(channels.size()), false);
    m_requestedCount = 0;
    scheduleRequests();
}

void HomeWidget::scheduleRequests() {
    // Nothing is asked for before the load has set its requests up (never
    // for an offline playlist).
    if (size_t(m_requestedCount) < m_requested.size() && !m_requestTimer.isActive())
        m_requestTimer.start();
}

int HomeWidget::nextRequestPosition() {
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

void HomeWidget::prioritiseVisibleRows() {
    if (size_t(m_requestedCount) >= m_requested.size() || m_shownPositions.isEmpty())
        return;
    int first = 0;
    int screen = 0;
    rowsOnScreen(&first, &screen);
    const int count = m_shownPositions.size();
    m_nearRows.clear();
    m_nextNear = 0;
    const auto add = [this, count](int from, int to) {
        for (int row = std::max(0, from); row < std::min(count, to); ++row)
            m_nearRows.append(m_shownPositions.at(row));
    };
    add(first, first + screen);
    add(first + screen, first + 2 * screen);
    add(first - screen, first);
    scheduleRequests();
}

void HomeWidget::sendRequestBatch() {
    QElapsedTimer slice;
    slice.start();
    while (size_t(m_requestedCount) < m_requested.size() && m_openGuides.size() < maxOpenGuides &&
           m_openLogos < maxOpenLogos) {
        const int position = nextRequestPosition();
        if (position < 0)
            break;
        const QJsonObject record = channels.at(position).toObject();
        const QString pict = record.value(pictKey).toString();
        const int epgId = record.value(epgIdKey).toInt();
        const int id = record.value(idKey).toInt();
        // An empty address names no file to fetch.
        if (!pict.isEmpty()) {
            auto *logo = new LoadImageUrl(m_requests);
            connect(logo, &LoadImageUrl::GetImageDone, this, &HomeWidget::ImageDone);
            connect(logo, &LoadImageUrl::GetImageDone, logo, &QObject::deleteLater);
            // Done or failed, a download ends with its object.
            connect(logo, &QObject::destroyed, this, &HomeWidget::logoFinished);
            ++m_openLogos;
            logo->load(pict, id);
        }
        // A guide id already asked for in this load brings this channel's
        // programmes with the first channel's answer. Id 0 is looked up by
        // channel, so each of those is asked for on its own.
        if (epgId == 0 || !m_askedGuides.contains(epgId)) {
            if (epgId != 0)
                m_askedGuides.insert(epgId);
            auto *guide = new XmlUrl(m_requests);
            connect(guide, &XmlUrl::GetEpgDoneEmit, this, &HomeWidget::EpgDone);
            m_openGuides.insert(guide);
            guide->installEventFilter(this);
            guide->requestEpg(token, QString::number(epgId), id);
        }
        if (slice.elapsed() >= sliceMs) {
            scheduleRequests();
            break;
        }
    }
    endSessionWhenDone();
}

int HomeWidget::positionOf(int id) const {
    const auto found = m_positions.constFind(id);
    return found == m_positions.constEnd() ? -1 : found->first();
}

void HomeWidget::EpgDone(int &id, const QJsonValue &result, XmlUrl &xmlUrl) {
    xmlUrl.deleteLater();
    guideFinished(&xmlUrl);
    const int position = positionOf(id);
    if (position < 0)
        return;
    const int epgId = channels.at(position).toObject().value(epgIdKey).toInt();
    const QVector<int> sharing =
        epgId != 0 ? m_guideMembers.value(epgId, {position}) : QVector<int>{position};
    // Read once into the load's compact form; the raw answer is not kept.
    if (!m_texts)
        m_texts = std::make_shared<EpgStringPool>();
    const auto schedule = std::make_shared<EpgSchedule>(result, m_texts);
    for (int member : sharing) {
        m_schedules[member] = schedule;
        updateRowsOf(member);
        if (m_player)
            m_player->updateChannel(channels.at(member).toObject());
    }
}

void HomeWidget::ImageDone(int &id, QString &path) {
    const int position = positionOf(id);
    if (position < 0)
        return;
    QJsonObject record = channels.at(position).toObject();
    record.insert(pictKey, path);
    channels.replace(position, record);
    m_channelDelegate->forgetLogo(path);
    updateRowsOf(position);
    if (m_player)
        m_player->updateChannel(record);
}

void HomeWidget::LoadGroupDone(const QJsonValue &result) {
    m_groupsLoaded = true;
    endSessionWhenDone();

    // The favourites read before the channels came: now it shows whether
    // any of them is in this playlist.
    if (hasFavoritesGroup() && !anyFavoriteListed())
        removeFavoritesGroup();
    const QJsonArray received = result.toArray();
    for (const QJsonValue &value : received) {
        const QJsonObject group = value.toObject();
        // A group without channels is not listed, nor one whose id does not
        // read as a number above 0: 0 is the favourites' own, and a group
        // taken for them would come and go with the order of the answers.
        const int id = group.value(idKey).toInt();
        if (id <= 0 || !m_groupMembers.contains(id))
            continue;
        groups.append(group);
        ui->listWidget_2->addItem(groupRow(group.value(titleKey).toString()));
    }
    addRecentGroup();

    showGroup(0);
    m_groupsArrived = true;
    finishLoadWhenReady();
}

void HomeWidget::finishLoadWhenReady() {
    if (!m_groupsArrived || m_pendingReads > 0 || m_loadFinished)
        return;
    m_loadFinished = true;
    SharedOverlay::hideBusy();
    resumeLastChannel();
    emit groupsShown();
}

const EpgSchedule &HomeWidget::scheduleAt(int position) {
    std::shared_ptr<EpgSchedule> &schedule = m_schedules[position];
    if (!schedule) {
        // Records without programme data (all of an offline playlist)
        // share one empty schedule.
        static const EpgSchedule none;
        const QJsonValue epg = channels.at(position).toObject().value(epgKey);
        if (!epg.isArray())
            return none;
        if (!m_texts)
            m_texts = std::make_shared<EpgStringPool>();
        schedule = std::make_shared<EpgSchedule>(epg, m_texts);
    }
    return *schedule;
}

void HomeWidget::appendChannelRow(int position, const QDateTime &now) {
    const QJsonObject record = channels.at(position).toObject();
    m_shownRows[position].append(shownChannels.size());
    shownChannels.append(record);
    m_shownPositions.append(position);
    auto *item = new QListWidgetItem;
    fillRow(item, position, now);
    // The width must be a size for the hint to count; the view stretches
    // the row across the list anyway.
    item->setSizeHint(QSize(0, channelRowHeight));
    ui->listWidget->addItem(item);
}

void HomeWidget::fillRow(QListWidgetItem *item, int position, const QDateTime &now) {
    const QJsonObject record = channels.at(position).toObject();
    const EpgProgramme programme = scheduleAt(position).current(now);
    // setData() repaints only a role that changed, so an unchanged row
    // costs no paint at the minute refresh.
    item->setData(Qt::DisplayRole, record.value(titleKey).toString());
    // The number typed to zap to it: its place in the whole playlist.
    item->setData(ListItemDelegate::NumberRole, position + 1);
    item->setData(ListItemDelegate::ProgrammeRole, programme.value(QStringLiteral("name")));
    item->setData(ListItemDelegate::LogoRole, record.value(pictKey).toString());
    item->setData(ListItemDelegate::ElapsedRole, programme.value(QStringLiteral("start")));
    item->setData(ListItemDelegate::DurationRole, programme.value(QStringLiteral("duration")));
    const bool playing = record.value(idKey).toInt() == playingChannelId;
    item->setData(ListItemDelegate::PlayingRole,
                  playing ? QStringLiteral("1") : QStringLiteral("0"));
}

void HomeWidget::updateRowsOf(int position) {
    const auto rows = m_shownRows.constFind(position);
    if (rows == m_shownRows.constEnd())
        return;
    const QDateTime now = Clock::now();
    const QJsonValue record = channels.at(position);
    for (int row : *rows) {
        shownChannels.replace(row, record);
        if (QListWidgetItem *item = ui->listWidget->item(row))
            fillRow(item, position, now);
    }
}

void HomeWidget::showGroup(int row) {
    QListWidget *list = ui->listWidget;
    list->clear();
    shownChannels = QJsonArray();
    m_shownPositions.clear();
    m_shownRows.clear();

    const int groupId = groups.at(row).toObject().value(idKey).toInt();
    const QDateTime now = Clock::now();
    if (groupId == WatchHistory::groupId) {
        // Channels no longer in the playlist are left out.
        const QVector<int> recent = WatchHistory::channels(WatchHistory::currentPlaylistKey());
        for (int id : recent) {
            if (positionOf(id) >= 0)
                appendChannelRow(positionOf(id), now);
        }
    } else if (groupId != 0) {
        const QVector<int> members = m_groupMembers.value(groupId);
        for (int position : members)
            appendChannelRow(position, now);
    } else {
        for (const QJsonValue &favorite : qAsConst(favoriteIds)) {
            const QVector<int> positions = m_positions.value(favorite.toString().toInt());
            for (int position : positions)
                appendChannelRow(position, now);
        }
    }
    ui->listWidget_2->setCurrentRow(row);
    // What is on screen is asked for first, then the rest of the group.
    m_groupRows = m_shownPositions;
    m_nextGroupRow = 0;
    prioritiseVisibleRows();
}

void HomeWidget::showPositions(const QVector<int> &positions) {
    ui->listWidget->clear();
    shownChannels = QJsonArray();
    m_shownPositions.clear();
    m_shownRows.clear();
    const QDateTime now = Clock::now();
    for (int position : positions) {
        if (position >= 0 && position < channels.size())
            appendChannelRow(position, now);
    }
    ui->listWidget_2->setCurrentRow(-1);
}

void HomeWidget::groupListClick(QListWidgetItem *) {
    showGroup(ui->listWidget_2->currentRow());
}

int HomeWidget::currentChannelRow() const {
    return ui->listWidget->currentRow();
}

QJsonObject HomeWidget::currentChannel() const {
    const int row = currentChannelRow();
    if (row < 0 || row >= shownChannels.size())
        return QJsonObject();
    // The record as it is now: a logo or programme data may have come in
    // since the row was made.
    return channels.at(m_shownPositions.at(row)).toObject();
}

QJsonArray HomeWidget::currentChannelDays() const {
    const int row = currentChannelRow();
    if (row < 0 || row >= m_shownPositions.size())
        return QJsonArray();
    const std::shared_ptr<EpgSchedule> &schedule = m_schedules[m_shownPositions.at(row)];
    if (schedule)
        return schedule->days();
    // A record that came with its programmes (read once into its schedule
    // by the first row that showed it).
    return EpgSchedule(currentChannel().value(epgKey)).days();
}

std::shared_ptr<const EpgSchedule> HomeWidget::scheduleOf(int channelId) const {
    const int position = positionOf(channelId);
    if (position < 0 || size_t(position) >= m_schedules.size())
        return nullptr;
    return m_schedules[position];
}

EpgProgramme HomeWidget::programmeNow(const QJsonObject &channel) {
    const QJsonValue epg = channel.value(epgKey);
    if (epg.isArray())
        return EpgSchedule(epg).current(Clock::now());
    HomeWidget *home = homePage();
    const std::shared_ptr<const EpgSchedule> schedule =
        home ? home->scheduleOf(channel.value(idKey).toInt()) : nullptr;
    return schedule ? schedule->current(Clock::now()) : EpgSchedule::placeholders();
}

void HomeWidget::on_listWidget_itemClicked(QListWidgetItem *) {
    showMarksOfCurrentChannel();
    if (m_epgPanel->isVisible())
        m_epgPanel->refresh();
}

void HomeWidget::chnaelListDoubleClick(QListWidgetItem *) {
    const int row = currentChannelRow();
    if (row < 0 || row >= shownChannels.size())
        return;
    const QJsonObject record = shownChannels.at(row).toObject();
    const bool adult = ChannelMarks::isAdult(record.value(adultKey));
    // Compared as numbers, so that no spelling of an id in the stored list
    // lets a private channel play without the password. Until the private
    // list has been read every channel may be private: unknown is locked.
    if (adult || !m_privateKnown ||
        ChannelMarks::contains(privateIds, record.value(idKey).toInt())) {
        // The parental page plays the channel once the right password is in.
        auto *dialog = new DialogMainSettings(nullptr, true, true);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setModal(true);
        dialog->show();
        return;
    }
    playCurrentChannel();
}

int HomeWidget::playingRow() const {
    QListWidget *list = ui->listWidget;
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->data(ListItemDelegate::PlayingRole).toString() == QLatin1String("1"))
            return row;
    }
    return -1;
}

void HomeWidget::playCurrentChannel() {
    QListWidget *list = ui->listWidget;
    QListWidget *strip = ui->listWidget_2;
    const int row = currentChannelRow();
    if (row < 0 || row >= shownChannels.size() || !m_player)
        return;
    // The player's overlay keeps this copy: it gets the latest logo and
    // programme data.
    const QJsonObject record = currentChannel();

    for (int i = 0; i < shownChannels.size(); ++i) {
        if (shownChannels.at(i).toObject().value(idKey).toInt() == playingChannelId) {
            list->item(i)->setData(ListItemDelegate::PlayingRole, QStringLiteral("0"));
            break;
        }
    }
    // A search result belongs to no group on show: its own group takes the
    // mark, so that the strip still says where the channel plays.
    int markedGroup = strip->currentRow();
    for (int i = 0; markedGroup < 0 && i < groups.size(); ++i) {
        if (groups.at(i).toObject().value(idKey).toInt() ==
            record.value(QStringLiteral("group_id")).toInt())
            markedGroup = i;
    }
    if (QListWidgetItem *previous = strip->item(playingGroupRow))
        previous->setData(groupPlayingRole, QStringLiteral("0"));
    if (QListWidgetItem *group = strip->item(markedGroup))
        group->setData(groupPlayingRole, QStringLiteral("1"));
    list->item(row)->setData(ListItemDelegate::PlayingRole, QStringLiteral("1"));
    list->setCurrentRow(row);

    m_player->channel = record;
    m_player->playUrl(record.value(hrefKey).toString());
    if (m_epgPanel->isVisible() && m_topBar)
        m_topBar->toggleGuide();

    playingChannelId = record.value(idKey).toInt();
    playingGroupRow = markedGroup;
    WatchHistory::add(WatchHistory::currentPlaylistKey(), playingChannelId);
    addRecentGroup();
    // The rows take the new mark in place; the played row stays selected
    // and in view.
    refreshRows();
}

void HomeWidget::addRecentGroup() {
    for (const QJsonValue &group : qAsConst(groups)) {
        if (group.toObject().value(idKey).toInt() == WatchHistory::groupId)
            return;
    }
    const QVector<int> recent = WatchHistory::channels(WatchHistory::currentPlaylistKey());
    if (std::none_of(recent.begin(), recent.end(), [this](int id) { return positionOf(id) >= 0; }))
        return;
    // Last in the strip, so that the rows before it keep their numbers.
    const QString title = msg("recent");
    groups.append(QJsonObject{{idKey, WatchHistory::groupId}, {nameKey, title}, {titleKey, title}});
    ui->listWidget_2->addItem(groupRow(title));
}

void HomeWidget::resumeLastChannel() {
    const QVector<int> recent = WatchHistory::channels(WatchHistory::currentPlaylistKey());
    // Until the private list is read any channel may be private.
    if (recent.isEmpty() || !m_privateKnown || !WatchHistory::resumeEnabled())
        return;
    const int position = positionOf(recent.first());
    if (position < 0)
        return;
    const QJsonObject record = channels.at(position).toObject();
    // A private or adult channel waits until it is asked for with the
    // password: it never starts by itself.
    if (ChannelMarks::isAdult(record.value(adultKey)) ||
        ChannelMarks::contains(privateIds, recent.first()))
        return;
    const int groupId = record.value(groupIdKey).toInt();
    for (int row = 0; row < groups.size(); ++row) {
        if (groups.at(row).toObject().value(idKey).toInt() != groupId)
            continue;
        showGroup(row);
        ui->listWidget->setCurrentRow(m_shownRows.value(position).value(0, -1));
        playCurrentChannel();
        return;
    }
}

void HomeWidget::playAt(int row) {
    QListWidget *list = ui->listWidget;
    list->setCurrentRow(row);
    // The same checks as a double-click: a private channel asks first.
    chnaelListDoubleClick(list->item(row));
}

void HomeWidget::playNext() {
    const int count = ui->listWidget->count();
    const int row = playingRow();
    if (row < 0 || count == 0)
        return;
    playAt(row + 1 < count ? row + 1 : 0);
}

void HomeWidget::playPrevious() {
    const int count = ui->listWidget->count();
    const int row = playingRow();
    if (row < 0 || count == 0)
        return;
    playAt(row > 0 ? row - 1 : count - 1);
}

void HomeWidget::timerEvent(QTimerEvent *event) {
    if (event->timerId() != refreshTimerId || refreshTimerId == 0)
        return;
    // Search results have no group but are refreshed all the same.
    if (ui->listWidget_2->currentRow() < 0 && m_shownPositions.isEmpty())
        return;
    refreshRows();
}

void HomeWidget::rowsOnScreen(int *first, int *count) const {
    QListWidget *list = ui->listWidget;
    // The view finds the row at a point from the scroll position alone, as
    // every row is as high as the others.
    const QModelIndex top = list->indexAt(QPoint(0, 0));
    *first = top.isValid() ? top.row() : 0;
    *count = list->viewport()->height() / channelRowHeight + 2;
}

void HomeWidget::refreshRows() {
    // The rows are brought up to date in place: the selection, the scroll
    // position and the rows' items stay as they are. Only the rows on
    // screen and a screen either side are: the others are when they scroll
    // into view, so that a tick costs as much for a group of a hundred
    // thousand channels as for one of twenty.
    QListWidget *list = ui->listWidget;
    const QDateTime now = Clock::now();
    int first = 0;
    int screen = 0;
    rowsOnScreen(&first, &screen);
    const int end = std::min({list->count(), int(m_shownPositions.size()), first + 2 * screen});
    for (int row = std::max(0, first - screen); row < end; ++row)
        fillRow(list->item(row), m_shownPositions.at(row), now);
}

void HomeWidget::GetFavoriteDone(const QJsonValue &result) {
    setFavoritesRead(ChannelMarks::decode(result));
}

void HomeWidget::GetPrivateDone(const QJsonValue &result) {
    setPrivateRead(ChannelMarks::decode(result));
}

void HomeWidget::setFavoritesRead(const QJsonArray &ids) {
    favoriteIds = ids;
    m_favoritesKnown = true;
    if (hasFavoritesGroup() || !channels.isEmpty())
        refreshFavoritesGroup();
    else if (!favoriteIds.isEmpty())
        insertFavoritesGroup();
}

void HomeWidget::setPrivateRead(const QJsonArray &ids) {
    privateIds = ids;
    m_privateKnown = true;
}

void HomeWidget::GetParentPasswordDone(const QJsonValue &result) {
    appState().parentPassword = result.toString();
}

bool HomeWidget::hasFavoritesGroup() const {
    return !groups.isEmpty() && groups.at(0).toObject().value(idKey).toInt() == 0;
}

void HomeWidget::insertFavoritesGroup() {
    if (hasFavoritesGroup())
        return;
    const QJsonObject group = favoritesGroup();
    groups.insert(0, group);
    ui->listWidget_2->insertItem(0, groupRow(group.value(nameKey).toString()));
    // The rows below moved down by one, the playing one too.
    if (playingGroupRow >= 0)
        ++playingGroupRow;
}

bool HomeWidget::anyFavoriteListed() const {
    for (const QJsonValue &favorite : favoriteIds) {
        if (m_positions.contains(favorite.toString().toInt()))
            return true;
    }
    return false;
}

void HomeWidget::removeFavoritesGroup() {
    delete ui->listWidget_2->takeItem(0);
    groups.removeAt(0);
    if (playingGroupRow == 0)
        playingGroupRow = -1;
    else if (playingGroupRow > 0)
        --playingGroupRow;
}

void HomeWidget::refreshFavoritesGroup() {
    QListWidget *strip = ui->listWidget_2;
    // Ids that name no channel of this playlist (removed from it since)
    // make no group: it would open empty.
    if (hasFavoritesGroup()) {
        const int current = strip->currentRow();
        if (current >= 0 && groups.at(current).toObject().value(idKey).toInt() == 0)
            showGroup(current);
        if (!anyFavoriteListed()) {
            removeFavoritesGroup();
            showGroup(0);
        }
    } else if (anyFavoriteListed()) {
        insertFavoritesGroup();
    }
}

void HomeWidget::showMarksOfCurrentChannel() {
    if (!m_playListBar)
        return;
    const int id = currentChannel().value(idKey).toInt();
    const bool channel = currentChannelRow() >= 0;
    m_playListBar->setFavorite(channel && ChannelMarks::contains(favoriteIds, id));
    m_playListBar->setPrivate(channel && ChannelMarks::contains(privateIds, id));
}

void HomeWidget::ShowContextMenu(const QPoint &) {}

void HomeWidget::toggleEpgPanel() {
    if (!m_player)
        return;
    const bool show = m_epgPanel->isHidden();
    // Over the player wherever it is (the right panel, or the page while
    // full screen).
    QWidget *area = m_player->parentWidget();
    if (m_epgPanel->parentWidget() != area)
        m_epgPanel->setParent(area);
    // The picture is drawn into a window of its own: the guide needs one
    // too to stay above it.
    m_epgPanel->setAttribute(Qt::WA_NativeWindow);
    m_epgPanel->setGeometry(m_player->geometry());
    m_epgPanel->setVisible(show);
    m_epgPanel->raise();
    m_epgPanel->refresh();
}

void HomeWidget::reloadTranslator() {
    PageFlow *window = appState().pageFlow();
    if (!window)
        return;
    QTranslator *translator = window->translator();
    QCoreApplication::removeTranslator(translator);
    const QString language = appState().language;
    // The working folder is tried first, then where the catalogues were
    // installed (beside the program or under share/vantero).
    if (!translator->load(language, QStringLiteral(".")))
        translator->load(language, DataPaths::dataDirectory());
    QCoreApplication::installTranslator(translator);
    if (m_topBar)
        m_topBar->retranslate();
}

void HomeWidget::updatePlaylistName() {
    if (m_playListBar)
        m_playListBar->setPlaylistName();
}

void HomeWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void HomeWidget::toggleFullScreen() {
    if (!m_built)
        return;
    QWidget *win = window();
    if (win->isFullScreen()) {
        win->showMaximized();
        m_splitter->show();
        m_rightLayout->addWidget(m_player);
        m_rightLayout->addWidget(m_bottomBar);
        // The bar may have been hidden by the player while it was full screen.
        m_player->show();
        m_bottomBar->show();
        return;
    }
    win->showFullScreen();
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect area(QPoint(0, 0), screen ? screen->size() : win->size());
    if (win != this && parentWidget())
        parentWidget()->setGeometry(area);
    m_splitter->hide();
    m_player->setParent(this);
    m_player->show();
    m_player->setGeometry(area);
    m_bottomBar->setParent(m_player);
    // It lies over the picture, which the engine paints in a window of its
    // own: the bar needs a window too to stay visible.
    m_bottomBar->setAttribute(Qt::WA_NativeWindow);
    m_bottomBar->show();
    // The page takes the screen's size only once the window system has
    // answered; the player already has it.
    m_bottomBar->setGeometry(0, area.height() - m_bottomBar->height(), area.width(),
                             m_bottomBar->height());
    m_bottomBar->raise();
}
