#pragma once

#include <QString>

// The files through which the program and the separate updater cooperate,
// all in the program's own directory. Their names are the one place where
// the updater's platform shows.
namespace UpdaterFiles {

QString updaterPath();            // the updater started for an update
QString replacementUpdaterPath(); // a new updater, moved into place at start
QString newUpdateMarkerPath();    // left behind after an update was installed

// Tests point the hand-off at a folder of their own; empty means the
// program's directory.
void setDirectory(const QString &directory);

} // namespace UpdaterFiles
