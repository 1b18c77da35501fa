#pragma once

#include "EnginePlugins.h"
#include "StreamServer.h"
#include "TestClips.h"

#include <QImage>
#include <QScopedPointer>
#include <QStringList>
#include <QTemporaryDir>

// The streams the player tests play, made once per test program: a short
// file that ends at once, a file of a few seconds, and a long file served at
// its real-time rate like a live channel, all over HTTP from 127.0.0.1.
class PlayerTestStreams {
public:
    static constexpr double liveSeconds = 30;

    bool make() {
        keepEnginePluginsLoaded();
        if (!m_dir.isValid() || !TestClips::available())
            return false;
        if (!TestClips::makeTransportStream(m_dir.filePath(QStringLiteral("short.ts")), 1) ||
            !TestClips::makeTransportStream(m_dir.filePath(QStringLiteral("clip.ts")), 4) ||
            !TestClips::makeTransportStream(m_dir.filePath(QStringLiteral("live.ts")), liveSeconds))
            return false;
        m_server.reset(new StreamServer(m_dir.path()));
        m_server->setLive(QStringLiteral("live.ts"), liveSeconds);
        return m_server->start();
    }

    StreamServer *server() const { return m_server.data(); }
    QString url(const QString &name) const { return m_server->url(name); }

    // Sound goes to ALSA's null device: nothing is heard, and unlike the
    // dummy output it keeps a volume and a mute state that can be read back.
    static QStringList silentAudio() {
        return {QStringLiteral("--aout=alsa"), QStringLiteral("--alsa-audio-device=null")};
    }

private:
    QTemporaryDir m_dir;
    QScopedPointer<StreamServer> m_server;
};

// Share of pixels that are clearly not black.
inline double litShare(const QImage &image) {
    if (image.isNull() || image.width() == 0 || image.height() == 0)
        return 0;
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    qint64 lit = 0;
    for (int y = 0; y < rgb.height(); ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
        for (int x = 0; x < rgb.width(); ++x) {
            if (qRed(line[x]) + qGreen(line[x]) + qBlue(line[x]) > 90)
                ++lit;
        }
    }
    return double(lit) / (qint64(rgb.width()) * rgb.height());
}
