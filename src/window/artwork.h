// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's pictures, drawn as scalable images so they stay crisp on any
// screen: the button faces, the alarm clock and the pointer shown over the
// window's surface; and the window icon, drawn small ahead of time.

#include <QCursor>
#include <QHash>
#include <QIcon>
#include <QString>
#include <optional>

namespace Artwork {

// The game's icon, for every window, at 16, 32 and 48 pixels: showing it
// reads no SVG, so the name prompt needs no SVG renderer.
QIcon windowIcon();

// The window's pictures, each made once on first request and then shared
// by the controls of every contest. A picture made anew for each contest
// would be drawn anew into Qt's pixmap cache, under a key of its own,
// until the cache was full.
class Pictures
{
public:
    // The picture named `name` (for example "next-normal", "exit",
    // "clock"); a name with no picture gives an icon that draws nothing.
    QIcon picture(const QString &name);

    // The 48 × 48 pointer shown over the window's own surface; its hot
    // spot is the tip at the top-left.
    QCursor surfacePointer();

private:
    QHash<QString, QIcon> m_pictures;
    std::optional<QCursor> m_pointer;
};

} // namespace Artwork
