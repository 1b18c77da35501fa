#include "app/DataPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

struct Overrides {
    QString programDir;
    QString userDataDir;
    QString userCacheDir;
};

Overrides &overrides() {
    static Overrides o;
    return o;
}

QString programDirectory() {
    const QString &dir = overrides().programDir;
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

// The user's folders of the program, under the organisation and
// application names of the settings store whatever the executable is named.
QString userFolder(QStandardPaths::StandardLocation location) {
    return QStandardPaths::writableLocation(location) + QStringLiteral("/vantero");
}

QString userDataDirectory() {
    const QString &dir = overrides().userDataDir;
    return dir.isEmpty() ? userFolder(QStandardPaths::GenericDataLocation) : dir;
}

QString userCacheDirectory() {
    const QString &dir = overrides().userCacheDir;
    return dir.isEmpty() ? userFolder(QStandardPaths::GenericCacheLocation) : dir;
}

bool holdsCatalogue(const QString &dir) {
    return QFileInfo::exists(dir + QStringLiteral("/lang_en.qm"));
}

} // namespace

QString DataPaths::findDataDirectory(const QString &programDir) {
    if (holdsCatalogue(programDir))
        return programDir;
    const QString shared = QDir::cleanPath(programDir + QStringLiteral("/../share/vantero"));
    if (holdsCatalogue(shared))
        return shared;
    return programDir;
}

bool DataPaths::writesBesideProgram(const QString &programDir, const QString &dataDir) {
    // Installed: root may well be able to write into /usr/bin, but a
    // program under a prefix never writes there.
    if (QDir::cleanPath(programDir) != QDir::cleanPath(dataDir))
        return false;
    const QFileInfo info(programDir);
    return info.isDir() && info.isWritable();
}

QString DataPaths::dataDirectory() {
    return findDataDirectory(programDirectory());
}

bool DataPaths::isInstalled() {
    const QString program = programDirectory();
    return QDir::cleanPath(findDataDirectory(program)) != QDir::cleanPath(program);
}

QString DataPaths::writableRoot() {
    const QString program = programDirectory();
    if (writesBesideProgram(program, findDataDirectory(program)))
        return QDir::currentPath();
    return userDataDirectory();
}

QString DataPaths::resolve(const QString &path) {
    return QDir(writableRoot()).filePath(path);
}

QString DataPaths::logoCacheParent() {
    const QString program = programDirectory();
    if (writesBesideProgram(program, findDataDirectory(program)))
        return program;
    return userCacheDirectory();
}

void DataPaths::setProgramDirectory(const QString &directory) {
    overrides().programDir = directory;
}

void DataPaths::setUserDirectories(const QString &dataDir, const QString &cacheDir) {
    overrides().userDataDir = dataDir;
    overrides().userCacheDir = cacheDir;
}
