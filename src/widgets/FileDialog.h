#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>

class QWidget;

// The program's file choosers. selectFiles() runs a modal QFileDialog
// (empty caption, directory and filter) in the given file mode with one
// name filter, and returns the selected files, or an empty list when the
// user cancelled.
//
// Tests can decide the outcome in advance: after setNextResult() the next
// selectFiles() returns that list at once (an empty list stands for a
// cancelled dialog), without showing anything, and records the name filter
// it was given. One preset answers one call; without a preset the real
// dialog runs.
class FileDialog {
public:
    static QStringList selectFiles(QWidget *parent, QFileDialog::FileMode mode,
                                   const QString &nameFilter);

    // For tests.
    static void setNextResult(const QStringList &files);
    static bool hasPresetResult();
    static void clearPresetResult();
    static QString lastNameFilter();
};
