#include "service/FailureAlert.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "widgets/AlertFrame.h"
#include "widgets/SharedOverlay.h"

#include <QDebug>

void showFailureAlert(const QString &message) {
    AlertFrame *overlay = appState().alertFrame;
    if (!overlay) {
        qDebug() << "network failure with no alert overlay yet:" << message;
        return;
    }
    overlay->hideBusy();
    // Every request of a burst fails the same way (the service went down
    // under a channel list): one alert says it, the rest add nothing.
    if (overlay->isShowingAlert(msg("error"), message))
        return;
    // The page that asked may be gone from the screen since; the alert goes
    // where the user looks.
    QWidget *page = SharedOverlay::pageOnScreen(overlay->parentWidget());
    if (!page) {
        qDebug() << "network failure, alert overlay has no page:" << message;
        return;
    }
    overlay->showAlert(page, msg("error"), message);
}
