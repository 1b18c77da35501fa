#include "update/CheckUpdate.h"

#include "app/AppState.h"
#include "app/Messages.h"
#include "app/PageFlow.h"
#include "app/SlidingStackedWidget.h"
#include "update/UpdaterFiles.h"
#include "update/VersionInfoDialog.h"
#include "widgets/AlertFrame.h"

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

int &patienceMs() {
    static int milliseconds = CheckUpdate::defaultPatienceMs;
    return milliseconds;
}

} // namespace

CheckUpdate::CheckUpdate(QObject *parent)
    : QObject(parent) {
    m_patience.setSingleShot(true);
    connect(&m_patience, &QTimer::timeout, this, &CheckUpdate::waitedLongEnough);
}

void CheckUpdate::setPatience(int milliseconds) {
    patienceMs() = milliseconds;
}

void CheckUpdate::lookupStarted() {
    // An offline lookup has failed (and decided) before it returned.
    if (m_decided)
        return;
    m_patience.start(patienceMs());
}

void CheckUpdate::waitedLongEnough() {
    // A web host that does not answer, or drips its answer, must not keep
    // the program invisible; the lookup itself keeps going.
    if (m_decided || m_shown)
        return;
    qDebug() << "version lookup still open, showing the window";
    finishHousekeepingAndShow();
}

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
    m_patience.stop();
    const QString offered = offeredVersion(result);
    const QString current = QCoreApplication::applicationVersion();
    qDebug() << current;
    if (!isNewer(current, offered)) {
        if (!m_shown)
            finishHousekeepingAndShow();
    } else if (m_shown) {
        // The user is at work by now: the update is offered, not forced.
        notify(msg("alert22"), msg("alert22_1"));
    } else {
        handOverToUpdater();
    }
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
    m_patience.stop();
    if (!m_shown)
        finishHousekeepingAndShow();
}

void CheckUpdate::handOverToUpdater() {
    const QString path = UpdaterFiles::updaterPath();
    qDebug() << path;
    // Quitting without an updater to take over would end every start
    // without a word: the program runs on and says what is missing.
    if (!isRegularFile(path) ||
        !QProcess::startDetached(path, {QStringLiteral("-style"), QStringLiteral("motif")})) {
        qDebug() << "no updater to hand over to:" << path;
        finishHousekeepingAndShow();
        notify(msg("error"), msg("updatermissing"));
        return;
    }
    QCoreApplication::quit();
}

void CheckUpdate::finishHousekeepingAndShow() {
    AppState &state = appState();
    QMainWindow *window = state.mainWindow;
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

    m_shown = true;
    if (!window) {
        m_showPending = true;
        return;
    }
    window->show();
    if (!m_notice.isEmpty())
        notify(m_noticeTitle, m_notice);
}

void CheckUpdate::notify(const QString &title, const QString &message) {
    QMainWindow *window = appState().mainWindow;
    PageFlow *flow = appState().pageFlow();
    AlertFrame *overlay = appState().alertFrame;
    if (!window || !overlay || m_showPending) {
        m_noticeTitle = title;
        m_notice = message;
        return;
    }
    m_notice.clear();
    QWidget *page = flow ? flow->stack()->currentWidget() : nullptr;
    overlay->showAlert(page ? page : window, title, message);
}

void CheckUpdate::mainWindowCreated() {
    if (!m_showPending)
        return;
    m_showPending = false;
    finishHousekeepingAndShow();
}
