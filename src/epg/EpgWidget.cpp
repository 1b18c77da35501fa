#include "epg/EpgWidget.h"

#include "app/AppState.h"
#include "channels/GroupItemDelegate.h"
#include "channels/HomeWidget.h"
#include "epg/EpgItemDelegete.h"
#include "widgets/KineticScrolling.h"

#include "ui_EpgWidget.h"

#include <QJsonObject>
#include <QScroller>

EpgWidget::EpgWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::EpgWidget) {
    ui->setupUi(this);
    for (QListWidget *list : {ui->listWidget_2, ui->listWidget}) {
        list->setAttribute(Qt::WA_MacShowFocusRect, false);
        // Dragged with the mouse as on a touch screen.
        KineticScrolling::enable(list, QScroller::LeftMouseButtonGesture);
    }
    // Rows are as high as their wrapped description, which depends on the
    // list's width: lay them out again when the page changes size.
    ui->listWidget->setResizeMode(QListView::Adjust);
    // The delegates read only their rows, so one of each serves every
    // refresh.
    ui->listWidget_2->setItemDelegate(new GroupItemDelegate(ui->listWidget_2));
    ui->listWidget->setItemDelegate(new EpgItemDelegete(ui->listWidget));
}

EpgWidget::~EpgWidget() = default;

void EpgWidget::setChannelSource(const ChannelSource &source) {
    m_source = source;
}

QListWidget *EpgWidget::dayList() const {
    return ui->listWidget_2;
}

QListWidget *EpgWidget::programmeList() const {
    return ui->listWidget;
}

int EpgWidget::currentChannelRow() const {
    if (m_source.currentRow)
        return m_source.currentRow();
    HomeWidget *home = homePage();
    return home ? home->currentChannelRow() : -1;
}

QJsonArray EpgWidget::currentChannelDays() const {
    if (m_source.days)
        return m_source.days();
    HomeWidget *home = homePage();
    return home ? home->currentChannelDays() : QJsonArray();
}

void EpgWidget::refresh() {
    ui->listWidget->clear();
    ui->listWidget_2->clear();
    if (isHidden() && currentChannelRow() < 0)
        return;

    days = currentChannelDays();
    for (const QJsonValue &day : qAsConst(days)) {
        const QJsonObject group = day.toObject();
        auto *item = new QListWidgetItem(group.isEmpty() ? QString() : group.begin().key());
        item->setData(Qt::UserRole + 1, QStringLiteral("0"));
        ui->listWidget_2->addItem(item);
    }
    if (ui->listWidget_2->count() > 0)
        showDay(0);
}

void EpgWidget::showDay(int day) {
    ui->listWidget->clear();
    if (currentChannelRow() < 0)
        return;
    ui->listWidget_2->setCurrentRow(day);

    const QJsonObject group = days.at(day).toObject();
    const QJsonArray programmes = group.isEmpty() ? QJsonArray() : group.begin().value().toArray();
    for (const QJsonValue &value : programmes) {
        const QJsonObject programme = value.toObject();
        auto *item = new QListWidgetItem(programme.value(QLatin1String("name")).toString());
        item->setData(EpgItemDelegete::TextRole, programme.value(QLatin1String("text")).toString());
        item->setData(EpgItemDelegete::StartRole,
                      programme.value(QLatin1String("start")).toString());
        item->setData(EpgItemDelegete::DurationRole,
                      programme.value(QLatin1String("duration")).toString());
        ui->listWidget->addItem(item);
    }
}

void EpgWidget::on_listWidget_2_itemClicked(QListWidgetItem *) {
    showDay(ui->listWidget_2->currentRow());
}
