#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QPoint>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class Playlistwidget;
}
class JsonRpc;
class PageFlow;
class QListWidgetItem;

// Playlist selection: page 5 of the main window and page 1 of the settings
// dialog. Lists the playlists bound to the current device (or, in offline
// mode, those kept on this computer); the user chooses one, deletes one from
// the context menu, or starts adding one by link or from a file.
class Playlistwidget : public QWidget {
    Q_OBJECT

public:
    explicit Playlistwidget(QWidget *parent = nullptr);
    ~Playlistwidget() override;

    void setMainWindow(PageFlow *window) { m_mainWindow = window; }
    void loadPlaylists();

protected:
    void paintEvent(QPaintEvent *event) override;

private slots:
    void clickBack();
    void clickNext();
    void rpcError(const QString &error);
    void LoginDone(const QJsonValue &result);
    void GetPlayListDone(const QJsonValue &result);
    void DeletePlayListDone(const QJsonValue &result);
    void clickListItem(QListWidgetItem *item);
    void ShowContextMenu(const QPoint &pos);
    void on_listWidget_2_itemClicked(QListWidgetItem *item);
    void on_pushButton_go_clicked();

private:
    // The main window; the settings dialog's instance is never told it.
    PageFlow *mainWindow() const;
    JsonRpc *newClient();
    void signIn();
    // Accounts signed in with a plain name get no "New Playlist" section.
    void layoutForAccount();
    void openAddPage(bool linkMode, const QString &path);
    void setRefreshMode(bool on);

    const QScopedPointer<Ui::Playlistwidget> ui;
    PageFlow *m_mainWindow = nullptr;
    QString token;
    QJsonArray playlists;
    bool refreshMode = false;
    // What the pending "login" is for: listing (true) or deleting the
    // selected playlist (false).
    bool listAfterLogin = true;
};
