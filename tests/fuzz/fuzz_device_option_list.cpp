// The favourite and private channel lists stored as device options: any
// text (and the JSON value it may be), decoded, searched, and encoded again.
#include "channels/ChannelMarks.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QJsonArray ids = ChannelMarks::decode(QJsonValue(QString::fromUtf8(bytes)));

    // What is written back reads back as the same list.
    const QString stored = ChannelMarks::encode(ids);
    if (ChannelMarks::decode(QJsonValue(stored)) != ids)
        abort();

    ChannelMarks::contains(ids, 101);
    ChannelMarks::removeOne(ids, 101);

    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    ChannelMarks::decode(document.isArray() ? QJsonValue(document.array())
                                            : QJsonValue(document.object()));
    return 0;
}
