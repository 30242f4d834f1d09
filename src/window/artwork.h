// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game's pictures, drawn as scalable images so they stay crisp on any
// screen: the button faces, the alarm clock, the window icon and the
// pointer shown over the window's surface.

#include <QCursor>
#include <QIcon>
#include <QString>

namespace Artwork {

// The picture named `name` (for example "next-normal", "exit", "clock").
QIcon picture(const QString &name);

// The 48 × 48 pointer shown over the window's own surface; its hot spot is
// the tip at the top-left.
QCursor surfacePointer();

} // namespace Artwork
