// The playlist selection page against the local development service, and
// its offline mode.

#include "DevServiceProcess.h"
#include "EnginePlugins.h"
#include "MainModeKit.h"
#include "PageTestKit.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/Messages.h"
#include "app/SlidingStackedWidget.h"
#include "channels/HomeWidget.h"
#include "channels/ListItemDelegate.h"
#include "channels/LoadImageUrl.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/OfflinePlaylistStore.h"
#include "playlists/Playlistwidget.h"
#include "service/JsonRpc.h"
#include "service/ServiceConfig.h"
#include "service/UploadFile.h"
#include "settings/DialogMainSettings.h"
#include "vlc/VlcInstance.h"
#include "widgets/ContextMenu.h"
#include "widgets/FileDialog.h"
#include "widgets/MessageBox.h"

#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QJsonObject>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace PageTestKit;

namespace {

const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);

} // namespace

class TestPlaylistPage : public QObject {
    Q_OBJECT

public slots:
    // Stands in for the desktop's browser.
    void openUrl(const QUrl &url) { m_openedUrls << url; }

private slots:
    void initTestCase() {
        QVERIFY(m_work.isValid());
        QDir::setCurrent(m_work.path());
        m_settings.reset(new ScopedSettings);
        m_service.reset(new DevServiceProcess);
        QVERIFY2(m_service->start(), qPrintable(m_service->errorString()));
        m_demoKey = m_service->demoDeviceKey();
        QVERIFY(!m_demoKey.isEmpty());
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openUrl");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openUrl");
    }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
        m_service.reset();
        m_settings.reset();
    }
    void init() {
        ScopedSettings::clear();
        appState().reset();
        MessageBox::clearPresetAnswer();
        ContextMenu::clearPresetChoice();
        FileDialog::clearPresetResult();
        QDir(OfflinePlaylistStore::directory()).removeRecursively();
    }
    void cleanup() {
        m_window.reset();
        m_service->applyClientSettings();
    }

    void listsAndChoosesAPlaylist() {
        open(email, m_demoKey, QStringLiteral("Demo PC"));
        const QJsonArray onService = servicePlaylists(m_demoKey);
        QVERIFY(onService.size() >= 2);
        QStringList titles;
        for (const QJsonValue &record : onService)
            titles << record.toObject().value(QStringLiteral("title")).toString();
        QCOMPARE(rowTexts(list()), titles);
        QCOMPARE(list()->item(0)->data(ListItemDelegate::TextRole).toString(), titles.first());
        QCOMPARE(list()->item(0)->sizeHint().height(), 50);
        QCOMPARE(qobject_cast<ListItemDelegate *>(list()->itemDelegate())->mode, 1);
        QVERIFY(!child<QWidget>("frame_2")->isVisible());
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/menu_done);"));
        // Loading the page makes the chosen device the stored one.
        QCOMPARE(
            ScopedSettings::get(QStringLiteral("info"), QStringLiteral("device_key")).toString(),
            m_demoKey);
        QCOMPARE(
            ScopedSettings::get(QStringLiteral("info"), QStringLiteral("device_name")).toString(),
            QStringLiteral("Demo PC"));
        QTRY_COMPARE(page()->findChildren<JsonRpc *>().size(), 0);

        const QJsonObject second = onService.at(1).toObject();
        clickRow(list(), 1);
        QCOMPARE(appState().playlistId, second.value(QStringLiteral("id")).toInt());
        QCOMPARE(appState().playlistName, second.value(QStringLiteral("title")).toString());
        QCOMPARE(appState().playlistSource, second.value(QStringLiteral("source")).toString());
        QCOMPARE(ScopedSettings::get(QStringLiteral("info"), QStringLiteral("playlist_id")).toInt(),
                 second.value(QStringLiteral("id")).toInt());
        QCOMPARE(
            ScopedSettings::get(QStringLiteral("info"), QStringLiteral("playlist_name")).toString(),
            second.value(QStringLiteral("title")).toString());
        // Main mode: the window is no longer held at the sign-in size.
        QCOMPARE(m_window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    }

    void choiceFromTheSettingsDialogReloadsTheBrowser() {
        // With the settings dialog open the browser is already on screen:
        // the choice loads the new playlist into it, and the window is not
        // taken through the main-mode transition again.
        keepEnginePluginsLoaded();
        VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
        JsonRpc::setOnlineCheck([] { return true; });
        LoadImageUrl::setCacheDirectory(m_work.filePath(QStringLiteral("image")));
        open(email, m_demoKey, QStringLiteral("Demo PC"));
        const QJsonObject second = servicePlaylists(m_demoKey).at(1).toObject();
        const QSize signInMaximum = m_window->maximumSize();
        QTRY_COMPARE(page()->findChildren<JsonRpc *>().size(), 0);

        appState().dialogCreated = true;
        QSignalSpy shown(m_window->homeWidget(), &HomeWidget::groupsShown);
        clickRow(list(), 1);
        QCOMPARE(appState().playlistId, second.value(QStringLiteral("id")).toInt());
        QVERIFY(shown.wait(30000));
        QCOMPARE(m_window->maximumSize(), signInMaximum);
        QVERIFY(m_window->homeWidget()->channelRecords().size() > 0);

        m_window->homeWidget()->stop();
        m_window.reset();
        LoadImageUrl::setCacheDirectory(QString());
        JsonRpc::setOnlineCheck(nullptr);
    }

    void deleteNeedsYesAndOK_data() {
        QTest::addColumn<int>("menuChoice");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("goneAlready");
        QTest::addColumn<bool>("deleted");
        QTest::newRow("menu dismissed") << -1 << int(QMessageBox::Yes) << false << false;
        QTest::newRow("answered No") << 0 << int(QMessageBox::No) << false << false;
        QTest::newRow("service does not confirm") << 0 << int(QMessageBox::Yes) << true << false;
        QTest::newRow("answered Yes") << 0 << int(QMessageBox::Yes) << false << true;
    }
    void deleteNeedsYesAndOK() {
        QFETCH(int, menuChoice);
        QFETCH(int, answer);
        QFETCH(bool, goneAlready);
        QFETCH(bool, deleted);
        const QString title = QStringLiteral("Doomed %1").arg(QTest::currentDataTag());
        const int id = seedPlaylist(m_demoKey, title);
        QVERIFY(id > 0);
        open(email, m_demoKey, QStringLiteral("Demo PC"));
        const int row = rowTexts(list()).indexOf(title);
        QVERIFY(row >= 0);
        const int rowsBefore = list()->count();
        if (goneAlready)
            QCOMPARE(deleteOnService(id), QStringLiteral("OK"));

        ContextMenu::setNextChoice(menuChoice);
        MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
        const int questionsBefore = MessageBox::presetQuestionsAsked();
        rightClickRow(row);
        QCOMPARE(ContextMenu::presetMenusShown() > 0, true);
        QCOMPARE(ContextMenu::lastActions(), QStringList{msg("delete")});

        if (menuChoice < 0) {
            QCOMPARE(MessageBox::presetQuestionsAsked(), questionsBefore);
        } else {
            QCOMPARE(MessageBox::presetQuestionsAsked(), questionsBefore + 1);
            QCOMPARE(MessageBox::lastTitle(), msg("alert11"));
            QCOMPARE(MessageBox::lastText(),
                     QStringLiteral("%1 \"%2\" %3").arg(msg("delete"), title, msg("alert12")));
        }
        QVERIFY(waitIdle());
        if (goneAlready) {
            // Said as it is, not as a wrong password.
            QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 10000);
            QCOMPARE(alertMessage(), msg("playlistnotfound"));
        }
        QTRY_COMPARE(page()->findChildren<JsonRpc *>().size(), 0);

        QCOMPARE(list()->count(), deleted ? rowsBefore - 1 : rowsBefore);
        QCOMPARE(rowTexts(list()).contains(title), !deleted);
        QCOMPARE(serviceTitles(m_demoKey).contains(title), !deleted && !goneAlready);
        if (!deleted && !goneAlready)
            QCOMPARE(deleteOnService(id), QStringLiteral("OK"));
    }

    void layoutFollowsKindOfAccount_data() {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("plain");
        QTest::newRow("e-mail") << email << false;
        QTest::newRow("plain name") << QString::fromLatin1(DevServiceProcess::demoName) << true;
        // A phone number with its country code is a number, not a plain name.
        QTest::newRow("phone") << QString::fromLatin1(DevServiceProcess::demoPhone) << false;
    }
    void layoutFollowsKindOfAccount() {
        QFETCH(QString, user);
        QFETCH(bool, plain);
        const QString key = m_service->demoDeviceKey(user, password);
        QVERIFY(!key.isEmpty());
        open(user, key, QStringLiteral("Demo PC"));
        QCOMPARE(appState().plainNameSignIn, plain);

        QCOMPARE(child<QWidget>("label_newplaylist")->isVisible(), !plain);
        QCOMPARE(child<QWidget>("listWidget_2")->isVisible(), !plain);
        QCOMPARE(child<QWidget>("label_selectplaylist")->pos(),
                 plain ? QPoint(10, 70) : QPoint(10, 210));
        QCOMPARE(child<QWidget>("frame_2")->pos(), plain ? QPoint(10, 100) : QPoint(10, 280));
        QCOMPARE(list()->pos(), plain ? QPoint(10, 100) : QPoint(10, 250));
        QCOMPARE(list()->geometry().bottom() + 1, page()->height() - 11);
        QCOMPARE(list()->width(), 400);

        // Only accounts that may delete get the context menu.
        ContextMenu::setNextChoice(-1);
        const int shown = ContextMenu::presetMenusShown();
        rightClickRow(0);
        QCOMPARE(ContextMenu::presetMenusShown(), plain ? shown : shown + 1);
    }

    void deviceWithoutPlaylistsShowsNotice() {
        const QString token = m_service->login(email, password);
        QString error;
        const QString key =
            m_service
                ->call(QStringLiteral("register_device"),
                       {QStringLiteral("Empty box"),
                        QString::fromLatin1(DevServiceProcess::demoPlatform), token},
                       &error)
                .toString();
        QVERIFY2(!key.isEmpty(), qPrintable(error));
        open(email, key, QStringLiteral("Empty box"), 0);

        QCOMPARE(list()->count(), 0);
        QVERIFY(child<QWidget>("frame_2")->isVisible());
        QCOMPARE(child<QLabel>("label_alert")->text(),
                 QStringLiteral("\"Empty box\" ") + msg("alert8"));
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/btn_refresh);"));

        m_openedUrls.clear();
        QTest::mouseClick(child<QPushButton>("pushButton_go"), Qt::LeftButton);
        QCOMPARE(m_openedUrls, QList<QUrl>{serviceConfig().siteUrl});

        // Refresh finds a playlist bound meanwhile.
        QVERIFY(seedPlaylist(key, QStringLiteral("Bound later")) > 0);
        QTest::mouseClick(next(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(rowTexts(list()), QStringList{QStringLiteral("Bound later")},
                                  15000);
        QVERIFY(waitIdle());
        QVERIFY(!child<QWidget>("frame_2")->isVisible());
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/menu_done);"));
    }

    void refreshAfterConnectionFailure() {
        open(email, m_demoKey, QStringLiteral("Demo PC"));
        const int rows = list()->count();
        ServiceConfig dead = serviceConfig();
        dead.apiUrl.setPort(1);
        setServiceConfig(dead);
        m_window->loadPlaylistPage();
        QTRY_COMPARE_WITH_TIMEOUT(next()->styleSheet(),
                                  QStringLiteral("border-image: url(:/btn_refresh);"), 15000);
        QCOMPARE(alertMessage(), msg("unknowerror"));
        QCOMPARE(list()->count(), 0);

        m_service->applyClientSettings();
        dismissAlert();
        QTest::mouseClick(next(), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(list()->count(), rows, 15000);
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/menu_done);"));
        // Next does nothing more once the list is there.
        QTest::mouseClick(next(), Qt::LeftButton);
        QVERIFY(!appState().alertFrame->isBusy());
    }

    void serviceErrorShowsAlert2() {
        open(email, m_demoKey, QStringLiteral("Demo PC"));
        // The password was changed elsewhere: the page's sign-in is refused.
        appState().password = QStringLiteral("changed elsewhere");
        m_window->loadPlaylistPage();
        QTRY_VERIFY_WITH_TIMEOUT(alertShowing(), 15000);
        QCOMPARE(alertMessage(), msg("alert2"));
        QVERIFY(!appState().alertFrame->isBusy());
        QCOMPARE(next()->styleSheet(), QStringLiteral("border-image: url(:/menu_done);"));
    }

    void offlineListsKeptPlaylists() {
        const QStringList titles{QStringLiteral("Alpha"), QStringLiteral("Beta"),
                                 QStringLiteral("Gamma")};
        for (const QString &title : titles)
            QVERIFY(keep(title));
        const QJsonArray records = OfflinePlaylistStore::list();
        QCOMPARE(records.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const QJsonObject record = records.at(i).toObject();
            QCOMPARE(record.value(QStringLiteral("id")).toInt(), i + 1);
            QCOMPARE(record.value(QStringLiteral("title")).toString(), titles.at(i));
            QCOMPARE(record.value(QStringLiteral("name")).toString(), QString());
            QCOMPARE(record.value(QStringLiteral("source")).toString(),
                     QStringLiteral("playlists/%1.m3u").arg(titles.at(i)));
        }

        appState().offlineMode = true;
        appState().playlistId = 5;
        openOffline();
        QCOMPARE(rowTexts(list()), titles);
        QCOMPARE(page()->findChildren<JsonRpc *>().size(), 0);

        clickRow(list(), 1);
        QCOMPARE(appState().playlistName, QStringLiteral("Beta"));
        QCOMPARE(appState().playlistSource, QStringLiteral("playlists/Beta.m3u"));
        QCOMPARE(appState().playlistId, 5);
        QVERIFY(!ScopedSettings::contains(QStringLiteral("info"), QStringLiteral("playlist_id")));
        QVERIFY(!ScopedSettings::contains(QStringLiteral("info"), QStringLiteral("playlist_name")));
    }

    void offlineDeleteRemovesFileAndEntry_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << int(QMessageBox::Yes);
        QTest::newRow("No") << int(QMessageBox::No);
    }
    void offlineDeleteRemovesFileAndEntry() {
        QFETCH(int, answer);
        QVERIFY(keep(QStringLiteral("Keep")));
        QVERIFY(keep(QStringLiteral("Drop")));
        appState().offlineMode = true;
        openOffline();
        const int row = rowTexts(list()).indexOf(QStringLiteral("Drop"));
        ContextMenu::setNextChoice(0);
        MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
        rightClickRow(row);

        const bool yes = answer == QMessageBox::Yes;
        QCOMPARE(QFile::exists(QStringLiteral("playlists/Drop.m3u")), !yes);
        QCOMPARE(
            ScopedSettings::contains(QStringLiteral("offline_playlist"), QStringLiteral("Drop")),
            !yes);
        const QStringList expected =
            yes ? QStringList{QStringLiteral("Keep")}
                : QStringList{QStringLiteral("Drop"), QStringLiteral("Keep")};
        QCOMPARE(rowTexts(list()), expected);
        QVERIFY(QFile::exists(QStringLiteral("playlists/Keep.m3u")));
    }

    void backGoesWhereTheFlagsSay_data() {
        QTest::addColumn<bool>("offline");
        QTest::addColumn<bool>("dialog");
        QTest::addColumn<int>("mainPage");
        QTest::newRow("online") << false << false << int(MainWindow::DevicePage);
        QTest::newRow("offline") << true << false << int(MainWindow::SignInPage);
        // The settings dialog's own stack moves; the main window stays.
        QTest::newRow("online in dialog") << false << true << int(MainWindow::PlaylistPage);
        QTest::newRow("offline in dialog") << true << true << int(MainWindow::SignInPage);
    }
    void backGoesWhereTheFlagsSay() {
        QFETCH(bool, offline);
        QFETCH(bool, dialog);
        QFETCH(int, mainPage);
        appState().offlineMode = offline;
        openOffline();
        QScopedPointer<DialogMainSettings> settingsDialog;
        if (dialog)
            settingsDialog.reset(new DialogMainSettings(nullptr, false, false));
        QTest::mouseClick(child<QPushButton>("pushButton_back"), Qt::LeftButton);
        QTRY_COMPARE(m_window->stack()->currentIndex(), mainPage);
        QCOMPARE(m_window->stack()->verticalMode(), false);
        QCOMPARE(m_window->stack()->animation(), QEasingCurve::OutExpo);
    }

    void addChoicesOpenTheAddPage_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("chosenFiles");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<bool>("linkMode");
        QTest::newRow("direct link") << 0 << QStringList() << true << true;
        addRow("file", 1, QStringList{QStringLiteral("/tmp/a.m3u"), QStringLiteral("/tmp/b.m3u")},
               true, false);
        QTest::newRow("file dialog cancelled") << 1 << QStringList() << false << false;
    }
    void addChoicesOpenTheAddPage() {
        QFETCH(int, row);
        QFETCH(QStringList, chosenFiles);
        QFETCH(bool, opens);
        QFETCH(bool, linkMode);
        appState().offlineMode = true;
        openOffline();
        if (row == 1)
            FileDialog::setNextResult(chosenFiles);
        auto *choices = child<QListWidget>("listWidget_2");
        QCOMPARE(rowTexts(choices), QStringList({msg("directlink"), msg("file")}));
        clickRow(choices, row);
        if (row == 1) {
            QVERIFY(!FileDialog::hasPresetResult());
            QCOMPARE(FileDialog::lastNameFilter(),
                     QStringLiteral("Playlist (*.m3u8 *.xspf *.m3u *.pls *.b4s *.wpl *.asx)"));
        }
        QTRY_COMPARE(m_window->stack()->currentIndex(),
                     opens ? int(MainWindow::AddPlaylistPage) : int(MainWindow::PlaylistPage));
        if (opens) {
            QCOMPARE(m_window->addPlaylistPage()
                         ->findChild<QWidget *>(QStringLiteral("frame_3"))
                         ->isVisible(),
                     linkMode);
        }
    }

private:
    Playlistwidget *page() const { return m_window->playlistPage(); }
    template <typename T> T *child(const char *name) const {
        return page()->findChild<T *>(QLatin1String(name));
    }
    QListWidget *list() const { return child<QListWidget>("listWidget"); }
    QPushButton *next() const { return child<QPushButton>("pushButton_2"); }

    // The window with stored credentials and device but no playlist: it
    // opens at the playlist page, which loads at once. expectedRows -2: as
    // many as the service has.
    void open(const QString &user, const QString &key, const QString &deviceName,
              int expectedRows = -2) {
        AppState &state = appState();
        state.userName = user;
        if (state.password.isEmpty())
            state.password = password;
        state.deviceKey = key;
        state.deviceName = deviceName;
        QVERIFY(MainModeKit::openWindow(m_window));
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
        const int rows = expectedRows == -2 ? servicePlaylists(key, user).size() : expectedRows;
        QVERIFY(waitIdle());
        QTRY_COMPARE_WITH_TIMEOUT(list()->count(), rows, 15000);
    }

    // The window at the sign-in page, then shown the playlist page without
    // any account.
    void openOffline() {
        QVERIFY(MainModeKit::openWindow(m_window));
        m_window->stack()->slideInIdx(MainWindow::PlaylistPage);
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::PlaylistPage));
        m_window->loadPlaylistPage();
    }

    void rightClickRow(int row) {
        const QPoint pos = list()->visualItemRect(list()->item(row)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos,
                                list()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(list()->viewport(), &event);
    }

    // An offline entry with its file, as the add page would leave it.
    bool keep(const QString &title) {
        QDir().mkpath(OfflinePlaylistStore::directory());
        const QString source = QStringLiteral("playlists/%1.m3u").arg(title);
        QFile file(source);
        if (!file.open(QIODevice::WriteOnly))
            return false;
        file.write("#EXTM3U\n");
        file.close();
        ScopedSettings::set(QStringLiteral("offline_playlist"), title, source);
        return true;
    }

    QString deviceToken(const QString &key, const QString &user = email) const {
        return m_service->login(user, password, key);
    }
    QJsonArray servicePlaylists(const QString &key, const QString &user = email) const {
        return m_service->call(QStringLiteral("get_playlists"), {deviceToken(key, user)}).toArray();
    }
    QStringList serviceTitles(const QString &key) const {
        QStringList titles;
        for (const QJsonValue &record : servicePlaylists(key))
            titles << record.toObject().value(QStringLiteral("title")).toString();
        return titles;
    }
    QString deleteOnService(int id) const {
        QString error;
        const QJsonValue result = m_service->call(QStringLiteral("delete_playlist"),
                                                  {id, deviceToken(m_demoKey)}, &error);
        return error.isEmpty() ? result.toString() : error;
    }
    // Binds a one-channel playlist to the device through the upload the
    // program itself uses; returns its id, or 0.
    int seedPlaylist(const QString &key, const QString &title) {
        const QString hash =
            m_service->call(QStringLiteral("get_upload_hash"), {deviceToken(key)}).toString();
        if (hash.isEmpty())
            return 0;
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("seed.m3u"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return 0;
        file.write("#EXTM3U\n#EXTINF:-1,Seed channel\nhttp://127.0.0.1/seed.ts\n");
        file.close();
        UploadFile upload;
        QSignalSpy finished(&upload, &UploadFile::uploadFinished);
        upload.upload(hash, path, title);
        if (!finished.wait(15000))
            return 0;
        for (const QJsonValue &record : servicePlaylists(key)) {
            if (record.toObject().value(QStringLiteral("title")).toString() == title)
                return record.toObject().value(QStringLiteral("id")).toInt();
        }
        return 0;
    }

    QTemporaryDir m_work;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QScopedPointer<MainWindow> m_window;
    QString m_demoKey;
    QList<QUrl> m_openedUrls;
};

QTEST_MAIN(TestPlaylistPage)
#include "tst_playlistpage.moc"
