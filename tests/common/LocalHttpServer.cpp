#include "LocalHttpServer.h"

#include <httplib.h>

#include <QMutex>
#include <QMutexLocker>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

struct LocalHttpServer::Private {
    std::unique_ptr<httplib::Server> server;
    bool https = false;
    int port = 0;
    std::thread thread;
    mutable QMutex mutex;
    Handler handler;
    QList<LocalHttpRequest> requests;
    int answered = 0;
    // Delayed answers wait on this, so that stop() need not wait them out.
    std::mutex delayMutex;
    std::condition_variable delayEnded;
    bool stopping = false;

    void serve(const httplib::Request &in, httplib::Response &out) {
        LocalHttpRequest request;
        request.method = QByteArray::fromStdString(in.method);
        request.target = QByteArray::fromStdString(in.target);
        request.path = QByteArray::fromStdString(in.path);
        for (const auto &header : in.headers)
            request.headers.append(qMakePair(QByteArray::fromStdString(header.first),
                                             QByteArray::fromStdString(header.second)));
        request.body = QByteArray::fromStdString(in.body);

        Handler current;
        {
            QMutexLocker lock(&mutex);
            requests.append(request);
            current = handler;
        }
        LocalHttpResponse response;
        if (current)
            response = current(request);
        if (response.delayMs > 0) {
            std::unique_lock<std::mutex> lock(delayMutex);
            delayEnded.wait_for(lock, std::chrono::milliseconds(response.delayMs),
                                [this] { return stopping; });
        }
        {
            QMutexLocker lock(&mutex);
            ++answered;
        }
        out.status = response.status;
        if (response.contentType.isEmpty())
            out.body = response.body.toStdString();
        else
            out.set_content(response.body.toStdString(), response.contentType.toStdString());
    }
};

QByteArray LocalHttpRequest::header(const QByteArray &name) const {
    for (const auto &header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return header.second;
    }
    return QByteArray();
}

LocalHttpServer::LocalHttpServer()
    : d(new Private) {
    d->server.reset(new httplib::Server);
}

LocalHttpServer::LocalHttpServer(const QString &certificateFile, const QString &keyFile)
    : d(new Private) {
    d->https = true;
    d->server.reset(new httplib::SSLServer(certificateFile.toLocal8Bit().constData(),
                                           keyFile.toLocal8Bit().constData()));
}

LocalHttpServer::~LocalHttpServer() {
    stop();
}

bool LocalHttpServer::start() {
    if (!d->server->is_valid())
        return false;
    auto serve = [this](const httplib::Request &in, httplib::Response &out) { d->serve(in, out); };
    const std::string any = ".*";
    d->server->Get(any, serve);
    d->server->Post(any, serve);
    d->server->Put(any, serve);
    d->server->Delete(any, serve);
    d->server->Patch(any, serve);
    d->server->Options(any, serve);
    // Short idle keep-alive so that stop() does not wait on open connections.
    d->server->set_keep_alive_timeout(1);
    {
        std::lock_guard<std::mutex> lock(d->delayMutex);
        d->stopping = false;
    }
    d->port = d->server->bind_to_any_port("127.0.0.1");
    if (d->port <= 0)
        return false;
    d->thread = std::thread([this] { d->server->listen_after_bind(); });
    return true;
}

void LocalHttpServer::stop() {
    {
        std::lock_guard<std::mutex> lock(d->delayMutex);
        d->stopping = true;
    }
    d->delayEnded.notify_all();
    if (d->thread.joinable()) {
        d->server->stop();
        d->thread.join();
    }
}

quint16 LocalHttpServer::port() const {
    return quint16(d->port);
}

QUrl LocalHttpServer::url(const QString &path) const {
    const QString scheme = d->https ? QStringLiteral("https") : QStringLiteral("http");
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3").arg(scheme).arg(d->port).arg(path));
}

void LocalHttpServer::setHandler(Handler handler) {
    QMutexLocker lock(&d->mutex);
    d->handler = std::move(handler);
}

void LocalHttpServer::respond(const LocalHttpResponse &response) {
    setHandler([response](const LocalHttpRequest &) { return response; });
}

QList<LocalHttpRequest> LocalHttpServer::requests() const {
    QMutexLocker lock(&d->mutex);
    return d->requests;
}

int LocalHttpServer::answeredCount() const {
    QMutexLocker lock(&d->mutex);
    return d->answered;
}

int LocalHttpServer::requestCount() const {
    QMutexLocker lock(&d->mutex);
    return d->requests.size();
}

void LocalHttpServer::clearRequests() {
    QMutexLocker lock(&d->mutex);
    d->requests.clear();
}
