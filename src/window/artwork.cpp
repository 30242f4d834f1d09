// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/artwork.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QIconEngine>
#include <QMap>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

namespace Artwork {

namespace {

// A picture drawn from the smallest of its renderings at least as large as
// the size asked for, scaled down to that size; beyond the largest, that
// one scaled up. A rendering is read only when a size needs it, and only
// the last size drawn is kept: a window drawn at one scale at a time holds
// one copy of each picture, at the size it shows.
class Renderings : public QIconEngine
{
public:
    explicit Renderings(QMap<int, QString> files)
        : m_files(std::move(files))
    {
    }

    // `size` in device pixels.
    QPixmap pixmap(const QSize &size, QIcon::Mode, QIcon::State) override { return drawn(size); }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode, QIcon::State, qreal scale) override
    {
        // Qt 6.8 asks for the size in device-independent pixels; earlier
        // versions ask for it already multiplied by the scale.
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
        QPixmap pixmap = drawn((QSizeF(size) * scale).toSize());
#else
        QPixmap pixmap = drawn(size);
#endif
        pixmap.setDevicePixelRatio(scale);
        return pixmap;
    }
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode, QIcon::State) override
    {
        const qreal ratio = painter->device()->devicePixelRatio();
        QPixmap pixmap = drawn((QSizeF(rect.size()) * ratio).toSize());
        pixmap.setDevicePixelRatio(ratio);
        painter->drawPixmap(rect.topLeft(), pixmap);
    }
    QSize actualSize(const QSize &size, QIcon::Mode, QIcon::State) override { return size; }
    QList<QSize> availableSizes(QIcon::Mode, QIcon::State) override
    {
        QList<QSize> sizes;
        for (const int side : m_files.keys())
            sizes.append(QSize(side, side));
        return sizes;
    }
    bool isNull() override { return m_files.isEmpty(); }
    QString key() const override { return QStringLiteral("Renderings"); }
    QIconEngine *clone() const override { return new Renderings(m_files); }

private:
    QPixmap drawn(QSize size)
    {
        if (size.isEmpty() || m_files.isEmpty())
            return QPixmap();
        if (m_drawn.size() == size)
            return m_drawn;
        auto rendering = m_files.lowerBound(std::max(size.width(), size.height()));
        if (rendering == m_files.end())
            --rendering;
        const QImage read(rendering.value());
        m_drawn = QPixmap::fromImage(
            read.size() == size ? read : read.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        return m_drawn;
    }

    QMap<int, QString> m_files; // each rendering's side, and its file
    QPixmap m_drawn;
};

} // namespace

QIcon picture(const QString &name)
{
    // Each rendering is <side>/<name>.png. The folders are listed without a
    // name filter, which would load a regular expression engine.
    QMap<int, QString> files;
    const QDir folder(QStringLiteral(":/art"));
    for (const QString &side : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString file = QStringLiteral(":/art/%1/%2.png").arg(side, name);
        if (QFile::exists(file))
            files.insert(side.toInt(), file);
    }
    return files.isEmpty() ? QIcon() : QIcon(new Renderings(files));
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
