// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/countdown.h"

#include "platform/numbers.h"

namespace Clock {

void reset(Fields &clock)
{
    clock.hours = 0;
    clock.minutes = GameMinutes;
    clock.seconds = 0.0f;
    clock.remainingSeconds = GameMinutes * 60;
}

void tick(Fields &clock)
{
    if (clock.remainingSeconds <= 0)
        return;
    if (clock.seconds == 0.0f) {
        if (clock.minutes > 0) {
            --clock.minutes;
            clock.seconds = 60.0f;
        } else if (clock.minutes == 0) {
            if (clock.hours > 0) {
                clock.minutes = 59;
                --clock.hours;
                clock.seconds = 60.0f;
            } else {
                // No time left to borrow: the display stays at 00:00:00
                // rather than going below zero.
                clock.hours = 0;
                clock.minutes = 0;
                --clock.remainingSeconds;
                return;
            }
        }
    }
    clock.seconds -= 1.0f;
    --clock.remainingSeconds;
}

QString display(const Fields &clock)
{
    const QString twoDigits = QStringLiteral("00");
    return formatNumber(clock.hours, twoDigits) + QLatin1Char(':')
        + formatNumber(clock.minutes, twoDigits) + QLatin1Char(':')
        + formatNumber(clock.seconds, twoDigits);
}

} // namespace Clock
