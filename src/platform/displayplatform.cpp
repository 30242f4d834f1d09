// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/displayplatform.h"

QByteArray preferredPlatform(const QByteArray &qpaPlatform, const QByteArray &display)
{
    if (qpaPlatform.isEmpty() && !display.isEmpty())
        return QByteArrayLiteral("xcb");
    return QByteArray();
}
