// The channel browser on a seeded playlist of 1,001 channels, where the
// first and the last channel share one guide id: one schedule that both
// rows and the guide show, and the rows on screen asked for before the rest
// of the playlist.

#include "RecordFields.h"
#include "SeededBrowser.h"

#include "app/Clock.h"
#include "channels/HomeWidget.h"
#include "channels/ListItemDelegate.h"
#include "epg/EpgSchedule.h"
#include "epg/XmlUrl.h"

#include <QJsonObject>
#include <QListWidget>
#include <QSignalSpy>
#include <QtTest>

namespace {

constexpr int channelCount = 1001;
// Blocks of 51 channels; the last one holds channels 969 to 1000.
constexpr int perBlock = 51;
constexpr int lastBlock = 19;

} // namespace

using namespace ChannelRecordKeys;

class TestSharedSchedules : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void bothRowsOfAGuideShowOneSchedule();
    void shownGroupIsAskedForFirst();

private:
    // A fresh load; with onShown, called as soon as its first group is on
    // screen, before anything else of the load runs.
    bool load(const std::function<void()> &onShown = {});
    // The programme the service's own answer puts on now for a guide id.
    QString programmeOnNow(int epgId) const;

    SeededBrowser m_seeded{channelCount};
    QScopedPointer<HomeWidget> m_home;
};

void TestSharedSchedules::initTestCase() {
    QVERIFY2(m_seeded.start(), qPrintable(m_seeded.error()));

    m_home.reset(new HomeWidget);
    m_home->resize(1280, 800);
    m_home->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_home.data()));
}

void TestSharedSchedules::cleanupTestCase() {
    m_home.reset();
}

void TestSharedSchedules::init() {
    Clock::setNow(QDateTime());
}

bool TestSharedSchedules::load(const std::function<void()> &onShown) {
    QMetaObject::Connection hook;
    if (onShown)
        hook = connect(m_home.data(), &HomeWidget::groupsShown, this, onShown);
    QSignalSpy shown(m_home.data(), &HomeWidget::groupsShown);
    m_home->start();
    const bool ok = shown.wait(60000);
    disconnect(hook);
    return ok;
}

QString TestSharedSchedules::programmeOnNow(int epgId) const {
    const QJsonValue epg = m_seeded.service()->call("get_epg", {epgId, 10, m_seeded.token()});
    return XmlUrl().currentProgramme(epg).value(QStringLiteral("name"));
}

void TestSharedSchedules::bothRowsOfAGuideShowOneSchedule() {
    // The request count and the sharing itself are the catalogue's; here
    // the rows and the guide of both channels read the one schedule.
    QVERIFY(load());
    const int first = number(m_seeded.channels().at(0), idKey);
    const int last = number(m_seeded.channels().at(channelCount - 1), idKey);
    QTRY_VERIFY_WITH_TIMEOUT(m_home->scheduleOf(first) && m_home->scheduleOf(last), 120000);
    QCOMPARE(m_home->scheduleOf(first).get(), m_home->scheduleOf(last).get());

    // Both rows show what the service's answer has on now.
    const QString onNow = programmeOnNow(number(m_seeded.channels().at(0), epgIdKey));
    QVERIFY(onNow != QLatin1String("..."));
    m_home->showGroup(0);
    QCOMPARE(m_home->channelList()->item(0)->data(ListItemDelegate::ProgrammeRole).toString(),
             onNow);
    m_home->showGroup(lastBlock);
    QListWidget *list = m_home->channelList();
    QCOMPARE(list->item(list->count() - 1)->data(Qt::DisplayRole).toString(),
             m_seeded.channels()
                 .at(channelCount - 1)
                 .toObject()
                 .value(QStringLiteral("title"))
                 .toString());
    QCOMPARE(list->item(list->count() - 1)->data(ListItemDelegate::ProgrammeRole).toString(),
             onNow);
    // The guide reads the same schedule for either channel.
    list->setCurrentRow(list->count() - 1);
    const QJsonArray days = m_home->currentChannelDays();
    QVERIFY(!days.isEmpty());
    m_home->showGroup(0);
    m_home->channelList()->setCurrentRow(0);
    QCOMPARE(m_home->currentChannelDays(), days);
}

void TestSharedSchedules::shownGroupIsAskedForFirst() {
    // The last block is opened the moment the load shows its first one.
    QVERIFY(load([this] { m_home->showGroup(lastBlock); }));
    QListWidget *list = m_home->channelList();
    QCOMPARE(list->count(), channelCount - lastBlock * perBlock);

    const auto rowsOnScreen = [list] {
        QList<int> rows;
        for (int row = 0; row < list->count(); ++row) {
            if (list->visualItemRect(list->item(row)).intersects(list->viewport()->rect()))
                rows << row;
        }
        return rows;
    };
    const auto hasSchedule = [this](int position) {
        return bool(m_home->scheduleOf(number(m_seeded.channels().at(position), idKey)));
    };
    const QList<int> shown = rowsOnScreen();
    QVERIFY(shown.size() > 3);
    const auto allShownIn = [&] {
        for (int row : shown) {
            const int position = lastBlock * perBlock + row;
            if (number(m_seeded.channels().at(position), epgIdKey) != 0 && !hasSchedule(position))
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allShownIn(), 60000);

    // By then the playlist in order has not got far: the blocks before the
    // last one, from the fifteenth on, are still waiting.
    for (int position = 14 * perBlock; position < lastBlock * perBlock; ++position)
        QVERIFY2(!hasSchedule(position), qPrintable(QString::number(position)));
}

QTEST_MAIN(TestSharedSchedules)
#include "tst_sharedschedules.moc"
