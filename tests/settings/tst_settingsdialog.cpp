// The settings dialog, its menu, the language, network caching and profile
// pages, with the main window in main mode against the local development
// service.

#include "SettingsTestKit.h"

#include "account/ProfileWidget.h"
#include "app/Messages.h"
#include "channels/ListItemDelegate.h"
#include "player/PlayerToolBar.h"
#include "player/PlayerWidget.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/Playlistwidget.h"
#include "settings/ForgotParentPaswordWidget.h"
#include "settings/LanguageWidget.h"
#include "settings/NetworkWidget.h"
#include "settings/ParentWidget.h"
#include "settings/SettingsWidget.h"
#include "vlc/VlcInstance.h"
#include "widgets/AlertFrame.h"
#include "widgets/MessageBox.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTranslator>

using namespace PageTestKit;
using namespace SettingsTestKit;

namespace {

const QString info = QStringLiteral("info");

QVariantMap storedInfo() {
    QSettings settings(QStringLiteral("vantero"), QStringLiteral("vantero"));
    settings.beginGroup(info);
    QVariantMap values;
    for (const QString &key : settings.allKeys())
        values.insert(key, settings.value(key));
    return values;
}

} // namespace

class TestSettingsDialog : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_demo.start(), qPrintable(m_service->errorString())); }
    void cleanupTestCase() { m_demo.stop(); }
    void init() {
        m_demo.begin();
        MessageBox::clearPresetAnswer();
        m_demo.storeSignedIn();
        m_window.reset(openMainMode());
        QVERIFY(m_window);
    }
    void cleanup() {
        DemoSession::end(m_window);
        MessageBox::clearPresetAnswer();
    }

    // Every way in opens one fixed, always-on-top dialog with its eight
    // pages, at the page the caller needs.
    void openingModes_data() {
        QTest::addColumn<bool>("fromToolbar");
        QTest::addColumn<bool>("request");
        QTest::addColumn<bool>("flag");
        QTest::addColumn<int>("page");
        QTest::newRow("player toolbar") << true << false << false << 0;
        QTest::newRow("private channel") << false << true << true << 4;
        QTest::newRow("private toggle") << false << true << false << 4;
    }
    void openingModes() {
        QFETCH(bool, fromToolbar);
        QFETCH(bool, request);
        QFETCH(bool, flag);
        QFETCH(int, page);
        QVERIFY(!appState().onTop);
        QPointer<DialogMainSettings> dialog;
        if (fromToolbar) {
            auto *bar = m_window->homeWidget()->topToolBar();
            QVERIFY(bar);
            QTest::mouseClick(child<QPushButton>(bar, "settings_button"), Qt::LeftButton);
            dialog = appState().settingsDialog;
            QVERIFY(dialog);
            QVERIFY(QTest::qWaitForWindowExposed(dialog));
        } else {
            dialog = openDialog(request, flag);
            QVERIFY(dialog);
        }
        QVERIFY(settlesOn(dialog, page));
        QCOMPARE(appState().settingsDialog.data(), dialog.data());
        QVERIFY(appState().dialogCreated);
        QVERIFY(dialog->isModal());
        QVERIFY(!dialog->parentWidget());
        QCOMPARE(dialog->objectName(), QStringLiteral("DialogMainSettings"));
        QCOMPARE(dialog->size(), QSize(420, 580));
        QCOMPARE(dialog->minimumSize(), QSize(420, 580));
        QCOMPARE(dialog->maximumSize(), QSize(420, 580));
        QVERIFY(dialog->windowTitle().isEmpty());
        // Above other windows even though "ontop" is off.
        QCOMPARE(int(dialog->windowFlags() & 0x40400), 0x40400);

        SlidingStackedWidget *stack = dialog->stack();
        QCOMPARE(stack->geometry(), QRect(0, 0, 420, 580));
        QCOMPARE(stack->speed(), 750);
        QCOMPARE(stack->animation(), QEasingCurve::OutExpo);
        QCOMPARE(stack->count(), 9);
        QVERIFY(qobject_cast<SettingsWidget *>(stack->widget(0)));
        QVERIFY(qobject_cast<Playlistwidget *>(stack->widget(1)));
        QVERIFY(qobject_cast<DirectLinkWidget *>(stack->widget(2)));
        QVERIFY(qobject_cast<LanguageWidget *>(stack->widget(3)));
        QVERIFY(qobject_cast<ParentWidget *>(stack->widget(4)));
        QVERIFY(qobject_cast<ForgotParentPaswordWidget *>(stack->widget(5)));
        QVERIFY(qobject_cast<NetworkWidget *>(stack->widget(6)));
        QVERIFY(qobject_cast<ProfileWidget *>(stack->widget(7)));
        QVERIFY(stack->widget(page)->isVisible());

        if (request) {
            ParentWidget *parent = dialog->parentPage();
            QCOMPARE(parent->mode, 3);
            QCOMPARE(parent->playAfterUnlock, flag);
            QVERIFY(!child<QWidget>(parent, "frame_3")->isVisible());
            QVERIFY(!child<QWidget>(parent, "frame_4")->isVisible());
            QCOMPARE(child<QWidget>(parent, "button_forgot")->geometry(), QRect(140, 170, 141, 21));
            QCOMPARE(child<QWidget>(parent, "pushButton_back")->styleSheet(),
                     QStringLiteral("border-image: url(:/btn_close);"));
            QCOMPARE(child<QLineEdit>(parent, "lineEdit_1")->placeholderText(), msg("password"));
        }
    }

    // The six rows, their roles and the switch's state, in both languages.
    void menuRows_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<bool>("onTop");
        QTest::addColumn<QString>("title");
        QTest::newRow("English, on top off") << "lang_en" << false << "Settings";
        QTest::newRow("Russian, on top on") << "lang_ru" << true << "Настройки";
    }
    void menuRows() {
        QFETCH(QString, language);
        QFETCH(bool, onTop);
        QFETCH(QString, title);
        QTranslator translator;
        QVERIFY(translator.load(language, QStringLiteral(".")));
        QCoreApplication::installTranslator(&translator);
        appState().onTop = onTop;
        QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
        QCoreApplication::removeTranslator(&translator);
        QVERIFY(dialog);

        SettingsWidget *menu = dialog->menuPage();
        QCOMPARE(menu->objectName(), QStringLiteral("SettingsWidget"));
        QCOMPARE(child<QLabel>(menu, "label_title")->text(), title);
        auto *list = child<QListWidget>(menu, "listWidget");
        QCOMPARE(qobject_cast<ListItemDelegate *>(list->itemDelegate())->mode, 1);
        QCOMPARE(list->count(), 8);
        const char *keys[] = {"playlist", "language", "privatepassword", "network",
                              "profile",  "ontop",    "resume",          "shortcuts"};
        for (int row = 0; row < 8; ++row) {
            QListWidgetItem *item = list->item(row);
            const QString text = translator.translate("", keys[row]);
            QVERIFY(!text.isEmpty());
            QCOMPARE(item->text(), text);
            QCOMPARE(item->data(ListItemDelegate::TextRole).toString(), text);
            QCOMPARE(item->sizeHint().height(), 50);
            if (row < 5 || row == 7) {
                QVERIFY(!item->data(ListItemDelegate::CheckableRole).isValid());
            } else {
                // "ontop", then resuming, which is on unless switched off.
                QCOMPARE(item->data(ListItemDelegate::CheckableRole).toInt(), 1);
                QCOMPARE(item->data(ListItemDelegate::CheckedRole).toInt(),
                         row == 5 ? (onTop ? 1 : 0) : 1);
            }
        }
    }

    // Each row leads to its page and each page's back button to the menu.
    void menuLeadsToEachPage_data() {
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("page");
        QTest::newRow("playlist") << 0 << 1;
        QTest::newRow("language") << 1 << 3;
        QTest::newRow("privatepassword") << 2 << 4;
        QTest::newRow("network") << 3 << 6;
        QTest::newRow("profile") << 4 << 7;
    }
    void menuLeadsToEachPage() {
        QFETCH(int, row);
        QFETCH(int, page);
        QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
        QVERIFY(dialog);
        auto *list = child<QListWidget>(dialog->menuPage(), "listWidget");
        clickRow(list, row);
        QVERIFY(settlesOn(dialog.data(), page));
        QCOMPARE(dialog->stack()->verticalMode(), false);
        QCOMPARE(dialog->stack()->animation(), QEasingCurve::OutExpo);

        // Leave the stack in another mode, so that back has to set its own.
        dialog->stack()->setVerticalMode(true);
        dialog->stack()->setAnimation(QEasingCurve::OutQuart);
        QWidget *shown = dialog->stack()->widget(page);
        QTest::mouseClick(child<QPushButton>(shown, "pushButton_back"), Qt::LeftButton);
        QVERIFY(settlesOn(dialog.data(), 0));
        QCOMPARE(dialog->stack()->verticalMode(), false);
        QCOMPARE(dialog->stack()->animation(), QEasingCurve::OutExpo);
        QVERIFY(dialog->isVisible());
    }

    // The dialog's own playlist pages list the device's playlists and move
    // the dialog's stack; the main window stays on the channel browser.
    void playlistPagesUseTheDialogStack() {
        QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
        QVERIFY(dialog);
        clickRow(child<QListWidget>(dialog->menuPage(), "listWidget"), 0);
        QVERIFY(settlesOn(dialog.data(), 1));
        auto *playlists = child<QListWidget>(dialog->playlistPage(), "listWidget");
        QTRY_VERIFY(playlists->count() >= 2);
        QVERIFY(waitIdle());
        QVERIFY(rowTexts(playlists).contains(m_playlistName));
        // Busy and alerts of the dialog's pages show inside the dialog.
        QCOMPARE(appState().alertFrame->window(), dialog.data());

        clickRow(child<QListWidget>(dialog->playlistPage(), "listWidget_2"), 0);
        QVERIFY(settlesOn(dialog.data(), 2));
        QCOMPARE(dialog->stack()->verticalMode(), true);
        QCOMPARE(dialog->stack()->animation(), QEasingCurve::OutQuart);
        QVERIFY(child<QWidget>(dialog->addPlaylistPage(), "frame_3")->isVisible());
        QTest::mouseClick(child<QPushButton>(dialog->addPlaylistPage(), "pushButton_back"),
                          Qt::LeftButton);
        QVERIFY(settlesOn(dialog.data(), 1));
        QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::HomePage));
    }

    // With no parental password known the page sets a first one; with one
    // known it asks for it before a change.
    void privatePasswordRowPicksTheMode_data() {
        QTest::addColumn<QString>("known");
        QTest::addColumn<int>("mode");
        QTest::newRow("none known") << QString() << 1;
        QTest::newRow("one known") << QStringLiteral("2580") << 2;
    }
    void privatePasswordRowPicksTheMode() {
        QFETCH(QString, known);
        QFETCH(int, mode);
        appState().parentPassword = known;
        QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
        QVERIFY(dialog);
        clickRow(child<QListWidget>(dialog->menuPage(), "listWidget"), 2);
        QVERIFY(settlesOn(dialog.data(), 4));
        ParentWidget *parent = dialog->parentPage();
        QCOMPARE(parent->mode, mode);
        QCOMPARE(parent->playAfterUnlock, false);
        QVERIFY(child<QWidget>(parent, "frame_3")->isVisible());
        QCOMPARE(child<QWidget>(parent, "frame_4")->isVisible(), mode == 2);
        QCOMPARE(child<QWidget>(parent, "button_forgot")->isVisible(), mode == 2);
        QCOMPARE(child<QLineEdit>(parent, "lineEdit_1")->placeholderText(),
                 msg(mode == 1 ? "newpassword" : "currentpassword"));
        QCOMPARE(child<QLineEdit>(parent, "lineEdit_2")->placeholderText(),
                 msg(mode == 1 ? "confirmpassword" : "newpassword"));
    }

    // Switching "ontop" on and off again gives both windows back their
    // flags and stores false.
    void onTopTwice() {
        QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
        QVERIFY(dialog);
        const Qt::WindowFlags mainBefore = m_window->windowFlags();
        const Qt::WindowFlags dialogBefore = dialog->windowFlags();
        QCOMPARE(int(mainBefore & 0x40400), 0);
        auto *list = child<QListWidget>(dialog->menuPage(), "listWidget");
        QListWidgetItem *row = list->item(5);

        clickRow(list, 5);
        QVERIFY(appState().onTop);
        QCOMPARE(row->data(ListItemDelegate::CheckedRole).toInt(), 1);
        QCOMPARE(ScopedSettings::get(info, QStringLiteral("ontop")).toBool(), true);
        QCOMPARE(m_window->windowFlags(), mainBefore | Qt::WindowFlags(0x40400));
        QCOMPARE(dialog->windowFlags(), dialogBefore);
        QVERIFY(m_window->isVisible());
        QVERIFY(dialog->isVisible());
        QVERIFY(dialog->isModal());

        clickRow(list, 5);
        QVERIFY(!appState().onTop);
        QCOMPARE(row->data(ListItemDelegate::CheckedRole).toInt(), 0);
        QVERIFY(ScopedSettings::contains(info, QStringLiteral("ontop")));
        QCOMPARE(ScopedSettings::get(info, QStringLiteral("ontop")).toBool(), false);
        QCOMPARE(m_window->windowFlags(), mainBefore);
        QCOMPARE(dialog->windowFlags(), dialogBefore);
        QVERIFY(m_window->isVisible());
        QVERIFY(dialog->isVisible());
        // The page list never moved.
        QCOMPARE(dialog->stack()->currentIndex(), 0);
    }

    // A closed dialog goes away with its pages; the shared alert overlay it
    // had borrowed goes back to the main window, idle.
    void closedDialogIsReleased_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("close") << false;
        QTest::newRow("Escape") << true;
    }
    void closedDialogIsReleased() {
        QFETCH(bool, escape);
        QPointer<DialogMainSettings> dialog = openDialog(false, false);
        QVERIFY(dialog);
        dialog->showNetworkPage();
        QVERIFY(settlesOn(dialog, 6));
        child<QLineEdit>(dialog->networkPage(), "lineEdit_ms")->setText(QStringLiteral("x"));
        QTest::mouseClick(child<QPushButton>(dialog->networkPage(), "pushButton_2"),
                          Qt::LeftButton);
        QVERIFY(alertShowing());
        QCOMPARE(appState().alertFrame->window(), dialog.data());

        if (escape)
            QTest::keyClick(dialog, Qt::Key_Escape);
        else
            dialog->close();
        QTRY_VERIFY(!dialog);
        QVERIFY(!appState().settingsDialog);
        for (QWidget *widget : QApplication::topLevelWidgets())
            QVERIFY(!qobject_cast<DialogMainSettings *>(widget));

        AlertFrame *overlay = appState().alertFrame;
        QVERIFY(overlay);
        QCOMPARE(overlay->parentWidget(), m_window.data());
        QVERIFY(!overlay->isVisible());
        QVERIFY(!overlay->isBusy());
        overlay->showAlert(m_window->homeWidget(), msg("error"), msg("alert1"));
        QVERIFY(alertShowing());
        dismissAlert();

        // A new opening is a new dialog that works as the first did.
        QPointer<DialogMainSettings> second = openDialog(false, false);
        QVERIFY(second);
        QCOMPARE(appState().settingsDialog.data(), second.data());
        clickRow(child<QListWidget>(second->menuPage(), "listWidget"), 3);
        QVERIFY(settlesOn(second, 6));
    }

    // Done applies the current row, stores it, reloads the catalogue, gives
    // the player's top toolbar its texts again and closes the dialog.
    void languageDone_data() {
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("clickedRow");
        QTest::addColumn<QString>("after");
        QTest::addColumn<QString>("settingsText");
        // -2: no click, -1: no click and no current row.
        QTest::newRow("no current row") << "lang_en" << -1 << "lang_ru"
                                        << "Настройки";
        QTest::newRow("untouched, English") << "lang_en" << -2 << "lang_en"
                                            << "Settings";
        QTest::newRow("untouched, Russian") << "lang_ru" << -2 << "lang_ru"
                                            << "Настройки";
        QTest::newRow("English") << "lang_ru" << 0 << "lang_en"
                                 << "Settings";
        QTest::newRow("Russian") << "lang_en" << 1 << "lang_ru"
                                 << "Настройки";
        QTest::newRow("the language in use") << "lang_en" << 0 << "lang_en"
                                             << "Settings";
    }
    void languageDone() {
        QFETCH(QString, before);
        QFETCH(int, clickedRow);
        QFETCH(QString, after);
        QFETCH(QString, settingsText);
        appState().language = before;
        QPointer<DialogMainSettings> dialog = openDialog(false, false);
        QVERIFY(dialog);
        clickRow(child<QListWidget>(dialog->menuPage(), "listWidget"), 1);
        QVERIFY(settlesOn(dialog, 3));
        auto *list = child<QListWidget>(dialog->languagePage(), "listWidget");
        QCOMPARE(rowTexts(list),
                 (QStringList{QStringLiteral("English"), QStringLiteral("Русский")}));
        QCOMPARE(qobject_cast<ListItemDelegate *>(list->itemDelegate())->mode, 2);
        const int marked = before == QLatin1String("lang_en") ? 0 : 1;
        QCOMPARE(list->item(0)->data(ListItemDelegate::LanguageCheckedRole).toString(),
                 marked == 0 ? QStringLiteral("1") : QStringLiteral("0"));
        QCOMPARE(list->item(1)->data(ListItemDelegate::LanguageCheckedRole).toString(),
                 marked == 1 ? QStringLiteral("1") : QStringLiteral("0"));
        // The list has taken the focus, and still the marked row is current.
        QCOMPARE(list->currentRow(), marked);
        if (clickedRow == -1)
            list->selectionModel()->clearCurrentIndex();
        else if (clickedRow >= 0)
            clickRow(list, clickedRow);

        QTest::mouseClick(child<QPushButton>(dialog->languagePage(), "pushButton_2"),
                          Qt::LeftButton);
        QCOMPARE(appState().language, after);
        QCOMPARE(ScopedSettings::get(info, QStringLiteral("lang")).toString(), after);
        QCOMPARE(msg("settings"), settingsText);
        auto *bar = m_window->homeWidget()->topToolBar();
        QCOMPARE(child<QPushButton>(bar, "settings_button")->text(), settingsText);
        QTRY_VERIFY(!dialog);
    }

    // A click moves the check mark; nothing is stored before done.
    void languageRowClickMovesTheMark() {
        appState().language = QStringLiteral("lang_en");
        QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
        QVERIFY(dialog);
        dialog->showLanguagePage();
        QVERIFY(settlesOn(dialog.data(), 3));
        auto *list = child<QListWidget>(dialog->languagePage(), "listWidget");
        QCOMPARE(list->item(0)->sizeHint().height(), 50);
        clickRow(list, 1);
        QCOMPARE(list->item(0)->data(ListItemDelegate::LanguageCheckedRole).toString(),
                 QStringLiteral("0"));
        QCOMPARE(list->item(1)->data(ListItemDelegate::LanguageCheckedRole).toString(),
                 QStringLiteral("1"));
        QCOMPARE(list->currentRow(), 1);
        QVERIFY(list->item(1)->isSelected());
        QVERIFY(!ScopedSettings::contains(info, QStringLiteral("lang")));
        QCOMPARE(appState().language, QStringLiteral("lang_en"));
    }

    // The field must hold a decimal integer other than 0; what is stored is
    // the text as typed, and the player gets a new engine with it.
    void cacheSize_data() {
        QTest::addColumn<QString>("current"); // the size in use when the page is built
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("inner blank") << ""
                                     << "3 000" << false;
        QTest::newRow("unit suffix") << ""
                                     << "3s" << false;
        QTest::newRow("empty") << ""
                               << "" << false;
        QTest::newRow("zero") << "1200"
                              << "0" << false;
        QTest::newRow("hexadecimal") << ""
                                     << "0x100" << false;
        QTest::newRow("too large for an int") << ""
                                              << "99999999999" << false;
        QTest::newRow("negative") << ""
                                  << "-500" << true;
        QTest::newRow("plain") << "1200"
                               << "3000" << true;
        QTest::newRow("left as it was") << ""
                                        << "5000" << true;
        QTest::newRow("left as it was, set before") << "1200"
                                                    << "1200" << true;
    }
    void cacheSize() {
        QFETCH(QString, current);
        QFETCH(QString, typed);
        QFETCH(bool, accepted);
        appState().cacheSize = current;
        PlayerWidget *player = m_window->homeWidget()->player();
        QPointer<VlcInstance> engineBefore = player->engine();
        QPointer<DialogMainSettings> dialog = openDialog(false, false);
        QVERIFY(dialog);
        clickRow(child<QListWidget>(dialog->menuPage(), "listWidget"), 3);
        QVERIFY(settlesOn(dialog, 6));
        NetworkWidget *page = dialog->networkPage();
        auto *field = child<QLineEdit>(page, "lineEdit_ms");
        QCOMPARE(field->text(), current.isEmpty() ? QStringLiteral("5000") : current);
        if (typed != field->text())
            field->setText(typed);
        QTest::mouseClick(child<QPushButton>(page, "pushButton_2"), Qt::LeftButton);

        if (!accepted) {
            QVERIFY(alertShowing());
            QCOMPARE(alertTitle(), msg("error"));
            QCOMPARE(alertMessage(), msg("alert1"));
            QCOMPARE(appState().alertFrame->window(), dialog.data());
            QVERIFY(!ScopedSettings::contains(info, QStringLiteral("cache_size")));
            QCOMPARE(appState().cacheSize, current);
            QTest::qWait(50);
            QVERIFY(dialog);
            QVERIFY(dialog->isVisible());
            QCOMPARE(player->engine(), engineBefore.data());
            return;
        }
        QCOMPARE(ScopedSettings::get(info, QStringLiteral("cache_size")).toString(), typed);
        QCOMPARE(appState().cacheSize, typed);
        QTRY_VERIFY(!dialog);
        // The engine stays; the next stream opens with the new caching.
        QCOMPARE(player->engine(), engineBefore.data());
        QCOMPARE(PlayerWidget::cachingOption(), QStringLiteral(":network-caching=") + typed);
    }

    // Sign-out asks first; Yes forgets who is signed in (not the password,
    // not the device in the store) and returns to the sign-in page; any
    // other answer changes nothing.
    void signOut_data() {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << int(QMessageBox::Yes);
        QTest::newRow("No") << int(QMessageBox::No);
    }
    void signOut() {
        QFETCH(int, answer);
        const bool yes = answer == QMessageBox::Yes;
        appState().plainNameSignIn = true;
        QPointer<DialogMainSettings> dialog = openDialog(false, false);
        QVERIFY(dialog);
        clickRow(child<QListWidget>(dialog->menuPage(), "listWidget"), 4);
        QVERIFY(settlesOn(dialog, 7));
        ProfileWidget *page = dialog->profilePage();
        QCOMPARE(child<QLabel>(page, "label_email")->text(), email());
        QCOMPARE(child<QLabel>(page, "label_playlist")->text(), m_playlistName);
        QCOMPARE(child<QLabel>(page, "label_device")->text(),
                 QString::fromLatin1(DevServiceProcess::demoDevice));
        const QVariantMap storedBefore = storedInfo();
        const AppState before = appState();

        MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
        QTest::mouseClick(child<QPushButton>(page, "pushButton_signout"), Qt::LeftButton);
        QCOMPARE(MessageBox::presetQuestionsAsked(), 1);
        QCOMPARE(MessageBox::lastTitle(), msg("signout"));
        QCOMPARE(MessageBox::lastText(), msg("alert10"));

        const AppState &state = appState();
        QVariantMap storedAfter = storedInfo();
        if (!yes) {
            QCOMPARE(storedAfter, storedBefore);
            QCOMPARE(state.userName, before.userName);
            QCOMPARE(state.deviceKey, before.deviceKey);
            QCOMPARE(state.playlistId, before.playlistId);
            QVERIFY(state.dialogCreated);
            QVERIFY(state.plainNameSignIn);
            QTest::qWait(50);
            QVERIFY(dialog);
            QVERIFY(dialog->isVisible());
            QCOMPARE(dialog->stack()->currentIndex(), 7);
            QCOMPARE(m_window->stack()->currentIndex(), int(MainWindow::HomePage));
            return;
        }

        QCOMPARE(state.playlistId, 0);
        QVERIFY(state.playlistName.isEmpty());
        QVERIFY(state.deviceKey.isEmpty());
        QVERIFY(state.deviceName.isEmpty());
        QVERIFY(state.userName.isEmpty());
        QCOMPARE(state.password, password());
        QVERIFY(!state.dialogCreated);
        QVERIFY(!state.plainNameSignIn);

        // Exactly these three keys change.
        QVariantMap expected = storedBefore;
        expected.insert(QStringLiteral("playlist_id"), 0);
        expected.insert(QStringLiteral("playlist_name"), QString());
        expected.insert(QStringLiteral("user_name"), QString());
        QCOMPARE(storedAfter.keys(), expected.keys());
        for (const QString &key : expected.keys())
            QCOMPARE(storedAfter.value(key).toString(), expected.value(key).toString());
        QCOMPARE(storedAfter.value(QStringLiteral("device_key")).toString(), m_deviceKey);

        QTRY_VERIFY(!dialog);
        QVERIFY(!appState().settingsDialog);
        QTRY_COMPARE(m_window->stack()->currentIndex(), int(MainWindow::SignInPage));
        QTRY_COMPARE(m_window->size(), QSize(420, 580));
        QCOMPARE(m_window->minimumSize(), QSize(420, 580));
        QCOMPARE(m_window->maximumSize(), QSize(420, 580));
        QVERIFY(!m_window->homeWidget()->player()->isPlaying());
    }

private:
    DemoSession m_demo;
    QScopedPointer<DevServiceProcess> &m_service = m_demo.service;
    const QString &m_deviceKey = m_demo.deviceKey;
    const QString &m_playlistName = m_demo.playlistName;
    QScopedPointer<MainWindow> m_window;
};

QTEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
