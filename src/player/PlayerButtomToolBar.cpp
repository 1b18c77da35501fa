#include "player/PlayerButtomToolBar.h"

#include "app/AppState.h"
#include "app/PageFlow.h"
#include "app/SettingsKeys.h"
#include "channels/HomeWidget.h"
#include "player/PlayerWidget.h"
#include "ui_PlayerButtomToolBar.h"

#include <QPainter>
#include <QSettings>
#include <QSlider>
#include <QStyleOption>

namespace {
const QString playStyle = QStringLiteral(
    "QPushButton{border-image: url(:/play);}QPushButton:pressed{border: 2px "
    "rgb(75,75,75);}QPushButton:hover{border-radius: 18px;background: qlineargradient(x1 : 0, "
    "y1 : 0, x2 : 0, y2 :   1, stop :   0.0 #6288a6,stop :   0.5 #8dcbd9, stop :   0.55 "
    "#8dcbd9, stop :   1.0 #6288a6);}");
const QString pauseStyle = QStringLiteral(
    "QPushButton{border-image: url(:/pause);}QPushButton:pressed{border: 2px "
    "rgb(75,75,75);}QPushButton:hover{border-radius: 18px;background: qlineargradient(x1 : 0, "
    "y1 : 0, x2 : 0, y2 :   1, stop :   0.0 #6288a6,stop :   0.5 #8dcbd9, stop :   0.55 "
    "#8dcbd9, stop :   1.0 #6288a6);}");
const QString mutedStyle = QStringLiteral(
    "QPushButton{border-image: url(:/mute);}QPushButton:pressed{border: 2px "
    "rgb(75,75,75);}QPushButton:hover{border-radius: 13px;background: qlineargradient(x1 : 0, "
    "y1 : 0, x2 : 0, y2 :   1, stop :   0.0 #6288a6,stop :   0.5 #8dcbd9, stop :   0.55 "
    "#8dcbd9, stop :   1.0 #6288a6);}");
const QString unmutedStyle = QStringLiteral(
    "QPushButton {border-image: url(:/volume);}QPushButton:pressed{border: 2px "
    "rgb(75,75,75);}QPushButton:hover{border-radius: 13px;background: qlineargradient(x1 : 0, "
    "y1 : 0, x2 : 0, y2 :   1, stop :   0.0 #6288a6,stop :   0.5 #8dcbd9, stop :   0.55 "
    "#8dcbd9, stop :   1.0 #6288a6);}");
constexpr int defaultVolume = 50;

void storeInfo(const char *key, int value) {
    QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
    settings.beginGroup(SettingsKeys::groupInfo);
    settings.setValue(key, value);
    settings.endGroup();
}
} // namespace

PlayerButtomToolBar::PlayerButtomToolBar(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PlayerButtomToolBar) {
    ui->setupUi(this);

    int volume = 0;
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        volume = settings.value(SettingsKeys::volume, 0).toInt();
        muted = settings.value(SettingsKeys::mute, 0).toInt();
        settings.endGroup();
    }
    PlayerWidget *target = player();
    if (muted == 1) {
        // A new engine starts unmuted: one toggle mutes it.
        if (target)
            target->toggleMute();
        showMuteIcon(true);
    }
    if (volume == 0)
        volume = defaultVolume;
    ui->volume_slide->setValue(volume);
    if (target)
        target->setVolume(volume);
    ui->label_speed->hide();
    // Dragging reports every step through sliderMoved; the wheel, a click on
    // the groove and the keys move the value without it.
    connect(ui->volume_slide, &QSlider::valueChanged, this, &PlayerButtomToolBar::applyVolume);
}

PlayerButtomToolBar::~PlayerButtomToolBar() = default;

PlayerWidget *PlayerButtomToolBar::player() {
    HomeWidget *home = homePage();
    return home ? home->player() : nullptr;
}

void PlayerButtomToolBar::showPlayIcon() {
    if (ui->play_button->styleSheet() != playStyle)
        ui->play_button->setStyleSheet(playStyle);
}

void PlayerButtomToolBar::showPauseIcon() {
    if (ui->play_button->styleSheet() != pauseStyle)
        ui->play_button->setStyleSheet(pauseStyle);
}

void PlayerButtomToolBar::showMuteIcon(bool mute) {
    ui->volume_button->setStyleSheet(mute ? mutedStyle : unmutedStyle);
}

void PlayerButtomToolBar::on_fullscreen_button_clicked() {
    if (PageFlow *window = appState().pageFlow())
        window->fitFullScreen();
    else if (HomeWidget *home = homePage())
        home->toggleFullScreen();
}

void PlayerButtomToolBar::on_filscren_button_clicked() {
    if (PlayerWidget *target = player())
        target->cycleAspectRatio();
}

void PlayerButtomToolBar::on_volume_slide_sliderMoved(int position) {
    applyVolume(position);
}

void PlayerButtomToolBar::applyVolume(int volume) {
    if (PlayerWidget *target = player())
        target->setVolume(volume);
    storeInfo(SettingsKeys::volume, volume);
}

void PlayerButtomToolBar::stepVolume(int step) {
    // The slider stores the value through applyVolume, as a drag does.
    ui->volume_slide->setValue(ui->volume_slide->value() + step);
}

int PlayerButtomToolBar::volume() const {
    return ui->volume_slide->value();
}

void PlayerButtomToolBar::on_volume_button_clicked() {
    if (PlayerWidget *target = player())
        target->toggleMute();
    if (muted != 0) {
        storeInfo(SettingsKeys::mute, 0);
        showMuteIcon(false);
        muted = 0;
    } else {
        storeInfo(SettingsKeys::mute, 1);
        showMuteIcon(true);
        muted = 1;
    }
}

void PlayerButtomToolBar::on_play_button_clicked() {
    PlayerWidget *target = player();
    if (!target)
        return;
    if (target->isPlaying()) {
        // The play icon comes when the engine reports the pause; a stream
        // that cannot pause goes on playing and keeps the pause icon.
        if (target->canPause())
            target->pausePlayback();
        else
            showPauseIcon();
    } else {
        showPauseIcon();
        target->resume();
    }
}

void PlayerButtomToolBar::on_fullscreen_button_4_clicked() {
    if (HomeWidget *home = homePage())
        home->playNext();
}

void PlayerButtomToolBar::on_fullscreen_button_3_clicked() {
    if (HomeWidget *home = homePage())
        home->playPrevious();
}

void PlayerButtomToolBar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    QFrame *bar = ui->frame_bar;
    bar->move((width() - bar->width()) / 2, (height() - bar->height()) / 2);
}

void PlayerButtomToolBar::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
