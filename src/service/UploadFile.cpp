#include "service/UploadFile.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "service/FailureAlert.h"
#include "service/NetworkManager.h"
#include "service/ServiceConfig.h"
#include "widgets/AlertFrame.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMetaType>
#include <QNetworkRequest>

namespace {

const QByteArray boundary = QByteArrayLiteral("*****");

// One path segment: everything but unreserved characters is encoded, so a
// title with "/", "?", "#" or "%" cannot change the shape of the address.
QString pathSegment(const QString &text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

UploadFile::UploadFile(QObject *parent)
    : QObject(parent) {}

UploadFile::~UploadFile() = default;

QByteArray UploadFile::multipartBody(const QString &fileName, const QByteArray &content) {
    QByteArray body;
    body += "--" + boundary + "\r\n";
    body += "--" + boundary + "\r\n";
    // A quote or a line break in the name would end the header early; they
    // are percent-encoded, as browsers do, and everything else goes as is.
    QByteArray name = fileName.toUtf8();
    name.replace('"', "%22").replace('\r', "%0D").replace('\n', "%0A");
    body += "Content-Disposition: form-data; name=\"inplaylist\"; filename=\"" + name + "\"\r\n";
    body += "Content-Type: audio/x-mpegurl\r\n\r\n";
    body += content;
    body += "\r\n";
    body += "--" + boundary + "--\r\n";
    return body;
}

void UploadFile::upload(const QString &hash, const QString &filePath, const QString &title) {
    const QString fileName = QFileInfo(filePath).fileName();
    const QUrl address = serviceConfig().webAddress(
        QStringLiteral("/upload/playlist/%1/%2").arg(pathSegment(hash), pathSegment(title)));

    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qDebug() << "upload: cannot read" << filePath << file.errorString();
        // The caller says why, from the null reply: an alert of its own
        // here would show "unknown error" first, or instead.
        if (AlertFrame *overlay = appState().alertFrame)
            overlay->hideBusy();
        reply = nullptr;
        QMetaObject::invokeMethod(
            this, [this] { emit uploadFinished(nullptr); }, Qt::QueuedConnection);
        return;
    }
    const QByteArray body = multipartBody(fileName, file.readAll());

    QNetworkRequest request(address);
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QByteArray("multipart/form-data; boundary=" + boundary));
    request.setHeader(QNetworkRequest::ContentLengthHeader, QByteArray::number(body.size()));

    qRegisterMetaType<QNetworkReply::NetworkError>("QNetworkReply::NetworkError");
    reply = NetworkManager::instance()->post(request, body);
    // The caller may read the reply in uploadFinished(); it lives as long
    // as this uploader.
    reply->setParent(this);
    connect(reply, &QNetworkReply::finished, this, &UploadFile::replyFinished);
    connect(reply, &QNetworkReply::errorOccurred, this, &UploadFile::RequestError,
            Qt::QueuedConnection);
}

void UploadFile::replyFinished() {
    emit uploadFinished(reply);
}

void UploadFile::RequestError(QNetworkReply::NetworkError code) {
    // The service answered and refused: its answer tells the caller why,
    // which says more than a transport failure would.
    if (reply && reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        return;
    if (code == QNetworkReply::HostNotFoundError)
        showFailureAlert(msg("nointernet"));
    else
        showFailureAlert(msg("unknowerror"));
}
