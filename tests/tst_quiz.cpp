// The question rules: which multipliers come up and how often, which keys
// the answer box lets through, which typed answers count as right, and the
// banded background.

#include "quiz/background.h"
#include "quiz/questions.h"

#include <QtTest>
#include <random>

class QuizTest : public QObject
{
    Q_OBJECT
private slots:
    void zeroMultiplierIsReplacedByTable_data();
    void zeroMultiplierIsReplacedByTable();
    void nonZeroMultiplierIgnoresSecondDraw();
    void drawsAtRangeEdgesStayInRange();
    void multiplierFrequenciesMatchTheTable();
    void shadeCoversZeroToFourteen();
    void keyFilter_data();
    void keyFilter();
    void typedAnswerIsJudged_data();
    void typedAnswerIsJudged();
    void bandsShadeFromTopToBottom_data();
    void bandsShadeFromTopToBottom();
    void bandsAreEqualInHeight();
    void bandsAreCrispOnDenseScreens();
};

void QuizTest::zeroMultiplierIsReplacedByTable_data()
{
    QTest::addColumn<int>("r");
    QTest::addColumn<int>("multiplier");

    // Both ends of every row, in the order the rows are tested.
    const struct { int from, to, multiplier; } rows[] = {
        {0, 10, 1}, {11, 20, 2}, {21, 30, 3}, {31, 40, 4}, {41, 50, 5}, {51, 60, 6},
        {61, 70, 7}, {71, 77, 5}, {78, 83, 8}, {84, 89, 9}, {90, 99, 0},
    };
    for (const auto &row : rows) {
        for (int r : {row.from, row.to})
            QTest::addRow("r=%d", r) << r << row.multiplier;
    }
}

void QuizTest::zeroMultiplierIsReplacedByTable()
{
    QFETCH(int, r);
    QFETCH(int, multiplier);
    QCOMPARE(int(Quiz::replaceZeroMultiplier(r)), multiplier);
    // The same through the two draws: first draw 0, second draw r / 100.
    QCOMPARE(int(Quiz::multiplierFromDraws(0.0, (r + 0.5) / 100.0)), multiplier);
}

void QuizTest::nonZeroMultiplierIgnoresSecondDraw()
{
    for (int k = 1; k <= 9; ++k) {
        for (double second : {0.0, 0.75, 0.999})
            QCOMPARE(int(Quiz::multiplierFromDraws((k + 0.5) / 10.0, second)), k);
    }
}

void QuizTest::drawsAtRangeEdgesStayInRange()
{
    // A generator rounding up to 1.0 must not produce a multiplier of 10
    // or a shade of 15.
    QCOMPARE(int(Quiz::multiplierFromDraws(1.0, 0.5)), 9);
    QCOMPARE(int(Quiz::shadeFromDraw(1.0)), 14);
    QCOMPARE(int(Quiz::shadeFromDraw(-0.1)), 0);
}

void QuizTest::multiplierFrequenciesMatchTheTable()
{
    // Expected share of each multiplier:
    // 1..9 get 10% each from the first draw, and the 10% of first draws
    // that give 0 are shared out by the replacement table.
    const double expected[10] = {0.1 * 0.10, 0.1 + 0.1 * 0.11, 0.1 + 0.1 * 0.10, 0.1 + 0.1 * 0.10,
                                 0.1 + 0.1 * 0.10, 0.1 + 0.1 * 0.17, 0.1 + 0.1 * 0.10, 0.1 + 0.1 * 0.10,
                                 0.1 + 0.1 * 0.06, 0.1 + 0.1 * 0.06};
    constexpr int Draws = 400000;
    std::mt19937_64 engine(20261206); // fixed seed: the same counts every run
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    int counts[10] = {};
    for (int i = 0; i < Draws; ++i) {
        const double first = uniform(engine);
        const double second = uniform(engine);
        ++counts[Quiz::multiplierFromDraws(first, second)];
    }
    for (int k = 0; k < 10; ++k) {
        const double share = double(counts[k]) / Draws;
        const double sigma = std::sqrt(expected[k] * (1 - expected[k]) / Draws);
        // Six standard deviations: far beyond chance, far below the gap a
        // wrong table row would make (at least 0.1 × 1% = 0.001).
        QVERIFY2(std::abs(share - expected[k]) < 6 * sigma,
                 qPrintable(QStringLiteral("multiplier %1: %2 expected %3").arg(k).arg(share).arg(expected[k])));
    }
    // 5 is favoured among the replacements, 0 is rare.
    QVERIFY(counts[5] > counts[4]);
    QVERIFY(counts[0] < Draws / 50);
}

void QuizTest::shadeCoversZeroToFourteen()
{
    for (int s = 0; s < 15; ++s)
        QCOMPARE(int(Quiz::shadeFromDraw((s + 0.5) / 15.0)), s);
}

void QuizTest::keyFilter_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("action");

    const int pass = int(Quiz::KeyAction::Pass);
    const int judge = int(Quiz::KeyAction::Judge);
    const int drop = int(Quiz::KeyAction::Drop);
    for (char digit = '0'; digit <= '9'; ++digit)
        QTest::addRow("digit %c", digit) << int(digit) << pass;
    QTest::newRow("backspace") << 8 << pass;
    QTest::newRow("enter") << 13 << judge;
    QTest::newRow("letter") << int('a') << drop;
    QTest::newRow("capital") << int('E') << drop;
    QTest::newRow("space") << int(' ') << drop;
    QTest::newRow("minus") << int('-') << drop;
    QTest::newRow("plus") << int('+') << drop;
    QTest::newRow("point") << int('.') << drop;
    QTest::newRow("comma") << int(',') << drop;
    QTest::newRow("tab") << 9 << drop;
    QTest::newRow("ctrl-v") << 22 << drop;
    QTest::newRow("superscript two") << 0xB2 << drop;
    QTest::newRow("arabic five") << 0x665 << drop;
}

void QuizTest::keyFilter()
{
    QFETCH(int, code);
    QFETCH(int, action);
    QCOMPARE(int(Quiz::filterKey(code)), action);
}

void QuizTest::typedAnswerIsJudged_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("right");

    QTest::newRow("right") << "54" << 54 << true;
    QTest::newRow("wrong") << "45" << 54 << false;
    QTest::newRow("leading zero") << "054" << 54 << true;
    QTest::newRow("empty is 0, right for 9x0") << "" << 0 << true;
    QTest::newRow("empty is 0, wrong otherwise") << "" << 9 << false;
    QTest::newRow("pasted blanks") << "  27" << 27 << true;
    QTest::newRow("pasted exponent is not read") << "4e4" << 4 << true;
    QTest::newRow("pasted text") << "abc" << 0 << true;
    QTest::newRow("pasted fraction rounds") << "8.6" << 9 << true;
    QTest::newRow("pasted beyond 16 bits") << "99999" << 0 << false;
    QTest::newRow("pasted negative") << "-9" << 9 << false;
}

void QuizTest::typedAnswerIsJudged()
{
    QFETCH(QString, typed);
    QFETCH(int, expected);
    QFETCH(bool, right);
    QCOMPARE(Quiz::isRightAnswer(typed, qint16(expected)), right);
}

void QuizTest::bandsShadeFromTopToBottom_data()
{
    QTest::addColumn<int>("shade");
    QTest::addColumn<QColor>("top");
    QTest::addColumn<QColor>("bottom");
    QTest::newRow("shade 0: black to blue") << 0 << QColor(0, 0, 0) << QColor(0, 0, 255);
    QTest::newRow("shade 14: olive to lavender") << 14 << QColor(140, 140, 0) << QColor(140, 140, 255);
}

void QuizTest::bandsShadeFromTopToBottom()
{
    QFETCH(int, shade);
    QFETCH(QColor, top);
    QFETCH(QColor, bottom);
    const QImage image = Quiz::paintBands(QSize(792, 554), 1.0, qint16(shade));
    QCOMPARE(image.size(), QSize(792, 554));
    for (int x : {0, 400, 791}) {
        QCOMPARE(image.pixelColor(x, 0), top);
        QCOMPARE(image.pixelColor(x, 553), bottom);
    }
}

void QuizTest::bandsAreEqualInHeight()
{
    // 1024 pixels high: 256 bands of exactly 4 pixels, blue 0 to 255.
    const QImage image = Quiz::paintBands(QSize(300, 1024), 1.0, 3);
    for (int y = 0; y < 1024; ++y)
        QCOMPARE(image.pixelColor(150, y), QColor(30, 30, y / 4));

    // Any other height: 256 bands whose heights differ by at most a pixel.
    const QImage odd = Quiz::paintBands(QSize(10, 1050), 1.0, 0);
    QList<int> heights;
    int run = 1;
    for (int y = 1; y < odd.height(); ++y) {
        if (odd.pixelColor(5, y) == odd.pixelColor(5, y - 1)) {
            ++run;
        } else {
            heights << run;
            run = 1;
        }
    }
    heights << run;
    QCOMPARE(heights.size(), 256);
    const auto [low, high] = std::minmax_element(heights.begin(), heights.end());
    QVERIFY(*high - *low <= 1);
}

void QuizTest::bandsAreCrispOnDenseScreens()
{
    // At two device pixels per pixel the picture has twice the pixels, so
    // band edges are not blurred by scaling.
    const QImage image = Quiz::paintBands(QSize(400, 512), 2.0, 5);
    QCOMPARE(image.size(), QSize(800, 1024));
    QCOMPARE(image.devicePixelRatio(), 2.0);
    QCOMPARE(image.pixelColor(0, 3), QColor(50, 50, 0));
    QCOMPARE(image.pixelColor(0, 4), QColor(50, 50, 1));
    QCOMPARE(image.pixelColor(0, 1023), QColor(50, 50, 255));
}

QTEST_GUILESS_MAIN(QuizTest)
#include "tst_quiz.moc"
