// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/artwork.h"

#include <QFile>
#include <QGuiApplication>

namespace Artwork {

QIcon picture(const QString &name)
{
    QIcon icon;
    // A picture shown at one size: its "@2x" copy is added (and decoded) by
    // Qt only when the program has a screen of two device pixels a point.
    const QString single = QStringLiteral(":/art/%1.png").arg(name);
    if (QFile::exists(single)) {
        icon.addFile(single);
        return icon;
    }
    // The window icon, in each size a desktop shows it at.
    for (const int side : {16, 32, 48}) {
        const QString file = QStringLiteral(":/art/%1-%2.png").arg(name).arg(side);
        if (QFile::exists(file))
            icon.addFile(file, QSize(side, side));
    }
    return icon;
}

QIcon Pictures::picture(const QString &name)
{
    auto found = m_pictures.find(name);
    if (found == m_pictures.end())
        found = m_pictures.insert(name, Artwork::picture(name));
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
