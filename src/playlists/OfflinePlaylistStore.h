#pragma once

#include <QJsonArray>
#include <QString>

// The playlists kept on this computer for offline mode. Settings group
// "offline_playlist" maps each playlist's title to the path of its file,
// relative to the root of written files (DataPaths::writableRoot(): the
// working directory, or the user's data folder for an installed program);
// the files live in the directory "playlists" under that root.
//
// Titles stay the keys, but a file's name is made from a cleaned-up title
// (see fileStem()), so that no title can place a file outside "playlists".
class OfflinePlaylistStore {
public:
    // "playlists", relative to the root of written files.
    static QString directory();
    // The same directory resolved against that root.
    static QString absoluteDirectory();

    // The entries as playlist records in store order: "id" (position + 1),
    // "name" (empty), "source" (the stored path) and "title" (the key).
    static QJsonArray list();

    // The title made a safe file name without a suffix (SafeFileName): no
    // separators, nothing Windows refuses, no dots, no device names.
    static QString fileStem(const QString &title);
    // Whether path is the file of one of the entries.
    static bool isListed(const QString &path);
    // "playlists/" + fileStem(title) + "." + suffix.
    static QString destinationFor(const QString &title, const QString &suffix);

    // Puts file into the directory under the title's name by copying it
    // (moveFile false) or moving it (true), and records the title. An
    // existing file is never replaced. When the file cannot be placed,
    // nothing is recorded and false is returned.
    static bool add(const QString &title, const QString &file, bool moveFile);

    // Deletes the playlist's file and its entry.
    static void remove(const QString &title, const QString &source);
};
