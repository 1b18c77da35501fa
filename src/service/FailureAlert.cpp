#include "service/FailureAlert.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "widgets/AlertFrame.h"

#include <QDebug>

void showFailureAlert(const QString &message) {
    AlertFrame *overlay = appState().alertFrame;
    if (!overlay) {
        qDebug() << "network failure with no alert overlay yet:" << message;
        return;
    }
    overlay->hideBusy();
    QWidget *page = overlay->parentWidget();
    if (!page) {
        qDebug() << "network failure, alert overlay has no page:" << message;
        return;
    }
    overlay->showAlert(page, msg("error"), message);
}
