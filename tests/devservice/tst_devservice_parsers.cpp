// The development service's own readers and writers, without a server: the
// playlist reader for uploads, the settings-file writer for the client, and
// the clock reading that paces the live channel.
#include "ClientConfig.h"
#include "M3u.h"
#include "Media.h"
#include "TestRows.h"
#include "TextUtil.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace devservice;

Q_DECLARE_METATYPE(std::string)

namespace {

QString q(const std::string &text) {
    return QString::fromStdString(text);
}

// One MPEG-TS packet; with pcr >= 0 it carries that clock reference (in
// 90 kHz units) on PID 256.
std::string packet(long long pcr) {
    std::string p(188, '\xff');
    p[0] = 0x47;
    p[1] = 0x01;
    p[2] = 0x00;
    if (pcr < 0) {
        p[3] = 0x10;
        return p;
    }
    p[3] = 0x30; // adaptation field and payload
    p[4] = 7;
    p[5] = 0x10; // PCR present
    p[6] = static_cast<char>((pcr >> 25) & 0xff);
    p[7] = static_cast<char>((pcr >> 17) & 0xff);
    p[8] = static_cast<char>((pcr >> 9) & 0xff);
    p[9] = static_cast<char>((pcr >> 1) & 0xff);
    p[10] = static_cast<char>(((pcr & 1) << 7) | 0x7e);
    p[11] = 0;
    return p;
}

} // namespace

class TestDevServiceParsers : public QObject {
    Q_OBJECT

private slots:
    void playlistEntries_data();
    void playlistEntries();
    void playlistLimits();
    void extInfAttributes();
    void iniGroupReplacement_data();
    void iniGroupReplacement();
    void iniValuesReadBackUnchanged_data();
    void iniValuesReadBackUnchanged();
    void packetTimesFollowTheClock();
    void phoneNumbers_data();
    void phoneNumbers();
};

void TestDevServiceParsers::playlistEntries_data() {
    QTest::addColumn<QByteArray>("text");
    // "title|url|group|logo|tvg-id|adult" per entry, joined by "\n".
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("groups");

    QTest::newRow("attributes and title with commas")
        << QByteArray("#EXTM3U\n#EXTINF:-1 tvg-id=\"12\" tvg-logo=\"http://l/1.png\" "
                      "group-title=\"News, World\",One, two\nhttp://s/1.ts\n")
        << "One, two|http://s/1.ts|News, World|http://l/1.png|12|0" << QStringList{"News, World"};
    QTest::newRow("EXTGRP wins over group-title")
        << QByteArray("#EXTINF:-1 group-title=\"A\",X\n#EXTGRP:B\nhttp://s/x\n")
        << "X|http://s/x|B||0|0" << QStringList{"B"};
    QTest::newRow("no group is Unsorted")
        << QByteArray("#EXTINF:-1,X\nhttp://s/x\n") << "X|http://s/x|Unsorted||0|0"
        << QStringList{"Unsorted"};
    QTest::newRow("byte-order mark and CRLF")
        << QByteArray("\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:0,Y\r\nhttp://s/y\r\n")
        << "Y|http://s/y|Unsorted||0|0" << QStringList{"Unsorted"};
    QTest::newRow("bare addresses are titled by their address")
        << QByteArray("http://s/a\nrtsp://s/b\n")
        << "http://s/a|http://s/a|Unsorted||0|0\nrtsp://s/b|rtsp://s/b|Unsorted||0|0"
        << QStringList{"Unsorted"};
    QTest::newRow("relative addresses and their entries are dropped")
        << QByteArray("#EXTINF:-1,Lost\nlocal/file.ts\nhttp://s/z\n")
        << "http://s/z|http://s/z|Unsorted||0|0" << QStringList{"Unsorted"};
    QTest::newRow("comments and options between entry and address")
        << QByteArray("#EXTINF:-1,Z\n#EXTVLCOPT:network-caching=1000\n\nhttp://s/z\n")
        << "Z|http://s/z|Unsorted||0|0" << QStringList{"Unsorted"};
    QTest::newRow("adult by attribute or by group")
        << QByteArray("#EXTINF:-1 adult=\"1\",A\nhttp://s/a\n"
                      "#EXTINF:-1 group-title=\"XXX Night\",B\nhttp://s/b\n")
        << "A|http://s/a|Unsorted||0|1\nB|http://s/b|XXX Night||0|1"
        << QStringList{"Unsorted", "XXX Night"};
    QTest::newRow("group order is first appearance")
        << QByteArray("#EXTINF:-1 group-title=\"b\",1\nhttp://s/1\n"
                      "#EXTINF:-1 group-title=\"a\",2\nhttp://s/2\n"
                      "#EXTINF:-1 group-title=\"b\",3\nhttp://s/3\n")
        << "1|http://s/1|b||0|0\n2|http://s/2|a||0|0\n3|http://s/3|b||0|0" << QStringList{"b", "a"};
    QTest::newRow("title that is not UTF-8 falls back to the address")
        << QByteArray("#EXTINF:-1,\xff\xfe\nhttp://s/x\n") << "http://s/x|http://s/x|Unsorted||0|0"
        << QStringList{"Unsorted"};
    QTest::newRow("control characters become blanks")
        << QByteArray("#EXTINF:-1,A\tB\x01"
                      "C\nhttp://s/x\n")
        << "A B C|http://s/x|Unsorted||0|0" << QStringList{"Unsorted"};
    QTest::newRow("unterminated quote swallows the title")
        << QByteArray("#EXTINF:-1 tvg-name=\"oops,Title\nhttp://s/x\n")
        << "http://s/x|http://s/x|Unsorted||0|0" << QStringList{"Unsorted"};
    addRow("nothing playable", QByteArray("#EXTM3U\n#EXTINF:-1,X\n"), QString(), QStringList{});
}

void TestDevServiceParsers::playlistEntries() {
    QFETCH(QByteArray, text);
    QFETCH(QString, expected);
    QFETCH(QStringList, groups);

    const M3uPlaylist playlist = parseM3u(text.toStdString());
    QStringList entries;
    for (const M3uEntry &e : playlist.entries) {
        entries << QStringList{q(e.title),
                               q(e.url),
                               q(e.group),
                               q(e.logo),
                               e.tvgId.empty() ? QStringLiteral("0") : q(e.tvgId),
                               e.adult ? QStringLiteral("1") : QStringLiteral("0")}
                       .join(QLatin1Char('|'));
    }
    QCOMPARE(entries.join(QLatin1Char('\n')), expected);
    QStringList groupTitles;
    for (const std::string &g : playlist.groups)
        groupTitles << q(g);
    QCOMPARE(groupTitles, groups);
}

void TestDevServiceParsers::playlistLimits() {
    std::string text = "#EXTM3U\n";
    for (int i = 0; i < 30; ++i)
        text += "#EXTINF:-1," + std::to_string(i) + "\nhttp://s/" + std::to_string(i) + "\n";
    const M3uPlaylist cut = parseM3u(text, 25);
    QCOMPARE(cut.entries.size(), std::size_t(25));
    QVERIFY(cut.truncated);

    // An over-long title is cut on a character boundary.
    std::string longTitle;
    for (int i = 0; i < 200; ++i)
        longTitle += "ж";
    const M3uPlaylist longOne = parseM3u("#EXTINF:-1," + longTitle + "\nhttp://s/x\n");
    QVERIFY(longOne.entries[0].title.size() <= 256);
    QVERIFY(isValidUtf8(longOne.entries[0].title));

    QVERIFY(looksLikeM3u("#EXTM3U\n"));
    QVERIFY(looksLikeM3u("\xEF\xBB\xBF  #EXTM3U"));
    QVERIFY(looksLikeM3u("http://s/only.ts\n"));
    QVERIFY(!looksLikeM3u("<?xml version=\"1.0\"?><playlist/>"));
    QVERIFY(!looksLikeM3u("[playlist]\nFile1=http://s/x\n"));
}

void TestDevServiceParsers::extInfAttributes() {
    const ExtInf info =
        parseExtInf("#EXTINF:-1 TVG-ID=abc tvg-logo=\"http://x/y, z.png\" catchup,Name");
    QCOMPARE(q(info.attributes.at("tvg-id")), QStringLiteral("abc"));
    QCOMPARE(q(info.attributes.at("tvg-logo")), QStringLiteral("http://x/y, z.png"));
    QCOMPARE(q(info.title), QStringLiteral("Name"));
    QCOMPARE(q(parseExtInf("#EXTINF:123.5,Plain").title), QStringLiteral("Plain"));
    QCOMPARE(q(parseExtInf("#EXTINF:").title), QString());
}

void TestDevServiceParsers::iniGroupReplacement_data() {
    QTest::addColumn<QString>("original");
    QTest::addColumn<QString>("expected");

    addRow("empty file", "", "[service]\napi_url=\"a\"\n");
    addRow("other groups kept", "[info]\nuser_name=x\n",
           "[info]\nuser_name=x\n\n[service]\napi_url=\"a\"\n");
    addRow("group replaced in place",
           "[info]\nx=1\n\n[service]\napi_url=old\nstale=1\n\n[offline_playlist]\nA=b\n",
           "[info]\nx=1\n\n[service]\napi_url=\"a\"\n[offline_playlist]\nA=b\n");
    addRow("CRLF file", "[service]\r\napi_url=old\r\n[info]\r\nx=1\r\n",
           "[service]\napi_url=\"a\"\n[info]\nx=1\n");
    addRow("similar group names untouched", "[service2]\nk=v\n",
           "[service2]\nk=v\n\n[service]\napi_url=\"a\"\n");
}

void TestDevServiceParsers::iniGroupReplacement() {
    QFETCH(QString, original);
    QFETCH(QString, expected);
    QCOMPARE(q(replaceIniGroup(original.toStdString(), "service", {{"api_url", "a"}})), expected);
}

void TestDevServiceParsers::iniValuesReadBackUnchanged_data() {
    QTest::addColumn<QString>("value");
    QTest::newRow("address") << "https://127.0.0.1:9000/api/v1.0/";
    QTest::newRow("path with blanks") << "/home/a user/.demo/service/tls/ca.pem";
    QTest::newRow("comma") << "/tmp/a,b/ca.pem";
    QTest::newRow("semicolon") << "/tmp/a;b/ca.pem";
    QTest::newRow("quote and backslash") << "/tmp/a\"b\\c/ca.pem";
    QTest::newRow("non-ASCII") << "/tmp/папка/ca.pem";
    QTest::newRow("non-ASCII then hex digits") << "/tmp/é1fa/ca.pem";
    QTest::newRow("beyond 16 bits") << QStringLiteral("/tmp/\U0001F4FA/ca.pem");
    QTest::newRow("tab") << "a\tb";
    QTest::newRow("leading blank") << " x";
}

void TestDevServiceParsers::iniValuesReadBackUnchanged() {
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("vantero/vantero.conf"));
    {
        QSettings before(path, QSettings::IniFormat);
        before.setValue(QStringLiteral("info/user_name"), QStringLiteral("kept"));
    }
    std::string error;
    QVERIFY(writeIniGroup(path.toStdString(), "service",
                          {{"ca_file", value.toStdString()}, {"api_url", "https://x/"}}, error));
    QSettings after(path, QSettings::IniFormat);
    QCOMPARE(after.value(QStringLiteral("service/ca_file")).toString(), value);
    QCOMPARE(after.value(QStringLiteral("service/api_url")).toString(),
             QStringLiteral("https://x/"));
    QCOMPARE(after.value(QStringLiteral("info/user_name")).toString(), QStringLiteral("kept"));
}

void TestDevServiceParsers::packetTimesFollowTheClock() {
    // Four seconds of stream: a clock reference every 10 packets, every
    // 0.1 s; the first references fall in the middle of the file's start.
    TsClip clip;
    clip.data += packet(-1) + packet(-1);
    for (int i = 0; i < 40; ++i) {
        clip.data += packet(900000 + i * 9000);
        for (int j = 0; j < 9; ++j)
            clip.data += packet(-1);
    }
    MediaLibrary::timePackets(clip);
    QCOMPARE(clip.packetTimes.size(), std::size_t(402));
    QCOMPARE(clip.packetTimes[0], 0.0);
    QCOMPARE(clip.packetTimes[2], 0.0);               // first reference
    QCOMPARE(clip.packetTimes[12], 0.1);              // second one, 0.1 s later
    QVERIFY(qAbs(clip.packetTimes[7] - 0.05) < 1e-9); // in between: interpolated
    for (std::size_t i = 1; i < clip.packetTimes.size(); ++i)
        QVERIFY(clip.packetTimes[i] >= clip.packetTimes[i - 1]);
    // One pass lasts the clock span plus the packets after the last reference.
    QVERIFY(qAbs(clip.period - 4.0) < 1e-6);

    // Without clock references the nominal ten seconds are spread evenly.
    TsClip plain;
    plain.data = packet(-1) + packet(-1);
    MediaLibrary::timePackets(plain);
    QCOMPARE(plain.period, 10.0);
    QCOMPARE(plain.packetTimes[1], 5.0);
}

void TestDevServiceParsers::phoneNumbers_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("digits");
    addRow("digits", "79001234567", "79001234567");
    addRow("plus and separators", "+7 (900) 123-45-67", "79001234567");
    addRow("plus inside", "7900+1234567", "");
    addRow("letters", "7900abc", "");
    addRow("e-mail", "demo@vantero.test", "");
    addRow("empty", "", "");
}

void TestDevServiceParsers::phoneNumbers() {
    QFETCH(QString, input);
    QFETCH(QString, digits);
    QCOMPARE(q(normalisePhone(input.toStdString())), digits);
}

QTEST_MAIN(TestDevServiceParsers)
#include "tst_devservice_parsers.moc"
