// The channel data and its loading with no widget at all: a seeded playlist
// of 1,001 channels from the local service, where the first and the last
// channel share one guide id, and an offline playlist read from its file.

#include "RecordFields.h"
#include "SeededBrowser.h"

#include "app/AppState.h"
#include "app/Clock.h"
#include "channels/ChannelCatalog.h"
#include "epg/EpgSchedule.h"
#include "epg/XmlUrl.h"

#include <QApplication>
#include <QFile>
#include <QJsonObject>
#include <QSet>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int channelCount = 1001;
constexpr int groupCount = 20;

const QString fetched = QStringLiteral("api: get_epg ok");
const QString signedOut = QStringLiteral("api: logout ok");

} // namespace

using namespace ChannelRecordKeys;

class TestChannelCatalog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    // First: the service's log then holds no late lines of an online load.
    void offlinePlaylistAsksNothing();
    void oneRequestAndOneScheduleForAGuideId();
    void aNewLoadSignsTheLastOneOut();

private:
    int countInLog(const QString &line) const { return m_seeded.service()->output().count(line); }

    SeededBrowser m_seeded{channelCount, true};
};

void TestChannelCatalog::initTestCase() {
    QVERIFY2(m_seeded.start(), qPrintable(m_seeded.error()));
}

void TestChannelCatalog::init() {
    Clock::setNow(QDateTime());
    appState().offlineMode = false;
}

void TestChannelCatalog::oneRequestAndOneScheduleForAGuideId() {
    // Each guide id once; a channel without one is searched for, and then
    // fetched when the search finds a guide.
    QSet<int> guides;
    int unguided = 0;
    for (const QJsonValue &channel : qAsConst(m_seeded.channels())) {
        const int epgId = number(channel, epgIdKey);
        if (epgId != 0)
            guides.insert(epgId);
        else
            ++unguided;
    }
    const bool searchFinds = !m_seeded.service()
                                  ->call("find_epg", {QStringLiteral("0"), m_seeded.token()})
                                  .toArray()
                                  .isEmpty();
    const int expected = guides.size() + (searchFinds ? unguided : 0);

    const int fetchedBefore = countInLog(fetched);
    const int signedOutBefore = countInLog(signedOut);
    ChannelCatalog catalog;
    QSignalSpy groups(&catalog, &ChannelCatalog::groupsArrived);
    QSignalSpy finished(&catalog, &ChannelCatalog::loadFinished);
    QSignalSpy arrived(&catalog, &ChannelCatalog::scheduleArrived);
    catalog.reload();
    QVERIFY(finished.wait(60000));
    QCOMPARE(catalog.channels().size(), channelCount);
    QCOMPARE(groups.size(), 1);
    QCOMPARE(groups.at(0).at(0).toJsonArray().size(), groupCount);
    QVERIFY(catalog.favoritesKnown());
    QVERIFY(catalog.privateKnown());

    // The load signs out once its last programme request has finished;
    // the answers that came in last are read a turn or so later.
    QTRY_VERIFY_WITH_TIMEOUT(countInLog(signedOut) > signedOutBefore, 120000);
    QTRY_VERIFY(!catalog.requestsPending());
    QCOMPARE(countInLog(fetched) - fetchedBefore, expected);

    // The two channels of one guide hold one schedule and were both told;
    // no record keeps the raw programme data.
    const std::shared_ptr<const EpgSchedule> first =
        catalog.scheduleOf(number(m_seeded.channels().at(0), idKey));
    QVERIFY(first);
    QCOMPARE(first.get(),
             catalog.scheduleOf(number(m_seeded.channels().at(channelCount - 1), idKey)).get());
    QSet<int> told;
    for (const QList<QVariant> &signal : qAsConst(arrived))
        told.insert(signal.at(0).toInt());
    QVERIFY(told.contains(0));
    QVERIFY(told.contains(channelCount - 1));
    for (const QJsonValue &record : catalog.channels())
        QVERIFY(!record.toObject().contains(QStringLiteral("epg")));

    // The schedule has on now what the service's own answer has.
    const QJsonValue epg = m_seeded.service()->call(
        "get_epg", {number(m_seeded.channels().at(0), epgIdKey), 10, m_seeded.token()});
    const QString onNow = XmlUrl().currentProgramme(epg).value(QStringLiteral("name"));
    QVERIFY(onNow != QLatin1String("..."));
    QCOMPARE(first->current(Clock::now()).value(QStringLiteral("name")), onNow);
    QCOMPARE(&catalog.scheduleAt(channelCount - 1), first.get());

    // All of it without a window.
    QVERIFY(QApplication::allWidgets().isEmpty());
}

void TestChannelCatalog::aNewLoadSignsTheLastOneOut() {
    // The second load starts while the first is still at its programme
    // requests: the first session is signed out then, and nothing of its
    // answers reaches the second load's records.
    const int signedOutBefore = countInLog(signedOut);
    ChannelCatalog catalog;
    QSignalSpy channels(&catalog, &ChannelCatalog::channelsArrived);
    QSignalSpy finished(&catalog, &ChannelCatalog::loadFinished);
    catalog.reload();
    QVERIFY(channels.wait(60000));
    QVERIFY(catalog.requestsPending());
    const QString firstToken = catalog.sessionToken();
    // The groups may have come in with the channels, and the first load
    // finished with them: only the second one's end counts.
    finished.clear();
    catalog.reload();
    QVERIFY(catalog.channels().isEmpty());
    QVERIFY(!catalog.scheduleOf(number(m_seeded.channels().at(0), idKey)));
    QTRY_COMPARE_WITH_TIMEOUT(countInLog(signedOut), signedOutBefore + 1, 60000);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
    QVERIFY(catalog.sessionToken() != firstToken);
    QCOMPARE(catalog.channels().size(), channelCount);
    QTRY_COMPARE_WITH_TIMEOUT(countInLog(signedOut), signedOutBefore + 2, 120000);
    QVERIFY(catalog.scheduleOf(number(m_seeded.channels().at(0), idKey)));
}

void TestChannelCatalog::offlinePlaylistAsksNothing() {
    const QString path = m_seeded.filePath(QStringLiteral("offline.m3u"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#EXTM3U\n#EXTINF:-1,One\n#EXTGRP:News\nhttp://127.0.0.1/1\n"
               "#EXTINF:-1,Two\nhttp://127.0.0.1/2\n");
    file.close();
    AppState &state = appState();
    state.offlineMode = true;
    state.playlistSource = path;
    const int sentBefore = countInLog(QStringLiteral("api: "));

    ChannelCatalog catalog;
    QSignalSpy groups(&catalog, &ChannelCatalog::groupsArrived);
    QSignalSpy finished(&catalog, &ChannelCatalog::loadFinished);
    catalog.reload();
    // Read and through before reload() returns.
    QCOMPARE(finished.size(), 1);
    QCOMPARE(catalog.channels().size(), 2);
    QCOMPARE(groups.at(0).at(0).toJsonArray().size(), 2);
    QCOMPARE(catalog.membersOf(number(groups.at(0).at(0).toJsonArray().at(0), idKey)),
             QVector<int>{0});
    QVERIFY(catalog.favoritesKnown());
    QVERIFY(!catalog.requestsPending());
    QVERIFY(catalog.scheduleAt(1).days().isEmpty());
    // Nothing is asked of the service, also after the events of the load.
    QCoreApplication::processEvents();
    QCOMPARE(countInLog(QStringLiteral("api: ")), sentBefore);
}

QTEST_MAIN(TestChannelCatalog)
#include "tst_channelcatalog.moc"
