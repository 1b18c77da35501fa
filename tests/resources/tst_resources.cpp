#include "TestRows.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QResource>
#include <QSet>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// Where an icon is shown decides what it must look like there.
enum class Backdrop {
    Bar,   // white glyph on the blue header or toolbar: transparent around it
    Field, // grey glyph on a white field or list row: transparent around it
    Opaque // fills the whole widget it is stretched over
};

QJsonArray countryTable() {
    QFile file(QStringLiteral(":/countries"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).array();
}

QString record(const QJsonArray &table, int number, const char *member) {
    return table.at(number - 1).toObject().value(QLatin1String(member)).toString();
}

// Lower case without accents, so that "Réunion" sorts among the R's.
QString sortKey(const QString &name) {
    QString key;
    for (const QChar c : name.normalized(QString::NormalizationForm_D))
        if (!c.isMark())
            key.append(c.toLower());
    return key;
}

bool isSorted(const QJsonArray &table, int first, int last) {
    for (int i = first; i < last; ++i)
        if (sortKey(record(table, i, "name")) > sortKey(record(table, i + 1, "name")))
            return false;
    return true;
}

QSize declaredSize(const QString &svgPath) {
    QFile file(svgPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    while (xml.readNextStartElement()) {
        if (xml.name() == QLatin1String("svg"))
            return QSize(xml.attributes().value(QLatin1String("width")).toInt(),
                         xml.attributes().value(QLatin1String("height")).toInt());
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Backdrop)

class TestResources : public QObject {
    Q_OBJECT

private slots:
    void iconLoadsAtItsSize_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Backdrop>("backdrop");

        const struct {
            const char *name;
            int width;
            int height;
            Backdrop backdrop;
        } icons[] = {
            {"app_icon", 256, 256, Backdrop::Opaque},
            {"edit_image", 390, 52, Backdrop::Opaque},
            {"btn_signin", 400, 52, Backdrop::Opaque},
            {"btn_signup", 400, 52, Backdrop::Opaque},
            {"email_image", 20, 20, Backdrop::Field},
            {"password_image", 20, 20, Backdrop::Field},
            {"playlist_image", 20, 20, Backdrop::Field},
            {"notebook_image", 20, 20, Backdrop::Field},
            {"check", 16, 16, Backdrop::Field},
            {"row_next_icon", 10, 16, Backdrop::Field},
            {"tv_icon", 100, 100, Backdrop::Field},
            {"menu_back", 40, 40, Backdrop::Bar},
            {"menu_done", 40, 40, Backdrop::Bar},
            {"btn_refresh", 40, 40, Backdrop::Bar},
            {"btn_close", 40, 40, Backdrop::Bar},
            {"favorite", 40, 40, Backdrop::Bar},
            {"favorite_sel", 40, 40, Backdrop::Bar},
            {"tv_password", 40, 40, Backdrop::Bar},
            {"tv_password_sel", 40, 40, Backdrop::Bar},
            {"play", 40, 40, Backdrop::Bar},
            {"pause", 40, 40, Backdrop::Bar},
            {"filsize", 30, 30, Backdrop::Bar},
            {"fullscreen", 30, 30, Backdrop::Bar},
            {"volume", 30, 30, Backdrop::Bar},
            {"mute", 30, 30, Backdrop::Bar},
            {"back_chanel", 30, 22, Backdrop::Bar},
            {"next_chanel", 30, 22, Backdrop::Bar},
        };
        for (const auto &icon : icons)
            addRow(icon.name, QString::fromLatin1(icon.name), QSize(icon.width, icon.height),
                   icon.backdrop);
    }

    void iconLoadsAtItsSize() {
        QFETCH(QString, name);
        QFETCH(QSize, size);
        QFETCH(Backdrop, backdrop);

        const QImage image(QStringLiteral(":/") + name);
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), size);

        const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb corner = argb.pixel(0, 0);
        if (backdrop == Backdrop::Opaque) {
            const QRgb centre = argb.pixel(size.width() / 2, size.height() / 2);
            QCOMPARE(qAlpha(centre), 255);
            return;
        }
        // Glyphs are drawn over their page or bar, so they must not bring a
        // background of their own, and must stand out against it.
        QCOMPARE(qAlpha(corner), 0);
        int inked = 0;
        int light = 0;
        for (int y = 0; y < argb.height(); ++y) {
            for (int x = 0; x < argb.width(); ++x) {
                const QRgb px = argb.pixel(x, y);
                if (qAlpha(px) < 200)
                    continue;
                ++inked;
                if (qGray(px) > 200)
                    ++light;
            }
        }
        QVERIFY2(inked * 40 >= size.width() * size.height(), "glyph is barely visible");
        if (backdrop == Backdrop::Bar)
            QVERIFY2(light * 4 >= inked * 3, "glyph on the blue bar is not light");
        else if (name != QLatin1String("tv_icon"))
            QVERIFY2(light == 0, "glyph on a white field is too light");
    }

    void pairedLooksAreTellApart_data() {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("marked");
        addRow("favourite", "favorite", "favorite_sel");
        addRow("private", "tv_password", "tv_password_sel");
        addRow("play", "play", "pause");
        addRow("sound", "volume", "mute");
        addRow("sign in, sign up", "btn_signin", "btn_signup");
    }

    void pairedLooksAreTellApart() {
        QFETCH(QString, plain);
        QFETCH(QString, marked);
        const QImage a =
            QImage(QStringLiteral(":/") + plain).convertToFormat(QImage::Format_ARGB32);
        const QImage b =
            QImage(QStringLiteral(":/") + marked).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(a.size(), b.size());
        int differing = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x)
                if (a.pixel(x, y) != b.pixel(x, y))
                    ++differing;
        // The hover swap must be plain to see, not a few pixels.
        QVERIFY(differing * 20 >= a.width() * a.height());
    }

    // Catches a drawing that was edited without re-running render-icons.
    void everyDrawingHasItsRenderedIcon() {
        const QDir src(QStringLiteral(VANTERO_SOURCE_DIR "/resources/icons/src"));
        const QStringList drawings = src.entryList({QStringLiteral("*.svg")}, QDir::Files);
        QCOMPARE(drawings.size(), 27);
        for (const QString &file : drawings) {
            const QString name = QFileInfo(file).completeBaseName();
            const QImage image(QStringLiteral(":/") + name);
            QVERIFY2(!image.isNull(), qPrintable(name + " is not in the resources"));
            QCOMPARE(image.size(), declaredSize(src.filePath(file)));
        }
    }

    void countryTextIsOneLineAfterALineFeed() {
        QFile file(QStringLiteral(":/countries"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY(text.startsWith('\n'));
        QCOMPARE(text.count('\n'), 1);
        QVERIFY(!text.contains('\0'));
        QCOMPARE(QString::fromUtf8(text).toUtf8(), text);
        QVERIFY(text.contains("\"\xc3\x85land Islands\""));

        // Members in the order name, dial_code, code in every record.
        const QRegularExpression member(QStringLiteral(
            "\\{\\s*\"name\"\\s*:\\s*\"[^\"]+\"\\s*,\\s*\"dial_code\"\\s*:\\s*\"[^\"]+\"\\s*,"
            "\\s*\"code\"\\s*:\\s*\"[^\"]+\"\\s*\\}"));
        int records = 0;
        for (auto it = member.globalMatch(QString::fromUtf8(text)); it.hasNext(); it.next())
            ++records;
        QCOMPARE(records, 241);

        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(text, &error);
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(doc.isArray());
    }

    void countryTableIsZlibCompressed() {
        const QResource resource(QStringLiteral(":/countries"));
        QVERIFY(resource.isValid());
        QCOMPARE(resource.compressionAlgorithm(), QResource::ZlibCompression);
        QVERIFY(resource.size() < resource.uncompressedSize());
    }

    void everyCountryRecordIsWellFormed() {
        const QJsonArray table = countryTable();
        QCOMPARE(table.size(), 241);

        const QRegularExpression code(QStringLiteral("^[A-Z]{2}$"));
        const QRegularExpression dial(QStringLiteral("^\\+[0-9]{1,4}$"));
        QSet<QString> codes;
        QStringList long_;
        for (const QJsonValue &value : table) {
            const QJsonObject obj = value.toObject();
            QCOMPARE(obj.keys(), (QStringList{"code", "dial_code", "name"}));
            for (const QJsonValue &member : obj)
                QVERIFY(member.isString());
            const QString c = obj.value(QLatin1String("code")).toString();
            const QString d = obj.value(QLatin1String("dial_code")).toString();
            QVERIFY2(code.match(c).hasMatch(), qPrintable(c));
            QVERIFY2(!codes.contains(c), qPrintable(c));
            codes.insert(c);
            QVERIFY(!obj.value(QLatin1String("name")).toString().isEmpty());
            QVERIFY2(d.startsWith(QLatin1Char('+')), qPrintable(d));
            if (dial.match(d).hasMatch())
                continue;
            long_.append(c + QLatin1Char(' ') + d);
        }
        // The one code that does not fit the five-character phone field.
        QCOMPARE(long_, QStringList{"KN +1 869"});
    }

    void countryRecordsKeepTheirPlaces_data() {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dialCode");
        QTest::addColumn<QString>("code");

        addRow("1", 1, "Afghanistan", "+93", "AF");
        addRow("2", 2, "Albania", "+355", "AL");
        addRow("3", 3, "Algeria", "+213", "DZ");
        addRow("4 no blank", 4, "AmericanSamoa", "+1684", "AS");
        addRow("5", 5, "Andorra", "+376", "AD");
        addRow("Kazakhstan", 96, "Kazakhstan", "+77", "KZ");
        addRow("end of first run", 196, "Zimbabwe", "+263", "ZW");
        addRow("197", 197, QString::fromUtf8("\xc3\x85land Islands"), "+358", "AX");
        addRow("second run", 198, "Antarctica", "+672", "AQ");
        addRow("comma", 199, "Bolivia, Plurinational State of", "+591", "BO");
        addRow("parentheses", 201, "Cocos (Keeling) Islands", "+61", "CC");
        addRow("apostrophe", 203, "Cote d'Ivoire", "+225", "CI");
        addRow("Reunion", 222, QString::fromUtf8("R\xc3\xa9union"), "+262", "RE");
        addRow("Russia", 223, "Russia", "+7", "RU");
        addRow("Barthelemy", 224, QString::fromUtf8("Saint Barth\xc3\xa9lemy"), "+590", "BL");
        addRow("blank in code", 226, "Saint Kitts and Nevis", "+1 869", "KN");
        addRow("last", 241, "Virgin Islands, U.S.", "+1340", "VI");
    }

    void countryRecordsKeepTheirPlaces() {
        QFETCH(int, number);
        QFETCH(QString, name);
        QFETCH(QString, dialCode);
        QFETCH(QString, code);
        const QJsonArray table = countryTable();
        QCOMPARE(record(table, number, "name"), name);
        QCOMPARE(record(table, number, "dial_code"), dialCode);
        QCOMPARE(record(table, number, "code"), code);
    }

    void countriesRunInTwoAlphabeticalRuns() {
        const QJsonArray table = countryTable();
        QVERIFY(isSorted(table, 1, 196));
        QVERIFY(isSorted(table, 198, 241));
        QVERIFY(!isSorted(table, 196, 198));
    }

    // A lookup by dialling code takes the first match, so the order matters.
    void sharedDialCodesKeepTheirOrder_data() {
        QTest::addColumn<QString>("dialCode");
        QTest::addColumn<QStringList>("names");

        QTest::newRow("+1") << "+1" << QStringList{"Canada", "United States"};
        addRow("+44", "+44", QStringList{"United Kingdom", "Guernsey", "Isle of Man", "Jersey"});
        QTest::newRow("+47") << "+47" << QStringList{"Norway", "Svalbard and Jan Mayen"};
        addRow("+61", "+61",
               QStringList{"Australia", "Christmas Island", "Cocos (Keeling) Islands"});
        addRow("+262", "+262", QStringList{"Mayotte", QString::fromUtf8("R\xc3\xa9union")});
        addRow("+358", "+358", QStringList{"Finland", QString::fromUtf8("\xc3\x85land Islands")});
        addRow("+500", "+500",
               QStringList{"South Georgia and the South Sandwich Islands",
                           "Falkland Islands (Malvinas)"});
        addRow("+590", "+590",
               QStringList{"Guadeloupe", QString::fromUtf8("Saint Barth\xc3\xa9lemy"),
                           "Saint Martin"});
        QTest::newRow("+595") << "+595" << QStringList{"Guyana", "Paraguay"};
        QTest::newRow("+672") << "+672" << QStringList{"Norfolk Island", "Antarctica"};
        QTest::newRow("+7 alone") << "+7" << QStringList{"Russia"};
    }

    void sharedDialCodesKeepTheirOrder() {
        QFETCH(QString, dialCode);
        QFETCH(QStringList, names);
        QStringList found;
        for (const QJsonValue &value : countryTable()) {
            const QJsonObject obj = value.toObject();
            if (obj.value(QLatin1String("dial_code")).toString() == dialCode)
                found.append(obj.value(QLatin1String("name")).toString());
        }
        QCOMPARE(found, names);
    }

    void noOtherDialCodeIsShared() {
        const QSet<QString> shared{"+1",   "+44",  "+47",  "+61",  "+262",
                                   "+358", "+500", "+590", "+595", "+672"};
        QHash<QString, int> uses;
        for (const QJsonValue &value : countryTable())
            ++uses[value.toObject().value(QLatin1String("dial_code")).toString()];
        for (auto it = uses.cbegin(); it != uses.cend(); ++it)
            QVERIFY2(it.value() == 1 || shared.contains(it.key()), qPrintable(it.key()));
    }
};

QTEST_GUILESS_MAIN(TestResources)
#include "TestRows.h"
#include "tst_resources.moc"
