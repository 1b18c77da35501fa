#pragma once

#include <QDir>
#include <QNetworkReply>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QFile;
struct BackgroundWrite;

// Fetches one URL into a file in targetDir. The file takes the name of the
// URL's last path element; with a customName, that name replaces the part
// before the first dot and the extension stays (logo.png -> 42.png). The
// name comes from outside, so it goes through SafeFileName, which keeps
// only the allowedSuffixes.
//
// The transfer is written to a temporary file beside the target and moved
// into place only once it is complete: a failed, refused or cancelled
// download leaves nothing behind, and a reader never sees half a file.
// While a download runs, no other handler of the process writes the same
// target. An existing file is replaced, unless replaceExisting is false:
// the file is then kept under the first free name "stem-1.ext",
// "stem-2.ext"..., and that path is reported.
//
// Redirects are followed only when they stay as safe (HTTPS stays HTTPS,
// HTTP may move to HTTPS), for at most maxRedirects hops; any other
// redirect, and any answer that is not a 2xx status, is a failed download.
// Only http and https addresses are fetched. A transfer longer than maxBytes
// (when set) is stopped and reported as too large.
//
// With writeInBackground, the transfer is kept in memory instead and
// written, moved into place and reported from a worker thread's result once
// it is complete: creating a file can block for milliseconds on a busy
// disk, and a long channel list creates thousands of logos. Meant for small
// files under a maxBytes cap. An acceptContent check, when set, is run on
// the transfer there before anything is written; what it refuses is a
// failed download (badAnswerText()) and leaves no file.
//
// One download at a time.
class DownloadFileHandler : public QObject {
    Q_OBJECT

public:
    static constexpr int maxRedirects = 5;

    explicit DownloadFileHandler(QObject *parent = nullptr);
    ~DownloadFileHandler() override;

    // Set before beginDownload(); setDownloadURLSlot() clears customName.
    QUrl url;
    QDir targetDir;
    QString customName;
    QStringList allowedSuffixes;
    qint64 maxBytes = 0; // no cap
    bool replaceExisting = true;
    bool writeInBackground = false;
    // With writeInBackground; called on a worker thread.
    std::function<bool(const QByteArray &)> acceptContent;

    // Where the file is meant to go under the settings above.
    QString targetPath() const;

    // The texts a refused transfer reports.
    static QString tooLargeText();
    static QString badAnswerText();
    static QString busyText();

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
    // Stops the transfer with this reason; downloadFinished() reports it.
    void refuse(const QString &reason);
    void checkAnnouncedSize();
    // Moves the finished temporary file into place; empty on success.
    QString moveIntoPlace();
    void release();
    // Hands the complete transfer to a worker thread; the result comes back
    // to writeFinished().
    void writeLater();
    void writeFinished();
    // A write still under way leaves nothing behind.
    void abandonWrite();
    // Back to idle, then the outcome reported (empty failure: success).
    void report(const QString &failure);

    QFile *file = nullptr; // the temporary file
    QNetworkReply *reply = nullptr;
    QString m_target; // the path claimed for this download
    qint64 m_received = 0;
    // Why the transfer was stopped here; empty while all is well.
    QString m_failure;
    bool m_inMemory = false;
    QByteArray m_body;
    std::shared_ptr<BackgroundWrite> m_write;
};
