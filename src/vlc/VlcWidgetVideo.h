#pragma once

#include <QWidget>

struct libvlc_media_player_t;
class VlcMediaPlayer;

// The surface a media player paints its video into: a native child window
// that fills this widget. How the engine is handed that window depends on
// the windowing system, and that choice lives here only.
class VlcWidgetVideo : public QWidget {
    Q_OBJECT

public:
    explicit VlcWidgetVideo(VlcMediaPlayer *player, QWidget *parent = nullptr);
    explicit VlcWidgetVideo(QWidget *parent = nullptr);

    // Whether the engine paints into this widget on the current platform.
    bool isEmbedded() const { return m_embedded; }
    // The native window the engine paints into (0 before binding).
    WId surfaceId() const;

    // Hands the surface to the engine. Called by VlcMediaPlayer::setVideoWidget.
    void bind(libvlc_media_player_t *player);

    // Makes the engine decode video into memory and drop it, for a player
    // without a window to paint into, so that it never opens a window of its
    // own or falls back to a text console output. This also switches the
    // engine's hardware decoding off.
    static void discardVideo(libvlc_media_player_t *player);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_surface = nullptr;
    bool m_embedded = false;
};
