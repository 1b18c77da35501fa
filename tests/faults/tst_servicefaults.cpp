// Faults of the connection to the service: the service dying in the middle
// of a channel load, a service too slow to answer, and a certificate that
// names another host.

#include "DevServiceProcess.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "SelfSignedCertificate.h"
#include "StandInPages.h"
#include "TestImages.h"
#include "TestSupport.h"

#include "account/LoginWidget.h"
#include "account/registrydevicewidget.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SlidingStackedWidget.h"
#include "channels/HomeWidget.h"
#include "channels/LoadImageUrl.h"
#include "playlists/Playlistwidget.h"
#include "service/DownloadFileHandler.h"
#include "service/JsonRpc.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"
#include "service/UploadFile.h"
#include "vlc/VlcInstance.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageTestKit;

namespace {

const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);

const QString refreshStyle = QStringLiteral("border-image: url(:/btn_refresh);");
const QString doneStyle = QStringLiteral("border-image: url(:/menu_done);");

} // namespace

class TestServiceFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void serviceKilledMidChannelLoad_data();
    void serviceKilledMidChannelLoad();
    void slowServiceTimesOut_data();
    void slowServiceTimesOut();
    void certificateForAnotherHost_data();
    void certificateForAnotherHost();

private:
    // The stand-in in use is each test's own.
    StandInPages m_pages;
    QScopedPointer<MainWindow> &m_window = m_pages.window;
    QScopedPointer<HomeWidget> &m_home = m_pages.home;
};

void TestServiceFaults::initTestCase() {
    QVERIFY(m_pages.start());
}

void TestServiceFaults::init() {
    m_pages.begin();
    NetworkManager::setTransferTimeout(NetworkManager::defaultTransferTimeout);
    NetworkManager::instance()->clearConnectionCache();
}

void TestServiceFaults::cleanup() {
    m_pages.end();
    NetworkManager::setTransferTimeout(NetworkManager::defaultTransferTimeout);
}

void TestServiceFaults::serviceKilledMidChannelLoad_data() {
    QTest::addColumn<QString>("killAfter");
    QTest::newRow("login answered, channels asked for") << "login";
    QTest::newRow("channels answered, groups asked for") << "get_channels";
}

void TestServiceFaults::serviceKilledMidChannelLoad() {
    QFETCH(QString, killAfter);
    DevServiceProcess service;
    QVERIFY2(service.start(), qPrintable(service.errorString()));
    const QString deviceKey = service.demoDeviceKey();
    const int playlistId = service.playlistId(deviceKey);
    QVERIFY(playlistId > 0);
    MainModeKit::enterSignedIn(email, password, deviceKey, playlistId);

    QVERIFY(m_pages.openHome());

    // The service dies the moment the chosen answer is in, before the page
    // has read it: the page's next request finds nobody.
    bool killed = false;
    const auto watch =
        connect(NetworkManager::instance(), &QNetworkAccessManager::finished, this,
                [&](QNetworkReply *reply) {
                    if (killed)
                        return;
                    const QJsonValue result =
                        QJsonDocument::fromJson(reply->peek(reply->bytesAvailable()))
                            .object()
                            .value(QLatin1String("result"));
                    const bool isChannels =
                        result.toArray().first().toObject().contains(QLatin1String("group_id"));
                    if (killAfter == QLatin1String("login") ? result.isString() : isChannels) {
                        service.kill();
                        killed = true;
                    }
                });
    m_home->start();
    QTRY_VERIFY_WITH_TIMEOUT(killed, 20000);
    disconnect(watch);

    // The busy state ends with the failure alert.
    QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 20000);
    QCOMPARE(alertMessage(), msg("unknowerror"));
    QVERIFY(!appState().alertFrame->isBusy());
    QCOMPARE(m_home->groupList()->count(), 0);
    QCOMPARE(m_home->channelList()->count(), 0);
    QCOMPARE(m_home->channelRecords().size(), killAfter == QLatin1String("login") ? 0 : 40);
    // Whatever else was under way fails by itself and leaves the page alone.
    QTRY_VERIFY_WITH_TIMEOUT(!m_home->requestsPending(), 20000);
    QTest::qWait(300);
    QVERIFY(!appState().alertFrame->isBusy());

    // Back on the same addresses, the next attempt loads the playlist.
    QVERIFY2(service.restart(), qPrintable(service.errorString()));
    dismissAlert();
    QSignalSpy shown(m_home.data(), &HomeWidget::groupsShown);
    m_home->reload();
    QVERIFY(shown.wait(30000));
    QVERIFY(m_home->groupList()->count() >= 5);
    QVERIFY(m_home->channelList()->count() > 0);
    QCOMPARE(m_home->channelRecords().size(), 40);
    QVERIFY(!appState().alertFrame->isBusy());
    QVERIFY(!alertShowing());
}

void TestServiceFaults::slowServiceTimesOut_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("slowMethod");
    addRow("sign-in", "sign-in", "login");
    addRow("device page, sign-in", "device", "login");
    addRow("device page, device list", "device", "get_devices");
    addRow("playlist page, playlists", "playlist", "get_playlists");
    addRow("channel browser, sign-in", "channels", "login");
    addRow("channel browser, channels", "channels", "get_channels");
    addRow("channel browser, groups", "channels", "get_groups");
}

void TestServiceFaults::slowServiceTimesOut() {
    QFETCH(QString, page);
    QFETCH(QString, slowMethod);
    FakeService service;
    QVERIFY(service.start());
    service.answerChannelLoad();
    // Far longer than this test waits for the alert: an alert can only come
    // from giving up on the answer, never from the answer itself.
    service.setDelay(slowMethod, 120000);
    setServiceConfig(service.config());
    NetworkManager::setTransferTimeout(300);

    // First attempt: the slow answer is given up on, the page leaves its
    // busy state with the failure alert and is ready for another attempt.
    QListWidget *list = nullptr;
    QPushButton *next = nullptr;
    if (page == QLatin1String("channels")) {
        StandInPages::signIn(5);
        QVERIFY(m_pages.openHome());
        m_home->start();
    } else {
        // Nothing stored: the window opens on the sign-in page.
        m_window.reset(new MainWindow);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
        if (page == QLatin1String("sign-in")) {
            LoginWidget *login = m_window->loginPage();
            child<QLineEdit>(login, "lineEdit_3")->setText(QStringLiteral("user@vantero.test"));
            child<QLineEdit>(login, "lineEdit_4")->setText(QStringLiteral("secret"));
            QTest::mouseClick(child<QPushButton>(login, "pushButton"), Qt::LeftButton);
        } else {
            StandInPages::signIn(5);
            QWidget *target = page == QLatin1String("device")
                                  ? static_cast<QWidget *>(m_window->devicePage())
                                  : static_cast<QWidget *>(m_window->playlistPage());
            m_window->stack()->setSpeed(0);
            m_window->stack()->slideInIdx(page == QLatin1String("device")
                                              ? MainWindow::DevicePage
                                              : MainWindow::PlaylistPage);
            list = child<QListWidget>(target, "listWidget");
            next = child<QPushButton>(target, "pushButton_2");
            if (page == QLatin1String("device"))
                m_window->afterSignIn();
            else
                m_window->loadPlaylistPage();
        }
    }
    QVERIFY(appState().alertFrame->isBusy());
    QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 10000);
    QCOMPARE(alertMessage(), msg("unknowerror"));
    QVERIFY(!appState().alertFrame->isBusy());
    QCOMPARE(service.count(slowMethod), 1);
    QVERIFY2(service.server().answeredCount() < service.server().requestCount(),
             "the page waited for the slow answer");

    // Second attempt, with a service that answers at once.
    service.setDelay(slowMethod, 0);
    dismissAlert();
    if (page == QLatin1String("sign-in")) {
        QVERIFY(!ScopedSettings::contains(QStringLiteral("info"), QStringLiteral("user_name")));
        QTest::mouseClick(child<QPushButton>(m_window->loginPage(), "pushButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(
            ScopedSettings::get(QStringLiteral("info"), QStringLiteral("user_name")).toString(),
            QStringLiteral("user@vantero.test"), 10000);
    } else if (page == QLatin1String("channels")) {
        QCOMPARE(m_home->groupList()->count(), 0);
        QSignalSpy shown(m_home.data(), &HomeWidget::groupsShown);
        m_home->reload();
        QVERIFY(shown.wait(10000));
        QCOMPARE(m_home->groupList()->count(), 1);
        QCOMPARE(m_home->channelList()->count(), 1);
    } else {
        // The next button has become a refresh button.
        QCOMPARE(next->styleSheet(), refreshStyle);
        QCOMPARE(list->count(), 0);
        QTest::mouseClick(next, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(list->count(), 1, 10000);
        QCOMPARE(next->styleSheet(), doneStyle);
    }
    // After a sign-in the device page loads its list under its own busy
    // state: the attempt is over once that has ended too.
    QVERIFY(waitIdle(10000));
    QVERIFY(!alertShowing());
}

void TestServiceFaults::certificateForAnotherHost_data() {
    QTest::addColumn<QString>("exchange");
    QTest::addColumn<bool>("rightHost");
    for (const char *exchange : {"service call", "version lookup", "logo download", "upload"}) {
        addRow(qPrintable(QStringLiteral("%1, wrong host").arg(QLatin1String(exchange))), exchange,
               false);
    }
    // The same trust path with a certificate for 127.0.0.1: the refusals
    // above are about the name alone.
    QTest::newRow("service call, right host") << "service call" << true;
    QTest::newRow("logo download, right host") << "logo download" << true;
}

void TestServiceFaults::certificateForAnotherHost() {
    QFETCH(QString, exchange);
    QFETCH(bool, rightHost);
    const SelfSignedCertificate certificate =
        rightHost ? SelfSignedCertificate()
                  : SelfSignedCertificate(QStringLiteral("wrong.example"),
                                          QStringLiteral("DNS:wrong.example"));
    QVERIFY2(certificate.isValid(), qPrintable(certificate.errorText()));
    FakeService service(certificate.certificateFile(), certificate.keyFile());
    QVERIFY(service.start());
    service.answerChannelLoad();
    service.setFile(QStringLiteral("/updinfo.php"),
                    R"({"MajorVersion":1,"MinorVersion":0,"Build":0})", "application/json");
    service.setFile(QStringLiteral("/logo.png"), imageBytes(4, 4), "image/png");
    // The certificate is trusted as an authority: only its name is wrong.
    setServiceConfig(service.config(certificate.certificateFile()));

    QWidget page;
    page.resize(420, 580);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    auto *overlay = new AlertFrame(&page);
    appState().alertFrame = overlay;
    overlay->showBusy(&page);

    QStringList events;
    JsonRpc rpc;
    connect(&rpc, &JsonRpc::done, this, [&](const QJsonValue &) { events << "done"; });
    connect(&rpc, &JsonRpc::error, this, [&](const QString &text) { events << "error:" + text; });
    // A logo fetcher that fails deletes itself.
    QPointer<LoadImageUrl> logo = new LoadImageUrl;
    connect(logo, &LoadImageUrl::GetImageDone, this,
            [&](int &, QString &path) { events << "logo:" + QFileInfo(path).fileName(); });
    QTemporaryDir uploadDir;
    UploadFile uploader;
    connect(&uploader, &UploadFile::uploadFinished, this,
            [&](QNetworkReply *) { events << "uploaded"; });

    if (exchange == QLatin1String("service call")) {
        rpc.getGroups(QStringLiteral("tok"));
    } else if (exchange == QLatin1String("version lookup")) {
        rpc.requestVersion();
    } else if (exchange == QLatin1String("logo download")) {
        logo->load(service.server().url(QStringLiteral("/logo.png")).toString(), 42);
    } else {
        const QString file = uploadDir.filePath(QStringLiteral("list.m3u"));
        QFile playlist(file);
        QVERIFY(playlist.open(QIODevice::WriteOnly));
        playlist.write("#EXTM3U\n");
        playlist.close();
        uploader.upload(QStringLiteral("hash"), file, QStringLiteral("Mine"));
    }

    if (rightHost) {
        QTRY_VERIFY_WITH_TIMEOUT(!events.isEmpty(), 10000);
        QCOMPARE(events.first(), exchange == QLatin1String("logo download")
                                     ? QStringLiteral("logo:42.png")
                                     : QStringLiteral("done"));
        QCOMPARE(service.server().requestCount(), 1);
        delete logo;
        return;
    }

    QTRY_VERIFY_WITH_TIMEOUT(!overlay->isBusy() || exchange == QLatin1String("logo download"),
                             10000);
    QTest::qWait(300);
    // The handshake fails: not one request reaches the server.
    QCOMPARE(service.server().requestCount(), 0);
    if (exchange == QLatin1String("logo download")) {
        // A logo that cannot be fetched is dropped without a word.
        QCOMPARE(events, QStringList());
        QTRY_VERIFY(logo.isNull());
        QVERIFY(overlay->isBusy());
        QVERIFY(!QFileInfo(LoadImageUrl::cacheDirectory() + QStringLiteral("/42.png")).size());
        return;
    }
    const QStringList expected = exchange == QLatin1String("upload")
                                     ? QStringList{QStringLiteral("uploaded")}
                                     : QStringList{QStringLiteral("error:unknowerror")};
    QCOMPARE(events, expected);
    QVERIFY(alertShowing());
    QCOMPARE(alertTitle(), msg("error"));
    QCOMPARE(alertMessage(), msg("unknowerror"));
    delete logo;
}

QTEST_MAIN(TestServiceFaults)
#include "tst_servicefaults.moc"
