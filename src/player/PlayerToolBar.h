#pragma once

#include <QScopedPointer>
#include <QWidget>

namespace Ui {
class PlayerToolBar;
}
class TrackMenu;

// The bar above the player: the product name, the programme guide button
// and the settings button.
class PlayerToolBar : public QWidget {
    Q_OBJECT

public:
    explicit PlayerToolBar(QWidget *parent = nullptr);
    ~PlayerToolBar() override;

    // Opens or closes the programme guide over the player (the guide
    // button's action; the channel browser also closes the guide with it).
    void toggleGuide();
    bool isGuideShown() const { return epgShown; }
    // The choice of sound and subtitles (shown while the stream offers one).
    TrackMenu *trackMenu() const { return m_tracks; }

    // Sets the texts that come from the message catalogue again.
    void retranslate();

private slots:
    void on_settings_button_clicked();
    void on_epg_button_clicked();

protected:
    void resizeEvent(QResizeEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    const QScopedPointer<Ui::PlayerToolBar> ui;
    bool epgShown = false;
    TrackMenu *m_tracks = nullptr;
};
