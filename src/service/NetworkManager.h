#pragma once

#include <QNetworkAccessManager>
#include <QSslConfiguration>
#include <QString>

// The one access manager of the GUI thread. Every request of the service
// client, the downloads and the uploads goes through it, so that Qt queues
// requests per host on one HTTP thread instead of starting a thread per
// request, and so that the defaults of every request are set in one place:
//
// - Transfer time-out: a request is aborted (OperationCanceledError) when it
//   has moved no bytes for transferTimeout() milliseconds. A request still
//   waiting for its first byte also counts bytes that other requests to the
//   same host receive meanwhile: Qt keeps at most six connections per host,
//   and a request queued behind busy connections must not expire while that
//   host is answering. Once the request itself has sent or received data,
//   only its own traffic counts.
//
// - TLS: certificates are always verified. The authorities of the PEM file
//   named by serviceConfig().caFile are trusted in addition to the system
//   ones. The file is read again whenever the configured name changes, and
//   the result is applied to each request (an HTTP one may be redirected to HTTPS) as it is
//   created, so a configuration set at run time takes effect with the next request.
class NetworkManager : public QNetworkAccessManager {
    Q_OBJECT

public:
    static constexpr int defaultTransferTimeout = 30000;

    // Created on first use, owned by the application object.
    static NetworkManager *instance();

    static int transferTimeout();
    static void setTransferTimeout(int milliseconds);

    // The TLS configuration that HTTPS requests get under the current
    // service configuration.
    QSslConfiguration sslConfiguration();

protected:
    QNetworkReply *createRequest(Operation op, const QNetworkRequest &request,
                                 QIODevice *outgoingData) override;

private:
    explicit NetworkManager(QObject *parent);

    QString m_caFile; // the file the extra authorities came from
    bool m_caLoaded = false;
    QSslConfiguration m_ssl;
};
