#include "settings/NetworkWidget.h"

#include "ui_NetworkWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/SettingsKeys.h"
#include "channels/HomeWidget.h"
#include "player/PlayerWidget.h"
#include "settings/DialogMainSettings.h"
#include "widgets/SharedOverlay.h"

#include <QPainter>
#include <QSettings>
#include <QStyleOption>

NetworkWidget::NetworkWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::NetworkWidget) {
    ui->setupUi(this);
    ui->lineEdit_ms->setAttribute(Qt::WA_MacShowFocusRect, false);
    const QString cacheSize = appState().cacheSize;
    if (!cacheSize.isEmpty())
        ui->lineEdit_ms->setText(cacheSize);
    ui->label_title->setText(msg("network"));
    ui->l_caching->setText(msg("caching"));
    ui->l_cache_size->setText(msg("cachesize"));
}

NetworkWidget::~NetworkWidget() = default;

bool NetworkWidget::isAcceptedCacheSize(const QString &text) {
    // A failed conversion gives 0 as well.
    return text.toInt(nullptr, 10) != 0;
}

void NetworkWidget::on_pushButton_back_clicked() {
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->showMenu();
}

void NetworkWidget::on_pushButton_2_clicked() {
    const QString text = ui->lineEdit_ms->text();
    if (!isAcceptedCacheSize(text)) {
        SharedOverlay::showError(this, msg("alert1"));
        return;
    }

    AppState &state = appState();
    {
        QSettings settings(SettingsKeys::organisation, SettingsKeys::application);
        settings.beginGroup(SettingsKeys::groupInfo);
        settings.setValue(SettingsKeys::cacheSize, text);
        settings.endGroup();
    }
    state.cacheSize = text;
    if (DialogMainSettings *dialog = DialogMainSettings::of(this))
        dialog->close();
    HomeWidget *home = homePage();
    if (PlayerWidget *player = home ? home->player() : nullptr)
        player->rebuildEngine();
}

void NetworkWidget::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
}
