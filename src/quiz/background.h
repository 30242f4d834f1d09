#pragma once

// The banded background behind every question.

#include <QColor>
#include <QImage>
#include <QSize>
#include <QtGlobal>

namespace Quiz {

constexpr int BandCount = 256;

// The colour of band `index` (0 at the top, 255 at the bottom) for a shade
// 0..14: red = green = 10 × shade, blue = index.
QColor bandColour(qint16 shade, int index);

// A picture of the whole client area, `size` in device-independent pixels,
// made at `devicePixelRatio` so it stays crisp on dense screens: 256 bands
// filled edge to edge, each 1/256 of the height. Band edges fall on the
// nearest device pixel, so heights differ by at most one device pixel and
// are all equal when the height in device pixels is a multiple of 256.
// An empty size gives a null image.
QImage paintBands(QSize size, qreal devicePixelRatio, qint16 shade);

} // namespace Quiz
