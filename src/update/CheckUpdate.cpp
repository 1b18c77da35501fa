#include "update/CheckUpdate.h"

#include "app/AppState.h"
#include "app/MainWindow.h"
#include "update/UpdaterFiles.h"
#include "update/VersionInfoDialog.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QJsonObject>
#include <QJsonValue>
#include <QProcess>

namespace {

bool isRegularFile(const QString &path) {
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

} // namespace

CheckUpdate::CheckUpdate(QObject *parent)
    : QObject(parent) {}

bool CheckUpdate::isNewer(const QString &current, const QString &offered) {
    return current < offered;
}

QString CheckUpdate::offeredVersion(const QJsonValue &reply) {
    const QJsonObject object = reply.toObject();
    return QStringLiteral("%1.%2.%3")
        .arg(object.value(QStringLiteral("MajorVersion")).toInt())
        .arg(object.value(QStringLiteral("MinorVersion")).toInt())
        .arg(object.value(QStringLiteral("Build")).toInt());
}

void CheckUpdate::GetCheckNewFersionDone(const QJsonValue &result) {
    if (m_decided)
        return;
    m_decided = true;
    const QString offered = offeredVersion(result);
    const QString current = QCoreApplication::applicationVersion();
    qDebug() << current;
    if (isNewer(current, offered))
        handOverToUpdater();
    else
        finishHousekeepingAndShow();
}

void CheckUpdate::rpcError(const QString &s_error) {
    qDebug() << s_error;
    // The version lookup failing must not keep the program invisible.
    showMainWindowIfUndecided();
}

void CheckUpdate::showMainWindowIfUndecided() {
    if (m_decided)
        return;
    m_decided = true;
    finishHousekeepingAndShow();
}

void CheckUpdate::handOverToUpdater() {
    const QString path = UpdaterFiles::updaterPath();
    qDebug() << path;
    QProcess::startDetached(path, {QStringLiteral("-style"), QStringLiteral("motif")});
    QCoreApplication::quit();
}

void CheckUpdate::finishHousekeepingAndShow() {
    AppState &state = appState();
    MainWindow *window = state.mainWindow;
    if (window && state.onTop)
        window->setWindowFlags(window->windowFlags() | Qt::WindowStaysOnTopHint |
                               Qt::X11BypassWindowManagerHint);

    const QString marker = UpdaterFiles::newUpdateMarkerPath();
    if (isRegularFile(marker)) {
        QFile::remove(marker);
        auto *dialog = new VersionInfoDialog(nullptr);
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setModal(true);
        dialog->show();
    }

    const QString replacement = UpdaterFiles::replacementUpdaterPath();
    if (isRegularFile(replacement)) {
        QFile::remove(UpdaterFiles::updaterPath());
        QFile::rename(replacement, UpdaterFiles::updaterPath());
    }

    if (window)
        window->show();
    else
        m_showPending = true;
}

void CheckUpdate::mainWindowCreated() {
    if (!m_showPending)
        return;
    m_showPending = false;
    finishHousekeepingAndShow();
}
