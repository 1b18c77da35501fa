#include "settings/LanguageWidget.h"

#include "ui_LanguageWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "channels/HomeWidget.h"
#include "channels/ListItemDelegate.h"
#include "settings/DialogMainSettings.h"

#include <QDebug>
#include <QListWidgetItem>
#include <QPainter>
#include <QSettings>
#include <QStyleOption>

namespace {
constexpr int rowHeight = 50;
const QString english = QStringLiteral("lang_en");
const QString russian = QStringLiteral("lang_ru");
const QString checked = QStringLiteral("1");
const QString unchecked = QStringLiteral("0");
} // namespace

LanguageWidget::LanguageWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::LanguageWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("language"));
    ui->listWidget->setAttribute(Qt::WA_MacShowFocusRect, false);

    auto *delegate = new ListItemDelegate(ui->listWidget);
    delegate->mode = ListItemDelegate::LanguageMode;
    ui->listWidget->setItemDelegate(delegate);

    // The names of the languages are written in their own language.
    const QString current = appState().language;
    const QList<QPair<QString, QString>> rows{{QStringLiteral("English"), english},
                                              {QStringLiteral("Русский"), russian}};
    for (const auto &row : rows) {
        auto *item = new QListWidgetItem(ui->listWidget);
        item->setData(Qt::DisplayRole, row.first);
        item->setData(ListItemDelegate::LanguageCheckedRole,
                      current == row.second ? checked : unchecked);
        item->setSizeHint(QSize(qMax(0, item->sizeHint().width()), rowHeight));
        // The marked row is also the current one: "done" without a click
        // keeps the language in use. Without this the list makes its first
        // row current when it takes the focus, and "done" would switch to
        // English while the mark still shows another language.
        if (current == row.second)
            ui->listWidget->setCurrentItem(item, QItemSelectionModel::NoUpdate);
    }
}

LanguageWidget::~LanguageWidget() = default;

QString LanguageWidget::languageOfRow(int row) {
    return row == 0 ? english : russian;
}

void LanguageWidget::on_pushButton_back_clicked() {
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->showMenu();
}

void LanguageWidget::on_listWidget_itemClicked(QListWidgetItem *) {
    QListWidget *list = ui->listWidget;
    const int row = list->currentRow();
    for (int i = 0; i < list->count(); ++i)
        list->item(i)->setData(ListItemDelegate::LanguageCheckedRole, unchecked);
    if (QListWidgetItem *item = list->item(row)) {
        item->setData(ListItemDelegate::LanguageCheckedRole, checked);
        list->setCurrentItem(item);
    }
    list->viewport()->update();
}

void LanguageWidget::on_pushButton_2_clicked() {
    AppState &state = appState();
    state.language = languageOfRow(ui->listWidget->currentRow());
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        settings.setValue(SettingsKeys::lang, state.language);
        settings.endGroup();
    }
    if (HomeWidget *home = homePage())
        home->reloadTranslator();
    else
        qDebug() << "language page: no channel browser to reload the catalogue";
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->close();
}

void LanguageWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
