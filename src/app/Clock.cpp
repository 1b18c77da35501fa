#include "app/Clock.h"

namespace Clock {

namespace {
QDateTime &fixedMoment() {
    static QDateTime moment;
    return moment;
}
} // namespace

QDateTime now() {
    const QDateTime &moment = fixedMoment();
    return moment.isValid() ? moment.toLocalTime() : QDateTime::currentDateTime();
}

void setNow(const QDateTime &moment) {
    fixedMoment() = moment;
}

} // namespace Clock
