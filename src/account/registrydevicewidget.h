#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class registrydevicewidget;
}
class JsonRpc;
class PageFlow;
class QListWidgetItem;

// Device registration page: page 4 of the main window. Lists the account's
// devices; the user picks one or names a new one, which the service then
// registers. The chosen device becomes current and the playlist page opens.
// Back signs the user out.
class registrydevicewidget : public QWidget {
    Q_OBJECT

public:
    explicit registrydevicewidget(QWidget *parent = nullptr);
    ~registrydevicewidget() override;

    void setMainWindow(PageFlow *window) { m_mainWindow = window; }
    // Starts the page afresh; called each time the page is entered.
    void loadDevices();

private slots:
    void clickBack();
    void clickNext();
    void rpcError(const QString &error);
    void LoginDone(const QJsonValue &result);
    void GetDeviceDone(const QJsonValue &result);
    void RegistreDeviceDone(const QJsonValue &result);
    void itemSelectionChange(QListWidgetItem *item);

private:
    JsonRpc *newClient();
    void signIn();
    void openPlaylistPage();

    const QScopedPointer<Ui::registrydevicewidget> ui;
    PageFlow *m_mainWindow = nullptr;
    QString token;
    // After a connection failure the next button reloads the page.
    bool refreshMode = false;
    // What the pending "login" is for: the device list (true) or
    // registering the typed name (false).
    bool listAfterLogin = true;
    // A registration is under way: next does nothing until it has ended.
    bool m_registering = false;
    QJsonArray devices;
};
