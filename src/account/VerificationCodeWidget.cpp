#include "account/VerificationCodeWidget.h"

#include "ui_VerificationCodeWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SlidingStackedWidget.h"
#include "service/JsonRpc.h"
#include "widgets/SharedOverlay.h"

#include <QDebug>
#include <QJsonObject>

VerificationCodeWidget::VerificationCodeWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::VerificationCodeWidget) {
    ui->setupUi(this);
    ui->edit_code->setPlaceholderText(msg("activatecode"));
    ui->label_alert->setText(msg("alert19"));
    ui->edit_code->setAttribute(Qt::WA_MacShowFocusRect, false);
}

VerificationCodeWidget::~VerificationCodeWidget() = default;

void VerificationCodeWidget::setData(const QString &phone, const QString &password) {
    this->phone = phone;
    this->password = password;
    ui->label_title->setText(phone);
}

void VerificationCodeWidget::on_pushButton_2_clicked() {
    const QString code = ui->edit_code->text();
    if (code.isEmpty()) {
        SharedOverlay::showError(this, msg("alert1"));
        ui->edit_code->setFocus(Qt::OtherFocusReason);
        return;
    }
    SharedOverlay::showBusy(this);
    phone.remove(QLatin1Char('+'));
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::error, this, &VerificationCodeWidget::rpcError);
    rpc->verifyCode(phone, code.toInt(nullptr, 10));
    connect(rpc, &JsonRpc::done, this, &VerificationCodeWidget::rpcDone);
}

void VerificationCodeWidget::invalidCode() {
    SharedOverlay::showError(this, msg("alert16"));
    ui->edit_code->setFocus(Qt::OtherFocusReason);
}

void VerificationCodeWidget::rpcDone(const QJsonValue &result) {
    SharedOverlay::hideBusy();
    const QJsonObject answer = result.toObject();
    const QString error = answer.value("Error").toString();
    qDebug() << "verify_code:" << error;
    if (error.isEmpty()) {
        if (answer.value("Result").toString() == QLatin1String("OK") && m_mainWindow)
            m_mainWindow->returnToSignIn();
    } else if (error == QLatin1String("Invalid check code")) {
        invalidCode();
    } else {
        SharedOverlay::showError(this, msg("unknownerror"));
    }
}

void VerificationCodeWidget::rpcError(const QString &error) {
    if (error == QLatin1String("nointernet") || error == QLatin1String("unknowerror"))
        return;
    if (error == QLatin1String("Invalid check code")) {
        invalidCode();
        return;
    }
    SharedOverlay::hideBusy();
    SharedOverlay::showError(this, msg("unknownerror"));
}

void VerificationCodeWidget::on_pushButton_back_clicked() {
    if (!m_mainWindow)
        return;
    m_mainWindow->stack()->setAnimation(QEasingCurve::OutExpo);
    m_mainWindow->stack()->slideInIdx(PageFlow::SignUpPage);
}
