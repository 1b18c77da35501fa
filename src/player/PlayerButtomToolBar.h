#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class PlayerButtomToolBar;
}
class PlayerWidget;

// The bar below the player: full screen, aspect ratio, previous and next
// channel, play and pause, mute and volume. Volume and mute are kept in the
// settings store across runs.
class PlayerButtomToolBar : public QWidget {
    Q_OBJECT

public:
    explicit PlayerButtomToolBar(QWidget *parent = nullptr);
    ~PlayerButtomToolBar() override;

    void showPlayIcon();
    void showPauseIcon();

    bool isMuted() const { return muted != 0; }

    // What the play, mute and volume controls do, for the keyboard: the
    // icons and the stored volume and mute follow as they do for a click.
    void togglePlayback() { on_play_button_clicked(); }
    void toggleMute() { on_volume_button_clicked(); }
    // Moves the slider by step, within its range.
    void stepVolume(int step);
    int volume() const;

private slots:
    void on_fullscreen_button_clicked();
    void on_filscren_button_clicked();
    void on_volume_slide_sliderMoved(int position);
    void on_volume_button_clicked();
    void on_play_button_clicked();
    void on_fullscreen_button_4_clicked();
    void on_fullscreen_button_3_clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showMuteIcon(bool mute);
    void applyVolume(int volume);
    static PlayerWidget *player();

    const QScopedPointer<Ui::PlayerButtomToolBar> ui;
    int muted = 0;
};
