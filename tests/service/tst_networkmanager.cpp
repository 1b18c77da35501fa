#include "LocalHttpServer.h"
#include "RawHttpServer.h"
#include "SelfSignedCertificate.h"
#include "TestSupport.h"

#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"

#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QtTest>

class TestNetworkManager : public QObject {
    Q_OBJECT

private slots:
    void init() {
        NetworkManager::setTransferTimeout(NetworkManager::defaultTransferTimeout);
        setServiceConfig(ServiceConfig::defaults());
    }

    void oneSharedManagerWithTheDefaultTimeOut() {
        QCOMPARE(NetworkManager::defaultTransferTimeout, 30000);
        QCOMPARE(NetworkManager::transferTimeout(), 30000);
        QVERIFY(NetworkManager::instance());
        QCOMPARE(NetworkManager::instance(), NetworkManager::instance());
        QCOMPARE(NetworkManager::instance()->parent(), QCoreApplication::instance());
    }

    // Qt keeps six connections per host; the rest wait in its queue. A slow
    // host that keeps answering must not make the waiting requests expire.
    void requestsQueuedBehindABusyHostDoNotExpire() {
        LocalHttpServer server;
        server.respond(LocalHttpResponse{200, "logo", "image/png", 400});
        QVERIFY(server.start());
        NetworkManager::setTransferTimeout(1500);

        const int count = 30; // five rounds of six: about 2 s in all
        QList<QNetworkReply *> replies;
        for (int i = 0; i < count; ++i) {
            replies << NetworkManager::instance()->get(
                QNetworkRequest(server.url(QStringLiteral("/logo/%1.png").arg(i))));
        }
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(replies.begin(), replies.end(),
                                             [](QNetworkReply *r) { return r->isFinished(); }),
                                 30000);
        int failed = 0;
        for (QNetworkReply *reply : replies) {
            if (reply->error() != QNetworkReply::NoError)
                ++failed;
            reply->deleteLater();
        }
        QCOMPARE(failed, 0);
        QCOMPARE(server.requestCount(), count);
    }

    // Behind a host that accepts and never answers, the queued requests
    // expire with the ones on the wire instead of one batch after another.
    // Sixty requests on six connections would take ten time-outs batch by
    // batch; the bound of five leaves a busy machine four to spare.
    void aDeadHostFailsEveryRequestInOneTimeOut() {
        RawHttpServer silent;
        QVERIFY(silent.start());
        const int timeout = 1000;
        NetworkManager::setTransferTimeout(timeout);
        QList<QNetworkReply *> replies;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 60; ++i)
            replies << NetworkManager::instance()->get(QNetworkRequest(silent.url()));
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(replies.begin(), replies.end(),
                                             [](QNetworkReply *r) { return r->isFinished(); }),
                                 30000);
        QVERIFY2(clock.elapsed() < 5 * timeout, qPrintable(QString::number(clock.elapsed())));
        for (QNetworkReply *reply : replies) {
            QCOMPARE(reply->error(), QNetworkReply::OperationCanceledError);
            reply->deleteLater();
        }
    }

    void caFileAddsToTheSystemAuthorities() {
        SelfSignedCertificate certificate;
        QVERIFY2(certificate.isValid(), qPrintable(certificate.errorText()));
        const QSslCertificate extra =
            QSslCertificate::fromPath(certificate.certificateFile()).value(0);
        QVERIFY(!extra.isNull());

        ServiceConfig config = ServiceConfig::defaults();
        config.caFile = certificate.certificateFile();
        setServiceConfig(config);
        const QList<QSslCertificate> trusted =
            NetworkManager::instance()->sslConfiguration().caCertificates();
        QVERIFY(trusted.contains(extra));
        const QList<QSslCertificate> system = QSslConfiguration::systemCaCertificates();
        for (const QSslCertificate &authority : system)
            QVERIFY(trusted.contains(authority));

        // Without a file, or with one that holds nothing, the defaults stay.
        for (const QString &file :
             {QString(), QStringLiteral("/nonexistent/ca.pem"), certificate.keyFile()}) {
            config.caFile = file;
            setServiceConfig(config);
            QCOMPARE(NetworkManager::instance()->sslConfiguration(),
                     QSslConfiguration::defaultConfiguration());
        }
    }
};

QTEST_MAIN(TestNetworkManager)
#include "tst_networkmanager.moc"
