// The add-playlist page: links served by a local web server, files, the
// upload to the local development service, and the offline store.

#include "DevServiceProcess.h"
#include "LocalHttpServer.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "RawHttpServer.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SlidingStackedWidget.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/OfflinePlaylistStore.h"
#include "playlists/Playlistwidget.h"
#include "service/DownloadFileHandler.h"
#include "service/JsonRpc.h"
#include "service/UploadFile.h"

#include <QDirIterator>
#include <QJsonObject>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageTestKit;

namespace {

const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);
const QByteArray servedPlaylist = "#EXTM3U\n#EXTINF:-1,Linked channel\nhttp://127.0.0.1/l.ts\n";

QByteArray contents(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool write(const QString &path, const QByteArray &data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// Every file under the working folder, relative to it.
QStringList filesUnder(const QString &root) {
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

class TestAddPlaylist : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(m_work.isValid());
        QVERIFY(m_files.isValid());
        QDir::setCurrent(m_work.path());
        m_settings.reset(new ScopedSettings);
        m_service.reset(new DevServiceProcess);
        QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
        m_demoKey = m_service->demoDeviceKey();
        QVERIFY(!m_demoKey.isEmpty());

        m_web.setHandler([](const LocalHttpRequest &request) {
            LocalHttpResponse response;
            response.contentType = "audio/x-mpegurl";
            if (request.path == "/list.m3u8" || request.path == "/other.m3u")
                response.body = servedPlaylist;
            else
                response.status = 404;
            return response;
        });
        QVERIFY(m_web.start());
    }
    void cleanupTestCase() {
        m_web.stop();
        m_service.reset();
        m_settings.reset();
    }
    void init() {
        ScopedSettings::clear();
        appState().reset();
        QDir(m_work.path()).removeRecursively();
        QDir().mkpath(m_work.path());
        QDir::setCurrent(m_work.path());
    }
    void cleanup() { m_window.reset(); }

    void linkSuffixes_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("accepted");
        for (const char *suffix : {"m3u8", "xspf", "m3u", "pls", "b4s", "wpl", "asx"})
            QTest::newRow(suffix) << QStringLiteral("http://tv.example/list.") +
                                         QLatin1String(suffix)
                                  << true;
        QTest::newRow("no scheme") << "tv.example/list.m3u8" << true;
        QTest::newRow("query") << "http://tv.example/list.m3u8?token=1" << false;
        QTest::newRow("two dots") << "http://tv.example/list.tv.m3u" << false;
        QTest::newRow("upper case") << "http://tv.example/LIST.M3U8" << false;
        QTest::newRow("no file") << "http://tv.example/" << false;
        QTest::newRow("host only") << "http://tv.example" << false;
        QTest::newRow("other file") << "http://tv.example/list.txt" << false;
    }
    void linkSuffixes() {
        QFETCH(QString, link);
        QFETCH(bool, accepted);
        QCOMPARE(DirectLinkWidget::isAcceptedLink(link), accepted);
    }

    void missingOrWrongInputIsRefused_data() {
        QTest::addColumn<bool>("linkMode");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focused");
        addRow("no link", true, "", "Title", "alert1", "lineEdit_directlink");
        QTest::newRow("no title") << true << "http://tv.example/list.m3u8"
                                  << ""
                                  << "alert1"
                                  << "lineEdit_title";
        QTest::newRow("not a playlist") << true << "http://tv.example/list.m3u8?x=1"
                                        << "Title"
                                        << "errorlink"
                                        << "lineEdit_directlink";
        addRow("file without title", false, "", "", "alert1", "lineEdit_directlink");
    }
    void missingOrWrongInputIsRefused() {
        QFETCH(bool, linkMode);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(QString, message);
        QFETCH(QString, focused);
        openAddPage(linkMode, QStringLiteral("/nowhere/list.m3u"));
        field("lineEdit_directlink")->setText(first);
        field("lineEdit_title")->setText(second);
        QTest::mouseClick(done(), Qt::LeftButton);
        QVERIFY(alertShowing());
        QCOMPARE(alertTitle(), msg("error"));
        QCOMPARE(alertMessage(), msg(message.toLatin1().constData()));
        QCOMPARE(m_window->focusWidget(), field(focused.toLatin1().constData()));
        QVERIFY(!appState().alertFrame->isBusy());
        QCOMPARE(page()->findChildren<JsonRpc *>().size(), 0);
        QCOMPARE(page()->findChildren<DownloadFileHandler *>().size(), 0);
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
    }

    void modesShowTheirFields() {
        openAddPage(true, QString());
        QVERIFY(child<QWidget>("frame_3")->isVisible());
        QCOMPARE(field("lineEdit_directlink")->placeholderText(), msg("directlink"));
        QCOMPARE(field("lineEdit_title")->placeholderText(), msg("title"));
        field("lineEdit_directlink")->setText(QStringLiteral("left over"));
        m_window->showDirectLink(false, QStringLiteral("/tmp/x.m3u"));
        QVERIFY(!child<QWidget>("frame_3")->isVisible());
        QCOMPARE(field("lineEdit_directlink")->placeholderText(), msg("title"));
        QCOMPARE(field("lineEdit_directlink")->text(), QString());

        QTest::mouseClick(child<QPushButton>("pushButton_back"), Qt::LeftButton);
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
        QCOMPARE(m_window->stack()->animation(), QEasingCurve::OutQuart);
    }

    void linkIsUploadedAndListed() {
        openAddPage(true, QString(), true);
        field("lineEdit_directlink")->setText(m_web.url(QStringLiteral("/list.m3u8")).toString());
        field("lineEdit_title")->setText(QStringLiteral("Linked list"));
        QTest::mouseClick(done(), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage),
                                  20000);
        QTRY_VERIFY_WITH_TIMEOUT(rowTexts(playlists()).contains(QStringLiteral("Linked list")),
                                 20000);
        QVERIFY(serviceTitles().contains(QStringLiteral("Linked list")));
        // The download stays where it was fetched to.
        QCOMPARE(contents(QStringLiteral("playlists/list.m3u8")), servedPlaylist);
        QVERIFY(waitIdle());
        QVERIFY(!alertShowing());
        expectNothingLeftOver();
    }

    void fileIsUploadedAndListed() {
        const QString path = m_files.filePath(QStringLiteral("My channels.m3u"));
        QVERIFY(write(path, servedPlaylist));
        openAddPage(false, path, true);
        field("lineEdit_directlink")->setText(QStringLiteral("From a file"));
        QTest::mouseClick(done(), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage),
                                  20000);
        QTRY_VERIFY_WITH_TIMEOUT(rowTexts(playlists()).contains(QStringLiteral("From a file")),
                                 20000);
        QVERIFY(serviceTitles().contains(QStringLiteral("From a file")));
        expectNothingLeftOver();
    }

    void failedDownloadIsShown_data() {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("blockDirectory");
        QTest::newRow("not found") << "/missing.m3u8" << false;
        QTest::newRow("no scheme") << "tv.example/list.m3u8" << false;
        QTest::newRow("file cannot be created") << "/list.m3u8" << true;
    }
    void failedDownloadIsShown() {
        QFETCH(QString, link);
        QFETCH(bool, blockDirectory);
        if (blockDirectory)
            QVERIFY(write(QStringLiteral("playlists"), "a file where the folder should be"));
        if (link.startsWith(QLatin1Char('/')))
            link = m_web.url(link).toString();
        openAddPage(true, QString(), true);
        field("lineEdit_directlink")->setText(link);
        field("lineEdit_title")->setText(QStringLiteral("Never added"));
        QTest::mouseClick(done(), Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 15000);
        QVERIFY(!appState().alertFrame->isBusy());
        QCOMPARE(alertTitle(), msg("error"));
        QVERIFY(!alertMessage().isEmpty());
        QVERIFY(alertMessage() != msg("alert2"));
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
        QVERIFY(!serviceTitles().contains(QStringLiteral("Never added")));
        expectNothingLeftOver();
    }

    void offlineFileIsKeptInsideTheFolder_data() {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("stored");
        addRow("plain", "News", "playlists/News.m3u");
        addRow("slash", "News/Sport", "playlists/News_Sport.m3u");
        addRow("parent", "..", "playlists/_.m3u");
        addRow("climbing out", "../../escape", "playlists/____escape.m3u");
        addRow("backslash", "a\\..\\b", "playlists/a___b.m3u");
        addRow("absolute", "/tmp/x", "playlists/_tmp_x.m3u");
        addRow("device name", "CON", "playlists/_CON.m3u");
        addRow("windows characters", "a:b*c?\"<>|", "playlists/a_b_c_____.m3u");
    }
    void offlineFileIsKeptInsideTheFolder() {
        QFETCH(QString, title);
        QFETCH(QString, stored);
        const QString source = m_files.filePath(QStringLiteral("source.m3u"));
        QVERIFY(write(source, servedPlaylist));
        appState().offlineMode = true;
        openAddPage(false, source);
        field("lineEdit_directlink")->setText(title);
        QTest::mouseClick(done(), Qt::LeftButton);

        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
        QVERIFY(!alertShowing());
        QVERIFY(!appState().alertFrame->isBusy());
        // The title is the key; the file is where the entry says, inside
        // "playlists", and nothing else was written.
        const QJsonArray records = OfflinePlaylistStore::list();
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.at(0).toObject().value(QStringLiteral("source")).toString(), stored);
        QCOMPARE(filesUnder(m_work.path()), QStringList{stored});
        QCOMPARE(contents(stored), servedPlaylist);
        QCOMPARE(rowTexts(playlists()).size(), 1);
        QCOMPARE(OfflinePlaylistStore::fileStem(title) + QStringLiteral(".m3u"),
                 QFileInfo(stored).fileName());
    }

    void offlineTitleThatCannotBeKeptIsReported_data() {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        addRow("same title", "Same", "Same");
        addRow("same file name", "a/b", "a_b");
        QTest::newRow("slashes only") << ""
                                      << "//";
    }
    void offlineTitleThatCannotBeKeptIsReported() {
        QFETCH(QString, first);
        QFETCH(QString, second);
        const QString one = m_files.filePath(QStringLiteral("one.m3u"));
        const QString two = m_files.filePath(QStringLiteral("two.m3u"));
        QVERIFY(write(one, "#EXTM3U\n# one\n"));
        QVERIFY(write(two, "#EXTM3U\n# two\n"));
        appState().offlineMode = true;
        if (!first.isEmpty()) {
            openAddPage(false, one);
            field("lineEdit_directlink")->setText(first);
            QTest::mouseClick(done(), Qt::LeftButton);
            QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
        }
        const QJsonArray before = OfflinePlaylistStore::list();
        const QStringList filesBefore = filesUnder(m_work.path());

        if (first.isEmpty())
            openAddPage(false, two);
        else
            m_window->showDirectLink(false, two);
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
        field("lineEdit_directlink")->setText(second);
        QTest::mouseClick(done(), Qt::LeftButton);

        QVERIFY(alertShowing());
        QCOMPARE(alertMessage(), msg("alert14"));
        QVERIFY(!appState().alertFrame->isBusy());
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
        QCOMPARE(OfflinePlaylistStore::list(), before);
        QCOMPARE(filesUnder(m_work.path()), filesBefore);
        for (const QString &file : filesBefore)
            QCOMPARE(contents(file), QByteArray("#EXTM3U\n# one\n"));
    }

    void offlineLinkIsKeptUnderItsTitle() {
        // A kept playlist whose file has the name the download would take.
        QVERIFY(QDir().mkpath(QStringLiteral("playlists")));
        QVERIFY(write(QStringLiteral("playlists/list.m3u8"), "KEPT"));
        ScopedSettings::set(QStringLiteral("offline_playlist"), QStringLiteral("list"),
                            QStringLiteral("playlists/list.m3u8"));
        appState().offlineMode = true;
        openAddPage(true, QString());
        field("lineEdit_directlink")->setText(m_web.url(QStringLiteral("/list.m3u8")).toString());
        field("lineEdit_title")->setText(QStringLiteral("Linked offline"));
        QTest::mouseClick(done(), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage),
                                  15000);
        QVERIFY(!alertShowing());
        QCOMPARE(ScopedSettings::get(QStringLiteral("offline_playlist"),
                                     QStringLiteral("Linked offline"))
                     .toString(),
                 QStringLiteral("playlists/Linked offline.m3u8"));
        QCOMPARE(contents(QStringLiteral("playlists/Linked offline.m3u8")), servedPlaylist);
        // The kept file is untouched and the download left nothing behind.
        QCOMPARE(contents(QStringLiteral("playlists/list.m3u8")), QByteArray("KEPT"));
        QCOMPARE(filesUnder(m_work.path()),
                 QStringList({QStringLiteral("playlists/Linked offline.m3u8"),
                              QStringLiteral("playlists/list.m3u8")}));
        QCOMPARE(QDir(QStringLiteral("playlists")).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList());
        QCOMPARE(rowTexts(playlists()).size(), 2);
        expectNothingLeftOver();
    }

    // A playlist larger than the cap is not kept: the alert says why.
    void tooLargePlaylistIsRefused() {
        RawHttpServer server;
        server.setResponse("HTTP/1.1 200 OK\r\nContent-Length: 1000000000\r\n\r\n#EXTM3U\n");
        QVERIFY(server.start());
        appState().offlineMode = true;
        openAddPage(true, QString());
        field("lineEdit_directlink")->setText(server.url(QStringLiteral("/big.m3u8")).toString());
        field("lineEdit_title")->setText(QStringLiteral("Too big"));
        QTest::mouseClick(done(), Qt::LeftButton);

        QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 15000);
        QCOMPARE(alertTitle(), msg("error"));
        QCOMPARE(alertMessage(), DownloadFileHandler::tooLargeText());
        QVERIFY(!appState().alertFrame->isBusy());
        QCOMPARE(OfflinePlaylistStore::list().size(), 0);
        QCOMPARE(filesUnder(m_work.path()), QStringList());
        expectNothingLeftOver();
    }

    // Online, the link's file goes into "playlists" too, but never over a
    // file a kept playlist names.
    void onlineLinkNeverReplacesAKeptFile() {
        QVERIFY(QDir().mkpath(QStringLiteral("playlists")));
        QVERIFY(write(QStringLiteral("playlists/list.m3u8"), "KEPT"));
        ScopedSettings::set(QStringLiteral("offline_playlist"), QStringLiteral("list"),
                            QStringLiteral("playlists/list.m3u8"));
        openAddPage(true, QString(), true);
        field("lineEdit_directlink")->setText(m_web.url(QStringLiteral("/list.m3u8")).toString());
        field("lineEdit_title")->setText(QStringLiteral("Linked beside"));
        QTest::mouseClick(done(), Qt::LeftButton);

        QTRY_COMPARE_WITH_TIMEOUT(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage),
                                  20000);
        QVERIFY(!alertShowing());
        QTRY_VERIFY_WITH_TIMEOUT(serviceTitles().contains(QStringLiteral("Linked beside")), 20000);
        QCOMPARE(contents(QStringLiteral("playlists/list.m3u8")), QByteArray("KEPT"));
        QCOMPARE(contents(QStringLiteral("playlists/list-1.m3u8")), servedPlaylist);
        expectNothingLeftOver();
    }

private:
    DirectLinkWidget *page() const { return m_window->addPlaylistPage(); }
    template <typename T> T *child(const char *name) const {
        return page()->findChild<T *>(QLatin1String(name));
    }
    QLineEdit *field(const char *name) const { return child<QLineEdit>(name); }
    QPushButton *done() const { return child<QPushButton>("pushButton_2"); }
    QListWidget *playlists() const {
        return m_window->playlistPage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
    }

    // The main window at the add page, from the playlist page of the demo
    // device (online) or of this computer (offline).
    void openAddPage(bool linkMode, const QString &path, bool online = false) {
        AppState &state = appState();
        if (online) {
            state.userName = email;
            state.password = password;
            state.deviceKey = m_demoKey;
            state.deviceName = QStringLiteral("Demo PC");
        }
        QVERIFY(MainModeKit::openWindow(m_window));
        if (online) {
            QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
            QVERIFY(waitIdle());
            QTRY_VERIFY_WITH_TIMEOUT(playlists()->count() > 0, 15000);
        }
        m_window->showDirectLink(linkMode, path);
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::AddPlaylistPage));
    }

    // Every client, download and upload of the page has been released.
    void expectNothingLeftOver() {
        QTRY_COMPARE(page()->findChildren<JsonRpc *>().size(), 0);
        QTRY_COMPARE(page()->findChildren<DownloadFileHandler *>().size(), 0);
        QTRY_COMPARE(page()->findChildren<UploadFile *>().size(), 0);
    }

    QStringList serviceTitles() const {
        const QString token = m_service->login(email, password, m_demoKey);
        QStringList titles;
        for (const QJsonValue &record :
             m_service->call(QStringLiteral("get_playlists"), {token}).toArray())
            titles << record.toObject().value(QStringLiteral("title")).toString();
        return titles;
    }

    QTemporaryDir m_work;
    QTemporaryDir m_files;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    LocalHttpServer m_web;
    QScopedPointer<MainWindow> m_window;
    QString m_demoKey;
};

QTEST_MAIN(TestAddPlaylist)
#include "tst_addplaylist.moc"
