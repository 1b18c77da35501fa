#include "LocalHttpServer.h"
#include "RawHttpServer.h"
#include "SelfSignedCertificate.h"
#include "ServiceTestKit.h"
#include "TestRows.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "service/JsonRpc.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSemaphore>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <functional>

using Operation = std::function<void(JsonRpc *)>;
Q_DECLARE_METATYPE(Operation)

namespace {

QString describe(const QJsonValue &value) {
    if (value.isUndefined())
        return QStringLiteral("undefined");
    const QByteArray array = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Everything a client reports, in order: "done:<JSON>" or "error:<text>",
// and how often it settled.
class Recorder : public QObject {
public:
    explicit Recorder(JsonRpc *rpc) {
        connect(rpc, &JsonRpc::error, this,
                [this](const QString &text) { events << QStringLiteral("error:") + text; });
        connect(rpc, &JsonRpc::done, this, [this](const QJsonValue &value) {
            events << QStringLiteral("done:") + describe(value);
        });
        connect(rpc, &JsonRpc::settled, this, [this] { ++settles; });
    }
    QStringList events;
    int settles = 0;
};

// Lets every event that is already due run, without waiting for new ones.
void drainEvents() {
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }
}

QJsonObject parseObject(const QByteArray &body) {
    return QJsonDocument::fromJson(body).object();
}

} // namespace

class TestJsonRpc : public QObject {
    Q_OBJECT

private:
    // Runs one exchange until the client settles; it must settle once, and
    // nothing may follow.
    QStringList exchange(const Operation &operation) {
        JsonRpc rpc;
        Recorder recorder(&rpc);
        operation(&rpc);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(recorder.settles > 0, 20000); }();
        drainEvents();
        [&] { QCOMPARE(recorder.settles, 1); }();
        return recorder.events;
    }

    void verifyAlert(const QString &key) {
        if (key.isEmpty()) {
            QVERIFY(!m_overlay->alertShown());
            QVERIFY(m_overlay->overlay()->isBusy());
        } else {
            QCOMPARE(m_overlay->alertTitle(), msg("error"));
            QCOMPARE(m_overlay->alertText(), msg(key.toLatin1().constData()));
            QVERIFY(!m_overlay->overlay()->isBusy());
        }
    }

    void useApi(const QUrl &url) {
        ServiceConfig config = serviceConfig();
        config.apiUrl = url;
        setServiceConfig(config);
    }

    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<OverlayFixture> m_overlay;
    LocalHttpServer m_server;
    QScopedPointer<SelfSignedCertificate> m_certificate;
    QScopedPointer<LocalHttpServer> m_tlsServer;

private slots:
    void initTestCase() {
        m_settings.reset(new ScopedSettings);
        qRegisterMetaType<QNetworkReply *>();
        QVERIFY(m_server.start());
        m_certificate.reset(new SelfSignedCertificate);
        QVERIFY2(m_certificate->isValid(), qPrintable(m_certificate->errorText()));
        m_tlsServer.reset(
            new LocalHttpServer(m_certificate->certificateFile(), m_certificate->keyFile()));
        QVERIFY(m_tlsServer->start());
    }

    void cleanupTestCase() {
        m_tlsServer.reset();
        m_server.stop();
        m_settings.reset();
    }

    void init() {
        appState().reset();
        JsonRpc::setOnlineCheck([] { return true; });
        NetworkManager::setTransferTimeout(NetworkManager::defaultTransferTimeout);
        // Every case starts on fresh connections, whatever the last one trusted.
        NetworkManager::instance()->clearConnectionCache();

        ServiceConfig config = ServiceConfig::defaults();
        config.apiUrl = m_server.url(QStringLiteral("/api/v1.0/"));
        config.webUrl = m_server.url(QString());
        config.geoUrl = m_server.url(QStringLiteral("/json"));
        setServiceConfig(config);
        m_server.clearRequests();
        m_server.respond(LocalHttpResponse{200, "{\"error\":\"\",\"result\":\"tok\"}"});

        m_overlay.reset(new OverlayFixture);
        m_overlay->overlay()->showBusy(m_overlay->page());
    }

    void cleanup() {
        m_overlay.reset();
        JsonRpc::setOnlineCheck(nullptr);
    }

    void envelopeAsTheServerReceivesIt_data() {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("no parameters") << Operation([](JsonRpc *rpc) {
            rpc->call(serviceConfig().apiUrl, QStringLiteral("ping"), QJsonArray());
        })
                                       << QByteArray("{\n"
                                                     "    \"id\": \"1\",\n"
                                                     "    \"method\": \"ping\",\n"
                                                     "    \"params\": [\n"
                                                     "    ]\n"
                                                     "}\n");
        QTest::newRow("string and number")
            << Operation([](JsonRpc *rpc) { rpc->getChannels(QStringLiteral("tok"), 42); })
            << QByteArray("{\n"
                          "    \"id\": \"1\",\n"
                          "    \"method\": \"get_channels\",\n"
                          "    \"params\": [\n"
                          "        \"tok\",\n"
                          "        42\n"
                          "    ]\n"
                          "}\n");
    }

    void envelopeAsTheServerReceivesIt() {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, body);
        const QStringList events = exchange(operation);
        QCOMPARE(events, QStringList{QStringLiteral("done:\"tok\"")});
        const QList<LocalHttpRequest> requests = m_server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, QByteArray("POST"));
        QCOMPARE(requests[0].target, QByteArray("/api/v1.0/"));
        QCOMPARE(requests[0].header("Content-Type"), QByteArray("application/json"));
        QCOMPARE(requests[0].body, body);
    }

    void operationsSendTheirParameters_data() {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QString>("method");
        QTest::addColumn<QJsonArray>("params");
        const QString platform = QGuiApplication::platformName();
        const QString tok = QStringLiteral("tok");
        QTest::newRow("get_devices") << Operation([](JsonRpc *rpc) { rpc->getDevices("tok"); })
                                     << "get_devices" << QJsonArray{platform, tok};
        QTest::newRow("register_device")
            << Operation([](JsonRpc *rpc) { rpc->registerDevice("Den PC", "tok"); })
            << "register_device" << QJsonArray{"Den PC", platform, tok};
        QTest::newRow("get_playlists") << Operation([](JsonRpc *rpc) { rpc->getPlaylists("tok"); })
                                       << "get_playlists" << QJsonArray{tok};
        QTest::newRow("delete_playlist")
            << Operation([](JsonRpc *rpc) { rpc->deletePlaylist(7, "tok"); }) << "delete_playlist"
            << QJsonArray{7, tok};
        QTest::newRow("get_channels") << Operation([](JsonRpc *rpc) { rpc->getChannels("tok", 3); })
                                      << "get_channels" << QJsonArray{tok, 3};
        QTest::newRow("get_groups") << Operation([](JsonRpc *rpc) { rpc->getGroups("tok"); })
                                    << "get_groups" << QJsonArray{tok};
        QTest::newRow("get_upload_hash")
            << Operation([](JsonRpc *rpc) { rpc->getUploadHash("tok"); }) << "get_upload_hash"
            << QJsonArray{tok};
        QTest::newRow("register_by_sms")
            << Operation([](JsonRpc *rpc) { rpc->registerBySms("Ann", "79991234567", "pw"); })
            << "register_by_sms" << QJsonArray{"Ann", "79991234567", "pw"};
        QTest::newRow("verify_code")
            << Operation([](JsonRpc *rpc) { rpc->verifyCode("79991234567", 0); }) << "verify_code"
            << QJsonArray{"79991234567", 0};
        QTest::newRow("set_devopt")
            << Operation([](JsonRpc *rpc) { rpc->setDevopt("xcb_fav_3", "1,2", "tok"); })
            << "set_devopt" << QJsonArray{"xcb_fav_3", "1,2", tok};
        QTest::newRow("get_devopt")
            << Operation([](JsonRpc *rpc) { rpc->getDevopt("xcb_parent_pass", "tok"); })
            << "get_devopt" << QJsonArray{"xcb_parent_pass", tok};
        QTest::newRow("get_epg carries 10")
            << Operation([](JsonRpc *rpc) { rpc->getEpg(1234, "tok"); }) << "get_epg"
            << QJsonArray{1234, 10, tok};
        QTest::newRow("find_epg") << Operation([](JsonRpc *rpc) {
            rpc->findEpg("first.tv", "tok");
        }) << "find_epg" << QJsonArray{"first.tv", tok};
        QTest::newRow("logout") << Operation([](JsonRpc *rpc) { rpc->logout("tok"); }) << "logout"
                                << QJsonArray{tok};
        QTest::newRow("empty strings stay strings")
            << Operation([](JsonRpc *rpc) { rpc->getDevopt(QString(), QString()); }) << "get_devopt"
            << QJsonArray{"", ""};
    }

    void operationsSendTheirParameters() {
        QFETCH(Operation, operation);
        QFETCH(QString, method);
        QFETCH(QJsonArray, params);
        exchange(operation);
        const QList<LocalHttpRequest> requests = m_server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].target, QByteArray("/api/v1.0/"));
        const QJsonObject envelope = parseObject(requests[0].body);
        QCOMPARE(envelope.keys(), (QStringList{"id", "method", "params"}));
        QCOMPARE(envelope.value("id"), QJsonValue("1"));
        QCOMPARE(envelope.value("method").toString(), method);
        // QJsonArray equality also tells the number 7 from the text "7".
        QCOMPARE(envelope.value("params").toArray(), params);
    }

    void loginChoosesTheMethod_data() {
        QTest::addColumn<QString>("userName");
        QTest::addColumn<QString>("method");
        QTest::addColumn<bool>("plainName");
        addRow("e-mail", "viewer@example.com", "login", false);
        addRow("e-mail in capitals", "VIEWER@EXAMPLE.COM", "login", false);
        addRow("e-mail, mixed case", "Viewer.Name+tv@Mail.Example.Org", "login", false);
        addRow("e-mail, five-letter domain", "viewer@example.comxx", "login", true);
        addRow("eight digits", "12345678", "login_phone", false);
        addRow("largest int", "2147483647", "login_phone", false);
        // Phone numbers with their country code need more than 32 bits.
        addRow("beyond int", "2147483648", "login_phone", false);
        addRow("eleven digits", "79991234567", "login_phone", false);
        addRow("fifteen digits", "861012345678901", "login_phone", false);
        addRow("plus and digits", "+12345678", "login_phone", false);
        addRow("plus and eleven digits", "+79991234567", "login_phone", false);
        addRow("beyond 64 bits", "92233720368547758070", "login", true);
        addRow("phone with blanks", "+7 999 123 45 67", "login", true);
        addRow("plain name", "viewer", "login", true);
        addRow("digits and letters", "1234abc", "login", true);
    }

    void loginChoosesTheMethod() {
        QFETCH(QString, userName);
        QFETCH(QString, method);
        QFETCH(bool, plainName);
        appState().plainNameSignIn = !plainName; // the operation must set it either way
        exchange([&](JsonRpc *rpc) { rpc->login(userName, "pw", "key"); });
        QCOMPARE(appState().plainNameSignIn, plainName);
        const QList<LocalHttpRequest> requests = m_server.requests();
        QCOMPARE(requests.size(), 1);
        const QJsonObject envelope = parseObject(requests[0].body);
        QCOMPARE(envelope.value("method").toString(), method);
        QCOMPARE(envelope.value("params").toArray(), (QJsonArray{userName, "pw", "key"}));
    }

    void replies_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("alert");
        const QString none;
        QTest::newRow("error empty, result 5")
            << 200 << QByteArray(R"({"error":"","result":5})") << QStringList{"done:5"} << none;
        QTest::newRow("error text")
            << 200 << QByteArray(R"({"error":"x","result":5})") << QStringList{"error:x"} << none;
        QTest::newRow("only a null result")
            << 200 << QByteArray(R"({"result":null})") << QStringList{"done:null"} << none;
        QTest::newRow("error object, no result") << 200 << QByteArray(R"({"error":{"code":1}})")
                                                 << QStringList{"done:undefined"} << none;
        QTest::newRow("error null") << 200 << QByteArray(R"({"error":null,"result":"t"})")
                                    << QStringList{"done:\"t\""} << none;
        QTest::newRow("error number") << 200 << QByteArray(R"({"error":3,"result":[1,2]})")
                                      << QStringList{"done:[1,2]"} << none;
        QTest::newRow("result absent")
            << 200 << QByteArray(R"({"error":""})") << QStringList{"done:undefined"} << none;
        QTest::newRow("result object") << 200 << QByteArray(R"({"result":{"a":[1]}})")
                                       << QStringList{"done:{\"a\":[1]}"} << none;
        // No usable answer is a failure: the page must not wait for ever.
        const QStringList failed{"error:unknowerror"};
        QTest::newRow("empty array") << 200 << QByteArray("[]") << failed << "unknowerror";
        QTest::newRow("array") << 200 << QByteArray(R"([{"result":1}])") << failed << "unknowerror";
        addRow("not JSON", 200, QByteArray("<html>hello</html>"), failed, "unknowerror");
        QTest::newRow("empty body") << 200 << QByteArray() << failed << "unknowerror";
        // One outcome each: an error status is no success, and the service's
        // own text says more than the status.
        QTest::newRow("HTTP error with JSON result")
            << 500 << QByteArray(R"({"error":"","result":5})") << failed << "unknowerror";
        QTest::newRow("HTTP error with JSON error")
            << 403 << QByteArray(R"({"error":"denied"})") << QStringList{"error:denied"} << none;
        addRow("HTTP error, empty body", 500, QByteArray(), QStringList{"error:unknowerror"},
               "unknowerror");
        addRow("HTTP error, not JSON", 404, QByteArray("not found"),
               QStringList{"error:unknowerror"}, "unknowerror");
        // Bodies this long are read on a worker thread, to the same outcomes.
        const QByteArray text(100000, 'x');
        const QByteArray longResult = "{\"error\":\"\",\"result\":\"" + text + "\"}";
        QTest::newRow("long result")
            << 200 << longResult << QStringList{"done:\"" + QString::fromLatin1(text) + "\""}
            << none;
        QTest::newRow("long error") << 200 << "{\"error\":\"" + text + "\"}"
                                    << QStringList{"error:" + QString::fromLatin1(text)} << none;
        QTest::newRow("long, not JSON") << 200 << text << failed << "unknowerror";
        QTest::newRow("long, HTTP error with JSON result")
            << 500 << longResult << failed << "unknowerror";
    }

    // A client deleted while a long body is read hears nothing more, and
    // nothing breaks when the reading ends. The workers are held, so the
    // reading cannot end before the client is gone.
    void clientDeletedWhileItsAnswerIsRead() {
        m_server.respond(LocalHttpResponse{200, "{\"error\":\"\",\"result\":\"" +
                                                    QByteArray(100000, 'x') + "\"}"});
        QThreadPool *workers = QThreadPool::globalInstance();
        const int held = workers->maxThreadCount();
        for (int i = 0; i < held; ++i)
            workers->reserveThread();
        QPointer<JsonRpc> rpc = new JsonRpc;
        Recorder recorder(rpc);
        // The manager reports a reply after the client has handed its body
        // on to be read.
        const QMetaObject::Connection deleting =
            connect(NetworkManager::instance(), &QNetworkAccessManager::finished, rpc,
                    &QObject::deleteLater);
        rpc->getGroups("tok");
        QTRY_VERIFY(!rpc);
        disconnect(deleting);
        for (int i = 0; i < held; ++i)
            workers->releaseThread();
        workers->waitForDone();
        drainEvents();
        QVERIFY(recorder.events.isEmpty());
        QCOMPARE(recorder.settles, 0);
    }

    void connectionFailures_data() {
        QTest::addColumn<QUrl>("url");
        QTest::addColumn<QString>("key");
        QTest::newRow("connection refused")
            << QUrl(QStringLiteral("http://127.0.0.1:%1/api/v1.0/").arg(closedPort()))
            << "unknowerror";
        QTest::newRow("host not found")
            << QUrl(QStringLiteral("https://%1:9000/api/v1.0/").arg(unknownHost())) << "nointernet";
    }

    void connectionFailures() {
        QFETCH(QUrl, url);
        QFETCH(QString, key);
        if (url.host() == unknownHost() && !unknownHostFailsToResolve())
            QSKIP("the resolver here answers names under .invalid");
        useApi(url);
        QCOMPARE(exchange([](JsonRpc *rpc) { rpc->getGroups("tok"); }),
                 QStringList{QStringLiteral("error:") + key});
        verifyAlert(key);
    }

    void silentServerTimesOut() {
        RawHttpServer silent; // reads the request, never answers
        QVERIFY(silent.start());
        useApi(silent.url(QStringLiteral("/api/v1.0/")));
        NetworkManager::setTransferTimeout(300);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(exchange([](JsonRpc *rpc) { rpc->getGroups("tok"); }),
                 QStringList{"error:unknowerror"});
        QVERIFY2(clock.elapsed() >= 250, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(silent.requests().size(), 1);
        verifyAlert("unknowerror");
    }

    void certificates_data() {
        QTest::addColumn<QString>("caFile");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QString>("alert");
        const QStringList failed{"error:unknowerror"};
        QTest::newRow("untrusted") << QString() << failed << "unknowerror";
        QTest::newRow("ca_file missing") << "/nonexistent/ca.pem" << failed << "unknowerror";
        QTest::newRow("ca_file without a certificate") << "key" << failed << "unknowerror";
        addRow("trusted through ca_file", "certificate", QStringList{"done:\"tok\""}, QString());
    }

    void certificates() {
        QFETCH(QString, caFile);
        QFETCH(QStringList, events);
        QFETCH(QString, alert);
        if (caFile == QLatin1String("certificate"))
            caFile = m_certificate->certificateFile();
        else if (caFile == QLatin1String("key"))
            caFile = m_certificate->keyFile();
        ServiceConfig config = serviceConfig();
        config.apiUrl = m_tlsServer->url(QStringLiteral("/api/v1.0/"));
        config.caFile = caFile;
        setServiceConfig(config);
        m_tlsServer->clearRequests();
        m_tlsServer->respond(LocalHttpResponse{200, R"({"result":"tok"})"});

        QCOMPARE(exchange([](JsonRpc *rpc) { rpc->getGroups("tok"); }), events);
        verifyAlert(alert);
        QCOMPARE(m_tlsServer->requestCount(), alert.isEmpty() ? 1 : 0);
    }

    void offlineReportsAtOnceAndSendsNothing_data() {
        QTest::addColumn<Operation>("operation");
        QTest::newRow("call") << Operation([](JsonRpc *rpc) { rpc->getGroups("tok"); });
        QTest::newRow("login") << Operation([](JsonRpc *rpc) { rpc->login("a@b.com", "p", ""); });
        QTest::newRow("location") << Operation([](JsonRpc *rpc) { rpc->requestLocation(); });
        QTest::newRow("version") << Operation([](JsonRpc *rpc) { rpc->requestVersion(); });
    }

    void offlineReportsAtOnceAndSendsNothing() {
        QFETCH(Operation, operation);
        JsonRpc::setOnlineCheck([] { return false; });
        JsonRpc rpc;
        Recorder recorder(&rpc);
        operation(&rpc);
        QCOMPARE(recorder.events, QStringList{"error:nointernet"});
        QCOMPARE(recorder.settles, 1);
        verifyAlert("nointernet");
        drainEvents();
        QCOMPARE(recorder.events, QStringList{"error:nointernet"});
        QCOMPARE(recorder.settles, 1);
        QCOMPARE(m_server.requestCount(), 0);
    }

    // A service on this computer needs no network interface: the check
    // must not report "nointernet" on a machine with loopback only.
    void localServiceCountsAsOnline_data() {
        QTest::addColumn<QString>("host");
        QTest::newRow("IPv4 loopback") << QStringLiteral("127.0.0.1");
        QTest::newRow("other IPv4 loopback") << QStringLiteral("127.0.0.53");
        QTest::newRow("IPv6 loopback") << QStringLiteral("[::1]");
        QTest::newRow("localhost") << QStringLiteral("LocalHost");
    }
    void localServiceCountsAsOnline() {
        QFETCH(QString, host);
        JsonRpc::setOnlineCheck(nullptr);
        useApi(QUrl(QStringLiteral("https://%1:9000/api/v1.0/").arg(host)));
        QVERIFY(JsonRpc::isOnline());
    }

    void failuresWithoutAnOverlayAreOnlyLogged() {
        m_overlay.reset();
        QVERIFY(!appState().alertFrame);
        useApi(QUrl(QStringLiteral("http://127.0.0.1:%1/api/v1.0/").arg(closedPort())));
        QCOMPARE(exchange([](JsonRpc *rpc) { rpc->getGroups("tok"); }),
                 QStringList{"error:unknowerror"});
        JsonRpc::setOnlineCheck([] { return false; });
        JsonRpc rpc;
        Recorder recorder(&rpc);
        rpc.requestVersion();
        QCOMPARE(recorder.events, QStringList{"error:nointernet"});
    }

    void lookups_data() {
        QTest::addColumn<bool>("version");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("location") << false << QByteArray(R"({"countryCode":"RU","city":"Omsk"})")
                                  << QStringList{"done:\"RU\""};
        QTest::newRow("location without code")
            << false << QByteArray(R"({"city":"Omsk"})") << QStringList{"done:undefined"};
        QTest::newRow("location array") << false << QByteArray("[]") << QStringList();
        QTest::newRow("location not JSON") << false << QByteArray("<html>") << QStringList();
        QTest::newRow("version") << true
                                 << QByteArray(R"({"MajorVersion":1,"MinorVersion":2,"Build":3})")
                                 << QStringList{
                                        R"(done:{"Build":3,"MajorVersion":1,"MinorVersion":2})"};
        QTest::newRow("version array") << true << QByteArray("[]") << QStringList{"done:{}"};
        QTest::newRow("version not JSON") << true << QByteArray("1.2.3") << QStringList();
    }

    void lookups() {
        QFETCH(bool, version);
        QFETCH(QByteArray, body);
        QFETCH(QStringList, events);
        m_server.respond(LocalHttpResponse{200, body});
        const QStringList seen = exchange([version](JsonRpc *rpc) {
            if (version)
                rpc->requestVersion();
            else
                rpc->requestLocation();
        });
        QCOMPARE(seen, events);
        const QList<LocalHttpRequest> requests = m_server.requests();
        QCOMPARE(requests.size(), 1);
        QCOMPARE(requests[0].method, QByteArray("GET"));
        QCOMPARE(requests[0].target, version ? QByteArray("/updinfo.php") : QByteArray("/json"));
        QCOMPARE(requests[0].header("Content-Type"), QByteArray("application/json"));
        QVERIFY(requests[0].body.isEmpty());
    }

    void lookupFailuresAreReportedLikeCalls() {
        ServiceConfig config = serviceConfig();
        config.geoUrl = QUrl(QStringLiteral("http://127.0.0.1:%1/json").arg(closedPort()));
        setServiceConfig(config);
        QCOMPARE(exchange([](JsonRpc *rpc) { rpc->requestLocation(); }),
                 QStringList{"error:unknowerror"});
        verifyAlert("unknowerror");
    }

    // Pages delete their client in the slot that hears the answer; nothing
    // of the client may be touched after that (the sanitizer build sees it).
    void clientDeletedInItsSlotIsSafe_data() {
        QTest::addColumn<Operation>("operation");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("call") << Operation([](JsonRpc *rpc) { rpc->getGroups("tok"); })
                              << QByteArray("{\"error\":\"\",\"result\":\"tok\"}");
        QTest::newRow("location") << Operation([](JsonRpc *rpc) { rpc->requestLocation(); })
                                  << QByteArray(R"({"countryCode":"RU"})");
        QTest::newRow("version") << Operation([](JsonRpc *rpc) { rpc->requestVersion(); })
                                 << QByteArray(R"({"version":"1.1.0"})");
    }
    void clientDeletedInItsSlotIsSafe() {
        QFETCH(Operation, operation);
        QFETCH(QByteArray, body);
        m_server.respond(LocalHttpResponse{200, body});
        auto *rpc = new JsonRpc;
        bool called = false;
        bool settled = false;
        connect(rpc, &JsonRpc::done, this, [&](const QJsonValue &) {
            called = true;
            delete rpc;
        });
        connect(rpc, &JsonRpc::settled, this, [&] { settled = true; });
        operation(rpc);
        QTRY_VERIFY(called);
        drainEvents();
        QVERIFY(!settled);
    }

    // A caller that deletes the client as soon as it settles (the channel
    // browser's fetchers do) must have heard the failure by then.
    void timedOutCallReportsBeforeItSettles() {
        RawHttpServer silent;
        QVERIFY(silent.start());
        useApi(silent.url(QStringLiteral("/api/v1.0/")));
        NetworkManager::setTransferTimeout(300);
        auto *rpc = new JsonRpc;
        QStringList events;
        connect(rpc, &JsonRpc::error, this, [&](const QString &text) { events << text; });
        connect(rpc, &JsonRpc::settled, this, [&] {
            events << QStringLiteral("settled");
            delete rpc;
        });
        rpc->getGroups("tok");
        QTRY_VERIFY_WITH_TIMEOUT(events.contains(QStringLiteral("settled")), 20000);
        drainEvents();
        QCOMPARE(events, (QStringList{"unknowerror", "settled"}));
        verifyAlert("unknowerror");
    }

    // The answer and the time-out both due when the event loop next runs:
    // whichever it handles first, one outcome and one settled().
    void answerAndTimeOutInOnePass() {
        NetworkManager::setTransferTimeout(300);
        QSemaphore answer;
        m_server.setHandler([&answer](const LocalHttpRequest &) {
            answer.tryAcquire(1, 20000);
            return LocalHttpResponse{200, R"({"result":"tok"})"};
        });
        auto *rpc = new JsonRpc;
        Recorder recorder(rpc);
        connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
        rpc->getGroups("tok");
        // The server holds its answer until the event loop is held too; then
        // the answer comes in while the time-out falls due, and both wait
        // for the same pass.
        QTRY_VERIFY_WITH_TIMEOUT(m_server.requestCount() == 1, 20000);
        answer.release();
        QThread::msleep(2 * 300 + 100);
        QTRY_VERIFY_WITH_TIMEOUT(recorder.settles > 0, 20000);
        drainEvents();
        QCOMPARE(recorder.settles, 1);
        QCOMPARE(recorder.events.size(), 1);
        QVERIFY2(recorder.events == QStringList{"done:\"tok\""} ||
                     recorder.events == QStringList{"error:unknowerror"},
                 qPrintable(recorder.events.join(QLatin1Char(' '))));
    }

    // A page that tries again from its error slot, on the same client, gets
    // the second answer: settled() waits for it, so a caller that deletes
    // the client on settled() does not cut it off.
    void callMadeAgainFromTheErrorSlot() {
        int served = 0;
        m_server.setHandler([&served](const LocalHttpRequest &) {
            return LocalHttpResponse{200, served++ == 0 ? QByteArray(R"({"error":"busy"})")
                                                        : QByteArray(R"({"result":"tok"})")};
        });
        auto *rpc = new JsonRpc;
        QStringList events;
        connect(rpc, &JsonRpc::error, this, [&](const QString &text) {
            events << QStringLiteral("error:") + text;
            rpc->getGroups("tok");
        });
        connect(rpc, &JsonRpc::done, this, [&](const QJsonValue &value) {
            events << QStringLiteral("done:") + describe(value);
        });
        connect(rpc, &JsonRpc::settled, this, [&] {
            events << QStringLiteral("settled");
            delete rpc;
        });
        rpc->getGroups("tok");
        QTRY_VERIFY_WITH_TIMEOUT(events.contains(QStringLiteral("settled")), 20000);
        drainEvents();
        QCOMPARE(events, (QStringList{"error:busy", "done:\"tok\"", "settled"}));
        QCOMPARE(m_server.requestCount(), 2);
    }

    // Many calls expiring together behind a host that never answers: each
    // reports once and settles once.
    void manyTimeOutsSettleEachOnce() {
        RawHttpServer silent;
        QVERIFY(silent.start());
        useApi(silent.url(QStringLiteral("/api/v1.0/")));
        NetworkManager::setTransferTimeout(300);
        const int count = 24;
        QVector<int> errors(count), settles(count);
        for (int i = 0; i < count; ++i) {
            auto *rpc = new JsonRpc(this);
            connect(rpc, &JsonRpc::error, this, [&errors, i](const QString &) { ++errors[i]; });
            connect(rpc, &JsonRpc::settled, this, [&settles, i] { ++settles[i]; });
            connect(rpc, &JsonRpc::settled, rpc, &QObject::deleteLater);
            rpc->getEpg(i + 1, "tok");
        }
        QTRY_VERIFY_WITH_TIMEOUT(!settles.contains(0), 30000);
        drainEvents();
        QCOMPARE(errors, QVector<int>(count, 1));
        QCOMPARE(settles, QVector<int>(count, 1));
    }
};

QTEST_MAIN(TestJsonRpc)
#include "tst_jsonrpc.moc"
