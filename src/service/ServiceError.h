#pragma once

#include <QString>

#include <functional>

class JsonRpc;
class QObject;

// What the service's error texts mean to the pages. The service words its
// refusals in English; each one that asks something different of the user
// has a message key of its own, and a text the program does not know reads
// as a generic failure rather than as a wrong password.
namespace ServiceError {

enum class Kind {
    ConnectionFailure, // "nointernet", "unknowerror": the transport has alerted
    WrongCredentials,  // the stored or typed password is not the account's
    DeviceGone,        // the device was removed from the account elsewhere
    PlaylistGone,      // the playlist was deleted elsewhere
    Other,
};

Kind kind(const QString &error);
bool isConnectionFailure(const QString &error);
// The message key to show for an error text of the service.
QString messageKey(const QString &error);

// Calls handler when the call settles with neither done() nor error(): the
// reply was not a JSON object, and the page would otherwise wait for ever.
void onUnanswered(JsonRpc *rpc, QObject *context, std::function<void()> handler);

} // namespace ServiceError
