// How well the game's clock keeps time: starts a game with the recording
// fakes, listens to the window's one-second timer and stamps every tick.
// Over 31 ticks (30 intervals) the first-to-last time should be 30 000 ms.
//
//   QT_QPA_PLATFORM=offscreen ./bench_clock [ticks]
//
// Prints a readable summary, then one line of key=value figures (times in
// milliseconds) for scripts/bench.sh.

#include "gamefixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const int ticks = argc > 1 ? std::atoi(argv[1]) : 31;
    if (ticks < 2) {
        std::fprintf(stderr, "usage: %s [ticks, at least 2]\n", argv[0]);
        return 2;
    }

    QElapsedTimer elapsed;
    elapsed.start();
    Game game;
    game.start(QStringLiteral("Orologio"));
    const qint64 startedNs = elapsed.nsecsElapsed();

    auto *timer = game.window->findChild<QTimer *>(QStringLiteral("Timer1"));
    if (!timer || !timer->isActive()) {
        std::fprintf(stderr, "bench_clock: the window has no running Timer1\n");
        return 1;
    }

    std::vector<qint64> stamps;
    stamps.reserve(size_t(ticks));
    QObject::connect(timer, &QTimer::timeout, &app, [&] {
        stamps.push_back(elapsed.nsecsElapsed());
        if (int(stamps.size()) == ticks)
            app.quit();
    });
    // However the timer behaves, the run ends.
    const int allowedMs = (ticks + 10) * 1000;
    QTimer::singleShot(allowedMs, &app, [&] { app.exit(1); });

    if (app.exec() != 0 || int(stamps.size()) < ticks) {
        std::fprintf(stderr, "bench_clock: only %zu of %d ticks in %d ms\n", stamps.size(), ticks,
                     allowedMs);
        return 1;
    }

    const int intervals = ticks - 1;
    const double totalMs = double(stamps.back() - stamps.front()) / 1e6;
    const double expectedMs = intervals * 1000.0;
    double worstTickMs = 0.0;  // one interval against 1000 ms
    double worstDriftMs = 0.0; // a tick against its place on the schedule
    for (int i = 1; i < ticks; ++i) {
        const double interval = double(stamps[size_t(i)] - stamps[size_t(i - 1)]) / 1e6;
        if (std::fabs(interval - 1000.0) > std::fabs(worstTickMs))
            worstTickMs = interval - 1000.0;
        const double drift = double(stamps[size_t(i)] - stamps.front()) / 1e6 - i * 1000.0;
        if (std::fabs(drift) > std::fabs(worstDriftMs))
            worstDriftMs = drift;
    }
    const double firstTickMs = double(stamps.front() - startedNs) / 1e6;

    std::printf("Timer1: %d ticks, interval %d ms, %s timer\n", ticks, timer->interval(),
                timer->timerType() == Qt::PreciseTimer ? "precise" : "coarse");
    std::printf("first tick after start:      %10.3f ms\n", firstTickMs);
    std::printf("first to tick %-3d:           %10.3f ms (expected %.0f)\n", ticks, totalMs,
                expectedMs);
    std::printf("deviation over %d intervals: %+10.3f ms\n", intervals, totalMs - expectedMs);
    std::printf("largest single-tick deviation: %+8.3f ms\n", worstTickMs);
    std::printf("largest drift from schedule: %+10.3f ms\n", worstDriftMs);
    std::printf("clock ticks=%d total_ms=%.3f deviation_ms=%.3f worst_tick_ms=%.3f "
                "worst_drift_ms=%.3f first_tick_ms=%.3f\n",
                ticks, totalMs, totalMs - expectedMs, worstTickMs, worstDriftMs, firstTickMs);
    return 0;
}
