#include "quiz/background.h"

#include <QPainter>
#include <cmath>

namespace Quiz {

QColor bandColour(qint16 shade, int index)
{
    const int level = 10 * shade;
    return QColor(level, level, index);
}

QImage paintBands(QSize size, qreal devicePixelRatio, qint16 shade)
{
    if (size.isEmpty())
        return QImage();
    const int width = int(std::ceil(size.width() * devicePixelRatio));
    const int height = int(std::ceil(size.height() * devicePixelRatio));
    // Opaque RGB32 is the format the screen backing store uses, so filling
    // it and later drawing it onto the window are both plain copies.
    QImage image(width, height, QImage::Format_RGB32);

    QPainter painter(&image);
    int top = 0;
    for (int i = 0; i < BandCount; ++i) {
        const int bottom = int(std::lround(double(i + 1) * height / BandCount));
        if (bottom > top)
            painter.fillRect(0, top, width, bottom - top, bandColour(shade, i));
        top = bottom;
    }
    painter.end();
    image.setDevicePixelRatio(devicePixelRatio);
    return image;
}

} // namespace Quiz
