#include "desktop/SingleInstance.h"

#include <QCryptographicHash>
#include <QDebug>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

const QByteArray activateRequest = QByteArrayLiteral("activate\n");

} // namespace

SingleInstance::SingleInstance(QObject *parent)
    : QObject(parent) {}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::keyFor(const QString &settingsPath) {
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(settingsPath).toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("vantero-") + QString::fromLatin1(hash.toHex().left(16));
}

QString SingleInstance::lockPath(const QString &key) {
    return QDir::temp().filePath(key + QStringLiteral(".lock"));
}

bool SingleInstance::claim(const QString &key) {
    auto lock = std::make_unique<QLockFile>(lockPath(key));
    if (!lock->tryLock(0))
        return false;
    // Holding the lock, any socket under the key is a dead copy's.
    QLocalServer::removeServer(key);
    auto *server = new QLocalServer(this);
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(key)) {
        // Still the only copy; later starts just cannot reach it.
        qDebug() << "single instance: cannot listen on" << key << server->errorString();
        delete server;
        m_lock = std::move(lock);
        return true;
    }
    connect(server, &QLocalServer::newConnection, this, &SingleInstance::readRequests);
    m_server = server;
    m_lock = std::move(lock);
    return true;
}

void SingleInstance::readRequests() {
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            // Only whole requests count; anything else is read and dropped.
            while (socket->canReadLine()) {
                if (socket->readLine() == activateRequest)
                    emit activationRequested();
            }
        });
    }
}

bool SingleInstance::activateRunning(const QString &key) {
    // The running copy takes its lock a moment before it listens: a start
    // in that moment tries again for a few seconds.
    for (int attempt = 0; attempt < 50; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(key);
        if (socket.waitForConnected(1000)) {
            socket.write(activateRequest);
            const bool sent = socket.waitForBytesWritten(5000);
            socket.disconnectFromServer();
            if (socket.state() != QLocalSocket::UnconnectedState)
                socket.waitForDisconnected(1000);
            return sent;
        }
        QThread::msleep(100);
    }
    qDebug() << "single instance: the running copy does not answer on" << key;
    return false;
}
