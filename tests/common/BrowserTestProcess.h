#pragma once

#include "EnginePlugins.h"

#include "channels/LoadImageUrl.h"
#include "service/JsonRpc.h"
#include "vlc/VlcInstance.h"

#include <QTemporaryDir>

// The process-wide set-up of a test that opens the channel browser, undone
// when the test object goes: the engine's plug-ins kept loaded (so the leak
// checker can name them), no sound device, the network taken as online (a
// test machine may have no route out), and logos saved in this folder rather
// than beside the program.
class BrowserTestProcess : public QTemporaryDir {
public:
    BrowserTestProcess() {
        keepEnginePluginsLoaded();
        VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
        JsonRpc::setOnlineCheck([] { return true; });
        LoadImageUrl::setCacheDirectory(filePath(QStringLiteral("image")));
    }
    ~BrowserTestProcess() {
        LoadImageUrl::setCacheDirectory(QString());
        JsonRpc::setOnlineCheck(nullptr);
    }
    BrowserTestProcess(const BrowserTestProcess &) = delete;
    BrowserTestProcess &operator=(const BrowserTestProcess &) = delete;
};
