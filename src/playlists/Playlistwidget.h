#pragma once

#include <QWidget>

class MainWindow;

// Playlist selection: page 5 of the main window and page 1 of the settings dialog.
class Playlistwidget : public QWidget {
    Q_OBJECT

public:
    explicit Playlistwidget(QWidget *parent = nullptr);
    ~Playlistwidget() override;

    void setMainWindow(MainWindow *window) { m_mainWindow = window; }
    void loadPlaylists();

private:
    MainWindow *m_mainWindow = nullptr;
};
