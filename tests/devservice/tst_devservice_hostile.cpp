// Bad input never takes the development service down: every faulty request
// gets an error in the protocol's form (or an HTTP error on the plain
// endpoints), and the service keeps answering, also under a burst of
// thousands of requests.
#include "DevServiceProcess.h"
#include "DevServiceTestKit.h"
#include "TestRows.h"
#include "TestSupport.h"

#include "service/DownloadFileHandler.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"
#include "service/UploadFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QScopedPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

struct RawReply {
    int status = 0;
    QByteArray body;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    bool finished = false;
};

RawReply send(QNetworkAccessManager *manager, const QByteArray &verb, const QUrl &url,
              const QByteArray &body, const QByteArray &contentType) {
    QNetworkRequest request(url);
    if (!contentType.isEmpty())
        request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    QNetworkReply *reply = manager->sendCustomRequest(request, verb, body);
    RawReply result;
    QObject::connect(reply, &QNetworkReply::finished, reply, [&result, reply] {
        result.finished = true;
        result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result.body = reply->readAll();
        result.error = reply->error();
    });
    static_cast<void>(QTest::qWaitFor([&result] { return result.finished; }, 30000));
    reply->deleteLater();
    return result;
}

RawReply post(const QUrl &url, const QByteArray &body,
              const QByteArray &contentType = "application/json") {
    return send(NetworkManager::instance(), "POST", url, body, contentType);
}

QByteArray envelope(const QString &method, const QJsonArray &params) {
    return QJsonDocument(QJsonObject{{QStringLiteral("id"), QStringLiteral("1")},
                                     {QStringLiteral("method"), method},
                                     {QStringLiteral("params"), params}})
        .toJson();
}

// The body of an upload as the client sends it (two boundary lines).
QByteArray uploadBody(const QByteArray &content, const QByteArray &field = "inplaylist") {
    return "--*****\r\n--*****\r\nContent-Disposition: form-data; name=\"" + field +
           "\"; filename=\"list.m3u\"\r\nContent-Type: audio/x-mpegurl\r\n\r\n" + content +
           "\r\n--*****--\r\n";
}

const QByteArray playlist = "#EXTM3U\n#EXTINF:-1,One\nhttp://127.0.0.1:1/one.ts\n";
const QByteArray multipartType = "multipart/form-data; boundary=*****";

} // namespace

class TestDevServiceHostile : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void malformedRequests_data();
    void malformedRequests();
    void invalidTokens_data();
    void invalidTokens();
    void oversizedBody();
    void wrongHttpMethod();
    void hostileUploads_data();
    void hostileUploads();
    void serviceStillAnswers();
    void burstOfGuideAndLogoRequests();
    void burstOfFreshConnections();

private:
    QString token() const {
        return m_service->login(QString::fromLatin1(DevServiceProcess::demoEmail),
                                QString::fromLatin1(DevServiceProcess::demoPassword), m_deviceKey);
    }
    QUrl uploadUrl(const QString &hash, const QString &encodedTitle) const {
        return QUrl(m_service->webUrl().toString() + QStringLiteral("/upload/playlist/") + hash +
                        QLatin1Char('/') + encodedTitle,
                    QUrl::StrictMode);
    }

    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QString m_deviceKey;
};

void TestDevServiceHostile::initTestCase() {
    JsonRpc::setOnlineCheck([] { return true; });
    m_settings.reset(new ScopedSettings);
    m_service.reset(
        new DevServiceProcess({QStringLiteral("--seed-channels"), QStringLiteral("2000")}));
    QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
    m_deviceKey = m_service->demoDeviceKey();
}

void TestDevServiceHostile::cleanupTestCase() {
    m_service.reset();
    m_settings.reset();
    JsonRpc::setOnlineCheck(nullptr);
}

void TestDevServiceHostile::malformedRequests_data() {
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("error");

    const QByteArray deep = QByteArray(100000, '[') + QByteArray(100000, ']');
    QTest::newRow("not JSON") << QByteArray("hello") << "Parse error";
    QTest::newRow("empty body") << QByteArray() << "Parse error";
    QTest::newRow("cut short") << QByteArray("{\"id\":\"1\",\"method\":\"login\"") << "Parse error";
    addRow("invalid UTF-8", QByteArray("{\"method\":\"logout\",\"params\":[\"\xff\xfe\"]}"),
           "Parse error");
    QTest::newRow("an array") << QByteArray("[1,2]") << "Invalid request";
    QTest::newRow("deeply nested") << deep << "Invalid request";
    QTest::newRow("no method") << QByteArray("{\"id\":\"1\",\"params\":[]}") << "Invalid request";
    addRow("method is a number", QByteArray("{\"method\":5,\"params\":[]}"), "Invalid request");
    addRow("params an object",
           QByteArray("{\"method\":\"get_groups\",\"params\":{\"token\":\"x\"}}"),
           "Invalid request");
    addRow("unknown method", envelope(QStringLiteral("drop_tables"), {}), "Method not found");
    addRow("too few params",
           envelope(QStringLiteral("login"), {QStringLiteral("demo"), QStringLiteral("x")}),
           "Invalid params");
    addRow("too many params",
           envelope(QStringLiteral("get_groups"), {QStringLiteral("a"), QStringLiteral("b")}),
           "Invalid params");
    addRow("numbers for texts", envelope(QStringLiteral("login"), {1, 2, 3}), "Invalid params");
    addRow("text for a number",
           envelope(QStringLiteral("get_channels"), {QStringLiteral("t"), QStringLiteral("5")}),
           "Invalid params");
    addRow("fraction for a number",
           envelope(QStringLiteral("verify_code"), {QStringLiteral("79001234567"), 1.5}),
           "Invalid params");
    addRow("huge number", QByteArray("{\"method\":\"get_epg\",\"params\":[1e300,10,\"t\"]}"),
           "Invalid params");
    addRow("null parameter", QByteArray("{\"method\":\"logout\",\"params\":[null]}"),
           "Invalid params");
    addRow("nested parameter", QByteArray("{\"method\":\"logout\",\"params\":[[\"x\"]]}"),
           "Invalid params");
    addRow("boolean parameter",
           QByteArray("{\"method\":\"delete_playlist\",\"params\":[true,\"t\"]}"),
           "Invalid params");
}

void TestDevServiceHostile::malformedRequests() {
    QFETCH(QByteArray, body);
    QFETCH(QString, error);

    const RawReply reply = post(m_service->apiUrl(), body);
    QVERIFY(reply.finished);
    QCOMPARE(reply.status, 200);
    const QJsonObject answer = QJsonDocument::fromJson(reply.body).object();
    QVERIFY2(answer.value(QLatin1String("error")).toString().startsWith(error),
             reply.body.constData());
    QVERIFY(answer.value(QLatin1String("result")).isNull());
    // The client sees the same text through its error signal.
    const Outcome outcome = exchange([&](JsonRpc &rpc) {
        const QJsonDocument document = QJsonDocument::fromJson(body);
        if (document.isObject() && document.object().value(QLatin1String("method")).isString() &&
            document.object().value(QLatin1String("params")).isArray()) {
            rpc.call(m_service->apiUrl(),
                     document.object().value(QLatin1String("method")).toString(),
                     document.object().value(QLatin1String("params")).toArray());
        } else {
            rpc.call(m_service->apiUrl(), QStringLiteral("no_such_method"), {});
        }
    });
    QVERIFY(outcome.failed);
    QVERIFY(!outcome.error.isEmpty());
}

void TestDevServiceHostile::invalidTokens_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QJsonArray>("params");
    QTest::addColumn<QString>("error");

    const QString bogus = QStringLiteral("0123456789abcdef0123456789abcdef0123456789abcdef");
    const QString xcb = QStringLiteral("xcb");
    QTest::newRow("get_devices") << "get_devices" << QJsonArray{xcb, bogus} << "Invalid token";
    addRow("register_device", "register_device", QJsonArray{QStringLiteral("Box"), xcb, bogus},
           "Invalid token");
    QTest::newRow("get_playlists") << "get_playlists" << QJsonArray{bogus} << "Invalid token";
    addRow("delete_playlist", "delete_playlist", QJsonArray{1, bogus}, "Invalid token");
    QTest::newRow("get_channels") << "get_channels" << QJsonArray{bogus, 1} << "Invalid token";
    QTest::newRow("get_groups") << "get_groups" << QJsonArray{bogus} << "Invalid token";
    QTest::newRow("get_upload_hash") << "get_upload_hash" << QJsonArray{bogus} << "Invalid token";
    addRow("set_devopt", "set_devopt",
           QJsonArray{QStringLiteral("xcb_fav_1"), QStringLiteral("[]"), bogus}, "Invalid token");
    addRow("get_devopt", "get_devopt", QJsonArray{QStringLiteral("xcb_fav_1"), bogus},
           "Invalid token");
    QTest::newRow("get_epg") << "get_epg" << QJsonArray{101, 10, bogus} << "Invalid token";
    addRow("find_epg", "find_epg", QJsonArray{QStringLiteral("0"), bogus}, "Invalid token");
    QTest::newRow("logout") << "logout" << QJsonArray{bogus} << "Invalid token";
    QTest::newRow("empty token") << "get_playlists" << QJsonArray{QString()} << "Invalid token";
    addRow("long token", "get_playlists", QJsonArray{QString(5000, QLatin1Char('a'))},
           "Invalid token");
    addRow("quote in token", "get_playlists", QJsonArray{QStringLiteral("' OR 1=1 --")},
           "Invalid token");
}

void TestDevServiceHostile::invalidTokens() {
    QFETCH(QString, method);
    QFETCH(QJsonArray, params);
    QFETCH(QString, error);

    const Outcome outcome =
        exchange([&](JsonRpc &rpc) { rpc.call(m_service->apiUrl(), method, params); });
    QVERIFY(outcome.answered);
    QCOMPARE(outcome.error, error);
}

void TestDevServiceHostile::oversizedBody() {
    // Over the 1 MiB limit of the API: refused before it is read whole.
    QByteArray body =
        envelope(QStringLiteral("logout"), {QString(2 * 1024 * 1024, QLatin1Char('x'))});
    const RawReply reply = post(m_service->apiUrl(), body);
    QVERIFY(reply.finished);
    if (reply.status != 0) {
        QCOMPARE(reply.status, 413);
        QVERIFY(QJsonDocument::fromJson(reply.body)
                    .object()
                    .value(QLatin1String("error"))
                    .toString()
                    .contains(QLatin1String("too large")));
    } else {
        // The service may close the connection while the body still flows.
        QVERIFY(reply.error != QNetworkReply::NoError);
    }
    QTRY_VERIFY(m_service->output().contains(QLatin1String("413")));
    // Just under the limit is read and answered in the protocol's form.
    body = envelope(QStringLiteral("logout"), {QString(1000 * 1000, QLatin1Char('x'))});
    const RawReply fits = post(m_service->apiUrl(), body);
    QCOMPARE(fits.status, 200);
    QCOMPARE(QJsonDocument::fromJson(fits.body).object().value(QLatin1String("error")).toString(),
             QStringLiteral("Invalid token"));
}

void TestDevServiceHostile::wrongHttpMethod() {
    const RawReply get = send(NetworkManager::instance(), "GET", m_service->apiUrl(), {}, {});
    QCOMPARE(get.status, 405);
    QVERIFY(!QJsonDocument::fromJson(get.body)
                 .object()
                 .value(QLatin1String("error"))
                 .toString()
                 .isEmpty());
    const RawReply elsewhere =
        post(m_service->webUrl().resolved(QUrl(QStringLiteral("/api/v1.0/"))),
             envelope(QStringLiteral("get_groups"), {QStringLiteral("t")}));
    QCOMPARE(elsewhere.status, 404);
}

void TestDevServiceHostile::hostileUploads_data() {
    QTest::addColumn<QString>("hash"); // "" = a fresh valid hash
    QTest::addColumn<QString>("encodedTitle");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");

    const QByteArray good = uploadBody(playlist);
    addRow("not multipart", "", "List", QByteArray("application/json"), QByteArray("{}"), 400);
    addRow("malformed multipart", "", "List", multipartType,
           QByteArray("--*****\r\ngarbage without headers"), 400);
    addRow("other boundary", "", "List", QByteArray("multipart/form-data; boundary=zzz"), good,
           400);
    addRow("no playlist part", "", "List", multipartType, uploadBody(playlist, "other"), 400);
    addRow("title climbs out", "", "..%2F..%2Fetc%2Fpasswd", multipartType, good, 400);
    addRow("title with backslash", "", "..%5Cwin.ini", multipartType, good, 400);
    addRow("empty title", "", "", multipartType, good, 400);
    addRow("blank title", "", "%20%20", multipartType, good, 400);
    addRow("title with NUL", "", "a%00b", multipartType, good, 400);
    addRow("title with line break", "", "a%0Ab", multipartType, good, 400);
    addRow("title not UTF-8", "", "%FF%FE", multipartType, good, 400);
    addRow("unknown hash", "0123456789abcdef0123456789abcdef", "List", multipartType, good, 403);
    addRow("malformed hash", "not-a-hash", "List", multipartType, good, 403);
    addRow("not a playlist", "", "List", multipartType, uploadBody("<html><body>hi</body></html>"),
           415);
    addRow("empty file", "", "List", multipartType, uploadBody(""), 400);
    addRow("no usable channel", "", "List", multipartType,
           uploadBody("#EXTM3U\n#EXTINF:-1,x\nrelative/path.ts\n"), 422);
    addRow("over the size limit", "", "List", multipartType,
           uploadBody(playlist + QByteArray(9 * 1024 * 1024, '#')), 413);
}

void TestDevServiceHostile::hostileUploads() {
    QFETCH(QString, hash);
    QFETCH(QString, encodedTitle);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, body);
    QFETCH(int, status);

    const QString t = token();
    if (hash.isEmpty())
        hash = m_service->call(QStringLiteral("get_upload_hash"), {t}).toString();
    const int playlistsBefore =
        m_service->call(QStringLiteral("get_playlists"), {t}).toArray().size();

    const RawReply reply = post(uploadUrl(hash, encodedTitle), body, contentType);
    QVERIFY(reply.finished);
    if (status == 413 && reply.status == 0)
        QVERIFY(reply.error != QNetworkReply::NoError); // closed while sending
    else
        QCOMPARE(reply.status, status);
    QCOMPARE(m_service->call(QStringLiteral("get_playlists"), {t}).toArray().size(),
             playlistsBefore);

    // Nothing lands outside the uploads folder, which holds service-named
    // files only.
    const QDir data(m_service->dataDir());
    QVERIFY(!QFile::exists(m_service->dataDir() + QStringLiteral("/../etc/passwd")));
    for (const QString &name :
         QDir(data.filePath(QStringLiteral("uploads"))).entryList(QDir::Files))
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.m3u$")).match(name).hasMatch(),
                 qPrintable(name));
}

void TestDevServiceHostile::serviceStillAnswers() {
    QVERIFY(m_service->isRunning());
    const QString t = token();
    QVERIFY(!t.isEmpty());
    QCOMPARE(m_service->call(QStringLiteral("get_playlists"), {t}).toArray().size(), 3);
    // A well-formed upload still works after all that.
    const QString hash = m_service->call(QStringLiteral("get_upload_hash"), {t}).toString();
    const RawReply reply =
        post(uploadUrl(hash, QStringLiteral("Fine")), uploadBody(playlist), multipartType);
    QCOMPARE(reply.status, 200);
    // Refusals are logged.
    QVERIFY(m_service->output().contains(QLatin1String("refused")));
}

void TestDevServiceHostile::burstOfGuideAndLogoRequests() {
    // A 2000-channel playlist: the channel browser asks for one guide and
    // one logo per channel, all at once.
    const QString t = token();
    const QJsonArray playlists = m_service->call(QStringLiteral("get_playlists"), {t}).toArray();
    const QJsonObject bench =
        findRecord(playlists, QStringLiteral("title"), QStringLiteral("Benchmark 2000"));
    QVERIFY(!bench.isEmpty());
    const QJsonArray channels =
        m_service->call(QStringLiteral("get_channels"), {t, bench.value(QLatin1String("id"))})
            .toArray();
    QCOMPARE(channels.size(), 2000);

    QElapsedTimer clock;
    clock.start();
    int guides = 0;
    int failures = 0;
    int logos = 0;
    QTemporaryDir cache;
    std::vector<std::unique_ptr<JsonRpc>> clients;
    std::vector<std::unique_ptr<DownloadFileHandler>> downloads;
    for (const QJsonValue &channel : channels) {
        auto rpc = std::make_unique<JsonRpc>();
        connect(rpc.get(), &JsonRpc::done, this, [&guides](const QJsonValue &value) {
            if (value.isArray())
                ++guides;
        });
        connect(rpc.get(), &JsonRpc::error, this, [&failures](const QString &) { ++failures; });
        const int epgId = channel[QLatin1String("epg_id")].toInt();
        if (epgId != 0)
            rpc->getEpg(epgId, t);
        else
            rpc->findEpg(QStringLiteral("0"), t);
        clients.push_back(std::move(rpc));

        auto download = std::make_unique<DownloadFileHandler>();
        connect(download.get(),
                QOverload<const QString &, const QString &>::of(
                    &DownloadFileHandler::fileDownloadFinished),
                this, [&logos](const QString &, const QString &) { ++logos; });
        connect(download.get(), &DownloadFileHandler::fileDownloadError, this,
                [&failures](const QString &) { ++failures; });
        download->setDownloadURLSlot(channel[QLatin1String("pict")].toString());
        download->customName = QString::number(channel[QLatin1String("id")].toInt());
        download->targetDir = QDir(cache.path());
        download->beginDownload();
        downloads.push_back(std::move(download));
    }
    QTRY_VERIFY_WITH_TIMEOUT(guides + logos + failures == 4000, 90000);
    QCOMPARE(failures, 0);
    QCOMPARE(guides, 2000);
    QCOMPARE(logos, 2000);
    qDebug("2000 guide and 2000 logo requests answered in %lld ms", clock.elapsed());
}

void TestDevServiceHostile::burstOfFreshConnections() {
    // Clients that open a connection per request, all at once: the service
    // must take them all without dropping any.
    const int count = 200;
    QSslConfiguration ssl = NetworkManager::instance()->sslConfiguration();
    std::vector<std::unique_ptr<QNetworkAccessManager>> managers;
    int ok = 0;
    int failed = 0;
    const QByteArray body =
        envelope(QStringLiteral("find_epg"), {QStringLiteral("Sport"), token()});
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < count; ++i) {
        auto manager = std::make_unique<QNetworkAccessManager>();
        QNetworkRequest request(m_service->apiUrl());
        request.setSslConfiguration(ssl);
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/json"));
        QNetworkReply *reply = manager->post(request, body);
        connect(reply, &QNetworkReply::finished, this, [&ok, &failed, reply] {
            const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
            if (reply->error() == QNetworkReply::NoError &&
                answer.value(QLatin1String("error")).toString().isEmpty())
                ++ok;
            else
                ++failed;
        });
        managers.push_back(std::move(manager));
    }
    QTRY_VERIFY_WITH_TIMEOUT(ok + failed == count, 90000);
    QCOMPARE(failed, 0);
    qDebug("%d fresh connections answered in %lld ms", count, clock.elapsed());
}

QTEST_MAIN(TestDevServiceHostile)
#include "tst_devservice_hostile.moc"
