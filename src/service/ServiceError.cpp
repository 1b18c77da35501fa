#include "service/ServiceError.h"

#include "service/JsonRpc.h"

#include <QHash>
#include <memory>

namespace ServiceError {

namespace {

const QHash<QString, QString> &keysByText() {
    static const QHash<QString, QString> keys{
        {QStringLiteral("Wrong login or password"), QStringLiteral("alert2")},
        {QStringLiteral("Too many devices"), QStringLiteral("toomanydevices")},
        {QStringLiteral("Invalid device name"), QStringLiteral("invaliddevicename")},
        {QStringLiteral("Playlist not found"), QStringLiteral("playlistnotfound")},
        {QStringLiteral("Device not registered"), QStringLiteral("devicenotregistered")},
        {QStringLiteral("Option value too long"), QStringLiteral("optiontoolong")},
    };
    return keys;
}

} // namespace

bool isConnectionFailure(const QString &error) {
    return error == QLatin1String("nointernet") || error == QLatin1String("unknowerror");
}

Kind kind(const QString &error) {
    if (isConnectionFailure(error))
        return Kind::ConnectionFailure;
    if (error == QLatin1String("Wrong login or password"))
        return Kind::WrongCredentials;
    if (error == QLatin1String("Device not registered"))
        return Kind::DeviceGone;
    if (error == QLatin1String("Playlist not found"))
        return Kind::PlaylistGone;
    return Kind::Other;
}

QString messageKey(const QString &error) {
    return keysByText().value(error, QStringLiteral("unknownerror"));
}

void onUnanswered(JsonRpc *rpc, QObject *context, std::function<void()> handler) {
    auto answered = std::make_shared<bool>(false);
    QObject::connect(rpc, &JsonRpc::done, context, [answered] { *answered = true; });
    QObject::connect(rpc, &JsonRpc::error, context, [answered] { *answered = true; });
    QObject::connect(rpc, &JsonRpc::settled, context, [answered, handler] {
        if (!*answered)
            handler();
    });
}

} // namespace ServiceError
