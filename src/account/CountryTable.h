#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QString>

// The table of countries with their dialling codes that the sign-up page and
// the country picker share. Records are {"name", "dial_code", "code"}; the
// order of the table matters, because several countries share a dialling
// code and a lookup takes the first.
namespace CountryTable {

// Reads the table afresh from path: everything up to the first NUL byte, as
// UTF-8 JSON. Anything but a JSON array (a missing file included) gives an
// empty table.
QJsonArray load(const QString &path = QStringLiteral(":/countries"));

// The same reading of bytes already in memory.
QJsonArray parse(QByteArray bytes);

// The first record whose "dial_code" is exactly dialCode, or an empty object.
QJsonObject byDialCode(const QJsonArray &table, const QString &dialCode);

// The first record whose "code" is exactly countryCode (case matters), or an
// empty object.
QJsonObject byCountryCode(const QJsonArray &table, const QString &countryCode);

} // namespace CountryTable
