// SPDX-License-Identifier: GPL-3.0-or-later
#include "clock/countdown.h"

#include "platform/numbers.h"

#include <QStringList>

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

QString timeLeftInWords(const Fields &clock)
{
    const int seconds = qRound(clock.seconds);
    QStringList parts;
    const auto count = [&parts](int n, const char *one, const char *many) {
        if (n > 0)
            parts << QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
    };
    count(clock.hours, "ora", "ore");
    count(clock.minutes, "minuto", "minuti");
    count(seconds, "secondo", "secondi");
    if (parts.isEmpty())
        return QStringLiteral("Il tempo è finito");
    // The verb agrees with the first amount: "Manca 1 minuto e 12 secondi".
    const bool one = parts.first().startsWith(QLatin1String("1 "));
    const QString last = parts.takeLast();
    const QString amounts = parts.isEmpty() ? last : parts.join(QStringLiteral(", ")) + QStringLiteral(" e ") + last;
    return (one ? QStringLiteral("Manca ") : QStringLiteral("Mancano ")) + amounts;
}

QString announcement(const Fields &clock)
{
    const int left = clock.hours * 3600 + clock.minutes * 60 + qRound(clock.seconds);
    switch (left) {
    case 240:
    case 180:
    case 120:
    case 60:
    case 30:
    case 10:
        return timeLeftInWords(clock);
    default:
        return QString();
    }
}

} // namespace Clock
