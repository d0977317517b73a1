// How fast the console window shows a run's output, how long the GUI may
// stall while a flood is drained, and how soon Ctrl+C or closing the window
// ends a runaway run. Offscreen; the figures are wall-clock times.

#include "view/CConsoleWindow.h"
#include "model/CTavrinDoc.h"
#include "model/Outline.h"
#include "exec/RunDriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

const QString kPrompt = QStringLiteral("press ENTER key to exit");

CConsoleWindow* OpenConsole()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* console = qobject_cast<CConsoleWindow*>(w); console && console->isVisible())
            return console;
    return nullptr;
}

template <typename Condition>
void SpinUntil(Condition condition)
{
    while (!condition())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void PressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
}

double ResidentMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word)
        if (word == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
    return 0;
}

// From the start of the job to the last of `lines` output lines and the exit
// prompt on the screen, drained by the window's own timer. The longest gap
// between two ticks of a 1 ms GUI timer tells whether the window froze.
void BM_ShowOutputLines(benchmark::State& state)
{
    const int lines = static_cast<int>(state.range(0));
    double longestStallMs = 0;
    for (auto _ : state) {
        std::atomic<bool> done { false };
        QElapsedTimer clock;
        clock.start();
        StartConsoleJob(
            nullptr, ConsoleKind::Run,
            [lines](CConsole& console) {
                for (int i = 0; i < lines; ++i) {
                    console.Write("line ");
                    console.WriteNumber(i);
                    console.NewLine();
                }
                console.Finish();
            },
            [&done] { done = true; });
        QTimer ticker;
        QElapsedTimer sinceTick;
        sinceTick.start();
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestStallMs = std::max(longestStallMs, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
        });
        ticker.start(1);
        SpinUntil([] {
            CConsoleWindow* console = OpenConsole();
            return console && console->document()->lastBlock().text().endsWith(kPrompt);
        });
        state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        ticker.stop();
        state.counters["rss_MB"] = ResidentMegabytes();
        PressKey(OpenConsole(), Qt::Key_Return);
        SpinUntil([&] { return done.load(); });
    }
    state.counters["longest_gui_stall_ms"] = longestStallMs;
}
BENCHMARK(BM_ShowOutputLines)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(3);

// A chart that loops for ever, with or without output; after it has run for
// 300 ms, Ctrl+C (range 1 = 0) or closing the console (range 1 = 1). The
// figure is the time from the key or the close to the exit prompt shown (Ctrl+C)
// or to the job's end (close).
void BM_StopRunawayRun(benchmark::State& state)
{
    const bool withOutput = state.range(0) != 0;
    const bool byClosing = state.range(1) != 0;
    CTavrinDoc doc;
    BuildOutline(withOutput ? "pre-loop: 1\n  output: \"y\"\n" : "pre-loop: 1\n  simple: i = i + 1\n", doc.m_root);
    for (auto _ : state) {
        std::atomic<bool> done { false };
        StartConsoleJob(
            nullptr, ConsoleKind::Run, [&doc](CConsole& console) { RunChart(doc.m_root, console); },
            [&done] { done = true; });
        SpinUntil([] { return OpenConsole() != nullptr; });
        QElapsedTimer warmUp;
        warmUp.start();
        SpinUntil([&] { return warmUp.elapsed() >= 300; });
        QPointer<CConsoleWindow> console = OpenConsole();
        QElapsedTimer clock;
        clock.start();
        if (byClosing) {
            console->close();
            SpinUntil([&] { return done.load(); });
            state.SetIterationTime(clock.nsecsElapsed() / 1e9);
        } else {
            PressKey(console, Qt::Key_C, Qt::ControlModifier);
            // Drained by the window's own timer, as the user sees it.
            SpinUntil([&] { return console->document()->lastBlock().text().endsWith(kPrompt); });
            state.SetIterationTime(clock.nsecsElapsed() / 1e9);
            PressKey(console, Qt::Key_Return);
            SpinUntil([&] { return done.load(); });
        }
    }
}
BENCHMARK(BM_StopRunawayRun)
    ->ArgNames({ "output", "close" })
    ->Args({ 0, 0 })
    ->Args({ 1, 0 })
    ->Args({ 0, 1 })
    ->Args({ 1, 1 })
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
