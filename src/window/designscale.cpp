// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/designscale.h"

#include <QRectF>
#include <QtMath>
#include <algorithm>

namespace Layout {

DesignScale::DesignScale(QSize client)
    : m_factor(std::max<qreal>(0, std::min(qreal(client.width()) / DesignSize.width(),
                                           qreal(client.height()) / DesignSize.height())))
    , m_left(qRound((client.width() - DesignSize.width() * m_factor) / 2))
{
}

QRect DesignScale::place(const QRect &designed) const
{
    const QRectF scaled(designed.x() * m_factor, designed.y() * m_factor, designed.width() * m_factor,
                        designed.height() * m_factor);
    return scaled.toRect().translated(m_left, 0);
}

int DesignScale::pixels(qreal designed) const
{
    return std::max(1, qRound(designed * m_factor));
}

} // namespace Layout
