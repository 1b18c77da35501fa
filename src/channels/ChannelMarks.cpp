#include "channels/ChannelMarks.h"

#include <QGuiApplication>
#include <QStringList>

namespace ChannelMarks {

QString favoritesKey(int playlistId) {
    return QStringLiteral("%1_fav_%2").arg(QGuiApplication::platformName()).arg(playlistId);
}

QString privateKey(int playlistId) {
    return QStringLiteral("%1_priv_%2").arg(QGuiApplication::platformName()).arg(playlistId);
}

QString parentPasswordKey() {
    return QStringLiteral("%1_parent_pass").arg(QGuiApplication::platformName());
}

QJsonArray decode(const QJsonValue &value) {
    QString text = value.toString();
    text.replace(QLatin1Char('['), QLatin1Char(',')).replace(QLatin1Char(']'), QLatin1Char(','));
    QStringList parts = text.split(QLatin1Char(','));
    // What stands before the first separator is not an item.
    if (!parts.isEmpty())
        parts.removeFirst();
    QJsonArray ids;
    for (const QString &part : qAsConst(parts)) {
        if (!part.isEmpty())
            ids.append(part);
    }
    return ids;
}

QString encode(const QJsonArray &ids) {
    QStringList parts;
    parts.reserve(ids.size());
    for (const QJsonValue &id : ids)
        parts << id.toString();
    return QLatin1Char('[') + parts.join(QLatin1Char(',')) + QLatin1Char(']');
}

bool contains(const QJsonArray &ids, int id) {
    for (const QJsonValue &entry : ids) {
        if (entry.toString().toInt() == id)
            return true;
    }
    return false;
}

bool isAdult(const QJsonValue &adult) {
    if (adult.isBool())
        return adult.toBool();
    if (adult.isDouble())
        return adult.toDouble() != 0;
    if (adult.isString()) {
        const QString text = adult.toString();
        return text == QLatin1String("1") ||
               text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
    }
    return false;
}

bool removeOne(QJsonArray &ids, int id) {
    for (int i = 0; i < ids.size(); ++i) {
        if (ids.at(i).toString().toInt() == id) {
            ids.removeAt(i);
            return true;
        }
    }
    return false;
}

} // namespace ChannelMarks
