// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/artwork.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

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

namespace {

QString resourcePath(const QString &name)
{
    registerArtwork();
    return QStringLiteral(":/art/") + name + QStringLiteral(".svg");
}

// Renders the picture at `side` device-independent pixels for a screen of
// the given density.
QPixmap render(const QString &name, int side, qreal devicePixelRatio)
{
    QSvgRenderer renderer(resourcePath(name));
    const int pixels = qRound(side * devicePixelRatio);
    QPixmap pixmap(pixels, pixels);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(devicePixelRatio);
    return pixmap;
}

} // namespace

QIcon picture(const QString &name)
{
    // Qt's SVG icon engine draws the picture afresh at whatever size and
    // density it is shown, only when it is shown.
    return QIcon(resourcePath(name));
}

QCursor surfacePointer()
{
    constexpr int Side = 48;
    constexpr int HotSpot = 2; // the tip of the pointer in the picture
    const qreal ratio = qApp ? qApp->devicePixelRatio() : 1.0;
    return QCursor(render(QStringLiteral("pointer"), Side, ratio), HotSpot, HotSpot);
}

} // namespace Artwork
