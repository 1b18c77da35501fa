#pragma once

#include "channels/ChannelRecordKeys.h"

#include <QJsonObject>
#include <QJsonValue>
#include <QString>

// A member of a service record, as the channel tests read them.
inline QString text(const QJsonValue &record, const QString &key) {
    return record.toObject().value(key).toString();
}

inline int number(const QJsonValue &record, const QString &key) {
    return record.toObject().value(key).toInt();
}
