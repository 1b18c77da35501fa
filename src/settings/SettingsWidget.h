#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class SettingsWidget;
}
class QListWidgetItem;

// The settings menu, first page of the settings dialog: playlist, language,
// parental control, network, profile, the always-on-top and resume switches,
// and the keyboard shortcuts.
class SettingsWidget : public QWidget {
    Q_OBJECT

public:
    // Rows of the menu, in order.
    enum Row {
        PlaylistRow,
        LanguageRow,
        PrivatePasswordRow,
        NetworkRow,
        ProfileRow,
        OnTopRow,
        ResumeRow,
        ShortcutsRow
    };

    explicit SettingsWidget(QWidget *parent = nullptr);
    ~SettingsWidget() override;

protected:
    // Paints the page's style-sheet background.
    void paintEvent(QPaintEvent *event) override;

private slots:
    void on_listWidget_itemClicked(QListWidgetItem *item);

private:
    void toggleOnTop(QListWidgetItem *item);

    const QScopedPointer<Ui::SettingsWidget> ui;
};
