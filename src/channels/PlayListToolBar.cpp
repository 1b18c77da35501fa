#include "channels/PlayListToolBar.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "channels/ChannelMarks.h"
#include "channels/HomeWidget.h"
#include "service/JsonRpc.h"
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
    // channel would store the id 0.
    if (!home || home->currentChannelRow() < 0 || appState().offlineMode)
        return;
    SharedOverlay::showBusy(home);
    pendingChange = change;
    const AppState &state = appState();
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::error, this, &PlayListToolBar::rpcError);
    connect(rpc, &JsonRpc::done, this, &PlayListToolBar::LoginDone);
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    rpc->login(state.userName, state.password, state.deviceKey);
}

void PlayListToolBar::LoginDone(const QJsonValue &result) {
    const QString token = result.toString();
    HomeWidget *home = homePage();
    if (!home)
        return;
    const int id = home->currentChannel().value(QLatin1String("id")).toInt();
    const int playlistId = appState().playlistId;

    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::error, this, &PlayListToolBar::rpcError);
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    if (pendingChange == favoriteChange) {
        QJsonArray &ids = home->favoriteList();
        if (isFavorite)
            ChannelMarks::removeOne(ids, id);
        else
            ids.append(QString::number(id));
        connect(rpc, &JsonRpc::done, this, &PlayListToolBar::FavoriteDone);
        rpc->setDevopt(ChannelMarks::favoritesKey(playlistId), ChannelMarks::encode(ids), token);
    } else if (pendingChange == privateChange) {
        QJsonArray &ids = home->privateList();
        if (isPrivate)
            ChannelMarks::removeOne(ids, id);
        else
            ids.append(QString::number(id));
        connect(rpc, &JsonRpc::done, this, &PlayListToolBar::PrivateDone);
        rpc->setDevopt(ChannelMarks::privateKey(playlistId), ChannelMarks::encode(ids), token);
    } else {
        rpc->deleteLater();
    }
}

void PlayListToolBar::rpcError(const QString &message) {
    if (message == QLatin1String("nointernet") || message == QLatin1String("unknowerror"))
        return;
    AlertFrame *overlay = appState().alertFrame;
    if (!overlay) {
        qDebug() << "channel mark change failed:" << message;
        return;
    }
    overlay->hideBusy();
    // Over the whole page: the bar itself is too low to hold the alert.
    QWidget *page = homePage();
    overlay->showAlert(page ? page : this, msg("error"), msg("alert2"));
}

void PlayListToolBar::FavoriteDone(const QJsonValue &result) {
    SharedOverlay::hideBusy();
    if (result.toString() != QLatin1String("OK"))
        return;
    setFavorite(!isFavorite);
    if (HomeWidget *home = homePage())
        home->refreshFavoritesGroup();
}

void PlayListToolBar::PrivateDone(const QJsonValue &result) {
    SharedOverlay::hideBusy();
    if (result.toString() != QLatin1String("OK"))
        return;
    setPrivate(!isPrivate);
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
