#pragma once

#include <QScroller>

class QAbstractScrollArea;

// The flick-and-glide feel of the channel, group and programme lists: one
// set of scroller metrics, so that every list of the program glides alike.
// The gesture differs by list (touch only, or dragged with the mouse too).
namespace KineticScrolling {

void enable(QAbstractScrollArea *area, QScroller::ScrollerGestureType gesture);

} // namespace KineticScrolling
