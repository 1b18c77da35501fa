#pragma once

#include "EnginePlugins.h"

#include "channels/LoadImageUrl.h"
#include "channels/WatchHistory.h"
#include "player/PlayerWidget.h"
#include "service/JsonRpc.h"
#include "vlc/VlcInstance.h"

#include <QTemporaryDir>

// The process-wide set-up of a test that opens the channel browser, undone
// when the test object goes: the engine's plug-ins kept loaded (so the leak
// checker can name them), no sound device, the network taken as online (a
// test machine may have no route out), and logos saved in this folder rather
// than beside the program, and no history of channels played: nothing is
// remembered and nothing starts by itself on a load (the tests of the
// history switch it on again). However slow the machine, a
// channel is given up on only where a test asks for it.
class BrowserTestProcess : public QTemporaryDir {
public:
    BrowserTestProcess() {
        keepEnginePluginsLoaded();
        VlcInstance::setExtraArguments({QStringLiteral("--aout=dummy")});
        JsonRpc::setOnlineCheck([] { return true; });
        LoadImageUrl::setCacheDirectory(filePath(QStringLiteral("image")));
        WatchHistory::setActive(false);
        PlayerWidget::setOpenTimeoutOverride(10 * 60 * 1000);
    }
    ~BrowserTestProcess() {
        PlayerWidget::setOpenTimeoutOverride(0);
        WatchHistory::setActive(true);
        LoadImageUrl::setCacheDirectory(QString());
        JsonRpc::setOnlineCheck(nullptr);
    }
    BrowserTestProcess(const BrowserTestProcess &) = delete;
    BrowserTestProcess &operator=(const BrowserTestProcess &) = delete;
};
