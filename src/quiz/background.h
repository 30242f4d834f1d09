// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The banded background behind every question.

#include <QColor>
#include <QRect>
#include <QSize>
#include <QtGlobal>

class QPainter;

namespace Quiz {

constexpr int BandCount = 256;

// The colour of band `index` (0 at the top, 255 at the bottom) for a shade
// 0..14: red = green = 10 × shade, blue = index.
QColor bandColour(qint16 shade, int index);

// The first device-pixel row of band `index` (0 to 256) in an area
// `height` device pixels high: its place rounded to the nearest row.
inline int bandTop(int index, int height)
{
    return int((qint64(index) * height * 2 + BandCount) / (2 * BandCount));
}

// Paints with `painter`, whose coordinates are device pixels, the part
// within `deviceClip` of the bands of an area `deviceSize` large: 256 bands
// filled edge to edge, each 1/256 of the height. Band edges fall on the
// nearest device pixel, so heights differ by at most one device pixel and
// are all equal when the height is a multiple of 256.
void fillBands(QPainter &painter, QSize deviceSize, const QRect &deviceClip, qint16 shade);

} // namespace Quiz
