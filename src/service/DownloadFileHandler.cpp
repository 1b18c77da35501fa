#include "service/DownloadFileHandler.h"

#include "app/Messages.h"
#include "service/NetworkManager.h"
#include "service/SafeFileName.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QSet>

namespace {

// The targets of the downloads under way in this process (GUI thread only).
QSet<QString> &claimedTargets() {
    static QSet<QString> targets;
    return targets;
}

QString claimKey(const QString &path) {
    const QString key = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
#ifdef Q_OS_WIN
    return key.toLower();
#else
    return key;
#endif
}

// A link counts as there even when it leads nowhere: nothing may be
// written through it.
bool isTaken(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool isFree(const QString &path) {
    return !claimedTargets().contains(claimKey(path)) && !isTaken(path);
}

// "dir/stem-n.ext" for path "dir/stem.ext", the suffix counted from the
// name's first dot as for custom names.
QString variant(const QString &path, int n) {
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    const int dot = path.indexOf(QLatin1Char('.'), slash + 1);
    const int cut = dot < 0 ? path.size() : dot;
    return path.left(cut) + QLatin1Char('-') + QString::number(n) + path.mid(cut);
}

// path itself or the first free variant of it; empty when none is free.
QString firstFree(const QString &path) {
    if (isFree(path))
        return path;
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = variant(path, n);
        if (isFree(candidate))
            return candidate;
    }
    return QString();
}

bool isWebScheme(const QUrl &url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

DownloadFileHandler::DownloadFileHandler(QObject *parent)
    : QObject(parent)
    , allowedSuffixes(SafeFileName::imageSuffixes() + SafeFileName::playlistSuffixes()) {}

DownloadFileHandler::~DownloadFileHandler() {
    if (file) {
        file->close();
        file->remove();
        delete file;
    }
    release();
}

QString DownloadFileHandler::tooLargeText() {
    return msg("toolarge");
}

QString DownloadFileHandler::badAnswerText() {
    return msg("downloadfailed");
}

QString DownloadFileHandler::busyText() {
    return msg("downloadbusy");
}

void DownloadFileHandler::setDownloadURLSlot(const QString &url) {
    this->url = QUrl(url, QUrl::TolerantMode);
    customName.clear();
}

QString DownloadFileHandler::targetFileName() const {
    QString name = url.fileName(QUrl::FullyDecoded);
    if (!customName.isEmpty()) {
        // Only the leading base name is replaced: a name that repeats it
        // (logo.logo.png) or has none (.png) keeps the rest intact.
        const QString baseName = name.left(name.indexOf(QLatin1Char('.')));
        name = customName + name.mid(baseName.size());
    }
    return SafeFileName::make(name, allowedSuffixes);
}

QString DownloadFileHandler::targetPath() const {
    return targetDir.path() + QLatin1Char('/') + targetFileName();
}

void DownloadFileHandler::release() {
    if (!m_target.isEmpty())
        claimedTargets().remove(claimKey(m_target));
    m_target.clear();
}

void DownloadFileHandler::beginDownload() {
    if (reply) {
        qDebug() << "download of" << url << "ignored: one is still running";
        return;
    }
    m_failure.clear();
    m_received = 0;
    // A file, a share or any other scheme is not the web address the
    // caller was given to fetch.
    if (!isWebScheme(url)) {
        qDebug() << "download of" << url << "refused: not an http or https address";
        emit fileDownloadError(badAnswerText());
        return;
    }
    const QString wanted = targetPath();
    const QString target = replaceExisting
                               ? (claimedTargets().contains(claimKey(wanted)) ? QString() : wanted)
                               : firstFree(wanted);
    if (target.isEmpty()) {
        qDebug() << "download of" << url << "refused:" << wanted << "is being written";
        emit fileOpeningError(busyText());
        return;
    }

    file = new QFile;
    bool opened = false;
    for (int attempt = 0; attempt < 8 && !opened; ++attempt) {
        file->setFileName(target + QStringLiteral(".part-") +
                          QString::number(QRandomGenerator::global()->generate(), 16));
        // NewOnly: never into a file that is there already. Unbuffered, so
        // that a write the disk refuses fails at once.
        opened = file->open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered);
        if (!opened && !file->exists())
            break;
    }
    if (!opened) {
        const QString message = file->errorString();
        delete file;
        file = nullptr;
        emit fileOpeningError(message);
        return;
    }
    m_target = target;
    claimedTargets().insert(claimKey(target));

    qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(maxRedirects);
    reply = NetworkManager::instance()->get(request);
    // Owned here, so that a handler deleted mid-transfer stops it.
    reply->setParent(this);
    connect(reply, &QNetworkReply::metaDataChanged, this, &DownloadFileHandler::checkAnnouncedSize);
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

void DownloadFileHandler::refuse(const QString &reason) {
    m_failure = reason;
    // The abort may finish the download at once, so nothing here touches
    // the file afterwards.
    reply->abort();
}

void DownloadFileHandler::checkAnnouncedSize() {
    if (!reply || maxBytes <= 0 || !m_failure.isEmpty())
        return;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > maxBytes) {
        // Qt does not take an abort from inside this signal; nothing more
        // is written meanwhile.
        m_failure = tooLargeText();
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    }
}

void DownloadFileHandler::downloadReadyRead() {
    // An aborted reply is closed and has nothing left to read.
    if (!file || !reply || !reply->isOpen() || !m_failure.isEmpty())
        return;
    const QByteArray data = reply->readAll();
    m_received += data.size();
    if (maxBytes > 0 && m_received > maxBytes) {
        refuse(tooLargeText());
        return;
    }
    if (file->write(data) != data.size())
        refuse(file->errorString());
}

QString DownloadFileHandler::moveIntoPlace() {
    if (replaceExisting) {
        // What is there goes first, a link included (it is removed, never
        // followed).
        QFile old(m_target);
        if (isTaken(m_target) && !old.remove())
            return old.errorString();
        return file->rename(m_target) ? QString() : file->errorString();
    }
    // Another program may have made the file meanwhile: the next free name.
    QString target = m_target;
    while (!file->rename(target)) {
        if (!isTaken(target))
            return file->errorString();
        target = firstFree(target);
        if (target.isEmpty())
            return file->errorString();
    }
    release();
    m_target = target;
    claimedTargets().insert(claimKey(target));
    return QString();
}

void DownloadFileHandler::downloadFinished() {
    if (!reply || !file)
        return;
    downloadReadyRead();
    // A refused write aborts the reply, which may already have finished the
    // download from inside that call.
    if (!reply || !file)
        return;
    if (!file->flush() && m_failure.isEmpty())
        m_failure = file->errorString();
    file->close();

    QString failure = m_failure;
    if (failure.isEmpty() && reply->error() != QNetworkReply::NoError)
        failure = reply->errorString();
    if (failure.isEmpty()) {
        // A redirect that was not followed, or any other answer that is no
        // success, does not carry the file.
        const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
        if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299)) {
            qDebug() << "download of" << url << "answered with status" << status.toInt();
            failure = badAnswerText();
        }
    }
    if (failure.isEmpty())
        failure = moveIntoPlace();
    if (!failure.isEmpty()) {
        if (!m_failure.isEmpty())
            qWarning() << "download of" << url << "into" << m_target << "stopped:" << m_failure;
        file->remove();
    }

    const QString fileName = m_target;
    const QString name = customName;
    // Back to idle before anyone hears of it: a receiver may start the next
    // download or delete this handler.
    reply->deleteLater();
    reply = nullptr;
    delete file;
    file = nullptr;
    release();

    if (!failure.isEmpty())
        emit fileDownloadError(failure);
    else if (name.isEmpty())
        emit fileDownloadFinished(fileName);
    else
        emit fileDownloadFinished(fileName, name);
}

void DownloadFileHandler::RequestError(QNetworkReply::NetworkError) {
    // Reported by downloadFinished(), which every failed transfer reaches.
}
