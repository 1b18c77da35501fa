#include "channels/ListItemDelegate.h"

#include "channels/LogoImage.h"
#include "widgets/ProgressBarPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTime>

namespace {

const QColor selectedMenuRow(200, 200, 200);
const QColor hoveredRow(245, 245, 245);
const QColor playingRow(230, 230, 230);
const QColor selectedChannelRow(106, 144, 176);
const QColor logoFrame(96, 136, 166);
const QColor programmeText(75, 75, 75);
const ProgressBarStyle channelProgress{QColor(200, 200, 200), QColor(74, 113, 200), 4};

QPen solidPen(const QColor &color, int width) {
    return QPen(color, width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
}

QFont arial(int pointSize, int weight) {
    QFont font(QStringLiteral("Arial"), pointSize, weight);
    return font;
}

// Menu and language rows keep their marks 20 pixels from the right edge,
// centred on the row.
void drawRowMark(QPainter *painter, const QRect &row, const QString &resource) {
    const QImage image(resource);
    if (image.isNull())
        return;
    const int x = row.left() + row.width() - 20;
    const int y = row.top() + (row.height() - image.height()) / 2;
    painter->drawImage(x, y, image);
}

// Room for a few thousand 50-pixel logos; the cost of an entry is its size
// in kilobytes.
constexpr int logoCacheKilobytes = 16 * 1024;

QString logoKey(const QString &path, int side, int maxHeight) {
    return QString::number(side) + QLatin1Char('x') + QString::number(maxHeight) +
           QLatin1Char(':') + path;
}

} // namespace

ListItemDelegate::ListItemDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
    , m_logos(logoCacheKilobytes) {}

ListItemDelegate::~ListItemDelegate() = default;

QString ListItemDelegate::elapsedText(const QString &minutes) {
    const int m = minutes.toInt();
    return QString::asprintf("%02d:%02d", m / 60, m % 60);
}

int ListItemDelegate::durationMinutes(const QString &duration) {
    const QTime time = QTime::fromString(duration, QStringLiteral("HH:mm:ss"));
    if (!time.isValid())
        return -1;
    return time.hour() * 60 + time.minute();
}

QImage ListItemDelegate::loadLogo(const QString &path) const {
    // A logo that cannot be read, or whose size is refused, is the TV icon.
    QImage image = LogoImage::read(path);
    if (image.isNull())
        image.load(QStringLiteral(":/tv_icon"));
    return image;
}

void ListItemDelegate::forgetLogos() {
    m_logos.clear();
}

void ListItemDelegate::forgetLogo(const QString &path) {
    const QList<QString> keys = m_logos.keys();
    for (const QString &key : keys) {
        if (key.midRef(key.indexOf(QLatin1Char(':')) + 1) == path)
            m_logos.remove(key);
    }
}

QImage ListItemDelegate::scaledLogo(const QString &path, int side, int maxHeight) const {
    const QString key = logoKey(path, side, maxHeight);
    if (const QImage *cached = m_logos.object(key))
        return *cached;
    const QImage logo = loadLogo(path);
    if (logo.isNull())
        return logo;
    const QSize size = LogoImage::scaledSize(logo.size(), side, maxHeight);
    auto *scaled = new QImage(logo.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const QImage result = *scaled;
    m_logos.insert(key, scaled, qMax(1, int(scaled->sizeInBytes() / 1024)));
    return result;
}

void ListItemDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                             const QModelIndex &index) const {
    painter->save();
    // Every render hint on. High-quality antialiasing and the non-cosmetic
    // default pen need no flag of their own any more: Qt always gives both.
    painter->setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                            QPainter::SmoothPixmapTransform);
    switch (mode) {
    case MenuMode:
        paintMenuRow(painter, option, index);
        break;
    case LanguageMode:
        paintLanguageRow(painter, option, index);
        break;
    case ChannelMode:
        paintChannelRow(painter, option, index);
        break;
    default:
        break;
    }
    painter->restore();
}

void ListItemDelegate::paintMenuRow(QPainter *painter, const QStyleOptionViewItem &option,
                                    const QModelIndex &index) const {
    const QRect row = option.rect;
    if (option.state & QStyle::State_Selected)
        painter->fillRect(row, selectedMenuRow);
    else if (option.state & QStyle::State_MouseOver)
        painter->fillRect(row, hoveredRow);

    const QString text = index.data(TextRole).toString();
    if (index.data(CheckableRole).toInt() == 1) {
        if (index.data(CheckedRole).toInt() == 1)
            drawRowMark(painter, row, QStringLiteral(":/check"));
    } else {
        drawRowMark(painter, row, QStringLiteral(":/row_next_icon"));
    }
    painter->drawText(row, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void ListItemDelegate::paintLanguageRow(QPainter *painter, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const {
    if (index.data(LanguageCheckedRole).toString() == QLatin1String("1"))
        drawRowMark(painter, option.rect, QStringLiteral(":/check"));
    QStyledItemDelegate::paint(painter, option, index);
}

void ListItemDelegate::paintChannelRow(QPainter *painter, const QStyleOptionViewItem &option,
                                       const QModelIndex &index) const {
    const QRect row = option.rect;
    const int left = row.left();
    const int top = row.top();
    const int right = row.right();
    const int bottom = row.bottom();
    const bool selected = option.state & QStyle::State_Selected;

    if (index.data(PlayingRole).toString() == QLatin1String("1"))
        painter->fillRect(row, playingRow);
    if (selected)
        painter->fillRect(row, selectedChannelRow);
    else if (option.state & QStyle::State_MouseOver)
        painter->fillRect(row, hoveredRow);

    // Logo box and the logo, as wide as the box's inside and centred on it
    // vertically: a tall logo may stand out above and below, but never
    // beyond the row; one taller than that is shrunk and centred across.
    const int side = (bottom - 5) - (top + 5);
    painter->setPen(solidPen(logoFrame, 1));
    painter->setBrush(Qt::white);
    painter->drawRect(QRect(QPoint(left + 5, top + 5), QPoint(left + 5 + side, bottom - 5)));
    painter->setBrush(Qt::NoBrush);

    const int inner = (bottom - 10) - (top + 10) + 1;
    const QImage scaled = scaledLogo(index.data(LogoRole).toString(), inner, row.height());
    if (!scaled.isNull())
        painter->drawImage(left + 10 + (inner - scaled.width()) / 2,
                           top + 10 + inner / 2 - scaled.height() / 2, scaled);

    const QColor titleColour = selected ? QColor(Qt::white) : QColor(Qt::black);
    const QColor detailColour = selected ? QColor(Qt::white) : programmeText;

    // The channel number at the top right; a long title stops short of it.
    int titleRight = right;
    const int number = index.data(NumberRole).toInt();
    if (number > 0) {
        const QString numberText = QString::number(number);
        const QFont numberFont = arial(10, QFont::Bold);
        painter->setPen(solidPen(detailColour, 1));
        painter->setFont(numberFont);
        const QRect numberRect(QPoint(right - 80, top + 6), QPoint(right - 5, top + 26));
        painter->drawText(numberRect, Qt::AlignRight | Qt::AlignTop, numberText);
        titleRight = right - 13 - QFontMetrics(numberFont).horizontalAdvance(numberText);
    }

    painter->setPen(solidPen(titleColour, 1));
    painter->setFont(arial(16, QFont::Bold));
    painter->drawText(QRect(QPoint(left + 75, top + 3), QPoint(titleRight, bottom)),
                      Qt::AlignLeft | Qt::AlignTop, index.data(Qt::DisplayRole).toString());

    painter->setPen(solidPen(detailColour, 1));
    painter->setFont(arial(10, QFont::Normal));
    painter->drawText(QRect(QPoint(left + 75, top + 35), QPoint(right, bottom)),
                      Qt::AlignLeft | Qt::TextSingleLine, index.data(ProgrammeRole).toString());

    painter->setFont(arial(10, QFont::Bold));
    const QString elapsed = index.data(ElapsedRole).toString();
    // An empty text covers nothing and leaves the rectangle as it was:
    // start each at the edge its text grows from.
    QRect elapsedRect(QPoint(left + 75, bottom - 17), QSize(0, 0));
    painter->drawText(QRect(QPoint(left + 75, bottom - 17), QPoint(left + 119, bottom + 12)),
                      Qt::AlignLeft, elapsedText(elapsed), &elapsedRect);
    const QString duration = index.data(DurationRole).toString();
    QRect durationRect(QPoint(right - 4, bottom - 17), QSize(0, 0));
    painter->drawText(QRect(QPoint(right - 49, bottom - 17), QPoint(right - 5, bottom + 12)),
                      Qt::AlignRight, duration.left(5), &durationRect);

    paintProgressBar(painter, elapsedRect.right() + 5, durationRect.left() - 5, bottom - 10,
                     elapsed.toInt(), durationMinutes(duration), channelProgress);
}

QSize ListItemDelegate::sizeHint(const QStyleOptionViewItem &option,
                                 const QModelIndex &index) const {
    return QStyledItemDelegate::sizeHint(option, index);
}

QWidget *ListItemDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                        const QModelIndex &index) const {
    return QStyledItemDelegate::createEditor(parent, option, index);
}

void ListItemDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const {
    QStyledItemDelegate::setEditorData(editor, index);
}

void ListItemDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                    const QModelIndex &index) const {
    QStyledItemDelegate::setModelData(editor, model, index);
}
