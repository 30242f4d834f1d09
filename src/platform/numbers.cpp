// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/numbers.h"

#include <QByteArray>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

QString formatNumber(double value, const QString &pattern)
{
    int minDigits = 0;
    for (int i = pattern.size() - 1; i >= 0 && pattern.at(i) == QLatin1Char('0'); --i)
        ++minDigits;
    minDigits = qMax(1, minDigits);

    const double rounded = std::round(value);
    const bool negative = rounded < 0;
    QString digits = QString::number(std::fabs(rounded), 'f', 0);
    if (digits.size() < minDigits)
        digits.prepend(QString(minDigits - digits.size(), QLatin1Char('0')));
    return negative ? QLatin1Char('-') + digits : digits;
}

double readNumberLenient(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;

    // Collect the unsigned number as plain ASCII, then convert it with
    // std::from_chars, which, unlike strtod, ignores the user's locale.
    bool negative = false;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        negative = text.at(i++) == QLatin1Char('-');
    std::string number;
    const auto isDigit = [&](int k) {
        return k < n && text.at(k) >= QLatin1Char('0') && text.at(k) <= QLatin1Char('9');
    };
    bool anyDigit = false;
    while (isDigit(i)) {
        number += char(text.at(i++).unicode());
        anyDigit = true;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        number += '.';
        ++i;
        while (isDigit(i)) {
            number += char(text.at(i++).unicode());
            anyDigit = true;
        }
    }
    if (!anyDigit)
        return 0.0;
    double value = 0.0;
#if defined(__cpp_lib_to_chars)
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::fixed);
    const bool outOfRange = result.ec == std::errc::result_out_of_range;
#else
    // A C++ library without from_chars for floating point (the web's libc++
    // before version 20): Qt's reader, which ignores the locale as well, and
    // fails here only on a number out of range.
    bool converted = false;
    value = QByteArray::fromStdString(number).toDouble(&converted);
    const bool outOfRange = !converted;
#endif
    if (outOfRange) {
        // Too large, or (a fraction with hundreds of leading zeros) too small.
        const bool large = number.find_first_of("123456789") < number.find('.');
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return negative ? -value : value;
}

std::optional<qint16> roundToInt16(double value)
{
    if (std::isnan(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // default mode: halves to even
    if (rounded < std::numeric_limits<qint16>::min() || rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

qint16 incrementSaturating(qint16 count)
{
    return count == std::numeric_limits<qint16>::max() ? count : qint16(count + 1);
}
