// The sign-in page against the local development service.

#include "DevServiceProcess.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "TestSupport.h"

#include "account/LoginWidget.h"
#include "account/registrydevicewidget.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "service/JsonRpc.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

using namespace PageTestKit;

class TestLoginPage : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_settings.reset(new ScopedSettings);
        m_service.reset(new DevServiceProcess);
        QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
    }
    void cleanupTestCase() {
        m_service.reset();
        m_settings.reset();
    }
    void init() {
        ScopedSettings::clear();
        appState().reset();
        QVERIFY(MainModeKit::openWindow(m_window));
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));
        // The offline entry is built but never offered.
        QVERIFY(button("m_boffline") && !button("m_boffline")->isVisible());
    }
    void cleanup() { m_window.reset(); }

    void successStoresTypedTextsAndReleasesToken_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("plainName");
        QTest::newRow("e-mail") << QString::fromLatin1(DevServiceProcess::demoEmail) << false;
        // Not trimmed: the blank stays in what is stored.
        addRow("leading blank",
               QLatin1Char(' ') + QString::fromLatin1(DevServiceProcess::demoEmail), true);
        QTest::newRow("plain name") << QString::fromLatin1(DevServiceProcess::demoName) << true;
    }
    void successStoresTypedTextsAndReleasesToken() {
        QFETCH(QString, user);
        QFETCH(bool, plainName);
        ScopedSettings::set(QStringLiteral("info"), QStringLiteral("lang"),
                            QStringLiteral("lang_en"));
        DebugLog log;

        QTest::keyClicks(field("lineEdit_3"), user);
        QTest::keyClicks(field("lineEdit_4"), QString::fromLatin1(DevServiceProcess::demoPassword));
        QTest::mouseClick(button("pushButton"), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::DevicePage),
                                  15000);
        QCOMPARE(appState().userName, user);
        QCOMPARE(appState().password, QString::fromLatin1(DevServiceProcess::demoPassword));
        QCOMPARE(appState().plainNameSignIn, plainName);

        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        QCOMPARE(settings.value(SettingsKeys::userName).toString(), user);
        QCOMPARE(settings.value(SettingsKeys::userPassword).toString(),
                 QString::fromLatin1(DevServiceProcess::demoPassword));
        QStringList keys = settings.allKeys();
        keys.sort();
        QCOMPARE(keys, QStringList({QStringLiteral("lang"), QStringLiteral("user_name"),
                                    QStringLiteral("user_password")}));

        // The token of the sign-in is given back at once: the service no
        // longer knows it.
        const QString token = log.after(QStringLiteral("signed in, token "));
        QVERIFY(!token.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(serviceRejects(token), 10000);
        // ... and the device page signs in anew and lists the devices.
        auto *devices =
            m_window->devicePage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
        QTRY_COMPARE_WITH_TIMEOUT(devices->count(), 1, 10000);
    }

    void rejectedSignInKeepsFieldsAndAllowsRetry() {
        QTest::keyClicks(field("lineEdit_3"), QString::fromLatin1(DevServiceProcess::demoEmail));
        QTest::keyClicks(field("lineEdit_4"), QStringLiteral("wrong password"));
        QTest::mouseClick(button("pushButton"), Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 10000);
        QVERIFY(waitIdle());
        QCOMPARE(alertTitle(), msg("error"));
        QCOMPARE(alertMessage(), msg("alert2"));
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));
        QCOMPARE(field("lineEdit_3")->text(), QString::fromLatin1(DevServiceProcess::demoEmail));
        QCOMPARE(field("lineEdit_4")->text(), QStringLiteral("wrong password"));
        QVERIFY(!ScopedSettings::contains(QStringLiteral("info"), QStringLiteral("user_name")));
        QVERIFY(appState().userName.isEmpty());

        dismissAlert();
        field("lineEdit_4")->setText(QString::fromLatin1(DevServiceProcess::demoPassword));
        QTest::mouseClick(button("pushButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::DevicePage),
                                  15000);
        QCOMPARE(appState().userName, QString::fromLatin1(DevServiceProcess::demoEmail));
    }

    void returnSignsInKeypadEnterDoesNot_data() {
        QTest::addColumn<QString>("fieldName");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("signsIn");
        QTest::newRow("Return in name") << "lineEdit_3" << int(Qt::Key_Return) << true;
        QTest::newRow("Return in password") << "lineEdit_4" << int(Qt::Key_Return) << true;
        QTest::newRow("keypad Enter in name") << "lineEdit_3" << int(Qt::Key_Enter) << false;
        QTest::newRow("keypad Enter in password") << "lineEdit_4" << int(Qt::Key_Enter) << false;
    }
    void returnSignsInKeypadEnterDoesNot() {
        QFETCH(QString, fieldName);
        QFETCH(int, key);
        QFETCH(bool, signsIn);
        field("lineEdit_3")->setText(QString::fromLatin1(DevServiceProcess::demoEmail));
        field("lineEdit_4")->setText(QString::fromLatin1(DevServiceProcess::demoPassword));
        QLineEdit *target = field(fieldName.toLatin1().constData());
        target->setFocus();
        const Qt::KeyboardModifiers modifiers =
            key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier;
        QTest::keyClick(target, Qt::Key(key), modifiers);

        if (signsIn) {
            QVERIFY(appState().alertFrame->isBusy());
            QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(),
                                      int(MainWindow::DevicePage), 15000);
        } else {
            QVERIFY(!appState().alertFrame->isBusy());
            QTest::qWait(500);
            QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));
            QVERIFY(appState().userName.isEmpty());
        }
    }

private:
    QLineEdit *field(const char *name) const {
        return m_window->loginPage()->findChild<QLineEdit *>(QLatin1String(name));
    }
    QPushButton *button(const char *name) const {
        return m_window->loginPage()->findChild<QPushButton *>(QLatin1String(name));
    }
    bool serviceRejects(const QString &token) const {
        QString error;
        m_service->call(QStringLiteral("get_devices"),
                        {QString::fromLatin1(DevServiceProcess::demoPlatform), token}, &error);
        return !error.isEmpty() && error != QLatin1String("timeout");
    }

    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QScopedPointer<MainWindow> m_window;
};

QTEST_MAIN(TestLoginPage)
#include "tst_loginpage.moc"
