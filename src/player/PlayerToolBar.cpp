#include "player/PlayerToolBar.h"

#include "app/AppFont.h"
#include "app/AppState.h"
#include "app/Messages.h"
#include "channels/HomeWidget.h"
#include "player/TrackMenu.h"
#include "settings/DialogMainSettings.h"
#include "ui_PlayerToolBar.h"

#include <QPainter>
#include <QStyleOption>

namespace {
const QString guideShownStyle = QStringLiteral(
    "QPushButton{text-align: left;background-color:transparent;color: rgb(255, 255, "
    "255);}QPushButton:pressed{color: rgb(75, 75, 75);}QPushButton:hover{color: rgb(75, 75, "
    "75);}");
const QString guideHiddenStyle = QStringLiteral(
    "QPushButton{text-align: left;background-color:transparent;color: rgb(75, 75, "
    "75);}QPushButton:pressed{color: rgb(255, 255, 255);}QPushButton:hover{color: rgb(255, 255, "
    "255);}");
constexpr int titlePointSize = 20;
constexpr int settingsRightMargin = 5;
} // namespace

PlayerToolBar::PlayerToolBar(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PlayerToolBar) {
    ui->setupUi(this);
    ui->label_title->setFont(QFont(applicationFontFamily(), titlePointSize, QFont::Normal));
    // Beside the guide button; the channel browser makes its player first.
    m_tracks = new TrackMenu(this);
    m_tracks->setGeometry(ui->epg_button->geometry().right() + 10, ui->epg_button->y(), 140,
                          ui->epg_button->height());
    if (HomeWidget *home = homePage())
        m_tracks->setPlayer(home->player());
    retranslate();
}

PlayerToolBar::~PlayerToolBar() = default;

void PlayerToolBar::retranslate() {
    ui->settings_button->setText(msg("settings"));
    m_tracks->retranslate();
}

void PlayerToolBar::on_settings_button_clicked() {
    // Opens at the menu page; a new dialog for every opening.
    auto *dialog = new DialogMainSettings(nullptr, false, false);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    dialog->show();
}

void PlayerToolBar::on_epg_button_clicked() {
    toggleGuide();
}

void PlayerToolBar::toggleGuide() {
    if (epgShown) {
        ui->epg_button->setStyleSheet(guideHiddenStyle);
        epgShown = false;
    } else {
        ui->epg_button->setStyleSheet(guideShownStyle);
        epgShown = true;
    }
    if (HomeWidget *home = homePage())
        home->toggleEpgPanel();
}

void PlayerToolBar::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    QPushButton *settings = ui->settings_button;
    settings->move(width() - settings->width() - settingsRightMargin, settings->y());
    QLabel *title = ui->label_title;
    title->move((width() - title->width()) / 2, (height() - title->height()) / 2);
}

void PlayerToolBar::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
