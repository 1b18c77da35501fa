#include "service/NetworkManager.h"

#include "service/ServiceConfig.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QNetworkReply>
#include <QPointer>
#include <QSslCertificate>
#include <QThread>
#include <QTimer>

namespace {

int g_transferTimeout = NetworkManager::defaultTransferTimeout;

qint64 now() {
    static QElapsedTimer clock;
    if (!clock.isValid())
        clock.start();
    return clock.elapsed();
}

// When any request last received bytes from a host (GUI thread only).
QHash<QString, qint64> &hostActivity() {
    static QHash<QString, qint64> activity;
    return activity;
}

QString hostKey(const QUrl &url) {
    const QString scheme = url.scheme().toLower();
    const int defaultPort = scheme == QLatin1String("https") ? 443 : 80;
    return scheme + QLatin1String("://") + url.host().toLower() + QLatin1Char(':') +
           QString::number(url.port(defaultPort));
}

// Aborts its reply once nothing has moved for the time-out (see the header).
class TransferWatch : public QObject {
public:
    TransferWatch(QNetworkReply *reply, const QString &host, int timeout)
        : QObject(reply)
        , m_reply(reply)
        , m_host(host)
        , m_timeout(timeout)
        , m_last(now()) {
        m_timer.setSingleShot(true);
        connect(&m_timer, &QTimer::timeout, this, &TransferWatch::check);
        connect(reply, &QNetworkReply::uploadProgress, this, [this](qint64 sent, qint64) {
            if (sent > 0)
                ownActivity();
        });
        connect(reply, &QNetworkReply::downloadProgress, this, [this](qint64 bytes, qint64) {
            if (bytes > 0)
                dataReceived();
        });
        connect(reply, &QNetworkReply::metaDataChanged, this, &TransferWatch::dataReceived);
        connect(reply, &QNetworkReply::finished, &m_timer, &QTimer::stop);
        m_timer.start(m_timeout);
    }

private:
    void ownActivity() {
        m_onWire = true;
        m_last = now();
    }

    void dataReceived() {
        ownActivity();
        hostActivity().insert(m_host, m_last);
    }

    void check() {
        qint64 last = m_last;
        if (!m_onWire)
            last = qMax(last, hostActivity().value(m_host, last));
        const qint64 idle = now() - last;
        if (idle < m_timeout) {
            m_timer.start(int(m_timeout - idle));
            return;
        }
        qDebug() << "request to" << m_host << "timed out after" << idle << "ms without data";
        m_reply->abort();
    }

    QNetworkReply *const m_reply;
    const QString m_host;
    const int m_timeout;
    qint64 m_last;
    bool m_onWire = false;
    QTimer m_timer;
};

} // namespace

NetworkManager::NetworkManager(QObject *parent)
    : QNetworkAccessManager(parent) {}

NetworkManager *NetworkManager::instance() {
    static QPointer<NetworkManager> manager;
    if (!manager) {
        QCoreApplication *app = QCoreApplication::instance();
        Q_ASSERT(app && QThread::currentThread() == app->thread());
        manager = new NetworkManager(app);
    }
    return manager;
}

int NetworkManager::transferTimeout() {
    return g_transferTimeout;
}

void NetworkManager::setTransferTimeout(int milliseconds) {
    g_transferTimeout = milliseconds;
}

QSslConfiguration NetworkManager::sslConfiguration() {
    const QString caFile = serviceConfig().caFile;
    if (m_caLoaded && caFile == m_caFile)
        return m_ssl;
    m_caFile = caFile;
    m_caLoaded = true;
    m_ssl = QSslConfiguration::defaultConfiguration();
    if (caFile.isEmpty())
        return m_ssl;

    QFile file(caFile);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "ca_file" << caFile << "cannot be read:" << file.errorString();
        return m_ssl;
    }
    const QList<QSslCertificate> extra = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
    if (extra.isEmpty()) {
        qDebug() << "ca_file" << caFile << "holds no PEM certificate";
        return m_ssl;
    }
    // An explicit list ends the on-demand lookup of the system authorities,
    // so they are listed too: the file adds trust, it never replaces it.
    QList<QSslCertificate> authorities = QSslConfiguration::systemCaCertificates();
    for (const QSslCertificate &certificate : m_ssl.caCertificates() + extra) {
        if (!authorities.contains(certificate))
            authorities.append(certificate);
    }
    m_ssl.setCaCertificates(authorities);
    return m_ssl;
}

QNetworkReply *NetworkManager::createRequest(Operation op, const QNetworkRequest &request,
                                             QIODevice *outgoingData) {
    QNetworkRequest withDefaults(request);
    // HTTP requests too: a redirect may take one to HTTPS, and Qt follows
    // it with the configuration of the first request.
    withDefaults.setSslConfiguration(sslConfiguration());
    QNetworkReply *reply = QNetworkAccessManager::createRequest(op, withDefaults, outgoingData);
    if (g_transferTimeout > 0 && !reply->isFinished())
        new TransferWatch(reply, hostKey(request.url()), g_transferTimeout);
    return reply;
}
