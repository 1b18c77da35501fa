// Programme data as the service sends it: the "epg" value of a channel,
// any JSON, through the schedule, the current-programme rule and the
// grouping by day.
#include "epg/EpgSchedule.h"
#include "epg/XmlUrl.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QJsonDocument>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_programme_data";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    const QJsonValue epg =
        document.isArray() ? QJsonValue(document.array()) : QJsonValue(document.object());

    const EpgSchedule schedule(epg);
    const QDateTime noon(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
    schedule.current(noon);
    schedule.current(QDateTime());

    XmlUrl reader;
    reader.currentProgramme(epg);
    XmlUrl days;
    days.programmesByDay(epg);
    return 0;
}
