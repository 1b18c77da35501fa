#include "channels/OfflinePlaylistReader.h"

#include <QFile>
#include <QHash>
#include <QJsonObject>
#include <QTextStream>

namespace {

const QString trackPrefix = QStringLiteral("#EXTINF:");
const QString groupPrefix = QStringLiteral("#EXTGRP:");
const QString unsortedTitle = QStringLiteral("unsorted");

// The groups found so far, with a lookup by title so that a playlist with
// many groups does not slow down with each one.
class GroupTable {
public:
    explicit GroupTable(QJsonArray &groups)
        : m_groups(groups) {
        for (int i = 0; i < m_groups.size(); ++i) {
            const QJsonObject group = m_groups.at(i).toObject();
            m_ids.insert(group.value(QLatin1String("title")).toString(),
                         group.value(QLatin1String("id")).toInt());
        }
    }

    int idOf(const QString &title) {
        const auto found = m_ids.constFind(title);
        if (found != m_ids.constEnd())
            return found.value();
        const int id = m_groups.size() + 1;
        m_groups.append(QJsonObject{{QStringLiteral("id"), id}, {QStringLiteral("title"), title}});
        m_ids.insert(title, id);
        return id;
    }

private:
    QJsonArray &m_groups;
    QHash<QString, int> m_ids;
};

QJsonObject channelRecord(int id, int groupId, const QString &title, const QString &href) {
    // Filling in a copy of a finished record is several times faster than
    // building each one key by key, which counts with long playlists.
    static const QJsonObject blank{
        {QStringLiteral("adult"), false},    {QStringLiteral("epg"), QString()},
        {QStringLiteral("epg_id"), 0},       {QStringLiteral("group_id"), 0},
        {QStringLiteral("href"), QString()}, {QStringLiteral("id"), 0},
        {QStringLiteral("name"), QString()}, {QStringLiteral("order"), 0},
        {QStringLiteral("pict"), QString()}, {QStringLiteral("title"), QString()},
        {QStringLiteral("type"), QString()},
    };
    QJsonObject record = blank;
    record[QLatin1String("group_id")] = groupId;
    record[QLatin1String("href")] = href;
    record[QLatin1String("id")] = id;
    record[QLatin1String("name")] = title;
    record[QLatin1String("title")] = title;
    return record;
}

QString trackTitle(const QString &line) {
    const int comma = line.indexOf(QLatin1Char(','));
    return comma < 0 ? line : line.mid(comma + 1);
}

// Directives, other comments and blank lines are never an address.
bool isAddress(const QString &line) {
    return !line.startsWith(QLatin1Char('#')) && !line.trimmed().isEmpty();
}

} // namespace

bool OfflinePlaylistReader::read(const QString &path, QJsonArray &channels, QJsonArray &groups) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QTextStream stream(&file);
    parse(stream, channels, groups);
    return true;
}

void OfflinePlaylistReader::parse(QTextStream &stream, QJsonArray &channels, QJsonArray &groups) {
    stream.setCodec("UTF-8");
    GroupTable table(groups);

    QString title;
    // The group named for the entry under way (0: none yet), and one named
    // before any entry, which the next entry takes unless it names its own.
    int groupId = 0;
    int pendingGroupId = 0;
    bool inEntry = false;
    int lineIndex = 0;
    QString line;
    while (stream.readLineInto(&line)) {
        if (line.startsWith(trackPrefix)) {
            // A track without an address gives nothing; this one starts anew.
            title = trackTitle(line);
            groupId = pendingGroupId;
            pendingGroupId = 0;
            inEntry = true;
        } else if (line.startsWith(groupPrefix)) {
            const int id = table.idOf(line.mid(groupPrefix.size()));
            if (inEntry)
                groupId = id;
            else
                pendingGroupId = id;
        } else if (inEntry && isAddress(line)) {
            if (groupId == 0)
                groupId = table.idOf(unsortedTitle);
            channels.append(channelRecord(lineIndex, groupId, title, line));
            inEntry = false;
        }
        ++lineIndex;
    }
}
