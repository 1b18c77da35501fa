// The client at the service's edges: refusals, answers that are not JSON
// and answers that come late, met through the real pages. None may leave a
// page busy for good, lose what the service stored, or pass for success.

#include "DevServiceProcess.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "StandInPages.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "channels/ChannelMarks.h"
#include "channels/HomeWidget.h"
#include "channels/LoadImageUrl.h"
#include "channels/PlayListToolBar.h"
#include "player/PlayerWidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "settings/DialogMainSettings.h"
#include "vlc/VlcInstance.h"

#include "account/LoginWidget.h"
#include "account/ProfileWidget.h"
#include "account/RegistryWidget.h"
#include "account/registrydevicewidget.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/Playlistwidget.h"
#include "service/FailureAlert.h"
#include "widgets/MessageBox.h"

#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageTestKit;

namespace {

const QByteArray twoChannels =
    R"([{"id":1,"title":"One","group_id":10,"href":"http://127.0.0.1:9/one.ts","pict":"",)"
    R"("epg_id":0},{"id":2,"title":"Two","group_id":10,"href":"http://127.0.0.1:9/two.ts",)"
    R"("pict":"","epg_id":0}])";

QByteArray failure(const char *text) {
    return QByteArray(R"({"error":")") + text + R"(","result":null})";
}

} // namespace

class TestServiceEdges : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadFailureLeavesAWayOn_data();
    void loadFailureLeavesAWayOn();
    void playlistDeletedElsewhere();
    void unknownPrivateListLocks_data();
    void unknownPrivateListLocks();
    void unreadMarksAreReadBeforeStoring();
    void marksFollowTheCurrentChannel();
    void favouritesOfOtherChannelsMakeNoGroup();
    void overlayFollowsThePageOnScreen();
    void oneFailureBurstOneAlert();
    void failedProgrammeRequestsStillEndTheSession();
    void refusalsHaveTheirOwnWords_data();
    void refusalsHaveTheirOwnWords();
    void onePressOneRequest();
    void geolocationNotJson();
    void refusedUploadStaysOnThePage_data();
    void refusedUploadStaysOnThePage();
    void dialogPlaylistPageKeepsItsRefresh();
    void signOutForgetsTheTypedPassword();

private:
    void answerLoad();
    bool openHome();
    // Whether a double-click on the row asks for the parental password.
    bool asksPassword(int row);

    StandInPages m_pages;
    FakeService *const m_service = &m_pages.service();
    QScopedPointer<MainWindow> &m_window = m_pages.window;
    QScopedPointer<HomeWidget> &m_home = m_pages.home;
};

void TestServiceEdges::initTestCase() {
    QVERIFY(m_pages.start());
}

void TestServiceEdges::init() {
    m_pages.begin();
}

void TestServiceEdges::cleanup() {
    m_pages.end();
}

void TestServiceEdges::answerLoad() {
    m_service->answerChannelLoad();
    m_service->setResult(QStringLiteral("get_channels"), twoChannels);
    m_service->setResult(QStringLiteral("get_playlists"), R"([{"id":6,"title":"Other"}])");
    m_service->setResult(QStringLiteral("get_devices"), R"([{"name":"Demo PC","key":"k"}])");
}

bool TestServiceEdges::openHome() {
    m_pages.signIn(5);
    return m_pages.openHome() && m_pages.loadHome();
}

bool TestServiceEdges::asksPassword(int row) {
    QListWidget *list = m_home->channelList();
    list->setCurrentRow(row);
    m_home->chnaelListDoubleClick(list->item(row));
    const bool asked = appState().settingsDialog;
    if (DialogMainSettings *dialog = appState().settingsDialog)
        delete dialog;
    return asked;
}

void TestServiceEdges::loadFailureLeavesAWayOn_data() {
    QTest::addColumn<QString>("method");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("passwordKept");
    QTest::addColumn<bool>("playlistKept");
    addRow("password changed elsewhere", "login", failure("Wrong login or password"),
           int(MainWindow::SignInPage), "alert2", false, true);
    addRow("device removed elsewhere", "login", failure("Device not registered"),
           int(MainWindow::DevicePage), "devicenotregistered", true, false);
    addRow("playlist deleted elsewhere", "get_channels", failure("Playlist not found"),
           int(MainWindow::PlaylistPage), "playlistnotfound", true, false);
    addRow("groups refused", "get_groups", failure("Internal error"), int(MainWindow::HomePage),
           "unknownerror", true, true);
    addRow("sign-in answer not JSON", "login", QByteArray("<html>busy</html>"),
           int(MainWindow::HomePage), "unknownerror", true, true);
    addRow("channels answer not JSON", "get_channels", QByteArray("<html>busy</html>"),
           int(MainWindow::HomePage), "unknownerror", true, true);
    addRow("groups answer an array", "get_groups", QByteArray("[]"), int(MainWindow::HomePage),
           "unknownerror", true, true);
}

void TestServiceEdges::loadFailureLeavesAWayOn() {
    QFETCH(QString, method);
    QFETCH(QByteArray, body);
    QFETCH(int, page);
    QFETCH(QString, message);
    QFETCH(bool, passwordKept);
    QFETCH(bool, playlistKept);
    answerLoad();
    m_service->setBody(method, body);
    MainModeKit::storeSignedIn(QStringLiteral("user@vantero.test"), QStringLiteral("secret"),
                               QStringLiteral("key-1"), 5);
    m_window.reset(MainModeKit::startFromStore());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));

    // The busy state ends with an alert that says what happened, over the
    // page the user is sent to.
    QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 20000);
    QCOMPARE(alertMessage(), msg(message));
    QTRY_COMPARE(m_window->stack()->currentIndex(), page);
    QVERIFY(appState().alertFrame->parentWidget() == m_window->stack()->currentWidget());
    QTRY_VERIFY(appState().alertFrame->isVisible() && !appState().alertFrame->isBusy());

    // What the service refused is forgotten, so the next start does not
    // come back to it.
    QCOMPARE(MainModeKit::stored(SettingsKeys::userPassword).toString().isEmpty(), !passwordKept);
    QCOMPARE(MainModeKit::stored(SettingsKeys::playlistId).toInt(), playlistKept ? 5 : 0);
    QCOMPARE(appState().playlistId, playlistKept ? 5 : 0);
    if (page == MainWindow::PlaylistPage)
        QTRY_COMPARE(m_service->count(QStringLiteral("get_playlists")), 1);
    // The device page signs in again (and meets the same refusal).
    if (page == MainWindow::DevicePage)
        QTRY_COMPARE(m_service->count(QStringLiteral("login")), 2);

    // On the channel browser, the settings button opens the dialog.
    if (page == MainWindow::HomePage) {
        dismissAlert();
        auto *settings = child<QPushButton>(m_window->homeWidget(), "settings_button");
        QVERIFY(settings);
        QTest::mouseClick(settings, Qt::LeftButton);
        QTRY_VERIFY(appState().settingsDialog);
    }
}

void TestServiceEdges::playlistDeletedElsewhere() {
    // The real service: the playlist goes on another device while this
    // program is closed; the next start lands on the playlist page.
    DevServiceProcess service;
    QVERIFY2(service.start(), qPrintable(service.errorString()));
    const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
    const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);
    const QString key = service.demoDeviceKey();
    const QString token = service.login(email, password, key);
    const QJsonArray playlists = service.call("get_playlists", {token}).toArray();
    QVERIFY(!playlists.isEmpty());
    const int id = playlists.first()[QLatin1String("id")].toInt();
    QString error;
    service.call("delete_playlist", {id, token}, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));

    MainModeKit::storeSignedIn(email, password, key, id);
    m_window.reset(MainModeKit::startFromStore());
    QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 20000);
    QCOMPARE(alertMessage(), msg("playlistnotfound"));
    QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
    QCOMPARE(MainModeKit::stored(SettingsKeys::playlistId).toInt(), 0);
    // The other playlists of the device are listed to choose from, and the
    // alert stays until it is clicked away.
    auto *list = child<QListWidget>(m_window->playlistPage(), "listWidget");
    QTRY_COMPARE(list->count(), playlists.size() - 1);
    QVERIFY(waitIdle());
    QVERIFY(alertShowing());
}

void TestServiceEdges::unknownPrivateListLocks_data() {
    QTest::addColumn<QByteArray>("channels");
    QTest::addColumn<QByteArray>("privateBody");
    QTest::addColumn<QList<bool>>("asks");
    QTest::addColumn<bool>("known");
    const QByteArray plain = twoChannels;
    const QByteArray readOk = R"({"error":"","result":"[2]"})";
    QTest::newRow("private list read") << plain << readOk << QList<bool>{false, true} << true;
    addRow("private read refused", plain, failure("Invalid token"), QList<bool>{true, true}, false);
    addRow("private read not JSON", plain, QByteArray("<html/>"), QList<bool>{true, true}, false);
    for (const char *adult : {"true", "1", "7", "\"1\"", "\"true\""}) {
        QByteArray marked = twoChannels;
        marked.replace(R"("epg_id":0})", QByteArray(R"("epg_id":0,"adult":)") + adult + "}");
        addRow(qPrintable(QStringLiteral("adult as %1").arg(QLatin1String(adult))), marked, readOk,
               QList<bool>{true, true}, true);
    }
    for (const char *adult : {"false", "0", "\"0\"", "\"yes\"", "null", "[]"}) {
        QByteArray marked = twoChannels;
        marked.replace(R"("epg_id":0})", QByteArray(R"("epg_id":0,"adult":)") + adult + "}");
        addRow(qPrintable(QStringLiteral("adult as %1").arg(QLatin1String(adult))), marked, readOk,
               QList<bool>{false, true}, true);
    }
}

void TestServiceEdges::unknownPrivateListLocks() {
    QFETCH(QByteArray, channels);
    QFETCH(QByteArray, privateBody);
    QFETCH(QList<bool>, asks);
    QFETCH(bool, known);
    answerLoad();
    m_service->setResult(QStringLiteral("get_channels"), channels);
    // Favourites and password read fine; only the private list differs.
    m_service->setBody(QStringLiteral("get_devopt"), privateBody);
    QVERIFY(openHome());
    // The News group (after the favourites group, when there is one).
    m_home->showGroup(m_home->groupList()->count() - 1);
    QCOMPARE(m_home->channelList()->count(), 2);
    QCOMPARE(m_home->privateKnown(), known);
    QCOMPARE(asksPassword(0), asks.at(0));
    QCOMPARE(asksPassword(1), asks.at(1));
    m_home->stop();
}

void TestServiceEdges::unreadMarksAreReadBeforeStoring() {
    // The load cannot read the marks: a toggle must not store a list made
    // from nothing over what the service holds.
    answerLoad();
    m_service->setBody(QStringLiteral("get_devopt"), failure("Internal error"));
    QVERIFY(openHome());
    QVERIFY(!m_home->favoritesKnown());
    auto *favorite = child<QPushButton>(m_home->playListToolBar(), "favorite_button");
    clickRow(m_home->channelList(), 1);
    QTest::mouseClick(favorite, Qt::LeftButton);
    // The read is tried again and fails again: nothing is stored.
    QTRY_COMPARE(m_service->count(QStringLiteral("get_devopt")), 4);
    QTRY_VERIFY(alertShowing());
    QVERIFY(!appState().alertFrame->isBusy());
    QCOMPARE(m_service->count(QStringLiteral("set_devopt")), 0);

    // The service answers again: the list is read first, the change added
    // to it.
    dismissAlert();
    m_service->clear();
    answerLoad();
    m_service->setResult(QStringLiteral("get_devopt"), "\"[1]\"");
    m_service->setResult(QStringLiteral("set_devopt"), "\"OK\"");
    QTest::mouseClick(favorite, Qt::LeftButton);
    QTRY_COMPARE(m_service->count(QStringLiteral("set_devopt")), 1);
    QCOMPARE(m_service->params(QStringLiteral("set_devopt")).first().at(1).toString(),
             QStringLiteral("[1,2]"));
    QCOMPARE(m_service->count(QStringLiteral("get_devopt")), 1);
    QTRY_VERIFY(m_home->playListToolBar()->favorite());
    QVERIFY(m_home->favoritesKnown());
    QCOMPARE(m_home->groupList()->item(0)->text(), msg("favorites"));
    m_home->stop();
}

void TestServiceEdges::marksFollowTheCurrentChannel() {
    answerLoad();
    m_service->setResult(QStringLiteral("get_devopt"), "\"[2]\"");
    QVERIFY(openHome());
    PlayListToolBar *bar = m_home->playListToolBar();
    auto *favorite = child<QPushButton>(bar, "favorite_button");
    // The favourites group comes first; the News group holds 1 and 2.
    m_home->showGroup(1);
    QListWidget *list = m_home->channelList();
    clickRow(list, 0);
    QVERIFY(!bar->favorite());
    // The arrow key makes channel 2 current: the toggle shows its mark.
    QTest::keyClick(list, Qt::Key_Down);
    QCOMPARE(list->currentRow(), 1);
    QVERIFY(bar->favorite());

    // A failed store changes nothing, and the retry does not add twice.
    QTest::keyClick(list, Qt::Key_Up);
    m_service->setResult(QStringLiteral("set_devopt"), "\"NO\"");
    QTest::mouseClick(favorite, Qt::LeftButton);
    QTRY_VERIFY(alertShowing());
    QVERIFY(!bar->favorite());
    QCOMPARE(m_home->favoriteList(), QJsonArray{QStringLiteral("2")});
    dismissAlert();
    m_service->setResult(QStringLiteral("set_devopt"), "\"OK\"");
    QTest::mouseClick(favorite, Qt::LeftButton);
    QTRY_COMPARE(m_service->count(QStringLiteral("set_devopt")), 2);
    QCOMPARE(m_service->params(QStringLiteral("set_devopt")).at(1).at(1).toString(),
             QStringLiteral("[2,1]"));
    QTRY_VERIFY(bar->favorite());

    // Next moves on from the playing channel; the toggle then acts on the
    // channel that plays, and takes an id stored twice out once for all.
    m_home->favoriteList() =
        QJsonArray{QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("1")};
    m_home->showGroup(1);
    list->setCurrentRow(1);
    m_home->playCurrentChannel();
    m_home->playNext();
    QCOMPARE(m_home->playingChannel(), 1);
    QVERIFY(bar->favorite());
    QTest::mouseClick(favorite, Qt::LeftButton);
    QTRY_COMPARE(m_service->count(QStringLiteral("set_devopt")), 3);
    QCOMPARE(m_service->params(QStringLiteral("set_devopt")).at(2).at(1).toString(),
             QStringLiteral("[2]"));
    QTRY_VERIFY(!bar->favorite());
    m_home->stop();
}

void TestServiceEdges::favouritesOfOtherChannelsMakeNoGroup() {
    // Favourites kept for channels the playlist no longer has.
    answerLoad();
    m_service->setResult(QStringLiteral("get_devopt"), "\"[77,78]\"");
    QVERIFY(openHome());
    QCOMPARE(rowTexts(m_home->groupList()), QStringList{QStringLiteral("News")});
    QCOMPARE(rowTexts(m_home->channelList()),
             (QStringList{QStringLiteral("One"), QStringLiteral("Two")}));
}

void TestServiceEdges::overlayFollowsThePageOnScreen() {
    // A wrong password on the sign-in page, then Sign Up with the
    // geolocation host down: both the spinner and the failure show on the
    // sign-up page.
    QTcpServer closed;
    QVERIFY(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    ServiceConfig config = m_service->config();
    config.geoUrl = QUrl(QStringLiteral("http://127.0.0.1:%1/json").arg(port));
    setServiceConfig(config);
    m_service->setBody(QStringLiteral("login"), failure("Wrong login or password"));
    m_window.reset(MainModeKit::startFromStore());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    LoginWidget *login = m_window->loginPage();
    child<QLineEdit>(login, "lineEdit_3")->setText(QStringLiteral("user@vantero.test"));
    child<QLineEdit>(login, "lineEdit_4")->setText(QStringLiteral("wrong"));
    QTest::mouseClick(child<QPushButton>(login, "pushButton"), Qt::LeftButton);
    QTRY_VERIFY(alertShowing());
    QCOMPARE(alertMessage(), msg("alert2"));
    QCOMPARE(appState().alertFrame->parentWidget(), login);
    dismissAlert();

    m_window->showSignUp();
    RegistryWidget *signUp = m_window->signUpPage();
    AlertFrame *overlay = appState().alertFrame;
    QVERIFY(overlay->isBusy());
    QCOMPARE(overlay->parentWidget(), signUp);
    QTRY_VERIFY(alertShowing());
    QCOMPARE(overlay->parentWidget(), signUp);
    QTRY_VERIFY(signUp->isVisible());
    QVERIFY(overlay->isVisible());
    QCOMPARE(alertMessage(), msg("unknowerror"));
}

void TestServiceEdges::oneFailureBurstOneAlert() {
    QWidget page;
    page.resize(420, 580);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto *overlay = new AlertFrame(&page);
    appState().alertFrame = overlay;
    showFailureAlert(msg("unknowerror"));
    auto *panel = overlay->findChild<QFrame *>(QStringLiteral("frame_top"));
    QTRY_COMPARE(panel->pos(), QPoint(0, 0));
    // The same failure again (the next request of the burst): the alert on
    // show is left as it is rather than slid in anew.
    showFailureAlert(msg("unknowerror"));
    QCOMPARE(panel->pos(), QPoint(0, 0));
    // Another failure is news and is shown.
    showFailureAlert(msg("nointernet"));
    QCOMPARE(panel->pos(), QPoint(0, -panel->height()));
    QCOMPARE(alertMessage(), msg("nointernet"));
}

void TestServiceEdges::failedProgrammeRequestsStillEndTheSession() {
    // More channels than programme requests may be open at once, and every
    // programme answer unusable: each failed request must free its place,
    // so that all are asked and the session is signed out at the end.
    answerLoad();
    QByteArray channels = "[";
    for (int id = 1; id <= 30; ++id) {
        channels += QByteArray(id > 1 ? "," : "") + R"({"id":)" + QByteArray::number(id) +
                    R"(,"title":"C","group_id":10,"href":"","pict":"","epg_id":)" +
                    QByteArray::number(100 + id) + "}";
    }
    m_service->setResult(QStringLiteral("get_channels"), channels + "]");
    m_service->setBody(QStringLiteral("get_epg"), "<html>down</html>");
    QVERIFY(openHome());
    QTRY_COMPARE_WITH_TIMEOUT(m_service->count(QStringLiteral("logout")), 1, 20000);
    QCOMPARE(m_service->count(QStringLiteral("get_epg")), 30);
    QVERIFY(!m_home->requestsPending());
    // The burst of failures shows one alert at most, and no busy state.
    QVERIFY(!appState().alertFrame->isBusy());
    m_home->stop();
}

void TestServiceEdges::refusalsHaveTheirOwnWords_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QByteArray>("error");
    QTest::addColumn<QString>("message");
    const char *const refusals[][3] = {
        {"sign-in", "Wrong login or password", "alert2"},
        {"sign-in", "Account on holiday", "unknownerror"},
        {"device", "Too many devices", "toomanydevices"},
        {"device", "Invalid device name", "invaliddevicename"},
        {"device", "Something new", "unknownerror"},
        {"playlist", "Device not registered", "devicenotregistered"},
        {"playlist", "Playlist not found", "playlistnotfound"},
        {"marks", "Option value too long", "optiontoolong"},
    };
    for (const auto &row : refusals) {
        addRow(qPrintable(QStringLiteral("%1: %2").arg(row[0], row[1])), row[0], QByteArray(row[1]),
               row[2]);
    }
}

void TestServiceEdges::refusalsHaveTheirOwnWords() {
    QFETCH(QString, page);
    QFETCH(QByteArray, error);
    QFETCH(QString, message);
    answerLoad();
    m_service->setResult(QStringLiteral("get_devices"), "[]");
    const QString method = page == QLatin1String("sign-in")    ? "login"
                           : page == QLatin1String("device")   ? "register_device"
                           : page == QLatin1String("playlist") ? "get_playlists"
                                                               : "set_devopt";
    m_service->setBody(method, failure(error.constData()));
    if (page == QLatin1String("marks")) {
        QVERIFY(openHome());
        clickRow(m_home->channelList(), 0);
        QTest::mouseClick(child<QPushButton>(m_home->playListToolBar(), "favorite_button"),
                          Qt::LeftButton);
    } else {
        if (page != QLatin1String("sign-in"))
            MainModeKit::storeSignedIn(
                QStringLiteral("u@vantero.test"), QStringLiteral("pw"),
                page == QLatin1String("device") ? QString() : QStringLiteral("k"), 0);
        m_window.reset(MainModeKit::startFromStore());
        QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
        if (page == QLatin1String("sign-in")) {
            LoginWidget *login = m_window->loginPage();
            child<QLineEdit>(login, "lineEdit_3")->setText(QStringLiteral("u@vantero.test"));
            child<QLineEdit>(login, "lineEdit_4")->setText(QStringLiteral("pw"));
            QTest::mouseClick(child<QPushButton>(login, "pushButton"), Qt::LeftButton);
        } else if (page == QLatin1String("device")) {
            QVERIFY(waitIdle());
            registrydevicewidget *devices = m_window->devicePage();
            child<QLineEdit>(devices, "lineEdit_newdevice")->setText(QStringLiteral("New PC"));
            QTest::mouseClick(child<QPushButton>(devices, "pushButton_2"), Qt::LeftButton);
        }
    }
    QTRY_VERIFY(alertShowing());
    QCOMPARE(alertMessage(), msg(message));
    QVERIFY(!appState().alertFrame->isBusy());
}

void TestServiceEdges::onePressOneRequest() {
    answerLoad();
    m_service->setResult(QStringLiteral("get_devices"), "[]");
    m_service->setResult(QStringLiteral("register_device"), "\"new-key\"");
    m_service->setResult(QStringLiteral("register_by_sms"), R"({"Error":"","Result":"OK"})");
    m_service->setFile(QStringLiteral("/json"), R"({"countryCode":"RU"})", "application/json");
    MainModeKit::storeSignedIn(QStringLiteral("u@vantero.test"), QStringLiteral("pw"), QString(),
                               0);
    m_window.reset(MainModeKit::startFromStore());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    QVERIFY(waitIdle());
    // A double-click on next (two presses before any answer) registers one
    // device.
    auto *next = child<QPushButton>(m_window->devicePage(), "pushButton_2");
    QTest::mouseClick(next, Qt::LeftButton);
    QTest::mouseClick(next, Qt::LeftButton);
    QTRY_COMPARE(m_service->count(QStringLiteral("get_playlists")), 1);
    QCOMPARE(m_service->count(QStringLiteral("register_device")), 1);
    QCOMPARE(appState().deviceKey, QStringLiteral("new-key"));

    // So does one on sign-up: one "register_by_sms".
    m_window->showSignUp();
    RegistryWidget *signUp = m_window->signUpPage();
    QTRY_COMPARE(child<QLineEdit>(signUp, "edit_code")->text(), QStringLiteral("+7"));
    QVERIFY(waitIdle());
    child<QLineEdit>(signUp, "edit_phone")->setText(QStringLiteral("9001234567"));
    child<QLineEdit>(signUp, "edit_name")->setText(QStringLiteral("Name"));
    child<QLineEdit>(signUp, "edit_password")->setText(QStringLiteral("pw123456"));
    child<QLineEdit>(signUp, "edit_confirm_password")->setText(QStringLiteral("pw123456"));
    auto *submit = child<QPushButton>(signUp, "pushButton_2");
    QTest::mouseClick(submit, Qt::LeftButton);
    QTest::mouseClick(submit, Qt::LeftButton);
    QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::CodePage));
    QCOMPARE(m_service->count(QStringLiteral("register_by_sms")), 1);
}

void TestServiceEdges::geolocationNotJson() {
    m_service->setFile(QStringLiteral("/json"), "<html>portal</html>", "text/html");
    m_window.reset(MainModeKit::startFromStore());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    m_window->showSignUp();
    QVERIFY(appState().alertFrame->isBusy());
    QTRY_VERIFY(!appState().alertFrame->isBusy());
    RegistryWidget *signUp = m_window->signUpPage();
    QCOMPARE(child<QLineEdit>(signUp, "edit_code")->text(), QStringLiteral("+"));
    QCOMPARE(child<QPushButton>(signUp, "button_country")->text(), msg("invalidcountrycode"));
    // The country is the user's to pick: the picker opens.
    QTest::mouseClick(child<QPushButton>(signUp, "button_country"), Qt::LeftButton);
    QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::CountryPage));
}

void TestServiceEdges::refusedUploadStaysOnThePage_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    const QByteArray m3u = "#EXTM3U\n#EXTINF:-1,One\nhttp://127.0.0.1:9/one.ts\n";
    addRow("not a playlist", QByteArray("<?xml version=\"1.0\"?><playlist/>"), "Mine",
           "unsupportedplaylist");
    addRow("title with a slash", m3u, "My/List", "invalidplaylisttitle");
    addRow("no channels", QByteArray("#EXTM3U\n"), "Mine", "playlistnochannels");
    addRow("unreadable file", QByteArray(), "Mine", "filecannotberead");
    QTest::newRow("accepted") << m3u << "Mine" << QString();
}

void TestServiceEdges::refusedUploadStaysOnThePage() {
    QFETCH(QByteArray, content);
    QFETCH(QString, title);
    QFETCH(QString, message);
    DevServiceProcess service;
    QVERIFY2(service.start(), qPrintable(service.errorString()));
    const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
    const QString key = service.demoDeviceKey();
    MainModeKit::storeSignedIn(email, QString::fromLatin1(DevServiceProcess::demoPassword), key, 0);
    m_window.reset(MainModeKit::startFromStore());
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    QVERIFY(waitIdle());

    const QString path = m_pages.workPath(QStringLiteral("upload.m3u"));
    QFile::remove(path);
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    m_window->showDirectLink(false, path);
    QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
    DirectLinkWidget *page = m_window->addPlaylistPage();
    child<QLineEdit>(page, "lineEdit_directlink")->setText(title);
    QTest::mouseClick(child<QPushButton>(page, "pushButton_2"), Qt::LeftButton);
    if (message.isEmpty()) {
        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage),
                                  20000);
        QTRY_VERIFY(
            rowTexts(child<QListWidget>(m_window->playlistPage(), "listWidget")).contains(title));
        QVERIFY(!alertShowing());
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 20000);
    QCOMPARE(alertMessage(), msg(message));
    QVERIFY(!appState().alertFrame->isBusy());
    // Still here, with what was typed.
    QTest::qWait(100);
    QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
    QCOMPARE(child<QLineEdit>(page, "lineEdit_directlink")->text(), title);
    QVERIFY(alertShowing());
}

void TestServiceEdges::dialogPlaylistPageKeepsItsRefresh() {
    answerLoad();
    m_service->setResult(QStringLiteral("get_playlists"), "[]");
    QVERIFY(openHome());
    auto *dialog = new DialogMainSettings(nullptr, false, false);
    dialog->show();
    dialog->showPlaylistPage();
    auto *playlists = dialog->findChild<Playlistwidget *>();
    QVERIFY(playlists);
    auto *next = child<QPushButton>(playlists, "pushButton_2");
    QTRY_COMPARE(m_service->count(QStringLiteral("get_playlists")), 1);
    QVERIFY(waitIdle());
    // Nothing bound yet: the refresh button is there to look again.
    QTRY_VERIFY(next->isVisible());
    m_service->setResult(QStringLiteral("get_playlists"), R"([{"id":6,"title":"Other"}])");
    QTest::mouseClick(next, Qt::LeftButton);
    auto *list = child<QListWidget>(playlists, "listWidget");
    QTRY_COMPARE(rowTexts(list), QStringList{QStringLiteral("Other")});
    QVERIFY(!next->isVisible());
}

void TestServiceEdges::signOutForgetsTheTypedPassword() {
    m_window.reset(MainModeKit::startFromStore());
    LoginWidget *login = m_window->loginPage();
    auto *password = child<QLineEdit>(login, "lineEdit_4");
    password->setText(QStringLiteral("secret"));
    auto *dialog = new DialogMainSettings(nullptr, false, false);
    dialog->show();
    ProfileWidget *profile = dialog->profilePage();
    QVERIFY(profile);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QVERIFY(QMetaObject::invokeMethod(profile, "on_pushButton_signout_clicked"));
    QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));
    QCOMPARE(password->text(), QString());
}

QTEST_MAIN(TestServiceEdges)
#include "tst_serviceedges.moc"
