// Logo files as any web host may send them: the size is read from the
// header first, and only an image of an accepted size is decoded. The first
// bytes also give a size to draw at, whose result must fit the row.
#include "channels/LogoImage.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_logo_image";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);

    QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const QImage image = LogoImage::read(&buffer);
    if (!image.isNull() && !LogoImage::acceptableSize(image.size()))
        abort();

    if (size >= 16) {
        int numbers[4];
        std::memcpy(numbers, data, sizeof numbers);
        const int side = numbers[2] & 0xfff;
        const int maxHeight = numbers[3] & 0xfff;
        const QSize drawn = LogoImage::scaledSize(QSize(numbers[0], numbers[1]), side, maxHeight);
        if (drawn.width() < 1 || drawn.height() < 1 || drawn.width() > qMax(side, 1) ||
            drawn.height() > qMax(maxHeight, 1))
            abort();
    }
    return 0;
}
