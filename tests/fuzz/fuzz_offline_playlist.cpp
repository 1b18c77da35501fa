// The reader of playlists kept on this computer: any bytes, read as the
// program reads a chosen file.
#include "channels/OfflinePlaylistReader.h"

#include <QByteArray>
#include <QJsonObject>
#include <QSet>
#include <QTextStream>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QTextStream stream(&bytes);
    stream.setCodec("UTF-8");
    QJsonArray channels;
    QJsonArray groups;
    OfflinePlaylistReader::parse(stream, channels, groups);

    // Every channel names a group that exists, ids are unique.
    QSet<int> groupIds;
    for (const QJsonValue &group : groups)
        groupIds.insert(group.toObject().value(QStringLiteral("id")).toVariant().toInt());
    QSet<QString> channelIds;
    for (const QJsonValue &channel : channels) {
        const QJsonObject record = channel.toObject();
        const QString id = record.value(QStringLiteral("id")).toVariant().toString();
        if (channelIds.contains(id))
            abort();
        if (!groupIds.contains(record.value(QStringLiteral("group_id")).toVariant().toInt()))
            abort();
        channelIds.insert(id);
    }
    return 0;
}
