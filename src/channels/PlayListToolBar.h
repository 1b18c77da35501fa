#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

namespace Ui {
class PlayListToolBar;
}
class JsonRpc;

// The bar under the channel list: the playlist's name and the favourite and
// private toggles of the selected channel. A toggle signs in, changes the
// list in memory, stores it on the service and changes the button's look
// once the service has taken it. Marking a channel private, or unmarking
// it, asks for the parental password first.
class PlayListToolBar : public QWidget {
    Q_OBJECT

public:
    explicit PlayListToolBar(QWidget *parent = nullptr);
    ~PlayListToolBar() override;

    // The marked look of the two buttons.
    void setFavorite(bool favorite);
    void setPrivate(bool isPrivateChannel);
    bool favorite() const { return isFavorite; }
    bool privateMark() const { return isPrivate; }

    // Shows the chosen playlist's name.
    void setPlaylistName();
    // The private change, once the parental password was given.
    void togglePrivate();
    // Offline playlists have no account to keep marks in: the toggles go.
    void setMarksAvailable(bool available);

private slots:
    void on_favorite_button_clicked();
    void on_private_button_clicked();
    void LoginDone(const QJsonValue &result);
    void rpcError(const QString &);
    void FavoriteDone(const QJsonValue &result);
    void PrivateDone(const QJsonValue &result);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void startChange(int change);
    JsonRpc *newCall();
    void storeChange();
    void changeFailed(const QString &messageKey);

    const QScopedPointer<Ui::PlayListToolBar> ui;
    bool isFavorite = false;
    bool isPrivate = false;
    // 1: a favourite change waits for its sign-in, 2: a private change.
    int pendingChange = 0;
    // The change under way: for which channel, the session it runs in and
    // the list it stores.
    bool m_changing = false;
    int m_channelId = 0;
    QString m_token;
    QJsonArray m_newIds;
};
