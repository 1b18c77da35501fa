#pragma once

#include <QStyledItemDelegate>

// Paints the cells of the channel group strip: the group's title in bold
// Arial 16, centred, dark grey; white while hovered or selected, and the
// selected group underlined. The strip's own style sheet paints the
// background. A cell is 20 pixels wider than its title and 40 high.
class GroupItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;

    static QFont titleFont();
};
