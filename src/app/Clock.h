#pragma once

#include <QDateTime>

// The program's idea of "now" in local time. Programme arithmetic reads it
// here so that tests can fix the moment.
namespace Clock {

QDateTime now();

// Tests only: a fixed moment; an invalid date-time returns to the real clock.
void setNow(const QDateTime &moment);

} // namespace Clock
