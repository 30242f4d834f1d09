// The countdown: what the clock shows tick after tick, and when it reads
// the "00:00:00" that ends the game.

#include "clock/countdown.h"

#include <QtTest>

class ClockTest : public QObject
{
    Q_OBJECT
private slots:
    void resetGivesFiveMinutes();
    void displayAfterTicks_data();
    void displayAfterTicks();
    void displayNeverShowsSixtySeconds();
    void borrowsFromHours();
    void stopsAtZeroWithoutGoingNegative();
};

void ClockTest::resetGivesFiveMinutes()
{
    Clock::Fields clock;
    clock.hours = 3;
    clock.seconds = 17;
    Clock::reset(clock);
    QCOMPARE(clock.hours, qint16(0));
    QCOMPARE(clock.minutes, qint16(5));
    QCOMPARE(clock.seconds, 0.0f);
    QCOMPARE(clock.remainingSeconds, qint16(300));
    QCOMPARE(Clock::display(clock), QStringLiteral("00:05:00"));
}

void ClockTest::displayAfterTicks_data()
{
    QTest::addColumn<int>("ticks");
    QTest::addColumn<QString>("display");
    QTest::newRow("first tick") << 1 << "00:04:59";
    QTest::newRow("second tick") << 2 << "00:04:58";
    QTest::newRow("59th tick") << 59 << "00:04:01";
    QTest::newRow("60th tick") << 60 << "00:04:00";
    QTest::newRow("61st tick") << 61 << "00:03:59";
    QTest::newRow("299th tick") << 299 << "00:00:01";
    QTest::newRow("300th tick") << 300 << "00:00:00";
}

void ClockTest::displayAfterTicks()
{
    QFETCH(int, ticks);
    QFETCH(QString, display);
    Clock::Fields clock;
    Clock::reset(clock);
    clock.remainingSeconds = 900; // as the game starts it
    for (int i = 0; i < ticks; ++i)
        Clock::tick(clock);
    QCOMPARE(Clock::display(clock), display);
    QCOMPARE(int(clock.remainingSeconds), 900 - ticks);
}

void ClockTest::displayNeverShowsSixtySeconds()
{
    Clock::Fields clock;
    Clock::reset(clock);
    clock.remainingSeconds = 900;
    for (int i = 0; i < 300; ++i) {
        Clock::tick(clock);
        QVERIFY2(clock.seconds >= 0 && clock.seconds <= 59, qPrintable(Clock::display(clock)));
        QVERIFY(!Clock::display(clock).endsWith(QLatin1String(":60")));
    }
    QCOMPARE(Clock::display(clock), Clock::TimeUp);
}

void ClockTest::borrowsFromHours()
{
    Clock::Fields clock;
    clock.hours = 1;
    clock.remainingSeconds = 10;
    Clock::tick(clock);
    QCOMPARE(Clock::display(clock), QStringLiteral("00:59:59"));
}

void ClockTest::stopsAtZeroWithoutGoingNegative()
{
    // Normally the game ends before this; the clock must still never show
    // a negative time.
    Clock::Fields clock;
    clock.remainingSeconds = 5;
    Clock::tick(clock);
    QCOMPARE(Clock::display(clock), Clock::TimeUp);
    QCOMPARE(clock.remainingSeconds, qint16(4));
    clock.remainingSeconds = 0;
    clock.seconds = 7;
    Clock::tick(clock);
    QCOMPARE(clock.seconds, 7.0f); // nothing left to count
}

QTEST_GUILESS_MAIN(ClockTest)
#include "tst_clock.moc"
