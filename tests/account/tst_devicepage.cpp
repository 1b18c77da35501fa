// The device registration page against the local development service.

#include "DevServiceProcess.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "TestSupport.h"

#include "account/registrydevicewidget.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "channels/ListItemDelegate.h"
#include "playlists/Playlistwidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"

#include <QGuiApplication>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

using namespace PageTestKit;

class TestDevicePage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_settings.reset(new ScopedSettings);
        m_service.reset(new DevServiceProcess);
        QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
        m_demoKey = m_service->demoDeviceKey();
        QVERIFY(!m_demoKey.isEmpty());
    }
    void cleanupTestCase() {
        m_service.reset();
        m_settings.reset();
    }
    void init() {
        ScopedSettings::clear();
        appState().reset();
        // One service for all cases: devices registered by one case stay.
        m_devicesBefore = serviceDevices().size();
        QVERIFY(m_devicesBefore >= 1);

        // Credentials stored, no device yet: the window opens at the device
        // page, which loads at once.
        appState().userName = QString::fromLatin1(DevServiceProcess::demoEmail);
        appState().password = QString::fromLatin1(DevServiceProcess::demoPassword);
        QVERIFY(MainModeKit::openWindow(m_window));
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::DevicePage));
        QTRY_COMPARE_WITH_TIMEOUT(list()->count(), m_devicesBefore, 15000);
        QVERIFY(waitIdle());
    }
    void cleanup() {
        m_window.reset();
        // Back to the running service, whatever a case pointed the client at.
        m_service->applyClientSettings();
    }

    void listsTheAccountsDevices() {
        QCOMPARE(rowTexts(list()).first(), QString::fromLatin1(DevServiceProcess::demoDevice));
        QCOMPARE(list()->item(0)->data(ListItemDelegate::TextRole).toString(),
                 QString::fromLatin1(DevServiceProcess::demoDevice));
        QCOMPARE(list()->item(0)->sizeHint().height(), 50);
        QVERIFY(qobject_cast<ListItemDelegate *>(list()->itemDelegate()));
        QCOMPARE(qobject_cast<ListItemDelegate *>(list()->itemDelegate())->mode, 1);
        QCOMPARE(nameField()->text(), QGuiApplication::platformName());
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/menu_done);"));
        // Every client of the load has answered and gone.
        QTRY_COMPARE(page()->findChildren<JsonRpc *>().size(), 0);
    }

    void clickingARowChoosesThatDevice() {
        clickRow(list(), 0);
        QCOMPARE(appState().deviceKey, m_demoKey);
        QCOMPARE(appState().deviceName, QString::fromLatin1(DevServiceProcess::demoDevice));
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
        // The playlist page starts loading with the chosen device.
        auto *playlists =
            m_window->playlistPage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
        QTRY_COMPARE_WITH_TIMEOUT(playlists->count(), 2, 15000);
    }

    void typedNameChoosesOrRegisters_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("registers");
        QTest::newRow("same name") << "Demo PC" << false;
        QTest::newRow("blanks around and inside") << "  Demo   PC " << false;
        QTest::newRow("tab and newline") << "\tDemo PC\n" << false;
        QTest::newRow("other letter case") << "demo pc" << true;
        QTest::newRow("new name with blanks") << " Living  Room " << true;
    }
    void typedNameChoosesOrRegisters() {
        QFETCH(QString, typed);
        QFETCH(bool, registers);
        nameField()->setText(typed);
        QTest::mouseClick(next(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage),
                                  15000);

        const QJsonArray onService = serviceDevices();
        if (!registers) {
            QCOMPARE(appState().deviceKey, m_demoKey);
            QCOMPARE(appState().deviceName, QString::fromLatin1(DevServiceProcess::demoDevice));
            QCOMPARE(onService.size(), m_devicesBefore);
            return;
        }
        // Registered exactly as typed, and that text is the current name.
        QCOMPARE(onService.size(), m_devicesBefore + 1);
        const QJsonObject added = onService.last().toObject();
        QCOMPARE(added.value(QStringLiteral("name")).toString(), typed);
        QCOMPARE(appState().deviceName, typed);
        QCOMPARE(appState().deviceKey, added.value(QStringLiteral("key")).toString());
        QVERIFY(!appState().deviceKey.isEmpty());
        // The new device is a row of the list, painted like the others.
        QCOMPARE(list()->count(), m_devicesBefore + 1);
        QCOMPARE(list()->item(m_devicesBefore)->data(ListItemDelegate::TextRole).toString(), typed);
    }

    void blankNameAsksForOne_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("tab") << "\t";
    }
    void blankNameAsksForOne() {
        QFETCH(QString, typed);
        nameField()->setText(typed);
        QTest::mouseClick(next(), Qt::LeftButton);
        QVERIFY(alertShowing());
        QCOMPARE(alertTitle(), msg("error"));
        QCOMPARE(alertMessage(), msg("alert7"));
        QTest::qWait(300);
        QCOMPARE(page()->findChildren<JsonRpc *>().size(), 0);
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::DevicePage));
        QCOMPARE(serviceDevices().size(), m_devicesBefore);
        QCOMPARE(nameField()->text(), typed);
    }

    void refreshAfterConnectionFailure() {
        // Nobody listens on port 1: the connection is refused.
        ServiceConfig dead = serviceConfig();
        dead.apiUrl.setPort(1);
        setServiceConfig(dead);
        m_window->devicePage()->loadDevices();
        QTRY_COMPARE_WITH_TIMEOUT(next()->styleSheet(),
                                  QStringLiteral("border-image: url(:/btn_refresh);"), 15000);
        // The transport has told the user.
        QVERIFY(alertShowing());
        QCOMPARE(alertMessage(), msg("unknowerror"));
        QCOMPARE(list()->count(), 0);

        // Next now reloads instead of registering the typed name.
        m_service->applyClientSettings();
        dismissAlert();
        nameField()->setText(QStringLiteral("Should not be registered"));
        QTest::mouseClick(next(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(list()->count(), m_devicesBefore, 15000);
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/menu_done);"));
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::DevicePage));
        QCOMPARE(nameField()->text(), QGuiApplication::platformName());
        QCOMPARE(serviceDevices().size(), m_devicesBefore);
    }

    void serviceErrorShowsAlert2() {
        // A password changed elsewhere: the page's own sign-in is refused.
        appState().password = QStringLiteral("changed elsewhere");
        m_window->devicePage()->loadDevices();
        QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 15000);
        QVERIFY(waitIdle());
        QCOMPARE(alertMessage(), msg("alert2"));
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/menu_done);"));
    }

    void backSignsOut() {
        AppState &state = appState();
        state.deviceKey = m_demoKey;
        state.deviceName = QStringLiteral("Demo PC");
        state.playlistId = 7;
        state.playlistName = QStringLiteral("Vantero TV");
        state.plainNameSignIn = true;
        const QString info = QStringLiteral("info");
        ScopedSettings::set(info, QStringLiteral("user_name"), state.userName);
        ScopedSettings::set(info, QStringLiteral("user_password"), state.password);
        ScopedSettings::set(info, QStringLiteral("device_key"), m_demoKey);
        ScopedSettings::set(info, QStringLiteral("device_name"), QStringLiteral("Demo PC"));
        ScopedSettings::set(info, QStringLiteral("playlist_id"), 7);
        ScopedSettings::set(info, QStringLiteral("playlist_name"), QStringLiteral("Vantero TV"));

        QTest::mouseClick(page()->findChild<QPushButton *>(QStringLiteral("pushButton_back")),
                          Qt::LeftButton);
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));
        QVERIFY(state.userName.isEmpty());
        QVERIFY(state.password.isEmpty());
        QVERIFY(state.deviceKey.isEmpty());
        QVERIFY(state.deviceName.isEmpty());
        QVERIFY(state.playlistName.isEmpty());
        QCOMPARE(state.playlistId, 0);
        QVERIFY(!state.plainNameSignIn);
        for (const char *key :
             {"user_name", "user_password", "device_key", "device_name", "playlist_name"}) {
            QVERIFY2(ScopedSettings::contains(info, QLatin1String(key)), key);
            QCOMPARE(ScopedSettings::get(info, QLatin1String(key)).toString(), QString());
        }
        QCOMPARE(ScopedSettings::get(info, QStringLiteral("playlist_id")).toInt(), 0);
    }

private:
    registrydevicewidget *page() const { return m_window->devicePage(); }
    QListWidget *list() const {
        return page()->findChild<QListWidget *>(QStringLiteral("listWidget"));
    }
    QLineEdit *nameField() const {
        return page()->findChild<QLineEdit *>(QStringLiteral("lineEdit_newdevice"));
    }
    QPushButton *next() const {
        return page()->findChild<QPushButton *>(QStringLiteral("pushButton_2"));
    }
    QJsonArray serviceDevices() const {
        const QString token =
            m_service->login(QString::fromLatin1(DevServiceProcess::demoEmail),
                             QString::fromLatin1(DevServiceProcess::demoPassword));
        return m_service
            ->call(QStringLiteral("get_devices"),
                   {QString::fromLatin1(DevServiceProcess::demoPlatform), token})
            .toArray();
    }

    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QScopedPointer<MainWindow> m_window;
    QString m_demoKey;
    int m_devicesBefore = 0;
};

QTEST_MAIN(TestDevicePage)
#include "tst_devicepage.moc"
