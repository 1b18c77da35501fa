#pragma once

// The channel browser on the local service's demo playlist "Vantero TV",
// for page tests: the service, a session to set device options with, the
// service's own channel list to compare with, and a page loaded from it.
// Construct it in the test object (after a BrowserTestProcess), call
// start() in initTestCase() and prepare() in init().

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
        m_settings.reset(new ScopedSettings);
        m_service.reset(new DevServiceProcess);
        if (!m_service->start()) {
            qWarning() << m_service->errorString();
            return false;
        }
        m_deviceKey = m_service->demoDeviceKey();
        m_token = m_service->login(email(), password(), m_deviceKey);
        const QJsonArray playlists = m_service->call("get_playlists", {m_token}).toArray();
        for (const QJsonValue &playlist : playlists) {
            if (playlist.toObject().value("title").toString() == QLatin1String("Vantero TV"))
                m_playlistId = playlist.toObject().value("id").toInt();
        }
        channels = m_service->call("get_channels", {m_token, m_playlistId}).toArray();
        return !m_token.isEmpty() && m_playlistId > 0 && !channels.isEmpty();
    }

    void stop() {
        m_home.reset();
        m_service.reset();
        m_settings.reset();
    }

    // The signed-in state of the demo account, with no marks.
    void prepare() {
        AppState &state = appState();
        state.offlineMode = false;
        state.userName = email();
        state.password = password();
        state.deviceKey = m_deviceKey;
        state.playlistId = m_playlistId;
        state.playlistName = QStringLiteral("Vantero TV");
        setOption(ChannelMarks::favoritesKey(m_playlistId), QStringLiteral("[]"));
        setOption(ChannelMarks::privateKey(m_playlistId), QStringLiteral("[]"));
    }

    // Loads (the first time: builds and shows) the page, active, so that
    // its window-wide keys work.
    bool load() {
        if (!m_home) {
            m_home.reset(new HomeWidget);
            m_home->resize(1280, 800);
            m_home->show();
            if (!QTest::qWaitForWindowExposed(m_home.data())) {
                qWarning("the channel browser was not exposed");
                return false;
            }
            m_home->activateWindow();
            if (!QTest::qWaitForWindowActive(m_home.data())) {
                qWarning("the channel browser did not become active");
                return false;
            }
        }
        QSignalSpy shown(m_home.data(), &HomeWidget::groupsShown);
        m_home->start();
        if (!shown.wait(30000)) {
            qWarning("the demo playlist did not load");
            return false;
        }
        return true;
    }

    void setOption(const QString &key, const QString &value) {
        QString error;
        m_service->call("set_devopt", {key, value, m_token}, &error);
        if (!error.isEmpty())
            qWarning() << "set_devopt" << key << error;
    }

    HomeWidget *home() const { return m_home.data(); }
    int playlistId() const { return m_playlistId; }

    // Place in the service's list of the first channel with this title, -1
    // when none; the number a viewer types is one more.
    int positionOf(const QString &title) const {
        for (int i = 0; i < channels.size(); ++i) {
            if (titleAt(i) == title)
                return i;
        }
        return -1;
    }
    QString titleAt(int position) const {
        return channels.at(position).toObject().value("title").toString();
    }
    int idAt(int position) const { return channels.at(position).toObject().value("id").toInt(); }

    // A value of the "info" group of the test's settings store.
    static QVariant stored(const char *key) {
        return ScopedSettings::get(QString::fromLatin1(SettingsKeys::groupInfo),
                                   QString::fromLatin1(key));
    }

    static QString email() { return QString::fromLatin1(DevServiceProcess::demoEmail); }
    static QString password() { return QString::fromLatin1(DevServiceProcess::demoPassword); }

    // The service's channels of the demo playlist, in its order.
    QJsonArray channels;

private:
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QScopedPointer<HomeWidget> m_home;
    QString m_token;
    QString m_deviceKey;
    int m_playlistId = 0;
};
