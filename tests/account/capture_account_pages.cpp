// Renders the sign-up, country and SMS code pages at the window's size into
// PNG files, for looking at them: capture_account_pages <folder> [en|ru]
// Run it under xvfb-run (or QT_QPA_PLATFORM=offscreen) from the folder of
// the program, where the catalogues are. Talks to no service.

#include "account/CountryWidget.h"
#include "account/RegistryWidget.h"
#include "account/VerificationCodeWidget.h"
#include "app/AppState.h"
#include "app/Messages.h"
#include "widgets/AlertFrame.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QTextStream>
#include <QTranslator>
#include <QtTest>

namespace {

bool save(QWidget *page, const QString &folder, const QString &name) {
    page->resize(420, 580);
    page->show();
    if (!QTest::qWaitForWindowExposed(page))
        return false;
    QTest::qWait(50);
    const QString file = QDir(folder).filePath(name + QStringLiteral(".png"));
    const bool saved = page->grab().save(file);
    QTextStream(stdout) << (saved ? "wrote " : "failed ") << file << '\n';
    return saved;
}

void type(QWidget *page, const char *field, const QString &text) {
    page->findChild<QLineEdit *>(QLatin1String(field))->setText(text);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        QTextStream(stderr) << "usage: capture_account_pages <folder> [en|ru]\n";
        return 2;
    }
    const QString folder = args.at(1);
    const QString language = args.value(2, QStringLiteral("en"));
    QDir().mkpath(folder);

    QTranslator translator;
    if (!translator.load(QStringLiteral("lang_") + language, app.applicationDirPath())) {
        QTextStream(stderr) << "no catalogue lang_" << language << '\n';
        return 1;
    }
    app.installTranslator(&translator);
    const QString suffix = QLatin1Char('_') + language;
    bool ok = true;

    RegistryWidget fresh;
    ok &= save(&fresh, folder, QStringLiteral("signup_empty") + suffix);

    RegistryWidget filled;
    filled.setCountry(QStringLiteral("Russia"), QStringLiteral("+7"));
    type(&filled, "edit_phone", QStringLiteral("9161234567"));
    type(&filled, "edit_name", QStringLiteral("Anna"));
    type(&filled, "edit_password", QStringLiteral("secret"));
    type(&filled, "edit_confirm_password", QStringLiteral("secret"));
    ok &= save(&filled, folder, QStringLiteral("signup_filled") + suffix);

    // The alert over the page, after its slide-in has ended.
    auto *alert = new AlertFrame(&filled);
    appState().alertFrame = alert;
    alert->showAlert(&filled, msg("error"), msg("alert18"));
    QTest::qWait(700);
    ok &= save(&filled, folder, QStringLiteral("signup_alert") + suffix);

    CountryWidget countries;
    countries.resize(420, 580);
    countries.fill();
    countries.findChild<QListWidget *>(QStringLiteral("listWidget"))->setCurrentRow(2);
    ok &= save(&countries, folder, QStringLiteral("country") + suffix);

    VerificationCodeWidget code;
    code.setData(QStringLiteral("+79161234567"), QStringLiteral("secret"));
    ok &= save(&code, folder, QStringLiteral("code_empty") + suffix);
    type(&code, "edit_code", QStringLiteral("4821"));
    ok &= save(&code, folder, QStringLiteral("code_filled") + suffix);

    return ok ? 0 : 1;
}
