#include "widgets/QProgressIndicator.h"

#include <QPainter>
#include <QTimerEvent>

namespace {
constexpr int spokeCount = 12;
constexpr int degreesPerSpoke = 360 / spokeCount;
} // namespace

QProgressIndicator::SpokeGeometry QProgressIndicator::spokeGeometry(int side) {
    // Every value is truncated on its own; the inner radius comes from the
    // untruncated half so that small spinners keep visible spokes.
    const double half = (side - 1) * 0.5;
    SpokeGeometry g;
    g.outerRadius = static_cast<int>(half);
    g.innerRadius = static_cast<int>(half * 0.38);
    g.length = g.outerRadius - g.innerRadius;
    g.width = static_cast<int>(side > 32 ? g.length * 0.23 : g.length * 0.35);
    g.cornerRadius = g.width / 2;
    return g;
}

QProgressIndicator::QProgressIndicator(QWidget *parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
}

QSize QProgressIndicator::sizeHint() const {
    return QSize(20, 20);
}

int QProgressIndicator::heightForWidth(int w) const {
    return w;
}

void QProgressIndicator::startAnimation() {
    m_angle = 0;
    if (m_timerId == -1)
        m_timerId = startTimer(m_delay, Qt::CoarseTimer);
}

void QProgressIndicator::stopAnimation() {
    if (m_timerId != -1)
        killTimer(m_timerId);
    m_timerId = -1;
    update();
}

void QProgressIndicator::setAnimationDelay(int delay) {
    if (m_timerId != -1) {
        killTimer(m_timerId);
        m_delay = delay;
        m_timerId = startTimer(m_delay, Qt::CoarseTimer);
    } else {
        m_delay = delay;
    }
}

void QProgressIndicator::setDisplayedWhenStopped(bool state) {
    m_displayedWhenStopped = state;
    update();
}

void QProgressIndicator::setColor(const QColor &color) {
    m_color = color;
    update();
}

void QProgressIndicator::timerEvent(QTimerEvent *event) {
    if (event->timerId() != m_timerId) {
        QWidget::timerEvent(event);
        return;
    }
    m_angle = (m_angle + degreesPerSpoke) % 360;
    update();
}

void QProgressIndicator::paintEvent(QPaintEvent *) {
    if (!m_displayedWhenStopped && !isSpinning())
        return;

    const int side = qMin(width(), height());
    const SpokeGeometry g = spokeGeometry(side);

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);

    const int left = -static_cast<int>(g.width * 0.5);
    for (int i = 0; i < spokeCount; ++i) {
        // The leading spoke is opaque and each one behind it fades by a
        // twelfth, so the bright end shows the direction of turn.
        QColor spoke = m_color;
        spoke.setAlphaF(1.0 - i / double(spokeCount));
        p.setBrush(spoke);
        p.save();
        p.translate(rect().center());
        p.rotate(m_angle - degreesPerSpoke * i);
        p.drawRoundedRect(left, -g.outerRadius, g.width, g.length, g.cornerRadius, g.cornerRadius);
        p.restore();
    }
}
