// Renders the sign-in, device, playlist and add-playlist pages, filled by the
// local development service, into PNG files for looking at them:
//     capture_playlist_pages <folder> [en|ru]
// Run it under xvfb-run from the folder of the program (the catalogues are
// there). It starts its own service and uses a settings store of its own.

#include "DevServiceProcess.h"
#include "TestSupport.h"

#include "account/LoginWidget.h"
#include "account/registrydevicewidget.h"
#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SlidingStackedWidget.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/Playlistwidget.h"
#include "widgets/AlertFrame.h"

#include <QApplication>
#include <QDir>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

bool save(QWidget *window, const QString &folder, const QString &name) {
    QTest::qWait(100);
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = window->grab().save(file);
    QTextStream(stdout) << (saved ? "wrote " : "failed ") << file << '\n';
    return saved;
}

bool idle() {
    return QTest::qWaitFor([] { return !appState().alertFrame->isBusy(); }, 20000);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: capture_playlist_pages <folder> [en|ru]\n";
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    const QString language = args.value(2, QStringLiteral("en"));
    QDir().mkpath(folder);
    const QString suffix = QLatin1Char('_') + language;

    ScopedSettings settings;
    DevServiceProcess service;
    if (!service.start()) {
        QTextStream(stderr) << service.errorString() << '\n';
        return 1;
    }
    appState().language = QStringLiteral("lang_") + language;

    MainWindow window;
    window.stack()->setSpeed(0);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    bool ok = true;

    // Sign-in page: empty, filled, and after a rejected attempt.
    ok &= save(&window, folder, QStringLiteral("signin") + suffix);
    auto *name = window.loginPage()->findChild<QLineEdit *>(QStringLiteral("lineEdit_3"));
    auto *password = window.loginPage()->findChild<QLineEdit *>(QStringLiteral("lineEdit_4"));
    auto *signIn = window.loginPage()->findChild<QPushButton *>(QStringLiteral("pushButton"));
    name->setText(QString::fromLatin1(DevServiceProcess::demoEmail));
    password->setText(QStringLiteral("wrong"));
    QTest::mouseClick(signIn, Qt::LeftButton);
    ok &= idle();
    QTest::qWait(700);
    ok &= save(&window, folder, QStringLiteral("signin_rejected") + suffix);
    QTest::mouseClick(appState().alertFrame, Qt::LeftButton);
    QTest::qWait(700);
    password->setText(QString::fromLatin1(DevServiceProcess::demoPassword));
    ok &= save(&window, folder, QStringLiteral("signin_filled") + suffix);

    // Device page after a real sign-in.
    QTest::mouseClick(signIn, Qt::LeftButton);
    auto *devices = window.devicePage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
    ok &= QTest::qWaitFor([&] { return devices->count() > 0 && !appState().alertFrame->isBusy(); },
                          20000);
    ok &= save(&window, folder, QStringLiteral("device") + suffix);

    // Playlist page for the demo device.
    QTest::mouseClick(devices->viewport(), Qt::LeftButton, {},
                      devices->visualItemRect(devices->item(0)).center());
    auto *playlists = window.playlistPage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
    ok &= QTest::qWaitFor(
        [&] { return playlists->count() > 0 && !appState().alertFrame->isBusy(); }, 20000);
    playlists->setCurrentRow(1);
    ok &= save(&window, folder, QStringLiteral("playlist") + suffix);

    // Add-playlist page, both ways.
    window.showDirectLink(true, QString());
    ok &= save(&window, folder, QStringLiteral("add_link") + suffix);
    window.showDirectLink(false, QStringLiteral("/tmp/channels.m3u"));
    window.addPlaylistPage()
        ->findChild<QLineEdit *>(QStringLiteral("lineEdit_directlink"))
        ->setText(QStringLiteral("My channels"));
    ok &= save(&window, folder, QStringLiteral("add_file") + suffix);

    // Offline: the playlists kept on this computer.
    QTemporaryDir work;
    QDir::setCurrent(work.path());
    {
        QSettings store(QStringLiteral("vantero"), QStringLiteral("vantero"));
        store.beginGroup(QStringLiteral("offline_playlist"));
        store.setValue(QStringLiteral("Home"), QStringLiteral("playlists/Home.m3u"));
        store.setValue(QStringLiteral("Sports"), QStringLiteral("playlists/Sports.m3u8"));
        store.endGroup();
    }
    appState().offlineMode = true;
    window.stack()->slideInIdx(MainWindow::PlaylistPage);
    window.loadPlaylistPage();
    ok &= save(&window, folder, QStringLiteral("playlist_offline") + suffix);
    appState().offlineMode = false;

    // A device without playlists: the notice.
    const QString token =
        service.login(QString::fromLatin1(DevServiceProcess::demoEmail),
                      QString::fromLatin1(DevServiceProcess::demoPassword), appState().deviceKey);
    const QJsonArray existing = service.call(QStringLiteral("get_playlists"), {token}).toArray();
    for (const QJsonValue &record : existing)
        service.call(QStringLiteral("delete_playlist"),
                     {record.toObject().value(QStringLiteral("id")).toInt(), token});
    window.loadPlaylistPage();
    ok &= idle();
    ok &= save(&window, folder, QStringLiteral("playlist_empty") + suffix);

    // Signed in with a plain name: no "New Playlist" section.
    appState().userName = QString::fromLatin1(DevServiceProcess::demoName);
    window.loadPlaylistPage();
    ok &= idle();
    ok &= save(&window, folder, QStringLiteral("playlist_plain") + suffix);

    return ok ? 0 : 1;
}
