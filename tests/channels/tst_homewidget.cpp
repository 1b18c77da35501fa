// The channel browser against the local development service: the load
// cycle, the lists and their marks, playing, favourites through the
// playlist toolbar, logos, and offline playlists.

#include "DemoBrowser.h"
#include "PageTestKit.h"
#include "RecordFields.h"

#include "app/AppState.h"
#include "app/Clock.h"
#include "app/Messages.h"
#include "channels/ChannelMarks.h"
#include "channels/HomeWidget.h"
#include "channels/ListItemDelegate.h"
#include "channels/LoadImageUrl.h"
#include "channels/PlayListToolBar.h"
#include "epg/EpgSchedule.h"
#include "epg/EpgWidget.h"
#include "epg/XmlUrl.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerWidget.h"
#include "service/JsonRpc.h"
#include "settings/DialogMainSettings.h"
#include "vlc/VlcInstance.h"

#include <QJsonObject>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

using namespace PageTestKit;

namespace {

QString roleText(const QListWidget *list, int row, int role) {
    return list->item(row)->data(role).toString();
}

// Rows whose playing mark is on.
QList<int> playingRows(const QListWidget *list) {
    QList<int> rows;
    for (int row = 0; row < list->count(); ++row) {
        if (roleText(list, row, ListItemDelegate::PlayingRole) == QLatin1String("1"))
            rows << row;
    }
    return rows;
}

void doubleClickRow(QListWidget *list, int row) {
    list->scrollToItem(list->item(row));
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

using namespace ChannelRecordKeys;

class TestHomeWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void reloadBeforeStartBuildsThePage();
    void loadCycleFillsTheLists();
    void favoritesGroupComesFirst();
    void reloadingTwiceLoadsOnce();
    void playingMarksSurviveGroupsAndTicks();
    void nextAndPreviousWrap();
    void nextWithoutPlayingRowDoesNothing();
    void privateAndAdultChannelsAskFirst();
    void favoritesThroughTheToolbar();
    void logosAreNamedByIdAndRenewedPerLoad();
    void lateAnswersForUnknownIdsAreIgnored();
    void refreshShowsTheCurrentProgramme();
    void offlinePlaylistSendsNothing();
    void guidePanelAndFullScreenToggle();
    void playlistToolBarLooks();

private:
    HomeWidget *home() const { return m_demo.home(); }
    QListWidget *channels() const { return m_demo.list(); }
    QListWidget *strip() const { return m_demo.strip(); }
    bool load() { return m_demo.open(); }
    void setOption(const QString &key, const QString &value) {
        QVERIFY(m_demo.setOption(key, value));
    }
    QString option(const QString &key) const { return m_demo.option(key); }
    // Titles of the service's channels in a group, in the service's order.
    QStringList serviceTitles(int groupId) const;
    QStringList serviceGroupTitles() const;
    int channelIdOf(const QString &title) const { return m_demo.channelId(title); }
    int groupRowOf(const QString &title) const;
    int rowOf(const QString &title) const;

    DemoBrowser m_demo;
    QJsonArray m_serviceGroups;
};

void TestHomeWidget::initTestCase() {
    QVERIFY2(m_demo.start(), qPrintable(m_demo.error()));
    m_serviceGroups = m_demo.ask(QStringLiteral("get_groups"), {m_demo.token()}).toArray();
    QCOMPARE(m_demo.channels().size(), 40);
}

void TestHomeWidget::cleanupTestCase() {
    m_demo.close();
}

void TestHomeWidget::init() {
    m_demo.prepare();
    Clock::setNow(QDateTime());
}

void TestHomeWidget::cleanup() {
    if (DialogMainSettings *dialog = appState().settingsDialog)
        delete dialog;
    Clock::setNow(QDateTime());
}

QStringList TestHomeWidget::serviceTitles(int groupId) const {
    QStringList titles;
    for (const QJsonValue &channel : m_demo.channels()) {
        if (number(channel, QStringLiteral("group_id")) == groupId)
            titles << text(channel, titleKey);
    }
    return titles;
}

QStringList TestHomeWidget::serviceGroupTitles() const {
    QStringList titles;
    for (const QJsonValue &group : m_serviceGroups) {
        if (!serviceTitles(number(group, idKey)).isEmpty())
            titles << text(group, titleKey);
    }
    return titles;
}

int TestHomeWidget::groupRowOf(const QString &title) const {
    return rowTexts(strip()).indexOf(title);
}

int TestHomeWidget::rowOf(const QString &title) const {
    return rowTexts(channels()).indexOf(title);
}

void TestHomeWidget::reloadBeforeStartBuildsThePage() {
    // The playlist page may call reload() before the main window has
    // started the page: it is built first, and loaded once.
    QVERIFY(m_demo.showPage());
    QVERIFY(!home()->player());
    QSignalSpy shown(home(), &HomeWidget::groupsShown);
    home()->reload();
    QVERIFY(home()->player());
    QVERIFY(home()->playListToolBar());
    QVERIFY(shown.wait(30000));
    QTest::qWait(300);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(rowTexts(strip()), serviceGroupTitles());
}

void TestHomeWidget::loadCycleFillsTheLists() {
    setOption(ChannelMarks::parentPasswordKey(), QStringLiteral("4321"));
    QVERIFY(load());

    // The demo account has groups of another playlist too: only those with
    // channels here are listed, in the service's order.
    QVERIFY(m_serviceGroups.size() > serviceGroupTitles().size());
    QCOMPARE(rowTexts(strip()), serviceGroupTitles());
    QCOMPARE(strip()->currentRow(), 0);
    QCOMPARE(home()->groupRecords().size(), strip()->count());
    for (int row = 0; row < strip()->count(); ++row)
        QCOMPARE(roleText(strip(), row, Qt::UserRole + 1), QStringLiteral("0"));

    const int firstGroup = number(home()->groupRecords().at(0), idKey);
    QCOMPARE(rowTexts(channels()), serviceTitles(firstGroup));
    QCOMPARE(home()->channelRecords().size(), m_demo.channels().size());
    QCOMPARE(home()->shownChannelRecords().size(), channels()->count());
    for (int row = 0; row < channels()->count(); ++row) {
        QCOMPARE(channels()->item(row)->sizeHint().height(), 70);
        QCOMPARE(roleText(channels(), row, ListItemDelegate::PlayingRole), QStringLiteral("0"));
    }
    QCOMPARE(qobject_cast<ListItemDelegate *>(channels()->itemDelegate())->mode, 3);
    QTRY_COMPARE(appState().parentPassword, QStringLiteral("4321"));
    QVERIFY(home()->favoriteList().isEmpty());
    QCOMPARE(home()->playListToolBar()->findChild<QLabel *>("label_playlist")->text(),
             QStringLiteral("Vantero TV"));

    // Every group of the strip shows its own channels in service order.
    for (int row = 1; row < strip()->count(); ++row) {
        clickRow(strip(), row);
        QCOMPARE(strip()->currentRow(), row);
        QCOMPARE(rowTexts(channels()),
                 serviceTitles(number(home()->groupRecords().at(row), idKey)));
    }

    // Programme data arrives for the channels with a guide id, and for the
    // others through the guide search.
    QTRY_VERIFY_WITH_TIMEOUT(!home()->requestsPending(), 10000);
    // Without a guide id the text "0" is searched for.
    const bool searchFinds =
        !m_demo.ask(QStringLiteral("find_epg"), {QStringLiteral("0"), m_demo.token()})
             .toArray()
             .isEmpty();
    const auto allHaveGuides = [&] {
        for (const QJsonValue &channel : home()->channelRecords()) {
            const bool expected = number(channel, QStringLiteral("epg_id")) != 0 || searchFinds;
            if (bool(home()->scheduleOf(number(channel, idKey))) != expected)
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allHaveGuides(), 30000);
    setOption(ChannelMarks::parentPasswordKey(), QString());
}

void TestHomeWidget::favoritesGroupComesFirst() {
    const int sport = channelIdOf(QStringLiteral("Sport 1"));
    const int news = channelIdOf(QStringLiteral("Vantero News"));
    // An empty item between the two, as an older program may have stored.
    setOption(ChannelMarks::favoritesKey(m_demo.playlistId()),
              QStringLiteral("[%1,,%2,999999]").arg(sport).arg(news));
    QVERIFY(load());

    QCOMPARE(rowTexts(strip()), QStringList{msg("favorites")} + serviceGroupTitles());
    QCOMPARE(number(home()->groupRecords().at(0), idKey), 0);
    QCOMPARE(strip()->currentRow(), 0);
    // The favourites' own order, not the playlist's; an id the playlist
    // does not have shows nothing.
    QCOMPARE(rowTexts(channels()), (QStringList{"Sport 1", "Vantero News"}));
    QCOMPARE(home()->favoriteList(),
             QJsonArray::fromStringList(
                 {QString::number(sport), QString::number(news), QStringLiteral("999999")}));
}

void TestHomeWidget::reloadingTwiceLoadsOnce() {
    QVERIFY(load());
    QSignalSpy shown(home(), &HomeWidget::groupsShown);
    home()->reload();
    home()->reload();
    QVERIFY(shown.wait(30000));
    QTest::qWait(500);
    QCOMPARE(shown.size(), 1);
    QCOMPARE(rowTexts(strip()), serviceGroupTitles());
    QCOMPARE(home()->channelRecords().size(), m_demo.channels().size());
}

void TestHomeWidget::playingMarksSurviveGroupsAndTicks() {
    QVERIFY(load());
    const QStringList firstTitles = rowTexts(channels());
    doubleClickRow(channels(), 2);
    const QJsonObject played = home()->shownChannelRecords().at(2).toObject();
    QCOMPARE(home()->playingChannel(), number(played, idKey));
    QCOMPARE(home()->playingGroup(), 0);
    QCOMPARE(playingRows(channels()), QList<int>{2});
    QCOMPARE(channels()->currentRow(), 2);
    QCOMPARE(roleText(strip(), 0, Qt::UserRole + 1), QStringLiteral("1"));
    QCOMPARE(home()->player()->channel, home()->currentChannel());
    QCOMPARE(home()->player()->currentUrl(), text(played, QStringLiteral("href")));

    clickRow(strip(), 1);
    QVERIFY(playingRows(channels()).isEmpty());
    QCOMPARE(roleText(strip(), 0, Qt::UserRole + 1), QStringLiteral("1"));
    QCOMPARE(roleText(strip(), 1, Qt::UserRole + 1), QStringLiteral("0"));
    clickRow(strip(), 0);
    QCOMPARE(rowTexts(channels()), firstTitles);
    QCOMPARE(playingRows(channels()), QList<int>{2});

    // A tick of the minute timer updates the rows in place: the rows' items,
    // the mark, the current row and the scroll position stay.
    channels()->setCurrentRow(5);
    const int scroll = channels()->verticalScrollBar()->value();
    // A tag on the row tells a rebuilt row apart: comparing item pointers
    // does not, the allocator may hand the same address back.
    const int tagRole = Qt::UserRole + 99;
    channels()->item(0)->setData(tagRole, QStringLiteral("before tick"));
    QTimerEvent other(home()->refreshTimer() + 1000);
    QCoreApplication::sendEvent(home(), &other);
    QCOMPARE(channels()->item(0)->data(tagRole).toString(), QStringLiteral("before tick"));
    QTimerEvent tick(home()->refreshTimer());
    QCoreApplication::sendEvent(home(), &tick);
    QCOMPARE(channels()->item(0)->data(tagRole).toString(), QStringLiteral("before tick"));
    QCOMPARE(playingRows(channels()), QList<int>{2});
    QCOMPARE(channels()->currentRow(), 5);
    QCOMPARE(channels()->verticalScrollBar()->value(), scroll);

    // Playing in another group moves the group mark.
    clickRow(strip(), 1);
    doubleClickRow(channels(), 0);
    QCOMPARE(roleText(strip(), 0, Qt::UserRole + 1), QStringLiteral("0"));
    QCOMPARE(roleText(strip(), 1, Qt::UserRole + 1), QStringLiteral("1"));
    QCOMPARE(home()->playingGroup(), 1);

    // A reload keeps the playing channel but no group holds it any more.
    const int playing = home()->playingChannel();
    QVERIFY(load());
    QCOMPARE(home()->playingChannel(), playing);
    QCOMPARE(home()->playingGroup(), -1);
    home()->stop();
}

void TestHomeWidget::nextAndPreviousWrap() {
    QVERIFY(load());
    const int last = channels()->count() - 1;
    QVERIFY(last > 1);
    channels()->setCurrentRow(last);
    home()->playCurrentChannel();
    QCOMPARE(playingRows(channels()), QList<int>{last});

    home()->playNext();
    QCOMPARE(playingRows(channels()), QList<int>{0});
    QCOMPARE(channels()->currentRow(), 0);
    QCOMPARE(home()->playingChannel(), number(home()->shownChannelRecords().at(0), idKey));
    home()->playNext();
    QCOMPARE(playingRows(channels()), QList<int>{1});
    home()->playPrevious();
    home()->playPrevious();
    QCOMPARE(playingRows(channels()), QList<int>{last});
    QCOMPARE(home()->playingChannel(), number(home()->shownChannelRecords().at(last), idKey));
    home()->stop();
}

void TestHomeWidget::nextWithoutPlayingRowDoesNothing() {
    QVERIFY(load());
    doubleClickRow(channels(), 1);
    const int playing = home()->playingChannel();
    const QString url = home()->player()->currentUrl();
    clickRow(strip(), 2);
    channels()->setCurrentRow(3);
    home()->playNext();
    home()->playPrevious();
    QCOMPARE(home()->playingChannel(), playing);
    QCOMPARE(home()->player()->currentUrl(), url);
    QCOMPARE(channels()->currentRow(), 3);
    QCOMPARE(strip()->currentRow(), 2);
    home()->stop();
}

void TestHomeWidget::privateAndAdultChannelsAskFirst() {
    const int kidsPlanet = channelIdOf(QStringLiteral("Kids Planet"));
    setOption(ChannelMarks::privateKey(m_demo.playlistId()),
              QStringLiteral("[%1]").arg(kidsPlanet));
    QVERIFY(load());
    QCOMPARE(home()->privateList(), QJsonArray{QString::number(kidsPlanet)});
    const int before = home()->playingChannel();

    // An adult channel of the service.
    clickRow(strip(), groupRowOf(QStringLiteral("Movies")));
    const int adultRow = rowOf(QStringLiteral("Late Night"));
    QVERIFY(home()->shownChannelRecords().at(adultRow).toObject().value("adult").toBool());
    doubleClickRow(channels(), adultRow);
    QVERIFY(appState().settingsDialog);
    QVERIFY(appState().settingsDialog->isModal());
    QVERIFY(appState().settingsDialog->isVisible());
    QCOMPARE(home()->playingChannel(), before);
    QVERIFY(!playingRows(channels()).contains(adultRow));
    delete appState().settingsDialog.data();

    // A channel marked private, though the service does not flag it.
    clickRow(strip(), groupRowOf(QStringLiteral("Kids")));
    doubleClickRow(channels(), rowOf(QStringLiteral("Kids Planet")));
    QVERIFY(appState().settingsDialog);
    QCOMPARE(home()->playingChannel(), before);
    delete appState().settingsDialog.data();

    // Next from the row above reaches it and asks too.
    doubleClickRow(channels(), rowOf(QStringLiteral("Cartoon Time")));
    QVERIFY(!appState().settingsDialog);
    const int cartoons = home()->playingChannel();
    QCOMPARE(cartoons, channelIdOf(QStringLiteral("Cartoon Time")));
    home()->playNext();
    QVERIFY(appState().settingsDialog);
    QCOMPARE(home()->playingChannel(), cartoons);
    delete appState().settingsDialog.data();

    // Once the parental page lets it through, it plays.
    home()->playCurrentChannel();
    QCOMPARE(home()->playingChannel(), kidsPlanet);
    home()->stop();
}

void TestHomeWidget::favoritesThroughTheToolbar() {
    const QString key = ChannelMarks::favoritesKey(m_demo.playlistId());
    QVERIFY(load());
    PlayListToolBar *bar = home()->playListToolBar();
    auto *button = bar->findChild<QPushButton *>(QStringLiteral("favorite_button"));
    QVERIFY(button && button->isVisible());
    const QStringList news = rowTexts(channels());
    const int first = channelIdOf(news.at(1));
    const int second = channelIdOf(news.at(3));

    // Without a selected channel there is nothing to mark.
    QCOMPARE(channels()->currentRow(), -1);
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(waitIdle());
    QCOMPARE(option(key), QStringLiteral("[]"));

    // The first favourite brings the group; the list shown stays.
    clickRow(channels(), 1);
    QVERIFY(!bar->favorite());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(strip()->count(), serviceGroupTitles().size() + 1);
    QVERIFY(waitIdle());
    QCOMPARE(strip()->item(0)->text(), msg("favorites"));
    QCOMPARE(strip()->currentRow(), 1);
    QCOMPARE(rowTexts(channels()), news);
    QVERIFY(bar->favorite());
    QCOMPARE(option(key), QStringLiteral("[%1]").arg(first));

    clickRow(channels(), 3);
    QVERIFY(!bar->favorite());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(bar->favorite());
    QCOMPARE(option(key), QStringLiteral("[%1,%2]").arg(first).arg(second));

    // The look follows the clicked channel.
    clickRow(channels(), 1);
    QVERIFY(bar->favorite());
    clickRow(channels(), 2);
    QVERIFY(!bar->favorite());

    // Removing one while the favourites are shown refreshes them.
    clickRow(strip(), 0);
    QCOMPARE(rowTexts(channels()), (QStringList{news.at(1), news.at(3)}));
    clickRow(channels(), 0);
    QVERIFY(bar->favorite());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!bar->favorite());
    QCOMPARE(option(key), QStringLiteral("[%1]").arg(second));
    QCOMPARE(rowTexts(channels()), QStringList{news.at(3)});

    // The last one: "[]" is stored, the group goes and the strip shows its
    // first row.
    clickRow(channels(), 0);
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(!bar->favorite());
    QCOMPARE(option(key), QStringLiteral("[]"));
    QCOMPARE(rowTexts(strip()), serviceGroupTitles());
    QCOMPARE(strip()->currentRow(), 0);
    QCOMPARE(rowTexts(channels()), news);
}

void TestHomeWidget::logosAreNamedByIdAndRenewedPerLoad() {
    const QString cache = LoadImageUrl::cacheDirectory();
    QVERIFY(QDir().mkpath(cache));
    QFile stray(cache + QStringLiteral("/stray.png"));
    QVERIFY(stray.open(QIODevice::WriteOnly));
    stray.close();
    QVERIFY(load());
    QVERIFY(!QFile::exists(stray.fileName()));

    QStringList expected;
    for (const QJsonValue &channel : m_demo.channels())
        expected << QString::number(number(channel, idKey)) + QStringLiteral(".png");
    expected.sort();
    const auto allLogosIn = [&] {
        for (const QJsonValue &channel : home()->channelRecords()) {
            if (!text(channel, QStringLiteral("pict")).startsWith(cache))
                return false;
        }
        return true;
    };
    QTRY_VERIFY_WITH_TIMEOUT(allLogosIn(), 30000);
    for (const QJsonValue &channel : home()->channelRecords()) {
        const QString pict = text(channel, QStringLiteral("pict"));
        QCOMPARE(pict, cache + QLatin1Char('/') + QString::number(number(channel, idKey)) +
                           QStringLiteral(".png"));
        QVERIFY(!QImage(pict).isNull());
    }
    QStringList files = QDir(cache).entryList(QDir::Files);
    files.sort();
    QCOMPARE(files, expected);
    // The last load's logos were moved aside and are deleted bit by bit.
    const QDir parent = QFileInfo(cache).dir();
    QTRY_VERIFY(parent.entryList({QStringLiteral("image.old-*")}, QDir::Dirs).isEmpty());

    // The rows built from now on carry the files.
    clickRow(strip(), 1);
    QVERIFY(roleText(channels(), 0, ListItemDelegate::LogoRole).startsWith(cache));
    QTRY_COMPARE(home()->findChildren<LoadImageUrl *>().size(), 0);
}

void TestHomeWidget::lateAnswersForUnknownIdsAreIgnored() {
    QVERIFY(load());
    const QJsonArray before = home()->channelRecords();
    int unknown = 987654;
    QString path = QStringLiteral("/nowhere/987654.png");
    home()->ImageDone(unknown, path);
    auto *guide = new XmlUrl;
    QPointer<XmlUrl> watch(guide);
    home()->EpgDone(unknown, QJsonArray{QJsonObject{{"title", "x"}}}, *guide);
    QCOMPARE(home()->channelRecords(), before);
    // The fetcher is released all the same.
    QTRY_VERIFY(watch.isNull());

    // A known id takes the first of its records.
    int known = number(before.at(3), idKey);
    QString logo = QStringLiteral("/somewhere/x.png");
    home()->ImageDone(known, logo);
    QCOMPARE(text(home()->channelRecords().at(3), QStringLiteral("pict")), logo);
    // The row on screen and its shown record take the logo at once, and so
    // does the selected channel (for the guide and the player).
    QCOMPARE(roleText(channels(), 3, ListItemDelegate::LogoRole), logo);
    QCOMPARE(text(home()->shownChannelRecords().at(3), QStringLiteral("pict")), logo);
    channels()->setCurrentRow(3);
    QCOMPARE(text(home()->currentChannel(), QStringLiteral("pict")), logo);

    // A programme list that arrives shows in the row without a refresh,
    // and the row item is the same one (nothing was rebuilt).
    QListWidgetItem *const item = channels()->item(3);
    Clock::setNow(QDateTime(QDate::currentDate(), QTime(12, 0)));
    const QDateTime start = Clock::now().addSecs(-600).toUTC();
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QJsonArray epg{QJsonObject{{"title", "Arrived now"},
                                     {"start", start.toString(format)},
                                     {"stop", start.addSecs(3600).toString(format)}}};
    const QJsonValue expected = XmlUrl().currentProgramme(epg).value(QStringLiteral("name"));
    QVERIFY(expected != QLatin1String("..."));
    home()->EpgDone(known, epg, *new XmlUrl);
    QCOMPARE(roleText(channels(), 3, ListItemDelegate::ProgrammeRole), expected.toString());
    QCOMPARE(channels()->item(3), item);
    QCOMPARE(channels()->currentRow(), 3);
}

void TestHomeWidget::refreshShowsTheCurrentProgramme() {
    Clock::setNow(QDateTime::currentDateTime());
    QVERIFY(load());
    const QJsonObject first = home()->channelRecords().at(0).toObject();
    QTRY_VERIFY_WITH_TIMEOUT(home()->scheduleOf(number(first, idKey)), 20000);
    QTimerEvent tick(home()->refreshTimer());
    QCoreApplication::sendEvent(home(), &tick);

    // The records keep no raw programme data; the service's answer is the
    // reference.
    QVERIFY(!first.contains(QStringLiteral("epg")));
    const QJsonValue epg = m_demo.ask(
        QStringLiteral("get_epg"), {number(first, QStringLiteral("epg_id")), 10, m_demo.token()});
    XmlUrl reader;
    const EpgProgramme now = reader.currentProgramme(epg);
    QVERIFY(now.value(QStringLiteral("name")) != QLatin1String("..."));
    QCOMPARE(roleText(channels(), 0, ListItemDelegate::ProgrammeRole), now.value("name"));
    QCOMPARE(roleText(channels(), 0, ListItemDelegate::ElapsedRole), now.value("start"));
    QCOMPARE(roleText(channels(), 0, ListItemDelegate::DurationRole), now.value("duration"));

    // The guide reads the selected channel's days. The channel is the record
    // as it is now: its logo may have come in after the row was made.
    channels()->setCurrentRow(0);
    QCOMPARE(home()->currentChannel(),
             home()->channelRecords().at(home()->shownPositions().at(0)).toObject());
    QCOMPARE(home()->currentChannelDays(), XmlUrl().programmesByDay(epg));
    QVERIFY(!home()->currentChannelDays().isEmpty());
    channels()->setCurrentRow(-1);
    QCOMPARE(home()->currentChannelRow(), -1);
    QVERIFY(home()->currentChannel().isEmpty());
    QVERIFY(home()->currentChannelDays().isEmpty());
}

void TestHomeWidget::offlinePlaylistSendsNothing() {
    QVERIFY(load());
    QTRY_VERIFY_WITH_TIMEOUT(home()->findChildren<JsonRpc *>().isEmpty(), 20000);

    const QString path = m_demo.filePath(QStringLiteral("offline.m3u"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("#EXTM3U\r\n#EXTINF:-1 tvg-logo=\"http://logo/1.png\",One\r\n#EXTGRP:News\r\n"
               "http://127.0.0.1:9/one.ts\r\n#EXTINF:-1,Two\r\nhttp://127.0.0.1:9/two.ts\r\n"
               "#EXTINF:-1,Three\r\n#EXTGRP:News\r\nhttp://127.0.0.1:9/three.ts\r\n");
    file.close();
    appState().offlineMode = true;
    appState().playlistSource = path;

    // Read and shown before reload() returns, with nothing sent.
    QSignalSpy shown(home(), &HomeWidget::groupsShown);
    home()->reload();
    QCOMPARE(shown.size(), 1);
    QVERIFY(!home()->requestsPending());
    QVERIFY(home()->findChildren<JsonRpc *>().isEmpty());
    QVERIFY(home()->findChildren<XmlUrl *>().isEmpty());
    QVERIFY(home()->findChildren<LoadImageUrl *>().isEmpty());
    QVERIFY(!appState().alertFrame->isBusy());

    QCOMPARE(rowTexts(strip()), (QStringList{"News", "unsorted"}));
    QCOMPARE(rowTexts(channels()), (QStringList{"One", "Three"}));
    QCOMPARE(number(home()->shownChannelRecords().at(1), idKey), 8);
    auto *favorite = home()->playListToolBar()->findChild<QPushButton *>("favorite_button");
    QVERIFY(!favorite->isVisible());

    // Playing and the minute tick work the same.
    doubleClickRow(channels(), 1);
    QCOMPARE(home()->playingChannel(), 8);
    QTimerEvent tick(home()->refreshTimer());
    QCoreApplication::sendEvent(home(), &tick);
    QCOMPARE(playingRows(channels()), QList<int>{1});
    QCOMPARE(roleText(channels(), 1, ListItemDelegate::ProgrammeRole), QStringLiteral("..."));
    QTest::qWait(200);
    QVERIFY(home()->findChildren<JsonRpc *>().isEmpty());
    QVERIFY(home()->findChildren<XmlUrl *>().isEmpty());
    home()->stop();

    // A file that cannot be read gives empty lists, without a message.
    appState().playlistSource = m_demo.filePath(QStringLiteral("absent.m3u"));
    home()->reload();
    QCOMPARE(strip()->count(), 0);
    QCOMPARE(channels()->count(), 0);
    QVERIFY(!appState().alertFrame->isBusy());
    QVERIFY(!alertShowing());
    appState().offlineMode = false;
}

void TestHomeWidget::guidePanelAndFullScreenToggle() {
    QVERIFY(load());
    EpgWidget *guide = home()->epgPanel();
    QVERIFY(guide && guide->isHidden());
    channels()->setCurrentRow(0);
    home()->toggleEpgPanel();
    QVERIFY(guide->isVisible());
    QCOMPARE(guide->parentWidget(), home()->player()->parentWidget());
    QCOMPARE(guide->geometry(), home()->player()->geometry());
    home()->toggleEpgPanel();
    QVERIFY(guide->isHidden());

    QWidget *panel = home()->player()->parentWidget();
    auto *splitter = home()->findChild<QSplitter *>();
    QVERIFY(splitter && splitter->isVisible());
    home()->toggleFullScreen();
    QVERIFY(home()->isFullScreen());
    QVERIFY(!splitter->isVisible());
    QCOMPARE(home()->player()->parentWidget(), home());
    QCOMPARE(home()->bottomToolBar()->parentWidget(), home()->player());
    home()->toggleFullScreen();
    QVERIFY(!home()->isFullScreen());
    QVERIFY(splitter->isVisible());
    QCOMPARE(home()->player()->parentWidget(), panel);
    QCOMPARE(home()->bottomToolBar()->parentWidget(), panel);
    // Top bar, player, bottom bar, in this order.
    auto *layout = qobject_cast<QVBoxLayout *>(panel->layout());
    QCOMPARE(layout->indexOf(home()->player()), 1);
    QCOMPARE(layout->indexOf(home()->bottomToolBar()), 2);
}

void TestHomeWidget::playlistToolBarLooks() {
    PlayListToolBar bar;
    auto *favorite = bar.findChild<QPushButton *>(QStringLiteral("favorite_button"));
    auto *privateButton = bar.findChild<QPushButton *>(QStringLiteral("private_button"));
    auto *label = bar.findChild<QLabel *>(QStringLiteral("label_playlist"));
    QCOMPARE(label->text(), QStringLiteral("PlayList"));
    appState().playlistName = QStringLiteral("Мой список");
    bar.setPlaylistName();
    QCOMPARE(label->text(), QStringLiteral("Мой список"));

    // The buttons keep to the right edge, 5 pixels apart.
    bar.resize(420, 50);
    bar.show();
    QVERIFY(QTest::qWaitForWindowExposed(&bar));
    QCOMPARE(favorite->geometry(), QRect(375, 5, 40, 40));
    QCOMPARE(privateButton->geometry(), QRect(330, 5, 40, 40));
    bar.resize(900, 50);
    QTRY_COMPARE(favorite->geometry(), QRect(855, 5, 40, 40));
    QCOMPARE(privateButton->geometry(), QRect(810, 5, 40, 40));

    // The bar's own colour shows: it paints its style sheet.
    const QImage image = bar.grab().toImage();
    QCOMPARE(image.pixelColor(300, 2), QColor(98, 136, 166));
}

QTEST_MAIN(TestHomeWidget)
#include "tst_homewidget.moc"
