// A live stream whose server cuts the connection in the middle of play and
// turns away the engine's own immediate reconnect: the player reopens the
// stream itself, waiting longer each time it drops again soon, and only the
// shortest time again once the stream had been playing steadily.

#include "EnginePlugins.h"
#include "StreamServer.h"
#include "TestClips.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "player/PlayerWidget.h"
#include "vlc/VlcInstance.h"
#include "vlc/VlcMediaPlayer.h"
#include "widgets/AlertFrame.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr int startTimeout = 15000;
constexpr double liveSeconds = 40;
// Long enough to turn away a reconnect the engine makes at once, well
// short of the player's first reopen delay of a second.
constexpr int refuseMs = 500;
// How late a busy machine may run a timer: only a reopen that never comes
// fails on it.
constexpr int lateTimerSlack = 15000;
} // namespace

class TestStreamDrop : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void droppedStreamIsReopened_data();
    void droppedStreamIsReopened();

private:
    // Cuts the stream and returns how long the player waited between
    // scheduling its reopen and opening the stream again.
    qint64 dropAndWaitForReopen();

    QTemporaryDir m_dir;
    QScopedPointer<StreamServer> m_server;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<PlayerWidget> m_player;
    QElapsedTimer m_clock;
    qint64 m_scheduledAt = -1;
    QVector<qint64> m_opens;
};

void TestStreamDrop::initTestCase() {
    keepEnginePluginsLoaded();
    QVERIFY(m_dir.isValid());
    if (!TestClips::available())
        QSKIP("ffmpeg is needed to make the test stream");
    QVERIFY(TestClips::makeTransportStream(m_dir.filePath(QStringLiteral("live.ts")), liveSeconds));
    m_server.reset(new StreamServer(m_dir.path()));
    m_server->setLive(QStringLiteral("live.ts"), liveSeconds);
    QVERIFY(m_server->start());
    VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
    m_clock.start();
}

void TestStreamDrop::init() {
    m_settings.reset(new ScopedSettings);
    // A short cache, so that the end of what arrived is reached soon after
    // the cut.
    appState().cacheSize = QStringLiteral("300");
    m_player.reset(new PlayerWidget);
    m_player->resize(640, 360);
    m_player->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_player.data()));
    m_scheduledAt = -1;
    m_opens.clear();
    VlcMediaPlayer *engine = m_player->mediaPlayer();
    connect(engine, &VlcMediaPlayer::opening, this, [this] { m_opens << m_clock.elapsed(); });
    // Connected after the player's own handler, so it sees the reopen the
    // player has just scheduled.
    connect(engine, &VlcMediaPlayer::stateChanged, this, [this] {
        if (m_scheduledAt < 0 && m_player->isReopenPending())
            m_scheduledAt = m_clock.elapsed();
    });
}

void TestStreamDrop::cleanup() {
    m_player.reset();
    m_settings.reset();
}

qint64 TestStreamDrop::dropAndWaitForReopen() {
    m_scheduledAt = -1;
    const int opensBefore = m_opens.size();
    m_server->cutConnections(refuseMs);
    if (!QTest::qWaitFor([this] { return m_scheduledAt >= 0; }, startTimeout))
        return -1;
    if (!QTest::qWaitFor([&] { return m_opens.size() > opensBefore; }, 40000))
        return -1;
    return m_opens.at(opensBefore) - m_scheduledAt;
}

void TestStreamDrop::droppedStreamIsReopened_data() {
    QTest::addColumn<int>("playFor");
    QTest::addColumn<int>("secondWait");
    QTest::addColumn<int>("nextDelay");
    QTest::newRow("dropped again soon: twice the wait") << 1000 << 2000 << 4000;
    QTest::newRow("dropped after steady play: the shortest wait") << 11000 << 1000 << 2000;
}

void TestStreamDrop::droppedStreamIsReopened() {
    QFETCH(int, playFor);
    QFETCH(int, secondWait);
    QFETCH(int, nextDelay);
    const QString url = m_server->url(QStringLiteral("live.ts"));
    m_player->playUrl(url);
    QTRY_VERIFY_WITH_TIMEOUT(m_player->isPlaying(), startTimeout);
    QCOMPARE(m_opens.size(), 1);
    QTest::qWait(1000);

    // First drop: reopened after the shortest wait, and playing again.
    const int requestsBefore = m_server->requestCount(QStringLiteral("live.ts"));
    const qint64 firstWait = dropAndWaitForReopen();
    // A coarse timer may fire up to 5 % early, and a busy machine may run it
    // late: the lower bound shows the wait, and the delay that the player
    // has doubled to shows which wait it was.
    QVERIFY2(firstWait >= 950 && firstWait < 1000 + lateTimerSlack,
             qPrintable(QStringLiteral("first reopen after %1 ms").arg(firstWait)));
    QCOMPARE(m_player->reopenDelay(), 2000);
    QTRY_VERIFY_WITH_TIMEOUT(m_player->isPlaying(), startTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(m_player->busyOverlay()->isHidden(), startTimeout);
    QCOMPARE(m_player->currentUrl(), url);
    QVERIFY(m_server->requestCount(QStringLiteral("live.ts")) > requestsBefore);

    // Second drop, soon or after steady play.
    QTest::qWait(playFor);
    QVERIFY(m_player->isPlaying());
    const qint64 waited = dropAndWaitForReopen();
    QVERIFY2(waited >= secondWait * 95 / 100 && waited < secondWait + lateTimerSlack,
             qPrintable(QStringLiteral("second reopen after %1 ms").arg(waited)));
    QCOMPARE(m_player->reopenDelay(), nextDelay);
    QTRY_VERIFY_WITH_TIMEOUT(m_player->isPlaying(), startTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(m_player->busyOverlay()->isHidden(), startTimeout);
    QVERIFY(!m_player->isReopenPending());
    QCOMPARE(m_opens.size(), 3);
}

QTEST_MAIN(TestStreamDrop)
#include "tst_streamdrop.moc"
