// Downloads fed hostile input: names that try to leave their folder or pass
// for programs, answers that are too large, redirects that lower the
// safety or never end, and two downloads aiming at one file. Every case runs
// twice: with the file written as the transfer arrives, and written by a
// worker thread once it is complete (as logos are).

#include "DevServiceProcess.h"
#include "DownloadRecorder.h"
#include "RawHttpServer.h"
#include "TestRows.h"
#include "TestSupport.h"

#include "app/Messages.h"
#include "service/DownloadFileHandler.h"
#include "service/NetworkManager.h"
#include "service/SafeFileName.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <functional>

#include <utility>

namespace {

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// What must hold for any name, whatever it was made from.
QString unsafeness(const QString &name, const QStringList &allowed) {
    if (name.isEmpty())
        return QStringLiteral("empty");
    for (const QChar c : name) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format)
            return QStringLiteral("character U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
    if (name.contains(QLatin1String("..")))
        return QStringLiteral("..");
    if (name.startsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char('.')) ||
        name.endsWith(QLatin1Char(' ')))
        return QStringLiteral("dot or blank at an end");
    if (SafeFileName::isDeviceName(name))
        return QStringLiteral("device name");
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && !allowed.contains(name.mid(dot + 1), Qt::CaseInsensitive))
        return QStringLiteral("suffix ") + name.mid(dot + 1);
    if (name.toUtf8().size() > SafeFileName::maxBytes)
        return QStringLiteral("too long");
    return QString();
}

} // namespace

class TestDownloadSafety : public QObject {
    Q_OBJECT

public:
    explicit TestDownloadSafety(bool background)
        : m_background(background) {}

private:
    const bool m_background;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QScopedPointer<QTemporaryDir> m_dir;

    // Runs one download into the test's folder to its end.
    QStringList download(const QUrl &url, qint64 maxBytes = 0, const QString &customName = {},
                         std::function<bool(const QByteArray &)> accept = nullptr) {
        DownloadFileHandler handler;
        DownloadRecorder recorder(&handler);
        handler.writeInBackground = m_background;
        handler.acceptContent = std::move(accept);
        handler.url = url;
        handler.customName = customName;
        handler.maxBytes = maxBytes;
        handler.targetDir = QDir(m_dir->path());
        handler.beginDownload();
        if (!QTest::qWaitFor([&] { return recorder.ended(); }, 20000))
            return {QStringLiteral("<no end>")};
        if (recorder.events.last() == QLatin1String("error"))
            recorder.events.last() += QLatin1Char(':') + recorder.errorText;
        return recorder.events;
    }
    QString inFolder(const QString &name) const { return m_dir->path() + QLatin1Char('/') + name; }

private slots:
    void initTestCase() {
        qInfo("files written %s", m_background ? "by a worker thread" : "as they arrive");
        m_settings.reset(new ScopedSettings);
        m_service.reset(new DevServiceProcess);
        QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
    }
    void cleanupTestCase() {
        m_service.reset();
        m_settings.reset();
    }
    void init() { m_dir.reset(new QTemporaryDir); }

    // Names as a Windows machine would read them, checked on any platform.
    void namesFromOutside_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected"); // empty: only the rules are checked
        addRow("plain", "logo.png", "logo.png");
        addRow("blank and Cyrillic", "Мой логотип.PNG", "Мой логотип.PNG");
        addRow("climbing with backslashes", "..\\..\\Updater.exe", "");
        addRow("drive", "C:\\Windows\\System32\\evil.png", "");
        addRow("program", "Updater.exe", "Updater_exe");
        addRow("program behind an image", "logo.png.exe", "logo_png_exe");
        addRow("trailing dot", "Updater.exe.", "Updater_exe");
        addRow("stream", "x.png::$DATA", "");
        addRow("device", "CON", "_CON");
        addRow("device with a suffix", "nul.png", "_nul.png");
        addRow("device, blank before the dot", "COM1 .png", "_COM1.png");
        addRow("device, superscript digit", "lpt\u00B9.m3u", "_lpt\u00B9.m3u");
        addRow("dots only", "..", "_");
        addRow("empty", "", "_");
        addRow("controls", "a\tb\nc\u0001.png", "a_b_c_.png");
        addRow("right-to-left override", "logo\u202Egnp.exe", "");
        addRow("long, four-byte characters",
               QString::fromUtf8("\xF0\x9F\x93\xBA").repeated(100) + QStringLiteral(".m3u"), "");
        // Cut to length, then "_" in front: still a fixed point.
        addRow("long and hidden",
               QStringLiteral(".") + QString(56, QChar(0xFFFD)) + QStringLiteral("  .png"), "");
        addRow("lone surrogate", QString(QChar(0xD800)) + QStringLiteral("x.png"), "_x.png");
    }
    void namesFromOutside() {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QStringList allowed =
            SafeFileName::imageSuffixes() + SafeFileName::playlistSuffixes();
        const QString safe = SafeFileName::make(name, allowed);
        QVERIFY2(unsafeness(safe, allowed).isEmpty(),
                 qPrintable(safe + QStringLiteral(": ") + unsafeness(safe, allowed)));
        if (!expected.isEmpty())
            QCOMPARE(safe, expected);
        // A name made safe stays as it is.
        QCOMPARE(SafeFileName::make(safe, allowed), safe);
        if (name.endsWith(QLatin1String(".png")) && !name.contains(QLatin1Char(':')))
            QVERIFY(safe.endsWith(QLatin1String(".png")));
        // Cut names keep whole characters.
        QCOMPARE(QString::fromUtf8(safe.toUtf8()), safe);
    }

    // The file lands in the folder, whatever the address's last segment
    // decodes to.
    void encodedSeparatorsStayInTheFolder_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("customName");
        QTest::addColumn<QString>("stored");
        addRow("logo", "/img/..%5C..%5CUpdater.exe", "42", "42____Updater_exe");
        QTest::newRow("playlist") << "/lists/..%5C..%5Clist.m3u" << QString() << "_._._list.m3u";
        // Decoded, the slashes end the path: only the last part names the file.
        QTest::newRow("slash") << "/lists/a%2F..%2F..%2Fb.m3u8" << QString() << "b.m3u8";
    }
    void encodedSeparatorsStayInTheFolder() {
        QFETCH(QString, path);
        QFETCH(QString, customName);
        QFETCH(QString, stored);
        RawHttpServer server;
        server.setResponse(RawHttpServer::response("200 OK", "#EXTM3U\n", "text/plain"));
        QVERIFY(server.start());
        QUrl url = server.url();
        url.setPath(path, QUrl::StrictMode);
        const QString reported = customName.isEmpty()
                                     ? inFolder(stored)
                                     : inFolder(stored) + QLatin1Char('|') + customName;
        QCOMPARE(download(url, 0, customName),
                 (QStringList{"started", QStringLiteral("finished:") + reported}));
        QCOMPARE(entriesOf(m_dir->path()), QStringList{stored});
    }

    // Announced or not, a transfer above the cap is stopped and leaves
    // nothing; one of exactly the cap is kept.
    void sizeCap_data() {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<bool>("kept");
        const QByteArray body(100, 'x');
        addRow("announced, too large",
               QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\n\r\n") + body, false);
        addRow("not announced, too large",
               QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n") + body + "y", false);
        addRow("exactly the cap", QByteArray("HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n") + body,
               true);
    }
    void sizeCap() {
        QFETCH(QByteArray, response);
        QFETCH(bool, kept);
        RawHttpServer server;
        server.setResponse(response);
        QVERIFY(server.start());
        const QStringList events = download(server.url(QStringLiteral("/list.m3u")), 100);
        if (kept) {
            QCOMPARE(events, (QStringList{"started", "finished:" + inFolder("list.m3u")}));
            QCOMPARE(readFile(inFolder("list.m3u")), QByteArray(100, 'x'));
            return;
        }
        QCOMPARE(events, (QStringList{"started", "error:" + DownloadFileHandler::tooLargeText()}));
        QCOMPARE(entriesOf(m_dir->path()), QStringList());
    }

    // Only redirects that keep the address as safe are followed, for a few
    // hops; anything else is a failed download, however it answers.
    void redirects_data() {
        QTest::addColumn<QString>("target"); // on the service's web host
        QTest::addColumn<QString>("outcome");
        const QString media = m_service->mediaUrl().toString(QUrl::RemovePath);
        addRow("HTTPS to HTTPS", "/redirect?to=/playlists/1.m3u", "finished");
        addRow("as many hops as allowed",
               QStringLiteral("/redirect?hops=%1&to=/playlists/1.m3u")
                   .arg(DownloadFileHandler::maxRedirects),
               "finished");
        addRow("one hop too many",
               QStringLiteral("/redirect?hops=%1&to=/playlists/1.m3u")
                   .arg(DownloadFileHandler::maxRedirects + 1),
               "error");
        addRow("HTTPS to HTTP",
               QStringLiteral("/redirect?to=") +
                   QString::fromLatin1(QUrl::toPercentEncoding(media + "/list.m3u")),
               "error");
    }
    void redirects() {
        QFETCH(QString, target);
        QFETCH(QString, outcome);
        const QUrl url(m_service->webUrl().toString(QUrl::RemovePath) + target);
        QVERIFY(url.isValid());
        const QStringList events = download(url);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.last().section(QLatin1Char(':'), 0, 0), outcome);
        if (outcome == QLatin1String("finished")) {
            QCOMPARE(entriesOf(m_dir->path()), QStringList{"redirect"});
            QVERIFY(readFile(inFolder("redirect")).startsWith("#EXTM3U"));
        } else {
            QCOMPARE(entriesOf(m_dir->path()), QStringList());
        }
    }

    void answersThatAreNoFile_data() {
        QTest::addColumn<QByteArray>("response");
        QTest::addColumn<QString>("address");
        addRow("redirect without a place",
               RawHttpServer::response("302 Found", "#EXTM3U\n", "text/plain"), "");
        addRow("multiple choices",
               QByteArray("HTTP/1.1 300 Multiple Choices\r\nLocation: /other.m3u\r\n"
                          "Content-Length: 8\r\nConnection: close\r\n\r\n#EXTM3U\n"),
               "");
        QTest::newRow("a file on this computer") << QByteArray() << "file:///etc/hostname";
        QTest::newRow("no scheme") << QByteArray() << "tv.example/list.m3u";
    }
    void answersThatAreNoFile() {
        QFETCH(QByteArray, response);
        QFETCH(QString, address);
        RawHttpServer server;
        server.setResponse(response);
        QVERIFY(server.start());
        const QUrl url = address.isEmpty() ? server.url(QStringLiteral("/list.m3u"))
                                           : QUrl(address, QUrl::TolerantMode);
        const QStringList events = download(url);
        QVERIFY2(events.last().startsWith(QLatin1String("error:")), qPrintable(events.join(',')));
        QCOMPARE(entriesOf(m_dir->path()), QStringList());
    }

    // A check of the contents, made by the worker before anything is
    // written: what it refuses fails and leaves no file.
    void contentsCheckedBeforeTheWrite() {
        if (!m_background)
            QSKIP("checked only by the worker");
        RawHttpServer server;
        server.setResponse(RawHttpServer::response("200 OK", "#EXTM3U\n", "image/png"));
        QVERIFY(server.start());
        const auto isImage = [](const QByteArray &data) { return data.startsWith("\x89PNG"); };
        const QStringList refused =
            download(server.url(QStringLiteral("/img/logo.png")), 0, QStringLiteral("7"), isImage);
        QCOMPARE(refused.last(), "error:" + DownloadFileHandler::badAnswerText());
        QCOMPARE(entriesOf(m_dir->path()), QStringList());

        server.setResponse(RawHttpServer::response("200 OK", "\x89PNG...", "image/png"));
        const QStringList taken =
            download(server.url(QStringLiteral("/img/logo.png")), 0, QStringLiteral("7"), isImage);
        QCOMPARE(taken.last(), "finished:" + inFolder("7.png") + "|7");
        QCOMPARE(entriesOf(m_dir->path()), QStringList{"7.png"});
    }

    // While one download writes a file, another one into it is refused;
    // one that may not replace what is there takes a name of its own.
    void oneFileOneDownload() {
        RawHttpServer silent;
        QVERIFY(silent.start());
        const QUrl url = silent.url(QStringLiteral("/img/logo.png"));
        DownloadFileHandler first;
        DownloadRecorder firstEvents(&first);
        first.writeInBackground = m_background;
        first.url = url;
        first.customName = QStringLiteral("7");
        first.targetDir = QDir(m_dir->path());
        first.beginDownload();
        QCOMPARE(firstEvents.events, QStringList{"started"});

        DownloadFileHandler second;
        DownloadRecorder secondEvents(&second);
        second.writeInBackground = m_background;
        second.url = url;
        second.customName = QStringLiteral("7");
        second.targetDir = QDir(m_dir->path() + QStringLiteral("/"));
        second.beginDownload();
        QCOMPARE(secondEvents.events, QStringList{"opening error"});
        QCOMPARE(secondEvents.errorText, DownloadFileHandler::busyText());

        // Not replacing: the running one's name is taken, so is the file's.
        QFile kept(inFolder("7-1.png"));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("KEPT");
        kept.close();
        RawHttpServer server;
        server.setResponse(RawHttpServer::response("200 OK", "new", "image/png"));
        QVERIFY(server.start());
        DownloadFileHandler third;
        DownloadRecorder thirdEvents(&third);
        third.writeInBackground = m_background;
        third.url = server.url(QStringLiteral("/img/logo.png"));
        third.customName = QStringLiteral("7");
        third.replaceExisting = false;
        third.targetDir = QDir(m_dir->path());
        third.beginDownload();
        QTRY_VERIFY(thirdEvents.ended());
        QCOMPARE(thirdEvents.events.last(), "finished:" + inFolder("7-2.png") + "|7");
        QCOMPARE(readFile(inFolder("7-1.png")), QByteArray("KEPT"));

        // The refused one took nothing from the running one, which still
        // ends cleanly.
        first.cancelDownload();
        QTRY_VERIFY(firstEvents.events.contains(QStringLiteral("error")));
        QCOMPARE(entriesOf(m_dir->path()), (QStringList{"7-1.png", "7-2.png"}));
        // Free again: the name can be written.
        second.url = server.url(QStringLiteral("/img/logo.png"));
        second.beginDownload();
        QTRY_VERIFY(secondEvents.ended());
        QCOMPARE(secondEvents.events.last(), "finished:" + inFolder("7.png") + "|7");
    }

    // A handler that goes, or is cancelled, once its transfer is complete
    // but before it has reported leaves no file behind: not even one its
    // worker has already moved into place.
    void aWriteGivenUpLeavesNothing_data() {
        QTest::addColumn<bool>("cancel");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("handler deleted") << false << QStringList{"started"};
        QTest::newRow("download cancelled") << true << QStringList{"started", "error", "cancelled"};
    }
    void aWriteGivenUpLeavesNothing() {
        if (!m_background)
            QSKIP("only a worker writes after the transfer");
        QFETCH(bool, cancel);
        QFETCH(QStringList, events);
        RawHttpServer server;
        server.setResponse(RawHttpServer::response("200 OK", "logo", "image/png"));
        QVERIFY(server.start());
        auto *handler = new DownloadFileHandler;
        handler->writeInBackground = true;
        DownloadRecorder recorder(handler);
        handler->url = server.url(QStringLiteral("/img/logo.png"));
        handler->customName = QStringLiteral("9");
        handler->targetDir = QDir(m_dir->path());
        const QString target = inFolder(QStringLiteral("9.png"));
        // Posted when the reply ends, before the handler hands the transfer
        // to its worker, so ahead of the worker's result, which is then
        // never delivered.
        bool placed = false;
        bool givenUp = false;
        const auto giveUpWhenPlaced = [&] {
            // Waited for without the event loop, which would deliver it.
            const QDeadlineTimer patience(60000);
            while (!(placed = QFile::exists(target)) && !patience.hasExpired())
                QThread::msleep(1);
            if (cancel)
                handler->cancelDownload();
            else
                delete std::exchange(handler, nullptr);
            givenUp = true;
        };
        QMetaObject::Connection watch =
            connect(NetworkManager::instance(), &QNetworkAccessManager::finished, this, [&] {
                QMetaObject::invokeMethod(this, giveUpWhenPlaced, Qt::QueuedConnection);
            });
        handler->beginDownload();
        QTRY_VERIFY_WITH_TIMEOUT(givenUp, 20000);
        disconnect(watch);
        QVERIFY(placed);
        QCOMPARE(recorder.events, events);
        QCOMPARE(entriesOf(m_dir->path()), QStringList());
        delete handler;
    }
};

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    TestDownloadSafety asTheyArrive(false);
    TestDownloadSafety byAWorker(true);
    const int failed = QTest::qExec(&asTheyArrive, argc, argv);
    return failed + QTest::qExec(&byAWorker, argc, argv);
}
#include "tst_downloadsafety.moc"
