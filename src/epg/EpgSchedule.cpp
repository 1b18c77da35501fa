#include "epg/EpgSchedule.h"

#include "epg/EpgStringPool.h"

#include <QJsonArray>
#include <QLocale>
#include <QTime>

#include <algorithm>

const QString EpgSchedule::timeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

namespace {

constexpr qint64 msecsPerDay = 24 * 3600 * 1000;

// Reads the digits text[from, from + count); -1 when one is not a digit.
int digits(const QString &text, int from, int count) {
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value;
}

// "yyyy-MM-dd HH:mm:ss" as date and time. Hand-made rather than
// QDateTime::fromString, which costs microseconds per call: a channel list
// brings a week of programmes for every channel.
bool splitTime(const QString &text, QDate *date, QTime *time) {
    if (text.size() != 19 || text.at(4) != QLatin1Char('-') || text.at(7) != QLatin1Char('-') ||
        text.at(10) != QLatin1Char(' ') || text.at(13) != QLatin1Char(':') ||
        text.at(16) != QLatin1Char(':'))
        return false;
    const int year = digits(text, 0, 4);
    const int month = digits(text, 5, 2);
    const int day = digits(text, 8, 2);
    const int hour = digits(text, 11, 2);
    const int minute = digits(text, 14, 2);
    const int second = digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return false;
    *date = QDate(year, month, day);
    *time = QTime(hour, minute, second);
    return date->isValid() && time->isValid();
}

// "HH:mm:ss" as a time of day.
QTime readClock(const QString &text) {
    if (text.size() != 8 || text.at(2) != QLatin1Char(':') || text.at(5) != QLatin1Char(':'))
        return QTime();
    const int hour = digits(text, 0, 2);
    const int minute = digits(text, 3, 2);
    const int second = digits(text, 6, 2);
    if (hour < 0 || minute < 0 || second < 0)
        return QTime();
    return QTime(hour, minute, second);
}

// Two decimal digits of value at out, for the formats below: by hand,
// as QString::asprintf costs a microsecond a call.
void putTwo(QChar *out, int value) {
    out[0] = QLatin1Char(char('0' + value / 10 % 10));
    out[1] = QLatin1Char(char('0' + value % 10));
}

// "yyyy-MM-dd HH:mm:ss", empty for an invalid date-time or a year that
// does not have four digits (which no reader would take back).
QString formatTime(const QDateTime &moment) {
    if (!moment.isValid())
        return QString();
    const QDate date = moment.date();
    const QTime time = moment.time();
    if (date.year() < 1 || date.year() > 9999)
        return QString();
    QString text(19, QLatin1Char('-'));
    QChar *out = text.data();
    putTwo(out, date.year() / 100);
    putTwo(out + 2, date.year() % 100);
    putTwo(out + 5, date.month());
    putTwo(out + 8, date.day());
    out[10] = QLatin1Char(' ');
    putTwo(out + 11, time.hour());
    out[13] = QLatin1Char(':');
    putTwo(out + 14, time.minute());
    out[16] = QLatin1Char(':');
    putTwo(out + 17, time.second());
    return text;
}

// "HH:MM:SS" of a number of seconds under a day.
QString formatClock(int seconds) {
    QString text(8, QLatin1Char(':'));
    QChar *out = text.data();
    putTwo(out, seconds / 3600);
    putTwo(out + 3, seconds / 60 % 60);
    putTwo(out + 6, seconds % 60);
    return text;
}

// The local wall time of a UTC start read back as local, as a reader of the
// local text would: an hour the clock repeats in autumn resolves the same
// way everywhere. Unusable beyond four-digit years.
EpgStringPool::LocalStart readLocalStart(const QDateTime &utcStart) {
    EpgStringPool::LocalStart start;
    const QDateTime local = utcStart.toLocalTime();
    if (local.date().year() < 1 || local.date().year() > 9999)
        return start;
    const QDateTime wall(local.date(), local.time(), Qt::LocalTime);
    if (!wall.isValid())
        return start;
    start.ms = wall.toMSecsSinceEpoch();
    start.day = qint32(wall.date().toJulianDay());
    start.usable = true;
    return start;
}

} // namespace

EpgSchedule::EpgSchedule(const QJsonValue &epg, std::shared_ptr<EpgStringPool> pool)
    : m_pool(pool ? std::move(pool) : std::make_shared<EpgStringPool>()) {
    const QJsonArray raw = epg.toArray();
    m_entries.reserve(raw.size());
    const QString startKey = QStringLiteral("start");
    const QString stopKey = QStringLiteral("stop");
    const QString titleKey = QStringLiteral("title");
    const QString descKey = QStringLiteral("desc");
    for (const QJsonValue &element : raw) {
        // The same reading as programmeFromRaw(), without the texts between.
        const QJsonObject programme = element.toObject();
        const QDateTime start = readTime(programme.value(startKey).toString(), Qt::UTC);
        const QDateTime stop = readTime(programme.value(stopKey).toString(), Qt::UTC);
        if (!start.isValid())
            continue;
        const qint64 span = stop.isValid() ? start.msecsTo(stop) : 0;
        const qint64 wrapped = (span % msecsPerDay + msecsPerDay) % msecsPerDay;
        const qint64 utcMs = start.toMSecsSinceEpoch();
        EpgStringPool::LocalStart local;
        if (const EpgStringPool::LocalStart *known = m_pool->localStart(utcMs)) {
            local = *known;
        } else {
            local = readLocalStart(start);
            m_pool->addLocalStart(utcMs, local);
        }
        if (!local.usable)
            continue;
        appendEntry(local.ms, local.day, int(wrapped / 1000), programme.value(titleKey).toString(),
                    programme.value(descKey).toString());
    }
    m_entries.squeeze();
}

EpgSchedule EpgSchedule::fromProgrammes(const QList<EpgProgramme> &programmes) {
    EpgSchedule schedule;
    schedule.m_pool = std::make_shared<EpgStringPool>();
    schedule.m_entries.reserve(programmes.size());
    for (const EpgProgramme &programme : programmes) {
        const QDateTime start = readTime(programme.value(QStringLiteral("start")));
        const QTime length = readClock(programme.value(QStringLiteral("duration")));
        // Without a start, or with an unreadable length (which would put
        // the end before the start), a programme is on at no time.
        if (!start.isValid() || !length.isValid())
            continue;
        schedule.append(start, length.msecsSinceStartOfDay() / 1000,
                        programme.value(QStringLiteral("name")),
                        programme.value(QStringLiteral("text")));
    }
    return schedule;
}

QDateTime EpgSchedule::readTime(const QString &text, Qt::TimeSpec spec) {
    QDate date;
    QTime time;
    if (!splitTime(text, &date, &time))
        return QDateTime();
    return QDateTime(date, time, spec);
}

EpgProgramme EpgSchedule::programmeFromRaw(const QJsonObject &raw) {
    // The service's times are UTC wall times: read them as such directly,
    // since reading them as local first would lose those that fall into the
    // local clock's spring-forward gap.
    const QDateTime start = readTime(raw.value(QLatin1String("start")).toString(), Qt::UTC);
    const QDateTime stop = readTime(raw.value(QLatin1String("stop")).toString(), Qt::UTC);

    // The length as a time of day: it wraps at 24 hours, so 25 hours read
    // 01:00:00 and a stop an hour before the start 23:00:00.
    const qint64 span = start.isValid() && stop.isValid() ? start.msecsTo(stop) : 0;
    const qint64 wrapped = (span % msecsPerDay + msecsPerDay) % msecsPerDay;

    EpgProgramme programme;
    programme.insert(QStringLiteral("start"), formatTime(start.toLocalTime()));
    programme.insert(QStringLiteral("duration"), formatClock(int(wrapped / 1000)));
    programme.insert(QStringLiteral("name"), raw.value(QLatin1String("title")).toString());
    programme.insert(QStringLiteral("text"), raw.value(QLatin1String("desc")).toString());
    return programme;
}

EpgProgramme EpgSchedule::placeholders() {
    EpgProgramme programme;
    programme.insert(QStringLiteral("name"), QStringLiteral("..."));
    programme.insert(QStringLiteral("text"), QStringLiteral("..."));
    programme.insert(QStringLiteral("duration"), QStringLiteral("00:00"));
    programme.insert(QStringLiteral("start"), QStringLiteral("00:00"));
    return programme;
}

void EpgSchedule::append(const QDateTime &start, int seconds, const QString &name,
                         const QString &text) {
    if (!start.isValid())
        return;
    appendEntry(start.toMSecsSinceEpoch(), qint32(start.date().toJulianDay()), seconds, name, text);
}

void EpgSchedule::appendEntry(qint64 startMs, qint32 startDay, int seconds, const QString &name,
                              const QString &text) {
    Entry entry;
    entry.startMs = startMs;
    entry.startDay = startDay;
    entry.seconds = seconds;
    entry.name = m_pool->add(name);
    entry.text = m_pool->add(text);
    m_entries.append(entry);
}

QString EpgSchedule::startText(const Entry &entry) const {
    return formatTime(QDateTime::fromMSecsSinceEpoch(entry.startMs, Qt::LocalTime));
}

EpgProgramme EpgSchedule::current(const QDateTime &now) const {
    if (m_entries.isEmpty() || !now.isValid())
        return placeholders();
    const QDateTime local = now.toLocalTime();
    const qint64 today = local.date().toJulianDay();
    const qint64 nowMs = local.toMSecsSinceEpoch();
    for (const Entry &entry : m_entries) {
        // The seconds of the length do not count: 00:00:50 ends where it
        // starts.
        const int minutes = entry.seconds / 60;
        const qint64 endMs = entry.startMs + qint64(minutes) * 60 * 1000;
        if (entry.startDay != today || entry.startMs >= nowMs || nowMs >= endMs)
            continue;
        // Whole minutes left, counted from whole seconds.
        const qint64 minutesLeft = (endMs - nowMs) / 1000 / 60;
        EpgProgramme programme;
        programme.insert(QStringLiteral("name"), m_pool->at(entry.name));
        programme.insert(QStringLiteral("text"), m_pool->at(entry.text));
        programme.insert(QStringLiteral("duration"), formatClock(entry.seconds));
        programme.insert(QStringLiteral("start"), QString::number(minutes - minutesLeft));
        return programme;
    }
    return placeholders();
}

QJsonArray EpgSchedule::days() const {
    if (!m_sorted) {
        m_byStart.resize(m_entries.size());
        for (int i = 0; i < m_byStart.size(); ++i)
            m_byStart[i] = i;
        // Equal starts in reverse arrival order, as the guide has always
        // listed them.
        std::sort(m_byStart.begin(), m_byStart.end(), [this](int a, int b) {
            const qint64 first = m_entries.at(a).startMs;
            const qint64 second = m_entries.at(b).startMs;
            return first != second ? first < second : a > b;
        });
        m_sorted = true;
    }

    // Day and month names as the user's system names them.
    const QLocale locale = QLocale::system();
    QJsonArray result;
    QJsonArray day;
    for (int j = 0; j < m_byStart.size(); ++j) {
        const Entry &entry = m_entries.at(m_byStart.at(j));
        day.append(QJsonObject{{QStringLiteral("duration"), formatClock(entry.seconds)},
                               {QStringLiteral("start"), startText(entry)},
                               {QStringLiteral("text"), m_pool->at(entry.text)},
                               {QStringLiteral("name"), m_pool->at(entry.name)}});
        const qint32 next =
            j + 1 < m_byStart.size() ? m_entries.at(m_byStart.at(j + 1)).startDay : -1;
        if (entry.startDay != next) {
            QJsonObject group;
            group.insert(
                locale.toString(QDate::fromJulianDay(entry.startDay), QStringLiteral("ddd d MMMM")),
                day);
            result.append(group);
            day = QJsonArray();
        }
    }
    return result;
}
