// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The rules of a question: how its shade and multiplier are drawn, which
// keys the answer box lets through, and whether a typed answer is right.

#include <QString>
#include <QtGlobal>

namespace Quiz {

// Every question multiplies this number.
constexpr qint16 Multiplicand = 9;
// Shades run 0..ShadeCount-1; a band's red and green are 10 × shade.
constexpr int ShadeCount = 15;

// The shade of a new background from a uniform draw in [0, 1): 0 to 14.
qint16 shadeFromDraw(double draw);

// The multiplier from two uniform draws in [0, 1): the first gives 0 to 9;
// the second gives r = 0 to 99, which only matters when the first gave 0:
//   r 0-10 -> 1, 11-20 -> 2, 21-30 -> 3, 31-40 -> 4, 41-50 -> 5,
//   51-60 -> 6, 61-70 -> 7, 71-77 -> 5, 78-83 -> 8, 84-89 -> 9,
//   90-99 -> stays 0.
// So 0 comes up for 1 question in 100, and 5 is favoured.
qint16 multiplierFromDraws(double first, double second);

// The multiplier a replacement draw r (0 to 99) gives when the first draw
// was 0, by the table above.
qint16 replaceZeroMultiplier(int r);

// What the answer box does with a typed character.
enum class KeyAction {
    Pass,  // a digit or Backspace: the box takes it
    Judge, // Enter: judge the answer, the box takes nothing
    Drop,  // anything else: thrown away
};

// Character codes the answer box reports.
constexpr int KeyBackspace = 8;
constexpr int KeyEnter = 13;

// Sorts a typed character code (Backspace 8, Enter 13, or the character).
KeyAction filterKey(int code);

// Whether `typed` (the answer box's text, possibly empty or pasted) is the
// answer `expected`. The text is read leniently; an empty box reads as 0,
// and a value outside the 16-bit range is simply wrong.
bool isRightAnswer(const QString &typed, qint16 expected);

} // namespace Quiz
