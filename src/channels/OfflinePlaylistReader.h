#pragma once

#include <QJsonArray>
#include <QString>

class QTextStream;

// Reads a playlist kept on this computer (extended M3U) into the same
// channel and group records the service delivers:
//
// - "#EXTINF:" starts an entry; its title is everything after the line's
//   first comma (the whole line when there is none).
// - The entry's address is the first line after it that is neither blank
//   nor starts with "#": options ("#EXTVLCOPT:"), other comments and blank
//   lines in between are skipped.
// - "#EXTGRP:" names the entry's group (the rest of the line, as written)
//   wherever it stands between "#EXTINF:" and the address; one that stands
//   before an "#EXTINF:" line is taken by that entry unless the entry names
//   its own. An entry without a group goes to the group "unsorted".
// - An "#EXTINF:" line before the address starts a new entry; the earlier
//   one, having no address, gives no channel.
//
// A channel's "id" is the zero-based number of its address line, so ids are
// unique within a file and stay the same while the file does. Groups get
// the ids 1, 2, 3... in order of first use; titles are compared exactly.
class OfflinePlaylistReader {
public:
    // Appends the file's channels and groups. A file that cannot be opened
    // gives nothing; false then.
    static bool read(const QString &path, QJsonArray &channels, QJsonArray &groups);
    // The same on text that is already open (UTF-8 expected).
    static void parse(QTextStream &stream, QJsonArray &channels, QJsonArray &groups);
};
