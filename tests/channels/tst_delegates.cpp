// The list delegates, painted into images and read back pixel by pixel.

#include "TestRows.h"
#include "channels/ChannelListWidget.h"
#include "channels/GroupItemDelegate.h"
#include "channels/ListItemDelegate.h"

#include <QPainter>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int rowWidth = 400;
const QColor page(235, 235, 235);

bool near(QRgb pixel, const QColor &expected, int tolerance = 2) {
    return qAbs(qRed(pixel) - expected.red()) <= tolerance &&
           qAbs(qGreen(pixel) - expected.green()) <= tolerance &&
           qAbs(qBlue(pixel) - expected.blue()) <= tolerance;
}

QString describe(QRgb pixel) {
    return QStringLiteral("rgb(%1, %2, %3)").arg(qRed(pixel)).arg(qGreen(pixel)).arg(qBlue(pixel));
}

#define VERIFY_COLOUR(image, x, y, colour)                                                         \
    QVERIFY2(near((image).pixel((x), (y)), (colour)),                                              \
             qPrintable(QStringLiteral("(%1, %2) is %3")                                           \
                            .arg(x)                                                                \
                            .arg(y)                                                                \
                            .arg(describe((image).pixel((x), (y))))))

// One row of a one-column model, painted by a delegate at its full size on
// the page colour, the way a list view would.
QImage paintRow(const QStyledItemDelegate &delegate, QStandardItem *item, int height,
                QStyle::State state = QStyle::State_Enabled, int width = rowWidth) {
    QStandardItemModel model;
    model.appendRow(item);
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(page);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, width, height);
    option.state = state;
    option.font = QFont(QStringLiteral("Arial"), 12);
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setFont(option.font);
    delegate.paint(&painter, option, model.index(0, 0));
    painter.end();
    return image;
}

QStandardItem *channelItem(const QString &logo, const QString &elapsed, const QString &duration,
                           bool playing = false) {
    auto *item = new QStandardItem(QStringLiteral("Channel"));
    item->setData(QStringLiteral("Evening news"), ListItemDelegate::ProgrammeRole);
    item->setData(logo, ListItemDelegate::LogoRole);
    item->setData(elapsed, ListItemDelegate::ElapsedRole);
    item->setData(duration, ListItemDelegate::DurationRole);
    item->setData(playing ? QStringLiteral("1") : QStringLiteral("0"),
                  ListItemDelegate::PlayingRole);
    return item;
}

// The pixels of a region of the image that differ from colour.
int countNot(const QImage &image, const QRect &region, const QColor &colour) {
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            count += near(image.pixel(x, y), colour, 8) ? 0 : 1;
    return count;
}

int countColour(const QImage &image, const QRect &region, const QColor &colour, int tolerance = 8) {
    int count = 0;
    for (int y = region.top(); y <= region.bottom(); ++y)
        for (int x = region.left(); x <= region.right(); ++x)
            count += near(image.pixel(x, y), colour, tolerance) ? 1 : 0;
    return count;
}

bool writeImage(const QString &path, const QSize &size, const QColor &colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path);
}

const QColor progressBlue(74, 113, 200);
const QColor trackGrey(200, 200, 200);

} // namespace

// Collects the regions a widget is asked to paint.
class PaintRecorder : public QObject {
public:
    PaintRecorder(QWidget *widget, QRegion *painted)
        : m_painted(painted) {
        widget->installEventFilter(this);
    }
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            *m_painted += static_cast<QPaintEvent *>(event)->region();
        return false;
    }

private:
    QRegion *m_painted;
};

class TestDelegates : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_images;

private slots:
    void menuRowMark_data() {
        QTest::addColumn<int>("checkable");
        QTest::addColumn<int>("checked");
        QTest::addColumn<QString>("mark");
        QTest::newRow("plain row: arrow") << 0 << 0 << ":/row_next_icon";
        QTest::newRow("plain row ignores checked") << 0 << 1 << ":/row_next_icon";
        QTest::newRow("switch on: check") << 1 << 1 << ":/check";
        QTest::newRow("switch off: nothing") << 1 << 0 << "";
    }
    void menuRowMark() {
        QFETCH(int, checkable);
        QFETCH(int, checked);
        QFETCH(QString, mark);
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::MenuMode;
        auto *item = new QStandardItem;
        item->setData(checkable, ListItemDelegate::CheckableRole);
        item->setData(checked, ListItemDelegate::CheckedRole);
        const QImage row = paintRow(delegate, item, 50);

        // The mark starts 20 pixels before the right edge, centred on the row.
        QImage expected(rowWidth, 50, QImage::Format_RGB32);
        expected.fill(page);
        if (!mark.isEmpty()) {
            const QImage image(mark);
            QVERIFY(!image.isNull());
            QPainter painter(&expected);
            painter.drawImage(rowWidth - 20, (50 - image.height()) / 2, image);
        }
        QCOMPARE(row, expected);
    }

    void menuRowTextAndBackground_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<QColor>("background");
        QTest::newRow("normal") << int(QStyle::State_Enabled) << page;
        QTest::newRow("hover") << int(QStyle::State_MouseOver) << QColor(245, 245, 245);
        QTest::newRow("selected") << int(QStyle::State_Selected) << QColor(200, 200, 200);
        addRow("selected and hover", int(QStyle::State_Selected | QStyle::State_MouseOver),
               QColor(200, 200, 200));
    }
    void menuRowTextAndBackground() {
        QFETCH(int, state);
        QFETCH(QColor, background);
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::MenuMode;
        auto *item = new QStandardItem(QStringLiteral("display text not painted"));
        item->setData(QStringLiteral("Living room"), ListItemDelegate::TextRole);
        const QImage row = paintRow(delegate, item, 50, QStyle::State(state));
        VERIFY_COLOUR(row, 300, 2, background);
        VERIFY_COLOUR(row, 300, 47, background);
        // The text of role 257 at the left edge, vertically centred, in the
        // painter's pen; the display role is not what is drawn.
        const QFontMetrics metrics(QFont(QStringLiteral("Arial"), 12));
        const int textWidth = metrics.horizontalAdvance(QStringLiteral("Living room"));
        QVERIFY(countNot(row, QRect(0, 15, textWidth, 20), background) > 20);
        QCOMPARE(countNot(row, QRect(0, 0, textWidth, 8), background), 0);
        QCOMPARE(countNot(row, QRect(textWidth + 4, 0, 250 - textWidth, 50), background), 0);
    }

    void languageRowCheck() {
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::LanguageMode;
        for (const QString &flag : {QStringLiteral("1"), QStringLiteral("0")}) {
            auto *item = new QStandardItem(QStringLiteral("English"));
            item->setData(flag, ListItemDelegate::LanguageCheckedRole);
            const QImage row = paintRow(delegate, item, 50);
            const bool marked = countNot(row, QRect(rowWidth - 20, 0, 20, 50), page) > 0;
            QCOMPARE(marked, flag == QLatin1String("1"));
            // The standard painting still draws the text.
            QVERIFY(countNot(row, QRect(0, 0, 100, 50), page) > 0);
        }
    }

    void channelRowBackground_data() {
        QTest::addColumn<bool>("playing");
        QTest::addColumn<int>("state");
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QColor>("text");
        QTest::newRow("plain") << false << int(QStyle::State_Enabled) << page << QColor(Qt::black);
        addRow("playing", true, int(QStyle::State_Enabled), QColor(230, 230, 230),
               QColor(Qt::black));
        addRow("hover", false, int(QStyle::State_MouseOver), QColor(245, 245, 245),
               QColor(Qt::black));
        addRow("playing and selected", true, int(QStyle::State_Selected), QColor(106, 144, 176),
               QColor(Qt::white));
    }
    void channelRowBackground() {
        QFETCH(bool, playing);
        QFETCH(int, state);
        QFETCH(QColor, background);
        QFETCH(QColor, text);
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        const QImage row = paintRow(
            delegate,
            channelItem(QString(), QStringLiteral("10"), QStringLiteral("01:00:00"), playing), 70,
            QStyle::State(state));
        VERIFY_COLOUR(row, rowWidth - 2, 1, background);
        VERIFY_COLOUR(row, 72, 35, background);
        // The title is drawn in the text colour, and only in it (and its
        // blend with the background).
        const QRect title(75, 3, 60, 25);
        QVERIFY(countColour(row, title, text, 40) > 10);
        const QColor other = text == QColor(Qt::white) ? QColor(Qt::black) : QColor(Qt::white);
        QCOMPARE(countColour(row, title, other, 6), 0);
        // The logo box: white inside, frame in the header blue.
        VERIFY_COLOUR(row, 7, 35, Qt::white);
    }

    void channelLogo_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QPoint>("inside");
        QTest::addColumn<QPoint>("outside");
        // A square logo fills the 50-pixel inner square of a 70-pixel row.
        addRow("square", QSize(20, 20), QColor(Qt::red), QPoint(35, 35), QPoint(35, 7));
        // A wide one is 50 x 10, centred on the square.
        addRow("wide", QSize(100, 20), QColor(Qt::blue), QPoint(35, 33), QPoint(35, 20));
        // A tall one stands out of the box above and below, but only as far
        // as the row: it is shrunk to the row's height, 14 x 70, centred.
        addRow("tall", QSize(20, 100), QColor(Qt::green), QPoint(35, 1), QPoint(8, 35));
        addRow("far too tall", QSize(10, 1000), QColor(Qt::green), QPoint(34, 68), QPoint(36, 35));
    }
    void channelLogo() {
        QFETCH(QSize, size);
        QFETCH(QColor, colour);
        QFETCH(QPoint, inside);
        QFETCH(QPoint, outside);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("logo.png"));
        QVERIFY(writeImage(path, size, colour));
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        const QImage row = paintRow(
            delegate, channelItem(path, QStringLiteral("0"), QStringLiteral("01:00:00")), 70);
        VERIFY_COLOUR(row, inside.x(), inside.y(), colour);
        QVERIFY(!near(row.pixel(outside), colour, 60));
    }

    void unreadableLogoShowsTheTvIcon_data() {
        QTest::addColumn<QString>("logo");
        QTest::newRow("empty") << "";
        QTest::newRow("missing file") << "/nonexistent/logo.png";
        QTest::newRow("not an image") << QFINDTESTDATA("tst_delegates.cpp");
        // Sizes no logo has are refused before they are decoded.
        QVERIFY(m_images.isValid());
        for (const QSize &size : {QSize(1, 20000), QSize(20000, 1), QSize(2100, 2100)}) {
            const QString path =
                m_images.filePath(QStringLiteral("%1x%2.png").arg(size.width()).arg(size.height()));
            QVERIFY(writeImage(path, size, Qt::red));
            addRow(qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())),
                   path);
        }
    }
    void unreadableLogoShowsTheTvIcon() {
        QFETCH(QString, logo);
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        const QImage fallback = paintRow(
            delegate, channelItem(logo, QStringLiteral("0"), QStringLiteral("01:00:00")), 70);
        const QImage icon = paintRow(delegate,
                                     channelItem(QStringLiteral(":/tv_icon"), QStringLiteral("0"),
                                                 QStringLiteral("01:00:00")),
                                     70);
        const QRect box(5, 5, 61, 61);
        QCOMPARE(fallback.copy(box), icon.copy(box));
        QVERIFY(countNot(fallback, box.adjusted(5, 5, -5, -5), Qt::white) > 50);
    }

    void elapsedText_data() {
        QTest::addColumn<QString>("minutes");
        QTest::addColumn<QString>("text");
        addRow("75", "75", "01:15");
        addRow("0", "0", "00:00");
        addRow("empty", "", "00:00");
        addRow("not a number", "abc", "00:00");
        addRow("ten hours", "600", "10:00");
        addRow("59", "59", "00:59");
    }
    void elapsedText() {
        QFETCH(QString, minutes);
        QFETCH(QString, text);
        QCOMPARE(ListItemDelegate::elapsedText(minutes), text);
    }

    void elapsedIsPaintedAsHoursAndMinutes() {
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        const QImage row = paintRow(
            delegate, channelItem(QString(), QStringLiteral("75"), QStringLiteral("02:00:00")), 70);

        // The same text drawn by hand where the row draws it.
        QImage expected(rowWidth, 70, QImage::Format_RGB32);
        expected.fill(page);
        QPainter painter(&expected);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        painter.setPen(QColor(75, 75, 75));
        painter.setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
        QRect covered;
        painter.drawText(QRect(QPoint(75, 52), QPoint(119, 81)), Qt::AlignLeft,
                         QStringLiteral("01:15"), &covered);
        painter.end();
        const QRect text = covered.intersected(QRect(0, 52, rowWidth, 12));
        QVERIFY(!text.isEmpty());
        QCOMPARE(row.copy(text), expected.copy(text));
    }

    void progressBar_data() {
        QTest::addColumn<QString>("elapsed");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<int>("barMinutes"); // -1: track only
        addRow("half", "30", "01:00:00", 30);
        addRow("none yet", "0", "01:00:00", 0);
        addRow("finished", "60", "01:00:00", 60);
        addRow("long programme", "100", "03:20:00", 100);
        addRow("overrun stops at the end", "500", "01:00:00", 60);
        addRow("negative", "-5", "01:00:00", 0);
        addRow("under a minute", "3", "00:00:40", -1);
        addRow("unreadable", "3", "soon", -1);
        addRow("empty", "3", "", -1);
    }
    void progressBar() {
        QFETCH(QString, elapsed);
        QFETCH(QString, duration);
        QFETCH(int, barMinutes);
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        const QImage row = paintRow(delegate, channelItem(QString(), elapsed, duration), 70);

        // The track runs between the two time texts, 5 pixels from each.
        QImage scratch(rowWidth, 70, QImage::Format_RGB32);
        QPainter measure(&scratch);
        measure.setFont(QFont(QStringLiteral("Arial"), 10, QFont::Bold));
        QRect elapsedRect;
        // No duration text: the track runs to where it would start.
        QRect durationRect(QPoint(rowWidth - 1 - 4, 52), QSize(0, 0));
        measure.drawText(QRect(QPoint(75, 52), QPoint(119, 81)), Qt::AlignLeft,
                         ListItemDelegate::elapsedText(elapsed), &elapsedRect);
        measure.drawText(QRect(QPoint(rowWidth - 1 - 49, 52), QPoint(rowWidth - 1 - 5, 81)),
                         Qt::AlignRight, duration.left(5), &durationRect);
        measure.end();
        const int x0 = elapsedRect.right() + 5;
        const int x1 = durationRect.left() - 5;
        const int y = 69 - 10;
        QVERIFY(x1 - x0 > 150);

        int blue = 0;
        for (int x = x0; x <= x1; ++x) {
            const QRgb pixel = row.pixel(x, y);
            QVERIFY2(
                near(pixel, trackGrey, 4) || near(pixel, progressBlue, 4),
                qPrintable(QStringLiteral("(%1, %2) is %3").arg(x).arg(y).arg(describe(pixel))));
            blue += near(pixel, progressBlue, 4) ? 1 : 0;
        }
        if (barMinutes <= 0) {
            QCOMPARE(blue, 0);
            return;
        }
        // Whole pixels per minute; the square caps add two pixels each side.
        const int minutes = ListItemDelegate::durationMinutes(duration);
        const int bar = barMinutes * ((x1 - x0) / minutes);
        QVERIFY2(qAbs(blue - qMin(bar + 1, x1 - x0 + 1)) <= 2,
                 qPrintable(QStringLiteral("%1 blue pixels for a bar of %2").arg(blue).arg(bar)));
        VERIFY_COLOUR(row, x0 + 1, y, progressBlue);
    }

    void narrowChannelRowDoesNotBreak() {
        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        const QImage row = paintRow(
            delegate,
            channelItem(QString(), QStringLiteral("2147483647"), QStringLiteral("23:59:59")), 70,
            QStyle::State_Enabled, 120);
        QVERIFY(!row.isNull());
    }

    // A change of one channel row's data repaints that row alone, without
    // laying out the list again; a changed height still moves the rows
    // below.
    void channelListRepaintsOnlyTheChangedRow() {
        ChannelListWidget list;
        list.setUniformItemSizes(true);
        list.resize(420, 700);
        for (int i = 0; i < 40; ++i) {
            auto *item = new QListWidgetItem(QStringLiteral("Channel %1").arg(i));
            item->setSizeHint(QSize(0, 70));
            list.addItem(item);
        }
        QRegion painted;
        PaintRecorder recorder(list.viewport(), &painted);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));
        QTRY_VERIFY(!painted.isEmpty());
        QCoreApplication::processEvents();
        painted = QRegion();

        list.item(3)->setData(ListItemDelegate::ProgrammeRole, QStringLiteral("News"));
        list.item(4)->setData(Qt::DisplayRole, QStringLiteral("Renamed"));
        const QRegion rows =
            QRegion(list.visualItemRect(list.item(3))) + QRegion(list.visualItemRect(list.item(4)));
        QTRY_VERIFY(!painted.isEmpty());
        QCOMPARE(painted, rows);

        const int below = list.visualItemRect(list.item(6)).top();
        list.setUniformItemSizes(false);
        list.item(5)->setSizeHint(QSize(0, 100));
        QTRY_COMPARE(list.visualItemRect(list.item(6)).top(), below + 30);
    }

    void groupCellSize_data() {
        QTest::addColumn<QString>("title");
        QTest::newRow("short") << "TV";
        QTest::newRow("long") << "Documentaries and science";
        QTest::newRow("Cyrillic") << QStringLiteral("Новости");
        QTest::newRow("empty") << "";
    }
    void groupCellSize() {
        QFETCH(QString, title);
        GroupItemDelegate delegate;
        QStandardItemModel model;
        model.appendRow(new QStandardItem(title));
        const QFontMetrics metrics(QFont(QStringLiteral("Arial"), 16, QFont::Bold));
        QCOMPARE(delegate.sizeHint(QStyleOptionViewItem(), model.index(0, 0)),
                 QSize(metrics.horizontalAdvance(title) + 20, 40));
    }

    void groupCellUnderline_data() {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("underlined");
        QTest::addColumn<QColor>("text");
        QTest::newRow("normal") << int(QStyle::State_Enabled) << false << QColor(75, 75, 75);
        QTest::newRow("hover") << int(QStyle::State_MouseOver) << false << QColor(Qt::white);
        QTest::newRow("selected") << int(QStyle::State_Selected) << true << QColor(Qt::white);
    }
    void groupCellUnderline() {
        QFETCH(int, state);
        QFETCH(bool, underlined);
        QFETCH(QColor, text);
        GroupItemDelegate delegate;
        const QColor strip(98, 136, 166);
        QStandardItemModel model;
        model.appendRow(new QStandardItem(QStringLiteral("Sport")));
        QImage image(120, 40, QImage::Format_RGB32);
        image.fill(strip);
        QStyleOptionViewItem option;
        option.rect = image.rect();
        option.state = QStyle::State(state);
        QPainter painter(&image);
        delegate.paint(&painter, option, model.index(0, 0));
        painter.end();

        // The underline: x 10 to 109 at y 36 (bottom 39 minus 3).
        const int white = countColour(image, QRect(10, 36, 100, 1), Qt::white, 20);
        QCOMPARE(white > 90, underlined);
        QCOMPARE(countColour(image, QRect(0, 36, 9, 1), Qt::white, 60), 0);
        // No background of its own, and the title in its colour.
        VERIFY_COLOUR(image, 2, 2, strip);
        QVERIFY(countColour(image, QRect(0, 5, 120, 28), text, 30) > 10);
    }
};

QTEST_MAIN(TestDelegates)
#include "tst_delegates.moc"
