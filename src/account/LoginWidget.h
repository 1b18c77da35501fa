#pragma once

#include <QJsonValue>
#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class LoginWidget;
}
class JsonRpc;
class PageFlow;

// Sign-in page: page 0 of the main window. Checks the typed user name and
// password with the service, stores them and moves on to the device page.
class LoginWidget : public QWidget {
    Q_OBJECT

public:
    explicit LoginWidget(QWidget *parent = nullptr);
    ~LoginWidget() override;

    void setMainWindow(PageFlow *window) { m_mainWindow = window; }
    // Empties the password field (after a sign-out).
    void clearPassword();

protected:
    // Return signs in from anywhere on the page; the keypad's Enter does not.
    void keyPressEvent(QKeyEvent *event) override;

private slots:
    void clickSignIn();
    void rpcError(const QString &error);
    void rpcDone(const QJsonValue &result);
    void on_pushButton_2_clicked();

private:
    // Offline mode: the playlists kept on this computer, no account. Its
    // button stays hidden and unconnected. Not a slot: no control of the
    // form carries the name it would be connected by.
    void on_pushButton_3_clicked();
    // A client for one exchange, released once it has answered.
    JsonRpc *newClient();

    const QScopedPointer<Ui::LoginWidget> ui;
    PageFlow *m_mainWindow = nullptr;
};
