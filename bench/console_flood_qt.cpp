// Memory of the console window under a runaway output loop: a chart that
// prints for ever is run for TAVRIN_FLOOD_SECONDS seconds (default 60) while
// the resident memory is printed every few seconds; then Ctrl+C, and the
// time until the exit prompt shows, and the time until the console is gone
// after Enter. The scrollback bound is the console's default (100,000 lines)
// unless TAVRIN_FLOOD_LINES gives another. Offscreen.
//
//   QT_QPA_PLATFORM=offscreen TAVRIN_FLOOD_SECONDS=600 build/bin/bench_console_flood_qt

#include "CConsoleWindow.h"
#include "CTavrinDoc.h"
#include "Outline.h"
#include "RunDriver.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPointer>
#include <QTextBlock>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>

namespace {

const QString kPrompt = QStringLiteral("press ENTER key to exit");

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

CConsoleWindow* OpenConsole()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* console = qobject_cast<CConsoleWindow*>(w); console && console->isVisible())
            return console;
    return nullptr;
}

template <typename Condition>
bool SpinUntil(Condition condition, qint64 timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void PressKey(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QKeyEvent press(QEvent::KeyPress, key, mods);
    QApplication::sendEvent(w, &press);
}

int EnvInt(const char* name, int fallback)
{
    bool ok = false;
    const int value = qEnvironmentVariableIntValue(name, &ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = EnvInt("TAVRIN_FLOOD_SECONDS", 60);
    CConsoleWindow::SetScrollbackLinesForTesting(EnvInt("TAVRIN_FLOOD_LINES", CConsoleWindow::kDefaultScrollbackLines));

    CTavrinDoc doc;
    BuildOutline("pre-loop: 1\n  output: \"a runaway output loop\", i\n  simple: i = i + 1\n", doc.m_root);
    const double before = ResidentMegabytes();
    std::atomic<bool> done { false };
    StartConsoleJob(
        nullptr, ConsoleKind::Run, [&doc](CConsole& console) { RunChart(doc.m_root, console); },
        [&done] { done = true; });
    if (!SpinUntil([] { return OpenConsole() != nullptr; }, 10000)) {
        std::fprintf(stderr, "no console opened\n");
        return 1;
    }
    QPointer<CConsoleWindow> console = OpenConsole();
    std::printf("scrollback bound: %d lines; flood of %d s; RSS before the run %.1f MB\n",
                CConsoleWindow::ScrollbackLines(), seconds, before);
    std::printf("%8s %12s %10s\n", "seconds", "lines kept", "RSS MB");
    QElapsedTimer clock;
    clock.start();
    double peak = 0;
    int nextReport = 0;
    while (clock.elapsed() < seconds * 1000LL) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const double rss = ResidentMegabytes();
        peak = std::max(peak, rss);
        if (clock.elapsed() >= nextReport * 1000LL) {
            std::printf("%8d %12d %10.1f\n", nextReport, console->document()->blockCount(), rss);
            std::fflush(stdout);
            nextReport += seconds <= 60 ? 5 : 30;
        }
    }
    const int lastLine = console->document()->blockCount();
    std::printf("after %d s: %d lines kept, RSS %.1f MB, peak %.1f MB\n", seconds, lastLine, ResidentMegabytes(),
                peak);

    QElapsedTimer stop;
    stop.start();
    PressKey(console, Qt::Key_C, Qt::ControlModifier);
    if (!SpinUntil([&] { return console && console->document()->lastBlock().text().endsWith(kPrompt); }, 60000)) {
        std::fprintf(stderr, "Ctrl+C did not bring the exit prompt within 60 s\n");
        return 1;
    }
    std::printf("Ctrl+C to the exit prompt: %lld ms\n", static_cast<long long>(stop.elapsed()));
    stop.restart();
    PressKey(console, Qt::Key_Return);
    SpinUntil([&] { return done.load(); }, 60000);
    std::printf("Enter to the console released: %lld ms\n", static_cast<long long>(stop.elapsed()));
    return done ? 0 : 1;
}
