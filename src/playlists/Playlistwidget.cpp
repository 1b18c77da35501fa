#include "playlists/Playlistwidget.h"

#include "ui_Playlistwidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "channels/ListItemDelegate.h"
#include "playlists/OfflinePlaylistStore.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "service/ServiceError.h"
#include "settings/DialogMainSettings.h"
#include "widgets/AlertFrame.h"
#include "widgets/ContextMenu.h"
#include "widgets/FileDialog.h"
#include "widgets/MessageBox.h"

#include <QDebug>
#include <QDesktopServices>
#include <QJsonObject>
#include <QListWidgetItem>
#include <QPainter>
#include <QSettings>
#include <QStyleOption>

namespace {

// Rows are 50 pixels high and as wide as the item already wants. A fresh
// item has no size hint (width -1), and Qt drops a hint with a negative
// width altogether, so that width counts as 0 (the view stretches the row).
void setRowHeight(QListWidgetItem *item) {
    item->setSizeHint(QSize(qMax(0, item->sizeHint().width()), 50));
}

const QString doneImage = QStringLiteral("border-image: url(:/menu_done);");
const QString refreshImage = QStringLiteral("border-image: url(:/btn_refresh);");
// Bottom margin of the playlist list.
constexpr int listBottomMargin = 11;

void appendRow(QListWidget *list, const QString &text) {
    auto *item = new QListWidgetItem(list);
    item->setData(Qt::DisplayRole, text);
    item->setData(ListItemDelegate::TextRole, text);
    setRowHeight(item);
}

QString titleOf(const QJsonValue &record) {
    return record.toObject().value(QLatin1String("title")).toString();
}

AlertFrame *overlay() {
    return appState().alertFrame;
}

} // namespace

Playlistwidget::Playlistwidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::Playlistwidget) {
    ui->setupUi(this);
    ui->frame_2->hide();

    ui->label_title->setText(msg("playlist"));
    ui->pushButton_go->setText(msg("go"));
    ui->label_newplaylist->setText(msg("newplaylist"));
    ui->label_selectplaylist->setText(msg("selectplaylist"));
    ui->listWidget->setAttribute(Qt::WA_MacShowFocusRect, false);
    ui->listWidget_2->setAttribute(Qt::WA_MacShowFocusRect, false);

    for (const QString &choice : {msg("directlink"), msg("file")}) {
        auto *item = new QListWidgetItem(ui->listWidget_2);
        item->setData(Qt::DisplayRole, choice);
        setRowHeight(item);
    }

    if (!appState().plainNameSignIn) {
        ui->listWidget->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(ui->listWidget, &QWidget::customContextMenuRequested, this,
                &Playlistwidget::ShowContextMenu);
    }
    connect(ui->pushButton_back, &QPushButton::clicked, this, &Playlistwidget::clickBack);
    connect(ui->pushButton_2, &QPushButton::clicked, this, &Playlistwidget::clickNext);
    connect(ui->listWidget, &QListWidget::itemClicked, this, &Playlistwidget::clickListItem);

    layoutForAccount();
}

Playlistwidget::~Playlistwidget() = default;

PageFlow *Playlistwidget::mainWindow() const {
    return m_mainWindow ? m_mainWindow : appState().pageFlow();
}

JsonRpc *Playlistwidget::newClient() {
    auto *client = new JsonRpc(this);
    // An HTTP error status can bring error() after done(); deleteLater lets
    // both arrive.
    connect(client, &JsonRpc::done, client, &QObject::deleteLater);
    connect(client, &JsonRpc::error, client, &QObject::deleteLater);
    return client;
}

void Playlistwidget::signIn() {
    const AppState &state = appState();
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::error, this, &Playlistwidget::rpcError);
    client->login(state.userName, state.password, state.deviceKey);
    connect(client, &JsonRpc::done, this, &Playlistwidget::LoginDone);
}

void Playlistwidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void Playlistwidget::layoutForAccount() {
    QListWidget *list = ui->listWidget;
    const int listTop = appState().plainNameSignIn ? 100 : 250;
    if (appState().plainNameSignIn) {
        ui->label_newplaylist->hide();
        ui->listWidget_2->hide();
        ui->label_selectplaylist->move(10, 70);
        ui->frame_2->move(10, 100);
    } else {
        ui->label_newplaylist->show();
        ui->listWidget_2->show();
        ui->label_selectplaylist->move(10, 210);
        ui->frame_2->move(10, 280);
    }
    list->setGeometry(10, listTop, list->width(), height() - listBottomMargin - listTop);
}

void Playlistwidget::setRefreshMode(bool on) {
    refreshMode = on;
    ui->pushButton_2->setStyleSheet(on ? refreshImage : doneImage);
    // The settings dialog's page has no use for next, but a refresh it
    // needs: after an empty or failed load it is the only way to try again.
    if (appState().dialogCreated && !appState().offlineMode)
        ui->pushButton_2->setVisible(on);
}

void Playlistwidget::loadPlaylists() {
    ui->listWidget->clear();
    AppState &state = appState();

    if (state.offlineMode) {
        playlists = OfflinePlaylistStore::list();
        for (const QJsonValue &record : qAsConst(playlists))
            appendRow(ui->listWidget, titleOf(record));
        if (AlertFrame *frame = overlay())
            frame->hideBusy();
        return;
    }

    if (state.dialogCreated)
        ui->pushButton_2->hide();
    // The overlay must live in the window that shows this page: the
    // settings dialog for its instance. It goes into the window, not into
    // the page, so that it still covers the other pages of that window
    // when they show it busy.
    AlertFrame *shared = overlay();
    if (shared && shared->parentWidget() != window())
        shared->setParent(window());
    ui->frame_2->hide();
    ui->listWidget->clear();
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        settings.setValue(SettingsKeys::deviceName, state.deviceName);
        settings.setValue(SettingsKeys::deviceKey, state.deviceKey);
        settings.endGroup();
    }
    setRefreshMode(false);
    ui->label_alert->setText(QStringLiteral("\"%1\" %2").arg(state.deviceName, msg("alert8")));
    if (AlertFrame *frame = overlay())
        frame->showBusy(this);
    listAfterLogin = true;
    signIn();
    layoutForAccount();
}

void Playlistwidget::LoginDone(const QJsonValue &result) {
    token = result.toString();
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::error, this, &Playlistwidget::rpcError);
    if (listAfterLogin) {
        client->getPlaylists(token);
        connect(client, &JsonRpc::done, this, &Playlistwidget::GetPlayListDone);
    } else {
        // Out of range gives an undefined record and so the id 0.
        const QJsonObject record = playlists.at(ui->listWidget->currentRow()).toObject();
        client->deletePlaylist(record.value(QLatin1String("id")).toInt(), token);
        connect(client, &JsonRpc::done, this, &Playlistwidget::DeletePlayListDone);
    }
}

void Playlistwidget::GetPlayListDone(const QJsonValue &result) {
    if (AlertFrame *frame = overlay())
        frame->hideBusy();
    newClient()->logout(token);

    playlists = result.toArray();
    ui->listWidget->clear();
    // One delegate for the list's life rather than a new one per load.
    if (!qobject_cast<ListItemDelegate *>(ui->listWidget->itemDelegate())) {
        auto *delegate = new ListItemDelegate(ui->listWidget);
        delegate->mode = ListItemDelegate::MenuMode;
        ui->listWidget->setItemDelegate(delegate);
    }
    for (const QJsonValue &record : qAsConst(playlists))
        appendRow(ui->listWidget, titleOf(record));

    const bool empty = playlists.isEmpty();
    setRefreshMode(empty);
    ui->frame_2->setVisible(empty);
    layoutForAccount();
}

void Playlistwidget::clickNext() {
    if (refreshMode)
        loadPlaylists();
}

void Playlistwidget::clickListItem(QListWidgetItem *) {
    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= playlists.size())
        return;
    const QJsonObject record = playlists.at(row).toObject();
    AppState &state = appState();
    state.playlistName = record.value(QLatin1String("title")).toString();
    state.playlistSource = record.value(QLatin1String("source")).toString();
    if (!state.offlineMode) {
        state.playlistId = record.value(QLatin1String("id")).toInt();
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        settings.setValue(SettingsKeys::playlistId, state.playlistId);
        settings.setValue(SettingsKeys::playlistName, state.playlistName);
        settings.endGroup();
    }

    if (state.dialogCreated) {
        if (DialogMainSettings *dialog = state.settingsDialog)
            dialog->close();
        if (PageFlow *window = mainWindow())
            window->reloadChannels();
    } else if (PageFlow *window = mainWindow()) {
        window->enterMainMode();
    }
}

void Playlistwidget::ShowContextMenu(const QPoint &pos) {
    if (appState().plainNameSignIn)
        return;
    // The playlist under the pointer, not whichever row happened to be
    // current: a click beside the rows offers nothing to delete.
    QListWidgetItem *item = ui->listWidget->itemAt(pos);
    if (!item)
        return;
    ui->listWidget->setCurrentItem(item);
    if (ContextMenu::choose(this, {msg("delete")}, ui->listWidget->mapToGlobal(pos)) < 0)
        return;

    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= playlists.size())
        return;
    const QJsonObject record = playlists.at(row).toObject();
    const QString title = record.value(QLatin1String("title")).toString();
    const QMessageBox::StandardButton answer = MessageBox::question(
        this, msg("alert11"),
        QStringLiteral("%1 \"%2\" %3").arg(msg("delete"), title, msg("alert12")),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;

    if (!appState().offlineMode) {
        listAfterLogin = false;
        if (AlertFrame *frame = overlay())
            frame->showBusy(this);
        signIn();
        return;
    }
    OfflinePlaylistStore::remove(title, record.value(QLatin1String("source")).toString());
    loadPlaylists();
}

void Playlistwidget::DeletePlayListDone(const QJsonValue &result) {
    if (AlertFrame *frame = overlay())
        frame->hideBusy();
    newClient()->logout(token);

    if (result.toString() != QLatin1String("OK"))
        return;
    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= playlists.size())
        return;
    playlists.removeAt(row);
    delete ui->listWidget->takeItem(row);
}

void Playlistwidget::on_listWidget_2_itemClicked(QListWidgetItem *) {
    switch (ui->listWidget_2->currentRow()) {
    case 0:
        openAddPage(true, QString());
        break;
    case 1: {
        const QStringList files =
            FileDialog::selectFiles(this, QFileDialog::AnyFile,
                                    tr("Playlist (*.m3u8 *.xspf *.m3u *.pls *.b4s *.wpl *.asx)"));
        if (!files.isEmpty())
            openAddPage(false, files.first());
        break;
    }
    default:
        break;
    }
}

void Playlistwidget::openAddPage(bool linkMode, const QString &path) {
    if (appState().dialogCreated) {
        if (DialogMainSettings *dialog = appState().settingsDialog)
            dialog->showDirectLink(linkMode, path);
    } else if (PageFlow *window = mainWindow()) {
        window->showDirectLink(linkMode, path);
    }
}

void Playlistwidget::on_pushButton_go_clicked() {
    QDesktopServices::openUrl(serviceConfig().siteUrl);
}

void Playlistwidget::clickBack() {
    const AppState &state = appState();
    if (state.offlineMode || !state.dialogCreated) {
        PageFlow *window = mainWindow();
        if (!window)
            return;
        SlidingStackedWidget *stack = window->stack();
        stack->setVerticalMode(false);
        stack->setAnimation(QEasingCurve::OutExpo);
        stack->slideInIdx(state.offlineMode ? PageFlow::SignInPage : PageFlow::DevicePage);
        return;
    }
    if (DialogMainSettings *dialog = state.settingsDialog)
        dialog->showMenu();
}

void Playlistwidget::rpcError(const QString &error) {
    if (error == QLatin1String("nointernet") || error == QLatin1String("unknowerror")) {
        setRefreshMode(true);
    } else if (AlertFrame *frame = overlay()) {
        frame->hideBusy();
        frame->showAlert(this, msg("error"), msg(ServiceError::messageKey(error)));
    } else {
        qDebug() << "playlist page: service error" << error;
    }
    layoutForAccount();
}
