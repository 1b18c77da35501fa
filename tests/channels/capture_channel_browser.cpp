// Shows the channel browser in the main window on the demo playlist of the
// local development service and saves screenshots of the whole screen
// (the video is drawn in a window of its own, so the screen is grabbed):
//     capture_channel_browser <folder> [en|ru]
// Run it under xvfb-run from the folder of the program (the catalogues are
// there). It starts its own service and uses a settings store of its own.

#include "DevServiceProcess.h"
#include "MainModeKit.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SlidingStackedWidget.h"
#include "channels/ChannelKeys.h"
#include "channels/ChannelMarks.h"
#include "channels/ChannelSearchBar.h"
#include "channels/HomeWidget.h"
#include "channels/LoadImageUrl.h"
#include "channels/PlayListToolBar.h"
#include "channels/ZapNumberEntry.h"
#include "player/PlayerToolBar.h"
#include "service/JsonRpc.h"
#include "vlc/VlcInstance.h"
#include "widgets/AlertFrame.h"

#include <QApplication>
#include <QDir>
#include <QJsonObject>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

bool save(const QString &folder, const QString &name) {
    QTest::qWait(300);
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = QGuiApplication::primaryScreen()->grabWindow(0).save(file);
    QTextStream(stdout) << (saved ? "wrote " : "failed ") << file << '\n';
    return saved;
}

int rowOf(const QListWidget *list, const QString &text) {
    for (int row = 0; row < list->count(); ++row) {
        if (list->item(row)->text() == text)
            return row;
    }
    return -1;
}

void click(QListWidget *list, int row, bool twice = false) {
    list->scrollToItem(list->item(row));
    const QPoint centre = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
    if (twice)
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: capture_channel_browser <folder> [en|ru]\n";
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    const QString language = args.value(2, QStringLiteral("en"));
    QDir().mkpath(folder);
    const QString suffix = QLatin1Char('_') + language;
    VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
    JsonRpc::setOnlineCheck([] { return true; });
    QTemporaryDir cache;
    LoadImageUrl::setCacheDirectory(cache.filePath(QStringLiteral("image")));

    ScopedSettings settings;
    DevServiceProcess service;
    if (!service.start()) {
        QTextStream(stderr) << service.errorString() << '\n';
        return 1;
    }
    const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
    const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);
    const QString key = service.demoDeviceKey();
    const QString token = service.login(email, password, key);
    const int playlistId = service.playlistId(key);
    appState().language = QStringLiteral("lang_") + language;
    MainModeKit::enterSignedIn(email, password, key, playlistId, QStringLiteral("Vantero TV"));

    MainWindow window;
    window.stack()->setSpeed(0);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    HomeWidget *home = window.homeWidget();
    window.enterMainMode();
    if (!QTest::qWaitFor([&] { return home->groupList()->count() > 0; }, 30000))
        return 1;
    // Logos and programme data in, then a minute tick shows them.
    (void)QTest::qWaitFor([&] { return home->findChildren<QObject *>().size() < 400; }, 20000);
    QTest::qWait(2000);
    QTimerEvent tick(home->refreshTimer());
    QCoreApplication::sendEvent(home, &tick);
    bool ok = save(folder, QStringLiteral("browser_loaded") + suffix);

    // A favourite, then a channel playing, another one selected.
    QListWidget *list = home->channelList();
    click(list, 2);
    QTest::mouseClick(
        home->playListToolBar()->findChild<QPushButton *>(QStringLiteral("favorite_button")),
        Qt::LeftButton);
    (void)QTest::qWaitFor([&] { return home->groupList()->count() == 6; }, 10000);
    (void)QTest::qWaitFor([] { return !appState().alertFrame->isBusy(); }, 10000);
    click(list, rowOf(list, QStringLiteral("Vantero News")), true);
    QTest::qWait(4000);
    click(list, 4);
    ok &= save(folder, QStringLiteral("browser_playing") + suffix);

    // The favourites group.
    click(home->groupList(), 0);
    ok &= save(folder, QStringLiteral("browser_favorites") + suffix);

    // The programme guide over the video, for the selected channel.
    click(home->groupList(), 1);
    click(list, 0);
    home->topToolBar()->toggleGuide();
    QTest::qWait(500);
    ok &= save(folder, QStringLiteral("browser_guide") + suffix);
    home->topToolBar()->toggleGuide();

    // Full screen and back.
    home->toggleFullScreen();
    QTest::qWait(1500);
    ok &= save(folder, QStringLiteral("browser_fullscreen") + suffix);
    home->toggleFullScreen();
    QTest::qWait(1000);
    ok &= save(folder, QStringLiteral("browser_back") + suffix);

    // The search over the whole playlist, one result selected.
    home->searchBar()->focusField();
    QTest::keyClicks(home->searchBar()->field(), QStringLiteral("classic"));
    click(list, 1);
    home->searchBar()->focusField();
    QTest::qWait(500);
    ok &= save(folder, QStringLiteral("browser_search") + suffix);

    // That result playing, its group marked in the strip, and a channel
    // number being typed over the picture.
    QTest::keyClick(home->searchBar()->field(), Qt::Key_Return);
    QTest::qWait(4000);
    ZapNumberEntry *number = home->keys()->numberEntry();
    number->setLimit(home->channelRecords().size());
    number->addDigit(1);
    QTest::qWait(300);
    ok &= save(folder, QStringLiteral("browser_number") + suffix);
    number->cancel();
    home->searchBar()->clearSearch();

    home->stop();
    service.call("set_devopt", {ChannelMarks::favoritesKey(playlistId), "[]", token});
    return ok ? 0 : 1;
}
