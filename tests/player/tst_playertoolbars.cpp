#include "MainModeKit.h"
#include "PlayerTestStreams.h"
#include "TestSupport.h"
#include "app/AppFont.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SettingsKeys.h"
#include "channels/HomeWidget.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerToolBar.h"
#include "player/PlayerWidget.h"
#include "settings/DialogMainSettings.h"
#include "vlc/VlcAudio.h"
#include "vlc/VlcInstance.h"
#include "vlc/VlcMediaPlayer.h"
#include "widgets/AlertFrame.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTranslator>
#include <QtTest>

namespace {
const QString mutedIcon = QStringLiteral("url(:/mute)");
const QString volumeIcon = QStringLiteral("url(:/volume)");
} // namespace

class TestPlayerToolBars : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void storedVolume_data();
    void storedVolume();
    void storedMute_data();
    void storedMute();
    void draggingStoresEveryPosition();
    void wheelAndGrooveMoveAndStoreTheVolume();
    void volumeButtonTwiceLeavesUnmuted();
    void playButtonPausesAndReopens();
    void guideButtonFlipsItsLook();
    void barsKeepTheirControlsPlaced();
    void topBarTexts();
    void settingsButtonOpensTheDialog();
    void fullScreenButtonWithoutMainWindow();

private:
    // Builds the page (player and both bars) with the stored values given.
    void buildHome(const QVariantMap &stored = {});
    template <typename T> T *bottom(const char *name) const {
        return m_home->bottomToolBar()->findChild<T *>(QLatin1String(name));
    }
    template <typename T> T *top(const char *name) const {
        return m_home->topToolBar()->findChild<T *>(QLatin1String(name));
    }

    PlayerTestStreams m_streams;
    QTranslator m_translator;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<HomeWidget> m_home;
};

void TestPlayerToolBars::initTestCase() {
    QVERIFY2(m_streams.make(), "could not make the test streams (ffmpeg)");
    VlcInstance::setExtraArguments(PlayerTestStreams::silentAudio());
    QVERIFY(m_translator.load(QStringLiteral("lang_en"), QCoreApplication::applicationDirPath()));
    QCoreApplication::installTranslator(&m_translator);
}

void TestPlayerToolBars::cleanup() {
    m_home.reset();
    m_settings.reset();
}

void TestPlayerToolBars::buildHome(const QVariantMap &stored) {
    m_settings.reset(new ScopedSettings);
    for (auto it = stored.begin(); it != stored.end(); ++it)
        ScopedSettings::set(QString::fromLatin1(SettingsKeys::groupInfo), it.key(), it.value());
    QVERIFY(MainModeKit::openOfflineHome(m_home, QSize(1200, 500)));
}

void TestPlayerToolBars::storedVolume_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("first run") << QVariant() << 50;
    QTest::newRow("zero means the default") << QVariant(0) << 50;
    QTest::newRow("stored") << QVariant(120) << 120;
}

void TestPlayerToolBars::storedVolume() {
    QFETCH(QVariant, stored);
    QFETCH(int, expected);
    QVariantMap values;
    if (stored.isValid())
        values.insert(QString::fromLatin1(SettingsKeys::volume), stored);
    buildHome(values);
    QCOMPARE(bottom<QSlider>("volume_slide")->value(), expected);
    QCOMPARE(m_home->player()->mediaPlayer()->audio()->volume(), expected);
    // Showing the value is not a choice: nothing is stored.
    QCOMPARE(ScopedSettings::get(QString::fromLatin1(SettingsKeys::groupInfo),
                                 QString::fromLatin1(SettingsKeys::volume)),
             stored);
    QVERIFY(!bottom<QLabel>("label_speed")->isVisible());
}

void TestPlayerToolBars::storedMute_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("muted");
    QTest::newRow("first run") << QVariant() << false;
    QTest::newRow("not muted") << QVariant(0) << false;
    QTest::newRow("muted") << QVariant(1) << true;
}

void TestPlayerToolBars::storedMute() {
    QFETCH(QVariant, stored);
    QFETCH(bool, muted);
    QVariantMap values;
    if (stored.isValid())
        values.insert(QString::fromLatin1(SettingsKeys::mute), stored);
    buildHome(values);
    QCOMPARE(m_home->bottomToolBar()->isMuted(), muted);
    QCOMPARE(m_home->player()->mediaPlayer()->audio()->getMute(), muted);
    if (muted)
        QVERIFY(bottom<QPushButton>("volume_button")->styleSheet().contains(mutedIcon));

    // Still so once a stream plays: the single toggle at start-up holds.
    m_home->player()->playUrl(m_streams.url(QStringLiteral("clip.ts")));
    QTRY_VERIFY_WITH_TIMEOUT(m_home->player()->busyOverlay()->isHidden(), 15000);
    QCOMPARE(m_home->player()->mediaPlayer()->audio()->getMute(), muted);
}

void TestPlayerToolBars::draggingStoresEveryPosition() {
    buildHome({{QString::fromLatin1(SettingsKeys::volume), 120}});
    QSlider *slider = bottom<QSlider>("volume_slide");
    QVector<int> stored;
    slider->setSliderDown(true);
    for (int position = 119; position >= 40; --position) {
        slider->setSliderPosition(position);
        stored << ScopedSettings::get(QString::fromLatin1(SettingsKeys::groupInfo),
                                      QString::fromLatin1(SettingsKeys::volume))
                      .toInt();
    }
    slider->setSliderDown(false);
    QCOMPARE(stored.size(), 80);
    QCOMPARE(stored.first(), 119);
    QCOMPARE(stored.last(), 40);
    for (int i = 1; i < stored.size(); ++i)
        QCOMPARE(stored[i], stored[i - 1] - 1);
    QCOMPARE(m_home->player()->mediaPlayer()->audio()->volume(), 40);
}

void TestPlayerToolBars::wheelAndGrooveMoveAndStoreTheVolume() {
    buildHome({{QString::fromLatin1(SettingsKeys::volume), 100}});
    QSlider *slider = bottom<QSlider>("volume_slide");
    const QString group = QString::fromLatin1(SettingsKeys::groupInfo);
    const QString key = QString::fromLatin1(SettingsKeys::volume);
    auto stored = [&] { return ScopedSettings::get(group, key).toInt(); };
    VlcAudio *audio = m_home->player()->mediaPlayer()->audio();

    // The wheel, away from the handle.
    const QPoint centre = slider->rect().center();
    QWheelEvent up(centre, slider->mapToGlobal(centre), QPoint(), QPoint(0, 120), Qt::NoButton,
                   Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &up);
    QVERIFY(slider->value() > 100);
    QCOMPARE(stored(), slider->value());
    QCOMPARE(audio->volume(), slider->value());

    // A wheel turn moves it by at most a page step (1) at a time.
    QWheelEvent down(centre, slider->mapToGlobal(centre), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider, &down);
    QApplication::sendEvent(slider, &down);
    QVERIFY(slider->value() < 100);
    QCOMPARE(stored(), slider->value());
    QCOMPARE(audio->volume(), slider->value());

    // A click on the groove near its left end moves the handle that way.
    const int before = slider->value();
    QTest::mouseClick(slider, Qt::LeftButton, {}, QPoint(2, slider->height() / 2));
    QVERIFY(slider->value() < before);
    QCOMPARE(stored(), slider->value());
    QCOMPARE(audio->volume(), slider->value());

    // Keys move it as well.
    const int beforeKey = slider->value();
    QTest::keyClick(slider, Qt::Key_Right);
    QCOMPARE(slider->value(), beforeKey + 1);
    QCOMPARE(stored(), beforeKey + 1);
}

void TestPlayerToolBars::volumeButtonTwiceLeavesUnmuted() {
    buildHome();
    auto *button = bottom<QPushButton>("volume_button");
    const QString group = QString::fromLatin1(SettingsKeys::groupInfo);
    const QString key = QString::fromLatin1(SettingsKeys::mute);

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(ScopedSettings::get(group, key).toInt(), 1);
    QVERIFY(button->styleSheet().contains(mutedIcon));
    QVERIFY(m_home->player()->mediaPlayer()->audio()->getMute());

    QTest::mouseClick(button, Qt::LeftButton);
    QCOMPARE(ScopedSettings::get(group, key).toInt(), 0);
    QVERIFY(button->styleSheet().contains(volumeIcon));
    QVERIFY(!m_home->player()->mediaPlayer()->audio()->getMute());
    QVERIFY(!m_home->bottomToolBar()->isMuted());
}

void TestPlayerToolBars::playButtonPausesAndReopens() {
    buildHome();
    PlayerWidget *player = m_home->player();
    auto *button = bottom<QPushButton>("play_button");
    player->playUrl(m_streams.url(QStringLiteral("live.ts")));
    QTRY_VERIFY_WITH_TIMEOUT(player->isPlaying(), 15000);
    const int requests = m_streams.server()->requestCount(QStringLiteral("live.ts"));

    // The icon follows the engine: pause until the stream has paused.
    QTRY_VERIFY_WITH_TIMEOUT(button->styleSheet().contains(QStringLiteral("url(:/pause)")), 15000);
    QVERIFY(player->canPause());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(button->styleSheet().contains(QStringLiteral("url(:/pause)")));
    QTRY_COMPARE(player->mediaPlayer()->state(), Vlc::Paused);
    QTRY_VERIFY(button->styleSheet().contains(QStringLiteral("url(:/play)")));

    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(button->styleSheet().contains(QStringLiteral("url(:/pause)")));
    QTRY_VERIFY_WITH_TIMEOUT(player->isPlaying(), 15000);
    QCOMPARE(m_streams.server()->requestCount(QStringLiteral("live.ts")), requests + 1);
}

void TestPlayerToolBars::guideButtonFlipsItsLook() {
    buildHome();
    PlayerToolBar *bar = m_home->topToolBar();
    auto *button = top<QPushButton>("epg_button");
    QVERIFY(!bar->isGuideShown());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(bar->isGuideShown());
    QVERIFY(button->styleSheet().startsWith(QStringLiteral(
        "QPushButton{text-align: left;background-color:transparent;color: rgb(255, 255, 255);}")));
    bar->toggleGuide();
    QVERIFY(!bar->isGuideShown());
    QVERIFY(button->styleSheet().startsWith(QStringLiteral(
        "QPushButton{text-align: left;background-color:transparent;color: rgb(75, 75, 75);}")));
}

void TestPlayerToolBars::barsKeepTheirControlsPlaced() {
    buildHome();
    PlayerToolBar *topBar = m_home->topToolBar();
    PlayerButtomToolBar *bottomBar = m_home->bottomToolBar();
    for (int width : {713, 900, 1333}) {
        topBar->resize(width, 50);
        bottomBar->resize(width, 50);
        auto *settings = top<QPushButton>("settings_button");
        QCOMPARE(settings->geometry(), QRect(width - 5 - 151, 5, 151, 40));
        auto *title = top<QLabel>("label_title");
        QCOMPARE(title->geometry(), QRect((width - 151) / 2, (50 - 41) / 2, 151, 41));
        auto *frame = bottom<QFrame>("frame_bar");
        QCOMPARE(frame->geometry(), QRect((width - 391) / 2, (50 - 51) / 2, 391, 51));
    }
    QCOMPARE(topBar->height(), 50);
    QCOMPARE(bottomBar->height(), 50);
    // The player lies between the bars.
    QCOMPARE(topBar->geometry().bottom() + 1, m_home->player()->geometry().top());
    QCOMPARE(m_home->player()->geometry().bottom() + 1, bottomBar->geometry().top());
}

void TestPlayerToolBars::topBarTexts() {
    buildHome();
    QCOMPARE(top<QPushButton>("settings_button")->text(), QStringLiteral("Settings"));
    auto *title = top<QLabel>("label_title");
    QCOMPARE(title->text(), QStringLiteral("Vantero"));
    QCOMPARE(title->font().family(), applicationFontFamily());
    QCOMPARE(title->font().pointSize(), 20);
    QCOMPARE(title->font().weight(), int(QFont::Normal));
}

void TestPlayerToolBars::settingsButtonOpensTheDialog() {
    buildHome();
    QTest::mouseClick(top<QPushButton>("settings_button"), Qt::LeftButton);
    QPointer<DialogMainSettings> dialog = appState().settingsDialog;
    QVERIFY(dialog);
    QVERIFY(dialog->isModal());
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->parentWidget());
    dialog->close();
    QTRY_VERIFY(!dialog);
}

void TestPlayerToolBars::fullScreenButtonWithoutMainWindow() {
    buildHome();
    QVERIFY(!appState().mainWindow);
    QTest::mouseClick(bottom<QPushButton>("fullscreen_button"), Qt::LeftButton);
    QVERIFY(m_home->isFullScreen());
    QCOMPARE(m_home->bottomToolBar()->parentWidget(), m_home->player());
    QTest::mouseClick(bottom<QPushButton>("fullscreen_button"), Qt::LeftButton);
    QVERIFY(!m_home->isFullScreen());
    QVERIFY(m_home->bottomToolBar()->parentWidget() != m_home->player());
}

QTEST_MAIN(TestPlayerToolBars)
#include "tst_playertoolbars.moc"
