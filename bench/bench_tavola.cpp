// How long the game window's handlers take: asking a new question (a fresh
// banded background of the whole client area) and judging an answer.
// Run on the offscreen platform, with the recording fakes of the window
// tests, so nothing is shown, played or saved for real.
//
//   QT_QPA_PLATFORM=offscreen ./bench_quizzola --benchmark_repetitions=15
//       --benchmark_report_aggregates_only=true   (one command line)

#include "gamefixture.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QGuiApplication>
#include <QImage>
#include <chrono>
#include <memory>

namespace {

QtMessageHandler qtDefaultHandler = nullptr;

// The offscreen platform warns on every resize of a top-level window that it
// cannot pass size hints on; that says nothing about the game.
void quietMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (qtDefaultHandler)
        qtDefaultHandler(type, context, message);
}

// Sizes the (normal, not maximised) window so that its client area is
// exactly `client` pixels; says whether it got there.
bool fitClientArea(Tavola &window, QSize client)
{
    window.showNormal();
    QCoreApplication::processEvents();
    for (int attempt = 0; attempt < 5; ++attempt) {
        const QSize now = window.centralWidget()->size();
        if (now == client)
            return true;
        window.resize(window.size() + (client - now));
        QCoreApplication::processEvents();
    }
    return window.centralWidget()->size() == client;
}

QString sizeText(QSize size)
{
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

// A started game whose window has a client area of `client` pixels, or an
// error reported to `state` (and a null result) when it cannot have one.
std::unique_ptr<Game> gameWithClientArea(benchmark::State &state, QSize client)
{
    auto game = std::make_unique<Game>();
    game->start(QStringLiteral("Bench"));
    if (!fitClientArea(*game->window, client)) {
        const QByteArray error = QStringLiteral("client area is %1, wanted %2")
                                     .arg(sizeText(game->window->centralWidget()->size()),
                                          sizeText(client))
                                     .toUtf8();
        state.SkipWithError(error.constData());
        return nullptr;
    }
    return game;
}

// Whether the client area, as it would be painted now, shows the bands from
// its top to its bottom along its right edge.
bool bandsCoverClientArea(const Game &game)
{
    auto *area = game.control<QWidget>("client");
    const QImage shot = area->grab().toImage();
    const int x = shot.width() - 1;
    const QColor top = shot.pixelColor(x, 0);
    const QColor bottom = shot.pixelColor(x, shot.height() - 1);
    return shot.size() == area->size() && top.red() == top.green() && top.blue() == 0
        && bottom == QColor(top.red(), top.green(), 255);
}

// A new question: the handler of the "Nuovo calcolo" button, which draws the
// shade and the multiplier, updates the captions and paints the 256 bands
// over the whole client area.
void BM_NewQuestion(benchmark::State &state)
{
    const QSize client(int(state.range(0)), int(state.range(1)));
    const auto game = gameWithClientArea(state, client);
    if (!game)
        return;
    Tavola &window = *game->window;

    for (auto _ : state)
        window.cmdNext_Click();

    if (window.centralWidget()->size() != client || !bandsCoverClientArea(*game)) {
        state.SkipWithError("the bands do not cover the client area");
        return;
    }
    state.SetLabel(QStringLiteral("client %1").arg(sizeText(client)).toStdString());
}

// The same, followed by the repaint that puts the new bands and captions on
// screen (into the offscreen backing store). For comparison only: the
// window repaints from the event loop, after the handler has returned.
void BM_NewQuestionAndRepaint(benchmark::State &state)
{
    const QSize client(int(state.range(0)), int(state.range(1)));
    const auto game = gameWithClientArea(state, client);
    if (!game)
        return;
    Tavola &window = *game->window;

    for (auto _ : state) {
        window.cmdNext_Click();
        window.repaint();
    }
    state.SetLabel(QStringLiteral("client %1").arg(sizeText(client)).toStdString());
}

// The floor for a new question: filling an image as large as the client
// area once with one colour, which any full repaint of the bands costs.
void BM_FillFloor(benchmark::State &state)
{
    const QSize size(int(state.range(0)), int(state.range(1)));
    QImage image(size, QImage::Format_RGB32);
    uint level = 0;
    for (auto _ : state) {
        image.fill(qRgb(int(level & 0xff), int(level & 0xff), 128));
        ++level;
        benchmark::DoNotOptimize(image.constBits());
        benchmark::ClobberMemory();
    }
    state.SetLabel(QStringLiteral("QImage::fill RGB32 %1").arg(sizeText(size)).toStdString());
    state.SetBytesProcessed(int64_t(state.iterations()) * image.sizeInBytes());
}

// Judging an answer: Enter (code 13) in the answer box after the answer has
// been typed, with the labels updated and the sound asked of the fake.
// An answer is judged once per question, so every judgement gets a fresh
// question, asked and typed outside the measured time.
void judge(benchmark::State &state, bool right)
{
    Game game;
    game.start(QStringLiteral("Bench"));
    Tavola &window = *game.window;
    auto *box = game.control<AnswerBox>("txtAnswer");
    qint64 judged = 0;

    for (auto _ : state) {
        window.cmdNext_Click();
        game.sound.played.clear();
        const int answer = window.state().answer + (right ? 0 : 1);
        QTest::keyClicks(box, QString::number(answer));

        int code = 13;
        const auto begin = std::chrono::steady_clock::now();
        window.txtAnswer_KeyPress(code);
        const auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        ++judged;
    }

    const qint64 counted = right ? window.state().correctCount : window.state().wrongCount;
    if (game.sound.played.size() != 1 || counted != qMin<qint64>(judged, 32767)) {
        state.SkipWithError("the answers were not judged as expected");
        return;
    }
    state.SetLabel(right ? "right answer" : "wrong answer");
}

void BM_JudgeRightAnswer(benchmark::State &state) { judge(state, true); }
void BM_JudgeWrongAnswer(benchmark::State &state) { judge(state, false); }

} // namespace

BENCHMARK(BM_NewQuestion)
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_FillFloor)
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond)
    ->UseRealTime();
BENCHMARK(BM_NewQuestionAndRepaint)
    ->ArgNames({"w", "h"})
    ->Args({1920, 1080})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
// A fixed count: each judgement also pays, unmeasured, for its question.
BENCHMARK(BM_JudgeRightAnswer)->UseManualTime()->Iterations(1000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_JudgeWrongAnswer)->UseManualTime()->Iterations(1000)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    // Headless unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qtDefaultHandler = qInstallMessageHandler(quietMessages);
    QApplication app(argc, argv);

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("qt_version", qVersion());
    benchmark::AddCustomContext("qt_platform", QGuiApplication::platformName().toStdString());
    benchmark::AddCustomContext("build_type", QUIZZOLA_BUILD_TYPE);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
