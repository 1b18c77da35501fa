#include "update/UpdaterFiles.h"

#include <QCoreApplication>

namespace UpdaterFiles {

namespace {

QString &overrideDirectory() {
    static QString directory;
    return directory;
}

QString directory() {
    return overrideDirectory().isEmpty() ? QCoreApplication::applicationDirPath()
                                         : overrideDirectory();
}

} // namespace

QString updaterPath() {
    return directory() + QStringLiteral("/Updater.exe");
}

QString replacementUpdaterPath() {
    return directory() + QStringLiteral("/Updater1.exe");
}

QString newUpdateMarkerPath() {
    return directory() + QStringLiteral("/newupdate.dat");
}

void setDirectory(const QString &directory) {
    overrideDirectory() = directory;
}

} // namespace UpdaterFiles
