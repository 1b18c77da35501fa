#pragma once

#include <QNetworkReply>
#include <QObject>
#include <QString>

// Posts one local playlist file to the service's upload address
// (web host, /upload/playlist/<hash>/<title>) as multipart form data.
//
// uploadFinished() always follows an upload, from the event loop: with the
// service's reply (not read here, owned by the uploader), also after a
// network failure, which additionally shows the "error" alert. When the
// file cannot be read nothing is sent: the caller's busy overlay is ended
// and uploadFinished() carries a null reply; no alert is shown here, as the
// caller names the unreadable file.
class UploadFile : public QObject {
    Q_OBJECT

public:
    explicit UploadFile(QObject *parent = nullptr);
    ~UploadFile() override;

    void upload(const QString &hash, const QString &filePath, const QString &title);

signals:
    void uploadFinished(QNetworkReply *m_reply);

public slots:
    void replyFinished();
    void RequestError(QNetworkReply::NetworkError);

private:
    static QByteArray multipartBody(const QString &fileName, const QByteArray &content);

    QNetworkReply *reply = nullptr;
};
