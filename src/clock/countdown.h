// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The five-minute countdown: hours, minutes and seconds shown as
// "hh:mm:ss", counted down once a tick.

#include <QString>
#include <QtGlobal>

namespace Clock {

// The text the display shows when the time is up. The game ends on the
// tick after the display shows it.
inline const QString TimeUp = QStringLiteral("00:00:00");

// The minutes a game lasts.
constexpr qint16 GameMinutes = 5;

struct Fields
{
    qint16 hours = 0;
    qint16 minutes = 0;
    float seconds = 0.0f;      // whole numbers only
    qint16 remainingSeconds = 0; // counts down with every tick
};

// Sets the clock to five minutes: 0 hours, 5 minutes, 0 seconds, and
// remainingSeconds 300.
void reset(Fields &clock);

// One second passes, while remainingSeconds is above 0 (otherwise nothing
// changes). A second of 0 borrows from the minutes (or from the hours when
// the minutes are 0) by becoming 60 and is then counted down in the same
// tick, so the display never shows 60. At 00:00:00 with no hours left it
// stays at 0 seconds.
void tick(Fields &clock);

// "hh:mm:ss", each field with at least two digits.
QString display(const Fields &clock);

// The time left in Italian words, for those who cannot see the display:
// "Mancano 3 minuti e 12 secondi", "Manca 1 minuto", "Mancano 30 secondi",
// "Manca 1 secondo"; hours come first when there are any. With nothing
// left, "Il tempo è finito".
QString timeLeftInWords(const Fields &clock);

// What a screen reader says as the display reaches 00:04:00, 00:03:00,
// 00:02:00, 00:01:00, 00:00:30 or 00:00:10, so a player who cannot see the
// clock knows when to hurry ("Mancano 4 minuti", ..., "Mancano 10
// secondi"); the empty text at every other moment.
QString announcement(const Fields &clock);

} // namespace Clock
