#pragma once

#include <QString>
#include <QVector>

// The channels last played in each playlist, newest first, without repeats
// and at most `limit` of them, kept in the settings store (group "history",
// one entry per playlist) so that they outlive the run. A stored value that
// cannot be read counts as an empty history and is overwritten by the next
// channel played. Also the switch that lets the channel browser start the
// last channel again when a playlist opens.
class WatchHistory {
public:
    static constexpr int limit = 10;
    // The group id of "Recently watched" in the channel browser's strip (the
    // service's ids are positive, the favourites group is 0).
    static constexpr int groupId = -1;

    // The entry of the current playlist: its id online, its file offline.
    static QString currentPlaylistKey();

    static QVector<int> channels(const QString &playlistKey);
    // Puts id first, dropping an earlier entry of it and the oldest beyond
    // the limit.
    static void add(const QString &playlistKey, int id);

    // Whether the last channel starts again when its playlist opens (on
    // unless switched off).
    static bool resumeEnabled();
    static void setResumeEnabled(bool enabled);
    // A run that must neither remember channels nor start one by itself
    // (the tests of other parts of the page) switches the history off,
    // whatever the setting says.
    static void setActive(bool active);
};
