// A settings store that is corrupt or cannot be written: start-up reads
// what it can and takes defaults for the rest, the first page follows from
// that, and a save that fails leaves the session going (and the old store
// whole) instead of crashing.

#include "FakeService.h"
#include "FileSizeLimit.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "TestSupport.h"

#include "account/LoginWidget.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SlidingStackedWidget.h"
#include "app/Startup.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "vlc/VlcInstance.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageTestKit;

namespace {

// Bytes of every value, NULs included, the same on every run.
QByteArray binaryJunk(int size) {
    QByteArray bytes(size, '\0');
    quint32 state = 12345;
    for (char &byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = char(state >> 16);
    }
    return bytes;
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &data) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QString storeFile() {
    return QSettings(QStringLiteral("vantero"), QStringLiteral("vantero")).fileName();
}

void pointStoreAt(const QString &folder) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
}

} // namespace

class TestSettingsFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void corruptStoreStartsOnDefaults_data();
    void corruptStoreStartsOnDefaults();
    void unwritableStoreKeepsTheSessionGoing_data();
    void unwritableStoreKeepsTheSessionGoing();

private:
    QTemporaryDir m_root;
    FakeService m_service;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<MainWindow> m_window;
};

void TestSettingsFaults::initTestCase() {
    QVERIFY(m_root.isValid());
    QVERIFY(write(m_root.filePath(QStringLiteral("a-file")), "not a folder"));
    VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
    JsonRpc::setOnlineCheck([] { return true; });
    m_service.setResult(QStringLiteral("login"), "\"tok\"");
    m_service.setResult(QStringLiteral("get_devices"), R"([{"name":"Demo PC","key":"key-1"}])");
    QVERIFY(m_service.start());
}

void TestSettingsFaults::cleanupTestCase() {
    JsonRpc::setOnlineCheck(nullptr);
    m_service.stop();
}

void TestSettingsFaults::init() {
    m_settings.reset(new ScopedSettings);
}

void TestSettingsFaults::cleanup() {
    m_window.reset();
    // Back to the test's own store before it is cleared and removed.
    pointStoreAt(m_settings->path());
    m_settings.reset();
    setServiceConfig(ServiceConfig::defaults());
}

void TestSettingsFaults::corruptStoreStartsOnDefaults_data() {
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("playlistId");

    addRow("garbage text", QByteArray("lorem ipsum\n= = =\n[[[]]]\n%%%\\\n\\x\n=value\n"),
           "lang_en", 0);
    QTest::newRow("binary junk") << binaryJunk(4096) << "lang_en" << 0;
    QTest::newRow("cut in a group name") << QByteArray("[inf") << "lang_en" << 0;
    QTest::newRow("cut in a key") << QByteArray("[info]\nuser_na") << "lang_en" << 0;
    // What was whole before the cut is read.
    addRow("cut in a value", QByteArray("[info]\nlang=lang_ru\nplaylist_id=7\nplaylist_name=\"Ho"),
           "lang_ru", 7);
    addRow("cut in a stored variant", QByteArray("[info]\nuser_name=@Variant(\\0\\0\\0\\n\\0\\0)"),
           "lang_en", 0);
    // A list that claims four billion entries and holds none.
    addRow("variant list of absurd length",
           QByteArray("[info]\nuser_name=@Variant(\\0\\0\\0\\t\\xff\\xff\\xff\\xf0)\n"
                      "playlist_id=@Variant(\\0\\0\\0\\v\\xff\\xff\\xff\\xf0)\n"),
           "lang_en", 0);
    addRow("variant of an unknown type",
           QByteArray("[info]\nuser_name=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5Junk\\0)"), "lang_en",
           0);
    addRow("values of other types",
           QByteArray("[info]\nuser_name=@Point(1 2)\nplaylist_id=@ByteArray(\\xff)\n"
                      "ontop=@Rect(1 2 3 4)\ncache_size=@Size(1 2)\nlang=@Invalid()\n"),
           "lang_en", 0);
    addRow("service addresses corrupt",
           QByteArray("[service]\napi_url=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x5Junk\\0)\n"
                      "web_url=\\0\\xff\nsite_url=@ByteArray(\nca_file=@Variant(\n"),
           "lang_en", 0);
    QTest::newRow("one endless line") << QByteArray(4 * 1024 * 1024, 'A') << "lang_en" << 0;
}

void TestSettingsFaults::corruptStoreStartsOnDefaults() {
    QFETCH(QByteArray, stored);
    QFETCH(QString, language);
    QFETCH(int, playlistId);
    QVERIFY(write(storeFile(), stored));

    // Start-up's reads, in its order.
    const ServiceConfig config = ServiceConfig::fromSettings();
    const ServiceConfig defaults = ServiceConfig::defaults();
    QCOMPARE(config.apiUrl, defaults.apiUrl);
    QCOMPARE(config.webUrl, defaults.webUrl);
    QCOMPARE(config.geoUrl, defaults.geoUrl);
    appState().loadFromSettings();
    Startup::installApplicationTranslator(QStringLiteral("en_US"));
    const AppState &state = appState();
    QCOMPARE(state.userName, QString());
    QCOMPARE(state.password, QString());
    QCOMPARE(state.deviceKey, QString());
    QCOMPARE(state.playlistId, playlistId);
    QCOMPARE(state.onTop, false);
    QCOMPARE(state.cacheSize, QString());
    QCOMPARE(state.language, language);

    // No one signed in: the window opens on the sign-in page.
    setServiceConfig(m_service.config());
    m_window.reset(new MainWindow);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.data()));
    QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));

    // The store is not stuck: what the program saves next is read back.
    ScopedSettings::set(QStringLiteral("info"), QStringLiteral("user_name"),
                        QStringLiteral("viewer@example.com"));
    appState().loadFromSettings();
    QCOMPARE(appState().userName, QStringLiteral("viewer@example.com"));
}

void TestSettingsFaults::unwritableStoreKeepsTheSessionGoing_data() {
    QTest::addColumn<QString>("fault");
    QTest::newRow("folder is a regular file") << "folder is a file";
    QTest::newRow("store file is a folder") << "file is a folder";
    QTest::newRow("disk full") << "size limit";
}

void TestSettingsFaults::unwritableStoreKeepsTheSessionGoing() {
    QFETCH(QString, fault);
    // Kept from an earlier run, none of it naming a user.
    const QByteArray earlier = "[info]\nlang=lang_ru\ncache_size=3000\nontop=true\n\n"
                               "[offline_playlist]\nNews=playlists/News.m3u\n";
    if (fault == QLatin1String("folder is a file")) {
        pointStoreAt(m_root.filePath(QStringLiteral("a-file/settings")));
    } else if (fault == QLatin1String("file is a folder")) {
        QVERIFY(QDir().mkpath(storeFile()));
    } else {
        QVERIFY(write(storeFile(), earlier));
    }
    const bool keepsEarlier = fault == QLatin1String("size limit");

    appState().loadFromSettings();
    QCOMPARE(appState().userName, QString());
    QCOMPARE(appState().cacheSize, keepsEarlier ? QStringLiteral("3000") : QString());
    setServiceConfig(m_service.config());
    QVERIFY(MainModeKit::openWindow(m_window));
    QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));

    // Signing in saves the credentials, which fails.
    DebugLog log;
    QScopedPointer<FileSizeLimit> diskFull;
    if (keepsEarlier) {
        diskFull.reset(new FileSizeLimit(16));
        QVERIFY(diskFull->isValid());
    }
    const int devicesAsked = m_service.count(QStringLiteral("get_devices"));
    LoginWidget *login = m_window->loginPage();
    login->findChild<QLineEdit *>(QStringLiteral("lineEdit_3"))
        ->setText(QStringLiteral("user@vantero.test"));
    login->findChild<QLineEdit *>(QStringLiteral("lineEdit_4"))->setText(QStringLiteral("secret"));
    QTest::mouseClick(login->findChild<QPushButton *>(QStringLiteral("pushButton")),
                      Qt::LeftButton);
    const bool movedOn = QTest::qWaitFor(
        [this] { return m_window->stack()->currentIndex() == MainWindow::DevicePage; }, 10000);
    // While the disk is full, the store that could not be rewritten is
    // still whole.
    const QByteArray whileFull = contents(storeFile());
    diskFull.reset();
    if (keepsEarlier)
        QCOMPARE(whileFull, earlier);

    // The session goes on to the device page with the user signed in.
    QVERIFY(movedOn);
    QVERIFY(!alertShowing());
    QCOMPARE(appState().userName, QStringLiteral("user@vantero.test"));
    QTRY_COMPARE_WITH_TIMEOUT(m_service.count(QStringLiteral("get_devices")), devicesAsked + 1,
                              10000);
    QVERIFY(waitIdle());
    // Said in the log, once.
    QCOMPARE(log.lines().filter(QStringLiteral("sign-in could not be saved")).size(), 1);

    // Nothing was written where the store could not be; a store on a disk
    // that has room again still holds what it held.
    if (fault == QLatin1String("folder is a file"))
        QCOMPARE(contents(m_root.filePath(QStringLiteral("a-file"))), QByteArray("not a folder"));
    else if (fault == QLatin1String("file is a folder"))
        QVERIFY(QFileInfo(storeFile()).isDir());
    appState().loadFromSettings();
    QCOMPARE(appState().language, keepsEarlier ? QStringLiteral("lang_ru") : QString());
    QCOMPARE(appState().cacheSize, keepsEarlier ? QStringLiteral("3000") : QString());
    if (!keepsEarlier)
        QCOMPARE(appState().userName, QString());
}

QTEST_MAIN(TestSettingsFaults)
#include "tst_settingsfaults.moc"
