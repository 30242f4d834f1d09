// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's pictures: the button faces, the alarm clock, the pointer shown
// over the window's surface and the window icon. Drawn as SVG in art/, they
// come as PNGs rendered at build time at several sizes, of which only the
// one a screen needs is decoded; no SVG is read while the game runs.

#include <QCursor>
#include <QHash>
#include <QIcon>
#include <QString>
#include <optional>

namespace Artwork {

// The picture named `name` (for example "next-normal", "exit", "clock",
// "quizzola"), in every size it was rendered at: drawn at any size, it is
// taken from the nearest larger rendering, scaled down (past the largest,
// that one enlarged). A name with no picture gives an icon that draws
// nothing.
QIcon picture(const QString &name);

// The window's pictures, each made once on first request and then shared
// by the controls of every contest. A picture made anew for each contest
// would be drawn anew into Qt's pixmap cache, under a key of its own,
// until the cache was full.
class Pictures
{
public:
    // Artwork::picture(name), made once.
    QIcon picture(const QString &name);

    // The 48 × 48 pointer shown over the window's own surface; its hot
    // spot is the tip at the top-left.
    QCursor surfacePointer();

private:
    QHash<QString, QIcon> m_pictures;
    std::optional<QCursor> m_pointer;
};

} // namespace Artwork
