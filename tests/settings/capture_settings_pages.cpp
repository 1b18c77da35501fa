// Renders every page of the settings dialog, with the demo user signed in on
// the local development service, into PNG files for looking at them:
//     capture_settings_pages <folder> [en|ru]
// Run it under xvfb-run from the folder of the program (the catalogues are
// there). It starts its own service and uses a settings store of its own.

#include "SettingsTestKit.h"

#include "playlists/Playlistwidget.h"
#include "settings/LanguageWidget.h"
#include "settings/NetworkWidget.h"
#include "settings/ParentWidget.h"
#include "settings/SettingsWidget.h"
#include "widgets/AlertFrame.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTextStream>

using namespace SettingsTestKit;

namespace {

bool save(QWidget *window, const QString &folder, const QString &name) {
    // Long enough for an alert's slide and fade to end.
    QTest::qWait(800);
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = window->grab().save(file);
    QTextStream(stdout) << (saved ? "wrote " : "failed ") << file << '\n';
    return saved;
}

void dismissAlert() {
    if (AlertFrame *overlay = appState().alertFrame) {
        if (auto *panel = overlay->findChild<QFrame *>(QStringLiteral("frame_top")))
            panel->hide();
        overlay->hide();
    }
}

void typeInto(QWidget *page, const char *name, const QString &text) {
    page->findChild<QLineEdit *>(QLatin1String(name))->setText(text);
}

void clickDone(QWidget *page) {
    QTest::mouseClick(page->findChild<QPushButton *>(QStringLiteral("pushButton_2")),
                      Qt::LeftButton);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: capture_settings_pages <folder> [en|ru]\n";
        return 2;
    }
    const QString folder = QDir(args.at(1)).absolutePath();
    const QString language = args.value(2, QStringLiteral("en"));
    QDir().mkpath(folder);
    const QString suffix = QStringLiteral("_") + language;

    quietEngine();
    ScopedSettings settings;
    DevServiceProcess service;
    if (!service.start()) {
        QTextStream(stderr) << service.errorString() << '\n';
        return 1;
    }
    const QString deviceKey = service.demoDeviceKey();
    const QString playlistName = QStringLiteral("Vantero TV");
    const int playlist = service.playlistId(deviceKey, playlistName);
    setDeviceOption(service, deviceKey, parentKey(), QStringLiteral("1111"));
    storeSignedIn(deviceKey, playlist, playlistName);
    appState().language = QStringLiteral("lang_") + language;
    appState().cacheSize = QStringLiteral("3000");

    QScopedPointer<MainWindow> window(openMainMode());
    if (!window) {
        QTextStream(stderr) << "the channel browser did not load\n";
        return 1;
    }
    QTest::qWait(500);
    bool ok = true;

    // The menu, with the always-on-top switch off and on.
    QScopedPointer<DialogMainSettings> dialog(openDialog(false, false));
    if (!dialog)
        return 1;
    dialog->stack()->setSpeed(0);
    ok &= save(dialog.data(), folder, QStringLiteral("menu") + suffix);
    appState().onTop = true;
    QScopedPointer<DialogMainSettings> onTop(openDialog(false, false));
    if (onTop) {
        auto *list = onTop->menuPage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
        list->setCurrentRow(3);
        ok &= save(onTop.data(), folder, QStringLiteral("menu_ontop") + suffix);
        onTop.reset();
    }
    appState().onTop = false;

    // The dialog's playlist pages.
    dialog->showPlaylistPage();
    auto *playlists =
        dialog->playlistPage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
    ok &= QTest::qWaitFor(
        [&] { return playlists->count() > 0 && !appState().alertFrame->isBusy(); }, 20000);
    ok &= save(dialog.data(), folder, QStringLiteral("playlist") + suffix);
    dialog->showDirectLink(true, QString());
    ok &= save(dialog.data(), folder, QStringLiteral("add_link") + suffix);

    // Language, with a row chosen.
    dialog->showLanguagePage();
    auto *languages =
        dialog->languagePage()->findChild<QListWidget *>(QStringLiteral("listWidget"));
    ok &= save(dialog.data(), folder, QStringLiteral("language") + suffix);
    QTest::mouseClick(
        languages->viewport(), Qt::LeftButton, {},
        languages->visualItemRect(languages->item(language == "en" ? 1 : 0)).center());
    ok &= save(dialog.data(), folder, QStringLiteral("language_clicked") + suffix);

    // The parental password page in its three modes, with an alert.
    ParentWidget *parent = dialog->parentPage();
    parent->setMode(ParentWidget::ChangeMode, false);
    dialog->showParentPage();
    ok &= save(dialog.data(), folder, QStringLiteral("parent_change") + suffix);
    typeInto(parent, "lineEdit_1", QStringLiteral("1111"));
    typeInto(parent, "lineEdit_2", QStringLiteral("2222"));
    typeInto(parent, "lineEdit_3", QStringLiteral("2223"));
    clickDone(parent);
    ok &= save(dialog.data(), folder, QStringLiteral("parent_mismatch") + suffix);
    dismissAlert();
    parent->setMode(ParentWidget::FirstMode, false);
    ok &= save(dialog.data(), folder, QStringLiteral("parent_first") + suffix);
    typeInto(parent, "lineEdit_1", QStringLiteral("2468"));
    typeInto(parent, "lineEdit_2", QStringLiteral("2468"));
    appState().alertFrame->setParent(dialog.data());
    appState().alertFrame->showBusy(parent);
    ok &= save(dialog.data(), folder, QStringLiteral("parent_busy") + suffix);
    appState().alertFrame->hideBusy();

    QScopedPointer<DialogMainSettings> unlock(openDialog(true, true));
    if (unlock) {
        unlock->stack()->setSpeed(0);
        ok &= save(unlock.data(), folder, QStringLiteral("parent_unlock") + suffix);
        unlock->showResetPage();
        ok &= save(unlock.data(), folder, QStringLiteral("parent_reset") + suffix);
        unlock.reset();
    }

    // Network caching, and its refusal.
    dialog->showNetworkPage();
    ok &= save(dialog.data(), folder, QStringLiteral("network") + suffix);
    typeInto(dialog->networkPage(), "lineEdit_ms", QStringLiteral("3 000"));
    clickDone(dialog->networkPage());
    ok &= save(dialog.data(), folder, QStringLiteral("network_refused") + suffix);
    dismissAlert();

    dialog->showProfilePage();
    ok &= save(dialog.data(), folder, QStringLiteral("profile") + suffix);

    dialog->showShortcutsPage();
    ok &= save(dialog.data(), folder, QStringLiteral("shortcuts") + suffix);

    dialog.reset();
    window.reset();
    VlcInstance::setExtraArguments({});
    return ok ? 0 : 1;
}
