#include "widgets/SharedOverlay.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SlidingStackedWidget.h"
#include "widgets/AlertFrame.h"

#include <QApplication>
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

QWidget *pageOnScreen(QWidget *page) {
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && (!page || page->window() != modal))
        return modal;
    if (page && page->isVisible())
        return page;
    QMainWindow *window = appState().mainWindow;
    if (PageFlow *flow = appState().pageFlow()) {
        if (window->isVisible() && flow->stack()->currentWidget())
            return flow->stack()->currentWidget();
    }
    return page;
}

void showError(QWidget *page, const QString &message) {
    if (AlertFrame *overlay = appState().alertFrame)
        overlay->showAlert(pageOnScreen(page), msg("error"), message);
    else
        qDebug() << "alert without an overlay:" << message;
}

} // namespace SharedOverlay
