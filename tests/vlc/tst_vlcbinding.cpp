#include "EnginePlugins.h"
#include "StreamServer.h"
#include "TestClips.h"
#include "TestRows.h"
#include "vlc/VlcAudio.h"
#include "vlc/VlcInstance.h"
#include "vlc/VlcMedia.h"
#include "vlc/VlcMediaPlayer.h"
#include "vlc/VlcVideo.h"
#include "vlc/VlcWidgetVideo.h"

#include <QGuiApplication>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>
#include <vlc/vlc.h>

namespace {
// Sound goes to ALSA's null device: nothing is heard, but unlike the dummy
// output it keeps a volume and a mute state that can be read back.
const QStringList silentAudio = {QStringLiteral("--aout=alsa"),
                                 QStringLiteral("--alsa-audio-device=null")};
const QStringList programArguments = {QStringLiteral("--network-caching=300"),
                                      QStringLiteral("--no-video-title-show")};

// Counts what a player reports and checks that every report arrives on the
// GUI thread.
struct Reports {
    explicit Reports(VlcMediaPlayer *player) {
        auto onGui = [this] {
            if (QThread::currentThread() != qApp->thread())
                ++offThread;
        };
        QObject::connect(player, &VlcMediaPlayer::opening, &context, [this, onGui] {
            onGui();
            order << QStringLiteral("opening");
        });
        QObject::connect(player, &VlcMediaPlayer::playing, &context, [this, onGui] {
            onGui();
            order << QStringLiteral("playing");
        });
        QObject::connect(player, &VlcMediaPlayer::buffering, &context, [this, onGui](float b) {
            onGui();
            lastBuffering = b;
            if (b == 100.0f)
                ++fullBuffers;
        });
        QObject::connect(player, &VlcMediaPlayer::error, &context, [this, onGui] {
            onGui();
            ++errors;
        });
        QObject::connect(player, &VlcMediaPlayer::stateChanged, &context, [this, onGui] {
            onGui();
            ++states;
        });
        QObject::connect(player, &VlcMediaPlayer::timeChanged, &context, [this, onGui](int) {
            onGui();
            ++times;
        });
        QObject::connect(player, &VlcMediaPlayer::positionChanged, &context, [this, onGui](float) {
            onGui();
            ++positions;
        });
    }

    QObject context;
    QStringList order;
    float lastBuffering = -1;
    int fullBuffers = 0;
    int errors = 0;
    int states = 0;
    int times = 0;
    int positions = 0;
    int offThread = 0;
};
} // namespace

class TestVlcBinding : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void refusedArgumentsGiveAnInertEngine();
    void emptyLocationIsRefused();
    void playsWithReportsOnTheGuiThread();
    void endsAndFailures_data();
    void endsAndFailures();
    void pausesAndStopsALiveStream();
    void reportsStillQueuedAtTeardownAreDropped();
    void aspectRatioRoundTrip_data();
    void aspectRatioRoundTrip();
    void volumeAndMute();
    void audioChangesWhileStoppedReachTheNextStream();

private:
    QTemporaryDir m_dir;
    QScopedPointer<StreamServer> m_server;
    QScopedPointer<QWidget> m_window;
};

void TestVlcBinding::initTestCase() {
    keepEnginePluginsLoaded();
    QVERIFY(m_dir.isValid());
    QVERIFY2(TestClips::available(), "ffmpeg is needed to make the test streams");
    QVERIFY(TestClips::makeTransportStream(m_dir.filePath(QStringLiteral("clip.ts")), 3));
    QVERIFY(TestClips::makeTransportStream(m_dir.filePath(QStringLiteral("short.ts")), 1));
    QVERIFY(TestClips::makeTransportStream(m_dir.filePath(QStringLiteral("live.ts")), 20));
    m_server.reset(new StreamServer(m_dir.path()));
    m_server->setLive(QStringLiteral("live.ts"), 20);
    QVERIFY(m_server->start());
    VlcInstance::setExtraArguments(silentAudio);

    m_window.reset(new QWidget);
    m_window->resize(320, 180);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
}

void TestVlcBinding::cleanupTestCase() {
    VlcInstance::setExtraArguments({});
}

void TestVlcBinding::refusedArgumentsGiveAnInertEngine() {
    VlcInstance instance({QStringLiteral("--no-such-engine-option")});
    QVERIFY(!instance.isValid());
    QCOMPARE(instance.arguments(), QStringList{QStringLiteral("--no-such-engine-option")});
    auto *player = new VlcMediaPlayer(&instance);
    QVERIFY(!player->isValid());
    VlcMedia media(m_server->url(QStringLiteral("clip.ts")), &instance);
    QVERIFY(!media.isValid());
    player->open(&media);
    player->pause();
    player->stop();
    QCOMPARE(player->state(), Vlc::Idle);
    QCOMPARE(player->audio()->volume(), -1);
    player->audio()->toggleMute();
    QVERIFY(!player->audio()->getMute());
    player->video()->setAspectRatio(Vlc::R_4_3);
    QCOMPARE(player->video()->aspectRatio(), Vlc::Original);
}

void TestVlcBinding::emptyLocationIsRefused() {
    // libVLC itself takes it, stays opening, and crashes when stopped.
    VlcInstance instance(programArguments);
    auto *player = new VlcMediaPlayer(&instance);
    VlcMedia media(QString(), &instance);
    QVERIFY(!media.isValid());
    player->open(&media);
    QCOMPARE(player->state(), Vlc::Idle);
    player->stop();
    QVERIFY(player->state() != Vlc::Opening);
}

void TestVlcBinding::playsWithReportsOnTheGuiThread() {
    VlcInstance instance(programArguments);
    QVERIFY(instance.isValid());
    QCOMPARE(instance.arguments(), programArguments);
    auto *player = new VlcMediaPlayer(&instance);
    auto *video = new VlcWidgetVideo(player, m_window.data());
    video->setGeometry(0, 0, 320, 180);
    video->show();
    QCOMPARE(player->videoWidget(), video);
    QCOMPARE(video->isEmbedded(), QGuiApplication::platformName() == QLatin1String("xcb"));

    Reports reports(player);
    VlcMedia media(m_server->url(QStringLiteral("clip.ts")), &instance);
    player->open(&media);
    QTRY_COMPARE_WITH_TIMEOUT(player->state(), Vlc::Playing, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(reports.fullBuffers > 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(reports.times > 0 && reports.positions > 0, 10000);
    QCOMPARE(reports.order.value(0), QStringLiteral("opening"));
    QVERIFY(reports.order.contains(QStringLiteral("playing")));
    QVERIFY(reports.states > 2);
    QCOMPARE(reports.offThread, 0);
    delete video;
}

void TestVlcBinding::endsAndFailures_data() {
    QTest::addColumn<QString>("url");
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("error");

    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 closedPort = closed.serverPort();
    closed.close();

    addRow("stream ends", m_server->url(QStringLiteral("short.ts")), int(Vlc::Ended), false);
    // A failed open is reported as an error and then ends like a stream.
    QTest::newRow("connection refused")
        << QStringLiteral("http://127.0.0.1:%1/clip.ts").arg(closedPort) << int(Vlc::Ended) << true;
    addRow("not found", m_server->url(QStringLiteral("missing.ts")), int(Vlc::Ended), true);
}

void TestVlcBinding::endsAndFailures() {
    QFETCH(QString, url);
    QFETCH(int, state);
    QFETCH(bool, error);

    VlcInstance instance(programArguments);
    auto *player = new VlcMediaPlayer(&instance);
    Reports reports(player);
    VlcMedia media(url, &instance);
    player->open(&media);
    QTRY_COMPARE_WITH_TIMEOUT(int(player->state()), state, 15000);
    if (error)
        QTRY_VERIFY(reports.errors > 0);
    else
        QCOMPARE(reports.errors, 0);
}

void TestVlcBinding::pausesAndStopsALiveStream() {
    VlcInstance instance(programArguments);
    auto *player = new VlcMediaPlayer(&instance);
    VlcMedia media(m_server->url(QStringLiteral("live.ts")), &instance);
    player->open(&media);
    QTRY_COMPARE_WITH_TIMEOUT(player->state(), Vlc::Playing, 10000);
    player->pause();
    QTRY_COMPARE(player->state(), Vlc::Paused);
    QTest::qWait(500);
    QCOMPARE(player->state(), Vlc::Paused);
    player->stop();
    QCOMPARE(player->state(), Vlc::Stopped);
}

void TestVlcBinding::reportsStillQueuedAtTeardownAreDropped() {
    // Reports pile up while the GUI thread sleeps; the player then goes away
    // before they are delivered. Delivering one would touch freed memory.
    for (int round = 0; round < 4; ++round) {
        QPointer<VlcInstance> instance = new VlcInstance(programArguments);
        auto *player = new VlcMediaPlayer(instance);
        auto *video = new VlcWidgetVideo(player, m_window.data());
        video->setGeometry(0, 0, 320, 180);
        video->show();
        int delivered = 0;
        connect(player, &VlcMediaPlayer::stateChanged, this, [&delivered] { ++delivered; });
        VlcMedia media(m_server->url(QStringLiteral("live.ts")), instance);
        player->open(&media);
        QThread::msleep(150 + 100 * round);
        delete instance.data();
        delete video;
        QCoreApplication::processEvents();
        QTest::qWait(50);
        QCOMPARE(delivered, 0);
    }
}

void TestVlcBinding::aspectRatioRoundTrip_data() {
    QTest::addColumn<int>("ratio");
    QTest::addColumn<int>("readBack");
    QTest::addColumn<QString>("text");
    QTest::newRow("original") << int(Vlc::Original) << int(Vlc::Original) << QString();
    QTest::newRow("ignore") << int(Vlc::Ignore) << int(Vlc::Original) << QString();
    QTest::newRow("16:9") << int(Vlc::R_16_9) << int(Vlc::R_16_9) << "16:9";
    QTest::newRow("16:10") << int(Vlc::R_16_10) << int(Vlc::R_16_10) << "16:10";
    QTest::newRow("1.85") << int(Vlc::R_185_100) << int(Vlc::R_185_100) << "185:100";
    QTest::newRow("2.21") << int(Vlc::R_221_100) << int(Vlc::R_221_100) << "221:100";
    QTest::newRow("2.35") << int(Vlc::R_235_100) << int(Vlc::R_235_100) << "235:100";
    QTest::newRow("2.39") << int(Vlc::R_239_100) << int(Vlc::R_239_100) << "239:100";
    QTest::newRow("4:3") << int(Vlc::R_4_3) << int(Vlc::R_4_3) << "4:3";
    QTest::newRow("5:4") << int(Vlc::R_5_4) << int(Vlc::R_5_4) << "5:4";
    QTest::newRow("5:3") << int(Vlc::R_5_3) << int(Vlc::R_5_3) << "5:3";
    QTest::newRow("1:1") << int(Vlc::R_1_1) << int(Vlc::R_1_1) << "1:1";
}

void TestVlcBinding::aspectRatioRoundTrip() {
    QFETCH(int, ratio);
    QFETCH(int, readBack);
    QFETCH(QString, text);

    QCOMPARE(VlcVideo::ratioText(Vlc::Ratio(ratio)), text);
    VlcInstance instance(programArguments);
    auto *player = new VlcMediaPlayer(&instance);
    // Start from another ratio so that "back to the source's own" is seen.
    player->video()->setAspectRatio(Vlc::R_5_4);
    player->video()->setAspectRatio(Vlc::Ratio(ratio));
    QCOMPARE(int(player->video()->aspectRatio()), readBack);
}

void TestVlcBinding::volumeAndMute() {
    VlcInstance instance(programArguments);
    auto *player = new VlcMediaPlayer(&instance);
    VlcAudio *audio = player->audio();
    QCOMPARE(audio->volume(), 100);
    audio->setVolume(70);
    QCOMPARE(audio->volume(), 70);
    audio->setVolume(-1);
    QCOMPARE(audio->volume(), 70);
    QVERIFY(!audio->getMute());
    audio->toggleMute();
    QVERIFY(audio->getMute());
    audio->toggleMute();
    QVERIFY(!audio->getMute());
    audio->setMute(true);
    QVERIFY(audio->getMute());
}

void TestVlcBinding::audioChangesWhileStoppedReachTheNextStream() {
    VlcInstance instance(programArguments);
    auto *player = new VlcMediaPlayer(&instance);
    VlcMedia media(m_server->url(QStringLiteral("live.ts")), &instance);
    player->open(&media);
    QTRY_COMPARE_WITH_TIMEOUT(player->state(), Vlc::Playing, 10000);
    player->stop();
    // No audio output exists between two streams; the changes must wait.
    player->audio()->setVolume(35);
    player->audio()->toggleMute();
    QVERIFY(player->audio()->getMute());
    QCOMPARE(player->audio()->volume(), 35);
    player->open(&media);
    QTRY_COMPARE_WITH_TIMEOUT(player->state(), Vlc::Playing, 10000);
    QTest::qWait(1000);
    QCOMPARE(libvlc_audio_get_volume(player->core()), 35);
    QCOMPARE(libvlc_audio_get_mute(player->core()), 1);
    player->audio()->toggleMute();
    QCOMPARE(libvlc_audio_get_mute(player->core()), 0);
}

QTEST_MAIN(TestVlcBinding)
#include "tst_vlcbinding.moc"
