#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>

// A request as the local server received it.
struct LocalHttpRequest {
    QByteArray method;
    QByteArray target; // path and query as sent, still percent-encoded
    QByteArray path;   // the path, decoded
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;

    // First header of that name (case-insensitive), or empty.
    QByteArray header(const QByteArray &name) const;
};

struct LocalHttpResponse {
    int status = 200;
    QByteArray body;
    QByteArray contentType = "application/json";
    int delayMs = 0; // wait this long before answering (cut short by stop())
};

// An HTTP or HTTPS server on 127.0.0.1, on a free port, served by
// cpp-httplib on threads of its own. Every request, whatever its method and
// path, is recorded and answered by the handler (200 with an empty body
// until one is set). Handlers run on the server's threads.
class LocalHttpServer {
public:
    using Handler = std::function<LocalHttpResponse(const LocalHttpRequest &)>;

    LocalHttpServer();                                                       // HTTP
    LocalHttpServer(const QString &certificateFile, const QString &keyFile); // HTTPS
    ~LocalHttpServer();

    LocalHttpServer(const LocalHttpServer &) = delete;
    LocalHttpServer &operator=(const LocalHttpServer &) = delete;

    bool start();
    void stop();

    quint16 port() const;
    // http(s)://127.0.0.1:<port><path>
    QUrl url(const QString &path = QStringLiteral("/")) const;

    void setHandler(Handler handler);
    void respond(const LocalHttpResponse &response); // the same answer to every request

    QList<LocalHttpRequest> requests() const;
    int requestCount() const;
    // Requests whose answer has been handed to the connection.
    int answeredCount() const;
    void clearRequests();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
