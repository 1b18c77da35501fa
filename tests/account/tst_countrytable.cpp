#include "TestRows.h"
#include "account/CountryTable.h"

#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

class TestCountryTable : public QObject {
    Q_OBJECT

private slots:
    void resourceLoadsInTableOrder() {
        const QJsonArray table = CountryTable::load();
        QCOMPARE(table.size(), 241);
        QCOMPARE(table.first().toObject().value("name").toString(), QStringLiteral("Afghanistan"));
        QCOMPARE(table.at(222).toObject().value("code").toString(), QStringLiteral("RU"));
        QCOMPARE(table.last().toObject().value("name").toString(),
                 QStringLiteral("Virgin Islands, U.S."));
        // Non-ASCII names survive the decoding.
        QCOMPARE(table.at(196).toObject().value("name").toString(),
                 QString::fromUtf8("\xc3\x85land Islands"));
    }

    void fileContent_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("firstName");
        const QByteArray one = "[{\"name\":\"A\",\"dial_code\":\"+1\",\"code\":\"AA\"}]";
        QTest::newRow("array") << one << 1 << "A";
        QTest::newRow("leading line feed") << "\n" + one << 1 << "A";
        QTest::newRow("CRLF line ends") << "\r\n" + one + "\r\n" << 1 << "A";
        QTest::newRow("garbage after a NUL") << one + QByteArray("\0{{{", 4) << 1 << "A";
        QTest::newRow("NUL before the text") << QByteArray("\0", 1) + one << 0 << "";
        QTest::newRow("object, not array") << QByteArray("{\"name\":\"A\"}") << 0 << "";
        QTest::newRow("not JSON") << QByteArray("[{\"name\":") << 0 << "";
        QTest::newRow("empty") << QByteArray() << 0 << "";
        addRow("broken UTF-8 in a name",
               QByteArray("[{\"name\":\"A\xff\",\"dial_code\":\"+1\",\"code\":\"AA\"}]"), 1,
               QString::fromUtf8("A\xef\xbf\xbd"));
    }
    void fileContent() {
        QFETCH(QByteArray, content);
        QFETCH(int, records);
        QFETCH(QString, firstName);
        QTemporaryDir dir;
        QFile file(dir.filePath("countries.json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        const QJsonArray table = CountryTable::load(file.fileName());
        QCOMPARE(table.size(), records);
        QCOMPARE(table.first().toObject().value("name").toString(), firstName);
    }

    void missingFileGivesAnEmptyTable() {
        QVERIFY(CountryTable::load(QStringLiteral(":/no-such-table")).isEmpty());
    }

    void byDialCode_data() {
        QTest::addColumn<QString>("dialCode");
        QTest::addColumn<QString>("name");
        addRow("shared +1 gives the first", "+1", "Canada");
        addRow("shared +44", "+44", "United Kingdom");
        addRow("+358 across both runs", "+358", "Finland");
        addRow("+672 across both runs", "+672", "Norfolk Island");
        addRow("+7", "+7", "Russia");
        addRow("+77 is not +7", "+77", "Kazakhstan");
        addRow("with a blank", "+1 869", "Saint Kitts and Nevis");
        addRow("cut short", "+1 86", "");
        addRow("without the plus", "7", "");
        addRow("plus alone", "+", "");
        addRow("empty", "", "");
    }
    void byDialCode() {
        QFETCH(QString, dialCode);
        QFETCH(QString, name);
        const QJsonObject record = CountryTable::byDialCode(CountryTable::load(), dialCode);
        QCOMPARE(record.value("name").toString(), name);
        QCOMPARE(record.isEmpty(), name.isEmpty());
    }

    void byCountryCode_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("dialCode");
        addRow("RU", "RU", "+7");
        addRow("US", "US", "+1");
        addRow("KN", "KN", "+1 869");
        addRow("AX in the second run", "AX", "+358");
        addRow("lower case is no match", "ru", "");
        addRow("unknown", "XX", "");
        addRow("empty", "", "");
    }
    void byCountryCode() {
        QFETCH(QString, code);
        QFETCH(QString, dialCode);
        const QJsonObject record = CountryTable::byCountryCode(CountryTable::load(), code);
        QCOMPARE(record.value("dial_code").toString(), dialCode);
    }

    // A record that lacks the member is not found by an empty text.
    void emptyTextMatchesNoMissingMember() {
        const QJsonArray table{QJsonObject{{"name", "A"}}};
        QVERIFY(CountryTable::byDialCode(table, QString()).isEmpty());
        QVERIFY(CountryTable::byCountryCode(table, QString()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestCountryTable)
#include "tst_countrytable.moc"
