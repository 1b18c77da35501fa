#include "channels/PlayListToolBar.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "channels/ChannelMarks.h"
#include "channels/HomeWidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceError.h"
#include "settings/DialogMainSettings.h"
#include "ui_PlayListToolBar.h"
#include "widgets/AlertFrame.h"
#include "widgets/SharedOverlay.h"

#include <QDebug>
#include <QJsonObject>
#include <QPainter>
#include <QStyleOption>

namespace {

const QString favoriteMarked =
    QStringLiteral("QPushButton{border-image: url(:/favorite_sel);}QPushButton:pressed{border: 2px "
                   "rgb(75,75,75);}QPushButton:hover{border-image: url(:/favorite);}");
const QString favoriteUnmarked =
    QStringLiteral("QPushButton{border-image: url(:/favorite);}QPushButton:pressed{border: 2px "
                   "rgb(75,75,75);}QPushButton:hover{border-image: url(:/favorite_sel);}");
const QString privateMarked = QStringLiteral(
    "QPushButton{border-image: url(:/tv_password_sel);}QPushButton:pressed{border: 2px "
    "rgb(75,75,75);}QPushButton:hover{border-image: url(:/tv_password);}");
const QString privateUnmarked =
    QStringLiteral("QPushButton{border-image: url(:/tv_password);}QPushButton:pressed{border: 2px "
                   "rgb(75,75,75);}QPushButton:hover{border-image: url(:/tv_password_sel);}");

constexpr int favoriteChange = 1;
constexpr int privateChange = 2;
constexpr int buttonGap = 5;

} // namespace

PlayListToolBar::PlayListToolBar(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PlayListToolBar) {
    ui->setupUi(this);
}

PlayListToolBar::~PlayListToolBar() = default;

void PlayListToolBar::setFavorite(bool favorite) {
    ui->favorite_button->setStyleSheet(favorite ? favoriteMarked : favoriteUnmarked);
    isFavorite = favorite;
}

void PlayListToolBar::setPrivate(bool isPrivateChannel) {
    ui->private_button->setStyleSheet(isPrivateChannel ? privateMarked : privateUnmarked);
    isPrivate = isPrivateChannel;
}

void PlayListToolBar::setPlaylistName() {
    ui->label_playlist->setText(appState().playlistName);
}

void PlayListToolBar::setMarksAvailable(bool available) {
    ui->favorite_button->setVisible(available);
    ui->private_button->setVisible(available);
}

void PlayListToolBar::on_favorite_button_clicked() {
    startChange(favoriteChange);
}

void PlayListToolBar::on_private_button_clicked() {
    // A mark needs a channel; with none selected there is nothing to ask
    // the password for.
    const HomeWidget *home = homePage();
    if (!home || home->currentChannelRow() < 0 || appState().offlineMode)
        return;
    auto *dialog = new DialogMainSettings(nullptr, true, false);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    dialog->show();
}

void PlayListToolBar::togglePrivate() {
    startChange(privateChange);
}

void PlayListToolBar::startChange(int change) {
    HomeWidget *home = homePage();
    // Offline playlists keep no marks, and a change without a selected
    // channel would store the id 0. One change at a time: a second press
    // would store a list the first has not finished with.
    if (!home || home->currentChannelRow() < 0 || appState().offlineMode || m_changing)
        return;
    // The channel is taken now: the current row may move (next, previous)
    // while the sign-in is under way.
    m_channelId = home->currentChannel().value(QLatin1String("id")).toInt();
    m_changing = true;
    SharedOverlay::showBusy(home);
    pendingChange = change;
    const AppState &state = appState();
    JsonRpc *rpc = newCall();
    connect(rpc, &JsonRpc::done, this, &PlayListToolBar::LoginDone);
    rpc->login(state.userName, state.password, state.deviceKey);
}

JsonRpc *PlayListToolBar::newCall() {
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::error, this, &PlayListToolBar::rpcError);
    ServiceError::onUnanswered(rpc, this, [this] { changeFailed(QStringLiteral("unknownerror")); });
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    return rpc;
}

void PlayListToolBar::LoginDone(const QJsonValue &result) {
    m_token = result.toString();
    HomeWidget *home = homePage();
    if (!home || (pendingChange != favoriteChange && pendingChange != privateChange)) {
        m_changing = false;
        SharedOverlay::hideBusy();
        return;
    }
    const bool favorites = pendingChange == favoriteChange;
    if (favorites ? home->favoritesKnown() : home->privateKnown()) {
        storeChange();
        return;
    }
    // The load could not read this list: it is read now, so that the
    // change is made to what the service holds and not to an empty list.
    JsonRpc *rpc = newCall();
    connect(rpc, &JsonRpc::done, this, [this, favorites](const QJsonValue &value) {
        HomeWidget *page = homePage();
        if (!page) {
            changeFailed(QStringLiteral("unknownerror"));
            return;
        }
        if (favorites)
            page->setFavoritesRead(ChannelMarks::decode(value));
        else
            page->setPrivateRead(ChannelMarks::decode(value));
        storeChange();
    });
    const int playlistId = appState().playlistId;
    rpc->getDevopt(favorites ? ChannelMarks::favoritesKey(playlistId)
                             : ChannelMarks::privateKey(playlistId),
                   m_token);
}

void PlayListToolBar::storeChange() {
    HomeWidget *home = homePage();
    const bool favorites = pendingChange == favoriteChange;
    // The list in memory changes only once the service has taken the new
    // one: a failed store leaves it as it was, and a retry starts from it.
    QJsonArray ids = favorites ? home->favoriteList() : home->privateList();
    if (ChannelMarks::contains(ids, m_channelId)) {
        while (ChannelMarks::removeOne(ids, m_channelId)) {
        }
    } else {
        ids.append(QString::number(m_channelId));
    }
    m_newIds = ids;
    const int playlistId = appState().playlistId;
    JsonRpc *rpc = newCall();
    if (favorites) {
        connect(rpc, &JsonRpc::done, this, &PlayListToolBar::FavoriteDone);
        rpc->setDevopt(ChannelMarks::favoritesKey(playlistId), ChannelMarks::encode(ids), m_token);
    } else {
        connect(rpc, &JsonRpc::done, this, &PlayListToolBar::PrivateDone);
        rpc->setDevopt(ChannelMarks::privateKey(playlistId), ChannelMarks::encode(ids), m_token);
    }
}

void PlayListToolBar::rpcError(const QString &message) {
    // The transport has shown its alert for a connection failure.
    if (ServiceError::isConnectionFailure(message)) {
        m_changing = false;
        return;
    }
    changeFailed(ServiceError::messageKey(message));
}

void PlayListToolBar::changeFailed(const QString &messageKey) {
    if (!m_changing)
        return;
    m_changing = false;
    SharedOverlay::hideBusy();
    // Over the whole page: the bar itself is too low to hold the alert.
    QWidget *page = homePage();
    SharedOverlay::showError(page ? page : this, msg(messageKey));
}

void PlayListToolBar::FavoriteDone(const QJsonValue &result) {
    if (result.toString() != QLatin1String("OK")) {
        changeFailed(QStringLiteral("unknownerror"));
        return;
    }
    m_changing = false;
    SharedOverlay::hideBusy();
    HomeWidget *home = homePage();
    if (!home)
        return;
    home->favoriteList() = m_newIds;
    home->showMarksOfCurrentChannel();
    home->refreshFavoritesGroup();
}

void PlayListToolBar::PrivateDone(const QJsonValue &result) {
    if (result.toString() != QLatin1String("OK")) {
        changeFailed(QStringLiteral("unknownerror"));
        return;
    }
    m_changing = false;
    SharedOverlay::hideBusy();
    if (HomeWidget *home = homePage()) {
        home->privateList() = m_newIds;
        home->showMarksOfCurrentChannel();
    }
    if (DialogMainSettings *dialog = appState().settingsDialog)
        dialog->close();
}

void PlayListToolBar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    QPushButton *favorite = ui->favorite_button;
    favorite->move(width() - favorite->width() - buttonGap, favorite->y());
    QPushButton *privateButton = ui->private_button;
    privateButton->move(favorite->x() - privateButton->width() - buttonGap, privateButton->y());
}

void PlayListToolBar::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
