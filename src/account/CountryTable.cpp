#include "account/CountryTable.h"

#include <QFile>
#include <QJsonDocument>

namespace {

QJsonObject firstWith(const QJsonArray &table, const QString &member, const QString &text) {
    for (const QJsonValue &record : table) {
        const QJsonObject object = record.toObject();
        if (object.value(member) == QJsonValue(text))
            return object;
    }
    return QJsonObject();
}

} // namespace

namespace CountryTable {

QJsonArray load(const QString &path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QJsonArray();
    return parse(file.readAll());
}

QJsonArray parse(QByteArray bytes) {
    const int end = bytes.indexOf('\0');
    if (end >= 0)
        bytes.truncate(end);
    return QJsonDocument::fromJson(QString::fromUtf8(bytes).toUtf8()).array();
}

QJsonObject byDialCode(const QJsonArray &table, const QString &dialCode) {
    return firstWith(table, QStringLiteral("dial_code"), dialCode);
}

QJsonObject byCountryCode(const QJsonArray &table, const QString &countryCode) {
    return firstWith(table, QStringLiteral("code"), countryCode);
}

} // namespace CountryTable
