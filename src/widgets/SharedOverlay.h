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
// An alert titled "error" over page.
void showError(QWidget *page, const QString &message);

} // namespace SharedOverlay
