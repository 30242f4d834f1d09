// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The banded background behind every question.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QtGlobal>

class QPainter;

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

// The first device-pixel row of band `index` (0 to 256) in a picture
// `height` device pixels high: its place rounded to the nearest row.
inline int bandTop(int index, int height)
{
    return int((qint64(index) * height * 2 + BandCount) / (2 * BandCount));
}

// Paints with `painter`, whose coordinates are device pixels, the part of
// the bands of a `deviceSize` picture that lies within `deviceClip`: the
// same pixels paintBands() makes, without making a picture.
void fillBands(QPainter &painter, QSize deviceSize, const QRect &deviceClip, qint16 shade);

} // namespace Quiz
