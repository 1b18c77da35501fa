#pragma once

class QString;
class QWidget;

// The pages' way to the one alert and busy overlay of the process
// (appState().alertFrame). The overlay does not exist before the main
// window, nor in tests of a lone page: then a busy request does nothing and
// an alert is logged instead of shown, never a crash.
namespace SharedOverlay {

void showBusy(QWidget *page);
void hideBusy();
// An alert titled "error" over page, or over the page on screen when
// page is not (see pageOnScreen).
void showError(QWidget *page, const QString &message);

// Where an alert about page's work can be seen: page itself while it is on
// screen and not under a modal dialog; else the modal dialog on top, else
// the main window's current page. Null only without any of them.
QWidget *pageOnScreen(QWidget *page);

} // namespace SharedOverlay
