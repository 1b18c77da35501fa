// What the channel browser reads without a window: the stored favourite and
// private lists, offline playlist files, the logo cache folder, and the
// channel delegate's scaled logos.

#include "TestRows.h"
#include "TestSupport.h"

#include "channels/ChannelMarks.h"
#include "channels/ListItemDelegate.h"
#include "channels/LoadImageUrl.h"
#include "channels/LogoImage.h"
#include "channels/OfflinePlaylistReader.h"

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonObject>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

struct Parsed {
    QJsonArray channels;
    QJsonArray groups;
};

Parsed parse(const QByteArray &text) {
    QByteArray data = text;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QTextStream stream(&buffer);
    Parsed parsed;
    OfflinePlaylistReader::parse(stream, parsed.channels, parsed.groups);
    return parsed;
}

// "id|group title|title|href" per channel, for compact comparisons.
QStringList summary(const Parsed &parsed) {
    QHash<int, QString> groupTitles;
    for (const QJsonValue &group : parsed.groups)
        groupTitles.insert(group.toObject().value(QStringLiteral("id")).toInt(),
                           group.toObject().value(QStringLiteral("title")).toString());
    QStringList rows;
    for (const QJsonValue &value : parsed.channels) {
        const QJsonObject channel = value.toObject();
        rows << QStringLiteral("%1|%2|%3|%4")
                    .arg(channel.value(QStringLiteral("id")).toInt())
                    .arg(groupTitles.value(channel.value(QStringLiteral("group_id")).toInt(),
                                           QStringLiteral("?")),
                         channel.value(QStringLiteral("title")).toString(),
                         channel.value(QStringLiteral("href")).toString());
    }
    return rows;
}

// Counts the loads the channel rows ask for.
class CountingDelegate : public ListItemDelegate {
public:
    mutable int loads = 0;
    QImage image;

protected:
    QImage loadLogo(const QString &) const override {
        ++loads;
        return image;
    }
};

void paintRow(const ListItemDelegate &delegate, const QString &logo) {
    QStandardItemModel model;
    auto *item = new QStandardItem(QStringLiteral("Channel"));
    item->setData(logo, ListItemDelegate::LogoRole);
    model.appendRow(item);
    QImage target(420, 70, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    QStyleOptionViewItem option;
    option.rect = QRect(0, 0, 420, 70);
    delegate.paint(&painter, option, model.index(0, 0));
}

} // namespace

class TestChannelData : public QObject {
    Q_OBJECT

private slots:
    void decodesStoredLists_data() {
        QTest::addColumn<QJsonValue>("stored");
        QTest::addColumn<QStringList>("ids");
        addRow("list", QJsonValue(QStringLiteral("[101,205,33]")), QStringList{"101", "205", "33"});
        QTest::newRow("empty list") << QJsonValue(QStringLiteral("[]")) << QStringList();
        QTest::newRow("empty text") << QJsonValue(QString()) << QStringList();
        QTest::newRow("missing") << QJsonValue(QJsonValue::Undefined) << QStringList();
        QTest::newRow("null") << QJsonValue(QJsonValue::Null) << QStringList();
        QTest::newRow("not text") << QJsonValue(7) << QStringList();
        addRow("empty item", QJsonValue(QStringLiteral("[7,,8]")), QStringList{"7", "8"});
        addRow("text before the first separator", QJsonValue(QStringLiteral("5[7]")),
               QStringList{"7"});
        QTest::newRow("no brackets") << QJsonValue(QStringLiteral("7,8")) << QStringList{"8"};
        addRow("kept untrimmed", QJsonValue(QStringLiteral("[ 7,8 ]")), QStringList{" 7", "8 "});
        QTest::newRow("twice") << QJsonValue(QStringLiteral("[7,7]")) << QStringList{"7", "7"};
    }
    void decodesStoredLists() {
        QFETCH(QJsonValue, stored);
        QFETCH(QStringList, ids);
        QCOMPARE(ChannelMarks::decode(stored).toVariantList(), QVariant(ids).toList());
    }

    void encodesLists_data() {
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<QString>("stored");
        QTest::newRow("empty") << QStringList() << QStringLiteral("[]");
        QTest::newRow("one") << QStringList{"42"} << QStringLiteral("[42]");
        QTest::newRow("three") << QStringList{"101", "205", "33"} << QStringLiteral("[101,205,33]");
    }
    void encodesLists() {
        QFETCH(QStringList, ids);
        QFETCH(QString, stored);
        const QJsonArray list = QJsonArray::fromStringList(ids);
        QCOMPARE(ChannelMarks::encode(list), stored);
        QCOMPARE(ChannelMarks::decode(stored), list);
    }

    void removesOneEntryAtATime() {
        QJsonArray ids = QJsonArray::fromStringList({"7", "8", "7"});
        QVERIFY(ChannelMarks::contains(ids, 7));
        QVERIFY(ChannelMarks::removeOne(ids, 7));
        QCOMPARE(ids, QJsonArray::fromStringList({"8", "7"}));
        QVERIFY(ChannelMarks::removeOne(ids, 7));
        QVERIFY(!ChannelMarks::contains(ids, 7));
        QVERIFY(!ChannelMarks::removeOne(ids, 7));
        QCOMPARE(ChannelMarks::encode(ids), QStringLiteral("[8]"));
    }

    void keysNameThePlatformAndPlaylist() {
        const QString platform = QGuiApplication::platformName();
        QCOMPARE(ChannelMarks::favoritesKey(12), platform + QStringLiteral("_fav_12"));
        QCOMPARE(ChannelMarks::privateKey(12), platform + QStringLiteral("_priv_12"));
        QCOMPARE(ChannelMarks::parentPasswordKey(), platform + QStringLiteral("_parent_pass"));
    }

    void readsPlaylists_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("channels");
        QTest::addColumn<QStringList>("groups");

        QTest::newRow("track, group, address")
            << QByteArray("#EXTM3U\n#EXTINF:-1,One\n#EXTGRP:News\nhttp://a/1\n")
            << QStringList{"3|News|One|http://a/1"} << QStringList{"News"};
        QTest::newRow("track then address: unsorted")
            << QByteArray("#EXTM3U\n#EXTINF:-1,One\nhttp://a/1\n")
            << QStringList{"2|unsorted|One|http://a/1"} << QStringList{"unsorted"};
        QTest::newRow("no comma: whole line")
            << QByteArray("#EXTINF:-1\nhttp://a/1\n")
            << QStringList{"1|unsorted|#EXTINF:-1|http://a/1"} << QStringList{"unsorted"};
        QTest::newRow("later commas stay")
            << QByteArray("#EXTINF:-1,News, Sport, and More\nhttp://a/1\n")
            << QStringList{"1|unsorted|News, Sport, and More|http://a/1"}
            << QStringList{"unsorted"};
        addRow("one group id per title, case counts",
               QByteArray("#EXTINF:0,A\n#EXTGRP:News\nu1\n"
                          "#EXTINF:0,B\n#EXTGRP:news\nu2\n"
                          "#EXTINF:0,C\n#EXTGRP:News\nu3\n"),
               QStringList{"2|News|A|u1", "5|news|B|u2", "8|News|C|u3"},
               QStringList{"News", "news"});
        addRow("ids are line numbers, blank lines count",
               QByteArray("#EXTM3U\n\n#EXTINF:0,A\nu1\n\n\n#EXTINF:0,B\nu2"),
               QStringList{"3|unsorted|A|u1", "7|unsorted|B|u2"}, QStringList{"unsorted"});
        // Blank lines, options and other comments are never an address.
        addRow("blank line after a track", QByteArray("#EXTINF:0,A\n\nu1\n"),
               QStringList{"2|unsorted|A|u1"}, QStringList{"unsorted"});
        addRow("options, comments and blanks before the address",
               QByteArray("#EXTINF:0,A\n#EXTVLCOPT:http-referrer=x\n# note\n \t\nu1\n"),
               QStringList{"4|unsorted|A|u1"}, QStringList{"unsorted"});
        addRow("group after an option",
               QByteArray("#EXTINF:0,A\n#EXTVLCOPT:x=1\n#EXTGRP:News\nu1\n"),
               QStringList{"3|News|A|u1"}, QStringList{"News"});
        addRow("option after the group",
               QByteArray("#EXTINF:0,A\n#EXTGRP:News\n#EXTVLCOPT:x=1\n\nu1\n"),
               QStringList{"4|News|A|u1"}, QStringList{"News"});
        addRow("group before the track",
               QByteArray("#EXTGRP:News\n#EXTINF:0,A\nu1\n#EXTINF:0,B\nu2\n"),
               QStringList{"2|News|A|u1", "4|unsorted|B|u2"}, QStringList{"News", "unsorted"});
        addRow("the track's own group wins",
               QByteArray("#EXTGRP:Old\n#EXTINF:0,A\n#EXTGRP:New\nu1\n"), QStringList{"3|New|A|u1"},
               QStringList{"Old", "New"});
        addRow("a group line does not make the next track an address",
               QByteArray("#EXTINF:0,Lost\n#EXTGRP:News\n#EXTINF:0,B\nu1\n"),
               QStringList{"3|unsorted|B|u1"}, QStringList{"News", "unsorted"});
        QTest::newRow("byte-order mark before the first track")
            << QByteArray("\xEF\xBB\xBF#EXTINF:-1,One\nhttp://a/1\n")
            << QStringList{"1|unsorted|One|http://a/1"} << QStringList{"unsorted"};
        addRow("track without address gives nothing",
               QByteArray("#EXTINF:0,Lost\n#EXTINF:0,Kept\nu1\n"),
               QStringList{"2|unsorted|Kept|u1"}, QStringList{"unsorted"});
        addRow("group title untrimmed", QByteArray("#EXTINF:0,A\n#EXTGRP: Films \nu1\n"),
               QStringList{"2| Films |A|u1"}, QStringList{" Films "});
        QTest::newRow("no tracks")
            << QByteArray("#EXTM3U\nhttp://a/1\n#EXTGRP:x\n") << QStringList() << QStringList{"x"};
        QTest::newRow("empty") << QByteArray() << QStringList() << QStringList();
        addRow("unsorted made when first needed",
               QByteArray("#EXTINF:0,A\n#EXTGRP:News\nu1\n#EXTINF:0,B\nu2\n"
                          "#EXTINF:0,C\n#EXTGRP:Kids\nu3\n"),
               QStringList{"2|News|A|u1", "4|unsorted|B|u2", "7|Kids|C|u3"},
               QStringList{"News", "unsorted", "Kids"});
    }
    void readsPlaylists() {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, channels);
        QFETCH(QStringList, groups);
        const Parsed parsed = parse(text);
        QCOMPARE(summary(parsed), channels);
        QStringList groupTitles;
        for (int i = 0; i < parsed.groups.size(); ++i) {
            const QJsonObject group = parsed.groups.at(i).toObject();
            QCOMPARE(group.value(QStringLiteral("id")).toInt(), i + 1);
            groupTitles << group.value(QStringLiteral("title")).toString();
        }
        QCOMPARE(groupTitles, groups);
    }

    void recordsLookLikeTheService() {
        const Parsed parsed = parse("#EXTINF:-1,Один\n#EXTGRP:Кино\nhttp://a/1\n");
        QCOMPARE(parsed.channels.size(), 1);
        const QJsonObject expected{
            {"adult", false},       {"epg", ""},       {"epg_id", 0},    {"group_id", 1},
            {"href", "http://a/1"}, {"id", 2},         {"name", "Один"}, {"order", 0},
            {"pict", ""},           {"title", "Один"}, {"type", ""},
        };
        QCOMPARE(parsed.channels.at(0).toObject(), expected);
        QCOMPARE(parsed.groups.at(0).toObject(),
                 (QJsonObject{{"id", 1}, {"title", QStringLiteral("Кино")}}));
    }

    // A playlist as they come from providers: a byte-order mark, Windows
    // line ends, attributes before the title, options between track and
    // address.
    void readsARealWorldPlaylist() {
        const QByteArray text =
            "\xEF\xBB\xBF#EXTM3U url-tvg=\"http://epg.example/guide.xml\" x-tvg-url=\"\"\r\n"
            "#EXTINF:-1 tvg-id=\"one.uk\" tvg-name=\"One HD\" tvg-logo=\"http://l/1.png\" "
            "group-title=\"News\",One HD\r\n"
            "#EXTGRP:News\r\n"
            "http://stream.example/one/index.m3u8?token=a,b\r\n"
            "\r\n"
            "#EXTINF:0 tvg-rec=\"3\",Two, the \"second\"\r\n"
            "#EXTVLCOPT:http-user-agent=Mozilla/5.0\r\n"
            "udp://@239.0.0.2:1234\r\n"
            "#EXTINF:-1 catchup=\"default\",Три\r\n"
            "#EXTGRP:Кино\r\n"
            "http://stream.example/three.ts\r\n";
        const Parsed parsed = parse(text);
        // The option line after "Two" is skipped: the address follows it.
        QCOMPARE(summary(parsed),
                 (QStringList{"3|News|One HD|http://stream.example/one/index.m3u8?token=a,b",
                              QStringLiteral("7|unsorted|Two, the \"second\"|"
                                             "udp://@239.0.0.2:1234"),
                              QStringLiteral("10|Кино|Три|http://stream.example/three.ts")}));
        // No carriage return is left at any line's end.
        for (const QJsonValue &channel : parsed.channels)
            QVERIFY(!channel.toObject().value("href").toString().contains(QLatin1Char('\r')));
    }

    void readsFromAFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("list.m3u"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#EXTM3U\n#EXTINF:-1,One\n#EXTGRP:News\nhttp://a/1\n");
        file.close();
        QJsonArray channels;
        QJsonArray groups;
        QVERIFY(OfflinePlaylistReader::read(path, channels, groups));
        QCOMPARE(channels.size(), 1);
        QCOMPARE(groups.size(), 1);

        QJsonArray none;
        QJsonArray noGroups;
        QVERIFY(!OfflinePlaylistReader::read(dir.filePath(QStringLiteral("absent.m3u")), none,
                                             noGroups));
        QVERIFY(none.isEmpty());
        QVERIFY(noGroups.isEmpty());
    }

    void logoCacheFallsBackWhenNotWritable() {
        QTemporaryDir dir;
        const QString beside = dir.filePath(QStringLiteral("image"));
        QCOMPARE(LoadImageUrl::chooseCacheDirectory(beside), beside);
        QVERIFY(QFileInfo(beside).isDir());

        // A file where the program's folder should be: no folder can be
        // made in it, whoever runs the program.
        QFile blocker(dir.filePath(QStringLiteral("program")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString fallback =
            LoadImageUrl::chooseCacheDirectory(dir.filePath(QStringLiteral("program/image")));
        QCOMPARE(fallback, QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
                               QStringLiteral("/image"));
    }

    void retiringTheLogoCacheEmptiesItAtOnce() {
        QTemporaryDir dir;
        const QString cache = dir.filePath(QStringLiteral("image"));
        LoadImageUrl::setCacheDirectory(cache);
        QVERIFY(QDir().mkpath(cache));
        QFile logo(cache + QStringLiteral("/7.png"));
        QVERIFY(logo.open(QIODevice::WriteOnly));
        logo.close();
        // A folder an earlier run moved aside and did not finish deleting.
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("image.old-1"))));

        const QStringList retired = LoadImageUrl::retireCache();
        LoadImageUrl::setCacheDirectory(QString());
        QVERIFY(!QFileInfo::exists(cache));
        QCOMPARE(retired.size(), 2);
        QVERIFY(retired.contains(dir.filePath(QStringLiteral("image.old-1"))));
        bool moved = false;
        for (const QString &folder : retired)
            moved |= QFileInfo::exists(folder + QStringLiteral("/7.png"));
        QVERIFY(moved);
        // Nothing to move: only what is left over is named.
        LoadImageUrl::setCacheDirectory(cache);
        QCOMPARE(LoadImageUrl::retireCache().size(), 2);
        LoadImageUrl::setCacheDirectory(QString());
    }

    void logoSizes_data() {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("small") << QSize(64, 64) << true;
        QTest::newRow("largest side") << QSize(LogoImage::maxSide, 1) << true;
        QTest::newRow("most pixels") << QSize(LogoImage::maxSide, 1024) << true;
        QTest::newRow("a side too long") << QSize(1, LogoImage::maxSide + 1) << false;
        QTest::newRow("too many pixels") << QSize(2049, 2049) << false;
        QTest::newRow("the long strip") << QSize(1, 20000) << false;
        QTest::newRow("empty") << QSize(0, 10) << false;
        QTest::newRow("unknown") << QSize() << false;
        QTest::newRow("overflowing product") << QSize(INT_MAX, INT_MAX) << false;
    }
    void logoSizes() {
        QFETCH(QSize, size);
        QFETCH(bool, accepted);
        QCOMPARE(LogoImage::acceptableSize(size), accepted);
    }

    // Drawn as wide as the box unless that would be taller than the row.
    void logoDrawnSize_data() {
        QTest::addColumn<QSize>("image");
        QTest::addColumn<QSize>("drawn");
        QTest::newRow("wide") << QSize(100, 50) << QSize(50, 25);
        QTest::newRow("tall, within the row") << QSize(50, 70) << QSize(50, 70);
        QTest::newRow("tall, beyond the row") << QSize(50, 100) << QSize(35, 70);
        QTest::newRow("a strip") << QSize(1, 20000) << QSize(1, 70);
        QTest::newRow("a line") << QSize(20000, 1) << QSize(50, 1);
        QTest::newRow("nothing") << QSize(0, 0) << QSize(50, 1);
    }
    void logoDrawnSize() {
        QFETCH(QSize, image);
        QFETCH(QSize, drawn);
        QCOMPARE(LogoImage::scaledSize(image, 50, 70), drawn);
    }

    // A refused file is not decoded; neither is one that is no image.
    void logoFilesAreCheckedFirst() {
        QTemporaryDir dir;
        const QString good = dir.filePath(QStringLiteral("good.png"));
        const QString strip = dir.filePath(QStringLiteral("strip.png"));
        const QString text = dir.filePath(QStringLiteral("text.png"));
        QVERIFY(QImage(40, 20, QImage::Format_RGB32).save(good));
        QImage long_(1, 20000, QImage::Format_Mono);
        long_.fill(0);
        QVERIFY(long_.save(strip));
        QFile file(text);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#EXTM3U\n");
        file.close();
        // A 6 x 4 frame on a screen of 16862 x 14406, which decoding would
        // allocate.
        const QString screen = dir.filePath(QStringLiteral("screen.gif"));
        QFile gif(screen);
        QVERIFY(gif.open(QIODevice::WriteOnly));
        gif.write(QByteArray::fromHex("474946383961de4146383961de2c0000000006000400000204843b"));
        gif.close();
        const auto contents = [](const QString &path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QVERIFY(LogoImage::acceptableData(contents(good)));
        QCOMPARE(LogoImage::read(good).size(), QSize(40, 20));
        for (const QString &path :
             {strip, text, screen, dir.filePath(QStringLiteral("absent.png"))}) {
            QVERIFY(!LogoImage::acceptableData(contents(path)));
            QVERIFY(LogoImage::read(path).isNull());
        }
    }

    void channelRowsKeepTheirScaledLogos() {
        CountingDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        delegate.image = QImage(100, 50, QImage::Format_RGB32);
        delegate.image.fill(Qt::red);

        paintRow(delegate, QStringLiteral("/logos/1.png"));
        paintRow(delegate, QStringLiteral("/logos/1.png"));
        QCOMPARE(delegate.loads, 1);
        // Another logo path, as when a record's "pict" changes.
        paintRow(delegate, QStringLiteral("/logos/2.png"));
        QCOMPARE(delegate.loads, 2);
        // A file written again under the same path is read again.
        delegate.forgetLogo(QStringLiteral("/logos/1.png"));
        paintRow(delegate, QStringLiteral("/logos/1.png"));
        paintRow(delegate, QStringLiteral("/logos/2.png"));
        QCOMPARE(delegate.loads, 3);
        delegate.forgetLogos();
        paintRow(delegate, QStringLiteral("/logos/2.png"));
        QCOMPARE(delegate.loads, 4);
    }

    void cachedLogoPaintsTheSame() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("7.png"));
        QImage logo(120, 40, QImage::Format_RGB32);
        logo.fill(QColor(200, 30, 30));
        QVERIFY(logo.save(path));

        ListItemDelegate delegate;
        delegate.mode = ListItemDelegate::ChannelMode;
        QStandardItemModel model;
        auto *item = new QStandardItem(QStringLiteral("Channel"));
        item->setData(path, ListItemDelegate::LogoRole);
        model.appendRow(item);
        QStyleOptionViewItem option;
        option.rect = QRect(0, 0, 420, 70);
        QImage first(420, 70, QImage::Format_RGB32);
        first.fill(Qt::white);
        {
            QPainter painter(&first);
            delegate.paint(&painter, option, model.index(0, 0));
        }
        // Gone from disk: the cached picture still serves the row.
        QVERIFY(QFile::remove(path));
        QImage second(420, 70, QImage::Format_RGB32);
        second.fill(Qt::white);
        {
            QPainter painter(&second);
            delegate.paint(&painter, option, model.index(0, 0));
        }
        QCOMPARE(second, first);
        // 50 pixels wide, a third as high, centred on the box: red at its
        // middle, white above the logo.
        QCOMPARE(first.pixelColor(35, 35), QColor(200, 30, 30));
        QCOMPARE(first.pixelColor(35, 15), QColor(Qt::white));
    }
};

QTEST_MAIN(TestChannelData)
#include "tst_channeldata.moc"
