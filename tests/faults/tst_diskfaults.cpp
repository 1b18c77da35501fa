// A disk that is full or cannot be written, for the two things the program
// keeps in files: channel logos and offline playlists. The test runs as any
// user, root included, so "cannot be written" is made without permissions:
// a folder whose path runs through a regular file, a file size limit for
// this process (writes beyond it fail as on a full disk), and /dev/full.

#include "FakeService.h"
#include "FileSizeLimit.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "TestImages.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SlidingStackedWidget.h"
#include "channels/LoadImageUrl.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/OfflinePlaylistStore.h"
#include "service/DownloadFileHandler.h"
#include "vlc/VlcInstance.h"

#include <QDirIterator>
#include <QJsonObject>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageTestKit;

namespace {

// Far more than the size limit below.
QByteArray bigPayload(const QByteArray &head) {
    QByteArray bytes = head;
    while (bytes.size() < 96 * 1024)
        bytes += "#EXTINF:-1,Channel\nhttp://127.0.0.1/channel.ts\n";
    return bytes;
}

// A real image, so that the logo is kept once written; what follows its
// end is ignored by the decoder.
QByteArray logoPayload() {
    return bigPayload(imageBytes(8, 8));
}

bool write(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Every file and link under a folder, relative to it.
QStringList entriesUnder(const QString &root) {
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        found << QDir(root).relativeFilePath(it.next());
    found.sort();
    return found;
}

} // namespace

class TestDiskFaults : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void logoThatCannotBeWritten_data();
    void logoThatCannotBeWritten();
    void unusableProgramFolderMovesTheLogoCache_data();
    void unusableProgramFolderMovesTheLogoCache();
    void offlinePlaylistThatCannotBeStored_data();
    void offlinePlaylistThatCannotBeStored();

private:
    void openAddPage(bool linkMode, const QString &path);
    QLineEdit *field(const char *name) const {
        return m_window->addPlaylistPage()->findChild<QLineEdit *>(QLatin1String(name));
    }

    QTemporaryDir m_root;
    QString m_home;
    FakeService m_web;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<MainWindow> m_window;
};

void TestDiskFaults::initTestCase() {
    QVERIFY(m_root.isValid());
    m_home = QDir::currentPath();
    // The user's cache folder, should the program fall back to it.
    qputenv("XDG_CACHE_HOME", m_root.filePath(QStringLiteral("user-cache")).toLocal8Bit());
    VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
    m_web.setFile(QStringLiteral("/logo.png"), logoPayload(), "image/png");
    m_web.setFile(QStringLiteral("/list.m3u8"), bigPayload("#EXTM3U\n"), "audio/x-mpegurl");
    QVERIFY(m_web.start());
}

void TestDiskFaults::cleanupTestCase() {
    m_web.stop();
    LoadImageUrl::setCacheDirectory(QString());
    QDir::setCurrent(m_home);
}

void TestDiskFaults::init() {
    m_settings.reset(new ScopedSettings);
    const QString work = m_root.filePath(QStringLiteral("work"));
    QDir(work).removeRecursively();
    QVERIFY(QDir().mkpath(work));
    QVERIFY(QDir::setCurrent(work));
    QVERIFY(write(m_root.filePath(QStringLiteral("a-file")), "not a folder"));
}

void TestDiskFaults::cleanup() {
    m_window.reset();
    m_settings.reset();
    LoadImageUrl::setCacheDirectory(QString());
    QDir::setCurrent(m_home);
}

void TestDiskFaults::logoThatCannotBeWritten_data() {
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("kept");
    QTest::newRow("room enough") << "none" << true;
    QTest::newRow("disk full") << "size limit" << false;
    // A link planted where the logo goes is replaced, never written through.
    QTest::newRow("link to a full device") << "/dev/full" << true;
    QTest::newRow("cache folder under a file") << "folder under a file" << false;
}

void TestDiskFaults::logoThatCannotBeWritten() {
    QFETCH(QString, fault);
    QFETCH(bool, kept);
    QString cache = m_root.filePath(QStringLiteral("work/image"));
    if (fault == QLatin1String("folder under a file"))
        cache = m_root.filePath(QStringLiteral("a-file/image"));
    LoadImageUrl::setCacheDirectory(cache);
    if (fault == QLatin1String("/dev/full")) {
        if (!QFileInfo::exists(QStringLiteral("/dev/full")))
            QSKIP("no /dev/full here");
        QVERIFY(QDir().mkpath(cache));
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), cache + QStringLiteral("/42.png")));
    }

    QStringList done;
    QPointer<LoadImageUrl> logo = new LoadImageUrl;
    connect(logo, &LoadImageUrl::GetImageDone, this, [&done](int &id, QString &path) {
        done << QString::number(id) + QLatin1Char(' ') + path;
    });
    {
        QScopedPointer<FileSizeLimit> limit;
        if (fault == QLatin1String("size limit")) {
            limit.reset(new FileSizeLimit(8 * 1024));
            QVERIFY(limit->isValid());
        }
        logo->load(m_web.server().url(QStringLiteral("/logo.png")).toString(), 42);
        QTRY_VERIFY_WITH_TIMEOUT(!done.isEmpty() || logo.isNull(), 10000);
    }

    if (kept) {
        const QString file = cache + QStringLiteral("/42.png");
        QCOMPARE(done, QStringList{QStringLiteral("42 ") + file});
        QCOMPARE(contents(file), logoPayload());
        QVERIFY(!QFileInfo(file).isSymLink());
        QCOMPARE(entriesUnder(cache), QStringList{QStringLiteral("42.png")});
        delete logo;
        return;
    }
    // A logo that could not be kept is not reported, so the channel keeps
    // its address and shows the TV icon; and no cut-off file is left where
    // the cache would later find it.
    QTest::qWait(200);
    QCOMPARE(done, QStringList());
    QVERIFY(logo.isNull());
    QCOMPARE(entriesUnder(cache), QStringList());
}

void TestDiskFaults::unusableProgramFolderMovesTheLogoCache_data() {
    QTest::addColumn<QString>("preferred");
    QTest::addColumn<bool>("used");
    QTest::newRow("writable") << "work/image" << true;
    QTest::newRow("under a regular file") << "a-file/image" << false;
    QTest::newRow("a regular file itself") << "a-file" << false;
}

void TestDiskFaults::unusableProgramFolderMovesTheLogoCache() {
    QFETCH(QString, preferred);
    QFETCH(bool, used);
    const QString path = m_root.filePath(preferred);
    const QString fallback =
        QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/image");
    QVERIFY(fallback.startsWith(m_root.filePath(QStringLiteral("user-cache"))));
    QCOMPARE(LoadImageUrl::chooseCacheDirectory(path), used ? path : fallback);
    // The regular file is left as it was.
    QCOMPARE(contents(m_root.filePath(QStringLiteral("a-file"))), QByteArray("not a folder"));
}

void TestDiskFaults::openAddPage(bool linkMode, const QString &path) {
    appState().offlineMode = true;
    QVERIFY(MainModeKit::openWindow(m_window));
    m_window->showDirectLink(linkMode, path);
    QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
}

void TestDiskFaults::offlinePlaylistThatCannotBeStored_data() {
    QTest::addColumn<bool>("linkMode");
    QTest::addColumn<QString>("fault");
    for (const bool link : {false, true}) {
        const char *mode = link ? "link" : "file";
        for (const char *fault :
             {"none", "folder is a file", "size limit", "settings cannot be written"})
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(mode, fault))) << link << fault;
    }
}

void TestDiskFaults::offlinePlaylistThatCannotBeStored() {
    QFETCH(bool, linkMode);
    QFETCH(QString, fault);
    const QByteArray playlist = bigPayload("#EXTM3U\n");
    const QString source = m_root.filePath(QStringLiteral("source.m3u"));
    QVERIFY(write(source, playlist));
    const QString work = QDir::currentPath();
    if (fault == QLatin1String("folder is a file"))
        QVERIFY(write(QStringLiteral("playlists"), "not a folder"));
    openAddPage(linkMode, linkMode ? QString() : source);

    if (linkMode) {
        field("lineEdit_directlink")
            ->setText(m_web.server().url(QStringLiteral("/list.m3u8")).toString());
        field("lineEdit_title")->setText(QStringLiteral("Kept"));
    } else {
        field("lineEdit_directlink")->setText(QStringLiteral("Kept"));
    }
    if (fault == QLatin1String("settings cannot be written")) {
        // From here on the store's folder runs through a regular file.
        const QString blocked = m_root.filePath(QStringLiteral("a-file/settings"));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, blocked);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, blocked);
    }
    auto *done =
        m_window->addPlaylistPage()->findChild<QPushButton *>(QStringLiteral("pushButton_2"));
    {
        QScopedPointer<FileSizeLimit> limit;
        if (fault == QLatin1String("size limit")) {
            limit.reset(new FileSizeLimit(16 * 1024));
            QVERIFY(limit->isValid());
        }
        QTest::mouseClick(done, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(
            alertShowing() || m_window->stack()->currentIndex() == MainWindow::PlaylistPage, 15000);
    }
    if (fault == QLatin1String("settings cannot be written")) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings->path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings->path());
    }
    QTRY_VERIFY(!appState().alertFrame->isBusy());
    QTRY_COMPARE(m_window->addPlaylistPage()->findChildren<DownloadFileHandler *>().size(), 0);

    const QJsonArray records = OfflinePlaylistStore::list();
    if (fault == QLatin1String("none")) {
        QVERIFY(!alertShowing());
        QCOMPARE(records.size(), 1);
        const QString stored = records.at(0).toObject().value(QStringLiteral("source")).toString();
        QCOMPARE(stored, QStringLiteral("playlists/Kept.") + (linkMode ? "m3u8" : "m3u"));
        QCOMPARE(contents(stored), playlist);
        return;
    }
    // Told, still on the add page, and nothing recorded that points at a
    // missing or cut-off file.
    QVERIFY(alertShowing());
    QCOMPARE(alertTitle(), msg("error"));
    QVERIFY(!alertMessage().isEmpty());
    QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
    QCOMPARE(records.size(), 0);
    if (fault == QLatin1String("folder is a file")) {
        QCOMPARE(entriesUnder(work), QStringList{QStringLiteral("playlists")});
        QCOMPARE(contents(QStringLiteral("playlists")), QByteArray("not a folder"));
    } else {
        QCOMPARE(entriesUnder(work), QStringList());
    }
    if (fault == QLatin1String("settings cannot be written"))
        QCOMPARE(alertMessage(), msg("alert14"));
    // The chosen file itself is never touched.
    QCOMPARE(contents(source), playlist);
}

QTEST_MAIN(TestDiskFaults)
#include "tst_diskfaults.moc"
