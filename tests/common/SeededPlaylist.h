#pragma once

#include "DevServiceProcess.h"

#include "app/AppState.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

// A playlist longer than the demo one: the local service seeds "Benchmark N"
// (N channels in twenty blocks, one guide id per channel up to 1,000 of them,
// then shared; every 25th channel without one) into the e-mail account.
namespace SeededPlaylist {

// The service's options for such a playlist; verbose logs each API call
// ("api: get_epg ok"), which tests count.
inline QStringList serviceArguments(int channels, bool verbose = false) {
    QStringList arguments{QStringLiteral("--seed-channels"), QString::number(channels)};
    if (verbose)
        arguments << QStringLiteral("--verbose");
    return arguments;
}

// Signs in to the running service as the demo e-mail account and makes the
// seeded playlist the one the channel browser loads (AppState). Its id, 0
// when it cannot be found; the session's token in *token.
inline int select(const DevServiceProcess &service, int channels, QString *token = nullptr) {
    const QString email = QString::fromLatin1(DevServiceProcess::demoEmail);
    const QString password = QString::fromLatin1(DevServiceProcess::demoPassword);
    const QString key = service.demoDeviceKey();
    const QString session = service.login(email, password, key);
    if (token)
        *token = session;
    const QString title = QStringLiteral("Benchmark %1").arg(channels);
    int id = 0;
    for (const QJsonValue &playlist : service.call("get_playlists", {session}).toArray()) {
        if (playlist.toObject().value(QLatin1String("title")).toString() == title)
            id = playlist.toObject().value(QLatin1String("id")).toInt();
    }
    if (id == 0)
        return 0;
    AppState &state = appState();
    state.offlineMode = false;
    state.userName = email;
    state.password = password;
    state.deviceKey = key;
    state.playlistId = id;
    state.playlistName = title;
    return id;
}

} // namespace SeededPlaylist
