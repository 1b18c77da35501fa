// The country table reader and its two lookups.
#include "account/CountryTable.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QJsonArray table =
        CountryTable::parse(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    for (const QJsonValue &record : table) {
        const QJsonObject object = record.toObject();
        CountryTable::byDialCode(table, object.value(QStringLiteral("dial_code")).toString());
        CountryTable::byCountryCode(table, object.value(QStringLiteral("code")).toString());
    }
    CountryTable::byDialCode(table, QStringLiteral("+7"));
    return 0;
}
