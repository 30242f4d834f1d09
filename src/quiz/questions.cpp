// SPDX-License-Identifier: GPL-3.0-or-later
#include "quiz/questions.h"

#include "platform/numbers.h"

#include <cmath>

namespace Quiz {

namespace {

// The integer part of draw × range, kept inside 0..range-1 even for a draw
// a faulty generator might give outside [0, 1).
int scaledDraw(double draw, int range)
{
    const double scaled = std::floor(draw * range);
    if (!(scaled >= 0)) // also catches NaN
        return 0;
    return scaled >= range ? range - 1 : int(scaled);
}

} // namespace

qint16 shadeFromDraw(double draw)
{
    return qint16(scaledDraw(draw, ShadeCount));
}

qint16 replaceZeroMultiplier(int r)
{
    // Tested in this order; the first range that holds decides.
    struct Row { int upTo; qint16 multiplier; };
    static constexpr Row rows[] = {
        {10, 1}, {20, 2}, {30, 3}, {40, 4}, {50, 5},
        {60, 6}, {70, 7}, {77, 5}, {83, 8}, {89, 9},
    };
    for (const Row &row : rows) {
        if (r <= row.upTo)
            return row.multiplier;
    }
    return 0;
}

qint16 multiplierFromDraws(double first, double second)
{
    const qint16 multiplier = qint16(scaledDraw(first, 10));
    const int r = scaledDraw(second, 100); // drawn every time
    return multiplier == 0 ? replaceZeroMultiplier(r) : multiplier;
}

KeyAction filterKey(int code)
{
    if ((code >= '0' && code <= '9') || code == KeyBackspace)
        return KeyAction::Pass;
    if (code == KeyEnter)
        return KeyAction::Judge;
    return KeyAction::Drop;
}

bool isRightAnswer(const QString &typed, qint16 expected)
{
    const std::optional<qint16> given = roundToInt16(readNumberLenient(typed));
    return given && *given == expected;
}

} // namespace Quiz
