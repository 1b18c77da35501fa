#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>

class AlertFrame;
class DialogMainSettings;
class HomeWidget;
class PageFlow;
class QTranslator;

// The one record of the run that every page reads and writes directly.
// It is filled from the settings store at start-up; each page that changes
// an item also writes the matching settings key itself when it must persist.
struct AppState {
    QString userName;
    QString password;
    QString deviceKey;
    QString deviceName;
    int playlistId = 0;
    QString playlistName;
    QString playlistSource;
    QString language;
    bool onTop = false;
    QString cacheSize;
    bool plainNameSignIn = false;
    bool offlineMode = false;
    QString parentPassword;

    bool dialogCreated = false;
    QPointer<DialogMainSettings> settingsDialog;

    // The main window as a window; pageFlow() is the same object as the
    // transitions between pages, null once the window has gone.
    QPointer<QMainWindow> mainWindow;
    PageFlow *pageFlow() const;
    QPointer<AlertFrame> alertFrame;
    QPointer<HomeWidget> homeWidget;

    // Owned by the application object once start-up has created it.
    QPointer<QTranslator> appTranslator;

    // Reads the nine start-up keys of group "info"; absent keys give empty
    // strings, 0 and false.
    void loadFromSettings();

    // Back to the values of a fresh run, for tests.
    void reset();
};

AppState &appState();

// The channel browser, or null before it exists.
HomeWidget *homePage();
