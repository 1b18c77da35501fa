#pragma once

#include "epg/EpgProgramme.h"

#include <QDate>
#include <QDateTime>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVector>

// One channel's programmes, read once, for the question asked most often:
// what is on now.
//
// The service's programme list (a channel record's "epg" value) holds UTC
// texts that must be parsed, converted to local time and formatted before
// anything can be said about them. Doing that for every channel on every
// minute tick costs far too much with long channel lists and a week of
// programmes each, so the schedule does it once and keeps, per programme,
// its start and end as epoch milliseconds, the local date it starts on and
// the three texts a current-programme result needs. current() is then a
// walk over integers.
//
// current() is the one implementation of the current-programme rule:
// XmlUrl::currentProgramme() builds a schedule and asks it, so the channel
// list, the player's overlay and the guide can never disagree.
//
// How the channel browser should use it: keep one schedule per channel
// record, made in EpgDone from the "epg" value it has just stored (and
// dropped or rebuilt whenever that record's "epg" changes or the channel
// list is reloaded), and ask schedule.current(Clock::now()) for every row
// it builds, instead of handing the raw "epg" value to a fresh XmlUrl each
// minute. A channel without programme data has an empty schedule, which
// answers with the placeholders. Build the schedules in the time zone the
// program runs in: local dates and texts are fixed when the schedule is made.
class EpgSchedule {
public:
    EpgSchedule() = default;
    // Reads every element of epg taken as an array; anything else gives an
    // empty schedule.
    explicit EpgSchedule(const QJsonValue &epg);
    // From programme records that are already in local time, in arrival
    // order (the records XmlUrl keeps).
    static EpgSchedule fromProgrammes(const QList<EpgProgramme> &programmes);

    // The programme running at `now`: the first in arrival order that starts
    // on now's local date, strictly before now, and ends strictly after it,
    // its end being the start plus the duration's hours and minutes. The
    // result holds "name", "text", "duration" and, under "start", the minutes
    // elapsed as decimal text; without one, the placeholders().
    EpgProgramme current(const QDateTime &now) const;

    int size() const { return m_entries.size(); }
    bool isEmpty() const { return m_entries.isEmpty(); }

    // One raw programme of the service ("start" and "stop" in UTC as
    // "yyyy-MM-dd HH:mm:ss", "title", "desc") as a record in local time:
    // "start" as "yyyy-MM-dd HH:mm:ss", "duration" as "HH:MM:SS" wrapped at
    // 24 hours, "name" and "text".
    static EpgProgramme programmeFromRaw(const QJsonObject &raw);
    // "..." for the name and text, "00:00" for the duration and elapsed time.
    static EpgProgramme placeholders();

    // "yyyy-MM-dd HH:mm:ss" read as a date-time of the given kind; invalid
    // when the text has any other form.
    static QDateTime readTime(const QString &text, Qt::TimeSpec spec = Qt::LocalTime);
    static const QString timeFormat; // "yyyy-MM-dd HH:mm:ss"

private:
    struct Entry {
        qint64 startMs = 0;
        qint64 endMs = 0;
        QDate startDate;
        int minutes = 0; // the duration's hours and minutes
        QString name;
        QString text;
        QString duration;
    };

    void append(const EpgProgramme &programme);

    QVector<Entry> m_entries;
};
