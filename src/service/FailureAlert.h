#pragma once

#include <QString>

// Ends the shared overlay's busy state and shows the "error" alert with the
// given text over the page the overlay belongs to. Before the main window
// has created the overlay (the start-up version lookup) the failure is only
// written to the debug log.
void showFailureAlert(const QString &message);
