#include "service/JsonRpc.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "service/FailureAlert.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QHostAddress>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QMetaType>
#include <QNetworkInterface>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegExp>
#include <QtConcurrent>

namespace {

std::function<bool()> &onlineCheck() {
    static std::function<bool()> check;
    return check;
}

QUrl apiUrl() {
    return serviceConfig().apiUrl;
}

QString platformName() {
    return QGuiApplication::platformName();
}

// Bodies from this size on (a channel list, a week of programmes) are read
// as JSON on a worker thread: a 100,000-channel list takes the GUI thread
// a few hundred milliseconds to read, a week of programmes a few. Smaller
// ones are read at once, which costs less than the hand-over.
constexpr int backgroundReadBytes = 64 * 1024;

// An aborted reply (time-out) is closed: it reads as an empty body.
QByteArray readBody(QNetworkReply *reply) {
    return reply->isOpen() ? reply->readAll() : QByteArray();
}

} // namespace

JsonRpc::JsonRpc(QObject *parent)
    : QObject(parent) {}

JsonRpc::~JsonRpc() = default;

bool JsonRpc::isOnline() {
    if (onlineCheck())
        return onlineCheck()();
    // A service on this computer is reachable without any network at all;
    // "no internet" would be a false alarm there.
    const QString apiHost = serviceConfig().apiUrl.host();
    if (apiHost.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
        QHostAddress(apiHost).isLoopback())
        return true;
    // Every request asks, and a channel list starts two per channel: walk
    // the interfaces (system calls each time) at most once a second.
    static QElapsedTimer lastWalk;
    static bool lastAnswer = false;
    if (lastWalk.isValid() && !lastWalk.hasExpired(1000))
        return lastAnswer;
    lastAnswer = false;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &interface : interfaces) {
        const QNetworkInterface::InterfaceFlags flags = interface.flags();
        if (flags.testFlag(QNetworkInterface::IsUp) &&
            !flags.testFlag(QNetworkInterface::IsLoopBack) &&
            !interface.addressEntries().isEmpty()) {
            lastAnswer = true;
            break;
        }
    }
    lastWalk.start();
    return lastAnswer;
}

void JsonRpc::setOnlineCheck(std::function<bool()> check) {
    onlineCheck() = std::move(check);
}

bool JsonRpc::reportIfOffline() {
    if (isOnline())
        return false;
    const QPointer<JsonRpc> alive(this);
    emit error(QStringLiteral("nointernet"));
    showFailureAlert(msg("nointernet"));
    settle(alive);
    return true;
}

void JsonRpc::watch(QNetworkReply *reply, void (JsonRpc::*finishedSlot)()) {
    // The reply belongs to this client, as it would with a manager of its
    // own: it goes when the page that owns the client goes.
    reply->setParent(this);
    m_reply = reply;
    m_pending.append(reply);
    // The whole outcome is read when the reply has finished, its error
    // included: a separate, queued error report could come after settled()
    // had let the caller delete this client, and be lost with it.
    connect(reply, &QNetworkReply::finished, this, finishedSlot);
    // A reply taken away unfinished (its manager gone) still settles.
    connect(reply, &QObject::destroyed, this, [this, reply] {
        if (!m_pending.removeOne(reply))
            return;
        const QPointer<JsonRpc> alive(this);
        RequestError(QNetworkReply::OperationCanceledError);
        settle(alive);
    });
}

QNetworkReply *JsonRpc::takeFinished() {
    auto *reply = qobject_cast<QNetworkReply *>(sender());
    if (!reply || !m_pending.removeOne(reply))
        return nullptr;
    // Answered once: a second finished() or a later destroyed() of this
    // reply must not report again.
    disconnect(reply, nullptr, this, nullptr);
    // Released with deferred deletion, so it can still be read now; a page
    // may delete this client in its slot, and the reply with it.
    reply->deleteLater();
    return reply;
}

bool JsonRpc::reportTransportFailure(QNetworkReply *reply, bool httpStatusIsFailure) {
    const QNetworkReply::NetworkError code = reply->error();
    if (code == QNetworkReply::NoError)
        return false;
    // Codes 201-299 and 401-499 stand for an HTTP error status, whose body
    // may still carry the service's answer.
    const bool httpStatus = (code > 200 && code < 300) || (code > 400 && code < 500);
    if (httpStatus && !httpStatusIsFailure)
        return false;
    RequestError(code);
    return true;
}

void JsonRpc::settle(const QPointer<JsonRpc> &alive) {
    JsonRpc *const client = alive.data();
    if (client && client->m_pending.isEmpty() && client->m_reading == 0)
        emit client->settled();
}

void JsonRpc::call(const QUrl &url, const QString &method, const QJsonArray &params) {
    if (reportIfOffline())
        return;

    QJsonObject envelope;
    envelope.insert(QStringLiteral("method"), method);
    envelope.insert(QStringLiteral("params"), params);
    envelope.insert(QStringLiteral("id"), QStringLiteral("1"));

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    QNetworkReply *reply = NetworkManager::instance()->post(
        request, QJsonDocument(envelope).toJson(QJsonDocument::Indented));
    watch(reply, &JsonRpc::replyFinished);
}

void JsonRpc::get(const QUrl &url, void (JsonRpc::*finishedSlot)()) {
    if (reportIfOffline())
        return;

    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    watch(NetworkManager::instance()->get(request), finishedSlot);
}

void JsonRpc::login(const QString &userName, const QString &password, const QString &deviceKey) {
    const QJsonArray params{userName, password, deviceKey};
    // QRegExp rather than QRegularExpression: the two disagree on which
    // non-ASCII letters a case-insensitive [A-Z] accepts, and this is the
    // rule the service's accounts were made with.
    QRegExp mail(QStringLiteral("\\b[A-Z0-9._%+-]+@[A-Z0-9.-]+\\.[A-Z]{2,4}\\b"),
                 Qt::CaseInsensitive);
    const bool isMail = mail.exactMatch(userName);
    // A 64-bit conversion: phone numbers with their country code have
    // eleven or more digits, more than a 32-bit number holds, and a user
    // who signed up by phone must not be taken for a plain-name sign-in.
    bool isNumber = false;
    userName.toLongLong(&isNumber, 10);

    appState().plainNameSignIn = false;
    if (isMail) {
        call(apiUrl(), QStringLiteral("login"), params);
    } else if (isNumber) {
        call(apiUrl(), QStringLiteral("login_phone"), params);
    } else {
        appState().plainNameSignIn = true;
        call(apiUrl(), QStringLiteral("login"), params);
    }
}

void JsonRpc::getDevices(const QString &token) {
    call(apiUrl(), QStringLiteral("get_devices"), QJsonArray{platformName(), token});
}

void JsonRpc::registerDevice(const QString &deviceName, const QString &token) {
    call(apiUrl(), QStringLiteral("register_device"),
         QJsonArray{deviceName, platformName(), token});
}

void JsonRpc::getPlaylists(const QString &token) {
    call(apiUrl(), QStringLiteral("get_playlists"), QJsonArray{token});
}

void JsonRpc::deletePlaylist(int playlistId, const QString &token) {
    call(apiUrl(), QStringLiteral("delete_playlist"), QJsonArray{playlistId, token});
}

void JsonRpc::getChannels(const QString &token, int playlistId) {
    call(apiUrl(), QStringLiteral("get_channels"), QJsonArray{token, playlistId});
}

void JsonRpc::getGroups(const QString &token) {
    call(apiUrl(), QStringLiteral("get_groups"), QJsonArray{token});
}

void JsonRpc::getUploadHash(const QString &token) {
    call(apiUrl(), QStringLiteral("get_upload_hash"), QJsonArray{token});
}

void JsonRpc::registerBySms(const QString &name, const QString &phone, const QString &password) {
    call(apiUrl(), QStringLiteral("register_by_sms"), QJsonArray{name, phone, password});
}

void JsonRpc::verifyCode(const QString &phone, int code) {
    call(apiUrl(), QStringLiteral("verify_code"), QJsonArray{phone, code});
}

void JsonRpc::setDevopt(const QString &name, const QString &value, const QString &token) {
    call(apiUrl(), QStringLiteral("set_devopt"), QJsonArray{name, value, token});
}

void JsonRpc::getDevopt(const QString &name, const QString &token) {
    call(apiUrl(), QStringLiteral("get_devopt"), QJsonArray{name, token});
}

void JsonRpc::getEpg(int epgId, const QString &token) {
    call(apiUrl(), QStringLiteral("get_epg"), QJsonArray{epgId, 10, token});
}

void JsonRpc::findEpg(const QString &epgId, const QString &token) {
    call(apiUrl(), QStringLiteral("find_epg"), QJsonArray{epgId, token});
}

void JsonRpc::logout(const QString &token) {
    call(apiUrl(), QStringLiteral("logout"), QJsonArray{token});
}

void JsonRpc::requestLocation() {
    get(serviceConfig().geoUrl, &JsonRpc::replyFinishedLocation);
}

void JsonRpc::requestVersion() {
    get(serviceConfig().webAddress(QStringLiteral("/updinfo.php")),
        &JsonRpc::replyFinishedGetVersion);
}

void JsonRpc::RequestError(QNetworkReply::NetworkError networkError) {
    if (networkError == QNetworkReply::HostNotFoundError) {
        emit error(QStringLiteral("nointernet"));
        showFailureAlert(msg("nointernet"));
    } else {
        showFailureAlert(msg("unknowerror"));
        emit error(QStringLiteral("unknowerror"));
    }
}

JsonRpc::ReplyOutcome JsonRpc::interpretReply(const QByteArray &body) {
    ReplyOutcome outcome;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        qDebug() << parseError.errorString();
        return outcome;
    }
    if (!document.isObject())
        return outcome;
    const QJsonObject object = document.object();
    // A non-string error member counts as no error at all.
    outcome.error = object.value(QLatin1String("error")).toString();
    if (!outcome.error.isEmpty()) {
        outcome.kind = ReplyOutcome::Failure;
    } else {
        outcome.kind = ReplyOutcome::Success;
        outcome.result = object.value(QLatin1String("result"));
    }
    return outcome;
}

void JsonRpc::replyFinished() {
    QNetworkReply *reply = takeFinished();
    if (!reply)
        return;
    const QPointer<JsonRpc> alive(this);
    if (reportTransportFailure(reply, false)) {
        settle(alive);
        return;
    }
    const QNetworkReply::NetworkError status = reply->error();
    const QByteArray body = readBody(reply);
    if (body.size() < backgroundReadBytes) {
        deliver(interpretReply(body), status);
        settle(alive);
        return;
    }
    // The reply counts as unanswered until it has been read; a client
    // deleted meanwhile takes the watcher with it, and the outcome is
    // dropped.
    ++m_reading;
    auto *watcher = new QFutureWatcher<ReplyOutcome>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, status] {
        watcher->deleteLater();
        --m_reading;
        const QPointer<JsonRpc> alive(this);
        deliver(watcher->result(), status);
        settle(alive);
    });
    watcher->setFuture(QtConcurrent::run(&JsonRpc::interpretReply, body));
}

void JsonRpc::deliver(const ReplyOutcome &outcome, QNetworkReply::NetworkError status) {
    const bool httpError = status != QNetworkReply::NoError;
    if (outcome.kind == ReplyOutcome::Failure)
        emit error(outcome.error);
    else if (outcome.kind == ReplyOutcome::Success && !httpError)
        emit done(outcome.result);
    else // no answer the page could use: not a JSON object, or an error status
        RequestError(httpError ? status : QNetworkReply::UnknownContentError);
}

void JsonRpc::replyFinishedLocation() {
    QNetworkReply *reply = takeFinished();
    if (!reply)
        return;
    const QPointer<JsonRpc> alive(this);
    if (!reportTransportFailure(reply, true)) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(readBody(reply), &parseError);
        if (parseError.error != QJsonParseError::NoError)
            qDebug() << parseError.errorString();
        else if (document.isObject())
            emit done(document.object().value(QLatin1String("countryCode")));
    }
    settle(alive);
}

void JsonRpc::replyFinishedGetVersion() {
    QNetworkReply *reply = takeFinished();
    if (!reply)
        return;
    const QPointer<JsonRpc> alive(this);
    if (!reportTransportFailure(reply, true)) {
        QJsonParseError parseError;
        const QJsonDocument document = QJsonDocument::fromJson(readBody(reply), &parseError);
        if (parseError.error == QJsonParseError::NoError)
            emit done(QJsonValue(document.object()));
    }
    settle(alive);
}
