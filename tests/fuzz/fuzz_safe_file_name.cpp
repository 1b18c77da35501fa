// The name every file from outside input is saved under: any text, as
// UTF-8 or as raw UTF-16 (lone surrogates included), must give a name that
// keeps the rules and stays as it is when made safe again.
#include "service/SafeFileName.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(const QString &name, const QStringList &allowed) {
    if (name.isEmpty() || name.toUtf8().size() > SafeFileName::maxBytes)
        abort();
    for (const QChar c : name) {
        if (QStringLiteral("/\\:*?\"<>|").contains(c) || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format)
            abort();
    }
    if (name.contains(QLatin1String("..")) || name.startsWith(QLatin1Char('.')) ||
        name.endsWith(QLatin1Char('.')) || name.endsWith(QLatin1Char(' ')) ||
        SafeFileName::isDeviceName(name))
        abort();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0 && !allowed.contains(name.mid(dot + 1), Qt::CaseInsensitive))
        abort();
    if (SafeFileName::make(name, allowed) != name)
        abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const char *bytes = reinterpret_cast<const char *>(data);
    const QStringList images = SafeFileName::imageSuffixes();
    const QStringList none;

    const QString utf8 = QString::fromUtf8(bytes, int(size));
    check(SafeFileName::make(utf8, images), images);
    check(SafeFileName::make(utf8, none), none);

    const QString utf16 =
        QString::fromRawData(reinterpret_cast<const QChar *>(data), int(size / 2));
    check(SafeFileName::make(utf16, SafeFileName::playlistSuffixes()),
          SafeFileName::playlistSuffixes());
    return 0;
}
