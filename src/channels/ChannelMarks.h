#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QString>

// The favourite and private channel lists as the service keeps them: device
// options whose value lists decimal channel ids, "[101,205,33]", "[]" when
// empty. One pair of options per playlist; the parental password is one
// option per device. The option names start with the name of the platform
// plug-in, so each platform keeps its own.
namespace ChannelMarks {

// "<platform>_fav_<playlist>", "<platform>_priv_<playlist>",
// "<platform>_parent_pass".
QString favoritesKey(int playlistId);
QString privateKey(int playlistId);
QString parentPasswordKey();

// The ids of a stored value, as text in stored order. Brackets count as
// separators, empty items are dropped and text before the first separator
// is not an item; anything that is not text gives no ids.
QJsonArray decode(const QJsonValue &value);
// The stored form of a list of ids.
QString encode(const QJsonArray &ids);

// Whether some entry, read as a decimal integer, is id.
bool contains(const QJsonArray &ids, int id);
// Whether a channel's "adult" member marks it adult: true, a non-zero
// number, or the texts "1" and "true". Anything else reads as false.
bool isAdult(const QJsonValue &adult);

// Removes the first entry that reads as id; false when there is none.
bool removeOne(QJsonArray &ids, int id);

} // namespace ChannelMarks
