#pragma once

#include <QHash>
#include <QString>
#include <QVector>

// The programme titles and descriptions of one channel list's load, each
// text kept once. A week of programmes repeats most of its texts (series,
// news, the same programme on the channels of one guide), so the schedules
// hold indexes into this pool rather than strings of their own.
//
// It also keeps the local reading of each programme start that the load's
// schedules have read: guides list the same starts over and over, and each
// reading asks the system's time zone twice, which checks the zone's file
// on disk every time.
class EpgStringPool {
public:
    struct LocalStart {
        qint64 ms = 0;  // the local wall time read back as local
        qint32 day = 0; // the local date's Julian day
        bool usable = false;
    };

    // The index of text, added when it is not in the pool yet.
    int add(const QString &text);
    // The text at index; empty for an index the pool never gave out.
    QString at(int index) const;
    int size() const { return m_texts.size(); }
    // Drops up to count texts, the last given out first; true once none is
    // left. The pool of a long playlist holds hundreds of thousands of
    // texts, too many to free in one turn of the event loop.
    bool releaseSome(int count);

    // The start read for this UTC instant, or null before it is added.
    const LocalStart *localStart(qint64 utcMs) const;
    void addLocalStart(qint64 utcMs, const LocalStart &start);

private:
    QVector<QString> m_texts;
    QHash<QString, int> m_indexes;
    QHash<qint64, LocalStart> m_starts;
};
