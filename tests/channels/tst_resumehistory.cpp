// The channels last played: the stored history per playlist, the "Recently
// watched" group, and the last channel starting again when its playlist
// opens, on the real page against the local service.

#include "DemoBrowser.h"

#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "channels/ListItemDelegate.h"
#include "channels/WatchHistory.h"
#include "player/PlayerWidget.h"
#include "settings/DialogMainSettings.h"
#include "settings/SettingsWidget.h"

#include <QtTest>

namespace {

const QString history = QString::fromLatin1(SettingsKeys::groupHistory);

QVector<int> stored(int playlistId) {
    return WatchHistory::channels(QStringLiteral("playlist_%1").arg(playlistId));
}

} // namespace

class TestResumeHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY2(m_browser.start(), qPrintable(m_browser.error()));
        WatchHistory::setActive(true);
    }
    void init();
    void cleanup();

    void historyKeepsTheLastTenNewestFirst();
    void brokenStoredValuesAreIgnored();
    void playedChannelsFormTheRecentGroup();
    void lastChannelStartsAgainAfterRestart();
    void privateAdultAndSwitchedOffDoNotResume();
    void settingsRowSwitchesResume();

private:
    QString key() const { return QStringLiteral("playlist_%1").arg(m_browser.playlistId()); }
    int recentRow() const {
        return PageTestKit::rowTexts(m_browser.strip()).indexOf(msg("recent"));
    }

    DemoBrowser m_browser;
};

void TestResumeHistory::init() {
    ScopedSettings::clear();
    m_browser.service()->applyClientSettings();
    m_browser.prepare();
}

void TestResumeHistory::cleanup() {
    if (DialogMainSettings *dialog = appState().settingsDialog)
        delete dialog;
    m_browser.close();
}

void TestResumeHistory::historyKeepsTheLastTenNewestFirst() {
    const QString a = QStringLiteral("playlist_1");
    const QString b = QStringLiteral("playlist_2");
    for (int id = 1; id <= 12; ++id)
        WatchHistory::add(a, id);
    QCOMPARE(WatchHistory::channels(a), (QVector<int>{12, 11, 10, 9, 8, 7, 6, 5, 4, 3}));
    // A repeat moves to the front instead of appearing twice.
    WatchHistory::add(a, 7);
    QCOMPARE(WatchHistory::channels(a), (QVector<int>{7, 12, 11, 10, 9, 8, 6, 5, 4, 3}));
    WatchHistory::add(a, 0);
    QCOMPARE(WatchHistory::channels(a).size(), 10);
    // Each playlist has its own.
    QVERIFY(WatchHistory::channels(b).isEmpty());
    WatchHistory::add(b, 5);
    QCOMPARE(WatchHistory::channels(b), QVector<int>{5});
    QCOMPARE(WatchHistory::channels(a).first(), 7);
}

void TestResumeHistory::brokenStoredValuesAreIgnored() {
    const QString entry = QStringLiteral("playlist_9");
    const struct {
        QVariant value;
        QVector<int> ids;
    } cases[] = {
        {QStringLiteral("not json"), {}},
        {QStringLiteral("{\"a\":1}"), {}},
        {QStringLiteral("[3,\"4\",1.5,-2,0,3,5,null,[6]]"), {3, 5}},
        {QVariant(42), {}},
        {QStringLiteral("[1e12,7]"), {7}},
    };
    for (const auto &test : cases) {
        ScopedSettings::set(history, entry, test.value);
        QCOMPARE(WatchHistory::channels(entry), test.ids);
    }
    // The next channel played replaces what could not be read.
    ScopedSettings::set(history, entry, QStringLiteral("garbage"));
    WatchHistory::add(entry, 8);
    QCOMPARE(WatchHistory::channels(entry), QVector<int>{8});
}

void TestResumeHistory::playedChannelsFormTheRecentGroup() {
    QVERIFY(m_browser.open());
    // Nothing played yet: no group, nothing started.
    QCOMPARE(recentRow(), -1);
    QCOMPARE(m_browser.home()->playingChannel(), 0);

    for (const char *title : {"World Report", "Sport 1", "World Report", "Cartoon Time"})
        QVERIFY(m_browser.play(QString::fromLatin1(title)));
    const int cartoon = m_browser.channelId(QStringLiteral("Cartoon Time"));
    QCOMPARE(m_browser.home()->playingChannel(), cartoon);
    QCOMPARE(stored(m_browser.playlistId()),
             (QVector<int>{cartoon, m_browser.channelId(QStringLiteral("World Report")),
                           m_browser.channelId(QStringLiteral("Sport 1"))}));

    // Last in the strip, so the other groups keep their rows.
    const int row = recentRow();
    QCOMPARE(row, m_browser.strip()->count() - 1);
    m_browser.home()->showGroup(row);
    QCOMPARE(PageTestKit::rowTexts(m_browser.list()),
             (QStringList{"Cartoon Time", "World Report", "Sport 1"}));
    // The playing mark shows there too.
    QCOMPARE(m_browser.list()->item(0)->data(ListItemDelegate::PlayingRole).toString(),
             QStringLiteral("1"));

    // A channel gone from the playlist is left out; with none left there is
    // no group at all.
    m_browser.close();
    ScopedSettings::set(history, key(), QStringLiteral("[999999,%1]").arg(cartoon));
    WatchHistory::setResumeEnabled(false);
    QVERIFY(m_browser.open());
    m_browser.home()->showGroup(recentRow());
    QCOMPARE(PageTestKit::rowTexts(m_browser.list()), QStringList{"Cartoon Time"});
    m_browser.close();
    ScopedSettings::set(history, key(), QStringLiteral("[999999]"));
    QVERIFY(m_browser.open());
    QCOMPARE(recentRow(), -1);
}

void TestResumeHistory::lastChannelStartsAgainAfterRestart() {
    QVERIFY(m_browser.open());
    QVERIFY(m_browser.play(QStringLiteral("Jazz Lounge")));
    QVERIFY(m_browser.play(QStringLiteral("Tennis World")));
    m_browser.close();

    QVERIFY(m_browser.open());
    HomeWidget *home = m_browser.home();
    const QJsonObject tennis = m_browser.channel(QStringLiteral("Tennis World"));
    QCOMPARE(home->playingChannel(), tennis.value(QStringLiteral("id")).toInt());
    QCOMPARE(home->player()->currentUrl(), tennis.value(QStringLiteral("href")).toString());
    // Its group is shown and its row selected, as if the user had played it.
    QCOMPARE(home->currentChannel().value(QStringLiteral("title")).toString(),
             QStringLiteral("Tennis World"));
    QCOMPARE(home->groupRecords().at(home->playingGroup()).toObject().value("id").toInt(),
             tennis.value(QStringLiteral("group_id")).toInt());

    // Another playlist of the device has its own history: nothing from this
    // one starts there.
    m_browser.close();
    appState().playlistId = m_browser.playlistId(QStringLiteral("Vantero Extra"));
    QVERIFY(appState().playlistId > 0);
    QVERIFY(m_browser.open());
    QCOMPARE(m_browser.home()->playingChannel(), 0);
}

void TestResumeHistory::privateAdultAndSwitchedOffDoNotResume() {
    const int late = m_browser.channelId(QStringLiteral("Late Night"));
    const int rock = m_browser.channelId(QStringLiteral("Rock TV"));
    QVERIFY(m_browser.channel(QStringLiteral("Late Night")).value("adult").toBool());

    // The newest entry decides: an adult channel does not start, and no
    // older one starts in its place.
    ScopedSettings::set(history, key(), QStringLiteral("[%1,%2]").arg(late).arg(rock));
    QVERIFY(m_browser.open());
    QCOMPARE(m_browser.home()->playingChannel(), 0);
    QVERIFY(!appState().settingsDialog);
    m_browser.close();

    // Marked private on this device: the same.
    ScopedSettings::set(history, key(), QStringLiteral("[%1]").arg(rock));
    m_browser.setOption(ChannelMarks::privateKey(m_browser.playlistId()),
                        QStringLiteral("[%1]").arg(rock));
    QVERIFY(m_browser.open());
    QCOMPARE(m_browser.home()->playingChannel(), 0);
    QVERIFY(!appState().settingsDialog);
    m_browser.close();

    // Switched off.
    m_browser.setOption(ChannelMarks::privateKey(m_browser.playlistId()), QStringLiteral("[]"));
    WatchHistory::setResumeEnabled(false);
    QVERIFY(m_browser.open());
    QCOMPARE(m_browser.home()->playingChannel(), 0);
    m_browser.close();
    WatchHistory::setResumeEnabled(true);
    QVERIFY(m_browser.open());
    QCOMPARE(m_browser.home()->playingChannel(), rock);
}

void TestResumeHistory::settingsRowSwitchesResume() {
    QVERIFY(!ScopedSettings::contains(QString::fromLatin1(SettingsKeys::groupInfo),
                                      QLatin1String(SettingsKeys::resumeLast)));
    QVERIFY(WatchHistory::resumeEnabled());
    QScopedPointer<DialogMainSettings> dialog(new DialogMainSettings(nullptr, false, false));
    auto *list = PageTestKit::child<QListWidget>(dialog->menuPage(), "listWidget");
    QListWidgetItem *row = list->item(SettingsWidget::ResumeRow);
    QCOMPARE(row->text(), msg("resume"));
    QCOMPARE(row->data(ListItemDelegate::CheckableRole).toInt(), 1);
    QCOMPARE(row->data(ListItemDelegate::CheckedRole).toInt(), 1);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
    for (bool expected : {false, true}) {
        PageTestKit::clickRow(list, SettingsWidget::ResumeRow);
        QCOMPARE(WatchHistory::resumeEnabled(), expected);
        QCOMPARE(row->data(ListItemDelegate::CheckedRole).toInt(), expected ? 1 : 0);
    }
}

QTEST_MAIN(TestResumeHistory)
#include "tst_resumehistory.moc"
