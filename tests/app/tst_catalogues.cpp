#include "TestRows.h"
#include "app/Messages.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

namespace {

// source -> translation of the one (unnamed) context of a TS document.
QMap<QString, QString> readCatalogue(const QString &path) {
    QMap<QString, QString> entries;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return entries;
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation"))
            entries.insert(source, xml.readElementText());
    }
    return entries;
}

// Every key the program looks up with msg("...").
QSet<QString> keysUsedInSources() {
    QSet<QString> keys;
    const QRegularExpression call(QStringLiteral("\\bmsg\\(\"([A-Za-z0-9_]+)\"\\)"));
    QDirIterator it(QStringLiteral(VANTERO_SOURCE_DIR "/src"), {"*.cpp", "*.h"}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        auto matches = call.globalMatch(text);
        while (matches.hasNext())
            keys.insert(matches.next().captured(1));
    }
    return keys;
}

} // namespace

class TestCatalogues : public QObject {
    Q_OBJECT

private slots:
    void bothCataloguesHoldTheSameKeys() {
        const auto en = readCatalogue(QStringLiteral(":/lang_en"));
        const auto ru = readCatalogue(QStringLiteral(":/lang_ru"));
        QVERIFY(en.size() >= 88);
        QCOMPARE(en.keys(), ru.keys());
    }

    void tableTexts_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("english");
        QTest::addColumn<QString>("russian");
        QTest::newRow("signin") << "signin"
                                << "Sign in" << QString::fromUtf8("Войти");
        addRow("confirmpassword", "confirmpassword", "Confirm Password",
               QString::fromUtf8("Подтвердите пароль:"));
        addRow("alert17", "alert17", "Number already registered on Vantero",
               QString::fromUtf8("номер уже зарегистрирован на Vantero"));
        addRow("nointernet", "nointernet", "Can't connect. Please check your internet connection.",
               QString::fromUtf8("Не удается подключиться. Пожалуйста, "
                                 "проверьте подключение к Интернету."));
        addRow("unknowerror", "unknowerror", "Unknown error please try again.",
               QString::fromUtf8("Неизвестная ошибка, пожалуйста, попробуйте еще раз."));
        addRow("pleasewait", "pleasewait", "Please wait...",
               QString::fromUtf8("Пожалуйста, подождите..."));
    }
    void tableTexts() {
        QFETCH(QString, key);
        QFETCH(QString, english);
        QFETCH(QString, russian);
        QCOMPARE(readCatalogue(QStringLiteral(":/lang_en")).value(key), english);
        QCOMPARE(readCatalogue(QStringLiteral(":/lang_ru")).value(key), russian);
    }

    void everyKeyTheProgramLooksUpIsCatalogued() {
        const auto en = readCatalogue(QStringLiteral(":/lang_en"));
        const auto ru = readCatalogue(QStringLiteral(":/lang_ru"));
        for (const QString &key : keysUsedInSources()) {
            QVERIFY2(!en.value(key).isEmpty(), qPrintable("English lacks " + key));
            QVERIFY2(!ru.value(key).isEmpty(), qPrintable("Russian lacks " + key));
        }
    }

    void compiledCataloguesSitBesideTheExecutable() {
        for (const char *name : {"lang_en", "lang_ru"}) {
            QTranslator translator;
            QVERIFY2(translator.load(QCoreApplication::applicationDirPath() + '/' + name), name);
            QVERIFY(!translator.isEmpty());
        }
        QTranslator ru;
        QVERIFY(ru.load(QStringLiteral("lang_ru"), QStringLiteral(".")));
        QCoreApplication::installTranslator(&ru);
        QCOMPARE(msg("playlist"), QString::fromUtf8("Плейлист"));
        // Untranslated in English on purpose: the key itself shows.
        QCoreApplication::removeTranslator(&ru);
        QTranslator en;
        QVERIFY(en.load(QStringLiteral("lang_en"), QStringLiteral(".")));
        QCoreApplication::installTranslator(&en);
        QCOMPARE(msg("alert9"), QStringLiteral("alert9"));
        QCOMPARE(msg("no such key"), QStringLiteral("no such key"));
    }
};

QTEST_GUILESS_MAIN(TestCatalogues)
#include "tst_catalogues.moc"
