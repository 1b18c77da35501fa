// The parental password pages of the settings dialog against the local
// development service: setting, changing and resetting the password, and
// the two ways private channels ask for it (playing one, toggling the mark).

#include "SettingsTestKit.h"

#include "app/Messages.h"
#include "channels/PlayListToolBar.h"
#include "player/PlayerWidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "settings/ForgotParentPaswordWidget.h"
#include "settings/ParentWidget.h"
#include "settings/SettingsWidget.h"
#include "widgets/AlertFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>

using namespace PageTestKit;
using namespace SettingsTestKit;

namespace {

QString field(QWidget *page, const char *name) {
    return child<QLineEdit>(page, name)->text();
}

void type(QWidget *page, const char *name, const QString &text) {
    child<QLineEdit>(page, name)->setText(text);
}

void clickDone(QWidget *page) {
    QTest::mouseClick(child<QPushButton>(page, "pushButton_2"), Qt::LeftButton);
}

} // namespace

class TestParentalPassword : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(m_demo.start(), qPrintable(m_service->errorString()));
        QCOMPARE(ParentWidget::optionKey(), parentKey());
    }
    void cleanupTestCase() { m_demo.stop(); }
    void init() {
        m_demo.begin();
        QVERIFY(setDeviceOption(*m_service, m_deviceKey, parentKey(), QString()));
        QVERIFY(setDeviceOption(*m_service, m_deviceKey, privateKey(), QStringLiteral("[]")));
        m_demo.storeSignedIn();
    }
    void cleanup() {
        DemoSession::end(m_window);
        JsonRpc::setOnlineCheck(nullptr);
    }

    // What each mode shows, on a fresh page and after unlock mode handed
    // over to a first password (the reset path).
    void modeLayout_data() {
        QTest::addColumn<QList<int>>("modes");
        QTest::addColumn<bool>("second");
        QTest::addColumn<bool>("third");
        QTest::addColumn<bool>("forgot");
        QTest::addColumn<int>("forgotTop");
        QTest::addColumn<QString>("back");
        QTest::addColumn<QStringList>("placeholders"); // message keys
        const QString menuBack = QStringLiteral("border-image: url(:/menu_back);");
        const QString close = QStringLiteral("border-image: url(:/btn_close);");
        addRow("first", QList<int>{1}, true, false, false, 320, menuBack,
               QStringList{"newpassword", "confirmpassword"});
        addRow("change", QList<int>{2}, true, true, true, 320, menuBack,
               QStringList{"currentpassword", "newpassword", "confirmpassword"});
        addRow("unlock", QList<int>{3}, false, false, true, 170, close, QStringList{"password"});
        addRow("unlock, then first", QList<int>{3, 1}, true, false, false, 170, menuBack,
               QStringList{"newpassword", "confirmpassword"});
    }
    void modeLayout() {
        QFETCH(QList<int>, modes);
        QFETCH(bool, second);
        QFETCH(bool, third);
        QFETCH(bool, forgot);
        QFETCH(int, forgotTop);
        QFETCH(QString, back);
        QFETCH(QStringList, placeholders);
        openWindow();
        QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
        QVERIFY(dialog);
        ParentWidget *page = dialog->parentPage();
        QCOMPARE(page->objectName(), QStringLiteral("ParentWidget"));
        QCOMPARE(child<QLabel>(page, "label_title")->text(), msg("privatepassword"));
        QCOMPARE(child<QPushButton>(page, "button_forgot")->text(), msg("forgot"));
        for (int mode : modes) {
            type(page, "lineEdit_1", QStringLiteral("left over"));
            type(page, "lineEdit_2", QStringLiteral("left over"));
            page->setMode(mode, true);
        }
        dialog->showParentPage();
        QVERIFY(settlesOn(dialog.data(), 4));
        QCOMPARE(page->mode, modes.last());
        QVERIFY(child<QWidget>(page, "frame_2")->isVisible());
        QCOMPARE(child<QWidget>(page, "frame_3")->isVisible(), second);
        QCOMPARE(child<QWidget>(page, "frame_4")->isVisible(), third);
        QCOMPARE(child<QWidget>(page, "button_forgot")->isVisible(), forgot);
        QCOMPARE(child<QWidget>(page, "button_forgot")->geometry(), QRect(140, forgotTop, 141, 21));
        QCOMPARE(child<QWidget>(page, "pushButton_back")->styleSheet(), back);
        const char *edits[] = {"lineEdit_1", "lineEdit_2", "lineEdit_3"};
        for (int i = 0; i < placeholders.size(); ++i) {
            QCOMPARE(child<QLineEdit>(page, edits[i])->placeholderText(),
                     msg(placeholders.at(i).toLatin1().constData()));
            QVERIFY(field(page, edits[i]).isEmpty());
            QCOMPARE(child<QLineEdit>(page, edits[i])->echoMode(), QLineEdit::Password);
        }
    }

    // Empty fields, a wrong password and a mismatch are refused with an
    // alert inside the dialog; nothing is sent and the text stays.
    void refusedInput_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("known");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("alert");
        QTest::addColumn<QString>("focused");
        const QString none;
        addRow("first: new empty", 1, none, QStringList{"", "1234", ""}, "alert1", "lineEdit_1");
        addRow("first: confirmation empty", 1, none, QStringList{"1234", "", ""}, "alert1",
               "lineEdit_2");
        addRow("first: confirmation differs", 1, none, QStringList{"1234", "1243", ""}, "alert4",
               "");
        addRow("change: current empty", 2, "1111", QStringList{"", "2222", "2222"}, "alert1",
               "lineEdit_1");
        addRow("change: new empty", 2, "1111", QStringList{"1111", "", "2222"}, "alert1",
               "lineEdit_2");
        addRow("change: confirmation empty", 2, "1111", QStringList{"1111", "2222", ""}, "alert1",
               "lineEdit_3");
        addRow("change: current wrong", 2, "1111", QStringList{"1112", "2222", "2222"}, "alert3",
               "");
        addRow("change: confirmation differs", 2, "1111", QStringList{"1111", "2222", "2223"},
               "alert4", "");
        addRow("unlock: empty", 3, "1111", QStringList{"", "", ""}, "alert1", "lineEdit_1");
        addRow("unlock: wrong", 3, "1111", QStringList{"1112", "", ""}, "alert3", "lineEdit_1");
        addRow("unlock: none set yet", 3, none, QStringList{"1111", "", ""}, "alert3",
               "lineEdit_1");
    }
    void refusedInput() {
        QFETCH(int, mode);
        QFETCH(QString, known);
        QFETCH(QStringList, typed);
        QFETCH(QString, alert);
        QFETCH(QString, focused);
        openWindow();
        appState().parentPassword = known;
        QPointer<DialogMainSettings> dialog = openDialog(mode == 3, false);
        QVERIFY(dialog);
        ParentWidget *page = dialog->parentPage();
        if (mode != 3) {
            page->setMode(mode, false);
            dialog->showParentPage();
            QVERIFY(settlesOn(dialog, 4));
        }
        type(page, "lineEdit_1", typed.at(0));
        type(page, "lineEdit_2", typed.at(1));
        type(page, "lineEdit_3", typed.at(2));
        clickDone(page);

        QVERIFY(alertShowing());
        QCOMPARE(alertTitle(), msg("error"));
        QCOMPARE(alertMessage(), msg(alert.toLatin1().constData()));
        QCOMPARE(appState().alertFrame->window(), dialog.data());
        QVERIFY(!appState().alertFrame->isBusy());
        // The window's own focus: other tests' windows on the same display
        // may hold the application's.
        if (!focused.isEmpty())
            QCOMPARE(page->window()->focusWidget(),
                     child<QWidget>(page, focused.toLatin1().constData()));
        QCOMPARE(field(page, "lineEdit_1"), typed.at(0));
        QCOMPARE(field(page, "lineEdit_2"), typed.at(1));
        QCOMPARE(field(page, "lineEdit_3"), typed.at(2));
        QVERIFY(page->findChildren<JsonRpc *>().isEmpty());
        QTest::qWait(100);
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QCOMPARE(appState().parentPassword, known);
        QCOMPARE(deviceOption(*m_service, m_deviceKey, parentKey()), QString());
        QVERIFY(!m_window->homeWidget()->player()->isPlaying());
    }

    // A good first password or change is written to the service, becomes
    // the known password, and the dialog closes.
    void savesTheNewPassword_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("known");
        QTest::addColumn<QStringList>("typed");
        QTest::newRow("first") << 1 << QString() << QStringList{"2468", "2468", ""};
        QTest::newRow("change") << 2 << "1111" << QStringList{"1111", "2468", "2468"};
    }
    void savesTheNewPassword() {
        QFETCH(int, mode);
        QFETCH(QString, known);
        QFETCH(QStringList, typed);
        if (!known.isEmpty())
            QVERIFY(setDeviceOption(*m_service, m_deviceKey, parentKey(), known));
        openWindow();
        QTRY_COMPARE(appState().parentPassword, known);
        QPointer<DialogMainSettings> dialog = openDialog(false, false);
        QVERIFY(dialog);
        clickRow(child<QListWidget>(dialog->menuPage(), "listWidget"), 2);
        QVERIFY(settlesOn(dialog, 4));
        ParentWidget *page = dialog->parentPage();
        QCOMPARE(page->mode, mode);
        type(page, "lineEdit_1", typed.at(0));
        type(page, "lineEdit_2", typed.at(1));
        type(page, "lineEdit_3", typed.at(2));
        clickDone(page);
        // Busy inside the dialog while the service works.
        QVERIFY(appState().alertFrame->isBusy());
        QCOMPARE(appState().alertFrame->window(), dialog.data());

        QTRY_VERIFY(!dialog);
        QCOMPARE(appState().parentPassword, QStringLiteral("2468"));
        QCOMPARE(deviceOption(*m_service, m_deviceKey, parentKey()), QStringLiteral("2468"));
        QVERIFY(!appState().alertFrame->isBusy());
        QCOMPARE(appState().alertFrame->parentWidget(), m_window.data());
    }

    // A refused sign-in ends the busy state with "alert2" and keeps the old
    // password.
    void refusedSignIn() {
        openWindow();
        appState().password = QStringLiteral("not the password");
        QPointer<DialogMainSettings> dialog = openDialog(false, false);
        QVERIFY(dialog);
        dialog->parentPage()->setMode(1, false);
        dialog->showParentPage();
        QVERIFY(settlesOn(dialog, 4));
        type(dialog->parentPage(), "lineEdit_1", QStringLiteral("2468"));
        type(dialog->parentPage(), "lineEdit_2", QStringLiteral("2468"));
        clickDone(dialog->parentPage());
        QTRY_VERIFY(alertShowing());
        QCOMPARE(alertMessage(), msg("alert2"));
        QVERIFY(!appState().alertFrame->isBusy());
        QCOMPARE(appState().alertFrame->window(), dialog.data());
        QVERIFY(dialog);
        QVERIFY(appState().parentPassword.isEmpty());
        QCOMPARE(deviceOption(*m_service, m_deviceKey, parentKey()), QString());
    }

    // With the service out of reach the page does not stay busy: the user
    // can try again, and succeeds once the service is back.
    void unreachableServiceLetsTheUserRetry_data() {
        QTest::addColumn<bool>("offline");
        QTest::addColumn<QString>("failure");
        QTest::newRow("connection refused") << false << "unknowerror";
        QTest::newRow("no network") << true << "nointernet";
    }
    void unreachableServiceLetsTheUserRetry() {
        QFETCH(bool, offline);
        QFETCH(QString, failure);
        openWindow();
        QPointer<DialogMainSettings> dialog = openDialog(false, false);
        QVERIFY(dialog);
        ParentWidget *page = dialog->parentPage();
        page->setMode(1, false);
        dialog->showParentPage();
        QVERIFY(settlesOn(dialog, 4));

        if (offline) {
            JsonRpc::setOnlineCheck([] { return false; });
        } else {
            ServiceConfig config = serviceConfig();
            QUrl api = config.apiUrl;
            api.setPort(closedPort());
            config.apiUrl = api;
            setServiceConfig(config);
        }
        type(page, "lineEdit_1", QStringLiteral("2468"));
        type(page, "lineEdit_2", QStringLiteral("2468"));
        clickDone(page);
        QTRY_VERIFY(!appState().alertFrame->isBusy());
        // The service client's own failure alert, not the page's.
        QTRY_VERIFY(alertShowing());
        QCOMPARE(alertMessage(), msg(failure.toLatin1().constData()));
        QCOMPARE(appState().alertFrame->window(), dialog.data());
        QTest::qWait(100);
        QVERIFY(dialog);
        QVERIFY(appState().parentPassword.isEmpty());
        dismissAlert();

        JsonRpc::setOnlineCheck(nullptr);
        m_service->applyClientSettings();
        clickDone(page);
        QTRY_VERIFY(!dialog);
        QCOMPARE(deviceOption(*m_service, m_deviceKey, parentKey()), QStringLiteral("2468"));
        QCOMPARE(appState().parentPassword, QStringLiteral("2468"));
    }

    // The reset page takes the account password only, and then the parental
    // page asks for a new password without the old one.
    void resetWithTheAccountPassword_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("alert");
        addRow("empty", "", "alert1");
        addRow("the parental password", "1111", "alert3");
        addRow("the account password", QString::fromLatin1(DevServiceProcess::demoPassword), "");
    }
    void resetWithTheAccountPassword() {
        QFETCH(QString, typed);
        QFETCH(QString, alert);
        QVERIFY(setDeviceOption(*m_service, m_deviceKey, parentKey(), QStringLiteral("1111")));
        openWindow();
        QTRY_COMPARE(appState().parentPassword, QStringLiteral("1111"));
        QPointer<DialogMainSettings> dialog = openDialog(true, true);
        QVERIFY(dialog);
        QVERIFY(settlesOn(dialog, 4));
        QTest::mouseClick(child<QPushButton>(dialog->parentPage(), "button_forgot"),
                          Qt::LeftButton);
        QVERIFY(settlesOn(dialog, 5));
        QCOMPARE(dialog->stack()->verticalMode(), true);
        QCOMPARE(dialog->stack()->animation(), QEasingCurve::OutQuart);
        ForgotParentPaswordWidget *reset = dialog->resetPage();
        QCOMPARE(child<QLabel>(reset, "label_title")->text(), msg("forgot"));
        QCOMPARE(child<QLabel>(reset, "label_text")->text(),
                 msg("alert21") + QStringLiteral(" \"") + email() + QLatin1Char('"'));
        QCOMPARE(child<QLineEdit>(reset, "lineEdit_1")->placeholderText(), msg("password"));
        type(reset, "lineEdit_1", typed);
        clickDone(reset);

        if (!alert.isEmpty()) {
            QVERIFY(alertShowing());
            QCOMPARE(alertMessage(), msg(alert.toLatin1().constData()));
            QCOMPARE(appState().alertFrame->window(), dialog.data());
            QCOMPARE(reset->window()->focusWidget(), child<QWidget>(reset, "lineEdit_1"));
            QCOMPARE(dialog->stack()->currentIndex(), 5);
            QCOMPARE(dialog->parentPage()->mode, 3);
            dismissAlert();
            // Back returns to the parental page as it was.
            QTest::mouseClick(child<QPushButton>(reset, "pushButton_back"), Qt::LeftButton);
            QVERIFY(settlesOn(dialog, 4));
            QCOMPARE(dialog->stack()->verticalMode(), true);
            QCOMPARE(dialog->parentPage()->mode, 3);
            return;
        }

        QVERIFY(settlesOn(dialog, 4));
        ParentWidget *page = dialog->parentPage();
        QCOMPARE(page->mode, 1);
        QCOMPARE(page->playAfterUnlock, false);
        QVERIFY(!child<QWidget>(page, "frame_4")->isVisible());
        type(page, "lineEdit_1", QStringLiteral("9753"));
        type(page, "lineEdit_2", QStringLiteral("9753"));
        clickDone(page);
        QTRY_VERIFY(!dialog);
        QCOMPARE(deviceOption(*m_service, m_deviceKey, parentKey()), QStringLiteral("9753"));
        QCOMPARE(appState().parentPassword, QStringLiteral("9753"));
    }

    // A double-click on an adult or private channel asks for the password;
    // the right one plays the channel, a wrong one or back does not.
    void privateChannelPlaysAfterThePassword_data() {
        QTest::addColumn<QString>("group");
        QTest::addColumn<QString>("channel");
        QTest::addColumn<bool>("markPrivate");
        QTest::addColumn<QString>("ending");
        addRow("adult, right password", "Movies", "Late Night", false, "right");
        addRow("private, right password", "Kids", "Junior", true, "right");
        addRow("adult, back", "Movies", "Midnight Club", false, "back");
    }
    void privateChannelPlaysAfterThePassword() {
        QFETCH(QString, group);
        QFETCH(QString, channel);
        QFETCH(bool, markPrivate);
        QFETCH(QString, ending);
        QVERIFY(setDeviceOption(*m_service, m_deviceKey, parentKey(), QStringLiteral("1111")));
        const QJsonObject record = channelRecord(channel);
        QVERIFY(!record.isEmpty());
        if (markPrivate) {
            QVERIFY(setDeviceOption(
                *m_service, m_deviceKey, privateKey(),
                QStringLiteral("[%1]").arg(record.value(QStringLiteral("id")).toInt())));
        }
        openWindow();
        QTRY_COMPARE(appState().parentPassword, QStringLiteral("1111"));
        HomeWidget *home = m_window->homeWidget();
        QListWidget *list = showChannel(group, channel);
        QVERIFY(list);
        const QRect rect = list->visualItemRect(list->currentItem());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());

        QTRY_VERIFY(appState().settingsDialog);
        QPointer<DialogMainSettings> dialog = appState().settingsDialog.data();
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QVERIFY(dialog->isModal());
        QVERIFY(settlesOn(dialog, 4));
        ParentWidget *page = dialog->parentPage();
        QCOMPARE(page->mode, 3);
        QCOMPARE(page->playAfterUnlock, true);
        const QString href = record.value(QStringLiteral("href")).toString();
        QVERIFY(home->player()->currentUrl() != href);

        if (ending == QLatin1String("back")) {
            QTest::mouseClick(child<QPushButton>(page, "pushButton_back"), Qt::LeftButton);
            QTRY_VERIFY(!dialog);
            QTest::qWait(200);
            QVERIFY(home->player()->currentUrl() != href);
            return;
        }
        type(page, "lineEdit_1", QStringLiteral("1112"));
        clickDone(page);
        QVERIFY(alertShowing());
        QCOMPARE(alertMessage(), msg("alert3"));
        QVERIFY(dialog);
        QVERIFY(home->player()->currentUrl() != href);
        dismissAlert();

        type(page, "lineEdit_1", QStringLiteral("1111"));
        clickDone(page);
        QTRY_VERIFY(!dialog);
        QCOMPARE(home->player()->currentUrl(), href);
        QTRY_VERIFY_WITH_TIMEOUT(home->player()->isPlaying(), 20000);
    }

    // The private toggle asks for the password first; after the right one
    // the mark is stored on the service and the dialog closes.
    void privateToggleAsksForThePassword() {
        QVERIFY(setDeviceOption(*m_service, m_deviceKey, parentKey(), QStringLiteral("1111")));
        const QJsonObject record = channelRecord(QStringLiteral("Cartoon Time"));
        QVERIFY(!record.isEmpty());
        openWindow();
        QTRY_COMPARE(appState().parentPassword, QStringLiteral("1111"));
        HomeWidget *home = m_window->homeWidget();
        QVERIFY(showChannel(QStringLiteral("Kids"), QStringLiteral("Cartoon Time")));
        PlayListToolBar *bar = home->playListToolBar();
        QVERIFY(!bar->privateMark());
        QTest::mouseClick(child<QPushButton>(bar, "private_button"), Qt::LeftButton);

        QTRY_VERIFY(appState().settingsDialog);
        QPointer<DialogMainSettings> dialog = appState().settingsDialog.data();
        QVERIFY(settlesOn(dialog, 4));
        ParentWidget *page = dialog->parentPage();
        QCOMPARE(page->mode, 3);
        QCOMPARE(page->playAfterUnlock, false);

        type(page, "lineEdit_1", QStringLiteral("0000"));
        clickDone(page);
        QVERIFY(alertShowing());
        QCOMPARE(alertMessage(), msg("alert3"));
        QTest::qWait(200);
        QCOMPARE(deviceOption(*m_service, m_deviceKey, privateKey()), QStringLiteral("[]"));
        dismissAlert();

        type(page, "lineEdit_1", QStringLiteral("1111"));
        clickDone(page);
        QTRY_VERIFY(!dialog);
        QCOMPARE(deviceOption(*m_service, m_deviceKey, privateKey()),
                 QStringLiteral("[%1]").arg(record.value(QStringLiteral("id")).toInt()));
        QVERIFY(bar->privateMark());
        QVERIFY(waitIdle());
    }

private:
    QString privateKey() const {
        return QStringLiteral("%1_priv_%2").arg(QGuiApplication::platformName()).arg(m_playlistId);
    }

    void openWindow() {
        m_window.reset(openMainMode());
        QVERIFY(m_window);
    }

    // A port of 127.0.0.1 where nothing listens.
    static quint16 closedPort() {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        return server.serverPort();
    }

    // The service's record of a channel of the test playlist.
    QJsonObject channelRecord(const QString &title) const {
        const QString token = m_service->login(email(), password(), m_deviceKey);
        const QJsonArray channels =
            m_service->call(QStringLiteral("get_channels"), QJsonArray{token, m_playlistId})
                .toArray();
        for (const QJsonValue &value : channels) {
            if (value.toObject().value(QStringLiteral("title")).toString() == title)
                return value.toObject();
        }
        return {};
    }

    // Shows a group and makes a channel of it the current row, by clicks.
    QListWidget *showChannel(const QString &group, const QString &channel) {
        HomeWidget *home = m_window->homeWidget();
        const int groupRow = rowOf(home->groupList(), group);
        if (groupRow < 0)
            return nullptr;
        clickRow(home->groupList(), groupRow);
        QListWidget *list = home->channelList();
        if (!QTest::qWaitFor([&] { return rowOf(list, channel) >= 0; }, 5000))
            return nullptr;
        clickRow(list, rowOf(list, channel));
        return list->currentRow() == rowOf(list, channel) ? list : nullptr;
    }

    DemoSession m_demo;
    QScopedPointer<DevServiceProcess> &m_service = m_demo.service;
    const QString &m_deviceKey = m_demo.deviceKey;
    const int &m_playlistId = m_demo.playlistId;
    QScopedPointer<MainWindow> m_window;
};

QTEST_MAIN(TestParentalPassword)
#include "tst_parentalpassword.moc"
