#pragma once

// The fixture of a test that drives the real pages against a FakeService:
// the process-wide browser set-up and the stand-in for the whole test case,
// and for each test function a settings store of its own, the stand-in's
// answers cleared and the client pointed at it. end() closes what a test
// function opened, in the order the pages need: the settings dialog, the
// channel browser and the window go before the store they write to.

#include "BrowserTestProcess.h"
#include "FakeService.h"
#include "MainModeKit.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "app/SlidingStackedWidget.h"
#include "channels/HomeWidget.h"
#include "service/ServiceConfig.h"
#include "settings/DialogMainSettings.h"

#include <QScopedPointer>
#include <QSignalSpy>
#include <QtTest>

class StandInPages {
public:
    // For initTestCase.
    bool start() { return m_process.isValid() && m_service.start(); }
    // For init.
    void begin() {
        m_settings.reset(new ScopedSettings);
        m_service.clear();
        setServiceConfig(m_service.config());
    }
    // For cleanup.
    void end() {
        delete appState().settingsDialog.data();
        home.reset();
        window.reset();
        m_settings.reset();
        setServiceConfig(ServiceConfig::defaults());
    }

    FakeService &service() { return m_service; }
    QString workPath(const QString &name) const { return m_process.filePath(name); }

    // The process-wide state as the stand-in's user left it after signing
    // in and choosing the device; with a playlist id, the playlist too.
    static void signIn(int playlistId = 0) {
        AppState &state = appState();
        state.userName = QStringLiteral("user@vantero.test");
        state.password = QStringLiteral("secret");
        state.deviceKey = QStringLiteral("key-1");
        state.deviceName = QStringLiteral("Demo PC");
        if (playlistId > 0) {
            state.playlistId = playlistId;
            state.playlistName = QStringLiteral("TV");
        }
    }

    // A main window on the sign-in page (nothing is stored), every slide
    // instantaneous.
    bool openWindow() { return MainModeKit::openWindow(window); }

    // The channel browser alone, at the size of a main window.
    bool openHome() {
        home.reset(new HomeWidget);
        home->resize(1280, 800);
        home->show();
        return QTest::qWaitForWindowExposed(home.data());
    }
    // Starts its load cycle; true once the groups are shown.
    bool loadHome(int timeoutMs = 20000) {
        QSignalSpy shown(home.data(), &HomeWidget::groupsShown);
        home->start();
        return shown.wait(timeoutMs);
    }

    QScopedPointer<MainWindow> window;
    QScopedPointer<HomeWidget> home;

private:
    BrowserTestProcess m_process;
    FakeService m_service;
    QScopedPointer<ScopedSettings> m_settings;
};
