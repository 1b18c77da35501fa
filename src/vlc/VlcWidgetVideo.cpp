#include "vlc/VlcWidgetVideo.h"

#include "vlc/VlcMediaPlayer.h"

#include <QDebug>
#include <QGuiApplication>
#include <QPalette>

#include <cstdlib>
#include <cstring>
#include <vlc/vlc.h>

namespace {
// Frames of an engine that has no window to paint into land here and are
// dropped. Each video output gets its own buffer, made when it learns the
// picture size and freed when it closes, so nothing outlives the engine.
unsigned formatScratch(void **opaque, char *chroma, unsigned *width, unsigned *height,
                       unsigned *pitches, unsigned *lines) {
    memcpy(chroma, "RV32", 4);
    pitches[0] = *width * 4;
    lines[0] = *height;
    *opaque = calloc(size_t(pitches[0]) * lines[0] + 64, 1);
    return *opaque ? 1 : 0;
}

void freeScratch(void *opaque) {
    free(opaque);
}

void *lockScratch(void *opaque, void **planes) {
    planes[0] = opaque;
    return nullptr;
}

void paintBlack(QWidget *widget) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, Qt::black);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}
} // namespace

VlcWidgetVideo::VlcWidgetVideo(VlcMediaPlayer *player, QWidget *parent)
    : VlcWidgetVideo(parent) {
    if (player)
        player->setVideoWidget(this);
}

VlcWidgetVideo::VlcWidgetVideo(QWidget *parent)
    : QWidget(parent) {
    paintBlack(this);
    m_surface = new QWidget(this);
    paintBlack(m_surface);
}

WId VlcWidgetVideo::surfaceId() const {
    return m_embedded ? m_surface->winId() : 0;
}

void VlcWidgetVideo::bind(libvlc_media_player_t *player) {
    if (!player)
        return;
    // Clicks and keys stay with the window system's widgets (the player
    // handles clicks); the engine must not claim them.
    libvlc_video_set_mouse_input(player, 0);
    libvlc_video_set_key_input(player, 0);

    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("xcb")) {
        // The engine opens its own window inside this one and follows its
        // size; the surface must therefore be a real window of its own.
        m_surface->setAttribute(Qt::WA_NativeWindow);
        libvlc_media_player_set_xwindow(player, quint32(m_surface->winId()));
        m_embedded = true;
    } else if (platform == QLatin1String("windows")) {
        m_surface->setAttribute(Qt::WA_NativeWindow);
        libvlc_media_player_set_hwnd(player, reinterpret_cast<void *>(m_surface->winId()));
        m_embedded = true;
    } else {
        // No native window to give (an off-screen platform has only a fake
        // one): the picture goes nowhere.
        qDebug() << "No video embedding on platform" << platform;
        discardVideo(player);
        m_embedded = false;
    }
}

void VlcWidgetVideo::discardVideo(libvlc_media_player_t *player) {
    libvlc_video_set_callbacks(player, &lockScratch, nullptr, nullptr, nullptr);
    libvlc_video_set_format_callbacks(player, &formatScratch, &freeScratch);
}

void VlcWidgetVideo::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    m_surface->setGeometry(rect());
}
