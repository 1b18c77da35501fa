// Replies whose members have the wrong JSON types, sent by a stand-in
// service to the real pages: every member a page reads reads as Qt's
// default (empty text, 0, false, an empty array), nothing crashes and no
// page is left busy.

#include "PageTestKit.h"
#include "StandInPages.h"
#include "TestSupport.h"

#include "account/RegistryWidget.h"
#include "account/VerificationCodeWidget.h"
#include "account/registrydevicewidget.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SlidingStackedWidget.h"
#include "app/Startup.h"
#include "channels/HomeWidget.h"
#include "channels/ListItemDelegate.h"
#include "channels/LoadImageUrl.h"
#include "player/PlayerWidget.h"
#include "playlists/Playlistwidget.h"
#include "service/JsonRpc.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"
#include "settings/DialogMainSettings.h"
#include "update/CheckUpdate.h"
#include "vlc/VlcInstance.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageTestKit;

namespace {

// A whole record in every wrong type at once, for tables below.
const QByteArray notArrays[][2] = {
    {"object instead of array", R"({"id":1,"name":"PC","title":"One"})"},
    {"null", "null"},
    {"number", "7"},
    {"array as text", R"("[{\"id\":1,\"name\":\"PC\",\"title\":\"One\"}]")"},
    {"empty object", "{}"},
};

const QByteArray goodChannels =
    "[{\"id\":1,\"title\":\"One\",\"group_id\":10,\"href\":\"http://127.0.0.1:9/one.ts\","
    "\"pict\":\"\","
    R"("epg_id":7,"adult":false}])";
const QByteArray goodGroups = R"([{"id":10,"title":"News"}])";

QByteArray utcText(qint64 secondsFromNow) {
    return QDateTime::currentDateTimeUtc()
        .addSecs(secondsFromNow)
        .toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
        .toLatin1();
}

// Rows whose text reads as empty.
QStringList blanks(int count) {
    return QStringList(QVector<QString>(count).toList());
}

} // namespace

class TestWrongTypes : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void deviceList_data();
    void deviceList();
    void registeredDeviceKey_data();
    void registeredDeviceKey();
    void playlistList_data();
    void playlistList();
    void channelBrowser_data();
    void channelBrowser();
    void programmeSearch_data();
    void programmeSearch();
    void geolocation_data();
    void geolocation();
    void signUpAnswer_data();
    void signUpAnswer();
    void codeAnswer_data();
    void codeAnswer();
    void versionReply_data();
    void versionReply();

private:
    StandInPages m_pages;
    FakeService *const m_service = &m_pages.service();
    QScopedPointer<MainWindow> &m_window = m_pages.window;
    QScopedPointer<HomeWidget> &m_home = m_pages.home;
};

void TestWrongTypes::initTestCase() {
    // The version the update check compares the offered one with.
    QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    QVERIFY(m_pages.start());
}

void TestWrongTypes::init() {
    m_pages.begin();
    m_service->setResult(QStringLiteral("login"), "\"tok\"");
}

void TestWrongTypes::cleanup() {
    m_pages.end();
}

void TestWrongTypes::deviceList_data() {
    QTest::addColumn<QByteArray>("devices");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("firstKey");
    for (const auto &row : notArrays)
        QTest::newRow(row[0].constData()) << row[1] << QStringList() << QString();
    addRow("elements that are not objects", QByteArray(R"([1,"PC",null,true,[]])"), blanks(5),
           QString());
    addRow("name and key of wrong types",
           QByteArray(R"([{"name":5,"key":6},{"name":null,"key":{"k":"v"}},)"
                      R"({"name":["PC"],"key":[]},{"name":{"n":"PC"},"key":true}])"),
           blanks(4), QString());
    addRow("nested junk", QByteArray(R"([{"name":[[[["PC"]]]],"key":{"a":{"b":[1,{}]}}}])"),
           blanks(1), QString());
    addRow("one good record among junk",
           QByteArray(R"([{"name":"PC","key":"k1"},{"name":1,"key":2}])"),
           QStringList{QStringLiteral("PC"), QString()}, QStringLiteral("k1"));
}

void TestWrongTypes::deviceList() {
    QFETCH(QByteArray, devices);
    QFETCH(QStringList, rows);
    QFETCH(QString, firstKey);
    m_service->setResult(QStringLiteral("get_devices"), devices);
    QVERIFY(m_pages.openWindow());
    m_pages.signIn();
    m_window->stack()->slideInIdx(MainWindow::DevicePage);
    m_window->afterSignIn();
    QTRY_COMPARE(m_service->count(QStringLiteral("get_devices")), 1);
    QVERIFY(waitIdle());
    auto *list = child<QListWidget>(m_window->devicePage(), "listWidget");
    QTRY_COMPARE(rowTexts(list), rows);
    QVERIFY(!alertShowing());
    if (rows.isEmpty())
        return;
    // Choosing the first device makes its key, as read, the current one.
    clickRow(list, 0);
    QCOMPARE(appState().deviceKey, firstKey);
    QCOMPARE(appState().deviceName, rows.first());
    QTRY_COMPARE(m_service->count(QStringLiteral("get_playlists")), 1);
}

void TestWrongTypes::registeredDeviceKey_data() {
    QTest::addColumn<QByteArray>("key");
    QTest::newRow("number") << QByteArray("42");
    QTest::newRow("null") << QByteArray("null");
    QTest::newRow("object") << QByteArray(R"({"key":"k"})");
    QTest::newRow("array") << QByteArray(R"(["k"])");
    QTest::newRow("boolean") << QByteArray("true");
}

void TestWrongTypes::registeredDeviceKey() {
    QFETCH(QByteArray, key);
    m_service->setResult(QStringLiteral("get_devices"), "[]");
    m_service->setResult(QStringLiteral("register_device"), key);
    QVERIFY(m_pages.openWindow());
    m_pages.signIn();
    m_window->stack()->slideInIdx(MainWindow::DevicePage);
    m_window->afterSignIn();
    QTRY_COMPARE(m_service->count(QStringLiteral("get_devices")), 1);
    QVERIFY(waitIdle());
    registrydevicewidget *page = m_window->devicePage();
    child<QLineEdit>(page, "lineEdit_newdevice")->setText(QStringLiteral("New PC"));
    QTest::mouseClick(child<QPushButton>(page, "pushButton_2"), Qt::LeftButton);
    QTRY_COMPARE(m_service->count(QStringLiteral("register_device")), 1);
    QTRY_COMPARE(appState().deviceName, QStringLiteral("New PC"));
    QCOMPARE(appState().deviceKey, QString());
    QCOMPARE(rowTexts(child<QListWidget>(page, "listWidget")), QStringList{"New PC"});
    QVERIFY(waitIdle());
}

void TestWrongTypes::playlistList_data() {
    QTest::addColumn<QByteArray>("playlists");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<int>("firstId");
    QTest::addColumn<QString>("firstSource");
    for (const auto &row : notArrays)
        QTest::newRow(row[0].constData()) << row[1] << QStringList() << 0 << QString();
    addRow("elements that are not objects", QByteArray(R"([5,"TV",null,false])"), blanks(4), 0,
           QString());
    addRow("numbers as text", QByteArray(R"([{"id":"5","title":7,"source":8}])"), blanks(1), 0,
           QString());
    addRow("id not a whole number", QByteArray(R"([{"id":5.5,"title":"Half","source":null}])"),
           QStringList{QStringLiteral("Half")}, 0, QString());
    addRow("id too big", QByteArray(R"([{"id":5000000000,"title":"Big","source":"s"}])"),
           QStringList{QStringLiteral("Big")}, 0, QStringLiteral("s"));
    addRow("booleans, arrays and objects",
           QByteArray(R"([{"id":true,"title":["TV"],"source":{"url":"x"}}])"), blanks(1), 0,
           QString());
    addRow("nested junk",
           QByteArray(R"([{"id":[[5]],"title":{"a":[{"b":"TV"}]},"source":[[[]]]}])"), blanks(1), 0,
           QString());
    addRow("one good record among junk",
           QByteArray(R"([{"id":5,"title":"TV","source":"src"},{"id":"6"}])"),
           QStringList{QStringLiteral("TV"), QString()}, 5, QStringLiteral("src"));
}

void TestWrongTypes::playlistList() {
    QFETCH(QByteArray, playlists);
    QFETCH(QStringList, rows);
    QFETCH(int, firstId);
    QFETCH(QString, firstSource);
    m_service->setResult(QStringLiteral("get_playlists"), playlists);
    QVERIFY(m_pages.openWindow());
    m_pages.signIn();
    m_window->stack()->slideInIdx(MainWindow::PlaylistPage);
    m_window->loadPlaylistPage();
    QTRY_COMPARE(m_service->count(QStringLiteral("get_playlists")), 1);
    QVERIFY(waitIdle());
    auto *list = child<QListWidget>(m_window->playlistPage(), "listWidget");
    QTRY_COMPARE(rowTexts(list), rows);
    QVERIFY(!alertShowing());
    if (rows.isEmpty())
        return;
    // Choosing the first playlist stores its id and title as read.
    clickRow(list, 0);
    QCOMPARE(appState().playlistId, firstId);
    QCOMPARE(appState().playlistName, rows.first());
    QCOMPARE(appState().playlistSource, firstSource);
    QCOMPARE(ScopedSettings::get(QStringLiteral("info"), QStringLiteral("playlist_id")).toInt(),
             firstId);
    // The channel browser then loads that playlist.
    QTRY_COMPARE(m_service->params(QStringLiteral("get_channels")).size(), 1);
    QCOMPARE(m_service->params(QStringLiteral("get_channels")).first().at(1).toInt(-1), firstId);
}

void TestWrongTypes::channelBrowser_data() {
    QTest::addColumn<QByteArray>("channels");
    QTest::addColumn<QByteArray>("groups");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QByteArray>("epg");
    QTest::addColumn<QStringList>("strip");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("programme");
    QTest::addColumn<QString>("href");

    const QStringList news{QStringLiteral("News")};
    const QStringList one{QStringLiteral("One")};
    const QString none = QStringLiteral("...");
    const QString goodHref = QStringLiteral("http://127.0.0.1:9/one.ts");
    for (const auto &row : notArrays) {
        addRow(("channels: " + row[0]).constData(), row[1], goodGroups, QByteArray("\"[]\""),
               QByteArray("[]"), QStringList(), QStringList(), QString(), QString());
        addRow(("groups: " + row[0]).constData(), goodChannels, row[1], QByteArray("\"[]\""),
               QByteArray("[]"), QStringList(), QStringList(), QString(), QString());
        addRow(("programmes: " + row[0]).constData(), goodChannels, goodGroups,
               QByteArray("\"[]\""), row[1], news, one, none, goodHref);
        // Text is what device options are: text with junk in it is no case
        // of a wrong type.
        if (row[1].startsWith('"'))
            continue;
        addRow(("device options: " + row[0]).constData(), goodChannels, goodGroups, row[1],
               QByteArray("[]"), news, one, none, goodHref);
    }
    addRow("channels that are not objects", QByteArray(R"([1,"One",null,true,[]])"), goodGroups,
           QByteArray("\"[]\""), QByteArray("[]"), QStringList(), QStringList(), QString(),
           QString());
    addRow("channel members of the wrong types",
           QByteArray(R"([{"id":"1","title":5,"group_id":10,"href":7,"pict":8,"epg_id":"seven",)"
                      R"("adult":"no","epg":{"x":1}}])"),
           goodGroups, QByteArray("\"[]\""), QByteArray("[]"), news, blanks(1), none, QString());
    addRow("channel members null",
           QByteArray(R"([{"id":null,"title":null,"group_id":10,"href":null,"pict":null,)"
                      R"("epg_id":null,"adult":null,"epg":null}])"),
           goodGroups, QByteArray("\"[]\""), QByteArray("[]"), news, blanks(1), none, QString());
    addRow("channel members nested junk",
           QByteArray(R"([{"id":[[1]],"title":{"t":["One"]},"group_id":10,"href":[{"u":"x"}],)"
                      R"("pict":[[["p"]]],"epg_id":{"id":7},"adult":[true],"epg":[[[{}]]]}])"),
           goodGroups, QByteArray("\"[]\""), QByteArray("[]"), news, blanks(1), none, QString());
    // "adult" spelt as a number or as text still marks the channel: it is
    // not played before the password is given.
    for (const char *adult : {"1", "\"1\"", "\"true\""}) {
        QTest::newRow(qPrintable(QStringLiteral("adult as %1").arg(QLatin1String(adult))))
            << QByteArray("[{\"id\":1,\"title\":\"One\",\"group_id\":10,"
                          "\"href\":\"http://127.0.0.1:9/one.ts\",\"adult\":") +
                   adult + "}]"
            << goodGroups << QByteArray("\"[]\"") << QByteArray("[]") << news << one << none
            << QString();
    }
    // A group id and a channel's group id that both read as 0 name no
    // group: 0 is the favourites' own, so nothing is listed, whichever of
    // the favourites and the groups is answered first.
    addRow("group ids as text", QByteArray(R"([{"id":1,"title":"One","group_id":"10"}])"),
           QByteArray(R"([{"id":"10","title":"News"}])"), QByteArray("\"[]\""), QByteArray("[]"),
           QStringList(), QStringList(), QString(), QString());
    addRow("group members of the wrong types", goodChannels,
           QByteArray(R"([{"id":10,"title":5},{"id":"10","title":"Text"},{"id":null},[10],7])"),
           QByteArray("\"[]\""), QByteArray("[]"), blanks(1), one, none, goodHref);
    addRow("device options as other types", goodChannels, goodGroups,
           QByteArray(R"(["[1]",{"ids":[1]}])"), QByteArray("[]"), news, one, none, goodHref);
    addRow("programmes that are not objects", goodChannels, goodGroups, QByteArray("\"[]\""),
           QByteArray(R"([1,"x",null,[]])"), news, one, none, goodHref);
    addRow("programme times of the wrong types", goodChannels, goodGroups, QByteArray("\"[]\""),
           QByteArray(R"([{"start":5,"stop":[],"title":"T","desc":"D"},)"
                      R"({"start":null,"stop":{"t":1},"title":"U","desc":"E"}])"),
           news, one, none, goodHref);
    // A programme running now whose texts are of the wrong types: it is
    // current, with an empty name.
    addRow("programme texts of the wrong types", goodChannels, goodGroups, QByteArray("\"[]\""),
           QByteArray("[{\"start\":\"" + utcText(-600) + "\",\"stop\":\"" + utcText(600) +
                      "\",\"title\":5,\"desc\":[\"D\"]}]"),
           news, one, QString(), goodHref);
}

void TestWrongTypes::channelBrowser() {
    QFETCH(QByteArray, channels);
    QFETCH(QByteArray, groups);
    QFETCH(QByteArray, options);
    QFETCH(QByteArray, epg);
    QFETCH(QStringList, strip);
    QFETCH(QStringList, rows);
    QFETCH(QString, programme);
    QFETCH(QString, href);
    m_service->setResult(QStringLiteral("get_channels"), channels);
    m_service->setResult(QStringLiteral("get_groups"), groups);
    m_service->setResult(QStringLiteral("get_devopt"), options);
    m_service->setResult(QStringLiteral("get_epg"), epg);
    m_service->setResult(QStringLiteral("find_epg"), "[]");
    m_pages.signIn(5);
    QVERIFY(m_pages.openHome());
    appState().parentPassword = QStringLiteral("before");

    QVERIFY(m_pages.loadHome());
    QVERIFY(!appState().alertFrame->isBusy());
    // The programme requests are through and the session is signed out.
    QTRY_COMPARE(m_service->count(QStringLiteral("logout")), 1);
    QCOMPARE(m_service->count(QStringLiteral("get_devopt")), 3);
    // The parental password option is taken as text: a text option is the
    // password as it stands, any other type reads as none.
    const QJsonValue option = QJsonDocument::fromJson("[" + options + "]").array().at(0);
    QCOMPARE(appState().parentPassword, option.toString());
    QCOMPARE(rowTexts(m_home->groupList()), strip);
    QCOMPARE(rowTexts(m_home->channelList()), rows);
    QVERIFY(!alertShowing());
    if (rows.isEmpty())
        return;

    // The rows made again with the programme data that has come in.
    m_home->showGroup(0);
    QListWidget *list = m_home->channelList();
    QCOMPARE(list->item(0)->data(ListItemDelegate::ProgrammeRole).toString(), programme);
    QCOMPARE(list->item(0)->data(ListItemDelegate::LogoRole).toString(), QString());

    // A double-click plays the address as read; no password is asked for,
    // unless the channel reads as adult (no address to play then).
    list->setCurrentRow(0);
    m_home->chnaelListDoubleClick(list->item(0));
    const bool adult = QString::fromUtf8(QTest::currentDataTag()).startsWith("adult as");
    QCOMPARE(bool(appState().settingsDialog), adult);
    delete appState().settingsDialog.data();
    QCOMPARE(m_home->player()->currentUrl(), href);
    QTest::qWait(200);
    m_home->stop();
}

void TestWrongTypes::programmeSearch_data() {
    QTest::addColumn<QByteArray>("candidates");
    QTest::addColumn<int>("epgId");
    QTest::newRow("object instead of array") << QByteArray(R"({"id":7})") << -1;
    QTest::newRow("null") << QByteArray("null") << -1;
    QTest::newRow("array as text") << QByteArray(R"("[{\"id\":7}]")") << -1;
    QTest::newRow("empty array") << QByteArray("[]") << -1;
    QTest::newRow("id as text") << QByteArray(R"([{"id":"7"}])") << 0;
    QTest::newRow("id null") << QByteArray(R"([{"id":null}])") << 0;
    QTest::newRow("id nested") << QByteArray(R"([{"id":[[7]]}])") << 0;
    QTest::newRow("candidate not an object") << QByteArray("[7]") << 0;
    QTest::newRow("first of several") << QByteArray(R"([{"id":7},{"id":8}])") << 7;
}

void TestWrongTypes::programmeSearch() {
    QFETCH(QByteArray, candidates);
    QFETCH(int, epgId);
    m_service->setResult(
        QStringLiteral("get_channels"),
        R"([{"id":1,"title":"One","group_id":10,"href":"","pict":"","epg_id":"News One"}])");
    m_service->setResult(QStringLiteral("get_groups"), goodGroups);
    m_service->setResult(QStringLiteral("get_devopt"), "\"[]\"");
    m_service->setResult(QStringLiteral("find_epg"), candidates);
    m_service->setResult(QStringLiteral("get_epg"), "[]");
    m_pages.signIn(5);
    QVERIFY(m_pages.openHome());
    QVERIFY(m_pages.loadHome());
    QTRY_COMPARE(m_service->count(QStringLiteral("logout")), 1);
    // An "epg_id" that is not a number is searched for as "0".
    QCOMPARE(m_service->params(QStringLiteral("find_epg")).size(), 1);
    QCOMPARE(m_service->params(QStringLiteral("find_epg")).first().at(0).toString(),
             QStringLiteral("0"));
    const QList<QJsonArray> fetched = m_service->params(QStringLiteral("get_epg"));
    if (epgId < 0) {
        QCOMPARE(fetched.size(), 0);
    } else {
        QCOMPARE(fetched.size(), 1);
        QCOMPARE(fetched.first().at(0).toInt(-1), epgId);
    }
    QCOMPARE(rowTexts(m_home->channelList()), QStringList{"One"});
    QVERIFY(!alertShowing());
}

void TestWrongTypes::geolocation_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("number") << QByteArray(R"({"countryCode":7})");
    QTest::newRow("null") << QByteArray(R"({"countryCode":null})");
    QTest::newRow("array") << QByteArray(R"({"countryCode":["RU"]})");
    QTest::newRow("object") << QByteArray(R"({"countryCode":{"code":"RU"}})");
    QTest::newRow("boolean") << QByteArray(R"({"countryCode":true})");
    QTest::newRow("absent") << QByteArray(R"({"country":"RU"})");
}

void TestWrongTypes::geolocation() {
    QFETCH(QByteArray, reply);
    m_service->setFile(QStringLiteral("/json"), reply, "application/json");
    QVERIFY(m_pages.openWindow());
    m_window->showSignUp();
    QVERIFY(waitIdle());
    RegistryWidget *page = m_window->signUpPage();
    QTRY_VERIFY(m_service->server().requestCount() >= 1);
    QCOMPARE(child<QLineEdit>(page, "edit_code")->text(), QStringLiteral("+"));
    QCOMPARE(child<QPushButton>(page, "button_country")->text(), msg("invalidcountrycode"));
    QVERIFY(!alertShowing());
}

void TestWrongTypes::signUpAnswer_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("codePage");
    QTest::newRow("null") << QByteArray("null") << false;
    QTest::newRow("text") << QByteArray(R"("OK")") << false;
    QTest::newRow("array") << QByteArray(R"(["OK"])") << false;
    QTest::newRow("result not text") << QByteArray(R"({"Error":"","Result":true})") << false;
    QTest::newRow("result nested") << QByteArray(R"({"Error":"","Result":[["OK"]]})") << false;
    addRow("error not text", QByteArray(R"({"Error":["Telephone format invalid"],"Result":null})"),
           false);
    // An error member that is not text reads as no error at all.
    addRow("error a number, result OK", QByteArray(R"({"Error":5,"Result":"OK"})"), true);
}

void TestWrongTypes::signUpAnswer() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, codePage);
    m_service->setFile(QStringLiteral("/json"), R"({"countryCode":"RU"})", "application/json");
    m_service->setResult(QStringLiteral("register_by_sms"), answer);
    QVERIFY(m_pages.openWindow());
    m_window->showSignUp();
    QVERIFY(waitIdle());
    RegistryWidget *page = m_window->signUpPage();
    QTRY_COMPARE(child<QLineEdit>(page, "edit_code")->text(), QStringLiteral("+7"));
    child<QLineEdit>(page, "edit_phone")->setText(QStringLiteral("9001234567"));
    child<QLineEdit>(page, "edit_name")->setText(QStringLiteral("Name"));
    child<QLineEdit>(page, "edit_password")->setText(QStringLiteral("pw123456"));
    child<QLineEdit>(page, "edit_confirm_password")->setText(QStringLiteral("pw123456"));
    QTest::mouseClick(child<QPushButton>(page, "pushButton_2"), Qt::LeftButton);
    QTRY_COMPARE(m_service->count(QStringLiteral("register_by_sms")), 1);
    QTest::qWait(300);
    QTRY_COMPARE(m_window->stack()->currentIndex() == MainWindow::CodePage, codePage);
    QVERIFY(!appState().alertFrame->isBusy());
    QVERIFY(!alertShowing());
}

void TestWrongTypes::codeAnswer_data() {
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("signInPage");
    QTest::newRow("null") << QByteArray("null") << false;
    QTest::newRow("number") << QByteArray("1") << false;
    QTest::newRow("result not text") << QByteArray(R"({"Error":"","Result":1})") << false;
    QTest::newRow("result array") << QByteArray(R"({"Result":["OK"]})") << false;
    QTest::newRow("error not text, no result") << QByteArray(R"({"Error":{"e":1}})") << false;
    QTest::newRow("error null, result OK") << QByteArray(R"({"Error":null,"Result":"OK"})") << true;
}

void TestWrongTypes::codeAnswer() {
    QFETCH(QByteArray, answer);
    QFETCH(bool, signInPage);
    m_service->setResult(QStringLiteral("verify_code"), answer);
    QVERIFY(m_pages.openWindow());
    m_window->showCodeVerification(QStringLiteral("+79001234567"), QStringLiteral("pw"));
    QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::CodePage));
    VerificationCodeWidget *page = m_window->codePage();
    child<QLineEdit>(page, "edit_code")->setText(QStringLiteral("1234"));
    QTest::mouseClick(child<QPushButton>(page, "pushButton_2"), Qt::LeftButton);
    QTRY_COMPARE(m_service->count(QStringLiteral("verify_code")), 1);
    QVERIFY(waitIdle());
    QTest::qWait(300);
    QTRY_COMPARE(m_window->stack()->currentIndex() == MainWindow::SignInPage, signInPage);
    QVERIFY(!alertShowing());
}

void TestWrongTypes::versionReply_data() {
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("offered");
    addRow("members as text", QByteArray(R"({"MajorVersion":"9","MinorVersion":"9","Build":"9"})"),
           "0.0.0");
    addRow("members null, arrays, objects",
           QByteArray(R"({"MajorVersion":null,"MinorVersion":[9],"Build":{"b":9}})"), "0.0.0");
    addRow("fractions and huge numbers",
           QByteArray(R"({"MajorVersion":9.5,"MinorVersion":1e300,"Build":5000000000})"), "0.0.0");
    QTest::newRow("booleans") << QByteArray(R"({"MajorVersion":true,"Build":false})") << "0.0.0";
    QTest::newRow("array instead of object") << QByteArray("[9,9,9]") << "0.0.0";
    addRow("older version", QByteArray(R"({"MajorVersion":1,"MinorVersion":0})"), "1.0.0");
}

void TestWrongTypes::versionReply() {
    QFETCH(QByteArray, reply);
    QFETCH(QString, offered);
    m_service->setFile(QStringLiteral("/updinfo.php"), reply, "application/json");
    QVERIFY(m_pages.openWindow());
    m_window->hide();
    JsonRpc lookup;
    QJsonValue answer = QJsonValue::Undefined;
    connect(&lookup, &JsonRpc::done, this, [&answer](const QJsonValue &value) { answer = value; });
    CheckUpdate checker;
    Startup::startVersionCheck(lookup, checker);
    checker.mainWindowCreated();
    // Nothing newer on offer: no hand-over, the window appears.
    QTRY_VERIFY(m_window->isVisible());
    QCOMPARE(CheckUpdate::offeredVersion(answer), offered);
    QVERIFY(!CheckUpdate::isNewer(QStringLiteral("1.1.0"), offered));
}

QTEST_MAIN(TestWrongTypes)
#include "tst_wrongtypes.moc"
