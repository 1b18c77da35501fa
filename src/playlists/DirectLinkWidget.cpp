#include "playlists/DirectLinkWidget.h"

#include "ui_DirectLinkWidget.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SlidingStackedWidget.h"
#include "playlists/OfflinePlaylistStore.h"
#include "service/DownloadFileHandler.h"
#include "service/JsonRpc.h"
#include "service/SafeFileName.h"
#include "service/ServiceError.h"
#include "service/UploadFile.h"
#include "settings/DialogMainSettings.h"
#include "widgets/AlertFrame.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkReply>
#include <QTemporaryDir>

namespace {

AlertFrame *overlay() {
    return appState().alertFrame;
}

// What an upload's reply says. Success: the service took the playlist.
// Refused: the service answered and said no, with the message key to show.
// Failed: the transfer itself failed; the uploader has said so already.
struct UploadOutcome {
    enum Kind { Success, Refused, Failed } kind = Success;
    QString messageKey;
};

UploadOutcome readUploadReply(QNetworkReply *reply) {
    if (!reply)
        return {UploadOutcome::Refused, QStringLiteral("filecannotberead")};
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return {UploadOutcome::Failed, QString()};
    const QJsonObject answer = QJsonDocument::fromJson(reply->readAll()).object();
    const QString error = answer.value(QLatin1String("error")).toString();
    if (error.isEmpty() && status.toInt() >= 200 && status.toInt() < 300)
        return {};
    static const QHash<QString, QString> keys{
        {QStringLiteral("Invalid playlist title"), QStringLiteral("invalidplaylisttitle")},
        {QStringLiteral("The playlist file is empty"), QStringLiteral("playlistnochannels")},
        {QStringLiteral("The playlist holds no channels"), QStringLiteral("playlistnochannels")},
        {QStringLiteral("Unsupported playlist format: send M3U or M3U8"),
         QStringLiteral("unsupportedplaylist")},
    };
    return {UploadOutcome::Refused, keys.value(error, QStringLiteral("alert14"))};
}

} // namespace

DirectLinkWidget::DirectLinkWidget(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::DirectLinkWidget) {
    ui->setupUi(this);
    ui->label_title->setText(msg("directlink"));
    ui->lineEdit_directlink->setPlaceholderText(msg("directlink"));
    ui->lineEdit_title->setPlaceholderText(msg("title"));
    ui->lineEdit_directlink->setAttribute(Qt::WA_MacShowFocusRect, false);
    ui->lineEdit_title->setAttribute(Qt::WA_MacShowFocusRect, false);
}

DirectLinkWidget::~DirectLinkWidget() = default;

PageFlow *DirectLinkWidget::mainWindow() const {
    return m_mainWindow ? m_mainWindow : appState().pageFlow();
}

bool DirectLinkWidget::isAcceptedLink(const QString &link) {
    return SafeFileName::playlistSuffixes().contains(QFileInfo(link).completeSuffix());
}

void DirectLinkWidget::setMode(bool linkMode, const QString &path) {
    this->linkMode = linkMode;
    chosenPath = path;
    ui->lineEdit_directlink->clear();
    ui->lineEdit_title->clear();
    if (linkMode) {
        ui->frame_3->show();
        ui->lineEdit_directlink->setPlaceholderText(msg("directlink"));
        ui->lineEdit_title->setPlaceholderText(msg("title"));
    } else {
        ui->frame_3->hide();
        ui->lineEdit_directlink->setPlaceholderText(msg("title"));
    }
}

QString DirectLinkWidget::title() const {
    return linkMode ? ui->lineEdit_title->text() : ui->lineEdit_directlink->text();
}

JsonRpc *DirectLinkWidget::newClient() {
    auto *client = new JsonRpc(this);
    // An HTTP error status can bring error() after done(); deleteLater lets
    // both arrive.
    connect(client, &JsonRpc::done, client, &QObject::deleteLater);
    connect(client, &JsonRpc::error, client, &QObject::deleteLater);
    return client;
}

void DirectLinkWidget::signIn() {
    const AppState &state = appState();
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::error, this, &DirectLinkWidget::rpcError);
    client->login(state.userName, state.password, state.deviceKey);
    connect(client, &JsonRpc::done, this, &DirectLinkWidget::LoginDone);
}

void DirectLinkWidget::rejectField(QLineEdit *field, const char *messageKey) {
    if (AlertFrame *frame = overlay())
        frame->showAlert(this, msg("error"), msg(messageKey));
    field->setFocus(Qt::OtherFocusReason);
}

void DirectLinkWidget::showError(const QString &message) {
    AlertFrame *frame = overlay();
    if (!frame) {
        qDebug() << "add playlist:" << message;
        return;
    }
    frame->hideBusy();
    frame->showAlert(this, msg("error"), message);
}

void DirectLinkWidget::on_pushButton_2_clicked() {
    if (!linkMode) {
        const QString name = ui->lineEdit_directlink->text();
        if (name.isEmpty()) {
            rejectField(ui->lineEdit_directlink, "alert1");
            return;
        }
        if (AlertFrame *frame = overlay())
            frame->showBusy(this);
        uploadPath = chosenPath;
        if (!appState().offlineMode) {
            signIn();
            return;
        }
        if (!OfflinePlaylistStore::add(name, chosenPath, false)) {
            showError(msg("alert14"));
            return;
        }
        finish();
        return;
    }

    const QString link = ui->lineEdit_directlink->text();
    if (link.isEmpty()) {
        rejectField(ui->lineEdit_directlink, "alert1");
        return;
    }
    if (ui->lineEdit_title->text().isEmpty()) {
        rejectField(ui->lineEdit_title, "alert1");
        return;
    }
    if (!isAcceptedLink(link)) {
        rejectField(ui->lineEdit_directlink, "errorlink");
        return;
    }
    startDownload(link);
}

void DirectLinkWidget::startDownload(const QString &link) {
    const QString directory = OfflinePlaylistStore::absoluteDirectory();
    QDir().mkpath(directory);
    QString target = directory + QLatin1Char('/');
    if (appState().offlineMode) {
        downloadDir =
            std::make_unique<QTemporaryDir>(directory + QStringLiteral("/download-XXXXXX"));
        if (!downloadDir->isValid()) {
            showError(downloadDir->errorString());
            downloadDir.reset();
            return;
        }
        target = downloadDir->path() + QLatin1Char('/');
    }

    auto *handler = new DownloadFileHandler(this);
    handler->url = QUrl(link, QUrl::TolerantMode);
    handler->customName.clear();
    handler->targetDir = QDir(target);
    handler->allowedSuffixes = SafeFileName::playlistSuffixes();
    handler->maxBytes = maxPlaylistBytes;
    // A kept playlist's file is never replaced; the download then takes a
    // name of its own.
    handler->replaceExisting = !OfflinePlaylistStore::isListed(handler->targetPath());
    const auto finished = qOverload<const QString &>(&DownloadFileHandler::fileDownloadFinished);
    connect(handler, &DownloadFileHandler::fileDownloadStarted, this,
            &DirectLinkWidget::downloadStart);
    connect(handler, finished, this, &DirectLinkWidget::downloadFinsh);
    connect(handler, &DownloadFileHandler::fileDownloadError, this,
            &DirectLinkWidget::downloadError);
    // A file that cannot be created is a download failure like any other.
    connect(handler, &DownloadFileHandler::fileOpeningError, this,
            &DirectLinkWidget::downloadError);
    // One handler per download, gone once it has reported.
    connect(handler, finished, handler, &QObject::deleteLater);
    connect(handler, &DownloadFileHandler::fileDownloadError, handler, &QObject::deleteLater);
    connect(handler, &DownloadFileHandler::fileOpeningError, handler, &QObject::deleteLater);
    handler->beginDownload();
}

void DirectLinkWidget::downloadStart() {
    if (AlertFrame *frame = overlay())
        frame->showBusy(this);
}

void DirectLinkWidget::downloadFinsh(const QString &s_file) {
    uploadPath = s_file;
    if (!appState().offlineMode) {
        signIn();
        return;
    }
    const bool added = OfflinePlaylistStore::add(title(), s_file, true);
    downloadDir.reset();
    if (!added) {
        showError(msg("alert14"));
        return;
    }
    finish();
}

void DirectLinkWidget::downloadError(const QString &errorMessage) {
    downloadDir.reset();
    showError(errorMessage);
}

void DirectLinkWidget::LoginDone(const QJsonValue &result) {
    const QString token = result.toString();
    JsonRpc *client = newClient();
    connect(client, &JsonRpc::error, this, &DirectLinkWidget::rpcError);
    client->getUploadHash(token);
    connect(client, &JsonRpc::done, this, &DirectLinkWidget::LoadHasKey);
}

void DirectLinkWidget::LoadHasKey(const QJsonValue &result) {
    uploadHash = result.toString();
    auto *upload = new UploadFile(this);
    uploader = upload;
    connect(upload, &UploadFile::uploadFinished, this, &DirectLinkWidget::upload_finished);
    // The uploader owns its reply; both go once the page has heard of it.
    connect(upload, &UploadFile::uploadFinished, upload, &QObject::deleteLater);
    upload->upload(uploadHash, uploadPath, title());
}

void DirectLinkWidget::upload_finished(QNetworkReply *reply) {
    // Only a playlist the service took goes back to the list; otherwise the
    // page stays with what the user typed and says why.
    const UploadOutcome outcome = readUploadReply(reply);
    if (outcome.kind == UploadOutcome::Refused) {
        showError(msg(outcome.messageKey));
        return;
    }
    if (outcome.kind == UploadOutcome::Failed)
        return;
    if (AlertFrame *frame = overlay())
        frame->hideBusy();
    finish();
}

void DirectLinkWidget::rpcError(const QString &result) {
    if (result == QLatin1String("nointernet") || result == QLatin1String("unknowerror"))
        return;
    showError(msg(ServiceError::messageKey(result)));
}

void DirectLinkWidget::finish() {
    if (AlertFrame *frame = overlay())
        frame->hideBusy();
    on_pushButton_back_clicked();
    if (!appState().dialogCreated) {
        if (PageFlow *window = mainWindow())
            window->loadPlaylistPage();
    } else if (DialogMainSettings *dialog = appState().settingsDialog) {
        dialog->reloadPlaylistPage();
    }
}

void DirectLinkWidget::on_pushButton_back_clicked() {
    if (appState().dialogCreated) {
        DialogMainSettings *dialog = appState().settingsDialog;
        if (dialog && dialog->stack()) {
            dialog->stack()->setAnimation(QEasingCurve::OutQuart);
            dialog->stack()->slideInIdx(DialogMainSettings::PlaylistPage);
        }
        return;
    }
    if (PageFlow *window = mainWindow()) {
        window->stack()->setAnimation(QEasingCurve::OutQuart);
        window->stack()->slideInIdx(PageFlow::PlaylistPage);
    }
}
