#include "epg/EpgWidget.h"

#include "app/AppState.h"
#include "channels/GroupItemDelegate.h"
#include "channels/HomeWidget.h"
#include "epg/EpgItemDelegete.h"

#include "ui_EpgWidget.h"

#include <QJsonObject>
#include <QScroller>
#include <QScrollerProperties>

namespace {

// Dragged with the mouse as on a touch screen, and as the channel lists are.
void makeKinetic(QListWidget *list) {
    QScroller::grabGesture(list, QScroller::LeftMouseButtonGesture);
    QScrollerProperties properties = QScroller::scroller(list)->scrollerProperties();
    properties.setScrollMetric(QScrollerProperties::DragVelocitySmoothingFactor, 0.6);
    properties.setScrollMetric(QScrollerProperties::MinimumVelocity, 0.0);
    properties.setScrollMetric(QScrollerProperties::MaximumVelocity, 0.5);
    properties.setScrollMetric(QScrollerProperties::AcceleratingFlickMaximumTime, 0.4);
    properties.setScrollMetric(QScrollerProperties::AcceleratingFlickSpeedupFactor, 1.2);
    properties.setScrollMetric(QScrollerProperties::SnapPositionRatio, 0.2);
    properties.setScrollMetric(QScrollerProperties::MaximumClickThroughVelocity, 0);
    properties.setScrollMetric(QScrollerProperties::DragStartDistance, 0.001);
    properties.setScrollMetric(QScrollerProperties::MousePressEventDelay, 0.5);
    QScroller::scroller(list)->setScrollerProperties(properties);
}

} // namespace

EpgWidget::EpgWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::EpgWidget) {
    ui->setupUi(this);
    for (QListWidget *list : {ui->listWidget_2, ui->listWidget}) {
        list->setAttribute(Qt::WA_MacShowFocusRect, false);
        makeKinetic(list);
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
