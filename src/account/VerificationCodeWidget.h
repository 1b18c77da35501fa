#pragma once

#include <QJsonValue>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class VerificationCodeWidget;
}
class PageFlow;

// SMS code verification: page 3 of the main window. Sends the code the new
// account received by SMS with "verify_code"; once the service confirms, the
// window goes back to the sign-in page, where the user signs in with the new
// phone number and password.
class VerificationCodeWidget : public QWidget {
    Q_OBJECT

public:
    explicit VerificationCodeWidget(QWidget *parent = nullptr);
    ~VerificationCodeWidget() override;

    void setMainWindow(PageFlow *window) { m_mainWindow = window; }
    // The sign-up page's hand-over: the phone with its "+", and the password.
    void setData(const QString &phone, const QString &password);

private slots:
    void on_pushButton_back_clicked();
    void on_pushButton_2_clicked();
    void rpcError(const QString &error);
    void rpcDone(const QJsonValue &result);

private:
    void invalidCode();

    const QScopedPointer<Ui::VerificationCodeWidget> ui;
    PageFlow *m_mainWindow = nullptr;
    QString phone;    // "+" removed at the first submission
    QString password; // kept for the hand-over, not used here
};
