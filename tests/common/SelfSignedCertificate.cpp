#include "SelfSignedCertificate.h"

#include <QProcess>

SelfSignedCertificate::SelfSignedCertificate()
    : SelfSignedCertificate(QStringLiteral("127.0.0.1"),
                            QStringLiteral("IP:127.0.0.1,DNS:localhost")) {}

SelfSignedCertificate::SelfSignedCertificate(const QString &commonName,
                                             const QString &subjectAltName) {
    const QString certificate = m_dir.filePath(QStringLiteral("cert.pem"));
    const QString key = m_dir.filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"),
                   QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                   QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                   QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                   QStringLiteral("/CN=") + commonName, QStringLiteral("-addext"),
                   QStringLiteral("subjectAltName=") + subjectAltName, QStringLiteral("-keyout"),
                   key, QStringLiteral("-out"), certificate});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        m_error =
            openssl.errorString() + QLatin1Char(' ') + QString::fromLocal8Bit(openssl.readAll());
        return;
    }
    m_certificateFile = certificate;
    m_keyFile = key;
}
