// SPDX-License-Identifier: GPL-3.0-or-later
// How long the game window's handlers take (Google Benchmark options), or with
// the one argument "clock", how well the game's clock keeps time. Runs on the
// offscreen platform, nothing shown, played or saved for real.

#include "platform/services.h"
#include "window/controls.h"
#include "window/tavola.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// A game started for "Bench", with the outside world played by the game
// itself: every dialog closed at once, sounds counted, always the same draw
// (so every question costs the same), the records in a temporary folder.
struct Game : Dialogs, SoundPlayer, Speech, RandomSource, SystemServices
{
    void showMessage(const QString &, const QString &) override {}
    Reply askYesNo(const QString &, const QString &) override { return Reply::No; }
    QString askText(const QString &) override { return QStringLiteral("Bench"); }
    void playWave(const QString &) override { ++sounds; }
    void say(QObject *, const QString &) override {}
    void sayWithFocus(QObject *, const QString &) override {}
    double next() override { return 0.5; }
    void reseed() override {}
    QString recordFolder(QString *) override { return dir.path() + QLatin1Char('/'); }
    QString programFolder() override { return dir.path(); }
    QString todayShort() override { return QStringLiteral("06/12/26"); }
    void terminate() override {}

    QTemporaryDir dir;
    int sounds = 0;
    Tavola window{Services{this, this, this, this, this}};

    Game() { window.start(); window.activateWindow(); }
    template <typename T = QWidget>
    T *control(const char *name) const { return window.findChild<T *>(QLatin1String(name)); }
};

// A new question: the "Nuovo calcolo" handler draws the shade and the
// multiplier, updates the captions and lays the 256 bands over the client
// area. With `repaint`, also the repaint that puts them and every control on
// screen (the offscreen backing store), as the event loop does afterwards:
// the whole wait a player sees.
void newQuestion(benchmark::State &state, bool repaint)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    Game game;
    QWidget *client = game.control("client");
    game.window.showNormal(); // then sized so that the client area is exactly `size`
    QCoreApplication::processEvents();
    for (int attempt = 0; attempt < 6 && client->size() != size; ++attempt) {
        game.window.resize(game.window.size() + size - client->size());
        QCoreApplication::processEvents();
    }
    if (client->size() != size)
        return state.SkipWithError("the client area cannot take that size");
    for (auto _ : state) {
        game.window.cmdNext_Click();
        if (repaint)
            game.window.repaint();
    }
}

// Rescaling: the window resized so that its client area takes the other of
// two sizes, the design fitted to it and the whole window repainted, as when
// a player drags an edge of the window across a screen.
void rescale(benchmark::State &state)
{
    const QSize sizes[] = {{int(state.range(0)), int(state.range(1))}, {int(state.range(2)), int(state.range(3))}};
    Game game;
    QWidget *client = game.control("client");
    game.window.showNormal();
    QCoreApplication::processEvents();
    int turn = 0;
    for (auto _ : state) {
        const QSize size = sizes[turn++ % 2];
        game.window.resize(game.window.size() + size - client->size());
        QCoreApplication::processEvents();
        game.window.repaint();
        if (client->size() != size)
            return state.SkipWithError("the client area did not take the size asked for");
    }
}

// The floor of any full repaint of the bands: filling an image as large as
// the client area once with one colour.
void fillFloor(benchmark::State &state)
{
    QImage image(int(state.range(0)), int(state.range(1)), QImage::Format_RGB32);
    int level = 0;
    for (auto _ : state) {
        image.fill(qRgb(level & 0xff, level & 0xff, 128));
        ++level;
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
}

// Judging an answer: Enter (code 13) in the answer box, which updates the
// labels and asks for a sound. An answer is judged once per question, so
// each judgement gets a fresh question and its answer typed, unmeasured.
void judge(benchmark::State &state, bool right)
{
    Game game;
    auto *box = game.control<AnswerBox>("txtAnswer");
    for (auto _ : state) {
        game.window.cmdNext_Click();
        box->setText(QString::number(game.window.state().answer + (right ? 0 : 1)));
        int code = 13;
        QElapsedTimer clock; // monotonic
        clock.start();
        game.window.txtAnswer_KeyPress(code);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
    const GameState &s = game.window.state();
    const int counted = right ? s.correctCount : s.wrongCount;
    if (game.sounds != state.iterations() || counted != state.iterations())
        state.SkipWithError("the answers were not judged as expected");
}

// The clock: stamps 31 ticks of the window's one-second timer. First to last
// should take 30 000 ms; also the largest deviation of one tick from 1000 ms.
int timeTheClock()
{
    Game game;
    auto *timer = game.control<QTimer>("Timer1");
    QElapsedTimer clock;
    QList<double> ms;
    QObject::connect(timer, &QTimer::timeout, [&] {
        ms << double(clock.nsecsElapsed()) / 1e6;
        if (ms.size() == 31)
            QCoreApplication::quit();
    });
    clock.start();
    QTimer::singleShot(41000, [] { QCoreApplication::exit(1); });
    if (!timer->isActive() || QCoreApplication::exec() != 0)
        return std::fprintf(stderr, "bench_quizzola: the clock did not tick 31 times\n"), 1;
    double worstTick = 0;
    for (int i = 1; i < ms.size(); ++i) {
        if (qAbs(ms[i] - ms[i - 1] - 1000) > qAbs(worstTick))
            worstTick = ms[i] - ms[i - 1] - 1000;
    }
    std::printf("clock ticks=31 total_ms=%.3f deviation_ms=%.3f worst_tick_ms=%.3f\n",
                ms.back() - ms.front(), ms.back() - ms.front() - 30000, worstTick);
    return 0;
}

} // namespace

// Client areas of 1920x1080 and 3840x2160.
#define SIZES Args({1920, 1080})->Args({3840, 2160})->UseRealTime()
BENCHMARK_CAPTURE(newQuestion, handler, false)->SIZES;
BENCHMARK_CAPTURE(newQuestion, repaint, true)->SIZES;
BENCHMARK(fillFloor)->SIZES;
// Between a laptop's client area and a full-HD one, and between full HD and 4K.
BENCHMARK(rescale)->Args({1366, 700, 1920, 1050})->Args({1920, 1050, 3840, 2130})->UseRealTime();
// A fixed count: each judgement also pays, unmeasured, for its question.
BENCHMARK_CAPTURE(judge, right, true)->UseManualTime()->Iterations(1000);
BENCHMARK_CAPTURE(judge, wrong, false)->UseManualTime()->Iterations(1000);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc == 2 && qstrcmp(argv[1], "clock") == 0)
        return timeTheClock();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
