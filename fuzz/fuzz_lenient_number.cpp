// SPDX-License-Identifier: GPL-3.0-or-later
// Anything typed or pasted into the answer box, or found at the start of a record file, is read as a number: never a
// crash, never a NaN, and the line end a record file adds after the number never changes what is read.

#include "platform/numbers.h"
#include "quiz/questions.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const double value = readNumberLenient(text);
    if (readNumberLenient(text + QStringLiteral("\r\n")) != value) // also when it is a NaN, never equal to itself
        std::abort();
    Quiz::isRightAnswer(text, 81); // no overflow or crash, whatever the value
    return 0;
}
