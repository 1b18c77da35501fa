#pragma once

#include <QDir>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QUrl>

class QFile;

// Fetches one URL into a file in targetDir. The file takes the name of the
// URL's last path element; with a customName, that name replaces the part
// before the first dot and the extension stays (logo.png -> 42.png). Whatever
// arrived stays on disk after a network error. A file that cannot be written
// in full (disk full, file too large) ends the transfer as an error and is
// removed, so that no cut-off file passes for a finished one. One download
// at a time.
class DownloadFileHandler : public QObject {
    Q_OBJECT

public:
    explicit DownloadFileHandler(QObject *parent = nullptr);
    ~DownloadFileHandler() override;

    // Set before beginDownload(); setDownloadURLSlot() clears customName.
    QUrl url;
    QDir targetDir;
    QString customName;

signals:
    void fileAlreadyExistsError(const QString &existingFileDisplayName);
    void fileOpeningError(const QString &errorMessage);
    void fileDownloadError(const QString &errorMessage);
    void fileDownloadStarted();
    void fileDownloadCancelled();
    void fileDownloadFinished(const QString &s_file);
    void fileDownloadFinished(const QString &s_file, const QString &s_id_chanel);

public slots:
    void setDownloadURLSlot(const QString &url);
    void beginDownload();
    void cancelDownload();
    void downloadFinished();
    void downloadReadyRead();
    void RequestError(QNetworkReply::NetworkError);

private:
    QString targetFileName() const;

    QFile *file = nullptr;
    QNetworkReply *reply = nullptr;
    // Why the file could not be written; empty while all is well.
    QString writeError;
};
