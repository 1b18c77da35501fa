#include "channels/LoadImageUrl.h"

#include "app/DataPaths.h"
#include "channels/LogoImage.h"
#include "service/DownloadFileHandler.h"
#include "service/SafeFileName.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

QString &chosenDirectory() {
    static QString directory;
    return directory;
}

bool usable(const QString &directory) {
    if (!QDir().mkpath(directory))
        return false;
    const QFileInfo info(directory);
    return info.isDir() && info.isWritable();
}

} // namespace

LoadImageUrl::LoadImageUrl(QObject *parent)
    : QObject(parent) {}

LoadImageUrl::~LoadImageUrl() = default;

QString LoadImageUrl::chooseCacheDirectory(const QString &preferred) {
    if (usable(preferred))
        return preferred;
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/image");
}

QString LoadImageUrl::cacheDirectory() {
    QString &directory = chosenDirectory();
    if (directory.isEmpty())
        directory = chooseCacheDirectory(DataPaths::logoCacheParent() + QStringLiteral("/image"));
    return directory;
}

void LoadImageUrl::setCacheDirectory(const QString &directory) {
    chosenDirectory() = directory;
}

QStringList LoadImageUrl::retireCache() {
    const QString directory = cacheDirectory();
    const QFileInfo info(directory);
    const QString retiredPrefix = info.fileName() + QStringLiteral(".old-");
    QDir parent = info.dir();
    if (info.exists()) {
        const QString retired =
            retiredPrefix + QString::number(QDateTime::currentMSecsSinceEpoch());
        // A folder that cannot be moved is emptied where it is.
        if (!parent.rename(info.fileName(), retired))
            QDir(directory).removeRecursively();
    }
    QStringList folders;
    const QStringList found = parent.entryList({retiredPrefix + QLatin1Char('*')},
                                               QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QString &name : found)
        folders << parent.filePath(name);
    return folders;
}

void LoadImageUrl::load(const QString &address, int channelId) {
    id_chanel = channelId;
    auto *download = new DownloadFileHandler(this);
    download->url = QUrl(address, QUrl::TolerantMode);
    download->customName = QString::number(channelId);
    download->allowedSuffixes = SafeFileName::imageSuffixes();
    download->maxBytes = maxLogoBytes;
    download->writeInBackground = true;
    // Not an image a row would draw: the channel keeps its address and
    // shows the TV icon, as after a failed download. Read from the
    // transfer on the worker that writes it, not from the file on the GUI
    // thread.
    download->acceptContent = &LogoImage::acceptableData;
    const QString directory = cacheDirectory();
    QDir().mkpath(directory);
    download->targetDir = QDir(directory + QLatin1Char('/'));
    connect(download, &DownloadFileHandler::fileDownloadStarted, this,
            &LoadImageUrl::downloadStart);
    connect(download,
            qOverload<const QString &, const QString &>(&DownloadFileHandler::fileDownloadFinished),
            this, &LoadImageUrl::downloadFinsh);
    connect(download, &DownloadFileHandler::fileDownloadError, this, &LoadImageUrl::downloadError);
    connect(download, &DownloadFileHandler::fileOpeningError, this, &LoadImageUrl::downloadError);
    download->beginDownload();
}

void LoadImageUrl::downloadStart() {}

void LoadImageUrl::downloadFinsh(QString s_file, QString s_id_chanel) {
    int id = s_id_chanel.toInt();
    emit GetImageDone(id, s_file);
}

void LoadImageUrl::downloadError(QString) {
    // Nothing to report: the channel keeps its address and shows the TV
    // icon. The object has done its work.
    deleteLater();
}

void LoadImageUrl::fileIsReady(QNetworkReply *) {}
