#pragma once

#include <QByteArray>
#include <QList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A bare HTTP server on 127.0.0.1 in the test's own event loop, for exact
// control over the bytes: it records each whole request (head and the body
// its Content-Length announces) and writes back a fixed response verbatim,
// then closes the connection. With no response set it accepts, reads and
// never answers.
class RawHttpServer : public QTcpServer {
    Q_OBJECT

public:
    explicit RawHttpServer(QObject *parent = nullptr);
    ~RawHttpServer() override;

    bool start();
    QUrl url(const QString &path = QStringLiteral("/")) const;

    void setResponse(const QByteArray &raw) { m_response = raw; }

    QList<QByteArray> requests() const { return m_requests; }
    // The parts of one recorded request.
    static QByteArray head(const QByteArray &request);
    static QByteArray body(const QByteArray &request);

    // "HTTP/1.1 <status>" with Content-Length and the body.
    static QByteArray response(const QByteArray &status, const QByteArray &body,
                               const QByteArray &contentType = "application/json");

signals:
    void requestReceived();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);

    QByteArray m_response;
    QList<QByteArray> m_requests;
};
