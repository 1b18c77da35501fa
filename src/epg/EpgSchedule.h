#pragma once

#include "epg/EpgProgramme.h"

#include <QDate>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QVector>

#include <memory>

class EpgStringPool;

// One guide's programmes, read once, kept compactly, for the questions
// asked of them: what is on now, and what is on which day.
//
// The service's programme list (a channel record's "epg" value) holds UTC
// texts that must be parsed, converted to local time and formatted before
// anything can be said about them. The schedule does the parsing once and
// keeps, per programme, its local start as epoch milliseconds, the local
// day it starts on, its length in seconds, and its title and description
// as indexes into a string pool that the schedules of one load share. The
// texts a caller sees are formatted when asked for: current() is a walk
// over integers and one result.
//
// current() is the one implementation of the current-programme rule:
// XmlUrl::currentProgramme() builds a schedule and asks it, so the channel
// list, the player's overlay and the guide can never disagree.
//
// The channel browser keeps one schedule per guide id for a load, shared by
// every channel with that id, and does not keep the raw "epg" value. Build
// the schedules in the time zone the program runs in: local days are fixed
// when the schedule is made.
class EpgSchedule {
public:
    EpgSchedule() = default;
    // Reads every element of epg taken as an array; anything else gives an
    // empty schedule.
    // The texts go into pool, or into a pool of the schedule's own when
    // none is given.
    explicit EpgSchedule(const QJsonValue &epg, std::shared_ptr<EpgStringPool> pool = {});
    // From programme records that are already in local time, in arrival
    // order (the records XmlUrl keeps).
    static EpgSchedule fromProgrammes(const QList<EpgProgramme> &programmes);

    // The programme running at `now`: the first in arrival order that starts
    // on now's local date, strictly before now, and ends strictly after it,
    // its end being the start plus the duration's hours and minutes. The
    // result holds "name", "text", "duration" and, under "start", the minutes
    // elapsed as decimal text; without one, the placeholders().
    EpgProgramme current(const QDateTime &now) const;

    // One object per local day, {"ddd d MMMM": [programmes by start]}, the
    // day named in the system locale; each programme holds "start" (local
    // "yyyy-MM-dd HH:mm:ss"), "duration", "name" and "text". Programmes
    // with equal starts come in reverse arrival order. The programmes are
    // sorted on the first call only.
    QJsonArray days() const;

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
        qint32 startDay = 0; // the local date's Julian day
        qint32 seconds = 0;  // the length, under a day
        qint32 name = 0;     // indexes into the pool
        qint32 text = 0;
    };

    void append(const QDateTime &start, int seconds, const QString &name, const QString &text);
    void appendEntry(qint64 startMs, qint32 startDay, int seconds, const QString &name,
                     const QString &text);
    QString startText(const Entry &entry) const;

    QVector<Entry> m_entries;
    std::shared_ptr<EpgStringPool> m_pool;
    // The entries' positions by start, made on the first days() call.
    mutable QVector<int> m_byStart;
    mutable bool m_sorted = false;
};
