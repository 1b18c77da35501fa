#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

// Runs the local development service (vantero-devservice) for a test.
//
// start() launches the service binary of this build on free ports of
// 127.0.0.1, with a data folder of its own in a temporary directory and the
// clips and logos from the build's shared media cache (made once; the CTest
// fixture "devservice" makes it before the tests that require it run). It
// waits for the service's READY line, reads the addresses it bound from
// <data>/ports.json, writes them with the service's certificate authority
// into the "service" group of the current settings store, and calls
// setServiceConfig(ServiceConfig::fromSettings()), so that JsonRpc,
// DownloadFileHandler and UploadFile talk to it over real TLS.
//
// Construct a ScopedSettings first (the settings go into the test's own
// store; without one nothing is written and the addresses are set in memory
// only), then the DevServiceProcess. The destructor stops the service; the
// service also ends by itself when the test process dies.
//
// JsonRpc sends nothing on a computer without a usable network interface
// other than loopback; a test that must pass on such a machine (a CI
// sandbox) calls JsonRpc::setOnlineCheck([] { return true; }) first.
//
// Typical use:
//
//     ScopedSettings settings;
//     DevServiceProcess service;
//     QVERIFY2(service.start(), qPrintable(service.errorString()));
//     const QString token = service.login(DevServiceProcess::demoEmail,
//                                         DevServiceProcess::demoPassword);
//
// In the test's CMakeLists.txt, let the test wait for the media cache:
//
//     set_tests_properties(tst_x PROPERTIES FIXTURES_REQUIRED devservice)
//
// The demo data of a fresh service: three accounts (e-mail, phone, plain
// name; constants below), each with the device "Demo PC" of platform "xcb"
// and the playlists "Vantero TV" (40 channels in the groups News, Sport,
// Movies, Kids, Music; adult channels; channels with "epg_id" 0; one live
// MPEG-TS channel "News 24 Live" and one live HLS channel "Sport Live HD")
// and "Vantero Extra" (10 channels). Programme data covers two days back to
// five days ahead. Streams are plain HTTP on the media port, logos HTTPS on
// the web host.
class DevServiceProcess {
public:
    static constexpr char demoEmail[] = "demo@vantero.test";
    static constexpr char demoPhone[] = "79001234567";
    static constexpr char demoName[] = "demo";
    static constexpr char demoPassword[] = "demo1234";
    static constexpr char demoDevice[] = "Demo PC";
    static constexpr char demoPlatform[] = "xcb";

    // extraArguments go to the service as well (for example
    // {"--token-ttl", "2"} or {"--seed-channels", "5000"}).
    explicit DevServiceProcess(const QStringList &extraArguments = {});
    ~DevServiceProcess();
    DevServiceProcess(const DevServiceProcess &) = delete;
    DevServiceProcess &operator=(const DevServiceProcess &) = delete;

    // Starts the service and applies its addresses (see above). False, with
    // errorString() telling why, when it does not come up in time.
    bool start(int timeoutMs = 120000);
    // Stops it (SIGTERM, then SIGKILL after 10 s).
    void stop();
    // Kills it at once, as a crash would.
    void kill();
    // Starts it again on the same data folder. With samePorts the addresses
    // stay as they were; otherwise it binds new free ports.
    bool restart(bool samePorts = true, int timeoutMs = 60000);
    bool isRunning() const;

    QString errorString() const { return m_error; }
    // Everything the service wrote to standard output and error so far.
    QString output() const;

    QString dataDir() const;
    QString caFile() const;
    QUrl apiUrl() const;
    QUrl webUrl() const;
    QUrl siteUrl() const;
    QUrl geoUrl() const;
    QUrl mediaUrl() const;
    // The parsed ports.json of the running service.
    QJsonObject ports() const { return m_ports; }

    // Writes the "service" group into the current settings store and makes
    // it the configuration of this run (start() does this already).
    void applyClientSettings() const;

    // The last SMS code the service sent to a phone (digits only, as the
    // sign-up sends it); -1 when there is none.
    int lastSmsCode(const QString &phoneDigits) const;

    // Synchronous conveniences for setting up a test, through JsonRpc:
    // result of a method call; an "error" text goes into *error (and the
    // result is undefined). A call that gets no answer in time counts as the
    // error "timeout".
    QJsonValue call(const QString &method, const QJsonArray &params, QString *error = nullptr,
                    int timeoutMs = 20000) const;
    // A session token, "" on failure.
    QString login(const QString &user, const QString &password,
                  const QString &deviceKey = QString()) const;
    // The key of the account's device named "Demo PC" (platform "xcb").
    QString demoDeviceKey(const QString &user = QString::fromLatin1(demoEmail),
                          const QString &password = QString::fromLatin1(demoPassword)) const;

    // The id of the account's playlist with this title (as the device sees
    // it), 0 when there is none.
    int playlistId(const QString &deviceKey, const QString &title = QStringLiteral("Vantero TV"),
                   const QString &user = QString::fromLatin1(demoEmail),
                   const QString &password = QString::fromLatin1(demoPassword)) const;

    // The service executable of this build and the shared media cache.
    static QString binaryPath();
    static QString mediaDir();

private:
    bool launch(const QStringList &portArguments, int timeoutMs);

    QStringList m_extraArguments;
    QTemporaryDir m_dir;
    QScopedPointer<QProcess> m_process;
    QJsonObject m_ports;
    QString m_error;
    QByteArray m_output;
};
