#pragma once

#include <QStyledItemDelegate>

// Paints one programme of the guide: its start time and length on the left,
// the title and the word-wrapped description beside them. A row is as high
// as its description plus 50 pixels.
//
// Roles: 0 title, 257 description, 258 local start "yyyy-MM-dd HH:mm:ss",
// 259 length "HH:mm:ss".
class EpgItemDelegete : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    enum Role {
        TextRole = Qt::UserRole + 1,
        StartRole = Qt::UserRole + 2,
        DurationRole = Qt::UserRole + 3,
    };

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    static QFont titleFont();       // Arial 16 bold: start time and title
    static QFont descriptionFont(); // Arial 16
    static QFont lengthFont();      // Arial 12

    // "HH:mm" of a "yyyy-MM-dd HH:mm:ss" start and of a "HH:mm:ss" length;
    // empty when the text cannot be read.
    static QString startText(const QString &start);
    static QString lengthText(const QString &duration);
};
