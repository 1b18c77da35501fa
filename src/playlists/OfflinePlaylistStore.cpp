#include "playlists/OfflinePlaylistStore.h"

#include "app/DataPaths.h"
#include "app/SettingsKeys.h"
#include "service/SafeFileName.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSettings>

QString OfflinePlaylistStore::directory() {
    return QStringLiteral("playlists");
}

QString OfflinePlaylistStore::absoluteDirectory() {
    return DataPaths::resolve(directory());
}

QJsonArray OfflinePlaylistStore::list() {
    QJsonArray records;
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupOfflinePlaylist);
    // allKeys, not childKeys: a title holding "/" is stored as a nested key.
    const QStringList titles = settings.allKeys();
    for (int i = 0; i < titles.size(); ++i) {
        QJsonObject record;
        record.insert(QStringLiteral("id"), i + 1);
        record.insert(QStringLiteral("name"), QString());
        record.insert(QStringLiteral("source"), settings.value(titles.at(i)).toString());
        record.insert(QStringLiteral("title"), titles.at(i));
        records.append(record);
    }
    settings.endGroup();
    return records;
}

QString OfflinePlaylistStore::fileStem(const QString &title) {
    // No suffix is allowed here: the caller appends the file's own.
    return SafeFileName::make(title, QStringList());
}

bool OfflinePlaylistStore::isListed(const QString &path) {
    const QString wanted = QFileInfo(path).absoluteFilePath();
    const QJsonArray records = list();
    for (const QJsonValue &record : records) {
        const QString source = record.toObject().value(QStringLiteral("source")).toString();
        // Stored relative to the writable root, which is not always the
        // current folder (an installed program keeps them in the user's).
        if (!source.isEmpty() && QFileInfo(DataPaths::resolve(source)).absoluteFilePath() == wanted)
            return true;
    }
    return false;
}

QString OfflinePlaylistStore::destinationFor(const QString &title, const QString &suffix) {
    return directory() + QLatin1Char('/') + fileStem(title) + QLatin1Char('.') + suffix;
}

bool OfflinePlaylistStore::add(const QString &title, const QString &file, bool moveFile) {
    // The store folds slashes away (and on some systems backslashes): a
    // title made of them alone would become the empty key, which stands for
    // the whole group.
    if (title.count(QLatin1Char('/')) + title.count(QLatin1Char('\\')) == title.size()) {
        qDebug() << "offline playlist title" << title << "cannot be a settings key";
        return false;
    }
    QDir().mkpath(absoluteDirectory());
    // Stored relative, placed under the root it is relative to.
    const QString destination = destinationFor(title, QFileInfo(file).completeSuffix());
    const QString placedAt = DataPaths::resolve(destination);
    const bool placed = moveFile ? QFile::rename(file, placedAt) : QFile::copy(file, placedAt);
    if (!placed) {
        qDebug() << "offline playlist" << title << "could not be placed at" << destination;
        return false;
    }
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupOfflinePlaylist);
    settings.setValue(title, destination);
    settings.endGroup();
    settings.sync();
    if (settings.status() != QSettings::NoError) {
        // A file without its entry would never be listed, nor ever deleted.
        qWarning() << "offline playlist" << title << "could not be recorded in"
                   << settings.fileName();
        QFile::remove(placedAt);
        return false;
    }
    return true;
}

void OfflinePlaylistStore::remove(const QString &title, const QString &source) {
    if (!source.isEmpty())
        QFile::remove(DataPaths::resolve(source));
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupOfflinePlaylist);
    // The empty key would remove every entry of the group.
    if (!title.isEmpty())
        settings.remove(title);
    settings.endGroup();
}
