#include "service/DownloadFileHandler.h"

#include "app/Messages.h"
#include "service/DiskThreads.h"
#include "service/NetworkManager.h"
#include "service/SafeFileName.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QMetaType>
#include <QMutex>
#include <QNetworkRequest>
#include <QRandomGenerator>
#include <QSet>
#include <QThreadPool>
#include <QtConcurrent>

#include <utility>

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
template <typename Free> QString firstFree(const QString &path, Free free) {
    if (free(path))
        return path;
    for (int n = 1; n < 1000; ++n) {
        const QString candidate = variant(path, n);
        if (free(candidate))
            return candidate;
    }
    return QString();
}

QString firstFree(const QString &path) {
    return firstFree(path, isFree);
}

// Off the GUI thread only the disk can say what is taken.
QString firstFreeOnDisk(const QString &path) {
    return firstFree(path, [](const QString &candidate) { return !isTaken(candidate); });
}

// Creates a temporary file beside target that is new (never one that is
// there already); unbuffered, so that a write the disk refuses fails at
// once. The error text in *error when none could be made.
bool openTemporary(QFile &file, const QString &target, QString *error) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        file.setFileName(target + QStringLiteral(".part-") +
                         QString::number(QRandomGenerator::global()->generate(), 16));
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            return true;
        if (!file.exists())
            break;
    }
    *error = file.errorString();
    return false;
}

// Moves a complete temporary file to target: over what is there with
// replace (a link is removed, never followed), else to the first free
// name, as free() tells it. The path it went to, or empty and *error.
template <typename Free>
QString placeFile(QFile &file, const QString &target, bool replace, Free free, QString *error) {
    if (replace) {
        QFile old(target);
        if (isTaken(target) && !old.remove()) {
            *error = old.errorString();
            return QString();
        }
        if (file.rename(target))
            return target;
        *error = file.errorString();
        return QString();
    }
    // Another program may have made the file meanwhile: the next free name.
    QString placed = target;
    while (!file.rename(placed)) {
        if (!isTaken(placed))
            break;
        placed = free(placed);
        if (placed.isEmpty())
            break;
    }
    if (file.fileName() == placed && !placed.isEmpty())
        return placed;
    *error = file.errorString();
    return QString();
}

bool isWebScheme(const QUrl &url) {
    const QString scheme = url.scheme().toLower();
    return scheme == QLatin1String("http") || scheme == QLatin1String("https");
}

} // namespace

// A transfer handed to a worker thread. The handler may go away meanwhile:
// then nothing of the write is left on disk.
struct BackgroundWrite {
    QString target;
    QByteArray data;
    bool replace = true;
    std::function<bool(const QByteArray &)> accept;

    QMutex mutex;
    bool abandoned = false; // under mutex
    QString placed;         // under mutex
    QString error;

    void run() {
        // Refused with no error text: reported as a bad answer.
        if (accept && !accept(data))
            return;
        QFile file;
        QString failure;
        if (!openTemporary(file, target, &failure)) {
            error = failure;
            return;
        }
        const bool written = file.write(data) == data.size();
        if (!written)
            failure = file.errorString();
        data = QByteArray();
        file.close();
        QMutexLocker lock(&mutex);
        if (!written || abandoned) {
            file.remove();
            error = failure;
            return;
        }
        placed = placeFile(file, target, replace, firstFreeOnDisk, &failure);
        if (placed.isEmpty()) {
            file.remove();
            error = failure;
        }
    }
};

DownloadFileHandler::DownloadFileHandler(QObject *parent)
    : QObject(parent)
    , allowedSuffixes(SafeFileName::imageSuffixes() + SafeFileName::playlistSuffixes()) {}

DownloadFileHandler::~DownloadFileHandler() {
    abandonWrite();
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
    if (reply || m_write) {
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

    m_inMemory = writeInBackground;
    m_body.clear();
    if (!m_inMemory) {
        file = new QFile;
        QString message;
        if (!openTemporary(*file, target, &message)) {
            delete file;
            file = nullptr;
            emit fileOpeningError(message);
            return;
        }
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
    // A transfer already complete and being written ends as an abort does.
    if (m_write) {
        abandonWrite();
        report(badAnswerText());
    }
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
    if (!(file || m_inMemory) || !reply || !reply->isOpen() || !m_failure.isEmpty())
        return;
    const QByteArray data = reply->readAll();
    m_received += data.size();
    if (maxBytes > 0 && m_received > maxBytes) {
        refuse(tooLargeText());
        return;
    }
    if (m_inMemory)
        m_body += data;
    else if (file->write(data) != data.size())
        refuse(file->errorString());
}

QString DownloadFileHandler::moveIntoPlace() {
    QString error;
    const QString placed = placeFile(
        *file, m_target, replaceExisting, [](const QString &path) { return firstFree(path); },
        &error);
    if (placed.isEmpty())
        return error;
    if (placed != m_target) {
        release();
        m_target = placed;
        claimedTargets().insert(claimKey(placed));
    }
    return QString();
}

void DownloadFileHandler::downloadFinished() {
    if (!reply || !(file || m_inMemory))
        return;
    downloadReadyRead();
    // A refused write aborts the reply, which may already have finished the
    // download from inside that call.
    if (!reply || !(file || m_inMemory))
        return;
    if (file) {
        if (!file->flush() && m_failure.isEmpty())
            m_failure = file->errorString();
        file->close();
    }

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
    if (!m_failure.isEmpty())
        qWarning() << "download of" << url << "into" << m_target << "stopped:" << m_failure;
    reply->deleteLater();
    reply = nullptr;
    if (failure.isEmpty() && m_inMemory) {
        writeLater();
        return;
    }
    if (failure.isEmpty())
        failure = moveIntoPlace();
    if (!failure.isEmpty() && file)
        file->remove();
    report(failure);
}

void DownloadFileHandler::report(const QString &failure) {
    const QString fileName = m_target;
    const QString name = customName;
    // Back to idle before anyone hears of it: a receiver may start the next
    // download or delete this handler.
    delete file;
    file = nullptr;
    m_inMemory = false;
    m_body.clear();
    release();

    if (!failure.isEmpty())
        emit fileDownloadError(failure);
    else if (name.isEmpty())
        emit fileDownloadFinished(fileName);
    else
        emit fileDownloadFinished(fileName, name);
}

void DownloadFileHandler::writeLater() {
    m_write = std::make_shared<BackgroundWrite>();
    m_write->target = m_target;
    m_write->data = std::exchange(m_body, QByteArray());
    m_write->replace = replaceExisting;
    m_write->accept = acceptContent;
    auto *watcher = new QFutureWatcher<void>(this);
    const std::shared_ptr<BackgroundWrite> write = m_write;
    // Only the write under way is reported: one given up is not.
    connect(watcher, &QFutureWatcher<void>::finished, this, [this, write] {
        if (m_write == write)
            writeFinished();
    });
    connect(watcher, &QFutureWatcher<void>::finished, watcher, &QObject::deleteLater);
    watcher->setFuture(QtConcurrent::run(DiskThreads::pool(), [write] { write->run(); }));
}

void DownloadFileHandler::writeFinished() {
    const std::shared_ptr<BackgroundWrite> write = std::exchange(m_write, nullptr);
    if (!write)
        return;
    // The worker is done with it: nothing is locked any more.
    QString failure = write->error;
    if (!write->placed.isEmpty() && write->placed != m_target) {
        release();
        m_target = write->placed;
        claimedTargets().insert(claimKey(m_target));
    }
    if (write->placed.isEmpty() && failure.isEmpty())
        failure = badAnswerText();
    report(failure);
}

void DownloadFileHandler::abandonWrite() {
    const std::shared_ptr<BackgroundWrite> write = std::exchange(m_write, nullptr);
    if (!write)
        return;
    QMutexLocker lock(&write->mutex);
    write->abandoned = true;
    if (!write->placed.isEmpty())
        QFile::remove(write->placed);
}

void DownloadFileHandler::RequestError(QNetworkReply::NetworkError) {
    // Reported by downloadFinished(), which every failed transfer reaches.
}
