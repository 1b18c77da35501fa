#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QList>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

// The client of the online service. A page creates one per exchange,
// connects error() and done(), and calls one operation. The outcome arrives
// later from the event loop as exactly one done() or error(), followed by
// settled(). The one exception is a computer without a usable network
// interface: error() ("nointernet") and settled() are then emitted before
// the operation returns.
//
// The outcome is decided once, when the reply finishes, from the reply's own
// error and body together: a connection failure, a time-out or an abort is
// a failure even when some body arrived; a body that is not a JSON object is
// a failure too ("unknowerror"), so that no page waits for an answer that
// will never come. The service's own error text wins over an HTTP error
// status, since it says more. A large body is read on a worker thread: its
// outcome then comes a turn or so of the event loop after the reply ended.
//
// Connection failures are shown to the user here ("nointernet" when the host
// is not found, "unknowerror" for everything else, time-outs and TLS errors
// included); pages compare the error text with those two keys so as not to
// show a second alert.
//
// Each request is answered from its own reply, so a second call on the same
// client does not read the first one's answer.
class JsonRpc : public QObject {
    Q_OBJECT

public:
    explicit JsonRpc(QObject *parent = nullptr);
    ~JsonRpc() override;

    // Posts {"id": "1", "method": method, "params": params} to url.
    void call(const QUrl &url, const QString &method, const QJsonArray &params);

    // True when an interface is up, is not loopback and has an address.
    static bool isOnline();
    // Replaces the interface walk of isOnline(); null restores it.
    static void setOnlineCheck(std::function<bool()> check);

    // The service methods. The session token is the result of login().
    // login() sends "login_phone" when the user name is a decimal number
    // and records in the process-wide state whether a plain name was used.
    void login(const QString &userName, const QString &password, const QString &deviceKey);
    void getDevices(const QString &token);
    void registerDevice(const QString &deviceName, const QString &token);
    void getPlaylists(const QString &token);
    void deletePlaylist(int playlistId, const QString &token);
    void getChannels(const QString &token, int playlistId);
    void getGroups(const QString &token);
    void getUploadHash(const QString &token);
    void registerBySms(const QString &name, const QString &phone, const QString &password);
    void verifyCode(const QString &phone, int code);
    void setDevopt(const QString &name, const QString &value, const QString &token);
    void getDevopt(const QString &name, const QString &token);
    void getEpg(int epgId, const QString &token);
    void findEpg(const QString &epgId, const QString &token);
    void logout(const QString &token);

    // What a service reply body means: nothing (not JSON, or not an
    // object), the service's error text, or the result value.
    struct ReplyOutcome {
        enum Kind { Nothing, Failure, Success } kind = Nothing;
        QString error;
        QJsonValue result;
    };
    // Safe on any thread: large bodies are read on a worker.
    static ReplyOutcome interpretReply(const QByteArray &body);

    // Plain GET lookups: done() carries the "countryCode" of the
    // geolocation reply, or the whole version-information object.
    void requestLocation();
    void requestVersion();

signals:
    void error(const QString &);
    void done(const QJsonValue &);
    // Every request of this client has been answered, whatever came of it:
    // for a caller that must move on even when the answer was unusable. It
    // follows the last done() or error(), once per outcome, and is withheld
    // while a request made from one of those slots is still out (so that a
    // caller that deletes the client on settled() cannot lose that answer).
    // Not emitted once the client has been deleted in a slot.
    void settled();

private slots:
    void RequestError(QNetworkReply::NetworkError networkError);
    void replyFinished();
    void replyFinishedLocation();
    void replyFinishedGetVersion();

private:
    bool reportIfOffline();
    void get(const QUrl &url, void (JsonRpc::*finishedSlot)());
    void watch(QNetworkReply *reply, void (JsonRpc::*finishedSlot)());
    // The finished reply a slot works on, taken out of the pending set so
    // that it is handled once; null when there is none.
    QNetworkReply *takeFinished();
    // A transport failure of a finished reply, shown and reported; false when
    // the reply carries no such failure.
    bool reportTransportFailure(QNetworkReply *reply, bool httpStatusIsFailure);
    // Emits what a read service reply body comes to, given the reply's
    // HTTP status.
    void deliver(const ReplyOutcome &outcome, QNetworkReply::NetworkError status);
    // Static, and reached only through the guard: a slot may have deleted
    // the client, and nothing of it may be read then, not even ahead of
    // the check.
    static void settle(const QPointer<JsonRpc> &alive);

    QPointer<QNetworkReply> m_reply;  // the request sent last
    QList<QNetworkReply *> m_pending; // sent and not yet answered
    int m_reading = 0;                // answered bodies still being read
};
