#include "service/SafeFileName.h"

#include <QSet>

namespace {

const QLatin1Char dot('.');
const QLatin1Char replacement('_');

bool isRefused(QChar c) {
    static const QString special = QStringLiteral("/\\:*?\"<>|");
    switch (c.category()) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate: // only a lone one reaches here
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return special.contains(c);
    }
}

// Each character in turn, a surrogate pair as one; a lone surrogate and
// everything refused becomes "_".
QString replaceRefused(const QString &name) {
    QString out;
    out.reserve(name.size());
    for (int i = 0; i < name.size(); ++i) {
        const QChar c = name.at(i);
        if (c.isHighSurrogate() && i + 1 < name.size() && name.at(i + 1).isLowSurrogate()) {
            const uint code = QChar::surrogateToUcs4(c, name.at(i + 1));
            const QChar::Category category = QChar::category(code);
            if (category == QChar::Other_Format || category == QChar::Other_Control) {
                out.append(replacement);
            } else {
                out.append(c);
                out.append(name.at(i + 1));
            }
            ++i;
            continue;
        }
        out.append(isRefused(c) ? QChar(replacement) : c);
    }
    return out;
}

QString collapseDots(const QString &name) {
    QString out;
    out.reserve(name.size());
    for (const QChar c : name) {
        if (c == dot && out.endsWith(dot))
            continue;
        out.append(c);
    }
    return out;
}

void chopTrailingDotsAndBlanks(QString &name) {
    while (!name.isEmpty() && (name.endsWith(dot) || name.back().isSpace()))
        name.chop(1);
}

// The longest start of text that fits in bytes of UTF-8, never cutting a
// surrogate pair in two.
QString cutToBytes(const QString &text, int bytes) {
    if (text.toUtf8().size() <= bytes)
        return text;
    int used = 0;
    int i = 0;
    while (i < text.size()) {
        const bool pair =
            text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        const int length = pair ? 2 : 1;
        const int size = text.mid(i, length).toUtf8().size();
        if (used + size > bytes)
            break;
        used += size;
        i += length;
    }
    return text.left(i);
}

} // namespace

bool SafeFileName::isDeviceName(const QString &name) {
    static const QSet<QString> devices = [] {
        QSet<QString> names{QStringLiteral("CON"),    QStringLiteral("PRN"),
                            QStringLiteral("AUX"),    QStringLiteral("NUL"),
                            QStringLiteral("CONIN$"), QStringLiteral("CONOUT$"),
                            QStringLiteral("CLOCK$")};
        const QString digits = QStringLiteral("0123456789\u00B9\u00B2\u00B3");
        for (const QChar digit : digits) {
            names.insert(QStringLiteral("COM") + digit);
            names.insert(QStringLiteral("LPT") + digit);
        }
        return names;
    }();
    QString base = name.left(name.indexOf(dot));
    // Windows ignores blanks before the dot: "CON .txt" is the console.
    while (!base.isEmpty() && base.back().isSpace())
        base.chop(1);
    return devices.contains(base.toUpper());
}

QString SafeFileName::make(const QString &name, const QStringList &allowedSuffixes) {
    QString safe = collapseDots(replaceRefused(name)).trimmed();
    chopTrailingDotsAndBlanks(safe);

    QString stem = safe;
    QString suffix;
    const int lastDot = safe.lastIndexOf(dot);
    if (lastDot >= 0) {
        const QString candidate = safe.mid(lastDot + 1);
        if (lastDot > 0 && allowedSuffixes.contains(candidate, Qt::CaseInsensitive)) {
            stem = safe.left(lastDot);
            suffix = candidate;
        } else {
            stem.replace(dot, replacement);
        }
    }

    const int stemBytes = maxBytes - (suffix.isEmpty() ? 0 : suffix.toUtf8().size() + 1);
    stem = cutToBytes(stem, stemBytes);
    chopTrailingDotsAndBlanks(stem);
    if (stem.isEmpty() || stem.startsWith(dot) || isDeviceName(stem)) {
        // Cut again after the "_" only where it is needed, so that a name
        // made safe stays as it is when made safe again.
        stem = cutToBytes(QChar(replacement) + stem, stemBytes);
        chopTrailingDotsAndBlanks(stem);
    }
    return suffix.isEmpty() ? stem : stem + dot + suffix;
}

const QStringList &SafeFileName::imageSuffixes() {
    static const QStringList suffixes{QStringLiteral("png"),  QStringLiteral("jpg"),
                                      QStringLiteral("jpeg"), QStringLiteral("gif"),
                                      QStringLiteral("bmp"),  QStringLiteral("webp"),
                                      QStringLiteral("svg"),  QStringLiteral("ico")};
    return suffixes;
}

const QStringList &SafeFileName::playlistSuffixes() {
    static const QStringList suffixes{QStringLiteral("m3u8"), QStringLiteral("xspf"),
                                      QStringLiteral("m3u"),  QStringLiteral("pls"),
                                      QStringLiteral("b4s"),  QStringLiteral("wpl"),
                                      QStringLiteral("asx")};
    return suffixes;
}
