#pragma once

// The channel browser on the local service's demo playlist "Vantero TV"
// for page tests: the service, the service's own channel list to compare
// with, and the page, shown and active so that its window-wide keys work.
// Construct it after a BrowserTestProcess; start() in initTestCase(),
// prepare() in init().

#include "DevServiceProcess.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/SettingsKeys.h"
#include "channels/ChannelMarks.h"
#include "channels/HomeWidget.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QScopedPointer>
#include <QSignalSpy>
#include <QtTest>

class DemoBrowser {
public:
    bool start() {
        if (!m_service.start())
            return false;
        m_deviceKey = m_service.demoDeviceKey();
        m_token = m_service.login(DevServiceProcess::demoEmail, DevServiceProcess::demoPassword,
                                  m_deviceKey);
        for (const QJsonValue &playlist : m_service.call("get_playlists", {m_token}).toArray()) {
            if (playlist.toObject().value("title").toString() == QLatin1String("Vantero TV"))
                m_playlistId = playlist.toObject().value("id").toInt();
        }
        channels = m_service.call("get_channels", {m_token, m_playlistId}).toArray();
        return m_playlistId > 0 && !channels.isEmpty();
    }

    // Signed in to the demo account, with no marks.
    void prepare() {
        AppState &state = appState();
        state.offlineMode = false;
        state.userName = QString::fromLatin1(DevServiceProcess::demoEmail);
        state.password = QString::fromLatin1(DevServiceProcess::demoPassword);
        state.deviceKey = m_deviceKey;
        state.playlistId = m_playlistId;
        state.playlistName = QStringLiteral("Vantero TV");
        setOption(ChannelMarks::favoritesKey(m_playlistId), QStringLiteral("[]"));
        setOption(ChannelMarks::privateKey(m_playlistId), QStringLiteral("[]"));
    }

    bool load() {
        if (!m_home) {
            m_home.reset(new HomeWidget);
            m_home->resize(1280, 800);
            m_home->show();
            m_home->activateWindow();
            if (!QTest::qWaitForWindowActive(m_home.data()))
                return false;
        }
        QSignalSpy shown(m_home.data(), &HomeWidget::groupsShown);
        m_home->start();
        return shown.wait(30000);
    }

    void setOption(const QString &key, const QString &value) {
        m_service.call("set_devopt", {key, value, m_token});
    }

    HomeWidget *home() const { return m_home.data(); }
    int playlistId() const { return m_playlistId; }
    // Place in the service's list of the first channel with title; the
    // number a viewer types is one more.
    int positionOf(const QString &title) const {
        for (int i = 0; i < channels.size(); ++i) {
            if (titleAt(i) == title)
                return i;
        }
        return -1;
    }
    QString titleAt(int i) const { return channels.at(i).toObject().value("title").toString(); }
    int idAt(int i) const { return channels.at(i).toObject().value("id").toInt(); }
    // A value of the "info" group of the test's settings store.
    static QVariant stored(const char *key) {
        return ScopedSettings::get(QString::fromLatin1(SettingsKeys::groupInfo),
                                   QString::fromLatin1(key));
    }

    QJsonArray channels;

private:
    // Declared in the order they must be made; the page goes first.
    ScopedSettings m_settings;
    DevServiceProcess m_service;
    QScopedPointer<HomeWidget> m_home;
    QString m_token;
    QString m_deviceKey;
    int m_playlistId = 0;
};
