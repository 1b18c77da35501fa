#pragma once

#include <QJsonArray>
#include <QString>

class QTextStream;

// Reads a playlist kept on this computer (extended M3U) into the same
// channel and group records the service delivers:
//
// - "#EXTINF:" starts an entry; its title is everything after the line's
//   first comma (the whole line when there is none).
// - "#EXTGRP:" names the entry's group (the rest of the line, as written);
//   the line after it is the address.
// - Without a group line, the first line after "#EXTINF:" that is no
//   directive is the address, and the entry goes to the group "unsorted".
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
