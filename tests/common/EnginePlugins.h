#pragma once

#include "vlc/VlcInstance.h"

#include <QDir>
#include <QStringList>

#include <dlfcn.h>

// The engine unloads its plug-ins when its last instance goes, and Mesa
// unloads its software GL driver when the video output closes. The leak
// checker then cannot name the library a leaked block came from, and the
// suppressions for those libraries' own leaks (tests/lsan.supp)
// cannot match. An engine instance that lives as long as the process, and a
// driver opened so that it is never unloaded, keep them named.
inline void keepEnginePluginsLoaded() {
    static VlcInstance *const keeper = new VlcInstance({QStringLiteral("--quiet")});
    Q_UNUSED(keeper);
    const QStringList driverFolders = {QStringLiteral("/usr/lib/x86_64-linux-gnu/dri"),
                                       QStringLiteral("/usr/lib/aarch64-linux-gnu/dri"),
                                       QStringLiteral("/usr/lib64/dri"),
                                       QStringLiteral("/usr/lib/dri")};
    for (const QString &folder : driverFolders) {
        const QString driver = QDir(folder).filePath(QStringLiteral("swrast_dri.so"));
        if (QFile::exists(driver) &&
            dlopen(QFile::encodeName(driver).constData(), RTLD_LAZY | RTLD_NODELETE))
            break;
    }
}
