#pragma once

#include <QDialog>

class SlidingStackedWidget;
class SettingsWidget;
class Playlistwidget;
class DirectLinkWidget;
class LanguageWidget;
class ParentWidget;
class ForgotParentPaswordWidget;
class ProfileWidget;
class NetworkWidget;
class ShortcutsWidget;

// The modal settings dialog with its own sliding stack: the menu, a second
// playlist and add-playlist page, language, parental password, network
// caching, profile and the list of keyboard shortcuts.
//
// Every opening makes a new dialog, which goes away by itself once it has
// been closed; the process-wide pointer to the live dialog then reads null.
class DialogMainSettings : public QDialog {
    Q_OBJECT

public:
    // Stack indices, in the order the pages are added.
    enum Page {
        MenuPage = 0,
        PlaylistPage = 1,
        AddPlaylistPage = 2,
        LanguagePage = 3,
        ParentPage = 4,
        ResetPage = 5,
        NetworkPage = 6,
        ProfilePage = 7,
        ShortcutsPage = 8,
    };

    // parentalRequest opens the dialog at the parental password page to
    // unlock a private channel; parentalFlag then says whether the channel
    // is played afterwards (true) or its private mark toggled (false).
    DialogMainSettings(QWidget *parent, bool parentalRequest, bool parentalFlag);
    ~DialogMainSettings() override;

    SlidingStackedWidget *stack() const { return m_stack; }

    // The dialog that shows a page: the page's own window when that is a
    // settings dialog, otherwise the live one (or null).
    static DialogMainSettings *of(const QWidget *page);

    SettingsWidget *menuPage() const { return m_menu; }
    Playlistwidget *playlistPage() const { return m_playlist; }
    DirectLinkWidget *addPlaylistPage() const { return m_directLink; }
    LanguageWidget *languagePage() const { return m_language; }
    ParentWidget *parentPage() const { return m_parent; }
    ForgotParentPaswordWidget *resetPage() const { return m_reset; }
    NetworkWidget *networkPage() const { return m_network; }
    ProfileWidget *profilePage() const { return m_profile; }
    ShortcutsWidget *shortcutsPage() const { return m_shortcuts; }

    // Navigation used by the pages.
    void showMenu();
    void showPlaylistPage();
    void showDirectLink(bool linkMode, const QString &path);
    void showLanguagePage();
    void showParentPage();
    void showResetPage();
    void showNetworkPage();
    void showProfilePage();
    void showShortcutsPage();
    void reloadPlaylistPage();

    // Puts the shared alert overlay into this dialog, so that the busy layer
    // a page shows covers the dialog rather than the window behind it.
    void adoptAlertFrame();

    // The two hints that keep a window above the others.
    static constexpr Qt::WindowFlags onTopHints =
        Qt::WindowStaysOnTopHint | Qt::BypassWindowManagerHint;
    // The main window's flags with the always-on-top switch on or off. Off
    // takes away both hints that on adds, so that switching twice gives the
    // window back the flags it had.
    static Qt::WindowFlags mainWindowFlags(Qt::WindowFlags flags, bool onTop);

private:
    // Hands the shared alert overlay back to the main window when it is
    // inside this dialog, so that it does not go with the dialog.
    void releaseAlertFrame();

    SlidingStackedWidget *m_stack = nullptr;
    SettingsWidget *m_menu = nullptr;
    Playlistwidget *m_playlist = nullptr;
    DirectLinkWidget *m_directLink = nullptr;
    LanguageWidget *m_language = nullptr;
    ParentWidget *m_parent = nullptr;
    ForgotParentPaswordWidget *m_reset = nullptr;
    ProfileWidget *m_profile = nullptr;
    NetworkWidget *m_network = nullptr;
    ShortcutsWidget *m_shortcuts = nullptr;
};
