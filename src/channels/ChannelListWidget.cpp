#include "channels/ChannelListWidget.h"

ChannelListWidget::ChannelListWidget(QWidget *parent)
    : QListWidget(parent) {}

void ChannelListWidget::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight,
                                    const QVector<int> &roles) {
    // No roles named means any may have changed, the size hint too.
    const bool sameSize =
        topLeft == bottomRight && !roles.isEmpty() && !roles.contains(Qt::SizeHintRole);
    if (sameSize)
        QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
    else
        QListWidget::dataChanged(topLeft, bottomRight, roles);
}
