// The development service over its lifetime: what it stores survives a
// restart and a kill, tokens expire, one data folder and one port serve one
// service only, the client's settings file is written for it, and the live
// channel is paced at its real-time rate.
#include "DevServiceProcess.h"
#include "DevServiceTestKit.h"
#include "TestSupport.h"

#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"
#include "service/UploadFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QNetworkReply>
#include <QProcess>
#include <QScopedPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);

// Runs the service binary to its end with the given arguments.
QPair<int, QString> runToEnd(const QStringList &arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(DevServiceProcess::binaryPath(), arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {-1, QString::fromUtf8(process.readAll())};
    }
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}

} // namespace

class TestDevServiceLifecycle : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storedDataSurvivesRestart();
    void acknowledgedWritesSurviveKill();
    void tokensExpire();
    void oneServicePerFolderAndPort();
    void clientConfigurationFile();
    void liveChannelIsPaced();

private:
    QScopedPointer<ScopedSettings> m_settings;
};

void TestDevServiceLifecycle::init() {
    JsonRpc::setOnlineCheck([] { return true; });
    m_settings.reset(new ScopedSettings);
}

void TestDevServiceLifecycle::cleanup() {
    m_settings.reset();
    JsonRpc::setOnlineCheck(nullptr);
}

void TestDevServiceLifecycle::storedDataSurvivesRestart() {
    DevServiceProcess service;
    QVERIFY2(service.start(), qPrintable(service.errorString()));
    const QString demoKey = service.demoDeviceKey();
    QString t = service.login(email, password, demoKey);

    // A device, an option, an upload and a deletion.
    const QString key = service
                            .call(QStringLiteral("register_device"),
                                  {QStringLiteral("Attic"), QStringLiteral("xcb"), t})
                            .toString();
    const QString deviceToken = service.login(email, password, key);
    QCOMPARE(service
                 .call(QStringLiteral("set_devopt"),
                       {QStringLiteral("xcb_parent_pass"), QStringLiteral("4321"), deviceToken})
                 .toString(),
             QStringLiteral("OK"));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("kept.m3u")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#EXTM3U\n#EXTINF:-1 group-title=\"Kept\",Kept channel\nhttp://127.0.0.1:1/k.ts\n");
    file.close();
    UploadFile uploader;
    QSignalSpy uploaded(&uploader, &UploadFile::uploadFinished);
    uploader.upload(service.call(QStringLiteral("get_upload_hash"), {t}).toString(),
                    file.fileName(), QStringLiteral("Kept list"));
    QVERIFY(uploaded.wait(20000));
    const QJsonArray before = service.call(QStringLiteral("get_playlists"), {t}).toArray();
    QCOMPARE(before.size(), 3);
    QCOMPARE(service.call(QStringLiteral("delete_playlist"), {before[1][QLatin1String("id")], t})
                 .toString(),
             QStringLiteral("OK"));
    const int oldMediaPort = service.mediaUrl().port();

    // Back on other ports.
    QVERIFY2(service.restart(false), qPrintable(service.errorString()));
    QVERIFY(service.mediaUrl().port() != oldMediaPort);
    QCOMPARE(serviceConfig().apiUrl, service.apiUrl());

    // The session from before goes on; everything stored is there.
    const QJsonArray after = service.call(QStringLiteral("get_playlists"), {t}).toArray();
    QCOMPARE(after.size(), 2);
    QCOMPARE(after[0][QLatin1String("title")].toString(), QStringLiteral("Vantero TV"));
    QCOMPARE(after[1][QLatin1String("title")].toString(), QStringLiteral("Kept list"));
    QCOMPARE(
        service.call(QStringLiteral("get_devopt"), {QStringLiteral("xcb_parent_pass"), deviceToken})
            .toString(),
        QStringLiteral("4321"));
    const QJsonArray devices =
        service.call(QStringLiteral("get_devices"), {QStringLiteral("xcb"), t}).toArray();
    QCOMPARE(devices.size(), 2);
    QCOMPARE(devices[1][QLatin1String("key")].toString(), key);
    const QJsonArray kept =
        service.call(QStringLiteral("get_channels"), {t, after[1][QLatin1String("id")]}).toArray();
    QCOMPARE(kept.size(), 1);
    QCOMPARE(kept[0][QLatin1String("title")].toString(), QStringLiteral("Kept channel"));
    // Addresses of the service's own streams follow it to its new ports.
    const QJsonArray demo =
        service.call(QStringLiteral("get_channels"), {t, after[0][QLatin1String("id")]}).toArray();
    QCOMPARE(QUrl(demo[0][QLatin1String("href")].toString()).port(), service.mediaUrl().port());
    QCOMPARE(QUrl(demo[0][QLatin1String("pict")].toString()).port(), service.webUrl().port());
    // The demo data was not written a second time.
    QCOMPARE(
        service.call(QStringLiteral("get_devices"), {QStringLiteral("xcb"), t}).toArray().size(),
        2);
}

void TestDevServiceLifecycle::acknowledgedWritesSurviveKill() {
    DevServiceProcess service;
    QVERIFY2(service.start(), qPrintable(service.errorString()));
    const QString t = service.login(email, password, service.demoDeviceKey());

    // Many writes in flight; the service is killed as soon as half of them
    // are acknowledged. Every acknowledged write must be there afterwards.
    const int count = 60;
    QStringList acknowledged;
    std::vector<std::unique_ptr<JsonRpc>> clients;
    for (int i = 0; i < count; ++i) {
        const QString name = QStringLiteral("xcb_fav_%1").arg(1000 + i);
        auto rpc = std::make_unique<JsonRpc>();
        connect(rpc.get(), &JsonRpc::done, this, [&acknowledged, name](const QJsonValue &value) {
            if (value.toString() == QLatin1String("OK"))
                acknowledged << name;
        });
        rpc->setDevopt(name, QStringLiteral("[%1]").arg(i), t);
        clients.push_back(std::move(rpc));
    }
    QTRY_VERIFY_WITH_TIMEOUT(acknowledged.size() >= count / 2, 30000);
    service.kill();
    const QStringList written = acknowledged;
    clients.clear();

    QVERIFY2(service.restart(false), qPrintable(service.errorString()));
    for (const QString &name : written) {
        const QString number = name.mid(name.lastIndexOf(QLatin1Char('_')) + 1);
        QCOMPARE(service.call(QStringLiteral("get_devopt"), {name, t}).toString(),
                 QStringLiteral("[%1]").arg(number.toInt() - 1000));
    }
}

void TestDevServiceLifecycle::tokensExpire() {
    DevServiceProcess service({QStringLiteral("--token-ttl"), QStringLiteral("2")});
    QVERIFY2(service.start(), qPrintable(service.errorString()));
    const QString t = service.login(email, password);
    QVERIFY(!exchange([&](JsonRpc &rpc) { rpc.getPlaylists(t); }).failed);
    QTest::qWait(2500);
    const Outcome expired = exchange([&](JsonRpc &rpc) { rpc.getPlaylists(t); });
    QCOMPARE(expired.error, QStringLiteral("Token expired"));
    QCOMPARE(exchange([&](JsonRpc &rpc) { rpc.logout(t); }).error, QStringLiteral("Token expired"));
    // Signing in again gives a fresh token.
    const QString fresh = service.login(email, password);
    QVERIFY(!fresh.isEmpty() && fresh != t);
    QVERIFY(!exchange([&](JsonRpc &rpc) { rpc.getPlaylists(fresh); }).failed);
}

void TestDevServiceLifecycle::oneServicePerFolderAndPort() {
    DevServiceProcess service;
    QVERIFY2(service.start(), qPrintable(service.errorString()));

    // A second service on the same data folder refuses to start.
    const auto sameFolder =
        runToEnd({QStringLiteral("--data"), service.dataDir(), QStringLiteral("--media-dir"),
                  DevServiceProcess::mediaDir(), QStringLiteral("--api-port"), QStringLiteral("0"),
                  QStringLiteral("--web-port"), QStringLiteral("0"), QStringLiteral("--geo-port"),
                  QStringLiteral("0"), QStringLiteral("--media-port"), QStringLiteral("0")});
    QCOMPARE(sameFolder.first, 1);
    QVERIFY2(sameFolder.second.contains(QLatin1String("in use")), qPrintable(sameFolder.second));

    // So does one that wants a port the first has bound.
    QTemporaryDir other;
    const auto samePort =
        runToEnd({QStringLiteral("--data"), other.path(), QStringLiteral("--media-dir"),
                  DevServiceProcess::mediaDir(), QStringLiteral("--api-port"),
                  QString::number(service.apiUrl().port()), QStringLiteral("--web-port"),
                  QStringLiteral("0"), QStringLiteral("--geo-port"), QStringLiteral("0"),
                  QStringLiteral("--media-port"), QStringLiteral("0")});
    QCOMPARE(samePort.first, 1);
    QVERIFY2(samePort.second.contains(QLatin1String("cannot listen")), qPrintable(samePort.second));

    // A bad command line is refused with the usage text.
    const auto bad = runToEnd({QStringLiteral("--data"), other.path(), QStringLiteral("--api-port"),
                               QStringLiteral("70000")});
    QCOMPARE(bad.first, 2);
    QVERIFY(bad.second.contains(QLatin1String("Usage:")));

    // The first one is unharmed.
    QVERIFY(service.isRunning());
    QVERIFY(!service.login(email, password).isEmpty());
}

void TestDevServiceLifecycle::clientConfigurationFile() {
    // A settings file the client already uses: its other groups stay.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("config/vantero/vantero.conf"));
    {
        QSettings existing(path, QSettings::IniFormat);
        existing.setValue(QStringLiteral("info/user_name"), QStringLiteral("someone, somewhere"));
        existing.setValue(QStringLiteral("service/api_url"),
                          QStringLiteral("https://old.invalid/"));
        existing.setValue(QStringLiteral("offline_playlist/My list"),
                          QStringLiteral("playlists/My list.m3u"));
    }
    DevServiceProcess service({QStringLiteral("--client-config"), path});
    QVERIFY2(service.start(), qPrintable(service.errorString()));

    QSettings written(path, QSettings::IniFormat);
    QCOMPARE(written.value(QStringLiteral("info/user_name")).toString(),
             QStringLiteral("someone, somewhere"));
    QCOMPARE(written.value(QStringLiteral("offline_playlist/My list")).toString(),
             QStringLiteral("playlists/My list.m3u"));
    written.beginGroup(QStringLiteral("service"));
    QCOMPARE(written.value(QStringLiteral("api_url")).toUrl(), service.apiUrl());
    QCOMPARE(written.value(QStringLiteral("web_url")).toUrl(), service.webUrl());
    QCOMPARE(written.value(QStringLiteral("site_url")).toUrl(), service.siteUrl());
    QCOMPARE(written.value(QStringLiteral("geo_url")).toUrl(), service.geoUrl());
    QCOMPARE(written.value(QStringLiteral("ca_file")).toString(), service.caFile());
    QVERIFY(QFile::exists(service.caFile()));
    QCOMPARE(service.apiUrl().path(), QStringLiteral("/api/v1.0/"));
    QCOMPARE(service.geoUrl().path(), QStringLiteral("/json"));
}

void TestDevServiceLifecycle::liveChannelIsPaced() {
    DevServiceProcess service;
    QVERIFY2(service.start(), qPrintable(service.errorString()));
    const QString t = service.login(email, password, service.demoDeviceKey());
    const int playlistId = service.call(QStringLiteral("get_playlists"), {t})
                               .toArray()
                               .at(0)[QLatin1String("id")]
                               .toInt();
    const QJsonArray channels =
        service.call(QStringLiteral("get_channels"), {t, playlistId}).toArray();
    const QUrl live(findRecord(channels, QStringLiteral("title"), QStringLiteral("News 24 Live"))
                        .value(QLatin1String("href"))
                        .toString());
    QVERIFY(live.path().startsWith(QLatin1String("/live/")));

    // The whole clip, for comparison: ten seconds of it.
    QNetworkReply *whole = NetworkManager::instance()->get(
        QNetworkRequest(service.mediaUrl().resolved(QUrl(QStringLiteral("/media/news.ts")))));
    QSignalSpy wholeDone(whole, &QNetworkReply::finished);
    QVERIFY(wholeDone.wait(20000));
    const qint64 tenSeconds = whole->readAll().size();
    whole->deleteLater();
    QVERIFY(tenSeconds > 100000);

    QNetworkReply *reply = NetworkManager::instance()->get(QNetworkRequest(live));
    qint64 received = 0;
    QByteArray head;
    connect(reply, &QIODevice::readyRead, reply, [&] {
        const QByteArray chunk = reply->readAll();
        if (head.size() < 188)
            head += chunk.left(188);
        received += chunk.size();
    });
    QElapsedTimer clock;
    clock.start();
    QTest::qWait(3000);
    const double seconds = clock.elapsed() / 1000.0;
    reply->abort();
    reply->deleteLater();
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 200);
    QCOMPARE(head.at(0), '\x47');
    // Never more than plays in the time waited (the clip at full speed
    // would be): a busy machine may read less, never more.
    const double played = received * 10.0 / tenSeconds;
    QVERIFY2(received > 0 && played < seconds + 1.5,
             qPrintable(QStringLiteral("%1 s of stream in %2 s").arg(played).arg(seconds)));
}

QTEST_MAIN(TestDevServiceLifecycle)
#include "tst_devservice_lifecycle.moc"
