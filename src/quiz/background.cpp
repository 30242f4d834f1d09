// SPDX-License-Identifier: GPL-3.0-or-later
#include "quiz/background.h"

#include <QPainter>

namespace Quiz {

QColor bandColour(qint16 shade, int index)
{
    const int level = 10 * shade;
    return QColor(level, level, index);
}

void fillBands(QPainter &painter, QSize deviceSize, const QRect &deviceClip, qint16 shade)
{
    const QRect area = QRect(QPoint(0, 0), deviceSize) & deviceClip;
    if (area.isEmpty())
        return;
    const int height = deviceSize.height();
    // Straight to the first band that reaches into the clip.
    int first = int(qint64(area.top()) * BandCount / height);
    while (first > 0 && bandTop(first, height) > area.top())
        --first;
    for (int i = first; i < BandCount; ++i) {
        const int top = bandTop(i, height);
        if (top > area.bottom())
            break;
        const QRect band = QRect(area.left(), top, area.width(), bandTop(i + 1, height) - top) & area;
        if (!band.isEmpty())
            painter.fillRect(band, bandColour(shade, i));
    }
}

} // namespace Quiz
