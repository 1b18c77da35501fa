// The player under the ways users get stuck or impatient: a stream that
// shows nothing, an engine that did not start, the busy layer between the
// user and the controls, reports of the previous stream after a switch, a
// stop right after an open, and bursts of channel switches.

#include "MainModeKit.h"
#include "PlayerTestStreams.h"
#include "TestSupport.h"
#include "app/AppState.h"
#include "app/Messages.h"
#include "channels/HomeWidget.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerWidget.h"
#include "vlc/VlcInstance.h"
#include "vlc/VlcMediaPlayer.h"
#include "vlc/VlcWidgetVideo.h"
#include "widgets/AlertFrame.h"

#include <QLabel>
#include <QPushButton>
#include <QTcpServer>
#include <QThread>
#include <QtTest>
#include <limits>
#include <vlc/vlc.h>

namespace {
constexpr int startTimeout = 15000;
constexpr int patientTimeout = 10 * 60 * 1000;
const QString silent = QStringLiteral("silent.ts");

// The silent channel under an address of each test's own, so that each
// counts its own requests.
QString silentChannel() {
    return silent + QStringLiteral("?test=") + QString::fromLatin1(QTest::currentTestFunction());
}

QString liveChannel(int number) {
    return QStringLiteral("live.ts?channel=%1").arg(number);
}

// The engine's own state, read without delivering any queued report.
libvlc_state_t engineState(VlcMediaPlayer *player) {
    return libvlc_media_player_get_state(player->core());
}
} // namespace

class TestPlayerZapping : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openTimeout_data();
    void openTimeout();
    void busyLayerLeavesTheControlsWorking();
    void streamWithoutPictureEndsInAnAlert();
    void engineThatDidNotStartSaysSo();
    void reportsOfThePreviousStreamAreDropped();
    void stopRightAfterOpenStops();
    void switchesNeverWaitForTheEngine();
    void tenSwitchesInASecondPlayTheLast();
    void cachingGoesWithEachOpen();
    void stillPictureShowsAroundTheSpinner();

private:
    void buildHome();
    PlayerWidget *player() const { return m_home->player(); }
    QString alertText(const char *label) const {
        return player()->busyOverlay()->findChild<QLabel *>(QLatin1String(label))->text();
    }

    PlayerTestStreams m_streams;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<HomeWidget> m_home;
};

void TestPlayerZapping::initTestCase() {
    QVERIFY2(m_streams.make(), "could not make the test streams (ffmpeg)");
    m_streams.server()->setSilent(silent);
    VlcInstance::setExtraArguments(PlayerTestStreams::silentAudio());
}

void TestPlayerZapping::init() {
    // However slow the machine, a channel is given up on only where a test
    // asks for it.
    PlayerWidget::setOpenTimeoutOverride(patientTimeout);
    buildHome();
}

void TestPlayerZapping::buildHome() {
    m_home.reset();
    m_settings.reset(new ScopedSettings);
    QVERIFY(MainModeKit::openOfflineHome(m_home, QSize(1100, 500)));
}

void TestPlayerZapping::cleanup() {
    VlcMediaPlayer::holdControl(false);
    VlcInstance::setExtraArguments(PlayerTestStreams::silentAudio());
    m_home.reset();
    m_settings.reset();
}

void TestPlayerZapping::openTimeout_data() {
    QTest::addColumn<QString>("cacheSize");
    QTest::addColumn<int>("timeout");
    QTest::newRow("nothing stored: 5 s cache") << QString() << 15000;
    QTest::newRow("small cache") << "300" << 15000;
    QTest::newRow("exactly half") << "7500" << 15000;
    QTest::newRow("large cache") << "9000" << 18000;
    QTest::newRow("not a number") << "3s" << 15000;
    QTest::newRow("negative") << "-500" << 15000;
    QTest::newRow("huge") << "2000000000" << std::numeric_limits<int>::max();
}

void TestPlayerZapping::openTimeout() {
    QFETCH(QString, cacheSize);
    QFETCH(int, timeout);
    QCOMPARE(PlayerWidget::openTimeoutFor(cacheSize), timeout);
}

void TestPlayerZapping::busyLayerLeavesTheControlsWorking() {
    player()->playUrl(m_streams.url(silentChannel()));
    AlertFrame *busy = player()->busyOverlay();
    QVERIFY(busy->isBusy());

    // Full screen by a double-click on the busy layer itself.
    QTest::mouseDClick(busy, Qt::LeftButton);
    QVERIFY(m_home->isFullScreen());
    QVERIFY(busy->isBusy());
    PlayerButtomToolBar *bar = m_home->bottomToolBar();
    QCOMPARE(bar->parentWidget(), player());
    // The bar lies above the layer: what is under the next-channel button
    // is the button, not the layer.
    auto *next = bar->findChild<QPushButton *>(QStringLiteral("fullscreen_button_4"));
    QTRY_VERIFY(bar->isVisible());
    const QPoint onNext = next->mapTo(player(), next->rect().center());
    QCOMPARE(player()->childAt(onNext), next);
    QWidget *band = player()->programmeOverlay();
    if (!player()->isOverlayShown())
        QTest::mouseClick(busy, Qt::LeftButton);
    QVERIFY(band->isVisible());
    const QPoint onBand = band->mapTo(player(), QPoint(band->width() / 2, 5));
    QWidget *underBand = player()->childAt(onBand);
    QVERIFY(underBand == band || band->isAncestorOf(underBand));

    // A click on the layer hides the band and the bar, the next one brings
    // them back, as on the picture.
    QTest::mouseClick(busy, Qt::LeftButton);
    QVERIFY(!player()->isOverlayShown());
    QVERIFY(!bar->isVisible());
    QTest::mouseClick(busy, Qt::LeftButton);
    QVERIFY(player()->isOverlayShown());
    QVERIFY(bar->isVisible());

    // Escape leaves full screen while the stream is still opening.
    m_home->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_home.data()));
    QTest::keyClick(m_home.data(), Qt::Key_Escape);
    QVERIFY(!m_home->isFullScreen());
    QVERIFY(busy->isBusy());
    QCOMPARE(bar->parentWidget(), player()->parentWidget());
    // Outside full screen Escape does nothing to the player.
    QTest::keyClick(m_home.data(), Qt::Key_Escape);
    QVERIFY(!m_home->isFullScreen());
}

void TestPlayerZapping::streamWithoutPictureEndsInAnAlert() {
    PlayerWidget::setOpenTimeoutOverride(1500);
    player()->channel = QJsonObject{{"id", 7}, {"title", "Quiet Channel"}};
    player()->playUrl(m_streams.url(silentChannel()));
    AlertFrame *overlay = player()->busyOverlay();
    QVERIFY(overlay->isBusy());
    QVERIFY(player()->isWaitingForPicture());
    QTRY_COMPARE(m_streams.server()->requestCount(silentChannel()), 1);

    QTRY_VERIFY_WITH_TIMEOUT(player()->isRetryOffered(), startTimeout);
    QVERIFY(!overlay->isBusy());
    QVERIFY(overlay->isVisible());
    QCOMPARE(alertText("label_title"), QStringLiteral("Quiet Channel"));
    QCOMPARE(alertText("label_error"), msg("alertnopicture"));
    // Given up: the connection goes, and nothing reopens by itself.
    QTRY_COMPARE_WITH_TIMEOUT(m_streams.server()->openConnections(), 0, startTimeout);
    QVERIFY(!player()->isReopenPending());
    QVERIFY(!player()->isWaitingForPicture());
    QCOMPARE(m_streams.server()->requestCount(silentChannel()), 1);

    // A click on the alert tries again, with the spinner back up.
    QTest::mouseClick(overlay, Qt::LeftButton);
    QTRY_VERIFY(overlay->isBusy());
    QVERIFY(!player()->isRetryOffered());
    QTRY_COMPARE_WITH_TIMEOUT(m_streams.server()->requestCount(silentChannel()), 2, startTimeout);
    // The alert panel has left; the busy layer stays.
    QTRY_VERIFY(!overlay->findChild<QFrame *>(QStringLiteral("frame_top"))->isVisible());
    QVERIFY(overlay->isVisible());

    // A channel that does play ends the wait without an alert.
    PlayerWidget::setOpenTimeoutOverride(patientTimeout);
    player()->playUrl(m_streams.url(QStringLiteral("live.ts")));
    QTRY_VERIFY_WITH_TIMEOUT(!overlay->isBusy(), startTimeout);
    QVERIFY(!player()->isWaitingForPicture());
    QVERIFY(!player()->isRetryOffered());
    QVERIFY(overlay->isHidden());
}

void TestPlayerZapping::engineThatDidNotStartSaysSo() {
    VlcInstance::setExtraArguments({QStringLiteral("--no-such-engine-option")});
    buildHome();
    QVERIFY(!player()->engine()->isValid());
    player()->playUrl(m_streams.url(liveChannel(300)));
    AlertFrame *overlay = player()->busyOverlay();
    QVERIFY(!overlay->isBusy());
    QVERIFY(overlay->isVisible());
    QCOMPARE(alertText("label_title"), msg("error"));
    QCOMPARE(alertText("label_error"), msg("alertengine"));
    QVERIFY(!player()->isWaitingForPicture());
    QVERIFY(!player()->isRetryOffered());
    QCOMPARE(m_streams.server()->requestCount(liveChannel(300)), 0);
}

void TestPlayerZapping::reportsOfThePreviousStreamAreDropped() {
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const QString refused = QStringLiteral("http://127.0.0.1:%1/gone.ts").arg(closed.serverPort());
    closed.close();

    VlcMediaPlayer *engine = player()->mediaPlayer();
    const int droppedBefore = engine->droppedReports();
    player()->playUrl(refused);
    // The engine fails on the first channel while its reports wait in the
    // queue of this thread, undelivered.
    QElapsedTimer waited;
    waited.start();
    while (engineState(engine) != libvlc_Error && engineState(engine) != libvlc_Ended &&
           waited.elapsed() < 30000)
        QThread::msleep(10);
    QVERIFY(engineState(engine) == libvlc_Error || engineState(engine) == libvlc_Ended);

    // The user has switched on meanwhile. The old error must not take the
    // spinner down nor make the new channel count as failed.
    player()->playUrl(m_streams.url(silentChannel()));
    QTRY_VERIFY(engine->droppedReports() > droppedBefore);
    QTRY_COMPARE_WITH_TIMEOUT(m_streams.server()->requestCount(silentChannel()), 1, startTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!engine->isControlBusy(), startTimeout);
    QCoreApplication::processEvents();
    QVERIFY(player()->busyOverlay()->isBusy());
    QVERIFY(player()->isWaitingForPicture());
    QVERIFY(!player()->isReopenPending());
    QCOMPARE(engine->openedLocation(), m_streams.url(silentChannel()));
}

void TestPlayerZapping::stopRightAfterOpenStops() {
    VlcMediaPlayer *engine = player()->mediaPlayer();
    for (int round = 0; round < 6; ++round) {
        // Stopped at once (the open may never be carried out), or just after
        // the engine was told to play, while it may still read "nothing
        // special".
        const int opens = engine->executedOpens();
        player()->playUrl(m_streams.url(liveChannel(500 + round)));
        if (round % 2)
            QTRY_VERIFY(engine->executedOpens() > opens);
        player()->stopPlayback();
        QVERIFY(!player()->busyOverlay()->isBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!engine->isControlBusy(), startTimeout);
        const libvlc_state_t state = engineState(engine);
        QVERIFY2(state == libvlc_NothingSpecial || state == libvlc_Stopped,
                 qPrintable(QStringLiteral("round %1: engine state %2").arg(round).arg(state)));
        QTRY_COMPARE_WITH_TIMEOUT(m_streams.server()->openConnections(), 0, startTimeout);
        QVERIFY(!player()->isPlaying());
    }
    QVERIFY(!player()->isReopenPending());
}

void TestPlayerZapping::switchesNeverWaitForTheEngine() {
    player()->playUrl(m_streams.url(liveChannel(100)));
    QTRY_VERIFY_WITH_TIMEOUT(player()->isPlaying(), startTimeout);
    VlcMediaPlayer *engine = player()->mediaPlayer();
    const int opensBefore = engine->executedOpens();

    // With the engine's control held, ten switches still go through one
    // after the other, and the event loop runs between them.
    VlcMediaPlayer::holdControl(true);
    int ticks = 0;
    for (int channel = 1; channel <= 10; ++channel) {
        player()->playUrl(m_streams.url(liveChannel(400 + channel)));
        QTimer::singleShot(0, this, [&ticks] { ++ticks; });
        QTRY_COMPARE(ticks, channel);
    }
    QVERIFY(engine->isControlBusy());
    QCOMPARE(engine->executedOpens(), opensBefore);
    QCOMPARE(player()->mediaPlayer()->state(), Vlc::Opening);
    VlcMediaPlayer::holdControl(false);

    // Only the last channel is opened at all.
    QTRY_VERIFY_WITH_TIMEOUT(player()->isPlaying(), startTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!engine->isControlBusy(), startTimeout);
    QCOMPARE(engine->executedOpens(), opensBefore + 1);
    QCOMPARE(engine->openedLocation(), m_streams.url(liveChannel(410)));
    QCOMPARE(m_streams.server()->requestCount(liveChannel(410)), 1);
    for (int channel = 1; channel < 10; ++channel)
        QCOMPARE(m_streams.server()->requestCount(liveChannel(400 + channel)), 0);
    QCOMPARE(engine->heldMedia(), 0);
}

void TestPlayerZapping::tenSwitchesInASecondPlayTheLast() {
    VlcMediaPlayer *engine = player()->mediaPlayer();
    player()->channel = QJsonObject{{"id", 1}, {"title", "One"}};
    int switched = 0;
    QTimer zap;
    zap.setInterval(100);
    connect(&zap, &QTimer::timeout, this, [&] {
        ++switched;
        player()->playUrl(m_streams.url(liveChannel(200 + switched)));
        if (switched == 10)
            zap.stop();
    });
    player()->playUrl(m_streams.url(liveChannel(200)));
    zap.start();
    QTRY_COMPARE_WITH_TIMEOUT(switched, 10, startTimeout);

    const QString last = m_streams.url(liveChannel(210));
    QCOMPARE(player()->currentUrl(), last);
    QTRY_VERIFY_WITH_TIMEOUT(player()->isPlaying(), startTimeout);
    QTRY_VERIFY_WITH_TIMEOUT(!player()->busyOverlay()->isBusy(), startTimeout);
    QCOMPARE(engine->openedLocation(), last);
    QVERIFY(!player()->isRetryOffered());
    // Nothing of the earlier channels is left: one connection (the last
    // channel's), no media held back, no reopen waiting.
    QTRY_COMPARE_WITH_TIMEOUT(m_streams.server()->openConnections(), 1, startTimeout);
    QCOMPARE(m_streams.server()->requestCount(liveChannel(210)), 1);
    QTRY_VERIFY(!engine->isControlBusy());
    QCOMPARE(engine->heldMedia(), 0);
    QVERIFY(!player()->isReopenPending());
    QVERIFY(engine->executedOpens() + engine->skippedRequests() >= 11);
}

void TestPlayerZapping::cachingGoesWithEachOpen() {
    appState().cacheSize = QStringLiteral("300");
    player()->playUrl(m_streams.url(QStringLiteral("live.ts")));
    VlcMediaPlayer *engine = player()->mediaPlayer();
    QCOMPARE(engine->openedOptions(), QStringList{QStringLiteral(":network-caching=300")});
    QTRY_VERIFY_WITH_TIMEOUT(player()->isPlaying(), startTimeout);
    const QStringList arguments = player()->engine()->arguments();

    // A new cache size: the same engine and video surface open the stream
    // again with it.
    QPointer<VlcInstance> instance = player()->engine();
    QPointer<VlcWidgetVideo> video = player()->videoWidget();
    const int requests = m_streams.server()->requestCount(QStringLiteral("live.ts"));
    appState().cacheSize = QStringLiteral("1200");
    player()->rebuildEngine();
    QCOMPARE(player()->engine(), instance.data());
    QCOMPARE(player()->videoWidget(), video.data());
    QCOMPARE(player()->mediaPlayer(), engine);
    QCOMPARE(engine->openedOptions(), QStringList{QStringLiteral(":network-caching=1200")});
    QCOMPARE(player()->engine()->arguments(), arguments);
    QTRY_VERIFY_WITH_TIMEOUT(player()->isPlaying(), startTimeout);
    QCOMPARE(m_streams.server()->requestCount(QStringLiteral("live.ts")), requests + 1);

    // Nothing stored: the engine's default goes with the media.
    appState().cacheSize.clear();
    player()->playUrl(m_streams.url(QStringLiteral("clip.ts")));
    QCOMPARE(engine->openedOptions(), QStringList{QStringLiteral(":network-caching=5000")});
}

void TestPlayerZapping::stillPictureShowsAroundTheSpinner() {
    // A live channel with the 5 s cache: its first picture comes long
    // before the cache is full.
    AlertFrame *overlay = player()->busyOverlay();
    player()->playUrl(m_streams.url(liveChannel(600)));
    QCOMPARE(overlay->size(), player()->size());
    QTRY_VERIFY_WITH_TIMEOUT(player()->hasShownPicture(), startTimeout);
    if (overlay->isBusy()) {
        const QRect square(QPoint(0, 0), QSize(80, 80));
        QCOMPARE(overlay->geometry(),
                 square.translated((player()->width() - 80) / 2, (player()->height() - 80) / 2));
    }
    QTRY_VERIFY_WITH_TIMEOUT(!overlay->isBusy(), startTimeout);
    // The next channel starts covered again until it has a picture.
    player()->playUrl(m_streams.url(silentChannel()));
    QVERIFY(!player()->hasShownPicture());
    QCOMPARE(overlay->size(), player()->size());
}

QTEST_MAIN(TestPlayerZapping)
#include "tst_playerzapping.moc"
