#include "service/DownloadFileHandler.h"

#include "service/NetworkManager.h"

#include <QDebug>
#include <QFile>
#include <QMetaType>
#include <QNetworkRequest>

DownloadFileHandler::DownloadFileHandler(QObject *parent)
    : QObject(parent) {}

DownloadFileHandler::~DownloadFileHandler() {
    delete file;
}

void DownloadFileHandler::setDownloadURLSlot(const QString &url) {
    this->url = QUrl(url, QUrl::TolerantMode);
    customName.clear();
}

QString DownloadFileHandler::targetFileName() const {
    const QString name = url.fileName(QUrl::FullyDecoded);
    if (customName.isEmpty())
        return name;
    // Only the leading base name is replaced: a name that repeats it
    // (logo.logo.png) or has none (.png) keeps the rest intact.
    const QString baseName = name.left(name.indexOf(QLatin1Char('.')));
    return customName + name.mid(baseName.size());
}

void DownloadFileHandler::beginDownload() {
    if (reply) {
        qDebug() << "download of" << url << "ignored: one is still running";
        return;
    }
    const QString path = targetDir.path() + QLatin1Char('/') + targetFileName();
    file = new QFile(path);
    writeError.clear();
    // Unbuffered, so that a write the disk refuses fails at once.
    if (!file->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString message = file->errorString();
        delete file;
        file = nullptr;
        emit fileOpeningError(message);
        return;
    }

    qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
    reply = NetworkManager::instance()->get(QNetworkRequest(url));
    // Owned here, so that a handler deleted mid-transfer stops it.
    reply->setParent(this);
    connect(reply, &QNetworkReply::readyRead, this, &DownloadFileHandler::downloadReadyRead);
    connect(reply, &QNetworkReply::finished, this, &DownloadFileHandler::downloadFinished);
    connect(reply, &QNetworkReply::errorOccurred, this, &DownloadFileHandler::RequestError,
            Qt::QueuedConnection);
    emit fileDownloadStarted();
}

void DownloadFileHandler::cancelDownload() {
    if (reply)
        reply->abort();
    emit fileDownloadCancelled();
}

void DownloadFileHandler::downloadReadyRead() {
    // An aborted reply is closed and has nothing left to read.
    if (!file || !reply || !reply->isOpen() || !writeError.isEmpty())
        return;
    const QByteArray data = reply->readAll();
    if (file->write(data) == data.size())
        return;
    writeError = file->errorString();
    // Nothing more can be kept: stop the transfer. The abort may finish the
    // download at once, so nothing here touches the file afterwards.
    reply->abort();
}

void DownloadFileHandler::downloadFinished() {
    if (!reply || !file)
        return;
    const QString fileName = file->fileName();
    downloadReadyRead();
    // A refused write aborts the reply, which may already have finished the
    // download from inside that call.
    if (!reply || !file)
        return;
    if (!file->flush() && writeError.isEmpty())
        writeError = file->errorString();
    file->close();
    const bool incomplete = !writeError.isEmpty();
    if (incomplete) {
        qWarning() << "download of" << url << "could not be written to" << fileName << ":"
                   << writeError;
        file->remove();
    }

    const bool failed = incomplete || reply->error() != QNetworkReply::NoError;
    const QString errorText = incomplete ? writeError : reply->errorString();
    const QString name = customName;
    // Back to idle before anyone hears of it: a receiver may start the next
    // download or delete this handler.
    reply->deleteLater();
    reply = nullptr;
    delete file;
    file = nullptr;

    if (failed)
        emit fileDownloadError(errorText);
    else if (name.isEmpty())
        emit fileDownloadFinished(fileName);
    else
        emit fileDownloadFinished(fileName, name);
}

void DownloadFileHandler::RequestError(QNetworkReply::NetworkError) {
    // Reported by downloadFinished(), which every failed transfer reaches.
}
