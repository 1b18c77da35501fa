#include "settings/ParentWidget.h"

#include "ui_ParentWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/SlidingStackedWidget.h"
#include "channels/HomeWidget.h"
#include "channels/PlayListToolBar.h"
#include "service/JsonRpc.h"
#include "service/ServiceError.h"
#include "settings/DialogMainSettings.h"
#include "widgets/AlertFrame.h"
#include "widgets/SharedOverlay.h"

#include <QDebug>
#include <QGuiApplication>
#include <QPainter>
#include <QStyleOption>

namespace {
const QString closeImage = QStringLiteral("border-image: url(:/btn_close);");
const QString backImage = QStringLiteral("border-image: url(:/menu_back);");
// Where the "forgot" link sits when the page asks for one password only.
constexpr int unlockForgotTop = 170;
} // namespace

ParentWidget::ParentWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ParentWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("privatepassword"));
    ui->button_forgot->setText(msg("forgot"));
    for (QLineEdit *field : {ui->lineEdit_1, ui->lineEdit_2, ui->lineEdit_3})
        field->setAttribute(Qt::WA_MacShowFocusRect, false);
}

ParentWidget::~ParentWidget() = default;

QString ParentWidget::optionKey() {
    return QStringLiteral("%1_parent_pass").arg(QGuiApplication::platformName());
}

void ParentWidget::setMode(int mode, bool playAfterUnlock) {
    ui->lineEdit_1->clear();
    ui->lineEdit_2->clear();
    ui->lineEdit_3->clear();
    this->mode = mode;
    this->playAfterUnlock = playAfterUnlock;
    switch (mode) {
    case FirstMode:
        ui->frame_3->show();
        ui->frame_4->hide();
        ui->button_forgot->hide();
        ui->lineEdit_1->setPlaceholderText(msg("newpassword"));
        ui->lineEdit_2->setPlaceholderText(msg("confirmpassword"));
        // Here back leads to the menu, whatever opened the dialog.
        ui->pushButton_back->setStyleSheet(backImage);
        break;
    case ChangeMode:
        ui->lineEdit_1->setPlaceholderText(msg("currentpassword"));
        ui->lineEdit_2->setPlaceholderText(msg("newpassword"));
        ui->lineEdit_3->setPlaceholderText(msg("confirmpassword"));
        ui->pushButton_back->setStyleSheet(backImage);
        break;
    case UnlockMode: {
        ui->frame_3->hide();
        ui->frame_4->hide();
        ui->lineEdit_1->setPlaceholderText(msg("password"));
        const QRect forgot = ui->button_forgot->geometry();
        ui->button_forgot->move(forgot.x(), unlockForgotTop);
        ui->pushButton_back->setStyleSheet(closeImage);
        break;
    }
    default:
        break;
    }
}

void ParentWidget::alert(const char *messageKey, QLineEdit *field) {
    SharedOverlay::showError(this, msg(messageKey));
    if (field)
        field->setFocus();
}

void ParentWidget::on_pushButton_2_clicked() {
    const QString known = appState().parentPassword;
    switch (mode) {
    case FirstMode:
        if (ui->lineEdit_1->text().isEmpty())
            alert("alert1", ui->lineEdit_1);
        else if (ui->lineEdit_2->text().isEmpty())
            alert("alert1", ui->lineEdit_2);
        // A typo in an unconfirmed first password would lock the user out
        // of the private channels.
        else if (ui->lineEdit_2->text() != ui->lineEdit_1->text())
            alert("alert4");
        else
            save();
        break;
    case ChangeMode:
        if (ui->lineEdit_1->text().isEmpty())
            alert("alert1", ui->lineEdit_1);
        else if (ui->lineEdit_2->text().isEmpty())
            alert("alert1", ui->lineEdit_2);
        else if (ui->lineEdit_3->text().isEmpty())
            alert("alert1", ui->lineEdit_3);
        else if (ui->lineEdit_1->text() != known)
            alert("alert3");
        else if (ui->lineEdit_3->text() != ui->lineEdit_2->text())
            alert("alert4");
        else
            save();
        break;
    case UnlockMode:
        if (ui->lineEdit_1->text().isEmpty())
            alert("alert1", ui->lineEdit_1);
        else if (ui->lineEdit_1->text() != known)
            alert("alert3", ui->lineEdit_1);
        else
            unlock();
        break;
    default:
        break;
    }
}

void ParentWidget::unlock() {
    HomeWidget *home = homePage();
    if (playAfterUnlock) {
        if (DialogMainSettings *dialog = DialogMainSettings::of(this))
            dialog->close();
        if (home)
            home->playCurrentChannel();
        return;
    }
    // The toolbar closes the dialog once the service has the new mark.
    if (PlayListToolBar *bar = home ? home->playListToolBar() : nullptr)
        bar->togglePrivate();
}

JsonRpc *ParentWidget::newClient() {
    auto *client = new JsonRpc(this);
    // An HTTP error status can bring error() after done(); deleteLater lets
    // both arrive.
    connect(client, &JsonRpc::done, client, &QObject::deleteLater);
    connect(client, &JsonRpc::error, client, &QObject::deleteLater);
    connect(client, &JsonRpc::error, this, &ParentWidget::rpcError);
    return client;
}

void ParentWidget::save() {
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->adoptAlertFrame();
    SharedOverlay::showBusy(this);
    const AppState &state = appState();
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::done, this, &ParentWidget::LoginDone);
    client->login(state.userName, state.password, state.deviceKey);
}

void ParentWidget::LoginDone(const QJsonValue &result) {
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::done, this, &ParentWidget::GetParentPasswordDone);
    client->setDevopt(optionKey(), ui->lineEdit_2->text(), result.toString());
}

void ParentWidget::GetParentPasswordDone(const QJsonValue &result) {
    if (result.toString() == QLatin1String("OK")) {
        appState().parentPassword = ui->lineEdit_2->text();
        if (DialogMainSettings *dialog = DialogMainSettings::of(this))
            dialog->close();
    }
    SharedOverlay::hideBusy();
}

void ParentWidget::rpcError(const QString &message) {
    AlertFrame *overlay = appState().alertFrame;
    if (message == QLatin1String("nointernet") || message == QLatin1String("unknowerror")) {
        // The service client shows the failure itself. The busy layer must
        // still go, or the page could never be used again; an alert already
        // on screen is no busy layer and stays.
        if (overlay && overlay->isBusy())
            overlay->hideBusy();
        return;
    }
    if (!overlay) {
        qDebug() << "parental password page: service error" << message;
        return;
    }
    overlay->hideBusy();
    overlay->showAlert(this, msg("error"), msg(ServiceError::messageKey(message)));
}

void ParentWidget::on_pushButton_back_clicked() {
    DialogMainSettings *dialog = DialogMainSettings::of(this);
    if (!dialog)
        return;
    if (mode == UnlockMode)
        dialog->close();
    else
        dialog->showMenu();
}

void ParentWidget::on_button_forgot_clicked() {
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->showResetPage();
}

void ParentWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
