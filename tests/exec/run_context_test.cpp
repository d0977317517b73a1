// A run context holds all the state of one run: two runs side by side share
// nothing, the step limit and the flag stop only their own run, and the hook
// sees every box and loop pass in the order they are executed.

#include "ExecTestSupport.h"

#include "exec/CMemoryConsole.h"
#include "exec/CRunContext.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

using namespace exec_test;

namespace {

// Records each step as "box text" or "pass:loop header"; optionally stops
// the run at a given step, as a stepping front end would.
class CStepRecorder : public CRunObserver {
public:
    explicit CStepRecorder(std::size_t stopAt = 0) : m_stopAt(stopAt) {}
    void OnStep(CRunContext& run, CProcessBox& box, RunStep where) override
    {
        if (where == RunStep::AfterBox)
            return;
        m_steps.push_back((where == RunStep::LoopPass ? "pass:" : "") + box.m_text);
        if (m_steps.size() == m_stopAt)
            run.Stop(RunStop::Interrupt);
    }
    std::vector<std::string> m_steps;

private:
    std::size_t m_stopAt;
};

} // namespace

TEST(RunContext, TwoRunsOnTwoThreadsStopEachOnItsOwn)
{
    // Both loop forever; one is stopped by its step limit, the other by its
    // flag only after the first has ended, so neither limit nor flag leaks.
    auto limited = Chart(Pre("1", Simple("x = x + 1")));
    auto flagged = Chart(Pre("1", Simple("y = y + 1")), Out("y > 0"));
    CMemoryConsole limitedConsole;
    CMemoryConsole flaggedConsole;
    CRunContext limitedRun(*limited, limitedConsole);
    CRunContext flaggedRun(*flagged, flaggedConsole);
    limitedRun.SetStepLimit(5000);
    g_running = 7; // the foreground flag: neither run may touch it

    RunOutcome flaggedOutcome {};
    std::thread flaggedThread([&] { flaggedOutcome = flaggedRun.Run(); });
    RunOutcome limitedOutcome {};
    std::thread limitedThread([&] { limitedOutcome = limitedRun.Run(); });
    limitedThread.join();
    // The first run ended at its limit; the second still goes on.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(flaggedRun.Running());
    flaggedRun.g_running = 0;
    flaggedThread.join();

    EXPECT_EQ(limitedOutcome, RunOutcome::Interrupted);
    EXPECT_EQ(limitedRun.StopCause(), RunStop::StepLimit);
    EXPECT_EQ(limitedRun.Steps(), 5001u);
    // The root's box, then pass and body box in turn: the limit fell on the
    // body box of pass 2500, which was called with the flag cleared.
    EXPECT_EQ(limitedRun.Interp().Variables().Get("x"), 2499.0);
    EXPECT_EQ(limitedRun.Interp().Variables().Get("y"), 0.0);

    EXPECT_EQ(flaggedOutcome, RunOutcome::Interrupted);
    EXPECT_EQ(flaggedRun.StopCause(), RunStop::None);
    EXPECT_GT(flaggedRun.Steps(), 5001u);
    EXPECT_GT(flaggedRun.Interp().Variables().Get("y"), 2500.0);
    EXPECT_EQ(flaggedRun.Interp().Variables().Get("x"), 0.0);
    // The sequence stopped after the loop: the box after it never ran.
    EXPECT_EQ(flaggedConsole.Output(), "");
    EXPECT_EQ(limitedConsole.Output(), "");
    EXPECT_EQ(g_running.load(), 7);
    g_running = 0;
}

TEST(RunContext, HookSeesBoxesAndLoopPassesInOrder)
{
    auto chart = Chart(Simple("n = 0"), Pre("i = 1, 2", Branch("i == 2", Seq(Simple("n = n + 1")))), Post("i = 1, 1", Out("i")));
    CMemoryConsole console;
    CRunContext run(*chart, console);
    CStepRecorder recorder;
    run.SetObserver(&recorder);
    EXPECT_EQ(run.Run(), RunOutcome::Completed);
    const std::vector<std::string> expected { "n = 0", "i = 1, 2", "pass:i = 1, 2", "i == 2", "pass:i = 1, 2", "i == 2",
        "n = n + 1", "i = 1, 1", "pass:i = 1, 1", "i" };
    EXPECT_EQ(recorder.m_steps, expected);
    EXPECT_EQ(run.Steps(), expected.size());
    EXPECT_EQ(console.Output(), "1\n");
}

TEST(RunContext, ObserverStopsTheRunLikeCtrlC)
{
    auto chart = Chart(Out("1"), Out("2"), Out("3"));
    CMemoryConsole console;
    CRunContext run(*chart, console);
    CStepRecorder recorder(2); // stops before the second box runs
    run.SetObserver(&recorder);
    EXPECT_EQ(run.Run(), RunOutcome::Interrupted);
    EXPECT_EQ(run.StopCause(), RunStop::Interrupt);
    // The second box is still called but, the flag being cleared, prints
    // nothing; the sequence stops after it.
    EXPECT_EQ(console.Output(), "1\n");
    EXPECT_EQ(recorder.m_steps.size(), 2u);
}

TEST(RunContext, StopBeforeTheStartHoldsAndTheFirstCauseWins)
{
    auto chart = Chart(Pre("1"));
    CMemoryConsole console;
    CRunContext run(*chart, console);
    run.Stop(RunStop::TimeLimit);
    run.Stop(RunStop::Interrupt);
    EXPECT_EQ(run.Run(), RunOutcome::Interrupted); // would loop forever otherwise
    EXPECT_EQ(run.StopCause(), RunStop::TimeLimit);
}

TEST(RunContext, ConsoleFollowsTheRunFlagWhileAttached)
{
    auto chart = Chart();
    CMemoryConsole console;
    EXPECT_EQ(&console.RunFlag(), &g_running);
    {
        CRunContext run(*chart, console);
        EXPECT_EQ(&console.RunFlag(), &run.g_running);
        EXPECT_NE(&run.g_running, &g_running);
    }
    EXPECT_EQ(&console.RunFlag(), &g_running);
}
