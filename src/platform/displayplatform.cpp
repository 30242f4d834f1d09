// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/displayplatform.h"

QByteArray preferredPlatform(const QByteArray &qpaPlatform, const QByteArray &display)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    if (qpaPlatform.isEmpty() && !display.isEmpty())
        return QByteArrayLiteral("xcb");
#else
    Q_UNUSED(qpaPlatform);
    Q_UNUSED(display);
#endif
    return QByteArray();
}
