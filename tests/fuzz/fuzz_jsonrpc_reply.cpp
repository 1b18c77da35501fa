// Service reply bodies, as the transport reads them.
#include "service/JsonRpc.h"

#include <QtGlobal>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    qSetMessagePattern(QStringLiteral("%{if-critical}%{message}%{endif}"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray body(reinterpret_cast<const char *>(data), int(size));
    const JsonRpc::ReplyOutcome outcome = JsonRpc::interpretReply(body);
    if (outcome.kind == JsonRpc::ReplyOutcome::Failure && outcome.error.isEmpty())
        __builtin_trap(); // a failure always carries its text
    return 0;
}
