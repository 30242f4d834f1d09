// How the game writes and reads numbers: the counts, the clock, the typed
// answer and the stored record all pass through these few functions.

#include "platform/numbers.h"

#include <QtTest>
#include <cmath>

class NumbersTest : public QObject
{
    Q_OBJECT
private slots:
    void formatNumberFollowsPattern_data();
    void formatNumberFollowsPattern();
    void lenientReadingTakesLeadingNumber_data();
    void lenientReadingTakesLeadingNumber();
    void lenientReadingOfExtremeTexts();
    void roundingToInt16_data();
    void roundingToInt16();
    void countsStopAtTheLimit();
};

void NumbersTest::formatNumberFollowsPattern_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("expected");

    // Operands and counts: no leading zeros, at least one digit.
    QTest::newRow("zero #0") << 0.0 << "#0" << "0";
    QTest::newRow("nine #0") << 9.0 << "#0" << "9";
    QTest::newRow("81 ####0") << 81.0 << "####0" << "81";
    QTest::newRow("zero ###0") << 0.0 << "###0" << "0";
    QTest::newRow("32767 ####0") << 32767.0 << "####0" << "32767";
    QTest::newRow("wider than pattern") << 123456.0 << "###0" << "123456";
    // The clock: two digits, a float rounded first.
    QTest::newRow("clock 0") << 0.0 << "00" << "00";
    QTest::newRow("clock 5") << 5.0 << "00" << "05";
    QTest::newRow("clock 59") << 59.0 << "00" << "59";
    QTest::newRow("clock float 4.6") << 4.6 << "00" << "05";
    QTest::newRow("clock float 4.4") << 4.4 << "00" << "04";
}

void NumbersTest::formatNumberFollowsPattern()
{
    QFETCH(double, value);
    QFETCH(QString, pattern);
    QFETCH(QString, expected);
    QCOMPARE(formatNumber(value, pattern), expected);
}

void NumbersTest::lenientReadingTakesLeadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("digits") << "54" << 54.0;
    QTest::newRow("leading zeros") << "054" << 54.0;
    QTest::newRow("record with CR LF") << "12\r\n" << 12.0;
    QTest::newRow("leading blanks") << "  \t 7" << 7.0;
    QTest::newRow("blanks only") << "   " << 0.0;
    QTest::newRow("letters first") << "abc" << 0.0;
    QTest::newRow("letters after") << "12abc" << 12.0;
    QTest::newRow("minus") << "-5" << -5.0;
    QTest::newRow("plus") << "+5" << 5.0;
    QTest::newRow("sign alone") << "-" << 0.0;
    QTest::newRow("fraction") << "2.5" << 2.5;
    QTest::newRow("fraction without integer") << ".5" << 0.5;
    QTest::newRow("point without fraction") << "3." << 3.0;
    QTest::newRow("second point ends it") << "1.2.3" << 1.2;
    QTest::newRow("no exponent") << "4e4" << 4.0;
    QTest::newRow("comma is not a point") << "4,5" << 4.0;
    QTest::newRow("blank inside ends it") << "1 2" << 1.0;
    QTest::newRow("line end before number") << "\r\n12" << 0.0;
    QTest::newRow("beyond 16 bits") << "99999999999" << 99999999999.0;
    QTest::newRow("arabic digits are not read") << QString::fromUtf8("\u0665") << 0.0;
}

void NumbersTest::lenientReadingTakesLeadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(readNumberLenient(text), expected);
}

void NumbersTest::lenientReadingOfExtremeTexts()
{
    // Huge texts read as infinity (a record nobody can beat), and a fraction
    // too small for a double as 0, never as garbage.
    QVERIFY(std::isinf(readNumberLenient(QString(5000, QLatin1Char('9')))));
    QVERIFY(readNumberLenient(QString(5000, QLatin1Char('9'))) > 0);
    QCOMPARE(readNumberLenient(QStringLiteral("0.") + QString(400, QLatin1Char('0')) + QLatin1Char('1')), 0.0);
}

void NumbersTest::roundingToInt16_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("fits");
    QTest::addColumn<int>("expected");

    QTest::newRow("whole") << 54.0 << true << 54;
    QTest::newRow("half to even down") << 2.5 << true << 2;
    QTest::newRow("half to even up") << 3.5 << true << 4;
    QTest::newRow("below half") << 53.4 << true << 53;
    QTest::newRow("top of range") << 32767.0 << true << 32767;
    QTest::newRow("rounds past top") << 32767.5 << false << 0;
    QTest::newRow("bottom of range") << -32768.0 << true << -32768;
    QTest::newRow("past bottom") << -32769.0 << false << 0;
    QTest::newRow("40000") << 40000.0 << false << 0;
    QTest::newRow("infinity") << double(INFINITY) << false << 0;
    QTest::newRow("not a number") << double(NAN) << false << 0;
}

void NumbersTest::roundingToInt16()
{
    QFETCH(double, value);
    QFETCH(bool, fits);
    QFETCH(int, expected);
    const std::optional<qint16> result = roundToInt16(value);
    QCOMPARE(result.has_value(), fits);
    if (fits)
        QCOMPARE(int(*result), expected);
}

void NumbersTest::countsStopAtTheLimit()
{
    // A count that wrapped to -32768 would wipe out a player's score.
    QCOMPARE(incrementSaturating(0), qint16(1));
    QCOMPARE(incrementSaturating(32766), qint16(32767));
    QCOMPARE(incrementSaturating(32767), qint16(32767));
}

QTEST_GUILESS_MAIN(NumbersTest)
#include "tst_numbers.moc"
