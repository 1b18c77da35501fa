#include "FakeScreenSaver.h"
#include "TestSupport.h"

#include "app/DataPaths.h"
#include "desktop/DesktopIntegration.h"
#include "desktop/MediaSession.h"
#include "desktop/ScreenSaverInhibitor.h"
#include "desktop/SingleInstance.h"
#include "playlists/OfflinePlaylistStore.h"
#include "vlc/Vlc.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <memory>

// Runs under dbus-run-session: the session bus is the test's own.
class TestDesktop : public QObject {
    Q_OBJECT

private:
    // Runs a bus tool without blocking the event loop, which must answer
    // the tool's calls into this process.
    static QString runTool(const QString &program, const QStringList &arguments, int *code) {
        QProcess process;
        process.start(program, arguments);
        QSignalSpy finished(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished));
        if (!finished.wait(30000) && finished.isEmpty()) {
            *code = -1;
            return QString();
        }
        *code = process.exitCode();
        return QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())
            .trimmed();
    }
    static QString busctl(const QStringList &arguments, int *code) {
        return runTool(QStringLiteral("busctl"), QStringList{QStringLiteral("--user")} + arguments,
                       code);
    }

    // The fake screensaver on a connection of its own.
    std::unique_ptr<FakeScreenSaver> m_saver;
    QString m_saverConnection;
    QThread m_saverThread;

private slots:
    void initTestCase() { qRegisterMetaType<QProcess::ExitStatus>(); }
    void init() {
        m_saverConnection = QStringLiteral("saver-%1").arg(QTest::currentTestFunction());
        QDBusConnection bus =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, m_saverConnection);
        QVERIFY(bus.isConnected());
        m_saver = std::make_unique<FakeScreenSaver>();
        m_saverThread.start();
        m_saver->moveToThread(&m_saverThread);
        QVERIFY(bus.registerObject(QStringLiteral("/org/freedesktop/ScreenSaver"), m_saver.get(),
                                   QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService(QStringLiteral("org.freedesktop.ScreenSaver")));
    }
    void cleanup() {
        QDBusConnection bus(m_saverConnection);
        bus.unregisterService(QStringLiteral("org.freedesktop.ScreenSaver"));
        bus.unregisterObject(QStringLiteral("/org/freedesktop/ScreenSaver"));
        QDBusConnection::disconnectFromBus(m_saverConnection);
        m_saverThread.quit();
        m_saverThread.wait();
        m_saver.reset();
    }

    // The media controls as the desktop's tools see them.
    void mediaControlsOnTheBus() {
        MediaSession session;
        QVERIFY(session.registerOn(QDBusConnection::sessionBus()));
        const QString name = MediaSession::serviceName;
        const QString path = MediaSession::objectPath;
        const QString player = MediaSession::playerInterface;
        int code = 0;

        QCOMPARE(busctl({"get-property", name, path, player, "PlaybackStatus"}, &code),
                 QStringLiteral("s \"Stopped\""));
        QCOMPARE(busctl({"get-property", name, path, "org.mpris.MediaPlayer2", "Identity"}, &code),
                 QStringLiteral("s \"Vantero\""));
        QCOMPARE(code, 0);

        // Each command arrives as its request, through busctl and dbus-send.
        QSignalSpy play(&session, &MediaSession::playRequested);
        QSignalSpy pause(&session, &MediaSession::pauseRequested);
        QSignalSpy stop(&session, &MediaSession::stopRequested);
        QSignalSpy next(&session, &MediaSession::nextRequested);
        QSignalSpy previous(&session, &MediaSession::previousRequested);
        QSignalSpy raise(&session, &MediaSession::raiseRequested);
        busctl({"call", name, path, player, "Play"}, &code);
        QCOMPARE(code, 0);
        busctl({"call", name, path, player, "Next"}, &code);
        busctl({"call", name, path, player, "Previous"}, &code);
        busctl({"call", name, path, "org.mpris.MediaPlayer2", "Raise"}, &code);
        for (const char *method : {"Pause", "Stop"}) {
            runTool(QStringLiteral("dbus-send"),
                    {"--session", "--print-reply", "--dest=" + name, path,
                     player + QLatin1Char('.') + QLatin1String(method)},
                    &code);
            QCOMPARE(code, 0);
        }
        QCOMPARE(play.count(), 1);
        QCOMPARE(next.count(), 1);
        QCOMPARE(previous.count(), 1);
        QCOMPARE(raise.count(), 1);
        QCOMPARE(pause.count(), 1);
        QCOMPARE(stop.count(), 1);

        // Volume: written values arrive clamped to 0..2.
        QSignalSpy volume(&session, &MediaSession::volumeRequested);
        busctl({"set-property", name, path, player, "Volume", "d", "0.3"}, &code);
        QCOMPARE(code, 0);
        busctl({"set-property", name, path, player, "Volume", "d", "7"}, &code);
        QCOMPARE(volume.count(), 2);
        QCOMPARE(volume.at(0).at(0).toDouble(), 0.3);
        QCOMPARE(volume.at(1).at(0).toDouble(), 2.0);
        session.setVolume(0.75);
        QCOMPARE(busctl({"get-property", name, path, player, "Volume"}, &code),
                 QStringLiteral("d 0.75"));

        // Metadata: channel, programme now, logo; a change is announced.
        QTemporaryDir dir;
        const QString logo = dir.filePath(QStringLiteral("7.png"));
        QFile file(logo);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("png");
        file.close();
        session.setPlaybackStatus(QStringLiteral("Playing"));
        session.setMetadata(MediaSession::metadataFor(7, QStringLiteral("News 24"),
                                                      QStringLiteral("Morning"), logo));
        const QString metadata = busctl({"get-property", name, path, player, "Metadata"}, &code);
        QVERIFY2(metadata.contains(QStringLiteral("\"xesam:title\" s \"News 24\"")),
                 qPrintable(metadata));
        QVERIFY2(metadata.contains(QStringLiteral("\"xesam:artist\" as 1 \"Morning\"")),
                 qPrintable(metadata));
        QVERIFY2(metadata.contains(QStringLiteral("\"mpris:artUrl\" s \"file://") + logo),
                 qPrintable(metadata));
        QVERIFY2(metadata.contains(QStringLiteral("/channel/7")), qPrintable(metadata));
        QCOMPARE(busctl({"get-property", name, path, player, "PlaybackStatus"}, &code),
                 QStringLiteral("s \"Playing\""));
    }

    void metadataOfLogosAndProgrammes() {
        // A logo still at its address is given as that address; a value that
        // is neither a file nor a web address gives no picture.
        QVariantMap map = MediaSession::metadataFor(3, QStringLiteral("Kino"), QString(),
                                                    QStringLiteral("https://127.0.0.1/3.png"));
        QCOMPARE(map.value(QStringLiteral("mpris:artUrl")).toString(),
                 QStringLiteral("https://127.0.0.1/3.png"));
        QVERIFY(!map.contains(QStringLiteral("xesam:artist")));
        map = MediaSession::metadataFor(3, QStringLiteral("Kino"), QString(),
                                        QStringLiteral("/no/such/logo.png"));
        QVERIFY(!map.contains(QStringLiteral("mpris:artUrl")));
        // No programme data: no programme, not the overlay's placeholder.
        const QVariantMap none = DesktopIntegration::metadataOf(
            QJsonObject{{"id", 5}, {"title", "Sport"}, {"pict", ""}});
        QCOMPARE(none.value(QStringLiteral("xesam:title")).toString(), QStringLiteral("Sport"));
        QVERIFY(!none.contains(QStringLiteral("xesam:artist")));
        QVERIFY(DesktopIntegration::metadataOf(QJsonObject()).isEmpty());
    }

    void screenSaverFollowsPlayback() {
        {
            DesktopIntegration desktop;
            desktop.playbackStateChanged(Vlc::Opening);
            QTRY_COMPARE_WITH_TIMEOUT(m_saver->active().size(), 1, 30000);
            const uint cookie = *m_saver->active().begin();
            QTRY_COMPARE(desktop.inhibitor()->cookie(), cookie);
            desktop.playbackStateChanged(Vlc::Buffering);
            desktop.playbackStateChanged(Vlc::Playing);
            QCOMPARE(desktop.session()->playbackStatus(), QStringLiteral("Playing"));
            // Pause releases, play inhibits again with a new cookie, stop
            // releases.
            desktop.playbackStateChanged(Vlc::Paused);
            QCOMPARE(desktop.session()->playbackStatus(), QStringLiteral("Paused"));
            QTRY_VERIFY_WITH_TIMEOUT(m_saver->active().isEmpty(), 30000);
            desktop.playbackStateChanged(Vlc::Playing);
            QTRY_COMPARE_WITH_TIMEOUT(m_saver->active().size(), 1, 30000);
            QVERIFY(!m_saver->active().contains(cookie));
            desktop.playbackStateChanged(Vlc::Stopped);
            QTRY_VERIFY_WITH_TIMEOUT(m_saver->active().isEmpty(), 30000);
            QCOMPARE(desktop.session()->playbackStatus(), QStringLiteral("Stopped"));
            // Playing at exit: released by the destructor.
            desktop.playbackStateChanged(Vlc::Playing);
            QTRY_COMPARE_WITH_TIMEOUT(m_saver->active().size(), 1, 30000);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_saver->active().isEmpty(), 30000);
        // Two grants and two releases per inhibition, nothing repeated.
        QCOMPARE(m_saver->calls().count(), 6);
    }

    void screenSaverReleaseBeforeTheGrantArrives() {
        {
            ScreenSaverInhibitor inhibitor;
            inhibitor.setInhibited(true);
            inhibitor.setInhibited(false); // before the answer
            inhibitor.setInhibited(true);
            inhibitor.setInhibited(false);
            QSignalSpy cookies(&inhibitor, &ScreenSaverInhibitor::cookieChanged);
            // The one grant is released as soon as it arrives.
            QTRY_COMPARE_WITH_TIMEOUT(cookies.count(), 2, 30000);
            QTRY_VERIFY_WITH_TIMEOUT(m_saver->active().isEmpty(), 30000);
            QCOMPARE(inhibitor.cookie(), 0u);
        }
        {
            // Destroyed while the grant travels: still released.
            ScreenSaverInhibitor inhibitor;
            inhibitor.setInhibited(true);
        }
        QTRY_VERIFY_WITH_TIMEOUT(m_saver->active().isEmpty(), 30000);
        QCOMPARE(m_saver->calls().filter(QRegularExpression(QStringLiteral("^Inhibit "))).size(),
                 2);
    }

    void noScreenSaverIsHarmless() {
        cleanup(); // the fake service is gone
        ScreenSaverInhibitor inhibitor;
        inhibitor.setInhibited(true);
        QSignalSpy cookies(&inhibitor, &ScreenSaverInhibitor::cookieChanged);
        QVERIFY(!cookies.wait(200) || cookies.isEmpty());
        QCOMPARE(inhibitor.cookie(), 0u);
        init();
    }

    void secondCopyActivatesTheFirst() {
        QTemporaryDir dir;
        const QString key = SingleInstance::keyFor(dir.filePath(QStringLiteral("vantero.conf")));
        QVERIFY(key != SingleInstance::keyFor(dir.filePath(QStringLiteral("other.conf"))));
        SingleInstance first;
        QVERIFY(first.claim(key));
        QVERIFY(first.isPrimary());
        QSignalSpy activated(&first, &SingleInstance::activationRequested);
        SingleInstance second;
        QVERIFY(!second.claim(key));
        QVERIFY(second.activateRunning(key));
        QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 1, 30000);
        // Garbage on the socket is no request.
        QLocalSocket stray;
        stray.connectToServer(key);
        QVERIFY(stray.waitForConnected(30000));
        stray.write("hello\n");
        QVERIFY(stray.waitForBytesWritten(30000));
        QVERIFY(second.activateRunning(key));
        QTRY_COMPARE_WITH_TIMEOUT(activated.count(), 2, 30000);
    }

    // An installed layout: bin/ beside share/vantero/, user folders elsewhere.
    void installedProgramWritesToTheUserFolders() {
        ScopedSettings settings;
        QTemporaryDir root;
        const QString prefix = root.filePath(QStringLiteral("usr"));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
        QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/vantero")));
        QFile qm(prefix + QStringLiteral("/share/vantero/lang_en.qm"));
        QVERIFY(qm.open(QIODevice::WriteOnly));
        qm.close();
        const QString data = root.filePath(QStringLiteral("home/data"));
        const QString cache = root.filePath(QStringLiteral("home/cache"));
        DataPaths::setProgramDirectory(prefix + QStringLiteral("/bin"));
        DataPaths::setUserDirectories(data, cache);

        QVERIFY(DataPaths::isInstalled());
        QCOMPARE(DataPaths::dataDirectory(), prefix + QStringLiteral("/share/vantero"));
        // Even where the program's folder can be written (root may write
        // to /usr/bin), nothing goes there.
        QCOMPARE(DataPaths::writableRoot(), data);
        QCOMPARE(DataPaths::logoCacheParent(), cache);

        const QString source = root.filePath(QStringLiteral("mine.m3u"));
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#EXTM3U\n");
        file.close();
        QVERIFY(OfflinePlaylistStore::add(QStringLiteral("Mine"), source, false));
        QVERIFY(QFile::exists(data + QStringLiteral("/playlists/Mine.m3u")));
        // Stored relative to the root, so moving the root moves nothing stored.
        const QJsonArray list = OfflinePlaylistStore::list();
        QCOMPARE(list.size(), 1);
        QCOMPARE(list.at(0)[QLatin1String("source")].toString(),
                 QStringLiteral("playlists/Mine.m3u"));
        OfflinePlaylistStore::remove(QStringLiteral("Mine"), QStringLiteral("playlists/Mine.m3u"));
        QVERIFY(!QFile::exists(data + QStringLiteral("/playlists/Mine.m3u")));

        // Run from a build folder: data beside the program, files as before.
        DataPaths::setProgramDirectory(QString());
        QVERIFY(!DataPaths::isInstalled());
        QCOMPARE(DataPaths::writableRoot(), QDir::currentPath());
        QCOMPARE(DataPaths::findDataDirectory(root.filePath(QStringLiteral("empty"))),
                 root.filePath(QStringLiteral("empty")));
        DataPaths::setUserDirectories(QString(), QString());
    }
};

QTEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
