#include "widgets/AlertFrame.h"

#include "ui_AlertFrame.h"
#include "widgets/QProgressIndicator.h"

#include <QDebug>
#include <QGraphicsOpacityEffect>
#include <QMouseEvent>
#include <QPropertyAnimation>

namespace {
constexpr int slideDuration = 500;
constexpr int fadeDuration = 500;
constexpr int indicatorSide = 50;
// Messages from this length on get the smaller font so that they fit the panel.
constexpr int longMessageLength = 101;
constexpr int shortMessagePointSize = 16;
constexpr int longMessagePointSize = 12;
} // namespace

AlertFrame::AlertFrame(QWidget *parent)
    : QFrame(parent)
    , ui(new Ui::AlertFrame) {
    ui->setupUi(this);
    m_indicator = new QProgressIndicator(this);
    if (parent) {
        const QRect area(0, 0, parent->width(), parent->height());
        setGeometry(area);
        ui->frame->setGeometry(area);
    }
    ui->frame_top->hide();
    hide();
}

AlertFrame::~AlertFrame() = default;

void AlertFrame::showBusy(QWidget *page) {
    showBusy(page, page ? page->rect() : QRect());
}

void AlertFrame::showBusy(QWidget *page, const QRect &area) {
    if (!page) {
        qDebug() << "AlertFrame::showBusy without a page";
        return;
    }
    // The overlay goes where the work is: left in a page that has since
    // been hidden, its spinner (and a later alert) would never be seen.
    if (parentWidget() != page)
        setParent(page);
    setGeometry(area);
    ui->frame->setGeometry(QRect(QPoint(0, 0), area.size()));
    m_busy = true;

    fade(0.01, 1.0, 0);
    setVisible(true);
    m_indicator->setGeometry(width() / 2 - indicatorSide / 2, height() / 2 - indicatorSide / 2,
                             indicatorSide, indicatorSide);
    m_indicator->startAnimation();
    m_indicator->setColor(QColor(255, 255, 255, 255));
    m_indicator->show();
    raise();
    show();
}

void AlertFrame::hideBusy() {
    m_indicator->stopAnimation();
    m_indicator->hide();
    m_busy = false;
    // An alert on show stays until it is clicked away: the end of a busy
    // state must not take the only word about a failure with it.
    if (!ui->frame_top->isVisibleTo(this))
        hide();
}

void AlertFrame::showAlert(QWidget *parent, const QString &title, const QString &message) {
    if (!parent) {
        qDebug() << "AlertFrame::showAlert without a parent:" << title << message;
        return;
    }
    const QRect area(0, 0, parent->width(), parent->height());
    if (parentWidget() != parent)
        setParent(parent);
    setGeometry(area);
    // The dimming layer belongs under the whole overlay, whatever size the
    // last busy page had.
    ui->frame->setGeometry(area);

    QFont font = ui->label_error->font();
    font.setPointSize(message.size() < longMessageLength ? shortMessagePointSize
                                                         : longMessagePointSize);
    ui->label_error->setFont(font);

    hideBusy();
    m_dismissing = false;
    ui->label_title->setText(title);
    ui->label_error->setText(message);

    fade(0.01, 1.0, fadeDuration);
    setVisible(true);
    raise();
    show();
    ui->frame_top->show();

    const int h = ui->frame_top->height();
    ui->frame_top->setGeometry(0, -h, ui->frame_top->width(), h);
    slidePanel(QPoint(0, -h), QPoint(0, 0));
}

void AlertFrame::mousePressEvent(QMouseEvent *event) {
    // Accepted either way: a click on the overlay never reaches the page.
    event->accept();
    if (m_busy)
        return;

    m_dismissing = true;
    fade(1.0, 0.0, fadeDuration);
    setVisible(true);
    QPropertyAnimation *slide =
        slidePanel(ui->frame_top->pos(), QPoint(0, -ui->frame_top->height()));
    connect(slide, &QPropertyAnimation::finished, this, &AlertFrame::animationDoneSlot);
}

bool AlertFrame::isShowingAlert(const QString &title, const QString &message) const {
    return isVisible() && ui->frame_top->isVisibleTo(this) && !m_dismissing &&
           ui->label_title->text() == title && ui->label_error->text() == message;
}

void AlertFrame::animationDoneSlot() {
    ui->frame_top->hide();
    // A busy state begun while the panel was leaving keeps its layer.
    if (!m_busy)
        hide();
}

void AlertFrame::fade(qreal from, qreal to, int duration) {
    // A fresh effect each time: installing it drops the previous one and
    // with it any fade still running on it.
    auto *effect = new QGraphicsOpacityEffect(this);
    effect->setOpacity(from);
    setGraphicsEffect(effect);
    auto *animation = new QPropertyAnimation(effect, "opacity", effect);
    animation->setDuration(duration);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setEasingCurve(QEasingCurve::InOutQuad);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

QPropertyAnimation *AlertFrame::slidePanel(const QPoint &from, const QPoint &to) {
    // Starting it stops any slide still running on the panel without that
    // one reporting an end, so a superseded dismissal never hides a new alert.
    auto *slide = new QPropertyAnimation(ui->frame_top, "pos", this);
    slide->setDuration(slideDuration);
    slide->setStartValue(from);
    slide->setEndValue(to);
    slide->start(QAbstractAnimation::DeleteWhenStopped);
    return slide;
}
