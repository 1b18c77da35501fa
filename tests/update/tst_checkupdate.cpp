#include "TestRows.h"
#include "TestSupport.h"

#include "LocalHttpServer.h"
#include "RawHttpServer.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/Startup.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "update/CheckUpdate.h"
#include "update/UpdaterFiles.h"
#include "update/VersionInfoDialog.h"
#include "widgets/AlertFrame.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QFrame>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QSignalSpy>
#include <QTextBrowser>
#include <QtTest>

namespace {

QJsonValue versionReply(int major, int minor, int build) {
    return QJsonObject{{"MajorVersion", major}, {"MinorVersion", minor}, {"Build", build}};
}

void writeFile(const QString &path, const QByteArray &content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QByteArray readFile(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool alertOnShow() {
    const AlertFrame *overlay = appState().alertFrame;
    const auto *panel =
        overlay ? overlay->findChild<QFrame *>(QStringLiteral("frame_top")) : nullptr;
    return overlay && overlay->isVisible() && panel && panel->isVisible();
}

QString alertText() {
    const AlertFrame *overlay = appState().alertFrame;
    const auto *label =
        overlay ? overlay->findChild<QLabel *>(QStringLiteral("label_error")) : nullptr;
    return label ? label->text() : QString();
}

VersionInfoDialog *openVersionDialog() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *dialog = qobject_cast<VersionInfoDialog *>(w); dialog && dialog->isVisible())
            return dialog;
    return nullptr;
}

} // namespace

class TestCheckUpdate : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_settings.reset(new ScopedSettings);
        m_dir.reset(new QTemporaryDir);
        UpdaterFiles::setDirectory(m_dir->path());
        QCoreApplication::setApplicationVersion(QStringLiteral("1.1.0"));
    }
    void cleanup() {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (qobject_cast<VersionInfoDialog *>(w))
                delete w;
        UpdaterFiles::setDirectory(QString());
        m_dir.reset();
        m_settings.reset();
    }

    void versionComparison_data() {
        QTest::addColumn<QJsonValue>("reply");
        QTest::addColumn<bool>("newer");
        QTest::newRow("same") << versionReply(1, 1, 0) << false;
        QTest::newRow("minor up") << versionReply(1, 2, 0) << true;
        QTest::newRow("major up") << versionReply(2, 0, 0) << true;
        QTest::newRow("1.10.0 sorts after as text") << versionReply(1, 10, 0) << true;
        QTest::newRow("10.0.0") << versionReply(10, 0, 0) << true;
        QTest::newRow("1.1.10 sorts after as text") << versionReply(1, 1, 10) << true;
        QTest::newRow("1.0.9") << versionReply(1, 0, 9) << false;
        QTest::newRow("empty object is 0.0.0") << QJsonValue(QJsonObject()) << false;
        QTest::newRow("not an object") << QJsonValue(QStringLiteral("2.0.0")) << false;
        addRow("members of the wrong type",
               QJsonValue(QJsonObject{{"MajorVersion", "9"}, {"MinorVersion", true}}), false);
    }
    void versionComparison() {
        QFETCH(QJsonValue, reply);
        QFETCH(bool, newer);
        QCOMPARE(CheckUpdate::isNewer(QStringLiteral("1.1.0"), CheckUpdate::offeredVersion(reply)),
                 newer);
    }

    void newerVersionHandsOverAndQuits() {
        // The stand-in updater records its arguments beside itself.
        const QString standIn = QCoreApplication::applicationDirPath() + "/Updater.exe";
        QVERIFY(QFile::copy(standIn, UpdaterFiles::updaterPath()));
        QFile::setPermissions(UpdaterFiles::updaterPath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MainWindow window;
        window.hide();
        CheckUpdate checker;
        QEventLoop loop;
        QTimer::singleShot(0, &checker,
                           [&] { checker.GetCheckNewFersionDone(versionReply(1, 2, 0)); });
        QTimer::singleShot(5000, &loop, [&] { loop.exit(42); });
        QCOMPARE(loop.exec(), 0); // the application was asked to quit

        const QString log = m_dir->path() + "/updater-starts.log";
        QTRY_VERIFY(QFile::exists(log));
        QTRY_COMPARE(readFile(log), QByteArray("-style motif\n"));
        QVERIFY(!window.isVisible());
    }

    void sameVersionShowsWindowAndDoesHousekeeping() {
        appState().language = QStringLiteral("lang_en");
        writeFile(UpdaterFiles::newUpdateMarkerPath(), "x");
        writeFile(UpdaterFiles::updaterPath(), "old updater");
        writeFile(UpdaterFiles::replacementUpdaterPath(), "new updater");
        MainWindow window;
        window.hide();
        CheckUpdate checker;
        checker.GetCheckNewFersionDone(versionReply(1, 1, 0));
        QVERIFY(window.isVisible());

        QVERIFY(!QFile::exists(UpdaterFiles::newUpdateMarkerPath()));
        QVERIFY(!QFile::exists(UpdaterFiles::replacementUpdaterPath()));
        QCOMPARE(readFile(UpdaterFiles::updaterPath()), QByteArray("new updater"));

        VersionInfoDialog *dialog = openVersionDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->size(), QSize(280, 260));
        QCOMPARE(dialog->findChild<QLabel *>("label_version")->text(),
                 QStringLiteral("New Version 1.1.0"));
        QCOMPARE(dialog->findChild<QTextBrowser *>("textBrowser")->toPlainText(),
                 QStringLiteral("- Minor bug fixes\n- General improvements"));
    }

    void failureBeforeTheWindowExistsShowsItOnceCreated() {
        CheckUpdate checker;
        checker.rpcError(QStringLiteral("nointernet")); // offline: fails at once
        MainWindow window;
        window.hide();
        checker.mainWindowCreated();
        QVERIFY(window.isVisible());
    }

    void lookupOutcomes_data() {
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("shown");
        addRow("same version", 200, QByteArray(R"({"MajorVersion":1,"MinorVersion":1,"Build":0})"),
               true);
        QTest::newRow("not JSON") << 200 << QByteArray("<html>maintenance</html>") << true;
        QTest::newRow("empty array") << 200 << QByteArray("[]") << true;
        QTest::newRow("server error") << 500 << QByteArray() << true;
        // No updater beside the program to hand over to: it runs on.
        addRow("newer version, no updater", 200,
               QByteArray(R"({"MajorVersion":1,"MinorVersion":2,"Build":0})"), true);
    }
    void lookupOutcomes() {
        QFETCH(int, status);
        QFETCH(QByteArray, body);
        QFETCH(bool, shown);
        LocalHttpServer server;
        QVERIFY(server.start());
        server.respond({status, body, "application/json", 0});
        ServiceConfig config = ServiceConfig::defaults();
        config.webUrl = server.url(QStringLiteral("/"));
        setServiceConfig(config);

        MainWindow window;
        window.hide();
        JsonRpc lookup;
        CheckUpdate checker;
        Startup::startVersionCheck(lookup, checker);
        checker.mainWindowCreated();
        QTRY_COMPARE(server.requestCount(), 1);
        QCOMPARE(server.requests().first().path, QByteArray("/updinfo.php"));
        if (shown) {
            QTRY_VERIFY(window.isVisible());
        } else {
            QTest::qWait(300);
            QVERIFY(!window.isVisible());
        }
        setServiceConfig(ServiceConfig::defaults());
    }

    void missingUpdaterIsSaidNotQuit() {
        MainWindow window;
        window.hide();
        CheckUpdate checker;
        QSignalSpy quitting(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
        checker.GetCheckNewFersionDone(versionReply(1, 2, 0));
        QVERIFY(window.isVisible());
        QTRY_VERIFY(alertOnShow());
        QCOMPARE(alertText(), msg("updatermissing"));
        QCOMPARE(quitting.count(), 0);
    }

    void silentHostShowsTheWindowAndTheCheckGoesOn() {
        // The host takes the request and never answers.
        RawHttpServer server;
        QVERIFY(server.start());
        ServiceConfig config = ServiceConfig::defaults();
        config.webUrl = server.url(QStringLiteral("/"));
        setServiceConfig(config);
        CheckUpdate::setPatience(100);

        MainWindow window;
        window.hide();
        JsonRpc lookup;
        QSignalSpy settled(&lookup, &JsonRpc::settled);
        CheckUpdate checker;
        Startup::startVersionCheck(lookup, checker);
        checker.mainWindowCreated();
        QTRY_COMPARE(server.requests().size(), 1);
        QTRY_VERIFY(window.isVisible());
        // The window came without an answer; the lookup is still open.
        QCOMPARE(settled.count(), 0);
        QVERIFY(!alertOnShow());
        // A newer version that comes in now is announced, nothing quits.
        checker.GetCheckNewFersionDone(versionReply(1, 2, 0));
        QTRY_VERIFY(alertOnShow());
        QCOMPARE(alertText(), msg("alert22_1"));
        CheckUpdate::setPatience(CheckUpdate::defaultPatienceMs);
        setServiceConfig(ServiceConfig::defaults());
    }

    void onTopIsAppliedBeforeShowing() {
        appState().onTop = true;
        MainWindow window;
        window.hide();
        CheckUpdate checker;
        checker.GetCheckNewFersionDone(versionReply(1, 1, 0));
        QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(window.isVisible());
    }

    void noMarkerNoDialog() {
        CheckUpdate checker;
        checker.GetCheckNewFersionDone(versionReply(1, 0, 9));
        QVERIFY(!openVersionDialog());
        QCOMPARE(VersionInfoDialog::changeNotes("lang_ru"),
                 QString::fromUtf8("- Исправление ошибок\n- Общие улучшения"));
    }

    void failedLookupStillShowsTheWindowOnce() {
        MainWindow window;
        window.hide();
        CheckUpdate checker;
        checker.rpcError(QStringLiteral("unknowerror"));
        QVERIFY(window.isVisible());
        // A late answer after the window was shown decides nothing more.
        writeFile(UpdaterFiles::newUpdateMarkerPath(), "x");
        checker.GetCheckNewFersionDone(versionReply(1, 1, 0));
        QVERIFY(QFile::exists(UpdaterFiles::newUpdateMarkerPath()));
    }

private:
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<QTemporaryDir> m_dir;
};

QTEST_MAIN(TestCheckUpdate)
#include "tst_checkupdate.moc"
