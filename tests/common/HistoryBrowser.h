#pragma once

// The channel browser on the local service's demo playlist "Vantero TV",
// for page tests: the service, a signed-in state, the page itself (made
// again to stand for a restart), and playing a channel as a user would.
// Unlike other page tests it lets the last channel start again on a load.

#include "BrowserTestProcess.h"
#include "DevServiceProcess.h"
#include "PageTestKit.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "channels/ChannelMarks.h"
#include "channels/HomeWidget.h"
#include "channels/WatchHistory.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QScopedPointer>
#include <QSignalSpy>
#include <QtTest>

class HistoryBrowser {
public:
    // Starts the service and reads the demo playlist; false with a reason
    // in error() when something is missing.
    bool start() {
        WatchHistory::setActive(true);
        if (!m_work.isValid())
            return fail(QStringLiteral("no temporary folder"));
        m_settings.reset(new ScopedSettings);
        m_service.reset(new DevServiceProcess);
        if (!m_service->start())
            return fail(m_service->errorString());
        m_deviceKey = m_service->demoDeviceKey();
        m_token =
            m_service->login(QString::fromLatin1(DevServiceProcess::demoEmail),
                             QString::fromLatin1(DevServiceProcess::demoPassword), m_deviceKey);
        const QJsonArray playlists = m_service->call("get_playlists", {m_token}).toArray();
        for (const QJsonValue &playlist : playlists) {
            m_playlists.insert(playlist.toObject().value(QStringLiteral("title")).toString(),
                               playlist.toObject().value(QStringLiteral("id")).toInt());
        }
        m_playlistId = m_playlists.value(QStringLiteral("Vantero TV"));
        if (m_playlistId <= 0)
            return fail(QStringLiteral("no demo playlist"));
        m_channels = m_service->call("get_channels", {m_token, m_playlistId}).toArray();
        return !m_channels.isEmpty() || fail(QStringLiteral("no demo channels"));
    }

    // The state a signed-in start leaves, with no private or favourite
    // channels stored.
    void signIn() {
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

    // Makes the page if there is none and loads the playlist; true once the
    // first group is on screen.
    bool open() {
        if (!m_home) {
            m_home.reset(new HomeWidget);
            m_home->resize(1280, 800);
            m_home->show();
            if (!QTest::qWaitForWindowExposed(m_home.data()))
                return false;
        }
        QSignalSpy shown(m_home.data(), &HomeWidget::groupsShown);
        m_home->start();
        return shown.wait(30000);
    }
    // The page goes, as at the end of a run.
    void close() { m_home.reset(); }

    HomeWidget *home() const { return m_home.data(); }
    QListWidget *strip() const { return m_home->groupList(); }
    QListWidget *list() const { return m_home->channelList(); }
    DevServiceProcess *service() const { return m_service.data(); }
    int playlistId() const { return m_playlistId; }
    // Another playlist of the demo device ("Vantero Extra").
    int playlistId(const QString &title) const { return m_playlists.value(title); }
    const QJsonArray &serviceChannels() const { return m_channels; }

    QJsonObject channel(const QString &title) const {
        for (const QJsonValue &record : m_channels) {
            if (record.toObject().value(QStringLiteral("title")).toString() == title)
                return record.toObject();
        }
        return QJsonObject();
    }
    int channelId(const QString &title) const {
        return channel(title).value(QStringLiteral("id")).toInt();
    }

    // Shows the channel's group and double-clicks its row; false when the
    // page lists it nowhere.
    bool play(const QString &title) {
        const int groupId = channel(title).value(QStringLiteral("group_id")).toInt();
        const QJsonArray &groups = m_home->groupRecords();
        for (int row = 0; row < groups.size(); ++row) {
            if (groups.at(row).toObject().value(QStringLiteral("id")).toInt() != groupId)
                continue;
            m_home->showGroup(row);
            const int channelRow = PageTestKit::rowTexts(list()).indexOf(title);
            if (channelRow < 0)
                return false;
            QListWidgetItem *item = list()->item(channelRow);
            list()->scrollToItem(item);
            const QPoint centre = list()->visualItemRect(item).center();
            QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, centre);
            return true;
        }
        return false;
    }

    void setOption(const QString &key, const QString &value) {
        QString error;
        m_service->call("set_devopt", {key, value, m_token}, &error);
        if (!error.isEmpty())
            qWarning() << "set_devopt failed:" << error;
    }

    QString error() const { return m_error; }

private:
    bool fail(const QString &why) {
        m_error = why;
        return false;
    }

    BrowserTestProcess m_work;
    QScopedPointer<ScopedSettings> m_settings;
    QScopedPointer<DevServiceProcess> m_service;
    QScopedPointer<HomeWidget> m_home;
    QString m_deviceKey;
    QString m_token;
    QString m_error;
    int m_playlistId = 0;
    QHash<QString, int> m_playlists;
    QJsonArray m_channels;
};
