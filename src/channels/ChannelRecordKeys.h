#pragma once

#include <QString>

// The members of the service's channel and group records that the program
// reads, said once for the browser, its data and their tests.
namespace ChannelRecordKeys {

inline const QString idKey = QStringLiteral("id");
inline const QString titleKey = QStringLiteral("title");
inline const QString nameKey = QStringLiteral("name");
inline const QString groupIdKey = QStringLiteral("group_id");
inline const QString pictKey = QStringLiteral("pict");
inline const QString epgKey = QStringLiteral("epg");
inline const QString epgIdKey = QStringLiteral("epg_id");
inline const QString hrefKey = QStringLiteral("href");
inline const QString adultKey = QStringLiteral("adult");

} // namespace ChannelRecordKeys
