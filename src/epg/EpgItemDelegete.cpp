#include "epg/EpgItemDelegete.h"

#include "epg/EpgSchedule.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

// Where the description goes in a row. It ends 5 pixels inside the row, and
// the size hint wraps the text at the same width, so that a row is exactly
// as high as the lines painted in it and no line runs off the list's edge.
QRect descriptionRect(const QRect &row) {
    return QRect(QPoint(row.left() + 90, row.top() + 30), QPoint(row.right() - 5, row.bottom()));
}

constexpr int descriptionFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

QFont EpgItemDelegete::titleFont() {
    return QFont(QStringLiteral("Arial"), 16, QFont::Bold);
}

QFont EpgItemDelegete::descriptionFont() {
    return QFont(QStringLiteral("Arial"), 16, QFont::Normal);
}

QFont EpgItemDelegete::lengthFont() {
    return QFont(QStringLiteral("Arial"), 12, QFont::Normal);
}

QString EpgItemDelegete::startText(const QString &start) {
    const QDateTime moment = EpgSchedule::readTime(start);
    if (!moment.isValid())
        return QString();
    return QString::asprintf("%02d:%02d", moment.time().hour(), moment.time().minute());
}

QString EpgItemDelegete::lengthText(const QString &duration) {
    const QTime length = QTime::fromString(duration, QStringLiteral("HH:mm:ss"));
    if (!length.isValid())
        return QString();
    return QString::asprintf("%02d:%02d", length.hour(), length.minute());
}

void EpgItemDelegete::paint(QPainter *painter, const QStyleOptionViewItem &option,
                            const QModelIndex &index) const {
    const QRect row = option.rect;
    const int x = row.left();
    const int y = row.top();
    const int r = row.right();

    painter->save();
    painter->setRenderHint(QPainter::TextAntialiasing);
    painter->setPen(QPen(Qt::black, 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));

    painter->setFont(titleFont());
    painter->drawText(QRect(QPoint(x + 5, y), QPoint(x + 74, y + 29)), Qt::AlignLeft,
                      startText(index.data(StartRole).toString()));
    painter->drawText(QRect(QPoint(x + 90, y), QPoint(r - 5, y + 29)), Qt::AlignLeft,
                      index.data(Qt::DisplayRole).toString());

    painter->setFont(lengthFont());
    painter->drawText(QRect(QPoint(x + 5, y + 30), QPoint(x + 64, y + 49)), Qt::AlignLeft,
                      lengthText(index.data(DurationRole).toString()));

    painter->setFont(descriptionFont());
    painter->drawText(descriptionRect(row), descriptionFlags, index.data(TextRole).toString());
    painter->restore();
}

QSize EpgItemDelegete::sizeHint(const QStyleOptionViewItem &option,
                                const QModelIndex &index) const {
    // A list view asks with its own rectangle: rows are as wide as the list.
    const QRect text = descriptionRect(QRect(0, 0, option.rect.width(), 0));
    const QFontMetrics metrics(descriptionFont());
    const QRect laidOut = metrics.boundingRect(QRect(0, 0, text.width(), 1 << 20), descriptionFlags,
                                               index.data(TextRole).toString());
    return QSize(option.rect.width(), laidOut.height() + 50);
}
