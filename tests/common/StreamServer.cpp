#include "StreamServer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <chrono>

namespace {
constexpr int paceIntervalMs = 20;
constexpr qint64 fullSpeedChunk = 256 * 1024;

qint64 monotonicMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

QByteArray contentType(const QString &path) {
    if (path.endsWith(QLatin1String(".m3u8")))
        return "application/vnd.apple.mpegurl";
    if (path.endsWith(QLatin1String(".ts")))
        return "video/mp2t";
    return "application/octet-stream";
}
} // namespace

// Lives in the server's thread; owns the listener and the connections.
class StreamServerWorker : public QObject {
public:
    explicit StreamServerWorker(StreamServer *owner)
        : m_owner(owner) {}

    quint16 listen() {
        m_server = new QTcpServer(this);
        connect(m_server, &QTcpServer::newConnection, this, &StreamServerWorker::accept);
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            return 0;
        return m_server->serverPort();
    }

    void shutDown() {
        if (m_server)
            m_server->close();
        const auto sockets = findChildren<QTcpSocket *>();
        for (QTcpSocket *socket : sockets)
            socket->abort();
        qDeleteAll(sockets);
    }

    bool listening() const { return m_server && m_server->isListening(); }

    int connections() const { return findChildren<QTcpSocket *>().size(); }

    void cut(int refuseMs) {
        m_refuseUntil = monotonicMs() + refuseMs;
        const auto sockets = findChildren<QTcpSocket *>();
        for (QTcpSocket *socket : sockets)
            socket->abort();
        qDeleteAll(sockets);
    }

private:
    struct Transfer {
        QFile *file = nullptr;
        qint64 remaining = 0;
        qint64 bytesPerSecond = 0; // 0: full speed
        QElapsedTimer clock;
        qint64 sent = 0;
    };

    void accept() {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            if (monotonicMs() < m_refuseUntil) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readRequest(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QObject::destroyed, this, [this, socket] {
                m_pending.remove(socket);
                m_transfers.remove(socket);
            });
        }
    }

    void readRequest(QTcpSocket *socket) {
        QByteArray &buffer = m_pending[socket];
        buffer += socket->readAll();
        const int end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        m_pending.remove(socket);
        disconnect(socket, &QTcpSocket::readyRead, this, nullptr);

        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QString path = QString::fromUtf8(requestLine.value(1));
        qint64 rangeStart = -1;
        for (const QByteArray &line : lines) {
            const QByteArray header = line.trimmed().toLower();
            if (header.startsWith("range: bytes="))
                rangeStart = header.mid(13).split('-').value(0).toLongLong();
        }
        m_owner->recordRequest(path);
        if (m_owner->isSilent(path)) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + contentType(path) +
                          "\r\nConnection: close\r\n\r\n");
            return;
        }

        const QString filePath = QDir(m_owner->m_root).filePath(path.mid(1).section('?', 0, 0));
        auto *file = new QFile(filePath, socket);
        if (requestLine.value(0) != "GET" || path.contains(QLatin1String("..")) ||
            !QFileInfo(filePath).isFile() || !file->open(QIODevice::ReadOnly)) {
            socket->write(
                "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            socket->disconnectFromHost();
            return;
        }

        Transfer transfer;
        transfer.file = file;
        const double live = m_owner->liveSeconds(path);
        QByteArray head;
        if (live > 0) {
            transfer.bytesPerSecond = qint64(file->size() / live);
            transfer.remaining = file->size();
            head = "HTTP/1.1 200 OK\r\nContent-Type: " + contentType(path) +
                   "\r\nConnection: close\r\n\r\n";
        } else if (rangeStart > 0 && rangeStart < file->size()) {
            file->seek(rangeStart);
            transfer.remaining = file->size() - rangeStart;
            head = "HTTP/1.1 206 Partial Content\r\nContent-Type: " + contentType(path) +
                   "\r\nAccept-Ranges: bytes\r\nContent-Range: bytes " +
                   QByteArray::number(rangeStart) + '-' + QByteArray::number(file->size() - 1) +
                   '/' + QByteArray::number(file->size()) +
                   "\r\nContent-Length: " + QByteArray::number(transfer.remaining) +
                   "\r\nConnection: close\r\n\r\n";
        } else {
            transfer.remaining = file->size();
            head = "HTTP/1.1 200 OK\r\nContent-Type: " + contentType(path) +
                   "\r\nAccept-Ranges: bytes\r\nContent-Length: " +
                   QByteArray::number(transfer.remaining) + "\r\nConnection: close\r\n\r\n";
        }
        socket->write(head);
        transfer.clock.start();
        m_transfers.insert(socket, transfer);
        if (transfer.bytesPerSecond > 0) {
            auto *pace = new QTimer(socket);
            pace->setTimerType(Qt::PreciseTimer);
            connect(pace, &QTimer::timeout, this, [this, socket] { feed(socket); });
            pace->start(paceIntervalMs);
        } else {
            connect(socket, &QTcpSocket::bytesWritten, this, [this, socket] { feed(socket); });
        }
        feed(socket);
    }

    void feed(QTcpSocket *socket) {
        auto it = m_transfers.find(socket);
        if (it == m_transfers.end())
            return;
        Transfer &transfer = it.value();
        qint64 allowed = fullSpeedChunk;
        if (transfer.bytesPerSecond > 0) {
            const qint64 due = transfer.bytesPerSecond * transfer.clock.elapsed() / 1000;
            allowed = qMax<qint64>(0, due - transfer.sent);
        } else if (socket->bytesToWrite() > fullSpeedChunk) {
            return;
        }
        allowed = qMin(allowed, transfer.remaining);
        if (allowed > 0) {
            const QByteArray data = transfer.file->read(allowed);
            socket->write(data);
            transfer.sent += data.size();
            transfer.remaining -= data.size();
        }
        if (transfer.remaining <= 0) {
            m_transfers.erase(it);
            socket->disconnectFromHost();
        }
    }

    StreamServer *m_owner;
    QTcpServer *m_server = nullptr;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QHash<QTcpSocket *, Transfer> m_transfers;
    qint64 m_refuseUntil = 0;
};

StreamServer::StreamServer(const QString &root)
    : m_root(root) {}

StreamServer::~StreamServer() {
    stop();
    if (m_worker) {
        // Deleted in its own thread, where its sockets and timers live.
        QMetaObject::invokeMethod(
            m_worker, [this] { delete m_worker; }, Qt::BlockingQueuedConnection);
        m_worker = nullptr;
        m_thread.quit();
        m_thread.wait();
    }
}

bool StreamServer::start() {
    if (!m_worker) {
        m_worker = new StreamServerWorker(this);
        m_worker->moveToThread(&m_thread);
        m_thread.start();
    }
    quint16 port = 0;
    QMetaObject::invokeMethod(
        m_worker, [this, &port] { port = m_worker->listen(); }, Qt::BlockingQueuedConnection);
    m_port = port;
    return port != 0;
}

void StreamServer::stop() {
    if (m_worker && m_thread.isRunning())
        QMetaObject::invokeMethod(
            m_worker, [this] { m_worker->shutDown(); }, Qt::BlockingQueuedConnection);
}

void StreamServer::cutConnections(int refuseMs) {
    if (m_worker && m_thread.isRunning())
        QMetaObject::invokeMethod(
            m_worker, [this, refuseMs] { m_worker->cut(refuseMs); }, Qt::BlockingQueuedConnection);
}

bool StreamServer::isListening() const {
    bool listening = false;
    if (m_worker && m_thread.isRunning())
        QMetaObject::invokeMethod(
            m_worker, [this, &listening] { listening = m_worker->listening(); },
            Qt::BlockingQueuedConnection);
    return listening;
}

QString StreamServer::url(const QString &path) const {
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(m_port).arg(path);
}

void StreamServer::setLive(const QString &path, double seconds) {
    QMutexLocker lock(&m_mutex);
    m_live.insert(path.startsWith('/') ? path : '/' + path, seconds);
}

void StreamServer::setSilent(const QString &path) {
    QMutexLocker lock(&m_mutex);
    m_silent.insert(path.startsWith('/') ? path : '/' + path);
}

int StreamServer::openConnections() const {
    int count = 0;
    if (m_worker && m_thread.isRunning())
        QMetaObject::invokeMethod(
            m_worker, [this, &count] { count = m_worker->connections(); },
            Qt::BlockingQueuedConnection);
    return count;
}

int StreamServer::requestCount(const QString &path) const {
    return requestTimes(path).size();
}

QVector<qint64> StreamServer::requestTimes(const QString &path) const {
    QMutexLocker lock(&m_mutex);
    return m_requests.value(path.startsWith('/') ? path : '/' + path);
}

void StreamServer::recordRequest(const QString &path) {
    QMutexLocker lock(&m_mutex);
    m_requests[path].append(monotonicMs());
}

double StreamServer::liveSeconds(const QString &path) const {
    QMutexLocker lock(&m_mutex);
    return m_live.value(path.section('?', 0, 0), 0.0);
}

bool StreamServer::isSilent(const QString &path) const {
    QMutexLocker lock(&m_mutex);
    return m_silent.contains(path.section('?', 0, 0));
}
