#pragma once

#include <QJsonValue>
#include <QPointer>
#include <QScopedPointer>
#include <QString>
#include <QWidget>

#include <memory>

namespace Ui {
class DirectLinkWidget;
}
class JsonRpc;
class PageFlow;
class QLineEdit;
class QNetworkReply;
class QTemporaryDir;

// Add a playlist by link or file: page 6 of the main window and page 2 of
// the settings dialog. Online, the playlist file (downloaded from the link,
// or the chosen local file) is uploaded to the service, which binds it to
// the account; offline it is kept in the "playlists" directory and recorded
// in the offline playlist store.
class DirectLinkWidget : public QWidget {
    Q_OBJECT

public:
    // A linked playlist larger than this is refused.
    static constexpr qint64 maxPlaylistBytes = 64 * 1024 * 1024;

    explicit DirectLinkWidget(QWidget *parent = nullptr);
    ~DirectLinkWidget() override;

    void setMainWindow(PageFlow *window) { m_mainWindow = window; }
    // linkMode true: add from a link typed here (path empty); false: add the
    // local file at path under a title typed here.
    void setMode(bool linkMode, const QString &path);

    // Whether a link names a playlist file this page accepts: the complete
    // suffix of its last path element (query included) is one of the known
    // playlist extensions, compared case-sensitively.
    static bool isAcceptedLink(const QString &link);

private slots:
    void on_pushButton_back_clicked();
    void on_pushButton_2_clicked();
    void downloadStart();
    void downloadFinsh(const QString &s_file);
    void downloadError(const QString &errorMessage);
    void LoginDone(const QJsonValue &result);
    void LoadHasKey(const QJsonValue &result);
    void rpcError(const QString &result);
    void upload_finished(QNetworkReply *m_reply);

private:
    PageFlow *mainWindow() const;
    JsonRpc *newClient();
    void signIn();
    void startDownload(const QString &link);
    // The playlist's title: the second field in link mode, the first in
    // file mode.
    QString title() const;
    void rejectField(QLineEdit *field, const char *messageKey);
    void showError(const QString &message);
    // Back to the playlist page, which lists the playlists again.
    void finish();

    const QScopedPointer<Ui::DirectLinkWidget> ui;
    PageFlow *m_mainWindow = nullptr;
    bool linkMode = true;
    QString chosenPath;
    QString uploadPath;
    QString uploadHash;
    QPointer<QObject> uploader; // the upload under way
    // Offline, a link is fetched into a private directory first, so that
    // it can never overwrite a kept playlist's file.
    std::unique_ptr<QTemporaryDir> downloadDir;
};
