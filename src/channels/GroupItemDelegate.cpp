#include "channels/GroupItemDelegate.h"

#include <QFontMetrics>
#include <QPainter>

QFont GroupItemDelegate::titleFont() {
    return QFont(QStringLiteral("Arial"), 16, QFont::Bold);
}

void GroupItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const {
    const QRect row = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::TextAntialiasing);
    QPen pen(QColor(75, 75, 75), 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    if (option.state & QStyle::State_Selected) {
        painter->setPen(QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter->drawLine(row.left() + 10, row.bottom() - 3, row.right() - 10, row.bottom() - 3);
        pen = QPen(Qt::white, 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    } else if (option.state & QStyle::State_MouseOver) {
        pen = QPen(Qt::white, 1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    }
    painter->setPen(pen);
    painter->setFont(titleFont());
    painter->drawText(row, Qt::AlignCenter, index.data(Qt::DisplayRole).toString());
    painter->restore();
}

QSize GroupItemDelegate::sizeHint(const QStyleOptionViewItem &, const QModelIndex &index) const {
    const QFontMetrics metrics(titleFont());
    return QSize(metrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 20, 40);
}

QWidget *GroupItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                         const QModelIndex &index) const {
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void GroupItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    QStyledItemDelegate::setEditorData(editor, index);
}

void GroupItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                     const QModelIndex &index) const {
    QStyledItemDelegate::setModelData(editor, model, index);
}
