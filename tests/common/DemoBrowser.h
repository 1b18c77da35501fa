#pragma once

// The channel browser on the local service's demo playlist "Vantero TV",
// for page tests: the process-wide test set-up, the service and its own
// channel list to compare with, a signed-in state, and the page (made again
// to stand for a restart). start() in initTestCase(), prepare() in init().
// Channels played are not remembered unless the test switches the history
// on.

#include "BrowserTestProcess.h"
#include "DevServiceProcess.h"
#include "PageTestKit.h"
#include "TestSupport.h"

#include "app/AppState.h"
#include "app/SettingsKeys.h"
#include "channels/ChannelMarks.h"
#include "channels/HomeWidget.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QScopedPointer>
#include <QSignalSpy>
#include <QtTest>

class DemoBrowser {
public:
    // Starts the service and reads the demo playlist; false with a reason
    // in error() when something is missing.
    bool start() {
        if (!m_work.isValid())
            return fail(QStringLiteral("no temporary folder"));
        if (!m_service.start())
            return fail(m_service.errorString());
        m_deviceKey = m_service.demoDeviceKey();
        m_token =
            m_service.login(QString::fromLatin1(DevServiceProcess::demoEmail),
                            QString::fromLatin1(DevServiceProcess::demoPassword), m_deviceKey);
        for (const QJsonValue &playlist :
             ask(QStringLiteral("get_playlists"), {m_token}).toArray()) {
            m_playlists.insert(playlist.toObject().value(QStringLiteral("title")).toString(),
                               playlist.toObject().value(QStringLiteral("id")).toInt());
        }
        m_playlistId = m_playlists.value(QStringLiteral("Vantero TV"));
        if (m_playlistId <= 0)
            return fail(QStringLiteral("no demo playlist"));
        m_channels = ask(QStringLiteral("get_channels"), {m_token, m_playlistId}).toArray();
        return !m_channels.isEmpty() || fail(QStringLiteral("no demo channels"));
    }

    // The state a signed-in start leaves, with no private or favourite
    // channels stored.
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

    // A new page in place of the old one, shown (and active where the test
    // asks for it), not started.
    bool showPage() {
        m_home.reset(new HomeWidget);
        m_home->resize(1280, 800);
        m_home->show();
        if (!activeWindow)
            return QTest::qWaitForWindowExposed(m_home.data());
        m_home->activateWindow();
        return QTest::qWaitForWindowActive(m_home.data());
    }
    // Makes the page if there is none and loads the playlist; true once the
    // first group is on screen.
    bool open() {
        if (!m_home && !showPage())
            return false;
        QSignalSpy shown(m_home.data(), &HomeWidget::groupsShown);
        m_home->start();
        return shown.wait(30000);
    }
    // The page goes, as at the end of a run.
    void close() { m_home.reset(); }

    HomeWidget *home() const { return m_home.data(); }
    QListWidget *strip() const { return m_home->groupList(); }
    QListWidget *list() const { return m_home->channelList(); }
    DevServiceProcess *service() { return &m_service; }
    int playlistId() const { return m_playlistId; }
    // Another playlist of the demo device ("Vantero Extra").
    int playlistId(const QString &title) const { return m_playlists.value(title); }

    // The service's channels of the playlist, in its order; a channel's
    // place there is one less than the number a viewer types.
    const QJsonArray &channels() const { return m_channels; }
    QString titleAt(int i) const { return m_channels.at(i).toObject().value("title").toString(); }
    int idAt(int i) const { return m_channels.at(i).toObject().value("id").toInt(); }
    int positionOf(const QString &title) const {
        for (int i = 0; i < m_channels.size(); ++i) {
            if (titleAt(i) == title)
                return i;
        }
        return -1;
    }
    QJsonObject channel(const QString &title) const {
        const int at = positionOf(title);
        return at < 0 ? QJsonObject() : m_channels.at(at).toObject();
    }
    int channelId(const QString &title) const { return at(title, "id"); }

    // Shows the channel's group and double-clicks its row; false when the
    // page lists it nowhere.
    bool play(const QString &title) {
        const QJsonArray &groups = m_home->groupRecords();
        for (int row = 0; row < groups.size(); ++row) {
            if (groups.at(row).toObject().value(QStringLiteral("id")).toInt() !=
                at(title, "group_id"))
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

    // A call of the service's interface; token() is the demo device's
    // session, in the place each method wants it.
    QJsonValue ask(const QString &method, const QJsonArray &params,
                   QString *error = nullptr) const {
        return m_service.call(method, params, error);
    }
    const QString &token() const { return m_token; }
    bool setOption(const QString &key, const QString &value) {
        QString error;
        ask(QStringLiteral("set_devopt"), {key, value, m_token}, &error);
        if (!error.isEmpty())
            qWarning() << "set_devopt failed:" << error;
        return error.isEmpty();
    }
    QString option(const QString &key) const {
        return ask(QStringLiteral("get_devopt"), {key, m_token}).toString();
    }
    // A value of the "info" group of the test's settings store.
    static QVariant stored(const char *key) {
        return ScopedSettings::get(QString::fromLatin1(SettingsKeys::groupInfo),
                                   QString::fromLatin1(key));
    }

    // A file in the test's own temporary folder.
    QString filePath(const QString &name) const { return m_work.filePath(name); }
    QString error() const { return m_error; }

    // The page takes the keyboard focus, so that its window-wide keys work;
    // only on an X server of the test's own, where no other test's window
    // takes the focus back.
    bool activeWindow = false;

private:
    bool fail(const QString &why) {
        m_error = why;
        return false;
    }
    int at(const QString &title, const char *key) const {
        return channel(title).value(QLatin1String(key)).toInt();
    }

    // Declared in the order they must be made; the page goes first.
    BrowserTestProcess m_work;
    ScopedSettings m_settings;
    DevServiceProcess m_service;
    QScopedPointer<HomeWidget> m_home;
    QString m_deviceKey;
    QString m_token;
    QString m_error;
    int m_playlistId = 0;
    QHash<QString, int> m_playlists;
    QJsonArray m_channels;
};
