// The compact schedule the channel browser keeps per guide id: its days
// must be the guide reader's, whatever order and shape the programmes come
// in, and the schedules of one load keep each text once. The test runs at
// UTC+3 with an English system locale (see CMakeLists.txt).

#include "epg/EpgSchedule.h"
#include "epg/EpgStringPool.h"
#include "epg/XmlUrl.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QtTest>

#include <memory>

namespace {

QJsonObject raw(const QString &startUtc, const QString &stopUtc, const QString &title,
                const QString &desc = QStringLiteral("About it")) {
    return QJsonObject{{"start", startUtc}, {"stop", stopUtc}, {"title", title}, {"desc", desc}};
}

} // namespace

class TestCompactSchedule : public QObject {
    Q_OBJECT

private slots:
    void daysAgreeWithTheGuideReader_data() {
        QTest::addColumn<QJsonArray>("epg");
        QTest::newRow("none") << QJsonArray();
        // Out of order, across local midnight (21:00 UTC is midnight here),
        // two with one start (reverse arrival order), one without a start.
        QTest::newRow("mixed") << QJsonArray{
            raw("2016-03-01 21:30:00", "2016-03-01 22:00:00", "Night"),
            raw("2016-03-01 07:00:00", "2016-03-01 08:00:00", "Morning"),
            raw("2016-03-01 07:00:00", "2016-03-01 07:30:00", "Morning too"),
            raw("2016-03-01 20:59:59", "2016-03-01 21:00:01", "Last of the day"),
            raw("bad", "2016-03-01 08:00:00", "Lost"),
            raw("2016-03-02 06:00:00", "2016-03-02 05:00:00", "Ends before it starts"),
            raw("2016-03-02 06:00:00", "2016-03-03 07:00:00", "Longer than a day"),
            raw("2016-03-02 06:00:00", "", "No end", QString()),
        };
        // A week of half hours, as the service sends it.
        QJsonArray week;
        const QDateTime first(QDate(2016, 2, 28), QTime(0, 0), Qt::UTC);
        for (int slot = 0; slot < 7 * 48; ++slot) {
            const QDateTime start = first.addSecs(slot * 1800);
            week.append(raw(start.toString(EpgSchedule::timeFormat),
                            start.addSecs(1800).toString(EpgSchedule::timeFormat),
                            QStringLiteral("Programme %1").arg(slot % 7)));
        }
        QTest::newRow("week") << week;
    }

    void daysAgreeWithTheGuideReader() {
        QFETCH(QJsonArray, epg);
        const EpgSchedule schedule(epg);
        const QJsonArray expected = XmlUrl().programmesByDay(epg);
        QCOMPARE(schedule.days(), expected);
        // Asked again (the order is kept from the first time), the same.
        QCOMPARE(schedule.days(), expected);
    }

    void schedulesOfALoadShareTheirTexts() {
        const QJsonArray first{
            raw("2016-03-01 09:00:00", "2016-03-01 10:00:00", "News", "Headlines"),
            raw("2016-03-01 10:00:00", "2016-03-01 11:00:00", "Film", "A film"),
            raw("2016-03-01 11:00:00", "2016-03-01 12:00:00", "News", "Headlines"),
        };
        const QJsonArray second{
            raw("2016-03-01 09:00:00", "2016-03-01 09:30:00", "News", "Headlines"),
            raw("2016-03-01 09:30:00", "2016-03-01 11:00:00", "Sport", "A match"),
        };
        const auto pool = std::make_shared<EpgStringPool>();
        const EpgSchedule a(first, pool);
        const EpgSchedule b(second, pool);
        // News, Headlines, Film, A film, Sport, A match.
        QCOMPARE(pool->size(), 6);
        QCOMPARE(a.size(), 3);
        QCOMPARE(b.size(), 2);

        // A shared pool changes no answer: the same as schedules of their
        // own, at the start, inside and at the end of programmes.
        const EpgSchedule ownA(first);
        const EpgSchedule ownB(second);
        for (const char *moment :
             {"2016-03-01 12:00:00", "2016-03-01 12:15:00", "2016-03-01 13:59:00",
              "2016-03-01 14:00:00", "2016-03-01 14:30:00", "2016-03-01 15:00:00"}) {
            const QDateTime now = EpgSchedule::readTime(QString::fromLatin1(moment));
            QCOMPARE(a.current(now), ownA.current(now));
            QCOMPARE(b.current(now), ownB.current(now));
        }
        // So do the starts, which the second read from the pool.
        QCOMPARE(b.days(), ownB.days());
        const QDateTime quarterPastOne =
            EpgSchedule::readTime(QStringLiteral("2016-03-01 13:15:00"));
        QCOMPARE(a.current(quarterPastOne).value("name"), QStringLiteral("Film"));
        QCOMPARE(a.current(quarterPastOne).value("text"), QStringLiteral("A film"));
        QCOMPARE(a.current(quarterPastOne).value("start"), QStringLiteral("15"));
        QCOMPARE(b.current(quarterPastOne).value("duration"), QStringLiteral("01:30:00"));
        QCOMPARE(pool->at(-1), QString());
        QCOMPARE(pool->at(pool->size()), QString());

        // Released a few at a time, the last first: the rest still read as
        // before, and a text dropped is added again under a new index.
        QVERIFY(!pool->releaseSome(2));
        QCOMPARE(pool->size(), 4);
        QCOMPARE(pool->at(3), QStringLiteral("A film"));
        QCOMPARE(pool->at(4), QString());
        QCOMPARE(pool->add(QStringLiteral("Sport")), 4);
        QCOMPARE(pool->add(QStringLiteral("News")), 0);
        QVERIFY(pool->releaseSome(5));
        QCOMPARE(pool->size(), 0);
        QVERIFY(pool->releaseSome(1));
    }
};

QTEST_MAIN(TestCompactSchedule)
#include "tst_compactschedule.moc"
