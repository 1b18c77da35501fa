#include "account/LoginWidget.h"

#include "ui_LoginWidget.h"

#include "app/AppFont.h"
#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceError.h"
#include "widgets/AlertFrame.h"
#include "widgets/SharedOverlay.h"

#include <QDebug>
#include <QKeyEvent>
#include <QSettings>

LoginWidget::LoginWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::LoginWidget) {
    ui->setupUi(this);

    QFont titleFont = ui->label_name->font();
    titleFont.setFamily(applicationFontFamily());
    titleFont.setPointSize(32);
    titleFont.setWeight(QFont::Normal);
    ui->label_name->setFont(titleFont);
    ui->label_name->setText(QStringLiteral("Vantero"));

    ui->lineEdit_3->setPlaceholderText(msg("email"));
    ui->lineEdit_4->setPlaceholderText(msg("password"));
    ui->pushButton->setText(msg("signin"));
    ui->pushButton_2->setText(msg("signup"));
    ui->m_boffline->setText(QStringLiteral("offline"));
    ui->m_boffline->hide();
    ui->lineEdit_3->setAttribute(Qt::WA_MacShowFocusRect, false);
    ui->lineEdit_4->setAttribute(Qt::WA_MacShowFocusRect, false);

    connect(ui->pushButton, &QPushButton::clicked, this, &LoginWidget::clickSignIn);
}

LoginWidget::~LoginWidget() = default;

JsonRpc *LoginWidget::newClient() {
    auto *client = new JsonRpc(this);
    // An HTTP error status can bring error() after done(); deleteLater lets
    // both arrive.
    connect(client, &JsonRpc::done, client, &QObject::deleteLater);
    connect(client, &JsonRpc::error, client, &QObject::deleteLater);
    return client;
}

void LoginWidget::clearPassword() {
    ui->lineEdit_4->clear();
}

void LoginWidget::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Return) {
        // The busy overlay stops clicks but not the keyboard: one sign-in
        // at a time.
        const AlertFrame *overlay = appState().alertFrame;
        if (!overlay || !overlay->isBusy())
            clickSignIn();
        return;
    }
    QWidget::keyPressEvent(event);
}

void LoginWidget::clickSignIn() {
    SharedOverlay::showBusy(this);
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::error, this, &LoginWidget::rpcError);
    // An answer that is no JSON object must not leave the page busy.
    ServiceError::onUnanswered(client, this, [this] { rpcError(QStringLiteral("unanswered")); });
    connect(client, &JsonRpc::settled, client, &QObject::deleteLater);
    client->login(ui->lineEdit_3->text(), ui->lineEdit_4->text(), QString());
    connect(client, &JsonRpc::done, this, &LoginWidget::rpcDone);
}

void LoginWidget::rpcDone(const QJsonValue &result) {
    SharedOverlay::hideBusy();
    const QString token = result.toString();
    qDebug().noquote() << "signed in, token" << token;
    newClient()->logout(token);

    AppState &state = appState();
    state.userName = ui->lineEdit_3->text();
    state.password = ui->lineEdit_4->text();
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        settings.setValue(SettingsKeys::userName, state.userName);
        settings.setValue(SettingsKeys::userPassword, state.password);
        settings.endGroup();
        settings.sync();
        // The session goes on; only the next start will ask again.
        if (settings.status() != QSettings::NoError)
            qWarning() << "sign-in could not be saved to" << settings.fileName();
    }

    if (!m_mainWindow)
        return;
    m_mainWindow->stack()->slideInIdx(PageFlow::DevicePage);
    m_mainWindow->afterSignIn();
}

void LoginWidget::rpcError(const QString &error) {
    if (error == QLatin1String("nointernet") || error == QLatin1String("unknowerror"))
        return;
    AlertFrame *overlay = appState().alertFrame;
    if (!overlay) {
        qDebug() << "sign-in rejected:" << error;
        return;
    }
    overlay->hideBusy();
    overlay->showAlert(this, msg("error"), msg(ServiceError::messageKey(error)));
}

void LoginWidget::on_pushButton_2_clicked() {
    if (m_mainWindow)
        m_mainWindow->showSignUp();
}

void LoginWidget::on_pushButton_3_clicked() {
    appState().offlineMode = true;
    if (!m_mainWindow)
        return;
    m_mainWindow->loadPlaylistPage();
    m_mainWindow->stack()->slideInIdx(PageFlow::PlaylistPage);
}
