#include "widgets/ProgressBarPainter.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

void paintProgressBar(QPainter *painter, int x0, int x1, int y, int elapsed, int duration,
                      const ProgressBarStyle &style) {
    const int length = x1 - x0;
    if (!painter || length <= 0)
        return;
    painter->save();
    painter->setPen(QPen(style.track, style.width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
    painter->drawLine(x0, y, x1, y);
    if (duration > 0) {
        const int scale = length / duration;
        // Clamped before multiplying, so no value of elapsed can overflow.
        const int bar = std::clamp(elapsed, 0, duration) * scale;
        if (bar > 0) {
            painter->setPen(
                QPen(style.bar, style.width, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
            painter->drawLine(x0, y, x0 + bar, y);
        }
    }
    painter->restore();
}
