#include "RawHttpServer.h"

#include <QTcpSocket>

namespace {
const QByteArray headEnd = QByteArrayLiteral("\r\n\r\n");
const char bufferProperty[] = "rawHttpBuffer";
} // namespace

RawHttpServer::RawHttpServer(QObject *parent)
    : QTcpServer(parent) {
    connect(this, &QTcpServer::newConnection, this, &RawHttpServer::onNewConnection);
}

RawHttpServer::~RawHttpServer() = default;

bool RawHttpServer::start() {
    return listen(QHostAddress::LocalHost, 0);
}

QUrl RawHttpServer::url(const QString &path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(serverPort()).arg(path));
}

QByteArray RawHttpServer::head(const QByteArray &request) {
    const int end = request.indexOf(headEnd);
    return end < 0 ? request : request.left(end + headEnd.size());
}

QByteArray RawHttpServer::body(const QByteArray &request) {
    const int end = request.indexOf(headEnd);
    return end < 0 ? QByteArray() : request.mid(end + headEnd.size());
}

QByteArray RawHttpServer::response(const QByteArray &status, const QByteArray &body,
                                   const QByteArray &contentType) {
    return "HTTP/1.1 " + status + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

void RawHttpServer::onNewConnection() {
    while (QTcpSocket *socket = nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void RawHttpServer::onReadyRead(QTcpSocket *socket) {
    QByteArray buffer = socket->property(bufferProperty).toByteArray() + socket->readAll();
    for (;;) {
        const int end = buffer.indexOf(headEnd);
        if (end < 0)
            break;
        qsizetype length = 0;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        for (const QByteArray &line : lines) {
            const int colon = line.indexOf(':');
            if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length")
                length = line.mid(colon + 1).trimmed().toLongLong();
        }
        const qsizetype whole = end + headEnd.size() + length;
        if (buffer.size() < whole)
            break;
        m_requests.append(buffer.left(whole));
        buffer.remove(0, whole);
        emit requestReceived();
        if (!m_response.isEmpty()) {
            socket->write(m_response);
            socket->disconnectFromHost();
            buffer.clear();
            break;
        }
    }
    socket->setProperty(bufferProperty, buffer);
}
