#include "channels/WatchHistory.h"

#include "app/AppState.h"
#include "app/SettingsKeys.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>

namespace {

bool historyActive = true;

QVector<int> decode(const QVariant &stored) {
    QVector<int> ids;
    const QJsonDocument document = QJsonDocument::fromJson(stored.toString().toUtf8());
    for (const QJsonValue &value : document.array()) {
        // Only whole positive numbers name a channel; anything else in a
        // damaged value is skipped, as are repeats.
        const double number = value.toDouble(-1);
        const int id = int(number);
        if (!value.isDouble() || id <= 0 || double(id) != number || ids.contains(id))
            continue;
        ids.append(id);
        if (ids.size() == WatchHistory::limit)
            break;
    }
    return ids;
}

} // namespace

QString WatchHistory::currentPlaylistKey() {
    const AppState &state = appState();
    if (!state.offlineMode)
        return QStringLiteral("playlist_%1").arg(state.playlistId);
    // A file's path may hold anything a settings key must not.
    const QByteArray hash =
        QCryptographicHash::hash(state.playlistSource.toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("offline_") + QString::fromLatin1(hash.toHex());
}

QVector<int> WatchHistory::channels(const QString &playlistKey) {
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupHistory);
    const QVector<int> ids = decode(settings.value(playlistKey));
    settings.endGroup();
    return ids;
}

void WatchHistory::add(const QString &playlistKey, int id) {
    if (id <= 0 || !historyActive)
        return;
    QVector<int> ids = channels(playlistKey);
    ids.removeAll(id);
    ids.prepend(id);
    ids.resize(qMin(ids.size(), limit));
    QJsonArray stored;
    for (int each : qAsConst(ids))
        stored.append(each);
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupHistory);
    settings.setValue(playlistKey,
                      QString::fromUtf8(QJsonDocument(stored).toJson(QJsonDocument::Compact)));
    settings.endGroup();
}

bool WatchHistory::resumeEnabled() {
    if (!historyActive)
        return false;
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    const bool enabled = settings.value(SettingsKeys::resumeLast, true).toBool();
    settings.endGroup();
    return enabled;
}

void WatchHistory::setResumeEnabled(bool enabled) {
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    settings.setValue(SettingsKeys::resumeLast, enabled);
    settings.endGroup();
}

void WatchHistory::setActive(bool active) {
    historyActive = active;
}
