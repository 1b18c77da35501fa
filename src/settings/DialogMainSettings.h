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

// The modal settings dialog with its own sliding stack: the menu, a second
// playlist and add-playlist page, language, parental password, network
// caching and profile.
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
    };

    DialogMainSettings(QWidget *parent, bool parentalRequest, bool parentalFlag);
    ~DialogMainSettings() override;

    SlidingStackedWidget *stack() const { return m_stack; }

    // Navigation used by the pages.
    void showMenu();
    void showPlaylistPage();
    void showDirectLink(bool linkMode, const QString &path);
    void showLanguagePage();
    void showParentPage();
    void showResetPage();
    void showNetworkPage();
    void showProfilePage();
    void reloadPlaylistPage();

private:
    SlidingStackedWidget *m_stack = nullptr;
};
