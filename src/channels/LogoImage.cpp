#include "channels/LogoImage.h"

#include <QBuffer>
#include <QImageReader>

#include <algorithm>

namespace {

// A GIF decodes onto its logical screen, whose size the reader does not
// report: it gives that of the first frame. The screen is checked here.
bool gifScreenAcceptable(QIODevice *device) {
    const QByteArray head = device ? device->peek(10) : QByteArray();
    if (head.size() < 10 || !head.startsWith("GIF"))
        return true;
    const auto byte = [&head](int i) { return int(uchar(head.at(i))); };
    const QSize screen(byte(6) | byte(7) << 8, byte(8) | byte(9) << 8);
    // Some writers leave the screen empty; the frame size then counts.
    return screen.isEmpty() || LogoImage::acceptableSize(screen);
}

bool headerAcceptable(QImageReader &reader) {
    // Formats that cannot tell their size without decoding are refused
    // too: nothing would bound what they allocate.
    return reader.canRead() && gifScreenAcceptable(reader.device()) &&
           LogoImage::acceptableSize(reader.size());
}

QImage readChecked(QImageReader &reader) {
    if (!headerAcceptable(reader))
        return QImage();
    const QImage image = reader.read();
    // What was decoded must match what was announced.
    return LogoImage::acceptableSize(image.size()) ? image : QImage();
}

} // namespace

bool LogoImage::acceptableSize(const QSize &size) {
    if (size.width() < 1 || size.height() < 1 || size.width() > maxSide || size.height() > maxSide)
        return false;
    return qint64(size.width()) * size.height() <= maxPixels;
}

QImage LogoImage::read(QIODevice *device) {
    QImageReader reader(device);
    return readChecked(reader);
}

QImage LogoImage::read(const QString &path) {
    if (path.isEmpty())
        return QImage();
    QImageReader reader(path);
    return readChecked(reader);
}

bool LogoImage::acceptableData(const QByteArray &data) {
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return headerAcceptable(reader);
}

QSize LogoImage::scaledSize(const QSize &imageSize, int side, int maxHeight) {
    side = std::max(side, 1);
    maxHeight = std::max(maxHeight, 1);
    const qint64 width = std::max(imageSize.width(), 1);
    const qint64 height = std::max(imageSize.height(), 0);
    const qint64 scaledHeight = side * height / width;
    if (scaledHeight <= maxHeight)
        return QSize(side, int(std::max<qint64>(scaledHeight, 1)));
    const qint64 scaledWidth = maxHeight * width / std::max<qint64>(height, 1);
    return QSize(int(std::clamp<qint64>(scaledWidth, 1, side)), maxHeight);
}
