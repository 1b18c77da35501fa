#pragma once

#include <QColor>

class QPainter;

// The look of one kind of progress bar: track colour, bar colour, line width.
struct ProgressBarStyle {
    QColor track;
    QColor bar;
    int width = 4;
};

// Paints a horizontal progress bar along y from x0 to x1: the whole track
// first, then from x0 a bar of elapsed × ((x1 − x0) ÷ duration) pixels, the
// scale in whole pixels per unit (integer division). Lines are solid with
// square caps and bevel joins.
//
// Shared by every list and overlay that shows how far the current programme
// has run. The awkward cases are settled here once: with a duration that is
// not positive (unknown or under one unit) only the track is drawn; an
// elapsed value beyond the duration fills the track and goes no further;
// a bar of no length and a track of no length are not drawn at all (a
// square cap would otherwise leave a dot).
void paintProgressBar(QPainter *painter, int x0, int x1, int y, int elapsed, int duration,
                      const ProgressBarStyle &style);
