#pragma once

// The process-wide set-up of a channel-browser test and the local service
// with its seeded playlist of many channels (SeededPlaylist), chosen for the
// browser to load, with the service's own list of it. start() in
// initTestCase(). The seeded playlist's first and last channels share a
// guide id; start() checks that, since the tests of shared schedules rest on
// it.

#include "BrowserTestProcess.h"
#include "DevServiceProcess.h"
#include "SeededPlaylist.h"
#include "TestSupport.h"

#include <QJsonArray>
#include <QJsonObject>

class SeededBrowser {
public:
    // verbose: the service logs each call, for tests that count them.
    explicit SeededBrowser(int channels, bool verbose = false)
        : m_count(channels)
        , m_service(SeededPlaylist::serviceArguments(channels, verbose)) {}

    bool start() {
        if (!m_work.isValid())
            return fail(QStringLiteral("no temporary folder"));
        if (!m_service.start())
            return fail(m_service.errorString());
        const int playlist = SeededPlaylist::select(m_service, m_count, &m_token);
        if (playlist <= 0)
            return fail(QStringLiteral("no seeded playlist"));
        m_channels = m_service.call("get_channels", {m_token, playlist}).toArray();
        if (m_channels.size() != m_count)
            return fail(QStringLiteral("%1 channels, not %2").arg(m_channels.size()).arg(m_count));
        const int first = guideAt(0);
        return (first != 0 && guideAt(m_count - 1) == first) ||
               fail(QStringLiteral("the first and last channels share no guide id"));
    }

    DevServiceProcess *service() { return &m_service; }
    const DevServiceProcess *service() const { return &m_service; }
    const QString &token() const { return m_token; }
    const QJsonArray &channels() const { return m_channels; }
    int guideAt(int i) const {
        return m_channels.at(i).toObject().value(QLatin1String("epg_id")).toInt();
    }
    // A file in the test's own temporary folder.
    QString filePath(const QString &name) const { return m_work.filePath(name); }
    QString error() const { return m_error; }

private:
    bool fail(const QString &why) {
        m_error = why;
        return false;
    }

    const int m_count;
    BrowserTestProcess m_work;
    ScopedSettings m_settings;
    DevServiceProcess m_service;
    QString m_token;
    QString m_error;
    QJsonArray m_channels;
};
