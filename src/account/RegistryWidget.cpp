#include "account/RegistryWidget.h"

#include "ui_RegistryWidget.h"

#include "account/CountryTable.h"
#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SlidingStackedWidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceError.h"
#include "widgets/SharedOverlay.h"

#include <QDebug>
#include <QJsonObject>
#include <QKeyEvent>

namespace {

// The dialling code field holds "+" and at most four more characters.
constexpr int dialCodeLength = 5;

} // namespace

RegistryWidget::RegistryWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::RegistryWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("signup"));
    ui->edit_code->setPlaceholderText(msg("activatecode"));
    ui->edit_phone->setPlaceholderText(msg("phone"));
    ui->edit_name->setPlaceholderText(msg("name"));
    ui->edit_password->setPlaceholderText(msg("password"));
    ui->edit_confirm_password->setPlaceholderText(msg("confirmpassword"));

    for (QLineEdit *edit : {ui->edit_code, ui->edit_phone, ui->edit_name, ui->edit_password,
                            ui->edit_confirm_password})
        edit->setAttribute(Qt::WA_MacShowFocusRect, false);
    ui->edit_phone->installEventFilter(this);
    ui->edit_code->setText(QStringLiteral("+"));
}

RegistryWidget::~RegistryWidget() = default;

void RegistryWidget::start() {
    awaitingSignUp = false;
    m_signingUp = false;
    SharedOverlay::showBusy(this);
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::error, this, &RegistryWidget::rpcError);
    // A geolocation host that answers with something other than JSON (a
    // captive portal's page) guesses nothing: the user picks the country.
    ServiceError::onUnanswered(rpc, this, [this] {
        if (awaitingSignUp)
            return;
        SharedOverlay::hideBusy();
        ui->button_country->setText(msg("invalidcountrycode"));
    });
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    rpc->requestLocation();
    connect(rpc, &JsonRpc::done, this, &RegistryWidget::rpcDone);
}

void RegistryWidget::setCountry(const QString &name, const QString &dialCode) {
    ui->button_country->setText(name);
    setDialCode(dialCode);
}

void RegistryWidget::setDialCode(const QString &dialCode) {
    const bool unchanged = ui->edit_code->text() == dialCode;
    ui->edit_code->setText(dialCode);
    // Setting the same text again is no change, and the country would stay
    // as it was: possibly "invalid" from before the code came back.
    if (unchanged)
        nameCountry(dialCode);
}

void RegistryWidget::nameCountry(const QString &dialCode) {
    const QJsonObject country = CountryTable::byDialCode(CountryTable::load(), dialCode);
    ui->button_country->setText(country.isEmpty() ? msg("invalidcountrycode")
                                                  : country.value("name").toString());
}

void RegistryWidget::on_edit_code_textChanged(const QString &arg1) {
    if (arg1.isEmpty())
        ui->edit_code->setText(QStringLiteral("+"));
    if (arg1.size() >= dialCodeLength) {
        ui->edit_code->setText(arg1.left(dialCodeLength));
        // A full code moves on to the number; what does not fit the code
        // field goes there too. A code that fits leaves the number alone.
        if (arg1.size() > dialCodeLength)
            ui->edit_phone->setText(arg1.mid(dialCodeLength));
        ui->edit_phone->setFocus(Qt::OtherFocusReason);
    }
    // Deliberately the text as it arrived, also when it was too long: a
    // pasted code and number together is no dialling code.
    nameCountry(arg1);
}

void RegistryWidget::on_edit_phone_textChanged(const QString &arg1) {
    if (arg1.isEmpty())
        ui->edit_code->setFocus(Qt::OtherFocusReason);
}

bool RegistryWidget::eventFilter(QObject *obj, QEvent *event) {
    if (obj != ui->edit_phone)
        return QWidget::eventFilter(obj, event);
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Backspace &&
        ui->edit_phone->text().isEmpty()) {
        qDebug() << "lineEdit -> Qt::Key_Up";
        ui->edit_code->setFocus(Qt::OtherFocusReason);
        return true;
    }
    return false;
}

void RegistryWidget::on_button_country_clicked() {
    if (m_mainWindow)
        m_mainWindow->showCountryPicker();
}

void RegistryWidget::failCheck(const QString &message, QWidget *focus) {
    SharedOverlay::showError(this, message);
    if (focus)
        focus->setFocus(Qt::OtherFocusReason);
}

void RegistryWidget::on_pushButton_2_clicked() {
    if (ui->edit_code->text().size() < 2)
        return failCheck(msg("alert1"), ui->edit_code);
    if (ui->button_country->text() == msg("invalidcountrycode"))
        return failCheck(msg("alert18"), nullptr);
    if (ui->edit_phone->text().isEmpty())
        return failCheck(msg("alert1"), ui->edit_phone);
    if (ui->edit_name->text().isEmpty())
        return failCheck(msg("alert1"), ui->edit_name);
    if (ui->edit_password->text().isEmpty())
        return failCheck(msg("alert1"), ui->edit_password);
    if (ui->edit_confirm_password->text().isEmpty())
        return failCheck(msg("alert1"), ui->edit_confirm_password);
    if (ui->edit_password->text() != ui->edit_confirm_password->text())
        return failCheck(msg("alert4"), ui->edit_confirm_password);

    // One press, one request: a second "register_by_sms" would send a new
    // code and the first one, already on its way, would be refused.
    if (m_signingUp)
        return;
    m_signingUp = true;
    awaitingSignUp = true;
    QString phone = QStringLiteral("%1%2").arg(ui->edit_code->text(), ui->edit_phone->text());
    phone.remove(QLatin1Char('+'));
    auto *rpc = new JsonRpc(this);
    connect(rpc, &JsonRpc::error, this, &RegistryWidget::rpcError);
    ServiceError::onUnanswered(rpc, this, [this] {
        m_signingUp = false;
        SharedOverlay::showError(this, msg("unknownerror"));
    });
    connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
    rpc->registerBySms(ui->edit_name->text(), phone, ui->edit_password->text());
    connect(rpc, &JsonRpc::done, this, &RegistryWidget::rpcDone);
}

void RegistryWidget::rpcDone(const QJsonValue &result) {
    SharedOverlay::hideBusy();
    if (!awaitingSignUp) {
        const QJsonArray table = CountryTable::load();
        ui->button_country->setText(msg("invalidcountrycode"));
        const QJsonObject country = CountryTable::byCountryCode(table, result.toString());
        if (!country.isEmpty())
            setDialCode(country.value("dial_code").toString());
        return;
    }

    m_signingUp = false;
    const QJsonObject answer = result.toObject();
    const QString error = answer.value("Error").toString();
    qDebug() << "register_by_sms:" << error;
    if (error.isEmpty()) {
        if (answer.value("Result").toString() == QLatin1String("OK") && m_mainWindow)
            m_mainWindow->showCodeVerification(
                QStringLiteral("%1%2").arg(ui->edit_code->text(), ui->edit_phone->text()),
                ui->edit_password->text());
    } else if (error == QLatin1String("Telephone format invalid")) {
        failCheck(msg("alert15"), ui->edit_phone);
    } else if (error == QLatin1String("Username length is small")) {
        failCheck(msg("alert20"), ui->edit_name);
    } else if (error == QLatin1String("Already exist telephone")) {
        failCheck(QStringLiteral("%1%2 %3").arg(ui->edit_code->text(), ui->edit_phone->text(),
                                                msg("alert17")),
                  ui->edit_phone);
    } else {
        failCheck(msg("unknownerror"), nullptr);
    }
}

void RegistryWidget::rpcError(const QString &error) {
    if (awaitingSignUp)
        m_signingUp = false;
    if (error == QLatin1String("nointernet") || error == QLatin1String("unknowerror"))
        return;
    SharedOverlay::hideBusy();
    SharedOverlay::showError(this, msg("unknownerror"));
}

void RegistryWidget::on_pushButton_back_clicked() {
    ui->edit_code->clear();
    ui->edit_phone->clear();
    ui->edit_name->clear();
    ui->edit_password->clear();
    ui->edit_confirm_password->clear();
    if (!m_mainWindow)
        return;
    m_mainWindow->stack()->setAnimation(QEasingCurve::OutQuart);
    m_mainWindow->stack()->slideInIdx(PageFlow::SignInPage);
}
