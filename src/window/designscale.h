// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the window's design, drawn for a client area of 792 × 554 pixels, is
// fitted to the client area it is given: one scale for positions, sizes,
// borders and fonts alike, so proportions never change and nothing is cut
// off. No widget is needed to work it out.

#include <QRect>
#include <QSize>

namespace Layout {

// The client area the design was drawn for, in pixels at 96 dots per inch.
constexpr QSize DesignSize(792, 554);
constexpr int TwipsPerPixel = 15;

// A designed rectangle given in twips, as pixels at the design's own size.
constexpr QRect fromTwips(int left, int top, int width, int height)
{
    return QRect(left / TwipsPerPixel, top / TwipsPerPixel, width / TwipsPerPixel, height / TwipsPerPixel);
}

class DesignScale
{
public:
    // The largest scale at which the whole design fits `client`:
    // min(width / 792, height / 554). The design is centred in the width it
    // does not need and kept at the top. An empty client gives scale 0.
    explicit DesignScale(QSize client);

    qreal factor() const { return m_factor; }
    // Where the design's left edge falls in the client area.
    int left() const { return m_left; }
    // A designed rectangle (pixels at the design's size) in the client area:
    // times the scale, rounded as QRectF::toRect() rounds (each edge and the
    // size off by at most 3/4 of a pixel), then moved right by left().
    QRect place(const QRect &designed) const;
    // A designed length that must stay visible, such as a font's pixel size
    // or a border's width: times the scale, rounded, at least 1.
    int pixels(qreal designed) const;

private:
    qreal m_factor = 1.0;
    int m_left = 0;
};

} // namespace Layout
