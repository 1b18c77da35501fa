// The programme guide page and its row delegate: the day strip, the rows of
// a day, what a row shows and how high it is.

#include "app/Clock.h"
#include "channels/GroupItemDelegate.h"
#include "epg/EpgItemDelegete.h"
#include "epg/EpgWidget.h"
#include "epg/XmlUrl.h"

#include <QFontMetrics>
#include <QJsonArray>
#include <QJsonObject>
#include <QListWidget>
#include <QPainter>
#include <QStandardItemModel>
#include <QtTest>

namespace {

const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QJsonObject raw(const QDateTime &startLocal, int minutes, const QString &title,
                const QString &desc = QString()) {
    return QJsonObject{{"start", startLocal.toUTC().toString(format)},
                       {"stop", startLocal.addSecs(minutes * 60).toUTC().toString(format)},
                       {"title", title},
                       {"desc", desc}};
}

// Three days of programmes as the service would send them (out of order),
// grouped as the channel browser hands them to the guide.
QJsonArray threeDays() {
    const QDateTime day1(QDate(2016, 3, 1), QTime(6, 0));
    QJsonArray epg;
    for (int day = 2; day >= 0; --day)
        for (int slot = 0; slot < 3 + day; ++slot)
            epg.append(raw(day1.addDays(day).addSecs(slot * 5400), 90,
                           QStringLiteral("Day %1 show %2").arg(day + 1).arg(slot + 1),
                           QStringLiteral("What happens in show %1.").arg(slot + 1)));
    return XmlUrl().programmesByDay(epg);
}

// Renders one row the way a list would, on white.
QImage paintRow(const QStandardItemModel &model, int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, width, height);
    option.state = QStyle::State_Enabled;
    QPainter painter(&image);
    EpgItemDelegete().paint(&painter, option, model.index(0, 0));
    return image;
}

// The same text drawn on its own into the same rectangle.
QImage expectedText(const QString &text, const QFont &font, const QRect &rect, int width,
                    int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(Qt::black);
    painter.setFont(font);
    painter.drawText(rect, Qt::AlignLeft, text);
    return image;
}

QStringList texts(const QListWidget *list, int role = Qt::DisplayRole) {
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result << list->item(i)->data(role).toString();
    return result;
}

} // namespace

class TestEpgWidget : public QObject {
    Q_OBJECT

    int m_row = 0;
    QJsonArray m_days;

    // A page fed by the test instead of the channel browser; like the
    // browser, it has no programmes when no channel is current.
    EpgWidget *makePage() {
        auto *page = new EpgWidget;
        page->setChannelSource(
            {[this] { return m_row; }, [this] { return m_row < 0 ? QJsonArray() : m_days; }});
        page->resize(580, 653);
        return page;
    }

private slots:
    void init() {
        m_row = 0;
        m_days = threeDays();
    }

    void fillsTheDayStripAndTheFirstDay() {
        QScopedPointer<EpgWidget> page(makePage());
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.data()));
        page->refresh();

        QListWidget *strip = page->dayList();
        QCOMPARE(texts(strip), (QStringList{"Tue 1 March", "Wed 2 March", "Thu 3 March"}));
        QCOMPARE(texts(strip, Qt::UserRole + 1), (QStringList{"0", "0", "0"}));
        QVERIFY(dynamic_cast<GroupItemDelegate *>(strip->itemDelegate()));
        QCOMPARE(strip->currentRow(), 0);

        QListWidget *rows = page->programmeList();
        QVERIFY(qobject_cast<EpgItemDelegete *>(rows->itemDelegate()));
        QCOMPARE(texts(rows), (QStringList{"Day 1 show 1", "Day 1 show 2", "Day 1 show 3"}));
        QCOMPARE(texts(rows, Qt::UserRole + 1).first(), QStringLiteral("What happens in show 1."));
        QCOMPARE(
            texts(rows, Qt::UserRole + 2),
            (QStringList{"2016-03-01 06:00:00", "2016-03-01 07:30:00", "2016-03-01 09:00:00"}));
        QCOMPARE(texts(rows, Qt::UserRole + 3), (QStringList{"01:30:00", "01:30:00", "01:30:00"}));

        // A second refresh starts over rather than adding to the lists.
        page->refresh();
        QCOMPARE(strip->count(), 3);
        QCOMPARE(rows->count(), 3);
    }

    void clickingADayShowsItAndKeepsItCurrent() {
        QScopedPointer<EpgWidget> page(makePage());
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.data()));
        page->refresh();

        QListWidget *strip = page->dayList();
        const QRect third = strip->visualItemRect(strip->item(2));
        QVERIFY(strip->viewport()->rect().contains(third.center()));
        QTest::mouseClick(strip->viewport(), Qt::LeftButton, {}, third.center());
        QTRY_COMPARE(page->programmeList()->count(), 5);
        QCOMPARE(strip->currentRow(), 2);
        QCOMPARE(texts(page->programmeList()).last(), QStringLiteral("Day 3 show 5"));

        // The minute refresh of the browser does not touch the page; showing
        // another day by call works the same.
        page->showDay(1);
        QCOMPARE(strip->currentRow(), 1);
        QCOMPARE(page->programmeList()->count(), 4);
    }

    void emptyCases_data() {
        QTest::addColumn<bool>("visible");
        QTest::addColumn<int>("row");
        QTest::addColumn<bool>("withData");
        QTest::addColumn<int>("expectedDays");
        QTest::addColumn<int>("expectedRows");
        QTest::newRow("channel without programmes") << true << 3 << false << 0 << 0;
        QTest::newRow("no channel, page shown") << true << -1 << true << 0 << 0;
        QTest::newRow("no channel, page hidden") << false << -1 << true << 0 << 0;
        QTest::newRow("hidden page, channel chosen") << false << 1 << true << 3 << 3;
    }

    void emptyCases() {
        QFETCH(bool, visible);
        QFETCH(int, row);
        QFETCH(bool, withData);
        QFETCH(int, expectedDays);
        QFETCH(int, expectedRows);
        QScopedPointer<EpgWidget> page(makePage());
        if (visible) {
            page->show();
            QVERIFY(QTest::qWaitForWindowExposed(page.data()));
        }
        // Old content goes in every case.
        page->refresh();
        QCOMPARE(page->dayList()->count(), 3);

        m_row = row;
        if (!withData)
            m_days = XmlUrl().programmesByDay(QJsonValue());
        page->refresh();
        QCOMPARE(page->dayList()->count(), expectedDays);
        QCOMPARE(page->programmeList()->count(), expectedRows);
    }

    void lengthAndStartAsHoursAndMinutes_data() {
        QTest::addColumn<int>("minutes");
        QTest::addColumn<QString>("length");
        QTest::newRow("an hour and a half") << 90 << "01:30";
        QTest::newRow("25 hours") << 25 * 60 << "01:00";
        QTest::newRow("five minutes") << 5 << "00:05";
    }

    void lengthAndStartAsHoursAndMinutes() {
        QFETCH(int, minutes);
        QFETCH(QString, length);
        const QDateTime start(QDate(2016, 3, 1), QTime(21, 5));
        const QJsonArray days = XmlUrl().programmesByDay(QJsonArray{raw(start, minutes, "Film")});
        const QJsonObject programme =
            days.at(0).toObject().begin().value().toArray().at(0).toObject();
        QCOMPARE(EpgItemDelegete::lengthText(programme.value("duration").toString()), length);
        QCOMPARE(EpgItemDelegete::startText(programme.value("start").toString()),
                 QStringLiteral("21:05"));

        // And those are the texts the row paints, where it paints them.
        QStandardItemModel model;
        auto *item = new QStandardItem(QStringLiteral("Film"));
        item->setData(programme.value("start").toString(), EpgItemDelegete::StartRole);
        item->setData(programme.value("duration").toString(), EpgItemDelegete::DurationRole);
        model.appendRow(item);
        const QImage row = paintRow(model, 500, 80);
        const QRect startArea(QPoint(5, 0), QPoint(74, 29));
        const QRect lengthArea(QPoint(5, 30), QPoint(64, 49));
        QCOMPARE(row.copy(startArea),
                 expectedText("21:05", EpgItemDelegete::titleFont(), startArea, 500, 80)
                     .copy(startArea));
        QCOMPARE(row.copy(lengthArea),
                 expectedText(length, EpgItemDelegete::lengthFont(), lengthArea, 500, 80)
                     .copy(lengthArea));
    }

    void unreadableTimesPaintNothing() {
        QCOMPARE(EpgItemDelegete::startText(QString()), QString());
        QCOMPARE(EpgItemDelegete::lengthText(QStringLiteral("00:00")), QString());
    }

    // A row is as high as its wrapped description plus 50 pixels, and the
    // description is painted within the row.
    void rowHeightFollowsTheDescription_data() {
        QTest::addColumn<int>("lines");
        QTest::newRow("none") << 0;
        QTest::newRow("one line") << 1;
        QTest::newRow("three lines") << 3;
    }

    void rowHeightFollowsTheDescription() {
        QFETCH(int, lines);
        QScopedPointer<EpgWidget> page(makePage());
        page->show();
        QVERIFY(QTest::qWaitForWindowExposed(page.data()));
        QListWidget *list = page->programmeList();

        // Words two thirds of the text width long: one per line.
        const QFontMetrics metrics(EpgItemDelegete::descriptionFont());
        const int textWidth = list->viewport()->width() - 95;
        QString word;
        while (metrics.horizontalAdvance(word + QLatin1Char('m')) < textWidth * 2 / 3)
            word += QLatin1Char('m');
        QStringList words;
        for (int i = 0; i < lines; ++i)
            words << word;

        const QDateTime start(QDate(2016, 3, 1), QTime(10, 0));
        m_days = XmlUrl().programmesByDay(
            QJsonArray{raw(start, 60, "Talk", words.join(QLatin1Char(' '))),
                       raw(start.addSecs(3600), 60, "Next")});
        page->refresh();
        QCOMPARE(list->count(), 2);
        // n lines of text: n - 1 line spacings and the height of the last.
        const int expected = (qMax(lines, 1) - 1) * metrics.lineSpacing() + metrics.height() + 50;
        QTRY_COMPARE(list->visualItemRect(list->item(0)).height(), expected);
        QCOMPARE(list->visualItemRect(list->item(1)).top(), expected);
        QCOMPARE(list->visualItemRect(list->item(0)).width(), list->viewport()->width());

        // Nothing of the description runs past the list's right edge: the
        // last ten pixel columns of the row stay white.
        const QImage shot = list->viewport()->grab().toImage();
        for (int x = shot.width() - 10; x < shot.width(); ++x)
            for (int y = 0; y < expected; ++y)
                QCOMPARE(QColor(shot.pixel(x, y)), QColor(Qt::white));
    }
};

QTEST_MAIN(TestEpgWidget)
#include "tst_epgwidget.moc"
