#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

// The client of the online service. A page creates one per exchange,
// connects error() and done(), and calls one operation. The outcome arrives
// later from the event loop as exactly one done() or error(), or nothing when
// the service answers with something that is not a JSON object. The one
// exception is a computer without a usable network interface: error()
// ("nointernet") is then emitted before the operation returns.
//
// Connection failures are shown to the user here ("nointernet" when the host
// is not found, "unknowerror" for everything else, time-outs and TLS errors
// included); pages compare the error text with those two keys so as not to
// show a second alert.
//
// A client carries one exchange at a time: its slots work on the reply of
// the request it sent last.
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
    static ReplyOutcome interpretReply(const QByteArray &body);

    // Plain GET lookups: done() carries the "countryCode" of the
    // geolocation reply, or the whole version-information object.
    void requestLocation();
    void requestVersion();

signals:
    void error(const QString &);
    void done(const QJsonValue &);
    // The reply of the last request has been read, whatever came of it:
    // for a caller that must move on even when the answer was unusable.
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

    QPointer<QNetworkReply> m_reply; // the request sent last
};
