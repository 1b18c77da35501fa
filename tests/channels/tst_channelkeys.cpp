// The channel browser's search field and keyboard against the local
// service: searching the whole playlist, number entry, the playback keys,
// the parental prompt whichever key starts a locked channel, and the
// shortcut page of the settings dialog.

#include "DemoBrowser.h"
#include "PageTestKit.h"

#include "app/SettingsKeys.h"
#include "app/SlidingStackedWidget.h"
#include "channels/ChannelKeys.h"
#include "channels/ChannelSearchBar.h"
#include "channels/ListItemDelegate.h"
#include "channels/ZapNumberEntry.h"
#include "player/PlayerButtomToolBar.h"
#include "player/PlayerWidget.h"
#include "settings/DialogMainSettings.h"
#include "settings/SettingsWidget.h"
#include "settings/ShortcutsWidget.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableWidget>
#include <QTranslator>
#include <QtTest>

using namespace PageTestKit;

class TestChannelKeys : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        m_demo.activeWindow = true;
        QVERIFY2(m_demo.start(), qPrintable(m_demo.error()));
    }
    void init() { m_demo.prepare(); }
    void cleanup() {
        if (DialogMainSettings *dialog = appState().settingsDialog)
            delete dialog;
        if (home() && home()->player())
            home()->stop();
    }

    void searchFindsTheWholePlaylistAndEscapeReturns();
    void digitsZapByPlaylistNumber();
    void lockedChannelsAskWhicheverKeyStartsThem();
    void playbackAndVolumeKeys();
    void shortcutPageListsEveryKey();

private:
    HomeWidget *home() const { return m_demo.home(); }
    QListWidget *list() const { return home()->channelList(); }
    QLineEdit *field() const { return home()->searchBar()->field(); }
    // Types a channel number on the list as a viewer would and closes the
    // number's window at once (a number that cannot grow closes it itself).
    void typeNumber(const QString &digits) {
        QTest::keyClicks(list(), digits);
        home()->keys()->numberEntry()->finish();
    }
    bool dialogOpen() const { return appState().settingsDialog; }
    void closeDialog() { delete appState().settingsDialog.data(); }

    DemoBrowser m_demo;
};

void TestChannelKeys::searchFindsTheWholePlaylistAndEscapeReturns() {
    QVERIFY(m_demo.open());
    clickRow(home()->groupList(), 1);
    const QStringList group = rowTexts(list());

    // Ctrl+F from the list puts the cursor in the field, where digits,
    // the space, M, F and + are text, not keys.
    PlayerButtomToolBar *bar = home()->bottomToolBar();
    const bool muted = bar->isMuted();
    const int volume = bar->volume();
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_F, Qt::ControlModifier);
    QTRY_VERIFY(field()->hasFocus());
    QTest::keyClicks(field(), QStringLiteral("city 24 mf+"));
    QCOMPARE(field()->text(), QStringLiteral("city 24 mf+"));
    QCOMPARE(home()->keys()->numberEntry()->pending(), 0);
    QCOMPARE(bar->isMuted(), muted);
    QCOMPARE(bar->volume(), volume);
    QVERIFY(!home()->isFullScreen());
    field()->clear();

    // Every group's matches, in playlist order, each with its number.
    QTest::keyClicks(field(), QStringLiteral("CLASSIC"));
    QStringList expected;
    QList<int> numbers;
    for (int i = 0; i < m_demo.channels().size(); ++i) {
        if (m_demo.titleAt(i).contains(QLatin1String("classic"), Qt::CaseInsensitive)) {
            expected << m_demo.titleAt(i);
            numbers << i + 1;
        }
    }
    QVERIFY(expected.size() >= 3);
    QCOMPARE(rowTexts(list()), expected);
    for (int row = 0; row < list()->count(); ++row)
        QCOMPARE(list()->item(row)->data(ListItemDelegate::NumberRole).toInt(), numbers.at(row));
    QCOMPARE(home()->groupList()->currentRow(), -1);

    // Down and Enter in the field play the first result.
    QTest::keyClick(field(), Qt::Key_Down);
    QCOMPARE(list()->currentRow(), 0);
    QTest::keyClick(field(), Qt::Key_Return);
    const QJsonObject played = m_demo.channels().at(numbers.first() - 1).toObject();
    QCOMPARE(home()->playingChannel(), played.value("id").toInt());
    // No group is on show, yet the strip marks the channel's own.
    for (int row = 0; row < home()->groupList()->count(); ++row) {
        const bool own =
            home()->groupRecords().at(row).toObject().value("id") == played.value("group_id");
        QCOMPARE(home()->groupList()->item(row)->data(Qt::UserRole + 1).toString(),
                 QString::number(own ? 1 : 0));
    }

    // Nothing matches: an empty list, not the group.
    QTest::keyClicks(field(), QStringLiteral("zzz"));
    QCOMPARE(list()->count(), 0);

    // Escape empties the field and brings the group back.
    QTest::keyClick(field(), Qt::Key_Escape);
    QVERIFY(field()->text().isEmpty());
    QVERIFY(!home()->searchBar()->isSearching());
    QCOMPARE(rowTexts(list()), group);
    QCOMPARE(home()->groupList()->currentRow(), 1);

    // A group picked while results show replaces them for good: a later
    // Escape keeps that group.
    QTest::keyClicks(field(), QStringLiteral("sport"));
    QVERIFY(list()->count() > 0);
    clickRow(home()->groupList(), 3);
    QVERIFY(field()->text().isEmpty());
    const QStringList picked = rowTexts(list());
    QTest::keyClick(field(), Qt::Key_Escape);
    QCOMPARE(rowTexts(list()), picked);

    // A reload forgets the text and folds the titles again.
    QTest::keyClicks(field(), QStringLiteral("news"));
    QVERIFY(m_demo.open());
    QVERIFY(field()->text().isEmpty());
    QCOMPARE(home()->searchBar()->index().size(), m_demo.channels().size());
    QCOMPARE(home()->groupList()->currentRow(), 0);
}

void TestChannelKeys::digitsZapByPlaylistNumber() {
    QVERIFY(m_demo.open());
    const int count = m_demo.channels().size();
    QCOMPARE(count, 40);
    ZapNumberEntry *entry = home()->keys()->numberEntry();
    const int before = home()->playingChannel();
    QVERIFY(before != m_demo.idAt(11));
    list()->setFocus();

    // A digit that another could extend waits for it; the second digit
    // of a number that cannot grow any further plays at once. The channel
    // of another group comes with its group.
    QTest::keyClick(list(), Qt::Key_1);
    QCOMPARE(entry->pending(), 1);
    QVERIFY(entry->isOpen());
    QCOMPARE(home()->playingChannel(), before);
    QTest::keyClick(list(), Qt::Key_2);
    QVERIFY(!entry->isOpen());
    QCOMPARE(home()->playingChannel(), m_demo.idAt(11));
    QCOMPARE(list()->currentItem()->text(), m_demo.titleAt(11));
    QCOMPARE(list()->currentItem()->data(ListItemDelegate::NumberRole).toInt(), 12);
    const QString groupOf12 = home()->groupList()->currentItem()->text();

    // So does a single digit that no further digit could extend.
    QTest::keyClick(list(), Qt::Key_5);
    QVERIFY(!entry->isOpen());
    QCOMPARE(home()->playingChannel(), m_demo.idAt(4));
    QVERIFY(home()->groupList()->currentItem()->text() != groupOf12);

    // A leading zero waits, and shows over the player as typed; "07" on
    // the keypad is channel 7.
    auto *echo = home()->player()->findChild<QLabel *>(QStringLiteral("zapNumberEcho"));
    QVERIFY(echo && echo->isHidden());
    QTest::keyClick(list(), Qt::Key_0, Qt::KeypadModifier);
    QVERIFY(entry->isOpen());
    QVERIFY(echo->isVisible());
    QCOMPARE(echo->text(), QStringLiteral("0"));
    QTest::keyClick(list(), Qt::Key_7, Qt::KeypadModifier);
    QCOMPARE(home()->playingChannel(), m_demo.idAt(6));
    QVERIFY(echo->isHidden());

    // A number past the last channel changes nothing, and the next digit
    // starts a new number.
    QTest::keyClick(list(), Qt::Key_4);
    QTest::keyClick(list(), Qt::Key_5);
    QVERIFY(!entry->isOpen());
    QCOMPARE(entry->pending(), 0);
    QCOMPARE(home()->playingChannel(), m_demo.idAt(6));
    typeNumber(QStringLiteral("40"));
    QCOMPARE(home()->playingChannel(), m_demo.idAt(39));

    // The window's end hands on the number as finish() does.
    QTest::keyClick(list(), Qt::Key_3);
    QVERIFY(entry->isOpen());
    QSignalSpy entered(entry, &ZapNumberEntry::numberEntered);
    QVERIFY(entered.wait(ZapNumberEntry::windowMs * 20));
    QCOMPARE(entered.first().first().toInt(), 3);
    QCOMPARE(home()->playingChannel(), m_demo.idAt(2));

    // Search results without the channel give way to its group.
    home()->searchBar()->focusField();
    QTest::keyClicks(field(), QStringLiteral("jazz"));
    QCOMPARE(list()->count(), 1);
    list()->setFocus();
    typeNumber(QStringLiteral("9"));
    QVERIFY(!home()->searchBar()->isSearching());
    QCOMPARE(home()->playingChannel(), m_demo.idAt(8));
    QCOMPARE(list()->currentItem()->text(), m_demo.titleAt(8));
}

void TestChannelKeys::lockedChannelsAskWhicheverKeyStartsThem() {
    const int adult = m_demo.positionOf(QStringLiteral("Late Night"));
    const int marked = m_demo.positionOf(QStringLiteral("Junior"));
    QVERIFY(adult > 0 && marked > 0);
    m_demo.setOption(ChannelMarks::privateKey(m_demo.playlistId()),
                     QStringLiteral("[%1]").arg(m_demo.idAt(marked)));
    QVERIFY(m_demo.open());
    list()->setFocus();
    const int before = home()->playingChannel();

    // By number: adult, and marked private.
    for (int position : {adult, marked}) {
        typeNumber(QString::number(position + 1));
        QVERIFY(dialogOpen());
        QCOMPARE(home()->playingChannel(), before);
        QCOMPARE(list()->currentItem()->text(), m_demo.titleAt(position));
        closeDialog();
    }

    // By Enter on its row.
    QTest::keyClick(list(), Qt::Key_Return);
    QVERIFY(dialogOpen());
    QCOMPARE(home()->playingChannel(), before);
    closeDialog();

    // By next and previous from the channels beside it, with Ctrl and the
    // arrows and with the media keys.
    const struct {
        int from;
        QKeySequence key;
    } steps[] = {
        {adult - 1, QKeySequence(Qt::CTRL | Qt::Key_Down)},
        {marked + 1, QKeySequence(Qt::CTRL | Qt::Key_Up)},
        {marked - 1, QKeySequence(Qt::Key_MediaNext)},
        {marked + 1, QKeySequence(Qt::Key_MediaPrevious)},
    };
    for (const auto &step : steps) {
        typeNumber(QString::number(step.from + 1));
        QVERIFY(!dialogOpen());
        const int playing = home()->playingChannel();
        QCOMPARE(playing, m_demo.idAt(step.from));
        QTest::keySequence(list(), step.key);
        QVERIFY2(dialogOpen(), qPrintable(step.key.toString()));
        QCOMPARE(home()->playingChannel(), playing);
        closeDialog();
    }

    // Arrows move the selection only; Enter on an open channel plays it.
    typeNumber(QString::number(adult));
    QTest::keyClick(list(), Qt::Key_Up);
    QCOMPARE(home()->playingChannel(), m_demo.idAt(adult - 1));
    QTest::keyClick(list(), Qt::Key_Return);
    QCOMPARE(home()->playingChannel(), m_demo.idAt(adult - 2));
    QVERIFY(!dialogOpen());
}

void TestChannelKeys::playbackAndVolumeKeys() {
    QVERIFY(m_demo.open());
    PlayerButtomToolBar *bar = home()->bottomToolBar();
    PlayerWidget *player = home()->player();
    list()->setFocus();
    typeNumber(QStringLiteral("1"));
    QTRY_VERIFY_WITH_TIMEOUT(player->isPlaying() && player->canPause(), 30000);

    // Space pauses and plays again.
    QTest::keyClick(list(), Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!player->isPlaying(), 30000);
    QTest::keyClick(list(), Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(player->isPlaying(), 30000);

    // M mutes and unmutes, stored as the button stores it.
    const bool muted = bar->isMuted();
    QTest::keyClick(list(), Qt::Key_M);
    QCOMPARE(DemoBrowser::stored(SettingsKeys::mute).toInt(), muted ? 0 : 1);
    QTest::keyClick(list(), Qt::Key_M);
    QCOMPARE(bar->isMuted(), muted);

    // + and - move the slider, which stores the volume.
    bar->stepVolume(50 - bar->volume());
    QTest::keyClick(list(), Qt::Key_Plus);
    QCOMPARE(bar->volume(), 50 + ChannelKeys::volumeStep);
    QCOMPARE(DemoBrowser::stored(SettingsKeys::volume).toInt(), 50 + ChannelKeys::volumeStep);
    QTest::keyClick(list(), Qt::Key_Minus);
    QTest::keyClick(list(), Qt::Key_Minus, Qt::KeypadModifier);
    QCOMPARE(DemoBrowser::stored(SettingsKeys::volume).toInt(), 50 - ChannelKeys::volumeStep);

    // F11 and F toggle full screen, Escape leaves it.
    QTest::keyClick(list(), Qt::Key_F11);
    QTRY_VERIFY(home()->isFullScreen());
    QTest::keyClick(home(), Qt::Key_F);
    QTRY_VERIFY(!home()->isFullScreen());
    QTest::keyClick(list(), Qt::Key_F);
    QTRY_VERIFY(home()->isFullScreen());
    QTest::keyClick(home(), Qt::Key_Escape);
    QTRY_VERIFY(!home()->isFullScreen());

    // Next and previous channel.
    QTest::keyClick(list(), Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(home()->playingChannel(), m_demo.idAt(1));
    QTest::keyClick(list(), Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(home()->playingChannel(), m_demo.idAt(0));
}

void TestChannelKeys::shortcutPageListsEveryKey() {
    const QVector<ChannelKeys::Binding> &bindings = ChannelKeys::bindings();
    for (const char *language : {"lang_en", "lang_ru"}) {
        QTranslator translator;
        QVERIFY(translator.load(QLatin1String(language), QStringLiteral(".")));
        QCoreApplication::installTranslator(&translator);
        QScopedPointer<DialogMainSettings> dialog(new DialogMainSettings(nullptr, false, false));
        dialog->stack()->setSpeed(0);
        dialog->show();
        QCoreApplication::removeTranslator(&translator);

        auto *menu = child<QListWidget>(dialog->menuPage(), "listWidget");
        QCOMPARE(menu->item(SettingsWidget::ShortcutsRow)->text(),
                 translator.translate("", "shortcuts"));
        clickRow(menu, SettingsWidget::ShortcutsRow);
        QTRY_COMPARE(dialog->stack()->currentIndex(), int(DialogMainSettings::ShortcutsPage));

        // One row per binding: its keys and what they do, in this language.
        QTableWidget *table = dialog->shortcutsPage()->table();
        QCOMPARE(table->rowCount(), bindings.size());
        for (int row = 0; row < bindings.size(); ++row) {
            const QString description = translator.translate("", bindings.at(row).description);
            QVERIFY2(!description.isEmpty(), bindings.at(row).description);
            QCOMPARE(table->item(row, 1)->text(), description);
            QVERIFY(!table->item(row, 0)->text().isEmpty());
        }

        QTest::mouseClick(child<QPushButton>(dialog->shortcutsPage(), "pushButton_back"),
                          Qt::LeftButton);
        QTRY_COMPARE(dialog->stack()->currentIndex(), int(DialogMainSettings::MenuPage));
    }
}

QTEST_MAIN(TestChannelKeys)
#include "tst_channelkeys.moc"
