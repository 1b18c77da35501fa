#pragma once

#include <QString>

// Where the program finds the files it ships and where it writes its own.
//
// Shipped files (catalogues, title font) sit beside the executable when the
// program runs from its build folder or an unpacked copy, and in the
// prefix's share/vantero/ when it is installed (bin/vantero beside
// share/vantero/).
//
// Written files (offline playlists, the logo cache) stay where they always
// were for a program run from its own, writable folder; an installed
// program, or one whose folder cannot be written, keeps them in the user's
// folders instead. Stored paths stay relative to the chosen root, so moving
// the root never leaves a stored path pointing to a place that moved.
class DataPaths {
public:
    // The folder holding the catalogues and the font.
    static QString dataDirectory();
    // True when dataDirectory() is not the program's own folder.
    static bool isInstalled();

    // The root that relative paths of written files resolve against: the
    // working directory for a program run from its own writable folder,
    // the user's data folder otherwise.
    static QString writableRoot();
    // path resolved against writableRoot(); an absolute path is kept.
    static QString resolve(const QString &path);
    // Where the logo cache ("image") lives: the program's folder, or the
    // user's cache folder for an installed program or an unwritable folder.
    static QString logoCacheParent();

    // The choice of dataDirectory() for a program in programDir: that
    // folder when it holds the English catalogue, else ../share/vantero
    // when that does, else programDir.
    static QString findDataDirectory(const QString &programDir);
    // Whether written files may go beside a program in programDir whose
    // data was found in dataDir.
    static bool writesBesideProgram(const QString &programDir, const QString &dataDir);

    // Tests only: other folders for the program and for the user's folders
    // (empty goes back to the real ones).
    static void setProgramDirectory(const QString &directory);
    static void setUserDirectories(const QString &dataDir, const QString &cacheDir);
};
