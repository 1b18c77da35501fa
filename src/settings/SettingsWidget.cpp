#include "settings/SettingsWidget.h"

#include "ui_SettingsWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "channels/ListItemDelegate.h"
#include "channels/WatchHistory.h"
#include "settings/DialogMainSettings.h"
#include "settings/ParentWidget.h"

#include <QListWidgetItem>
#include <QPainter>
#include <QSettings>
#include <QStyleOption>

namespace {

constexpr int rowHeight = 50;

// setWindowFlags() hides a window; one that was on screen is shown again
// with its new flags.
void setFlags(QWidget *window, Qt::WindowFlags flags) {
    if (!window || window->windowFlags() == flags)
        return;
    const bool visible = window->isVisible();
    window->setWindowFlags(flags);
    if (visible)
        window->show();
}

} // namespace

SettingsWidget::SettingsWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::SettingsWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("settings"));
    ui->listWidget->setAttribute(Qt::WA_MacShowFocusRect, false);

    auto *delegate = new ListItemDelegate(ui->listWidget);
    delegate->mode = ListItemDelegate::MenuMode;
    ui->listWidget->setItemDelegate(delegate);

    for (const char *key : {"playlist", "language", "privatepassword", "network", "profile",
                            "ontop", "resume", "shortcuts"}) {
        auto *item = new QListWidgetItem(ui->listWidget);
        const QString text = msg(key);
        item->setData(Qt::DisplayRole, text);
        item->setData(ListItemDelegate::TextRole, text);
        // A fresh item has no size hint (width -1), which Qt would drop.
        item->setSizeHint(QSize(qMax(0, item->sizeHint().width()), rowHeight));
    }
    QListWidgetItem *onTop = ui->listWidget->item(OnTopRow);
    onTop->setData(ListItemDelegate::CheckableRole, 1);
    onTop->setData(ListItemDelegate::CheckedRole, appState().onTop);
    QListWidgetItem *resume = ui->listWidget->item(ResumeRow);
    resume->setData(ListItemDelegate::CheckableRole, 1);
    resume->setData(ListItemDelegate::CheckedRole, WatchHistory::resumeEnabled() ? 1 : 0);
}

SettingsWidget::~SettingsWidget() = default;

void SettingsWidget::on_listWidget_itemClicked(QListWidgetItem *) {
    DialogMainSettings *dialog = DialogMainSettings::of(this);
    const int row = ui->listWidget->currentRow();
    if (row == OnTopRow) {
        toggleOnTop(ui->listWidget->item(row));
        return;
    }
    if (row == ResumeRow) {
        QListWidgetItem *item = ui->listWidget->item(row);
        const bool enabled = item->data(ListItemDelegate::CheckedRole).toInt() == 0;
        item->setData(ListItemDelegate::CheckedRole, enabled ? 1 : 0);
        WatchHistory::setResumeEnabled(enabled);
        return;
    }
    if (!dialog)
        return;
    switch (row) {
    case PlaylistRow:
        dialog->showPlaylistPage();
        break;
    case LanguageRow:
        dialog->showLanguagePage();
        break;
    case PrivatePasswordRow:
        dialog->parentPage()->setMode(appState().parentPassword.isEmpty()
                                          ? ParentWidget::FirstMode
                                          : ParentWidget::ChangeMode,
                                      false);
        dialog->showParentPage();
        break;
    case NetworkRow:
        dialog->showNetworkPage();
        break;
    case ProfileRow:
        dialog->showProfilePage();
        break;
    case ShortcutsRow:
        dialog->showShortcutsPage();
        break;
    default:
        break;
    }
}

void SettingsWidget::toggleOnTop(QListWidgetItem *item) {
    AppState &state = appState();
    state.onTop = item->data(ListItemDelegate::CheckedRole).toInt() == 0;
    item->setData(ListItemDelegate::CheckedRole, state.onTop ? 1 : 0);
    if (QMainWindow *window = state.mainWindow)
        setFlags(window, DialogMainSettings::mainWindowFlags(window->windowFlags(), state.onTop));
    // The dialog keeps both hints either way: it is modal and must never
    // fall behind the window it blocks.
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        setFlags(dialog, dialog->windowFlags() | DialogMainSettings::onTopHints);

    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    settings.setValue(SettingsKeys::onTop, state.onTop);
    settings.endGroup();
}

void SettingsWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
