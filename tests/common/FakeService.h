#pragma once

#include "LocalHttpServer.h"

#include "service/ServiceConfig.h"

#include <QByteArray>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>

#include <memory>

// A stand-in for the online service on 127.0.0.1 whose every answer a test
// chooses: JSON-RPC results by method name (as raw JSON text, so that any
// type can be sent), the geolocation and version lookups, and plain files
// (logos, playlists) by path. Methods without a chosen result answer
// {"error":"","result":""}. A method can be made slow.
class FakeService {
public:
    // Plain HTTP, or HTTPS with the given certificate and key.
    FakeService()
        : m_server(new LocalHttpServer) {
        install();
    }
    FakeService(const QString &certificateFile, const QString &keyFile)
        : m_server(new LocalHttpServer(certificateFile, keyFile)) {
        install();
    }
    // The server's threads use the tables below: they stop first.
    ~FakeService() { m_server->stop(); }
    FakeService(const FakeService &) = delete;
    FakeService &operator=(const FakeService &) = delete;

    bool start() { return m_server->start(); }
    void stop() { m_server->stop(); }
    LocalHttpServer &server() { return *m_server; }

    // Every address of the configuration on this server.
    ServiceConfig config(const QString &caFile = QString()) const {
        ServiceConfig config = ServiceConfig::defaults();
        config.apiUrl = m_server->url(QStringLiteral("/api/v1.0/"));
        config.webUrl = m_server->url(QString());
        config.siteUrl = m_server->url(QStringLiteral("/"));
        config.geoUrl = m_server->url(QStringLiteral("/json"));
        config.caFile = caFile;
        return config;
    }

    // The "result" member for a method, as JSON text ("[1,2]", "null", ...).
    void setResult(const QString &method, const QByteArray &json) {
        QMutexLocker lock(&m_mutex);
        m_results.insert(method, json);
    }
    // The whole reply body for a method (to send an "error" member).
    void setBody(const QString &method, const QByteArray &body) {
        QMutexLocker lock(&m_mutex);
        m_bodies.insert(method, body);
    }
    void setDelay(const QString &method, int milliseconds) {
        QMutexLocker lock(&m_mutex);
        m_delays.insert(method, milliseconds);
    }
    // A GET of this path answers with these bytes.
    void setFile(const QString &path, const QByteArray &bytes,
                 const QByteArray &contentType = "application/octet-stream") {
        QMutexLocker lock(&m_mutex);
        m_files.insert(path, qMakePair(bytes, contentType));
    }
    // Short answers for the whole road from sign-in to a channel list: one
    // device "Demo PC" (key "key-1"), the playlist 5 "TV" of one channel in
    // the group "News", no marks and no programmes.
    void answerChannelLoad() {
        setResult(QStringLiteral("login"), "\"tok\"");
        setResult(QStringLiteral("get_devices"), R"([{"name":"Demo PC","key":"key-1"}])");
        setResult(QStringLiteral("get_playlists"), R"([{"id":5,"title":"TV","source":""}])");
        setResult(QStringLiteral("get_channels"),
                  R"([{"id":1,"title":"One","group_id":10,"href":"","pict":"","epg_id":7}])");
        setResult(QStringLiteral("get_groups"), R"([{"id":10,"title":"News"}])");
        setResult(QStringLiteral("get_devopt"), "\"[]\"");
        setResult(QStringLiteral("get_epg"), "[]");
    }
    void clear() {
        QMutexLocker lock(&m_mutex);
        m_results.clear();
        m_bodies.clear();
        m_delays.clear();
        m_files.clear();
        m_methods.clear();
        m_params.clear();
    }

    // Methods called so far, in arrival order.
    QStringList methods() const {
        QMutexLocker lock(&m_mutex);
        return m_methods;
    }
    int count(const QString &method) const { return methods().count(method); }
    // The parameters of every call of a method, in arrival order.
    QList<QJsonArray> params(const QString &method) const {
        QMutexLocker lock(&m_mutex);
        QList<QJsonArray> found;
        for (int i = 0; i < m_methods.size(); ++i) {
            if (m_methods.at(i) == method)
                found << m_params.at(i);
        }
        return found;
    }

private:
    void install() {
        m_server->setHandler([this](const LocalHttpRequest &request) {
            QMutexLocker lock(&m_mutex);
            LocalHttpResponse response;
            if (request.method == "GET") {
                const QString path = QString::fromUtf8(request.path);
                const auto file = m_files.constFind(path);
                if (file == m_files.constEnd()) {
                    response.status = 404;
                    response.body = "not here";
                    response.contentType = "text/plain";
                } else {
                    response.body = file->first;
                    response.contentType = file->second;
                }
                return response;
            }
            const QJsonObject envelope = QJsonDocument::fromJson(request.body).object();
            const QString method = envelope.value(QLatin1String("method")).toString();
            m_methods << method;
            m_params << envelope.value(QLatin1String("params")).toArray();
            response.delayMs = m_delays.value(method);
            if (m_bodies.contains(method)) {
                response.body = m_bodies.value(method);
            } else {
                response.body = "{\"error\":\"\",\"result\":" +
                                m_results.value(method, QByteArrayLiteral("\"\"")) + "}";
            }
            return response;
        });
    }

    std::unique_ptr<LocalHttpServer> m_server;
    mutable QMutex m_mutex;
    QHash<QString, QByteArray> m_results;
    QHash<QString, QByteArray> m_bodies;
    QHash<QString, int> m_delays;
    QHash<QString, QPair<QByteArray, QByteArray>> m_files;
    QStringList m_methods;
    QList<QJsonArray> m_params;
};
