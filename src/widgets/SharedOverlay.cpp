#include "widgets/SharedOverlay.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "widgets/AlertFrame.h"

#include <QDebug>

namespace SharedOverlay {

void showBusy(QWidget *page) {
    if (AlertFrame *overlay = appState().alertFrame)
        overlay->showBusy(page);
}

void hideBusy() {
    if (AlertFrame *overlay = appState().alertFrame)
        overlay->hideBusy();
}

void showError(QWidget *page, const QString &message) {
    if (AlertFrame *overlay = appState().alertFrame)
        overlay->showAlert(page, msg("error"), message);
    else
        qDebug() << "alert without an overlay:" << message;
}

} // namespace SharedOverlay
