#include "settings/DialogMainSettings.h"

#include "account/ProfileWidget.h"
#include "app/AppState.h"
#include "app/SlidingStackedWidget.h"
#include "playlists/DirectLinkWidget.h"
#include "playlists/Playlistwidget.h"
#include "settings/ForgotParentPaswordWidget.h"
#include "settings/LanguageWidget.h"
#include "settings/NetworkWidget.h"
#include "settings/ParentWidget.h"
#include "settings/SettingsWidget.h"
#include "settings/ShortcutsWidget.h"
#include "widgets/AlertFrame.h"

#include <QFrame>

namespace {
constexpr int dialogWidth = 420;
constexpr int dialogHeight = 580;
constexpr int stackSpeed = 750;
} // namespace

DialogMainSettings::DialogMainSettings(QWidget *parent, bool parentalRequest, bool parentalFlag)
    : QDialog(parent) {
    // Above other windows whatever the always-on-top setting says: the
    // dialog is modal, and must never hide behind the window it blocks.
    setWindowFlags(windowFlags() | onTopHints);
    if (objectName().isEmpty())
        setObjectName(QStringLiteral("DialogMainSettings"));
    resize(dialogWidth, dialogHeight);
    setMinimumSize(dialogWidth, dialogHeight);
    setMaximumSize(dialogWidth, dialogHeight);
    setWindowTitle(QString());
    // A closed dialog is never shown again; each opening makes a new one.
    setAttribute(Qt::WA_DeleteOnClose);
    QMetaObject::connectSlotsByName(this);

    AppState &state = appState();
    state.dialogCreated = true;
    state.settingsDialog = this;

    m_menu = new SettingsWidget(this);
    m_playlist = new Playlistwidget(this);
    m_directLink = new DirectLinkWidget(this);
    m_language = new LanguageWidget(this);
    m_parent = new ParentWidget(this);
    m_reset = new ForgotParentPaswordWidget(this);
    m_profile = new ProfileWidget(this);
    m_network = new NetworkWidget(this);
    m_shortcuts = new ShortcutsWidget(this);

    m_stack = new SlidingStackedWidget(this);
    m_stack->setGeometry(0, 0, width(), height());
    m_stack->addWidget(m_menu);
    m_stack->addWidget(m_playlist);
    m_stack->addWidget(m_directLink);
    m_stack->addWidget(m_language);
    m_stack->addWidget(m_parent);
    m_stack->addWidget(m_reset);
    m_stack->addWidget(m_network);
    m_stack->addWidget(m_profile);
    m_stack->addWidget(m_shortcuts);

    if (parentalRequest) {
        m_parent->setMode(ParentWidget::UnlockMode, parentalFlag);
        m_stack->slideInIdx(ParentPage);
    } else {
        m_stack->slideInIdx(MenuPage);
    }
    m_stack->setSpeed(stackSpeed);
    m_stack->setAnimation(QEasingCurve::OutExpo);
}

DialogMainSettings::~DialogMainSettings() {
    releaseAlertFrame();
    // The pages go with the dialog below; none of them may reach it through
    // the process-wide pointer while that happens.
    if (appState().settingsDialog == this)
        appState().settingsDialog = nullptr;
}

DialogMainSettings *DialogMainSettings::of(const QWidget *page) {
    if (page) {
        if (auto *dialog = qobject_cast<DialogMainSettings *>(page->window()))
            return dialog;
    }
    return appState().settingsDialog.data();
}

Qt::WindowFlags DialogMainSettings::mainWindowFlags(Qt::WindowFlags flags, bool onTop) {
    return onTop ? flags | onTopHints : flags & ~onTopHints;
}

void DialogMainSettings::adoptAlertFrame() {
    AlertFrame *overlay = appState().alertFrame;
    if (overlay && !isAncestorOf(overlay))
        overlay->setParent(this);
}

void DialogMainSettings::releaseAlertFrame() {
    AlertFrame *overlay = appState().alertFrame;
    if (!overlay || !isAncestorOf(overlay))
        return;
    QMainWindow *window = appState().mainWindow;
    if (!window)
        return; // nothing left to hand it to: it goes with the dialog
    // Nothing in the dialog can end a busy state or dismiss an alert any
    // more; the main window gets the overlay back idle.
    overlay->hideBusy();
    if (auto *panel = overlay->findChild<QFrame *>(QStringLiteral("frame_top")))
        panel->hide();
    overlay->setParent(window);
    overlay->hide();
}

void DialogMainSettings::showMenu() {
    m_stack->setVerticalMode(false);
    m_stack->setAnimation(QEasingCurve::OutExpo);
    m_stack->slideInIdx(MenuPage);
}

void DialogMainSettings::showPlaylistPage() {
    m_playlist->loadPlaylists();
    m_stack->slideInIdx(PlaylistPage);
}

void DialogMainSettings::showDirectLink(bool linkMode, const QString &path) {
    m_directLink->setMode(linkMode, path);
    m_stack->setVerticalMode(true);
    m_stack->setAnimation(QEasingCurve::OutQuart);
    m_stack->slideInIdx(AddPlaylistPage);
}

void DialogMainSettings::showLanguagePage() {
    m_stack->slideInIdx(LanguagePage);
}

void DialogMainSettings::showParentPage() {
    m_stack->slideInIdx(ParentPage);
}

void DialogMainSettings::showResetPage() {
    m_stack->setVerticalMode(true);
    m_stack->setAnimation(QEasingCurve::OutQuart);
    m_stack->slideInIdx(ResetPage);
}

void DialogMainSettings::showNetworkPage() {
    m_stack->setVerticalMode(false);
    m_stack->setAnimation(QEasingCurve::OutExpo);
    m_stack->slideInIdx(NetworkPage);
}

void DialogMainSettings::showProfilePage() {
    m_stack->setVerticalMode(false);
    m_stack->setAnimation(QEasingCurve::OutExpo);
    m_stack->slideInIdx(ProfilePage);
}

void DialogMainSettings::showShortcutsPage() {
    m_stack->setVerticalMode(false);
    m_stack->setAnimation(QEasingCurve::OutExpo);
    m_stack->slideInIdx(ShortcutsPage);
}

void DialogMainSettings::reloadPlaylistPage() {
    m_playlist->loadPlaylists();
}
