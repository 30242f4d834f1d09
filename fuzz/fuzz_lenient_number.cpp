// Feeds arbitrary text to the lenient number reader and to the judging of an
// answer, as a player could by pasting anything into the answer box, and
// checks the rules the rest of the game relies on:
//   - the value is the longest leading [sign]digits[.digits] after blanks,
//     read exactly (compared with the C library's strtod on that prefix),
//     infinite only when too large for a double, never NaN;
//   - blanks added in front, or a line end added after, change nothing;
//   - a text beginning with anything but a blank, a sign, a digit or a
//     point reads as 0;
//   - one to four digits read as exactly their whole value;
//   - roundToInt16 gives a value only for a finite number that rounds
//     (halves to even) into -32768..32767, and that value is at most 0.5 away;
//   - an answer is right exactly when its rounded value is the expected one;
//   - a whole number written with formatNumber reads back as itself.
// Every input is decoded as UTF-8, as Latin-1 and, from two bytes on, as
// UTF-16, since the box holds any Unicode text.

#include "platform/numbers.h"
#include "quiz/questions.h"

#include <QByteArray>
#include <QString>

#include <cfloat>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>

namespace {

// Stops the run with the broken rule and the text that broke it; libFuzzer
// then saves the input as a crash file.
[[noreturn]] void fail(const char *rule, const QString &text, double value)
{
    const QByteArray shown = text.left(200).toUtf8().toPercentEncoding(" +-.");
    std::fprintf(stderr, "\nBROKEN RULE: %s\n  text (%lld units, start percent-encoded): %s\n  value: %.17g\n",
                 rule, static_cast<long long>(text.size()), shown.constData(), value);
    std::abort();
}

#define CHECK(condition, text, value)                                                    \
    do {                                                                                 \
        if (!(condition))                                                                \
            fail(#condition, (text), (value));                                           \
    } while (false)

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// The number a text begins with, found independently of the code under
// test: where it starts and ends and what it says.
struct Prefix
{
    bool negative = false;
    bool anyDigit = false;
    int integerDigits = 0;     // digits before the point, or in all if none
    bool hasPoint = false;
    std::string unsignedNumber; // digits and point, as strtod reads them
};

Prefix leadingNumber(const QString &text)
{
    Prefix p;
    int i = 0;
    const int n = int(text.size());
    while (i < n && isBlank(text.at(i)))
        ++i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        p.negative = text.at(i++) == QLatin1Char('-');
    while (i < n && isAsciiDigit(text.at(i))) {
        p.unsignedNumber += char(text.at(i++).unicode());
        ++p.integerDigits;
        p.anyDigit = true;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        p.hasPoint = true;
        p.unsignedNumber += '.';
        ++i;
        while (i < n && isAsciiDigit(text.at(i))) {
            p.unsignedNumber += char(text.at(i++).unicode());
            p.anyDigit = true;
        }
    }
    return p;
}

// Two readings are the same number; both zeros count as one.
bool same(double a, double b)
{
    return a == b;
}

void checkRounding(double value, const QString &text)
{
    const std::optional<qint16> rounded = roundToInt16(value);
    const bool inRange = value > -32768.5 && value < 32767.5;
    const bool outOfRange = value < -32768.5 || value > 32767.5 || std::isnan(value);
    if (rounded) {
        CHECK(std::isfinite(value), text, value);
        CHECK(std::fabs(double(*rounded) - value) <= 0.5, text, value);
        // A half goes to the even neighbour.
        if (value - std::floor(value) == 0.5)
            CHECK(*rounded % 2 == 0, text, value);
    }
    if (inRange)
        CHECK(rounded.has_value(), text, value);
    if (outOfRange)
        CHECK(!rounded.has_value(), text, value);
}

void checkText(const QString &text, qint16 someExpected)
{
    const double value = readNumberLenient(text);
    CHECK(!std::isnan(value), text, value);

    // The value against an independent reading of the same prefix.
    const Prefix prefix = leadingNumber(text);
    if (!prefix.anyDigit) {
        CHECK(value == 0.0, text, value);
    } else {
        const double magnitude = std::strtod(prefix.unsignedNumber.c_str(), nullptr);
        const double expected = prefix.negative ? -magnitude : magnitude;
        if (std::isinf(expected)) {
            CHECK(same(value, expected), text, value);
        } else if (std::fabs(expected) >= DBL_MIN) {
            CHECK(same(value, expected), text, value);
        } else {
            // So close to zero that a double barely holds it: 0 will do.
            CHECK(same(value, expected) || value == 0.0, text, value);
        }
        // Up to four digits, no fraction: exactly the whole number.
        if (!prefix.hasPoint && prefix.integerDigits <= 4) {
            const int whole = std::atoi(prefix.unsignedNumber.c_str());
            CHECK(value == (prefix.negative ? -whole : whole), text, value);
            const qint16 answer = qint16(prefix.negative ? -whole : whole);
            CHECK(Quiz::isRightAnswer(text, answer), text, value);
            CHECK(!Quiz::isRightAnswer(text, qint16(answer + 1)), text, value);
        }
    }

    // Only blanks, a sign, a digit or a point can begin a number.
    if (!text.isEmpty()) {
        const QChar first = text.at(0);
        if (!isBlank(first) && !isAsciiDigit(first) && first != QLatin1Char('+')
            && first != QLatin1Char('-') && first != QLatin1Char('.'))
            CHECK(value == 0.0, text, value);
    }

    // Blanks before and a line end after change nothing.
    CHECK(same(readNumberLenient(QStringLiteral(" ") + text), value), text, value);
    CHECK(same(readNumberLenient(QStringLiteral(" \t  ") + text), value), text, value);
    CHECK(same(readNumberLenient(text + QStringLiteral("\r\n")), value), text, value);

    // The answer box's judgement is the rounding of this value.
    checkRounding(value, text);
    const std::optional<qint16> rounded = roundToInt16(value);
    for (const qint16 expected : {someExpected, qint16(0), qint16(9), qint16(81)}) {
        const bool right = rounded && *rounded == expected;
        CHECK(Quiz::isRightAnswer(text, expected) == right, text, value);
    }
    if (rounded)
        CHECK(Quiz::isRightAnswer(text, *rounded), text, value);

    // The clock and the counters print whole numbers the reader reads back.
    if (std::isfinite(value) && std::fabs(value) < 1e15) {
        const double whole = std::round(value);
        for (const char *pattern : {"#0", "00", "####0"}) {
            const QString shown = formatNumber(value, QLatin1String(pattern));
            CHECK(same(readNumberLenient(shown), whole), shown, value);
            CHECK(shown.size() >= (pattern[0] == '0' ? 2 : 1), shown, value);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // strtod, the reference above, reads a point as the decimal separator
    // only in the C locale; make sure nothing changed it.
    std::setlocale(LC_ALL, "C");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    const qsizetype length = qsizetype(size);

    // An expected answer, and any double at all, taken from the input's first
    // bytes: the text is the same bytes read whole.
    qint16 expected = 0;
    if (size >= 2)
        std::memcpy(&expected, data, 2);
    if (size >= 8) {
        double raw;
        std::memcpy(&raw, data, 8);
        checkRounding(raw, QStringLiteral("<raw double from the first 8 bytes>"));
    }

    checkText(QString::fromUtf8(bytes, length), expected);
    checkText(QString::fromLatin1(bytes, length), expected);
    if (size >= 2) {
        std::u16string units(size / 2, u'\0');
        std::memcpy(units.data(), data, units.size() * 2);
        checkText(QString::fromUtf16(units.data(), qsizetype(units.size())), expected);
    }
    return 0;
}
