#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

// The bytes of an image file of the given size and colour, in format.
inline QByteArray imageBytes(int width, int height, const QColor &colour = Qt::red,
                             const char *format = "PNG") {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
