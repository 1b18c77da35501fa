#include "update/VersionInfoDialog.h"

#include "ui_VersionInfoDialog.h"

#include "app/AppState.h"

VersionInfoDialog::VersionInfoDialog(QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::VersionInfoDialog) {
    ui->setupUi(this);
    if (appState().onTop)
        setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::X11BypassWindowManagerHint);
    ui->label_version->setText(QStringLiteral("New Version ") +
                               QCoreApplication::applicationVersion());
    ui->textBrowser->setText(changeNotes(appState().language));
}

VersionInfoDialog::~VersionInfoDialog() = default;

QString VersionInfoDialog::changeNotes(const QString &language) {
    if (language == QLatin1String("lang_en"))
        return QStringLiteral("- Minor bug fixes\n- General improvements");
    return QString::fromUtf8("- Исправление ошибок\n- Общие улучшения");
}

void VersionInfoDialog::on_pushButton_clicked() {
    close();
}
