#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QIODevice;

// Channel logos come from anywhere: a small file can announce an image of
// billions of pixels, which decoding would allocate on the GUI thread. A
// logo's size is read from its header first, and only sizes a logo can
// sensibly have are decoded.
class LogoImage {
public:
    static constexpr int maxSide = 4096;
    static constexpr qint64 maxPixels = 4 * 1024 * 1024;

    // Both sides at least 1 and at most maxSide, and at most maxPixels.
    static bool acceptableSize(const QSize &size);

    // The image, or a null one when it cannot be read, its header gives no
    // size, or the size is refused.
    static QImage read(QIODevice *device);
    static QImage read(const QString &path);
    // Whether read() would take a file of these contents, from its header
    // alone. Safe on any thread.
    static bool acceptableData(const QByteArray &data);

    // The size a logo of imageSize is drawn at in a channel row: width
    // side, height in proportion; a logo taller than maxHeight is shrunk to
    // maxHeight, aspect kept. Never empty.
    static QSize scaledSize(const QSize &imageSize, int side, int maxHeight);
};
