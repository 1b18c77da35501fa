#include "TestRows.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "service/ServiceConfig.h"
#include "widgets/AlertFrame.h"

#include <QScreen>
#include <QtTest>

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_settings.reset(new ScopedSettings);
        // Pages that start loading talk to a port where nobody listens.
        ServiceConfig config = ServiceConfig::defaults();
        config.apiUrl = QUrl(QStringLiteral("https://127.0.0.1:1/api/v1.0/"));
        config.webUrl = QUrl(QStringLiteral("https://127.0.0.1:1"));
        config.geoUrl = QUrl(QStringLiteral("http://127.0.0.1:1/json"));
        setServiceConfig(config);
    }
    void cleanup() {
        setServiceConfig(ServiceConfig::defaults());
        m_settings.reset();
    }

    void firstPageFollowsStoredState_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("playlist");
        QTest::addColumn<int>("page");
        addRow("nothing stored", "", "", 0, int(MainWindow::SignInPage));
        addRow("device missing", "a@b.cd", "", 5, int(MainWindow::DevicePage));
        addRow("no playlist", "a@b.cd", "k", 0, int(MainWindow::PlaylistPage));
        addRow("everything", "a@b.cd", "k", 3, int(MainWindow::HomePage));
    }
    void firstPageFollowsStoredState() {
        QFETCH(QString, user);
        QFETCH(QString, device);
        QFETCH(int, playlist);
        QFETCH(int, page);
        AppState &state = appState();
        state.userName = user;
        state.deviceKey = device;
        state.playlistId = playlist;
        MainWindow window;
        QCOMPARE(state.mainWindow.data(), &window);
        QVERIFY(state.alertFrame);
        // Pages that load at once may already have taken the overlay over.
        QVERIFY(state.alertFrame->window() == &window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.stack()->currentIndex(), page);
        QCOMPARE(window.stack()->count(), 8);
        if (page == MainWindow::HomePage) {
            // Main mode: resizable, and every later slide is instantaneous.
            QCOMPARE(window.stack()->speed(), 0);
            QCOMPARE(window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
            QVERIFY(window.width() > 420);
        } else {
            QCOMPARE(window.size(), QSize(420, 580));
            QCOMPARE(window.stack()->speed(), 750);
            QCOMPARE(window.stack()->animation(), QEasingCurve::OutExpo);
        }
    }

    void narrowResizeDoesNotEnterTheBrowser() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.stack()->setSpeed(0);
        window.enterMainMode();
        QTRY_COMPARE(window.stack()->currentIndex(), int(MainWindow::HomePage));
        // A second pending entry ignores a narrow resize and takes the next wide one.
        window.returnToSignIn();
        QTRY_COMPARE(window.stack()->currentIndex(), int(MainWindow::SignInPage));
        window.setMinimumSize(0, 0);
        window.setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        window.resize(300, 580);
        QTest::qWait(50);
        window.enterMainMode();
        window.resize(300, 500);
        QTest::qWait(50);
        window.resize(800, 600);
        QTRY_COMPARE(window.stack()->currentIndex(), int(MainWindow::HomePage));
    }

    void returnToSignInRestoresThePhoneSizedWindow() {
        appState().userName = "a@b.cd";
        appState().deviceKey = "k";
        appState().playlistId = 1;
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_COMPARE(window.stack()->currentIndex(), int(MainWindow::HomePage));
        QVERIFY(!window.returnToSignInRequested());
        window.returnToSignIn();
        QVERIFY(window.returnToSignInRequested());
        QTRY_COMPARE(window.size(), QSize(420, 580));
        QCOMPARE(window.minimumSize(), QSize(420, 580));
        QCOMPARE(window.maximumSize(), QSize(420, 580));
        QCOMPARE(window.stack()->currentIndex(), int(MainWindow::SignInPage));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QTRY_COMPARE(window.pos(), QPoint(screen.width() / 2 - 210, screen.height() / 2 - 290));

        // Back to main mode from there: the window covers the screen again,
        // not a screen-sized window hanging off it from the centre.
        window.enterMainMode();
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        QTRY_COMPARE(window.geometry(), available);
    }

    void transitionsSlideToTheirPages() {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        SlidingStackedWidget *stack = window.stack();
        stack->setSpeed(0);

        window.showSignUp();
        QTRY_COMPARE(stack->currentIndex(), int(MainWindow::SignUpPage));
        QVERIFY(stack->verticalMode());
        QCOMPARE(stack->animation(), QEasingCurve::OutQuart);

        window.showCountryPicker();
        QTRY_COMPARE(stack->currentIndex(), int(MainWindow::CountryPage));
        QVERIFY(!stack->verticalMode());

        window.showCodeVerification("+71234567", "pw");
        QTRY_COMPARE(stack->currentIndex(), int(MainWindow::CodePage));
        QCOMPARE(stack->animation(), QEasingCurve::OutExpo);

        window.showDirectLink(true, QString());
        QTRY_COMPARE(stack->currentIndex(), int(MainWindow::AddPlaylistPage));
        QVERIFY(stack->verticalMode());
        QCOMPARE(stack->animation(), QEasingCurve::OutQuart);
    }

private:
    QScopedPointer<ScopedSettings> m_settings;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
