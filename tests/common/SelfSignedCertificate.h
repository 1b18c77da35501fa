#pragma once

#include <QString>
#include <QTemporaryDir>

// A fresh self-signed certificate for 127.0.0.1 and localhost with its key,
// as PEM files in a temporary folder, made with the openssl command.
class SelfSignedCertificate {
public:
    // Empty file names when the certificate could not be made.
    SelfSignedCertificate();
    // One for another name, such as CN "wrong.example" with the
    // subjectAltName "DNS:wrong.example": served on 127.0.0.1 and trusted,
    // it is still refused for not naming the host.
    SelfSignedCertificate(const QString &commonName, const QString &subjectAltName);

    bool isValid() const { return !m_certificateFile.isEmpty(); }
    QString certificateFile() const { return m_certificateFile; }
    QString keyFile() const { return m_keyFile; }
    QString errorText() const { return m_error; }

private:
    QTemporaryDir m_dir;
    QString m_certificateFile;
    QString m_keyFile;
    QString m_error;
};
