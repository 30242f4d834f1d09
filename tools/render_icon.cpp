// SPDX-License-Identifier: GPL-3.0-or-later
// Renders an SVG file into a square PNG of the given size, with a transparent
// background. Used at build time to make the program's PNG icons.
//
// Usage: render_icon <in.svg> <size> <out.png>

#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: render_icon <in.svg> <size> <out.png>\n");
        return 2;
    }

    const QString input = QString::fromLocal8Bit(argv[1]);
    const QString output = QString::fromLocal8Bit(argv[3]);
    bool sizeOk = false;
    const int size = QString::fromLocal8Bit(argv[2]).toInt(&sizeOk);
    if (!sizeOk || size < 1 || size > 4096) {
        std::fprintf(stderr, "render_icon: invalid size '%s'\n", argv[2]);
        return 2;
    }

    QSvgRenderer renderer(input);
    if (!renderer.isValid()) {
        std::fprintf(stderr, "render_icon: cannot read SVG '%s'\n", argv[1]);
        return 1;
    }

    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        renderer.render(&painter, QRectF(0, 0, size, size));
    }

    if (!image.save(output, "PNG")) {
        std::fprintf(stderr, "render_icon: cannot write PNG '%s'\n", argv[3]);
        return 1;
    }
    return 0;
}
