#include "TestSupport.h"

#include "app/AppFont.h"
#include "app/AppState.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "app/Startup.h"

#include <QCoreApplication>
#include <QTranslator>
#include <QtTest>

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_settings.reset(new ScopedSettings);
        if (appState().appTranslator)
            QCoreApplication::removeTranslator(appState().appTranslator);
    }
    void cleanup() { m_settings.reset(); }

    void emptyStoreGivesDefaults()
    {
        appState().loadFromSettings();
        const AppState &s = appState();
        QCOMPARE(s.userName, QString());
        QCOMPARE(s.password, QString());
        QCOMPARE(s.deviceKey, QString());
        QCOMPARE(s.deviceName, QString());
        QCOMPARE(s.playlistId, 0);
        QCOMPARE(s.playlistName, QString());
        QCOMPARE(s.language, QString());
        QCOMPARE(s.onTop, false);
        QCOMPARE(s.cacheSize, QString());
        QVERIFY(s.cacheSize.isEmpty());
    }

    void storedValuesAreRead()
    {
        const QString g = SettingsKeys::groupInfo;
        ScopedSettings::set(g, "user_name", "viewer@example.com");
        ScopedSettings::set(g, "user_password", " secret ");
        ScopedSettings::set(g, "device_key", "k-1");
        ScopedSettings::set(g, "device_name", "Den PC");
        ScopedSettings::set(g, "playlist_id", 42);
        ScopedSettings::set(g, "playlist_name", "Home");
        ScopedSettings::set(g, "lang", "lang_ru");
        ScopedSettings::set(g, "ontop", true);
        ScopedSettings::set(g, "cache_size", "3000");
        appState().loadFromSettings();
        const AppState &s = appState();
        QCOMPARE(s.userName, QStringLiteral("viewer@example.com"));
        QCOMPARE(s.password, QStringLiteral(" secret "));
        QCOMPARE(s.deviceKey, QStringLiteral("k-1"));
        QCOMPARE(s.deviceName, QStringLiteral("Den PC"));
        QCOMPARE(s.playlistId, 42);
        QCOMPARE(s.playlistName, QStringLiteral("Home"));
        QCOMPARE(s.language, QStringLiteral("lang_ru"));
        QCOMPARE(s.onTop, true);
        QCOMPARE(s.cacheSize, QStringLiteral("3000"));
    }

    void playlistIdThatIsNotANumberReadsZero()
    {
        ScopedSettings::set(SettingsKeys::groupInfo, "playlist_id", "seven");
        appState().loadFromSettings();
        QCOMPARE(appState().playlistId, 0);
    }

    void languageGuess_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("language");
        QTest::newRow("russian") << "ru_RU" << "lang_ru";
        QTest::newRow("ukrainian") << "uk_UA" << "lang_en";
        QTest::newRow("russian in Ukraine") << "ru_UA" << "lang_en";
        QTest::newRow("us english") << "en_US" << "lang_en";
        QTest::newRow("C") << "C" << "lang_en";
    }
    void languageGuess()
    {
        QFETCH(QString, locale);
        QFETCH(QString, language);
        QCOMPARE(Startup::languageForLocale(locale), language);
    }

    void guessedLanguageIsInstalledButNotStored()
    {
        appState().loadFromSettings();
        Startup::installApplicationTranslator(QStringLiteral("ru_RU"));
        QCOMPARE(appState().language, QStringLiteral("lang_ru"));
        QCOMPARE(msg("signin"), QString::fromUtf8("Войти"));
        QVERIFY(!ScopedSettings::contains(SettingsKeys::groupInfo, "lang"));
    }

    void storedLanguageWinsOverLocale()
    {
        ScopedSettings::set(SettingsKeys::groupInfo, "lang", "lang_ru");
        appState().loadFromSettings();
        Startup::installApplicationTranslator(QStringLiteral("en_US"));
        QCOMPARE(appState().language, QStringLiteral("lang_ru"));
        QCOMPARE(msg("signout"), QString::fromUtf8("Выход"));
    }

    void englishSystemGetsEnglish()
    {
        appState().loadFromSettings();
        Startup::installApplicationTranslator(QStringLiteral("en_GB"));
        QCOMPARE(appState().language, QStringLiteral("lang_en"));
        QCOMPARE(msg("forgot"), QStringLiteral("For got your password?"));
        // The transport's failure key reads like the catalogued generic error.
        QCOMPARE(msg("unknowerror"), QStringLiteral("Unknown error please try again."));
    }

    void missingCatalogueShowsKeys()
    {
        ScopedSettings::set(SettingsKeys::groupInfo, "lang", "lang_xx");
        appState().loadFromSettings();
        Startup::installApplicationTranslator(QStringLiteral("ru_RU"));
        QCOMPARE(appState().language, QStringLiteral("lang_xx"));
        QCOMPARE(msg("signin"), QStringLiteral("signin"));
    }

    void fontFamilyIsCachedAfterFirstRequest()
    {
        const QString family = applicationFontFamily();
        QVERIFY2(!family.isEmpty(), "the title font beside the executable names no family");
        QCOMPARE(applicationFontFamily(QStringLiteral("/no such font.otf")), family);
    }

private:
    QScopedPointer<ScopedSettings> m_settings;
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
