// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Which Qt platform the game runs on.

#include <QByteArray>

// The platform to ask Qt for, given the values of QT_QPA_PLATFORM and
// DISPLAY (empty when unset). On a Wayland desktop a native Wayland window
// is never told that it has been minimised, and the game's caption changes
// when it is; so when the user has not chosen a platform and an X display is
// there (every Wayland desktop offers one through XWayland), the game runs
// on X11: returns "xcb". Otherwise, and always on Windows and macOS, where
// an X display is another program's (an X server for WSL or Cygwin, Wine's
// host) and not the desktop's, returns the empty text: Qt's own choice, or
// the user's, stands.
QByteArray preferredPlatform(const QByteArray &qpaPlatform, const QByteArray &display);
