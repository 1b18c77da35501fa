#include "widgets/KineticScrolling.h"

#include <QAbstractScrollArea>
#include <QScrollerProperties>

namespace KineticScrolling {

void enable(QAbstractScrollArea *area, QScroller::ScrollerGestureType gesture) {
    QScroller::grabGesture(area, gesture);
    QScroller *scroller = QScroller::scroller(area);
    QScrollerProperties properties = scroller->scrollerProperties();
    properties.setScrollMetric(QScrollerProperties::DragVelocitySmoothingFactor, 0.6);
    properties.setScrollMetric(QScrollerProperties::MinimumVelocity, 0.0);
    properties.setScrollMetric(QScrollerProperties::MaximumVelocity, 0.5);
    properties.setScrollMetric(QScrollerProperties::MaximumClickThroughVelocity, 0.0);
    properties.setScrollMetric(QScrollerProperties::AcceleratingFlickMaximumTime, 0.4);
    properties.setScrollMetric(QScrollerProperties::AcceleratingFlickSpeedupFactor, 1.2);
    properties.setScrollMetric(QScrollerProperties::SnapPositionRatio, 0.2);
    properties.setScrollMetric(QScrollerProperties::DragStartDistance, 0.001);
    properties.setScrollMetric(QScrollerProperties::MousePressEventDelay, 0.5);
    scroller->setScrollerProperties(properties);
}

} // namespace KineticScrolling
