#include "channels/HomeWidget.h"

#include "app/AppState.h"
#include "app/Clock.h"
#include "app/DataPaths.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SettingsKeys.h"
#include "channels/ChannelCatalog.h"
#include "channels/ChannelKeys.h"
#include "channels/ChannelMarks.h"
#include "channels/ChannelRecordKeys.h"
#include "channels/ChannelSearchBar.h"
#include "channels/GroupItemDelegate.h"
#include "channels/ListItemDelegate.h"
#include "channels/LoadImageUrl.h"
#include "channels/PlayListToolBar.h"
#include "channels/WatchHistory.h"
#include "epg/EpgSchedule.h"
#include "epg/EpgWidget.h"
#include "epg/XmlUrl.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerToolBar.h"
#include "player/PlayerWidget.h"
#include "service/ServiceError.h"
#include "settings/DialogMainSettings.h"
#include "ui_HomeWidget.h"
#include "widgets/AlertFrame.h"
#include "widgets/KineticScrolling.h"
#include "widgets/SharedOverlay.h"

#include <QCoreApplication>
#include <QDebug>
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

namespace {

constexpr int barHeight = 50;
constexpr int leftPanelWidth = 420;
constexpr int channelRowHeight = 70;
constexpr int refreshInterval = 60000;

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

using namespace ChannelRecordKeys;

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
    for (QListWidget *list : std::initializer_list<QListWidget *>{ui->listWidget, ui->listWidget_2})
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

    m_catalog = new ChannelCatalog(this);
    connect(m_catalog, &ChannelCatalog::cleared, this, &HomeWidget::forgetShownRows);
    connect(m_catalog, &ChannelCatalog::channelsArrived, this, &HomeWidget::startRefreshTimer);
    connect(m_catalog, &ChannelCatalog::groupsArrived, this, &HomeWidget::showArrivedGroups);
    connect(m_catalog, &ChannelCatalog::logoArrived, this, &HomeWidget::showArrivedLogo);
    connect(m_catalog, &ChannelCatalog::scheduleArrived, this, &HomeWidget::showArrivedSchedule);
    connect(m_catalog, &ChannelCatalog::favoritesRead, this, &HomeWidget::showFavoritesRead);
    connect(m_catalog, &ChannelCatalog::loadFinished, this, &HomeWidget::finishLoad);
    connect(m_catalog, &ChannelCatalog::loadFailed, this, &HomeWidget::showLoadFailure);
}

HomeWidget::~HomeWidget() {
    // The catalogue's answers are shown by this page, and the widget base
    // would delete it only after this page has stopped being one.
    delete m_catalog;
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
    return m_catalog->requestsPending();
}

const QJsonArray &HomeWidget::channelRecords() const {
    return m_catalog->channels();
}

QJsonArray &HomeWidget::favoriteList() {
    return m_catalog->favoriteList();
}

QJsonArray &HomeWidget::privateList() {
    return m_catalog->privateList();
}

bool HomeWidget::favoritesKnown() const {
    return m_catalog->favoritesKnown();
}

bool HomeWidget::privateKnown() const {
    return m_catalog->privateKnown();
}

QString HomeWidget::logoCacheDirectory() {
    return LoadImageUrl::cacheDirectory();
}

void HomeWidget::forgetShownRows() {
    // The rows' positions name records of a load that is gone.
    shownChannels = QJsonArray();
    m_shownPositions.clear();
    m_shownRows.clear();
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
    groups = QJsonArray();
    m_channelDelegate->forgetLogos();
    if (refreshTimerId) {
        killTimer(refreshTimerId);
        refreshTimerId = 0;
    }
    m_playListBar->setMarksAvailable(!state.offlineMode);
    m_playListBar->setFavorite(false);
    m_playListBar->setPrivate(false);
    // An offline playlist is read, and shown, before this returns.
    m_catalog->reload();
}

void HomeWidget::LoginDone(const QJsonValue &result) {
    m_catalog->LoginDone(result);
}

void HomeWidget::rpcError(const QString &message) {
    m_catalog->rpcError(message);
}

void HomeWidget::showLoadFailure(const QString &error) {
    // Nothing more comes for this load: the page takes clicks again.
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
    m_catalog->LoadChanelDone(result);
}

void HomeWidget::startRefreshTimer() {
    if (refreshTimerId)
        killTimer(refreshTimerId);
    refreshTimerId = startTimer(refreshInterval, Qt::CoarseTimer);
}

void HomeWidget::prioritiseVisibleRows() {
    if (!m_catalog->requestsPending() || m_shownPositions.isEmpty())
        return;
    int first = 0;
    int screen = 0;
    rowsOnScreen(&first, &screen);
    const int count = m_shownPositions.size();
    QVector<int> near;
    const auto add = [this, count, &near](int from, int to) {
        for (int row = std::max(0, from); row < std::min(count, to); ++row)
            near.append(m_shownPositions.at(row));
    };
    add(first, first + screen);
    add(first + screen, first + 2 * screen);
    add(first - screen, first);
    m_catalog->prioritise(near);
}

void HomeWidget::EpgDone(int &id, const QJsonValue &result, XmlUrl &xmlUrl) {
    m_catalog->EpgDone(id, result, xmlUrl);
}

void HomeWidget::showArrivedSchedule(int position) {
    updateRowsOf(position);
    if (m_player)
        m_player->updateChannel(m_catalog->channels().at(position).toObject());
}

void HomeWidget::ImageDone(int &id, QString &path) {
    m_catalog->ImageDone(id, path);
}

void HomeWidget::showArrivedLogo(int position, const QString &path) {
    m_channelDelegate->forgetLogo(path);
    updateRowsOf(position);
    if (m_player)
        m_player->updateChannel(m_catalog->channels().at(position).toObject());
}

void HomeWidget::LoadGroupDone(const QJsonValue &result) {
    m_catalog->LoadGroupDone(result);
}

void HomeWidget::showArrivedGroups(const QJsonArray &received) {
    // The favourites read before the channels came: now it shows whether
    // any of them is in this playlist.
    if (hasFavoritesGroup() && !m_catalog->anyListed(m_catalog->favoriteList()))
        removeFavoritesGroup();
    for (const QJsonValue &value : received) {
        groups.append(value);
        ui->listWidget_2->addItem(groupRow(value.toObject().value(titleKey).toString()));
    }
    addRecentGroup();
    showGroup(0);
}

void HomeWidget::finishLoad() {
    SharedOverlay::hideBusy();
    resumeLastChannel();
    emit groupsShown();
}

void HomeWidget::appendChannelRow(int position, const QDateTime &now) {
    const QJsonObject record = m_catalog->channels().at(position).toObject();
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
    const QJsonObject record = m_catalog->channels().at(position).toObject();
    const EpgProgramme programme = m_catalog->scheduleAt(position).current(now);
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
    const QJsonValue record = m_catalog->channels().at(position);
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
            const int position = m_catalog->positionOf(id);
            if (position >= 0)
                appendChannelRow(position, now);
        }
    } else if (groupId != 0) {
        const QVector<int> members = m_catalog->membersOf(groupId);
        for (int position : members)
            appendChannelRow(position, now);
    } else {
        for (const QJsonValue &favorite : qAsConst(m_catalog->favoriteList())) {
            const QVector<int> positions = m_catalog->positionsOf(favorite.toString().toInt());
            for (int position : positions)
                appendChannelRow(position, now);
        }
    }
    ui->listWidget_2->setCurrentRow(row);
    // What is on screen is asked for first, then the rest of the group.
    m_catalog->setGroupOrder(m_shownPositions);
    prioritiseVisibleRows();
}

void HomeWidget::showPositions(const QVector<int> &positions) {
    ui->listWidget->clear();
    shownChannels = QJsonArray();
    m_shownPositions.clear();
    m_shownRows.clear();
    const QDateTime now = Clock::now();
    for (int position : positions) {
        if (position >= 0 && position < m_catalog->channels().size())
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
    return m_catalog->channels().at(m_shownPositions.at(row)).toObject();
}

QJsonArray HomeWidget::currentChannelDays() const {
    const int row = currentChannelRow();
    if (row < 0 || row >= m_shownPositions.size())
        return QJsonArray();
    const std::shared_ptr<const EpgSchedule> schedule =
        m_catalog->scheduleAtPosition(m_shownPositions.at(row));
    if (schedule)
        return schedule->days();
    // A record that came with its programmes (read once into its schedule
    // by the first row that showed it).
    return EpgSchedule(currentChannel().value(epgKey)).days();
}

std::shared_ptr<const EpgSchedule> HomeWidget::scheduleOf(int channelId) const {
    return m_catalog->scheduleOf(channelId);
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
    if (adult || !m_catalog->privateKnown() ||
        ChannelMarks::contains(m_catalog->privateList(), record.value(idKey).toInt())) {
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
    if (std::none_of(recent.begin(), recent.end(),
                     [this](int id) { return m_catalog->positionOf(id) >= 0; }))
        return;
    // Last in the strip, so that the rows before it keep their numbers.
    const QString title = msg("recent");
    groups.append(QJsonObject{{idKey, WatchHistory::groupId}, {nameKey, title}, {titleKey, title}});
    ui->listWidget_2->addItem(groupRow(title));
}

void HomeWidget::resumeLastChannel() {
    const QVector<int> recent = WatchHistory::channels(WatchHistory::currentPlaylistKey());
    // Until the private list is read any channel may be private.
    if (recent.isEmpty() || !m_catalog->privateKnown() || !WatchHistory::resumeEnabled())
        return;
    const int position = m_catalog->positionOf(recent.first());
    if (position < 0)
        return;
    const QJsonObject record = m_catalog->channels().at(position).toObject();
    // A private or adult channel waits until it is asked for with the
    // password: it never starts by itself.
    if (ChannelMarks::isAdult(record.value(adultKey)) ||
        ChannelMarks::contains(m_catalog->privateList(), recent.first()))
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
    m_catalog->GetFavoriteDone(result);
}

void HomeWidget::GetPrivateDone(const QJsonValue &result) {
    m_catalog->GetPrivateDone(result);
}

void HomeWidget::setFavoritesRead(const QJsonArray &ids) {
    m_catalog->setFavoritesRead(ids);
}

void HomeWidget::showFavoritesRead() {
    if (hasFavoritesGroup() || !m_catalog->channels().isEmpty())
        refreshFavoritesGroup();
    else if (!m_catalog->favoriteList().isEmpty())
        insertFavoritesGroup();
}

void HomeWidget::setPrivateRead(const QJsonArray &ids) {
    m_catalog->setPrivateRead(ids);
}

void HomeWidget::GetParentPasswordDone(const QJsonValue &result) {
    m_catalog->GetParentPasswordDone(result);
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
        if (!m_catalog->anyListed(m_catalog->favoriteList())) {
            removeFavoritesGroup();
            showGroup(0);
        }
    } else if (m_catalog->anyListed(m_catalog->favoriteList())) {
        insertFavoritesGroup();
    }
}

void HomeWidget::showMarksOfCurrentChannel() {
    if (!m_playListBar)
        return;
    const int id = currentChannel().value(idKey).toInt();
    const bool channel = currentChannelRow() >= 0;
    m_playListBar->setFavorite(channel && ChannelMarks::contains(m_catalog->favoriteList(), id));
    m_playListBar->setPrivate(channel && ChannelMarks::contains(m_catalog->privateList(), id));
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
