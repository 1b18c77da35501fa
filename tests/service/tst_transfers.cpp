#include "DownloadRecorder.h"
#include "LocalHttpServer.h"
#include "RawHttpServer.h"
#include "ServiceTestKit.h"
#include "TestRows.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "service/DownloadFileHandler.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"
#include "service/UploadFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestTransfers : public QObject {
    Q_OBJECT

private:
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<OverlayFixture> m_overlay;
    LocalHttpServer m_server;
    QScopedPointer<QTemporaryDir> m_dir;
    QString m_startDir;

    void useWeb(const QUrl &url) {
        ServiceConfig config = ServiceConfig::defaults();
        config.webUrl = url;
        setServiceConfig(config);
    }

private slots:
    void initTestCase() {
        m_settings.reset(new ScopedSettings);
        qRegisterMetaType<QNetworkReply *>();
        QVERIFY(m_server.start());
        m_startDir = QDir::currentPath();
    }

    void cleanupTestCase() {
        m_server.stop();
        m_settings.reset();
    }

    void init() {
        appState().reset();
        NetworkManager::setTransferTimeout(NetworkManager::defaultTransferTimeout);
        m_server.clearRequests();
        m_dir.reset(new QTemporaryDir);
        QVERIFY(QDir::setCurrent(m_dir->path()));
        m_overlay.reset(new OverlayFixture);
        m_overlay->overlay()->showBusy(m_overlay->page());
    }

    void cleanup() {
        m_overlay.reset();
        QDir::setCurrent(m_startDir);
        m_dir.reset();
    }

    void downloadNaming_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("customName");
        QTest::addColumn<QString>("reported");
        addRow("no custom name", "/lists/list.m3u8", QString(), "finished:playlists/list.m3u8");
        addRow("custom name keeps the extension", "/img/logo.png", "42",
               "finished:playlists/42.png|42");
        addRow("custom name, two dots", "/img/logo.tar.png", "42",
               "finished:playlists/42.tar.png|42");
        addRow("custom name, base name repeated", "/img/logo.logo.png", "7",
               "finished:playlists/7.logo.png|7");
        addRow("custom name, no base name", "/img/.png", "42", "finished:playlists/42.png|42");
        addRow("custom name, no extension", "/img/logo", "42", "finished:playlists/42|42");
        addRow("name decoded", "/lists/my%20list.m3u", QString(), "finished:playlists/my list.m3u");
        addRow("query not in the name", "/lists/list.m3u?token=1", QString(),
               "finished:playlists/list.m3u");
    }

    void downloadNaming() {
        QFETCH(QString, path);
        QFETCH(QString, customName);
        QFETCH(QString, reported);
        const QByteArray content("#EXTM3U\n#EXTINF:-1,One\nhttp://example.invalid/1\n");
        m_server.respond(LocalHttpResponse{200, content, "audio/x-mpegurl"});
        QVERIFY(QDir().mkdir(QStringLiteral("playlists")));

        DownloadFileHandler handler;
        DownloadRecorder recorder(&handler);
        handler.setDownloadURLSlot(m_server.url(path).toString());
        handler.targetDir = QDir(QStringLiteral("playlists/"));
        handler.customName = customName;
        handler.beginDownload();
        QCOMPARE(recorder.events, QStringList{"started"});
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.events, (QStringList{"started", reported}));
        const QString file = reported.mid(9).section(QLatin1Char('|'), 0, 0);
        QCOMPARE(readFile(file), content);
        QCOMPARE(m_server.requests().first().method, QByteArray("GET"));
    }

    void setDownloadUrlClearsTheCustomName() {
        DownloadFileHandler handler;
        handler.customName = QStringLiteral("42");
        handler.setDownloadURLSlot(QStringLiteral("http://127.0.0.1/a b.png"));
        QVERIFY(handler.customName.isEmpty());
        QCOMPARE(handler.url.path(), QStringLiteral("/a b.png"));
    }

    // Nothing at the target and no temporary file: a cut-off or refused
    // transfer never passes for the file.
    void downloadErrorLeavesNothing_data() {
        QTest::addColumn<QByteArray>("response");
        addRow("server error",
               RawHttpServer::response("404 Not Found", "no such list", "text/plain"));
        addRow("connection lost",
               QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n"
                          "#EXTM3U\npartial"));
    }

    void downloadErrorLeavesNothing() {
        QFETCH(QByteArray, response);
        RawHttpServer server;
        server.setResponse(response);
        QVERIFY(server.start());
        DownloadFileHandler handler;
        DownloadRecorder recorder(&handler);
        handler.setDownloadURLSlot(server.url(QStringLiteral("/list.m3u")).toString());
        handler.targetDir = QDir(m_dir->path());
        handler.beginDownload();
        QTRY_VERIFY(recorder.ended());
        QCOMPARE(recorder.events, (QStringList{"started", "error"}));
        QVERIFY(!recorder.errorText.isEmpty());
        QCOMPARE(entriesOf(m_dir->path()), QStringList());
    }

    void downloadIntoAMissingDirectorySendsNothing() {
        DownloadFileHandler handler;
        DownloadRecorder recorder(&handler);
        handler.setDownloadURLSlot(m_server.url(QStringLiteral("/list.m3u")).toString());
        handler.targetDir = QDir(m_dir->filePath(QStringLiteral("absent")));
        handler.beginDownload();
        QCOMPARE(recorder.events, QStringList{"opening error"});
        QTest::qWait(100);
        QCOMPARE(m_server.requestCount(), 0);
    }

    void cancelledDownloadReportsBoth() {
        RawHttpServer silent;
        QVERIFY(silent.start());
        DownloadFileHandler handler;
        DownloadRecorder recorder(&handler);
        handler.setDownloadURLSlot(silent.url(QStringLiteral("/list.m3u")).toString());
        handler.targetDir = QDir(m_dir->path());
        handler.beginDownload();
        QTRY_COMPARE(silent.requests().size(), 1);
        handler.cancelDownload();
        QVERIFY(recorder.events.contains(QStringLiteral("error")));
        QVERIFY(recorder.events.contains(QStringLiteral("cancelled")));
        QCOMPARE(entriesOf(m_dir->path()), QStringList());
        // Idle again: a second cancel reports only itself.
        handler.cancelDownload();
        QCOMPARE(recorder.events.count(QStringLiteral("error")), 1);
    }

    void uploadSendsExactBytes_data() {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("playlist") << "list.m3u"
                                  << QByteArray("#EXTM3U\n#EXTINF:-1,One\nhttp://x/1\n") << "Home"
                                  << QByteArray("/upload/playlist/h4sh/Home")
                                  << QByteArray(
                                         "--*****\r\n"
                                         "--*****\r\n"
                                         "Content-Disposition: form-data; name=\"inplaylist\"; "
                                         "filename=\"list.m3u\"\r\n"
                                         "Content-Type: audio/x-mpegurl\r\n"
                                         "\r\n"
                                         "#EXTM3U\n#EXTINF:-1,One\nhttp://x/1\n"
                                         "\r\n"
                                         "--*****--\r\n");
        addRow("empty file", "empty.m3u", QByteArray(), "Home",
               QByteArray("/upload/playlist/h4sh/Home"),
               QByteArray("--*****\r\n"
                          "--*****\r\n"
                          "Content-Disposition: form-data; name=\"inplaylist\"; "
                          "filename=\"empty.m3u\"\r\n"
                          "Content-Type: audio/x-mpegurl\r\n"
                          "\r\n"
                          "\r\n"
                          "--*****--\r\n"));
        addRow("blank in file name and title", "my list.xspf", QByteArray("<playlist/>"), "My list",
               QByteArray("/upload/playlist/h4sh/My%20list"),
               QByteArray("--*****\r\n"
                          "--*****\r\n"
                          "Content-Disposition: form-data; name=\"inplaylist\"; "
                          "filename=\"my list.xspf\"\r\n"
                          "Content-Type: audio/x-mpegurl\r\n"
                          "\r\n"
                          "<playlist/>"
                          "\r\n"
                          "--*****--\r\n"));
        addRow("title that looks like a path", "a.m3u", QByteArray("x"), "News/Sport #1?",
               QByteArray("/upload/playlist/h4sh/News%2FSport%20%231%3F"),
               QByteArray("--*****\r\n"
                          "--*****\r\n"
                          "Content-Disposition: form-data; name=\"inplaylist\"; "
                          "filename=\"a.m3u\"\r\n"
                          "Content-Type: audio/x-mpegurl\r\n"
                          "\r\n"
                          "x"
                          "\r\n"
                          "--*****--\r\n"));
        addRow("quote in file name", "say \"hi\".m3u", QByteArray("x"), "Hi",
               QByteArray("/upload/playlist/h4sh/Hi"),
               QByteArray("--*****\r\n"
                          "--*****\r\n"
                          "Content-Disposition: form-data; name=\"inplaylist\"; "
                          "filename=\"say %22hi%22.m3u\"\r\n"
                          "Content-Type: audio/x-mpegurl\r\n"
                          "\r\n"
                          "x"
                          "\r\n"
                          "--*****--\r\n"));
        addRow("non-ASCII names", QString::fromUtf8("кино.m3u"), QByteArray("x"),
               QString::fromUtf8("Кино"),
               QByteArray("/upload/playlist/h4sh/%D0%9A%D0%B8%D0%BD%D0%BE"),
               QByteArray("--*****\r\n"
                          "--*****\r\n"
                          "Content-Disposition: form-data; name=\"inplaylist\"; "
                          "filename=\"\xd0\xba\xd0\xb8\xd0\xbd\xd0\xbe.m3u\"\r\n"
                          "Content-Type: audio/x-mpegurl\r\n"
                          "\r\n"
                          "x"
                          "\r\n"
                          "--*****--\r\n"));
    }

    void uploadSendsExactBytes() {
        QFETCH(QString, fileName);
        QFETCH(QByteArray, content);
        QFETCH(QString, title);
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);
        const QString path = m_dir->filePath(fileName);
        writeFile(path, content);
        RawHttpServer server;
        server.setResponse(RawHttpServer::response("200 OK", "{\"ok\":1}"));
        QVERIFY(server.start());
        useWeb(server.url(QString()));

        UploadFile uploader;
        QSignalSpy finished(&uploader, &UploadFile::uploadFinished);
        uploader.upload(QStringLiteral("h4sh"), path, title);
        QTRY_COMPARE(finished.count(), 1);
        auto *reply = finished.first().first().value<QNetworkReply *>();
        QVERIFY(reply);
        QCOMPARE(reply->readAll(), QByteArray("{\"ok\":1}"));

        QCOMPARE(server.requests().size(), 1);
        const QByteArray request = server.requests().first();
        const QByteArray head = RawHttpServer::head(request);
        QVERIFY2(head.startsWith("POST " + target + " HTTP/1.1\r\n"), head.constData());
        QVERIFY(head.contains("\r\nContent-Type: multipart/form-data; boundary=*****\r\n"));
        QVERIFY(head.contains("\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n"));
        QVERIFY(head.contains("\r\nHost: 127.0.0.1:" + QByteArray::number(server.serverPort()) +
                              "\r\n"));
        QCOMPARE(RawHttpServer::body(request), body);
        // No failure: the page's busy overlay is the page's to end.
        QVERIFY(m_overlay->overlay()->isBusy());
    }

    void uploadNetworkFailureAlertsAndFinishes_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("key");
        addRow("connection refused", QStringLiteral("127.0.0.1:%1").arg(closedPort()),
               "unknowerror");
        QTest::newRow("host not found") << unknownHost() << "nointernet";
    }

    void uploadNetworkFailureAlertsAndFinishes() {
        QFETCH(QString, host);
        QFETCH(QString, key);
        if (host == unknownHost() && !unknownHostFailsToResolve())
            QSKIP("the resolver here answers names under .invalid");
        const QString path = m_dir->filePath(QStringLiteral("list.m3u"));
        writeFile(path, "#EXTM3U\n");
        useWeb(QUrl(QStringLiteral("http://") + host));

        UploadFile uploader;
        QSignalSpy finished(&uploader, &UploadFile::uploadFinished);
        uploader.upload(QStringLiteral("h"), path, QStringLiteral("t"));
        QTRY_VERIFY_WITH_TIMEOUT(finished.count() == 1 && m_overlay->alertShown(), 20000);
        QVERIFY(finished.first().first().value<QNetworkReply *>());
        QCOMPARE(m_overlay->alertTitle(), msg("error"));
        QCOMPARE(m_overlay->alertText(), msg(key.toLatin1().constData()));
        QVERIFY(!m_overlay->overlay()->isBusy());
    }

    void uploadOfAnUnreadableFileSendsNothing() {
        RawHttpServer server;
        server.setResponse(RawHttpServer::response("200 OK", "{}"));
        QVERIFY(server.start());
        useWeb(server.url(QString()));

        UploadFile uploader;
        QSignalSpy finished(&uploader, &UploadFile::uploadFinished);
        uploader.upload(QStringLiteral("h"), m_dir->filePath(QStringLiteral("absent.m3u")),
                        QStringLiteral("t"));
        // The caller names the unreadable file: no alert of the uploader's
        // own comes first.
        QVERIFY(!m_overlay->overlay()->isShowingAlert(msg("error"), msg("unknowerror")));
        QVERIFY(m_overlay->alertTitle() != msg("error"));
        QVERIFY(!m_overlay->overlay()->isBusy());
        // The caller hears of it from the event loop, as of any upload.
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().value<QNetworkReply *>(), nullptr);
        QTest::qWait(100);
        QCOMPARE(server.requests().size(), 0);
    }

    void uploadOfAnUnreadableFileWithoutOverlayStillFinishes() {
        m_overlay.reset();
        UploadFile uploader;
        QSignalSpy finished(&uploader, &UploadFile::uploadFinished);
        uploader.upload(QStringLiteral("h"), m_dir->filePath(QStringLiteral("absent.m3u")),
                        QStringLiteral("t"));
        QTRY_COMPARE(finished.count(), 1);
    }
};

QTEST_MAIN(TestTransfers)
#include "tst_transfers.moc"
