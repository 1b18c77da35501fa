#pragma once

#include <QWidget>

// The channel browser: groups and channels on the left, the player on the
// right. Page 7 of the main window's stack.
class HomeWidget : public QWidget {
    Q_OBJECT

public:
    explicit HomeWidget(QWidget *parent = nullptr);
    ~HomeWidget() override;

    void start();
    void stop();
    void reload();
    void toggleFullScreen();

    // Shows the current playlist's name in the channel-list toolbar.
    void updatePlaylistName();
};
