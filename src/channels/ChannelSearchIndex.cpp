#include "ChannelSearchIndex.h"

#include <QJsonObject>

QString ChannelSearchIndex::fold(const QString &text) {
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString folded;
    folded.reserve(decomposed.size());
    for (const QChar c : decomposed) {
        const QChar::Category category = c.category();
        if (category == QChar::Mark_NonSpacing || category == QChar::Mark_SpacingCombining ||
            category == QChar::Mark_Enclosing)
            continue;
        folded.append(c.toCaseFolded());
    }
    return folded.simplified();
}

void ChannelSearchIndex::build(const QJsonArray &channels) {
    keys.clear();
    keys.reserve(channels.size());
    for (const auto &channel : channels)
        keys.append(fold(channel.toObject().value(QStringLiteral("title")).toString()));
}

void ChannelSearchIndex::clear() {
    keys.clear();
}

QVector<int> ChannelSearchIndex::match(const QString &query) const {
    QVector<int> found;
    const QString needle = fold(query);
    if (needle.isEmpty())
        return found;
    for (int i = 0; i < keys.size(); ++i) {
        if (keys.at(i).contains(needle))
            found.append(i);
    }
    return found;
}
