// The title index behind the channel search field.

#include "channels/ChannelSearchIndex.h"

#include <QJsonObject>
#include <QtTest>

namespace {

QJsonArray titled(const QStringList &titles) {
    QJsonArray channels;
    for (const QString &title : titles)
        channels.append(QJsonObject{{QStringLiteral("title"), title}});
    return channels;
}

} // namespace

class TestChannelSearch : public QObject {
    Q_OBJECT

private slots:
    void matchesWithoutCaseOrAccents_data() {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QVector<int>>("expected");
        QTest::newRow("latin case") << QStringLiteral("NEWS") << QVector<int>{0, 4};
        QTest::newRow("latin accent") << QStringLiteral("cafe") << QVector<int>{1};
        QTest::newRow("accent in query") << QStringLiteral("CAFÉ") << QVector<int>{1};
        QTest::newRow("cyrillic case") << QStringLiteral("первый") << QVector<int>{2};
        QTest::newRow("yo as ye") << QStringLiteral("ежик") << QVector<int>{3};
        QTest::newRow("ye finds yo") << QStringLiteral("ЁЖИК") << QVector<int>{3};
        QTest::newRow("spaces folded") << QStringLiteral("  vantero   news ") << QVector<int>{4};
        QTest::newRow("no match") << QStringLiteral("sport") << QVector<int>{};
        QTest::newRow("blank") << QStringLiteral("   ") << QVector<int>{};
    }

    void matchesWithoutCaseOrAccents() {
        QFETCH(QString, query);
        QFETCH(QVector<int>, expected);
        ChannelSearchIndex index;
        index.build(titled({QStringLiteral("Business News"), QStringLiteral("Café Télé"),
                            QStringLiteral("ПЕРВЫЙ канал"), QStringLiteral("Ёжик ТВ"),
                            QStringLiteral("Vantero  News")}));
        QCOMPARE(index.match(query), expected);
    }

    void rebuildForgetsTheOldPlaylist() {
        ChannelSearchIndex index;
        index.build(titled({QStringLiteral("One"), QStringLiteral("Two")}));
        index.build(titled({QStringLiteral("Three")}));
        QCOMPARE(index.size(), 1);
        QVERIFY(index.match(QStringLiteral("two")).isEmpty());
        QCOMPARE(index.match(QStringLiteral("thr")), QVector<int>{0});
        index.clear();
        QVERIFY(index.match(QStringLiteral("thr")).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestChannelSearch)
#include "tst_channelsearch.moc"
