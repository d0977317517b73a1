// Watching a run from another thread: stepping, stepping over, breakpoints,
// pausing, stopping (also while an input waits), the delay and the watch.
#include "model/BoxPath.h"
#include "interp/CRandom.h"
#include "exec/CRunTrace.h"
#include "exec/CStepController.h"
#include "model/CTavrinDoc.h"
#include "exec/CTerminalConsole.h"
#include "ExecTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <thread>
#include <unistd.h>

using namespace exec_test;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr auto kPatience = 10s;

// A run on a thread of its own, driven from the test's thread as the
// desktop program drives it from its user-interface thread.
class CThreadedRun {
public:
    CThreadedRun(CRootSequence& chart, CConsole& console, CStepController& controller)
        : m_run(chart, console)
        , m_controller(controller)
    {
        m_thread = std::thread([this] {
            CRandom::Seed(CRandom::kInitialSeed);
            m_controller.Attach(m_run);
            m_outcome = m_run.Run();
            m_controller.Detach();
        });
    }
    ~CThreadedRun() { Join(); }

    RunOutcome Join()
    {
        if (m_thread.joinable())
            m_thread.join();
        return m_outcome;
    }

private:
    CRunContext m_run;
    CStepController& m_controller;
    RunOutcome m_outcome { RunOutcome::Completed };
    std::thread m_thread;
};

// The scalar's value in the controller's watch, or NaN.
double Watched(const CStepController& controller, const std::string& name)
{
    for (const WatchRow& row : *controller.Watch())
        if (!row.IsArray() && row.name == name)
            return row.value;
    return std::nan("");
}

std::vector<std::string> InputLines(const std::string& path)
{
    std::vector<std::string> lines;
    if (!fs::exists(path))
        return lines;
    const std::string bytes = testing_support::ReadFileBytes(path);
    std::size_t start = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find('\n', start);
        end = end == std::string::npos ? bytes.size() : end + 1;
        lines.push_back(bytes.substr(start, end - start));
        start = end;
    }
    return lines;
}

// The paths of the boxes a trace names, in order (its box lines).
std::vector<std::string> TracedBoxes(CRootSequence& chart, const std::vector<std::string>& input, std::string& output)
{
    std::vector<std::string> boxes;
    CScriptConsole console(input);
    CRunContext run(chart, console);
    CRunTrace trace(chart, [&boxes](std::string_view line) {
        const std::size_t tab = line.find('\t');
        const std::string_view second = line.substr(tab + 1, line.find('\t', tab + 1) - tab - 1);
        if (!second.starts_with("pass ") && second != "end")
            boxes.emplace_back(line.substr(0, tab));
    });
    run.SetObserver(&trace);
    CRandom::Seed(CRandom::kInitialSeed);
    run.Run();
    trace.Finish(run);
    output = console.m_output;
    return boxes;
}

} // namespace

TEST(StepController, SteppingEveryExampleMeetsTheBoxesOfItsTrace)
{
    int examples = 0;
    for (const auto& entry : fs::directory_iterator(testing_support::SourcePath("examples"))) {
        if (entry.path().extension() != ".pad")
            continue;
        SCOPED_TRACE(entry.path().string());
        CTavrinDoc doc;
        doc.Load(entry.path().string());
        auto input = InputLines(fs::path(entry.path()).replace_extension(".input").string());
        std::string tracedOutput;
        const auto traced = TracedBoxes(doc.m_root, input, tracedOutput);

        std::vector<std::string> stepped;
        CScriptConsole console(input);
        CStepController controller(CStepController::Start::Paused);
        CThreadedRun run(doc.m_root, console, controller);
        while (controller.WaitForPause(kPatience)) {
            const CProcessBox* box = controller.CurrentBox();
            const auto where = LocateBox(doc.m_root, *box);
            ASSERT_TRUE(where);
            stepped.push_back(where->path);
            controller.Step();
        }
        EXPECT_TRUE(controller.HasEnded());
        EXPECT_EQ(run.Join(), RunOutcome::Completed);
        EXPECT_EQ(stepped, traced);
        EXPECT_EQ(console.m_output, tracedOutput);
        ++examples;
    }
    EXPECT_GE(examples, 10);
}

TEST(StepController, StopWhilePausedEndsTheRunBeforeTheBox)
{
    auto chart = Chart(Simple("x = 1"), Out("x"), Out("2"));
    CScriptConsole console;
    CStepController controller(CStepController::Start::Paused);
    int stopActions = 0;
    controller.SetStopAction([&stopActions] { ++stopActions; });
    CThreadedRun run(*chart, console, controller);
    ASSERT_TRUE(controller.WaitForPause(kPatience));
    controller.Step();
    ASSERT_TRUE(controller.WaitForPause(kPatience));
    EXPECT_EQ(controller.CurrentBox(), chart->m_boxes[1].get());
    EXPECT_EQ(Watched(controller, "x"), 1.0);
    controller.Stop();
    EXPECT_EQ(run.Join(), RunOutcome::Interrupted);
    EXPECT_EQ(console.m_output, "");
    EXPECT_TRUE(controller.HasEnded());
    EXPECT_FALSE(controller.IsPaused());
    EXPECT_EQ(stopActions, 1);
    // A stop after the end does nothing harmful.
    controller.Stop();
}

TEST(StepController, StopWhileAnInputWaitsEndsTheRead)
{
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    int outFds[2];
    ASSERT_EQ(pipe(outFds), 0);
    {
        auto chart = Chart(In("a"), Out("\"after\""));
        // Nobody ever writes to the input; the writing end stays open.
        CTerminalConsole console(TerminalEncoding::Utf8, ExitPause::None, pipeFds[0], outFds[1]);
        CStepController controller(CStepController::Start::Running);
        CThreadedRun run(*chart, console, controller);
        std::this_thread::sleep_for(100ms);
        EXPECT_FALSE(controller.HasEnded());
        const auto stopped = std::chrono::steady_clock::now();
        controller.Stop();
        EXPECT_EQ(run.Join(), RunOutcome::Interrupted);
        EXPECT_LT(std::chrono::steady_clock::now() - stopped, 2s);
        console.Flush();
    }
    close(outFds[1]);
    char buffer[64];
    EXPECT_EQ(read(outFds[0], buffer, sizeof buffer), 0); // "after" was never written
    for (int fd : { pipeFds[0], pipeFds[1], outFds[0] })
        close(fd);
}

TEST(StepController, BreakpointsInNestedLoopsHitEveryPass)
{
    auto chart = Chart(Pre("i = 1, 3", Pre("j = 1, 2", Simple("s = s + i * j")), Simple("t = i")), Out("s"));
    auto& outer = static_cast<CPreTestLoopBox&>(*chart->m_boxes[0]);
    auto& inner = static_cast<CPreTestLoopBox&>(*outer.m_bodySeq.m_boxes[0]);
    CProcessBox& sum = *inner.m_bodySeq.m_boxes[0];
    CScriptConsole console;
    CStepController controller(CStepController::Start::Running);
    controller.SetBreakpoint(sum, true);
    controller.SetBreakpoint(inner, true);
    EXPECT_TRUE(controller.HasBreakpoint(inner));
    CThreadedRun run(*chart, console, controller);
    std::vector<std::string> hits;
    while (controller.WaitForPause(kPatience)) {
        if (controller.CurrentBox() == &inner) {
            hits.push_back("inner i=" + FormatNumber(Watched(controller, "i")));
        } else {
            EXPECT_EQ(controller.CurrentBox(), &sum);
            hits.push_back("sum " + FormatNumber(Watched(controller, "i")) + "," + FormatNumber(Watched(controller, "j")));
        }
        // The inner loop's breakpoint goes once it has been hit twice.
        if (hits.size() == 6)
            controller.SetBreakpoint(inner, false);
        controller.Continue();
    }
    EXPECT_EQ(run.Join(), RunOutcome::Completed);
    EXPECT_EQ(hits,
        (std::vector<std::string> { "inner i=1", "sum 1,1", "sum 1,2", "inner i=2", "sum 2,1", "sum 2,2", "sum 3,1", "sum 3,2" }));
    EXPECT_EQ(console.m_output, "18\n");
}

TEST(StepController, SteppingOverAContainerRunsEverythingInsideIt)
{
    // The loop as a whole, then a branch whose arm breaks out of the
    // enclosing loop, then one whose arm continues it.
    auto chart = Chart(Pre("k = 1, 3", Out("k")),
        Pre("i = 1, 5", Branch("i == 2", Seq(Simple("continue"))), Branch("i == 3", Seq(Out("\"out\""), Simple("break"))), Out("i")),
        Out("\"end\""));
    auto& loop = static_cast<CPreTestLoopBox&>(*chart->m_boxes[1]);
    CProcessBox& continuing = *loop.m_bodySeq.m_boxes[0];
    CProcessBox& breaking = *loop.m_bodySeq.m_boxes[1];
    CScriptConsole console;
    CStepController controller(CStepController::Start::Paused);
    CThreadedRun run(*chart, console, controller);
    auto next = [&](void (CStepController::*command)()) {
        (controller.*command)();
        EXPECT_TRUE(controller.WaitForPause(kPatience));
        return controller.CurrentBox();
    };
    ASSERT_TRUE(controller.WaitForPause(kPatience));
    EXPECT_EQ(next(&CStepController::StepOver), &loop); // the first loop ran whole
    EXPECT_EQ(console.m_output, "1\n2\n3\n");
    EXPECT_EQ(next(&CStepController::Step), &continuing); // i = 1
    EXPECT_EQ(next(&CStepController::StepOver), &breaking);
    EXPECT_EQ(next(&CStepController::StepOver), loop.m_bodySeq.m_boxes[2].get());
    EXPECT_EQ(next(&CStepController::Step), &continuing); // i = 2: it continues
    EXPECT_EQ(Watched(controller, "i"), 2.0);
    EXPECT_EQ(next(&CStepController::StepOver), &continuing); // i = 3, next pass
    EXPECT_EQ(Watched(controller, "i"), 3.0);
    EXPECT_EQ(next(&CStepController::StepOver), &breaking);
    EXPECT_EQ(next(&CStepController::StepOver), chart->m_boxes[2].get()); // broke out
    EXPECT_EQ(Watched(controller, "i"), 3.0);
    controller.Continue();
    EXPECT_EQ(run.Join(), RunOutcome::Completed);
    EXPECT_EQ(console.m_output, "1\n2\n3\n1\nout\nend\n");
}

TEST(StepController, PauseAndDelayAreCutShortByCommands)
{
    auto chart = Chart(Pre("1", Simple("n = n + 1")));
    CScriptConsole console;
    CStepController controller(CStepController::Start::Running);
    CThreadedRun run(*chart, console, controller);
    std::this_thread::sleep_for(20ms);
    controller.Pause();
    ASSERT_TRUE(controller.WaitForPause(kPatience));
    const double n = Watched(controller, "n");
    EXPECT_GT(n, 0.0);
    // Paused: nothing moves.
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(Watched(controller, "n"), n);
    EXPECT_TRUE(controller.IsPaused());
    // A long delay: a step still comes at once, and Stop ends the wait.
    controller.SetDelay(CStepController::kVerySlow);
    controller.Continue();
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(controller.IsPaused());
    const auto before = std::chrono::steady_clock::now();
    controller.Step();
    ASSERT_TRUE(controller.WaitForPause(kPatience));
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
    controller.Continue();
    controller.Stop();
    EXPECT_EQ(run.Join(), RunOutcome::Interrupted);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 900ms);
}

TEST(StepController, AStopBeforeTheRunStartsStillHolds)
{
    auto chart = Chart(Out("1"));
    CScriptConsole console;
    CStepController controller(CStepController::Start::Running);
    controller.Stop();
    CThreadedRun run(*chart, console, controller);
    EXPECT_EQ(run.Join(), RunOutcome::Interrupted);
    EXPECT_EQ(console.m_output, "");
}

TEST(VariableWatch, RowsInOrderOfFirstSightWithArraysAndChanges)
{
    CInterpreter interp;
    CScriptConsole console;
    CVariableWatch watch;
    auto look = [&](const char* text) {
        interp.EvaluateReport(text, console);
        watch.Update(interp.Variables());
        std::string seen;
        for (const WatchRow& row : watch.Rows()) {
            seen += row.changed ? "*" : "";
            seen += row.name;
            if (row.IsArray()) {
                seen += "{";
                for (const WatchElement& element : row.elements)
                    seen += std::string(&element == &row.elements.front() ? "" : " ") + (element.changed ? "*" : "") + ElementName("", element.subscripts) + "=" + FormatNumber(element.value);
                seen += "}";
            } else {
                seen += "=" + FormatNumber(row.value);
            }
            seen += " ";
        }
        return seen;
    };
    EXPECT_EQ(look("z = 3"), "*z=3 ");
    EXPECT_EQ(look("a[2] = 5, a[-1] = 1, b = 0"), "z=3 *b=0 *a{*[-1]=1 *[2]=5} ");
    EXPECT_EQ(look("a[2] = 5, z = 4"), "*z=4 b=0 a{[-1]=1 [2]=5} ");
    EXPECT_EQ(look("m[1][0] = 2, a[0] = 7"), "z=4 b=0 *a{[-1]=1 *[0]=7 [2]=5} *m{*[1][0]=2} ");
    // 0 and -0 print differently; a NaN that stays NaN did not change.
    EXPECT_EQ(look("b = -b, q = sqrt(-1)").substr(0, 12), "z=4 *b=-0 a{");
    EXPECT_EQ(watch.Changes().size(), 2u);
    look("q = sqrt(-1)");
    EXPECT_TRUE(watch.Changes().empty());
}
