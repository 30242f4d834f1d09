// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/artwork.h"

#include <QDir>
#include <QGuiApplication>

namespace Artwork {

QIcon picture(const QString &name)
{
    // Each rendering is <name>-<side>.png; adding one by its size reads
    // nothing until Qt draws from it.
    QIcon icon;
    const QDir folder(QStringLiteral(":/art"));
    const QString prefix = name + QLatin1Char('-');
    for (const QString &file : folder.entryList({prefix + QStringLiteral("*.png")}, QDir::Files)) {
        bool isSide = false;
        const int side = file.mid(prefix.size()).chopped(4).toInt(&isSide);
        if (isSide)
            icon.addFile(folder.filePath(file), QSize(side, side));
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
