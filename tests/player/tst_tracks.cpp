// Sound and subtitle tracks on the real page: the player toolbar offers
// them only for a stream with a choice, lists what libVLC reports, and the
// language picked comes back on the next channel that has it.

#include "DemoBrowser.h"

#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "player/PlayerToolBar.h"
#include "player/PlayerWidget.h"
#include "player/TrackMenu.h"
#include "vlc/VlcMediaPlayer.h"
#include "vlc/VlcTracks.h"

#include <QMenu>
#include <QtTest>

namespace {

constexpr int streamTimeout = 30000;

int trackOf(const QVector<VlcTrack> &tracks, const QString &language) {
    for (const VlcTrack &track : tracks) {
        if (track.language == language)
            return track.id;
    }
    return -2;
}

QStringList languages(const QVector<VlcTrack> &tracks) {
    QStringList codes;
    for (const VlcTrack &track : tracks)
        codes << track.language;
    return codes;
}

// The menu's checkable entries, in order, and the section titles.
QList<QAction *> entries(const QMenu *menu) {
    QList<QAction *> found;
    for (QAction *action : menu->actions()) {
        if (action->isCheckable())
            found << action;
    }
    return found;
}

// The headings: entries that can be neither chosen nor checked.
QStringList sections(const QMenu *menu) {
    QStringList titles;
    for (QAction *action : menu->actions()) {
        if (!action->isSeparator() && !action->isCheckable() && !action->isEnabled())
            titles << action->text();
    }
    return titles;
}

} // namespace

class TestTracks : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase() { m_browser.close(); }

    void choiceOnlyForStreamsThatOfferOne();
    void chosenLanguagesComeBackOnTheNextChannel();

private:
    VlcTracks *tracks() const { return m_browser.home()->player()->mediaPlayer()->tracks(); }
    TrackMenu *menu() const { return m_browser.home()->topToolBar()->trackMenu(); }
    // Plays the channel and waits until its tracks are known.
    bool playAndWait(const QString &title, int audioTracks);
    static QString stored(const char *key) { return DemoBrowser::stored(key).toString(); }
    QAction *entryFor(int id, bool subtitle) const;

    DemoBrowser m_browser;
};

void TestTracks::initTestCase() {
    QVERIFY2(m_browser.start(), qPrintable(m_browser.error()));
    m_browser.prepare();
    QVERIFY(m_browser.open());
    QVERIFY(menu());
    QVERIFY(menu()->isHidden());
}

bool TestTracks::playAndWait(const QString &title, int audioTracks) {
    if (!m_browser.play(title))
        return false;
    return QTest::qWaitFor([&] { return tracks()->audioTracks().size() == audioTracks; },
                           streamTimeout);
}

QAction *TestTracks::entryFor(int id, bool subtitle) const {
    // Audio entries first, then "Off" and the subtitles.
    const QList<QAction *> all = entries(menu()->trackMenu());
    const QVector<VlcTrack> audio = tracks()->audioTracks();
    const QVector<VlcTrack> subtitles = tracks()->subtitleTracks();
    if (!subtitle) {
        for (int i = 0; i < audio.size(); ++i) {
            if (audio.at(i).id == id)
                return all.value(i);
        }
        return nullptr;
    }
    if (id < 0)
        return all.value(audio.size());
    for (int i = 0; i < subtitles.size(); ++i) {
        if (subtitles.at(i).id == id)
            return all.value(audio.size() + 1 + i);
    }
    return nullptr;
}

void TestTracks::choiceOnlyForStreamsThatOfferOne() {
    // One sound track and no subtitles: nothing to choose.
    QVERIFY(playAndWait(QStringLiteral("Vantero News"), 1));
    QVERIFY(tracks()->subtitleTracks().isEmpty());
    QVERIFY(menu()->isHidden());

    QVERIFY(playAndWait(QStringLiteral("Cinema One"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(tracks()->subtitleTracks().size() == 1, streamTimeout);
    QTRY_VERIFY(menu()->isVisible());
    QCOMPARE(menu()->text(), msg("tracks"));
    QCOMPARE(languages(tracks()->audioTracks()), (QStringList{"eng", "rus"}));
    QCOMPARE(languages(tracks()->subtitleTracks()), QStringList{"eng"});

    const QMenu *list = menu()->trackMenu();
    QCOMPARE(sections(list), (QStringList{msg("audiotrack"), msg("subtitles")}));
    const QList<QAction *> all = entries(list);
    QCOMPARE(all.size(), 4);
    // libVLC's names, and the selected track checked.
    for (QAction *action : all)
        QVERIFY(!action->text().isEmpty());
    QCOMPARE(all.at(2)->text(), msg("subtitlesoff"));
    QTRY_VERIFY(entryFor(tracks()->audioTrack(), false) &&
                entryFor(tracks()->audioTrack(), false)->isChecked());

    // Back to a plain channel: the choice goes away with its tracks.
    QVERIFY(playAndWait(QStringLiteral("Vantero News"), 1));
    QTRY_VERIFY(menu()->isHidden());
}

void TestTracks::chosenLanguagesComeBackOnTheNextChannel() {
    QVERIFY(playAndWait(QStringLiteral("Cinema One"), 2));
    QTRY_VERIFY_WITH_TIMEOUT(tracks()->subtitleTracks().size() == 1, streamTimeout);
    const int russian = trackOf(tracks()->audioTracks(), QStringLiteral("rus"));
    QVERIFY(russian >= 0);
    // The stream's own choice is the first track; Russian is the user's.
    QTRY_VERIFY(tracks()->audioTrack() >= 0);
    QVERIFY(tracks()->audioTrack() != russian);
    QTRY_VERIFY(entryFor(russian, false));
    entryFor(russian, false)->trigger();
    QTRY_COMPARE(tracks()->audioTrack(), russian);
    QCOMPARE(stored(SettingsKeys::audioLanguage), QStringLiteral("rus"));
    QVERIFY(entryFor(-1, true));
    entryFor(-1, true)->trigger();
    QTRY_COMPARE(tracks()->subtitleTrack(), -1);
    QCOMPARE(stored(SettingsKeys::subtitleLanguage), QStringLiteral("off"));

    // Another channel in between, then the same languages again.
    QVERIFY(playAndWait(QStringLiteral("Vantero News"), 1));
    QVERIFY(playAndWait(QStringLiteral("Cinema One"), 2));
    QTRY_COMPARE_WITH_TIMEOUT(tracks()->audioTrack(),
                              trackOf(tracks()->audioTracks(), QStringLiteral("rus")),
                              streamTimeout);
    QTRY_VERIFY(tracks()->subtitleTracks().size() == 1);
    QTRY_COMPARE(tracks()->subtitleTrack(), -1);

    // Subtitles in English from now on.
    const int english = trackOf(tracks()->subtitleTracks(), QStringLiteral("eng"));
    QTRY_VERIFY(entryFor(english, true));
    entryFor(english, true)->trigger();
    QTRY_COMPARE(tracks()->subtitleTrack(), english);
    QCOMPARE(stored(SettingsKeys::subtitleLanguage), QStringLiteral("eng"));
    QVERIFY(playAndWait(QStringLiteral("Vantero News"), 1));
    QVERIFY(playAndWait(QStringLiteral("Cinema One"), 2));
    QTRY_COMPARE_WITH_TIMEOUT(tracks()->subtitleTrack(),
                              trackOf(tracks()->subtitleTracks(), QStringLiteral("eng")),
                              streamTimeout);
    QTRY_VERIFY(entryFor(tracks()->subtitleTrack(), true) &&
                entryFor(tracks()->subtitleTrack(), true)->isChecked());
}

QTEST_MAIN(TestTracks)
#include "tst_tracks.moc"
