// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The game window's own variables: everything the game remembers that is
// not shown in a control.

#include "clock/countdown.h"

#include <QString>
#include <QtGlobal>

struct GameState
{
    qint16 answer = 0;       // product of the question on screen
    qint16 correctCount = 0; // right answers in this contest, at most 32767
    qint16 wrongCount = 0;   // wrong answers in this contest, at most 32767
    Clock::Fields clock;     // hours, minutes, seconds, remainingSeconds
    QString windowsDir;      // folder of the record files, ending in "/"; empty when unusable
    qint16 shadeLevel = 0;   // shade of the background, 0 to 14
    QString playerName;      // the name typed at start, possibly empty
    QString tableLimitText;  // the reply to the new contest's table-limit prompt

    // Whether the question on screen has been judged. An answer counts once:
    // a further Enter in the answer box before the next question does nothing.
    bool answerJudged = false;
    // Whether both record files could be created and read at start. A file
    // that could not be read is never overwritten: its record is unknown.
    bool recordFilesReadable = false;
};
