#include "player/PlayerEpg.h"

#include "channels/HomeWidget.h"
#include "widgets/ProgressBarPainter.h"

#include "ui_PlayerEpg.h"

#include <QImage>
#include <QPainter>
#include <QStyleOption>
#include <QTime>
#include <QTimerEvent>

namespace {

constexpr int refreshInterval = 60000;
const ProgressBarStyle overlayProgress{QColor(128, 128, 128), QColor(0, 0, 255), 6};

} // namespace

PlayerEpg::PlayerEpg(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::PlayerEpg) {
    ui->setupUi(this);
    refreshTimerId = startTimer(refreshInterval, Qt::CoarseTimer);
}

PlayerEpg::~PlayerEpg() = default;

void PlayerEpg::setChannel(const QJsonObject &channel) {
    this->channel = channel;
    const EpgProgramme programme = HomeWidget::programmeNow(channel);
    elapsed = programme.value(QStringLiteral("start"));
    duration = programme.value(QStringLiteral("duration"));
    logoPath = channel.value(QLatin1String("pict")).toString();
    ui->epg_name_lable->setText(programme.value(QStringLiteral("name")));
    ui->epg_text_lable->setText(programme.value(QStringLiteral("text")));

    const int e = elapsed.toInt();
    ui->start_lable->setText(QString::asprintf("%02d:%02d", e / 60, e % 60));
    ui->duration_lable->setText(duration.left(5));
    update();
}

void PlayerEpg::setSource(std::function<QJsonObject()> source) {
    m_source = std::move(source);
}

void PlayerEpg::timerEvent(QTimerEvent *event) {
    if (event->timerId() != refreshTimerId)
        return;
    refresh();
}

void PlayerEpg::refresh() {
    // The programme changes and its time runs on while the channel plays;
    // programme data or a logo may also have come in since.
    setChannel(m_source ? m_source() : QJsonObject(channel));
}

void PlayerEpg::paintEvent(QPaintEvent *) {
    QStyleOption option;
    option.initFrom(this);
    QPainter painter(this);
    style()->drawPrimitive(QStyle::PE_Widget, &option, &painter, this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);

    // The logo, 80 pixels wide and centred vertically.
    QImage logo;
    if (logoPath.isEmpty() || !logo.load(logoPath))
        logo.load(QStringLiteral(":/tv_icon"));
    if (!logo.isNull()) {
        const int w = logo.width() == 0 ? 1 : logo.width();
        const int s = 80 * logo.height() / w;
        painter.drawImage(QRect(10, height() / 2 - s / 2, 80, s), logo);
    }

    // How far the programme has run, in whole pixels per minute. A
    // duration that does not read as HH:mm:ss ("00:00" when nothing runs
    // now) leaves the track without a bar.
    const QRect start = ui->start_lable->geometry();
    const QRect length = ui->duration_lable->geometry();
    const QTime time = QTime::fromString(duration, QStringLiteral("HH:mm:ss"));
    const int minutes = time.isValid() ? time.hour() * 60 + time.minute() : 0;
    paintProgressBar(&painter, start.right() + 5, length.left() - 5, start.bottom() - 7,
                     elapsed.toInt(), minutes, overlayProgress);
}

void PlayerEpg::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    const int w = width();
    QLabel *length = ui->duration_lable;
    length->move(w - 5 - length->width(), length->y());
    for (QLabel *label : {ui->epg_name_lable, ui->epg_text_lable})
        label->resize(w - label->x(), label->height());
}
