// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/artwork.h"

#include <QGuiApplication>

// The pictures are compiled into this static library, whose resources the
// linker would drop unless something refers to them.
static void registerArtwork()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(art);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace Artwork {

QIcon windowIcon()
{
    registerArtwork();
    QIcon icon;
    for (const int side : {16, 32, 48})
        icon.addFile(QStringLiteral(":/art/quizzola-%1.png").arg(side), QSize(side, side));
    return icon;
}

QIcon Pictures::picture(const QString &name)
{
    auto found = m_pictures.find(name);
    if (found == m_pictures.end()) {
        registerArtwork();
        // Qt's SVG icon engine, loaded with the first picture, draws it
        // at whatever size and density it is shown, only when it is shown.
        found = m_pictures.insert(name, QIcon(QStringLiteral(":/art/%1.svg").arg(name)));
    }
    return found.value();
}

QCursor Pictures::surfacePointer()
{
    if (!m_pointer) {
        constexpr int Side = 48;
        constexpr int HotSpot = 2; // the tip of the pointer in the picture
        const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
        m_pointer = QCursor(picture(QStringLiteral("pointer")).pixmap(QSize(Side, Side), ratio), HotSpot, HotSpot);
    }
    return *m_pointer;
}

} // namespace Artwork
