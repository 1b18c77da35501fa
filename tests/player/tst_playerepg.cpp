// The programme overlay on the player: its texts, the logo, the progress
// bar read back from a grabbed image, its resize rules, and its place in
// the player. Runs at UTC+3 with "now" fixed through Clock.

#include "EnginePlugins.h"
#include "PlayerTestStreams.h"
#include "TestSupport.h"

#include "app/Clock.h"
#include "player/PlayerEpg.h"
#include "player/PlayerWidget.h"
#include "vlc/VlcInstance.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonObject>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
const QDateTime now(QDate(2016, 3, 1), QTime(20, 10, 30));
const QColor background(98, 136, 166);
const QColor track(128, 128, 128);
const QColor bar(0, 0, 255);

// A channel whose programme began `minutesAgo` minutes (and 30 seconds)
// before now and lasts `length` minutes.
QJsonObject channel(int minutesAgo, int length, const QString &pict = QString()) {
    const QDateTime start = now.addSecs(-minutesAgo * 60 - 30);
    const QJsonObject programme{{"start", start.toUTC().toString(format)},
                                {"stop", start.addSecs(length * 60).toUTC().toString(format)},
                                {"title", "Evening news"},
                                {"desc", "The day in twenty minutes."}};
    return QJsonObject{
        {"id", 5}, {"title", "News 24"}, {"pict", pict}, {"epg", QJsonArray{programme}}};
}

QString label(const PlayerEpg &overlay, const char *name) {
    return overlay.findChild<QLabel *>(QLatin1String(name))->text();
}

bool near(QRgb pixel, const QColor &colour, int tolerance = 10) {
    return qAbs(qRed(pixel) - colour.red()) <= tolerance &&
           qAbs(qGreen(pixel) - colour.green()) <= tolerance &&
           qAbs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// The run of pixels of colour along row y, starting at x.
int runLength(const QImage &image, int x, int y, const QColor &colour) {
    int length = 0;
    while (x + length < image.width() && near(image.pixel(x + length, y), colour))
        ++length;
    return length;
}

int count(const QImage &image, const QColor &colour) {
    int total = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            total += near(image.pixel(x, y), colour, 0) ? 1 : 0;
    return total;
}

// The overlay at a width that gives a track of trackLength pixels between
// the two time labels (the start label ends at 170, the length label is 61
// wide and 5 pixels inside the right edge, and the track keeps 5 pixels
// from each).
int widthForTrack(int trackLength) {
    return 175 + trackLength + 5 + 61 + 5;
}

// Shown, so that its resize rules have run.
QImage grab(PlayerEpg &overlay) {
    overlay.show();
    return overlay.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

} // namespace

class TestPlayerEpg : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QCOMPARE(QDateTime(QDate(2016, 3, 1), QTime(12, 0), Qt::UTC).toLocalTime().offsetFromUtc(),
                 3 * 3600);
        Clock::setNow(now);
    }

    void cleanupTestCase() { Clock::setNow(QDateTime()); }

    void texts_data() {
        QTest::addColumn<QJsonObject>("record");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("elapsed");
        QTest::addColumn<QString>("length");
        QTest::newRow("running") << channel(10, 45) << "Evening news"
                                 << "00:11"
                                 << "00:45";
        QTest::newRow("over an hour in") << channel(74, 150) << "Evening news"
                                         << "01:15"
                                         << "02:30";
        QTest::newRow("nothing now") << channel(-60, 45) << "..."
                                     << "00:00"
                                     << "00:00";
        QTest::newRow("no programme data") << QJsonObject{{"id", 5}} << "..."
                                           << "00:00"
                                           << "00:00";
    }

    void texts() {
        QFETCH(QJsonObject, record);
        QFETCH(QString, name);
        QFETCH(QString, elapsed);
        QFETCH(QString, length);
        PlayerEpg overlay;
        overlay.setChannel(record);
        QCOMPARE(overlay.channel, record);
        QCOMPARE(label(overlay, "epg_name_lable"), name);
        QCOMPARE(label(overlay, "epg_text_lable"),
                 name == QLatin1String("...") ? QStringLiteral("...")
                                              : QStringLiteral("The day in twenty minutes."));
        QCOMPARE(label(overlay, "start_lable"), elapsed);
        QCOMPARE(label(overlay, "duration_lable"), length);
    }

    void progressBar_data() {
        QTest::addColumn<QJsonObject>("record");
        QTest::addColumn<int>("trackLength");
        QTest::addColumn<int>("blueLength"); // 0: no blue at all
        QTest::newRow("10 pixels a minute") << channel(10, 45) << 450 << 110;
        QTest::newRow("under a pixel a minute") << channel(10, 150) << 120 << 0;
        QTest::newRow("nothing running") << channel(-60, 45) << 450 << 0;
        QTest::newRow("no data") << QJsonObject() << 450 << 0;
    }

    void progressBar() {
        QFETCH(QJsonObject, record);
        QFETCH(int, trackLength);
        QFETCH(int, blueLength);
        PlayerEpg overlay;
        overlay.resize(widthForTrack(trackLength), 98);
        overlay.setChannel(record);
        const QImage image = grab(overlay);

        // The bar runs along y = 83 (the start label's bottom, 90, less 7)
        // from x = 175, 6 pixels thick with square caps.
        const int x0 = 175;
        const int y = 83;
        if (blueLength > 0) {
            QCOMPARE(runLength(image, x0, y, bar), blueLength + 3);
            QVERIFY(near(image.pixel(x0 - 3, y), bar));
            QVERIFY(near(image.pixel(x0 - 3, y - 3), bar));
            QVERIFY(near(image.pixel(x0 - 3, y + 2), bar));
            QVERIFY(near(image.pixel(x0 + blueLength + 3, y), track));
        } else {
            QCOMPARE(count(image, bar), 0);
            QVERIFY(near(image.pixel(x0, y), track));
        }
        // The track reaches 5 pixels short of the length label.
        QCOMPARE(runLength(image, x0 + qMax(blueLength + 3, 0), y, track),
                 trackLength - qMax(blueLength + 3, 0) + 3);
        QVERIFY(near(image.pixel(x0 + trackLength + 4, y), background));
        QVERIFY(near(image.pixel(x0 + 50, y - 4), background));
    }

    void logo_data() {
        QTest::addColumn<QString>("pict");
        QTest::addColumn<bool>("own");
        QTest::newRow("own logo") << "wide.png" << true;
        QTest::newRow("no logo") << "" << false;
        QTest::newRow("logo not readable") << "missing.png" << false;
        QTest::newRow("not an image") << "notes.txt" << false;
    }

    void logo() {
        QFETCH(QString, pict);
        QFETCH(bool, own);
        QTemporaryDir dir;
        QImage wide(160, 80, QImage::Format_RGB32);
        wide.fill(Qt::red);
        QVERIFY(wide.save(dir.filePath("wide.png")));
        QFile notes(dir.filePath("notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write("not an image");
        notes.close();

        PlayerEpg overlay;
        overlay.setChannel(channel(10, 45, pict.isEmpty() ? QString() : dir.filePath(pict)));
        const QImage image = grab(overlay);
        if (own) {
            // 80 wide, 40 high, centred on the 98-pixel band: rows 29 to 68.
            QVERIFY(near(image.pixel(50, 49), Qt::red));
            QVERIFY(near(image.pixel(11, 30), Qt::red));
            QVERIFY(near(image.pixel(88, 67), Qt::red));
            QVERIFY(near(image.pixel(50, 26), background));
            QVERIFY(near(image.pixel(50, 71), background));
            QVERIFY(near(image.pixel(5, 49), background));
            QVERIFY(near(image.pixel(93, 49), background));
        } else {
            QImage icon(QStringLiteral(":/tv_icon"));
            QVERIFY(!icon.isNull());
            const int s = 80 * icon.height() / icon.width();
            const QRect area(10, 49 - s / 2, 80, s);
            QImage expected(image.size(), QImage::Format_RGB32);
            expected.fill(background);
            QPainter painter(&expected);
            painter.setRenderHint(QPainter::SmoothPixmapTransform);
            painter.drawImage(area, icon);
            painter.end();
            QCOMPARE(image.copy(area), expected.copy(area));
        }
    }

    void resizeKeepsTheLabelsInPlace() {
        PlayerEpg overlay;
        overlay.resize(1000, 98);
        overlay.show();
        auto *length = overlay.findChild<QLabel *>("duration_lable");
        QCOMPARE(length->geometry(), QRect(1000 - 5 - 61, 70, 61, 20));
        for (const char *name : {"epg_name_lable", "epg_text_lable"}) {
            auto *text = overlay.findChild<QLabel *>(name);
            QCOMPARE(text->x(), 110);
            QCOMPARE(text->x() + text->width(), 1000);
        }
        QCOMPARE(overlay.findChild<QLabel *>("epg_text_lable")->geometry(),
                 QRect(110, 29, 890, 41));
        QCOMPARE(overlay.findChild<QLabel *>("start_lable")->geometry(), QRect(110, 70, 61, 21));
    }

    // In the player: made with the engine, shown, across the bottom; handed
    // each channel played; made anew with a new engine.
    void livesInThePlayer() {
        ScopedSettings settings;
        keepEnginePluginsLoaded();
        VlcInstance::setExtraArguments(PlayerTestStreams::silentAudio());
        PlayerWidget player;
        QList<PlayerEpg *> overlays = player.findChildren<PlayerEpg *>();
        QCOMPARE(overlays.size(), 1);
        QPointer<PlayerEpg> overlay = overlays.first();
        QVERIFY(!overlay->isHidden());
        player.resize(800, 450);
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        QCOMPARE(overlay->geometry(), QRect(0, 450 - 98, 800, 98));
        player.resize(640, 400);
        QTRY_COMPARE(overlay->geometry(), QRect(0, 400 - 98, 640, 98));

        player.channel = channel(10, 45);
        player.playUrl(QString());
        QCOMPARE(overlay->channel, player.channel);
        QCOMPARE(label(*overlay, "epg_name_lable"), QStringLiteral("Evening news"));
        // A copy: later changes to the player's record do not reach it.
        player.channel.insert("title", "Other");
        QCOMPARE(overlay->channel.value("title").toString(), QStringLiteral("News 24"));

        // Each click flips it (the five-second timer may have hidden it
        // already on a slow machine).
        const bool shown = !overlay->isHidden();
        QTest::mouseClick(&player, Qt::LeftButton, {}, QPoint(300, 100));
        QCOMPARE(!overlay->isHidden(), !shown);
        QTest::mouseClick(&player, Qt::LeftButton, {}, QPoint(300, 100));
        QCOMPARE(!overlay->isHidden(), shown);

        // A new cache size keeps the engine, and the overlay with it.
        player.rebuildEngine();
        QVERIFY(!overlay.isNull());
        QCOMPARE(player.findChildren<PlayerEpg *>().size(), 1);
        QCOMPARE(overlay->geometry(), QRect(0, 400 - 98, 640, 98));
    }

    // Programme data and a logo that arrive after the channel started reach
    // the overlay; those of another channel do not.
    void takesDataThatArrivesLater() {
        ScopedSettings settings;
        keepEnginePluginsLoaded();
        VlcInstance::setExtraArguments(PlayerTestStreams::silentAudio());
        PlayerWidget player;
        auto *overlay = player.findChild<PlayerEpg *>();
        QVERIFY(overlay);
        QJsonObject bare = channel(10, 45);
        bare.remove("epg");
        player.channel = bare;
        player.playUrl(QString());
        QCOMPARE(label(*overlay, "epg_name_lable"), QStringLiteral("..."));

        QJsonObject other = channel(3, 30);
        other.insert("id", 6);
        player.updateChannel(other);
        QCOMPARE(label(*overlay, "epg_name_lable"), QStringLiteral("..."));
        QCOMPARE(player.channel, bare);

        QTemporaryDir dir;
        const QString logoPath = dir.filePath("logo.png");
        QImage logo(40, 40, QImage::Format_RGB32);
        logo.fill(Qt::red);
        QVERIFY(logo.save(logoPath));
        const QJsonObject later = channel(10, 45, logoPath);
        player.updateChannel(later);
        QCOMPARE(player.channel, later);
        QCOMPARE(overlay->channel, later);
        QCOMPARE(label(*overlay, "epg_name_lable"), QStringLiteral("Evening news"));
        QCOMPARE(label(*overlay, "start_lable"), QStringLiteral("00:11"));
        overlay->resize(750, 98);
        const QImage image = grab(*overlay);
        QVERIFY(near(image.pixel(50, 49), Qt::red));

        // The minute refresh reads the player's record, not its own copy.
        Clock::setNow(now.addSecs(120));
        player.channel.insert("title", "Renamed");
        QCOMPARE(overlay->channel.value("title").toString(), QStringLiteral("News 24"));
        overlay->refresh();
        QCOMPARE(overlay->channel.value("title").toString(), QStringLiteral("Renamed"));
        QCOMPARE(label(*overlay, "start_lable"), QStringLiteral("00:13"));
        Clock::setNow(now);
    }
};

QTEST_MAIN(TestPlayerEpg)
#include "tst_playerepg.moc"
