#pragma once

#include <QMap>
#include <QString>

// One programme as text: "start" (local, "yyyy-MM-dd HH:mm:ss"),
// "duration" ("HH:MM:SS"), "name" and "text". The current-programme result
// uses the same keys, with "start" holding the minutes elapsed.
using EpgProgramme = QMap<QString, QString>;
