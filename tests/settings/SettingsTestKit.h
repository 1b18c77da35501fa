#pragma once

// Helpers for the settings dialog tests: the demo user signed in on the
// local development service, the main window in main mode with the channel
// browser loaded from it, and the settings dialog opened as the program
// opens it.

#include "DevServiceProcess.h"
#include "EnginePlugins.h"
#include "PageTestKit.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SlidingStackedWidget.h"
#include "channels/HomeWidget.h"
#include "settings/DialogMainSettings.h"
#include "vlc/VlcInstance.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QPointer>
#include <QtTest>

namespace SettingsTestKit {

inline QString email() {
    return QString::fromLatin1(DevServiceProcess::demoEmail);
}
inline QString password() {
    return QString::fromLatin1(DevServiceProcess::demoPassword);
}
inline QString parentKey() {
    return QStringLiteral("%1_parent_pass").arg(QGuiApplication::platformName());
}

// Sound goes nowhere, and the engine's plug-ins stay loaded so that the
// leak checker can name the libraries that leak on their own.
inline void quietEngine() {
    keepEnginePluginsLoaded();
    VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
}

// A device option of the demo device, read and written on the service
// directly, as another client would.
inline QString deviceOption(const DevServiceProcess &service, const QString &deviceKey,
                            const QString &name) {
    const QString token = service.login(email(), password(), deviceKey);
    QString error;
    const QJsonValue value =
        service.call(QStringLiteral("get_devopt"), QJsonArray{name, token}, &error);
    return error.isEmpty() ? value.toString() : QStringLiteral("<error %1>").arg(error);
}

inline bool setDeviceOption(const DevServiceProcess &service, const QString &deviceKey,
                            const QString &name, const QString &value) {
    const QString token = service.login(email(), password(), deviceKey);
    QString error;
    const QJsonValue result =
        service.call(QStringLiteral("set_devopt"), QJsonArray{name, value, token}, &error);
    return error.isEmpty() && result.toString() == QLatin1String("OK");
}

// Stores the demo user as signed in on the demo device with a chosen
// playlist, and reads the store as start-up does.
inline void storeSignedIn(const QString &deviceKey, int playlist, const QString &playlistName) {
    const QString info = QStringLiteral("info");
    ScopedSettings::set(info, QStringLiteral("user_name"), email());
    ScopedSettings::set(info, QStringLiteral("user_password"), password());
    ScopedSettings::set(info, QStringLiteral("device_key"), deviceKey);
    ScopedSettings::set(info, QStringLiteral("device_name"),
                        QString::fromLatin1(DevServiceProcess::demoDevice));
    ScopedSettings::set(info, QStringLiteral("playlist_id"), playlist);
    ScopedSettings::set(info, QStringLiteral("playlist_name"), playlistName);
    appState().loadFromSettings();
}

// The main window as start-up makes it for a signed-in user: straight into
// main mode, the channel browser loaded. Null when it did not get there.
inline MainWindow *openMainMode() {
    auto *window = new MainWindow;
    HomeWidget *home = window->homeWidget();
    const bool loaded = QTest::qWaitFor(
        [&] {
            return home->channelList() && home->channelList()->count() > 0 &&
                   home->groupList()->count() > 0 &&
                   !(appState().alertFrame && appState().alertFrame->isBusy());
        },
        30000);
    if (!loaded || !QTest::qWaitForWindowExposed(window)) {
        delete window;
        return nullptr;
    }
    return window;
}

// Opens the dialog as its callers do: no parent, modal, shown. It waits
// until the opening slide has ended.
inline DialogMainSettings *openDialog(bool parentalRequest, bool parentalFlag) {
    auto *dialog = new DialogMainSettings(nullptr, parentalRequest, parentalFlag);
    dialog->setModal(true);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog) ||
        !QTest::qWaitFor([&] { return !dialog->stack()->isSliding(); }, 5000)) {
        delete dialog;
        return nullptr;
    }
    return dialog;
}

// The demo user of the local service for a whole test case, in a settings
// store of the test's own, with the device key and the playlist the tests
// sign in with.
class DemoSession {
public:
    bool start() {
        quietEngine();
        m_settings.reset(new ScopedSettings);
        service.reset(new DevServiceProcess);
        if (!service->start())
            return false;
        deviceKey = service->demoDeviceKey();
        playlistId = service->playlistId(deviceKey, playlistName);
        return !deviceKey.isEmpty() && playlistId > 0;
    }
    void stop() {
        VlcInstance::setExtraArguments({});
        service.reset();
        m_settings.reset();
    }
    // For init: the store emptied, the state as at start-up, the client
    // pointed at the service.
    void begin() const {
        ScopedSettings::clear();
        appState().reset();
        service->applyClientSettings();
    }
    void storeSignedIn() const {
        SettingsTestKit::storeSignedIn(deviceKey, playlistId, playlistName);
    }
    // For cleanup: every settings dialog goes, then the window.
    static void end(QScopedPointer<MainWindow> &window) {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<DialogMainSettings *>(widget))
                delete widget;
        }
        window.reset();
    }

    QScopedPointer<DevServiceProcess> service;
    QString deviceKey;
    const QString playlistName = QStringLiteral("Vantero TV");
    int playlistId = 0;

private:
    QScopedPointer<ScopedSettings> m_settings;
};

// Waits for the dialog's stack to come to rest on a page.
inline bool settlesOn(const DialogMainSettings *dialog, int page) {
    return QTest::qWaitFor(
        [&] { return !dialog->stack()->isSliding() && dialog->stack()->currentIndex() == page; },
        5000);
}

// The row of a list whose display text is text, -1 when none.
inline int rowOf(const QListWidget *list, const QString &text) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->item(i)->text() == text)
            return i;
    }
    return -1;
}

} // namespace SettingsTestKit
