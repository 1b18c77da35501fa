#pragma once

#include <QJsonValue>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class ParentWidget;
}
class JsonRpc;
class QLineEdit;

// The parental password page of the settings dialog. It sets a first
// password, changes the known one, or checks it before a private channel
// is played or its private mark is changed. The password is a device
// option on the service, shared by all playlists of the device.
class ParentWidget : public QWidget {
    Q_OBJECT

public:
    enum Mode {
        FirstMode = 1,  // new password and its confirmation
        ChangeMode = 2, // current, new and confirmation
        UnlockMode = 3, // the password alone
    };

    explicit ParentWidget(QWidget *parent = nullptr);
    ~ParentWidget() override;

    // Empties the fields and lays the page out for the mode. In unlock mode
    // playAfterUnlock says what the right password leads to: playing the
    // selected channel (true) or toggling its private mark (false).
    void setMode(int mode, bool playAfterUnlock);

    int mode = FirstMode;
    bool playAfterUnlock = false;

    // The device option that holds the parental password.
    static QString optionKey();

protected:
    // Paints the page's style-sheet background.
    void paintEvent(QPaintEvent *event) override;

private slots:
    void on_pushButton_back_clicked();
    void on_pushButton_2_clicked();
    void on_button_forgot_clicked();
    void LoginDone(const QJsonValue &result);
    void GetParentPasswordDone(const QJsonValue &result);
    void rpcError(const QString &message);

private:
    void unlock();
    void save();
    // Shows an alert over this page; a field, when given, gets the focus.
    void alert(const char *messageKey, QLineEdit *field = nullptr);
    JsonRpc *newClient();

    const QScopedPointer<Ui::ParentWidget> ui;
};
