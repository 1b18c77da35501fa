#pragma once

// Start-up straight into the channel browser for page tests: a user, a
// device and a playlist stored as a previous run left them, and a main
// window made from that store.

#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "channels/HomeWidget.h"

#include <QScopedPointer>
#include <QtTest>

namespace MainModeKit {

// Writes what a finished sign-in, device choice and playlist choice store.
inline void storeSignedIn(const QString &user, const QString &password, const QString &deviceKey,
                          int playlistId) {
    const QString info = QString::fromLatin1(SettingsKeys::groupInfo);
    ScopedSettings::set(info, QLatin1String(SettingsKeys::userName), user);
    ScopedSettings::set(info, QLatin1String(SettingsKeys::userPassword), password);
    ScopedSettings::set(info, QLatin1String(SettingsKeys::deviceKey), deviceKey);
    ScopedSettings::set(info, QLatin1String(SettingsKeys::deviceName), QStringLiteral("Demo PC"));
    ScopedSettings::set(info, QLatin1String(SettingsKeys::playlistId), playlistId);
    ScopedSettings::set(info, QLatin1String(SettingsKeys::playlistName), QStringLiteral("TV"));
}

// Sets the process-wide state as the same steps leave it in this run.
inline void enterSignedIn(const QString &user, const QString &password, const QString &deviceKey,
                          int playlistId, const QString &playlistName = QString()) {
    AppState &state = appState();
    state.userName = user;
    state.password = password;
    state.deviceKey = deviceKey;
    state.playlistId = playlistId;
    if (!playlistName.isEmpty())
        state.playlistName = playlistName;
}

inline QVariant stored(const char *key) {
    return ScopedSettings::get(QString::fromLatin1(SettingsKeys::groupInfo),
                               QString::fromLatin1(key));
}

// A main window as start-up makes it from what the process-wide state holds,
// shown, every slide instantaneous.
inline bool openWindow(QScopedPointer<MainWindow> &window) {
    window.reset(new MainWindow);
    window->stack()->setSpeed(0);
    window->show();
    return QTest::qWaitForWindowExposed(window.data());
}

// A main window as start-up makes it from the store; shown, with its
// first slide over and every later one instantaneous (a slide asked for
// while one runs is dropped).
inline MainWindow *startFromStore() {
    appState().loadFromSettings();
    auto *window = new MainWindow;
    window->stack()->setSpeed(0);
    window->show();
    if (!QTest::qWaitFor([window] { return !window->stack()->isSliding(); }, 10000))
        qWarning("the first slide of the main window did not end");
    return window;
}

// The channel browser with no service behind it: an offline page loads no
// playlist and raises no alert over the player. Started, then shown.
inline bool openOfflineHome(QScopedPointer<HomeWidget> &home, const QSize &size) {
    appState().offlineMode = true;
    home.reset(new HomeWidget);
    home->resize(size);
    home->start();
    home->show();
    return QTest::qWaitForWindowExposed(home.data());
}

} // namespace MainModeKit
