// The development service, driven through the program's own service client
// over real TLS: every method family with the result shapes its pages read.
#include "DevServiceProcess.h"
#include "DevServiceTestKit.h"
#include "TestRows.h"
#include "TestSupport.h"

#include "service/DownloadFileHandler.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"
#include "service/UploadFile.h"

#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QScopedPointer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestDevServiceApi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void signIn_data();
    void signIn();
    void devices();
    void playlistsBelongToTheDevice();
    void deletePlaylist();
    void channelsAndGroups();
    void logosAndStreams();
    void deviceOptions();
    void programmeGuide();
    void findEpgForChannelsWithoutGuideId();
    void logoutEndsTheSession();
    void signUpErrors_data();
    void signUpErrors();
    void signUpRoundTrip();
    void uploadedPlaylistComesBack();
    void geolocationAndVersion();

private:
    QString token(const QString &user = QString::fromLatin1(DevServiceProcess::demoEmail));
    QJsonValue call(const QString &method, const QJsonArray &params, QString *error = nullptr) {
        return m_service->call(method, params, error);
    }

    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QString m_deviceKey; // of the e-mail account's "Demo PC"
};

void TestDevServiceApi::initTestCase() {
    // The checks of the network interfaces are not what is tested here.
    JsonRpc::setOnlineCheck([] { return true; });
    m_settings.reset(new ScopedSettings);
    m_service.reset(new DevServiceProcess);
    QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
    QCOMPARE(serviceConfig().apiUrl, m_service->apiUrl());
    QVERIFY(serviceConfig().caFile.endsWith(QLatin1String("/tls/ca.pem")));
    m_deviceKey = m_service->demoDeviceKey();
    QCOMPARE(m_deviceKey.size(), 32);
}

void TestDevServiceApi::cleanupTestCase() {
    m_service.reset();
    m_settings.reset();
    JsonRpc::setOnlineCheck(nullptr);
}

QString TestDevServiceApi::token(const QString &user) {
    return m_service->login(user, password, m_deviceKey);
}

void TestDevServiceApi::signIn_data() {
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("e-mail") << "demo@vantero.test" << password << true;
    QTest::newRow("e-mail in capitals") << "DEMO@VANTERO.TEST" << password << true;
    // Eleven digits exceed 32 bits: the client sends them as "login".
    QTest::newRow("phone as login") << "79001234567" << password << true;
    QTest::newRow("phone with plus and blanks") << "+7 900 123-45-67" << password << true;
    QTest::newRow("plain name") << "demo" << password << true;
    addRow("wrong password", "demo@vantero.test", "demo12345", false);
    QTest::newRow("unknown user") << "nobody@vantero.test" << password << false;
    QTest::newRow("empty user") << "" << password << false;
    addRow("empty password", "demo", "", false);
}

void TestDevServiceApi::signIn() {
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(bool, accepted);

    const Outcome outcome = exchange([&](JsonRpc &rpc) { rpc.login(user, password, QString()); });
    QVERIFY(outcome.answered);
    QCOMPARE(outcome.failed, !accepted);
    if (accepted) {
        QVERIFY(outcome.value.isString());
        QVERIFY(outcome.value.toString().size() >= 32);
    } else {
        QCOMPARE(outcome.error, QStringLiteral("Wrong login or password"));
    }
}

void TestDevServiceApi::devices() {
    const QString t = token();
    // The demo device answers to its platform only.
    const QJsonArray xcb =
        call(QStringLiteral("get_devices"), {QStringLiteral("xcb"), t}).toArray();
    QCOMPARE(xcb.size(), 1);
    QCOMPARE(xcb[0][QLatin1String("name")].toString(), QStringLiteral("Demo PC"));
    QCOMPARE(xcb[0][QLatin1String("key")].toString(), m_deviceKey);
    QVERIFY(
        call(QStringLiteral("get_devices"), {QStringLiteral("windows"), t}).toArray().isEmpty());

    // A device registered through the client is listed for the client's
    // platform, under the name as typed, with the key it was given.
    const QString name = QStringLiteral("  Kitchen  TV ");
    const Outcome registered = exchange([&](JsonRpc &rpc) { rpc.registerDevice(name, t); });
    QVERIFY(!registered.failed);
    const QString key = registered.value.toString();
    QCOMPARE(key.size(), 32);
    QVERIFY(key != m_deviceKey);
    const Outcome listed = exchange([&](JsonRpc &rpc) { rpc.getDevices(t); });
    const QJsonObject record =
        findRecord(listed.value.toArray(), QStringLiteral("key"), QJsonValue(key));
    QCOMPARE(record.value(QLatin1String("name")).toString(), name);
    QCOMPARE(record.value(QLatin1String("platform")).toString(), QGuiApplication::platformName());

    // Names without any visible character are refused.
    const Outcome blank =
        exchange([&](JsonRpc &rpc) { rpc.registerDevice(QStringLiteral("   "), t); });
    QCOMPARE(blank.error, QStringLiteral("Invalid device name"));
}

void TestDevServiceApi::playlistsBelongToTheDevice() {
    const Outcome outcome = exchange([&](JsonRpc &rpc) { rpc.getPlaylists(token()); });
    const QJsonArray playlists = outcome.value.toArray();
    QCOMPARE(playlists.size(), 2);
    QCOMPARE(playlists[0][QLatin1String("title")].toString(), QStringLiteral("Vantero TV"));
    QCOMPARE(playlists[1][QLatin1String("title")].toString(), QStringLiteral("Vantero Extra"));
    for (const QJsonValue &playlist : playlists) {
        QVERIFY(playlist[QLatin1String("id")].isDouble());
        QVERIFY(playlist[QLatin1String("id")].toInt() > 0);
        // The source is a link the playlist can be fetched from.
        const QUrl source(playlist[QLatin1String("source")].toString());
        QCOMPARE(source.port(), m_service->webUrl().port());
    }

    // Signed in without a device key (as the sign-in page does), or with a
    // device that has none bound: nothing is listed.
    const QString keyless = m_service->login(QStringLiteral("demo"), password);
    QVERIFY(call(QStringLiteral("get_playlists"), {keyless}).toArray().isEmpty());
    const QString newKey = call(QStringLiteral("register_device"),
                                {QStringLiteral("Empty box"), QStringLiteral("xcb"), keyless})
                               .toString();
    QVERIFY(!newKey.isEmpty());
    QVERIFY(call(QStringLiteral("get_playlists"),
                 {m_service->login(QStringLiteral("demo"), password, newKey)})
                .toArray()
                .isEmpty());
}

void TestDevServiceApi::deletePlaylist() {
    // The plain-name account's playlists, so that the other tests keep theirs.
    const QString key = m_service->demoDeviceKey(QStringLiteral("demo"), password);
    const QString t = m_service->login(QStringLiteral("demo"), password, key);
    const QJsonArray before = call(QStringLiteral("get_playlists"), {t}).toArray();
    QCOMPARE(before.size(), 2);
    const int id = before[1][QLatin1String("id")].toInt();

    // Another account cannot delete it.
    const Outcome foreign = exchange([&](JsonRpc &rpc) { rpc.deletePlaylist(id, token()); });
    QCOMPARE(foreign.error, QStringLiteral("Playlist not found"));

    const Outcome deleted = exchange([&](JsonRpc &rpc) { rpc.deletePlaylist(id, t); });
    QVERIFY(!deleted.failed);
    QCOMPARE(deleted.value.toString(), QStringLiteral("OK"));
    const QJsonArray after = call(QStringLiteral("get_playlists"), {t}).toArray();
    QCOMPARE(after.size(), 1);
    QCOMPARE(after[0][QLatin1String("id")].toInt(), before[0][QLatin1String("id")].toInt());

    const Outcome again = exchange([&](JsonRpc &rpc) { rpc.deletePlaylist(id, t); });
    QCOMPARE(again.error, QStringLiteral("Playlist not found"));
    QString error;
    call(QStringLiteral("get_channels"), {t, id}, &error);
    QCOMPARE(error, QStringLiteral("Playlist not found"));
}

void TestDevServiceApi::channelsAndGroups() {
    const QString t = token();
    const int playlistId =
        call(QStringLiteral("get_playlists"), {t}).toArray().at(0)[QLatin1String("id")].toInt();
    const Outcome channels = exchange([&](JsonRpc &rpc) { rpc.getChannels(t, playlistId); });
    const Outcome groups = exchange([&](JsonRpc &rpc) { rpc.getGroups(t); });
    QVERIFY(!channels.failed && !groups.failed);
    const QJsonArray channelList = channels.value.toArray();
    const QJsonArray groupList = groups.value.toArray();
    QCOMPARE(channelList.size(), 40);

    QSet<int> groupIds;
    for (const QJsonValue &group : groupList) {
        QVERIFY(group[QLatin1String("id")].isDouble());
        QVERIFY(!group[QLatin1String("title")].toString().isEmpty());
        groupIds.insert(group[QLatin1String("id")].toInt());
    }
    QSet<int> usedGroups;
    QSet<int> channelIds;
    int adult = 0;
    int withoutGuide = 0;
    for (const QJsonValue &value : channelList) {
        const QJsonObject channel = value.toObject();
        QVERIFY(channel.value(QLatin1String("id")).isDouble());
        QVERIFY(!channelIds.contains(channel.value(QLatin1String("id")).toInt()));
        channelIds.insert(channel.value(QLatin1String("id")).toInt());
        QVERIFY(!channel.value(QLatin1String("title")).toString().isEmpty());
        QVERIFY(channel.value(QLatin1String("group_id")).isDouble());
        QVERIFY(channel.value(QLatin1String("epg_id")).isDouble());
        QVERIFY(channel.value(QLatin1String("adult")).isBool());
        usedGroups.insert(channel.value(QLatin1String("group_id")).toInt());
        adult += channel.value(QLatin1String("adult")).toBool() ? 1 : 0;
        withoutGuide += channel.value(QLatin1String("epg_id")).toInt() == 0 ? 1 : 0;
        // Streams are plain HTTP on the media port, logos HTTPS on the web host.
        const QUrl href(channel.value(QLatin1String("href")).toString());
        QCOMPARE(href.scheme(), QStringLiteral("http"));
        QCOMPARE(href.port(), m_service->mediaUrl().port());
        const QUrl pict(channel.value(QLatin1String("pict")).toString());
        QCOMPARE(pict.scheme(), QStringLiteral("https"));
        QCOMPARE(pict.port(), m_service->webUrl().port());
    }
    QCOMPARE(usedGroups.size(), 5);
    QVERIFY(groupIds.contains(usedGroups));
    QVERIFY(adult >= 2);
    QVERIFY(withoutGuide >= 2);

    // The playlist of another account is not readable with this token.
    const QString other = m_service->login(QStringLiteral("79001234567"), password);
    QString error;
    call(QStringLiteral("get_channels"), {other, playlistId}, &error);
    QCOMPARE(error, QStringLiteral("Playlist not found"));
}

void TestDevServiceApi::logosAndStreams() {
    const QString t = token();
    const int playlistId =
        call(QStringLiteral("get_playlists"), {t}).toArray().at(0)[QLatin1String("id")].toInt();
    const QJsonArray channels = call(QStringLiteral("get_channels"), {t, playlistId}).toArray();
    QTemporaryDir dir;

    auto fetch = [&](const QString &url, const QString &customName) -> QString {
        DownloadFileHandler handler;
        QString written;
        QString failure;
        connect(&handler,
                QOverload<const QString &, const QString &>::of(
                    &DownloadFileHandler::fileDownloadFinished),
                &handler, [&](const QString &file, const QString &) { written = file; });
        connect(&handler,
                QOverload<const QString &>::of(&DownloadFileHandler::fileDownloadFinished),
                &handler, [&](const QString &file) { written = file; });
        connect(&handler, &DownloadFileHandler::fileDownloadError, &handler,
                [&](const QString &text) { failure = text; });
        handler.setDownloadURLSlot(url);
        handler.customName = customName;
        handler.targetDir = QDir(dir.path());
        handler.beginDownload();
        if (!QTest::qWaitFor([&] { return !written.isEmpty() || !failure.isEmpty(); }, 20000))
            return QStringLiteral("<timeout>");
        return failure.isEmpty() ? written : QStringLiteral("<error> ") + failure;
    };

    // A logo, named after its channel as the channel browser stores it.
    const QJsonObject first = channels[0].toObject();
    const QString id = QString::number(first.value(QLatin1String("id")).toInt());
    const QString logo = fetch(first.value(QLatin1String("pict")).toString(), id);
    QCOMPARE(logo, dir.path() + QLatin1Char('/') + id + QStringLiteral(".png"));
    QVERIFY(readFile(logo).startsWith("\x89PNG\r\n\x1a\n"));

    // A channel served as a file plays from its first byte: MPEG-TS packets.
    const QByteArray clip = readFile(fetch(first.value(QLatin1String("href")).toString(), {}));
    QVERIFY2(clip.size() > 100000, qPrintable(QString::number(clip.size())));
    QCOMPARE(clip.size() % 188, 0);
    QCOMPARE(clip.at(0), '\x47');
    QCOMPARE(clip.at(188), '\x47');

    // The HLS channel lists live segments that can be fetched.
    const QJsonObject hls =
        findRecord(channels, QStringLiteral("title"), QStringLiteral("Sport Live HD"));
    const QString hlsUrl = hls.value(QLatin1String("href")).toString();
    QVERIFY(hlsUrl.endsWith(QLatin1String(".m3u8")));
    const QByteArray playlist = readFile(fetch(hlsUrl, {}));
    QVERIFY2(playlist.startsWith("#EXTM3U"), playlist.constData());
    QVERIFY(playlist.contains("#EXT-X-MEDIA-SEQUENCE:"));
    QVERIFY(!playlist.contains("#EXT-X-ENDLIST"));
    const QRegularExpression segmentLine(QStringLiteral("^(seg\\d+\\.ts)$"),
                                         QRegularExpression::MultilineOption);
    const QString segmentName = segmentLine.match(QString::fromLatin1(playlist)).captured(1);
    QVERIFY(!segmentName.isEmpty());
    const QByteArray segment =
        readFile(fetch(QUrl(hlsUrl).resolved(QUrl(segmentName)).toString(), {}));
    QVERIFY(segment.size() > 10000);
    QCOMPARE(segment.at(0), '\x47');
}

void TestDevServiceApi::deviceOptions() {
    const QString t = token();
    const QString fav = QStringLiteral("xcb_fav_12");
    Outcome unset = exchange([&](JsonRpc &rpc) { rpc.getDevopt(fav, t); });
    QVERIFY(!unset.failed);
    QCOMPARE(unset.value, QJsonValue(QString()));

    const Outcome set =
        exchange([&](JsonRpc &rpc) { rpc.setDevopt(fav, QStringLiteral("[101,205,33]"), t); });
    QCOMPARE(set.value.toString(), QStringLiteral("OK"));
    QCOMPARE(exchange([&](JsonRpc &rpc) { rpc.getDevopt(fav, t); }).value.toString(),
             QStringLiteral("[101,205,33]"));
    exchange([&](JsonRpc &rpc) { rpc.setDevopt(fav, QStringLiteral("[]"), t); });
    QCOMPARE(exchange([&](JsonRpc &rpc) { rpc.getDevopt(fav, t); }).value.toString(),
             QStringLiteral("[]"));

    // Options belong to the device of the token: another device of the same
    // account does not see them, and a token without a device has none.
    const QString otherKey = call(QStringLiteral("register_device"),
                                  {QStringLiteral("Second"), QStringLiteral("xcb"), t})
                                 .toString();
    const QString otherToken =
        m_service->login(QString::fromLatin1(DevServiceProcess::demoEmail), password, otherKey);
    QCOMPARE(call(QStringLiteral("get_devopt"), {fav, otherToken}).toString(), QString());
    QString error;
    call(QStringLiteral("set_devopt"),
         {QStringLiteral("xcb_parent_pass"), QStringLiteral("1234"),
          m_service->login(QString::fromLatin1(DevServiceProcess::demoEmail), password)},
         &error);
    QCOMPARE(error, QStringLiteral("Device not registered"));
}

void TestDevServiceApi::programmeGuide() {
    const QString t = token();
    const int playlistId =
        call(QStringLiteral("get_playlists"), {t}).toArray().at(0)[QLatin1String("id")].toInt();
    const QJsonObject channel =
        call(QStringLiteral("get_channels"), {t, playlistId}).toArray().at(0).toObject();
    const int epgId = channel.value(QLatin1String("epg_id")).toInt();
    QVERIFY(epgId != 0);
    QVERIFY(epgId != channel.value(QLatin1String("id")).toInt());

    const Outcome outcome = exchange([&](JsonRpc &rpc) { rpc.getEpg(epgId, t); });
    const QJsonArray programmes = outcome.value.toArray();
    QVERIFY(programmes.size() > 50);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QDateTime previousStop;
    bool runningNow = false;
    for (const QJsonValue &value : programmes) {
        const QJsonObject programme = value.toObject();
        QDateTime start =
            QDateTime::fromString(programme.value(QLatin1String("start")).toString(), format);
        QDateTime stop =
            QDateTime::fromString(programme.value(QLatin1String("stop")).toString(), format);
        start.setTimeSpec(Qt::UTC);
        stop.setTimeSpec(Qt::UTC);
        QVERIFY(start.isValid() && stop.isValid());
        QVERIFY(start < stop);
        QVERIFY(!programme.value(QLatin1String("title")).toString().isEmpty());
        QVERIFY(programme.value(QLatin1String("desc")).isString());
        if (previousStop.isValid())
            QCOMPARE(start, previousStop); // back to back
        previousStop = stop;
        runningNow = runningNow || (start <= now && now < stop);
    }
    QVERIFY(runningNow);
    // From two days back to five days ahead.
    const auto first =
        QDateTime::fromString(programmes.first()[QLatin1String("start")].toString(), format);
    const auto last =
        QDateTime::fromString(programmes.last()[QLatin1String("stop")].toString(), format);
    QVERIFY(QDateTime(first.date(), first.time(), Qt::UTC) <= now.addDays(-2).addSecs(3600));
    QVERIFY(QDateTime(last.date(), last.time(), Qt::UTC) >= now.addDays(5));

    // A guide id the service does not know has no programmes.
    const Outcome unknown = exchange([&](JsonRpc &rpc) { rpc.getEpg(987654, t); });
    QVERIFY(!unknown.failed);
    QVERIFY(unknown.value.isArray() && unknown.value.toArray().isEmpty());
}

void TestDevServiceApi::findEpgForChannelsWithoutGuideId() {
    const QString t = token();
    // Channels without a guide id send the text "0": the first candidate
    // must lead to a guide, as the client fetches only that one.
    const Outcome found = exchange([&](JsonRpc &rpc) { rpc.findEpg(QStringLiteral("0"), t); });
    const QJsonArray candidates = found.value.toArray();
    QVERIFY(!candidates.isEmpty());
    for (const QJsonValue &candidate : candidates) {
        QVERIFY(candidate[QLatin1String("id")].isDouble());
        QVERIFY(candidate[QLatin1String("name")].toString().contains(QLatin1Char('0')));
        QVERIFY(candidate[QLatin1String("weight")].isDouble());
    }
    const int firstId = candidates[0][QLatin1String("id")].toInt();
    QVERIFY(!exchange([&](JsonRpc &rpc) { rpc.getEpg(firstId, t); }).value.toArray().isEmpty());

    // A name search puts the exact name first.
    const QJsonArray sport =
        exchange([&](JsonRpc &rpc) { rpc.findEpg(QStringLiteral("sport 1"), t); }).value.toArray();
    QVERIFY(!sport.isEmpty());
    QCOMPARE(sport[0][QLatin1String("name")].toString(), QStringLiteral("Sport 1"));
    QVERIFY(exchange([&](JsonRpc &rpc) { rpc.findEpg(QStringLiteral("no such guide"), t); })
                .value.toArray()
                .isEmpty());
}

void TestDevServiceApi::logoutEndsTheSession() {
    const QString t = token();
    QVERIFY(!exchange([&](JsonRpc &rpc) { rpc.getPlaylists(t); }).failed);
    const Outcome out = exchange([&](JsonRpc &rpc) { rpc.logout(t); });
    QCOMPARE(out.value.toString(), QStringLiteral("OK"));
    for (const auto &operation : std::vector<std::function<void(JsonRpc &)>>{
             [&](JsonRpc &rpc) { rpc.getPlaylists(t); }, [&](JsonRpc &rpc) { rpc.getGroups(t); },
             [&](JsonRpc &rpc) { rpc.getEpg(101, t); }, [&](JsonRpc &rpc) { rpc.getUploadHash(t); },
             [&](JsonRpc &rpc) { rpc.logout(t); }}) {
        const Outcome after = exchange(operation);
        QCOMPARE(after.error, QStringLiteral("Invalid token"));
    }
    // Other sessions of the same account go on.
    QVERIFY(!exchange([&](JsonRpc &rpc) { rpc.getPlaylists(token()); }).failed);
}

void TestDevServiceApi::signUpErrors_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("error");

    addRow("too short a number", "Tester", "12345", "Telephone format invalid");
    addRow("letters in the number", "Tester", "7900abc4567", "Telephone format invalid");
    addRow("empty number", "Tester", "", "Telephone format invalid");
    addRow("two-letter name", "Al", "79005550001", "Username length is small");
    addRow("blank name", "     ", "79005550001", "Username length is small");
    addRow("number taken", "Tester", "79001234567", "Already exist telephone");
}

void TestDevServiceApi::signUpErrors() {
    QFETCH(QString, name);
    QFETCH(QString, phone);
    QFETCH(QString, error);

    const Outcome outcome =
        exchange([&](JsonRpc &rpc) { rpc.registerBySms(name, phone, QStringLiteral("secret")); });
    // The verdict travels inside the result, as the sign-up page reads it.
    QVERIFY(!outcome.failed);
    const QJsonObject result = outcome.value.toObject();
    QCOMPARE(result.value(QLatin1String("Error")).toString(), error);
    QVERIFY(result.value(QLatin1String("Result")).toString() != QLatin1String("OK"));
    QCOMPARE(m_service->lastSmsCode(phone), -1);
}

void TestDevServiceApi::signUpRoundTrip() {
    const QString phone = QStringLiteral("79005551234");
    const Outcome signUp = exchange([&](JsonRpc &rpc) {
        rpc.registerBySms(QStringLiteral("Tester"), phone, QStringLiteral("s3cret"));
    });
    QCOMPARE(signUp.value.toObject().value(QLatin1String("Error")).toString(), QString());
    QCOMPARE(signUp.value.toObject().value(QLatin1String("Result")).toString(),
             QStringLiteral("OK"));
    const int code = m_service->lastSmsCode(phone);
    QVERIFY(code >= 100000 && code <= 999999);
    QTRY_VERIFY(m_service->output().contains(QStringLiteral("SMS to +%1").arg(phone)));

    // Not an account before the code is confirmed.
    QVERIFY(m_service->login(phone, QStringLiteral("s3cret")).isEmpty());

    const Outcome wrong =
        exchange([&](JsonRpc &rpc) { rpc.verifyCode(phone, code == 999999 ? 100000 : code + 1); });
    QCOMPARE(wrong.value.toObject().value(QLatin1String("Error")).toString(),
             QStringLiteral("Invalid check code"));
    const Outcome letters = exchange([&](JsonRpc &rpc) { rpc.verifyCode(phone, 0); });
    QCOMPARE(letters.value.toObject().value(QLatin1String("Error")).toString(),
             QStringLiteral("Invalid check code"));

    const Outcome right = exchange([&](JsonRpc &rpc) { rpc.verifyCode(phone, code); });
    QCOMPARE(right.value.toObject().value(QLatin1String("Error")).toString(), QString());
    QCOMPARE(right.value.toObject().value(QLatin1String("Result")).toString(),
             QStringLiteral("OK"));
    // The code is used up.
    QCOMPARE(exchange([&](JsonRpc &rpc) { rpc.verifyCode(phone, code); })
                 .value.toObject()
                 .value(QLatin1String("Error"))
                 .toString(),
             QStringLiteral("Invalid check code"));

    // The new account signs in under both methods, with or without "+".
    QString error;
    QVERIFY(!call(QStringLiteral("login"), {phone, QStringLiteral("s3cret"), QString()}, &error)
                 .toString()
                 .isEmpty());
    QVERIFY(!call(QStringLiteral("login_phone"),
                  {QLatin1Char('+') + phone, QStringLiteral("s3cret"), QString()}, &error)
                 .toString()
                 .isEmpty());
    QCOMPARE(exchange([&](JsonRpc &rpc) {
                 rpc.registerBySms(QStringLiteral("Tester"), phone, QStringLiteral("x"));
             })
                 .value.toObject()
                 .value(QLatin1String("Error"))
                 .toString(),
             QStringLiteral("Already exist telephone"));
}

void TestDevServiceApi::uploadedPlaylistComesBack() {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/my list.m3u8");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("\xEF\xBB\xBF#EXTM3U url-tvg=\"http://example.invalid/guide.xml\"\r\n"
               "#EXTINF:-1 tvg-id=\"101\" tvg-logo=\"http://127.0.0.1:1/a.png\" "
               "group-title=\"News, World\",First, with a comma\r\n"
               "http://127.0.0.1:1/first.ts\r\n"
               "#EXTINF:0,Второй канал\r\n"
               "#EXTGRP:Музыка\r\n"
               "http://127.0.0.1:1/second.m3u8\r\n"
               "#EXTINF:-1 tvg-id=\"Sport 1\" group-title=\"Adult 18+\",Third\r\n"
               "#EXTVLCOPT:http-user-agent=Test\r\n"
               "udp://239.0.0.1:1234\r\n"
               "#EXTINF:-1,Relative entries are skipped\r\n"
               "local/file.ts\r\n"
               "http://127.0.0.1:1/bare.ts\r\n");
    file.close();

    const QString t = token();
    const Outcome hash = exchange([&](JsonRpc &rpc) { rpc.getUploadHash(t); });
    QCOMPARE(hash.value.toString().size(), 32);

    UploadFile uploader;
    QSignalSpy finished(&uploader, &UploadFile::uploadFinished);
    const QString title = QStringLiteral("Мой список 1");
    uploader.upload(hash.value.toString(), path, title);
    QVERIFY(finished.wait(20000));
    auto *reply = finished.first().first().value<QNetworkReply *>();
    QVERIFY(reply);
    QCOMPARE(reply->error(), QNetworkReply::NoError);

    const QJsonArray playlists = call(QStringLiteral("get_playlists"), {t}).toArray();
    const QJsonObject added = findRecord(playlists, QStringLiteral("title"), title);
    QVERIFY(!added.isEmpty());
    const int id = added.value(QLatin1String("id")).toInt();
    const QJsonArray channels =
        exchange([&](JsonRpc &rpc) { rpc.getChannels(t, id); }).value.toArray();
    const QJsonArray groups = call(QStringLiteral("get_groups"), {t}).toArray();
    auto groupTitle = [&](const QJsonValue &channel) {
        return findRecord(groups, QStringLiteral("id"), channel[QLatin1String("group_id")])
            .value(QLatin1String("title"))
            .toString();
    };
    QCOMPARE(channels.size(), 4);
    QCOMPARE(channels[0][QLatin1String("title")].toString(), QStringLiteral("First, with a comma"));
    QCOMPARE(groupTitle(channels[0]), QStringLiteral("News, World"));
    QCOMPARE(channels[0][QLatin1String("href")].toString(),
             QStringLiteral("http://127.0.0.1:1/first.ts"));
    QCOMPARE(channels[0][QLatin1String("pict")].toString(),
             QStringLiteral("http://127.0.0.1:1/a.png"));
    QCOMPARE(channels[0][QLatin1String("epg_id")].toInt(), 101);
    QCOMPARE(channels[0][QLatin1String("adult")].toBool(), false);
    QCOMPARE(channels[1][QLatin1String("title")].toString(), QStringLiteral("Второй канал"));
    QCOMPARE(groupTitle(channels[1]), QStringLiteral("Музыка"));
    QCOMPARE(channels[1][QLatin1String("epg_id")].toInt(), 0);
    QCOMPARE(channels[2][QLatin1String("href")].toString(), QStringLiteral("udp://239.0.0.1:1234"));
    QCOMPARE(channels[2][QLatin1String("adult")].toBool(), true);
    // A guide id given by name is matched to the guide of that name.
    const int sportGuide = call(QStringLiteral("find_epg"), {QStringLiteral("Sport 1"), t})
                               .toArray()
                               .at(0)[QLatin1String("id")]
                               .toInt();
    QCOMPARE(channels[2][QLatin1String("epg_id")].toInt(), sportGuide);
    QCOMPARE(channels[3][QLatin1String("title")].toString(),
             QStringLiteral("http://127.0.0.1:1/bare.ts"));
    QCOMPARE(groupTitle(channels[3]), QStringLiteral("Unsorted"));

    // A hash serves one upload only.
    UploadFile second;
    QSignalSpy secondFinished(&second, &UploadFile::uploadFinished);
    second.upload(hash.value.toString(), path, QStringLiteral("Again"));
    QVERIFY(secondFinished.wait(20000));
    auto *refused = secondFinished.first().first().value<QNetworkReply *>();
    QCOMPARE(refused->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 403);
    QVERIFY(findRecord(call(QStringLiteral("get_playlists"), {t}).toArray(),
                       QStringLiteral("title"), QStringLiteral("Again"))
                .isEmpty());
}

void TestDevServiceApi::geolocationAndVersion() {
    const Outcome location = exchange([](JsonRpc &rpc) { rpc.requestLocation(); });
    QCOMPARE(location.value.toString(), QStringLiteral("RU"));
    const Outcome version = exchange([](JsonRpc &rpc) { rpc.requestVersion(); });
    const QJsonObject info = version.value.toObject();
    QCOMPARE(info.value(QLatin1String("MajorVersion")).toInt(-1), 1);
    QCOMPARE(info.value(QLatin1String("MinorVersion")).toInt(-1), 1);
    QCOMPARE(info.value(QLatin1String("Build")).toInt(-1), 0);
}

QTEST_MAIN(TestDevServiceApi)
#include "tst_devservice_api.moc"
