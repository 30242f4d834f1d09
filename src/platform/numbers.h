// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Writing and reading the numbers the game shows and stores.

#include <QString>
#include <QtGlobal>
#include <optional>

// Writes `value` with one of the game's patterns:
//   "#0", "###0", "####0"  decimal, no leading zeros, at least one digit;
//   "00"                   decimal with at least two digits ("07").
// The value is first rounded to the nearest whole number (halves away from
// zero), so the clock's float seconds print as whole numbers. A pattern the
// game does not use is treated like "#0": the count of trailing '0' in the
// pattern is the minimum number of digits.
QString formatNumber(double value, const QString &pattern);

// Reads the number a text begins with, leniently: leading blanks (spaces,
// tabs) are skipped, then the longest leading decimal number is taken: an
// optional sign, digits, an optional fraction after ".". Anything after it,
// a line end included, is ignored. An exponent is not read ("4e4" is 4).
// A text that does not begin with a number gives 0. Never fails; a number
// too large for a double gives infinity with its sign.
double readNumberLenient(const QString &text);

// Rounds to the nearest 16-bit signed integer, halves to the even neighbour
// (2.5 gives 2, 3.5 gives 4). Returns nothing when the rounded value lies
// outside -32768..32767 or `value` is not a number.
std::optional<qint16> roundToInt16(double value);

// Adds one to a 16-bit count, staying at 32767 instead of wrapping.
qint16 incrementSaturating(qint16 count);
