#pragma once

#include <QJsonArray>
#include <QString>
#include <QVector>

// Titles of a whole playlist, folded once so that each keystroke in the search
// field is a plain substring scan: no case, no accents (Cyrillic "ё" and "й"
// match "е" and "и", as viewers type them).
class ChannelSearchIndex {
public:
    void build(const QJsonArray &channels);
    void clear();
    int size() const { return keys.size(); }

    // Positions in the array given to build(), in playlist order. An empty or
    // blank query matches nothing: the caller shows the group instead.
    QVector<int> match(const QString &query) const;

    static QString fold(const QString &text);

private:
    QVector<QString> keys;
};
