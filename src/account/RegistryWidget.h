#pragma once

#include <QJsonValue>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class RegistryWidget;
}
class PageFlow;

// Sign-up by phone: page 1 of the main window. The user gives a dialling
// code (or picks a country), a phone number, a name and a password twice;
// once the service accepts "register_by_sms", the number and the password go
// on to the SMS code page. On opening, the page guesses the country from the
// geolocation lookup.
class RegistryWidget : public QWidget {
    Q_OBJECT

public:
    explicit RegistryWidget(QWidget *parent = nullptr);
    ~RegistryWidget() override;

    void setMainWindow(PageFlow *window) { m_mainWindow = window; }

    // Each time the page opens: guess the country of the computer.
    void start();
    // A choice of the country picker.
    void setCountry(const QString &name, const QString &dialCode);

    bool eventFilter(QObject *obj, QEvent *event) override;

private slots:
    void on_pushButton_back_clicked();
    void on_edit_code_textChanged(const QString &arg1);
    void on_edit_phone_textChanged(const QString &arg1);
    void on_pushButton_2_clicked();
    void rpcError(const QString &error);
    void rpcDone(const QJsonValue &result);
    void on_button_country_clicked();

private:
    // Names on the country button the first country with that dialling code.
    void nameCountry(const QString &dialCode);
    // Puts a dialling code into the code field so that its country is named
    // even when the field already held that very code.
    void setDialCode(const QString &dialCode);
    // The "error" alert over this page, then the focus to the field at fault.
    void failCheck(const QString &message, QWidget *focus);

    const QScopedPointer<Ui::RegistryWidget> ui;
    PageFlow *m_mainWindow = nullptr;
    // False while the geolocation answer is awaited, true once the sign-up
    // has been sent: rpcDone() serves both.
    bool awaitingSignUp = false;
    // A "register_by_sms" is under way: submit does nothing until it ends.
    bool m_signingUp = false;
};
