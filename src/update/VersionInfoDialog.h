#pragma once

#include <QDialog>
#include <QScopedPointer>

namespace Ui {
class VersionInfoDialog;
}

// What's new, shown once after the updater has installed a new version.
class VersionInfoDialog : public QDialog {
    Q_OBJECT

public:
    explicit VersionInfoDialog(QWidget *parent = nullptr);
    ~VersionInfoDialog() override;

    // The change notes for a language identifier.
    static QString changeNotes(const QString &language);

private slots:
    void on_pushButton_clicked();

private:
    const QScopedPointer<Ui::VersionInfoDialog> ui;
};
