#include "account/ProfileWidget.h"

#include "ui_ProfileWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SettingsKeys.h"
#include "settings/DialogMainSettings.h"
#include "widgets/MessageBox.h"

#include <QPainter>
#include <QSettings>
#include <QStyleOption>

ProfileWidget::ProfileWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::ProfileWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("profile"));
    ui->pushButton_signout->setText(msg("signout"));
    const AppState &state = appState();
    ui->label_email->setText(state.userName);
    ui->label_playlist->setText(state.playlistName);
    ui->label_device->setText(state.deviceName);
}

ProfileWidget::~ProfileWidget() = default;

void ProfileWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}

void ProfileWidget::on_pushButton_back_clicked() {
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->showMenu();
}

void ProfileWidget::on_pushButton_signout_clicked() {
    const QMessageBox::StandardButton answer =
        MessageBox::question(this, msg("signout"), msg("alert10"),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes)
        return;

    // The password stays, in memory and stored: only who is signed in, on
    // which device and playlist, is forgotten.
    AppState &state = appState();
    state.playlistId = 0;
    state.playlistName.clear();
    state.deviceKey.clear();
    state.deviceName.clear();
    state.userName.clear();
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        settings.setValue(SettingsKeys::playlistId, 0);
        settings.setValue(SettingsKeys::playlistName, QString());
        settings.setValue(SettingsKeys::userName, QString());
        settings.endGroup();
    }
    state.dialogCreated = false;
    state.plainNameSignIn = false;

    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->close();
    if (PageFlow *window = state.pageFlow()) {
        window->clearSignInPassword();
        window->returnToSignIn();
    }
}
