#include "account/registrydevicewidget.h"

#include "ui_registrydevicewidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "channels/ListItemDelegate.h"
#include "service/JsonRpc.h"
#include "service/ServiceError.h"
#include "widgets/AlertFrame.h"
#include "widgets/SharedOverlay.h"

#include <QDebug>
#include <QGuiApplication>
#include <QJsonObject>
#include <QListWidgetItem>
#include <QSettings>

namespace {

// Rows are 50 pixels high and as wide as the item already wants. A fresh
// item has no size hint (width -1), and Qt drops a hint with a negative
// width altogether, so that width counts as 0 (the view stretches the row).
void setRowHeight(QListWidgetItem *item) {
    item->setSizeHint(QSize(qMax(0, item->sizeHint().width()), 50));
}

const QString doneImage = QStringLiteral("border-image: url(:/menu_done);");
const QString refreshImage = QStringLiteral("border-image: url(:/btn_refresh);");

QString nameOf(const QJsonValue &device) {
    return device.toObject().value(QLatin1String("name")).toString();
}

QString keyOf(const QJsonValue &device) {
    return device.toObject().value(QLatin1String("key")).toString();
}

void appendRow(QListWidget *list, const QString &name) {
    auto *item = new QListWidgetItem(list);
    item->setData(Qt::DisplayRole, name);
    item->setData(ListItemDelegate::TextRole, name);
    setRowHeight(item);
}

} // namespace

registrydevicewidget::registrydevicewidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::registrydevicewidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("registredevice"));
    ui->label_newdevice->setText(msg("newdevice"));
    ui->label_selectdevice->setText(msg("selectdevice"));
    ui->lineEdit_newdevice->setPlaceholderText(msg("devicename"));
    ui->lineEdit_newdevice->setAttribute(Qt::WA_MacShowFocusRect, false);
    ui->listWidget->setAttribute(Qt::WA_MacShowFocusRect, false);

    connect(ui->pushButton_back, &QPushButton::clicked, this, &registrydevicewidget::clickBack);
    connect(ui->pushButton_2, &QPushButton::clicked, this, &registrydevicewidget::clickNext);
    connect(ui->listWidget, &QListWidget::itemClicked, this,
            &registrydevicewidget::itemSelectionChange);
}

registrydevicewidget::~registrydevicewidget() = default;

JsonRpc *registrydevicewidget::newClient() {
    auto *client = new JsonRpc(this);
    // An HTTP error status can bring error() after done(); deleteLater lets
    // both arrive.
    connect(client, &JsonRpc::done, client, &QObject::deleteLater);
    connect(client, &JsonRpc::error, client, &QObject::deleteLater);
    return client;
}

void registrydevicewidget::signIn() {
    const AppState &state = appState();
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::error, this, &registrydevicewidget::rpcError);
    ServiceError::onUnanswered(client, this, [this] { rpcError(QStringLiteral("unanswered")); });
    client->login(state.userName, state.password, state.deviceKey);
    connect(client, &JsonRpc::done, this, &registrydevicewidget::LoginDone);
}

void registrydevicewidget::loadDevices() {
    ui->pushButton_2->setStyleSheet(doneImage);
    ui->listWidget->clear();
    ui->lineEdit_newdevice->setText(QGuiApplication::platformName());
    listAfterLogin = true;
    refreshMode = false;
    m_registering = false;
    SharedOverlay::showBusy(this);
    signIn();
}

void registrydevicewidget::LoginDone(const QJsonValue &result) {
    token = result.toString();
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::error, this, &registrydevicewidget::rpcError);
    ServiceError::onUnanswered(client, this, [this] { rpcError(QStringLiteral("unanswered")); });
    if (listAfterLogin) {
        client->getDevices(token);
        connect(client, &JsonRpc::done, this, &registrydevicewidget::GetDeviceDone);
    } else {
        client->registerDevice(ui->lineEdit_newdevice->text(), token);
        connect(client, &JsonRpc::done, this, &registrydevicewidget::RegistreDeviceDone);
    }
}

void registrydevicewidget::GetDeviceDone(const QJsonValue &result) {
    SharedOverlay::hideBusy();
    newClient()->logout(token);

    devices = result.toArray();
    ui->listWidget->clear();
    // One delegate for the list's life rather than a new one per load.
    if (!qobject_cast<ListItemDelegate *>(ui->listWidget->itemDelegate())) {
        auto *delegate = new ListItemDelegate(ui->listWidget);
        delegate->mode = ListItemDelegate::MenuMode;
        ui->listWidget->setItemDelegate(delegate);
    }
    for (const QJsonValue &device : qAsConst(devices))
        appendRow(ui->listWidget, nameOf(device));
}

void registrydevicewidget::clickNext() {
    // One press, one device: a second press while the first registration
    // is under way (a double-click) registers nothing more.
    if (m_registering)
        return;
    if (refreshMode) {
        loadDevices();
        return;
    }
    const QString typed = ui->lineEdit_newdevice->text().simplified();
    if (typed.isEmpty()) {
        SharedOverlay::showError(this, msg("alert7"));
        return;
    }
    for (const QJsonValue &device : qAsConst(devices)) {
        if (nameOf(device) == typed) {
            appState().deviceName = nameOf(device);
            appState().deviceKey = keyOf(device);
            openPlaylistPage();
            return;
        }
    }
    listAfterLogin = false;
    m_registering = true;
    signIn();
}

void registrydevicewidget::RegistreDeviceDone(const QJsonValue &result) {
    m_registering = false;
    SharedOverlay::hideBusy();
    newClient()->logout(token);

    const QString name = ui->lineEdit_newdevice->text();
    const QString key = result.toString();
    appState().deviceKey = key;
    appState().deviceName = name;
    devices.append(QJsonObject{{QStringLiteral("name"), name}, {QStringLiteral("key"), key}});
    appendRow(ui->listWidget, name);
    openPlaylistPage();
}

void registrydevicewidget::itemSelectionChange(QListWidgetItem *) {
    const int row = ui->listWidget->currentRow();
    if (row < 0 || row >= devices.size())
        return;
    const QJsonValue device = devices.at(row);
    appState().deviceName = nameOf(device);
    appState().deviceKey = keyOf(device);
    openPlaylistPage();
}

void registrydevicewidget::openPlaylistPage() {
    if (!m_mainWindow)
        return;
    m_mainWindow->loadPlaylistPage();
    m_mainWindow->stack()->slideInIdx(PageFlow::PlaylistPage);
}

void registrydevicewidget::clickBack() {
    AppState &state = appState();
    state.userName.clear();
    state.password.clear();
    state.deviceKey.clear();
    state.deviceName.clear();
    state.playlistName.clear();
    state.playlistId = 0;
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        settings.setValue(SettingsKeys::userName, QString());
        settings.setValue(SettingsKeys::userPassword, QString());
        settings.setValue(SettingsKeys::deviceKey, QString());
        settings.setValue(SettingsKeys::deviceName, QString());
        settings.setValue(SettingsKeys::playlistId, 0);
        settings.setValue(SettingsKeys::playlistName, QString());
        settings.endGroup();
    }
    state.plainNameSignIn = false;
    if (m_mainWindow)
        m_mainWindow->stack()->slideInIdx(PageFlow::SignInPage);
}

void registrydevicewidget::rpcError(const QString &error) {
    m_registering = false;
    if (error == QLatin1String("nointernet") || error == QLatin1String("unknowerror")) {
        refreshMode = true;
        ui->pushButton_2->setStyleSheet(refreshImage);
        return;
    }
    AlertFrame *overlay = appState().alertFrame;
    if (!overlay) {
        qDebug() << "device page: service error" << error;
        return;
    }
    overlay->hideBusy();
    overlay->showAlert(this, msg("error"), msg(ServiceError::messageKey(error)));
}
