// Runs that must end however they are written: Ctrl+C from another thread
// while a loop spins, and charts whose texts are garbage.
#include "ExecTestSupport.h"
#include "interp/RunMemory.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <thread>

using namespace exec_test;
using namespace std::chrono_literals;

namespace {

// Clears the run flag from another thread after `delay`, as the console's
// Ctrl+C handler does, and measures how long the run took to notice.
std::chrono::milliseconds RunStoppedAfter(CRootSequence& chart, std::chrono::milliseconds delay, RunResult& result)
{
    auto start = std::chrono::steady_clock::now();
    std::thread stopper([delay] {
        std::this_thread::sleep_for(delay);
        g_running = 0;
    });
    result = RunScripted(chart);
    auto elapsed = std::chrono::steady_clock::now() - start;
    stopper.join();
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed);
}

} // namespace

TEST(ExecuteCtrlC, StopsEndlessLoopsFromAnotherThread)
{
    struct Case {
        const char* name;
        std::unique_ptr<CRootSequence> chart;
    };
    Case cases[] = {
        { "empty pre-test body", Chart(Pre("1")) },
        { "empty post-test body", Chart(Post("1")) },
        { "counting loop that never reaches its limit", Chart(Pre("i = 3, 1", Simple("x = x + 1"))) },
        { "nested loops", Chart(Pre("1", Pre("j = 1, 1000", Simple("k++")))) },
        { "loop of a loop that breaks at once", Chart(Pre("1", Post("1", Simple("break")))) },
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        RunResult result;
        auto elapsed = RunStoppedAfter(*c.chart, 50ms, result);
        EXPECT_EQ(result.outcome, RunOutcome::Interrupted);
        EXPECT_TRUE(result.promptShown);
        EXPECT_EQ(result.output, "");
        // Generous for loaded machines; the benchmark reports the real delay.
        EXPECT_LT(elapsed.count(), 2000);
    }
}

TEST(ExecuteCtrlC, BoxesAfterTheStopDoNothing)
{
    // The loop's body is still entered after the stop when its condition is
    // true, but the sequence stops after its first box.
    auto chart = Chart(Pre("1", Simple("n++")), Out("\"after\""), Simple("m = 1"));
    RunResult result;
    RunStoppedAfter(*chart, 20ms, result);
    EXPECT_EQ(result.output, "");
}

namespace {

const char* const kFragments[] = {
    "x", "y", "i", "a[", "]", "[", "(", ")", "{", "}", ",", "=", "+=", "-", "+", "*", "/", "%", "<<", ">>",
    "==", "!=", "<", ">", "&&", "||", "!", "++", "--", "1", "0", "2.5", "1e", "1e3", ".5", "\"", "\"%6.2f\"",
    "\"%s\"", "sin", "rand()", "srand(", "gaussianrand(", "pow(", "break", "continue", " ", "\\n", "\x82\xa0",
    "\x95\x5c", "\xff", "#", ";", "a[i][j]", "a[] = {", "1 / 0", "i = 1, 3", "i = 3, 1, -1",
};

std::string GarbageText(std::mt19937& random)
{
    std::uniform_int_distribution<std::size_t> count(0, 8);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kFragments) - 1);
    std::string text;
    for (std::size_t n = count(random); n > 0; --n)
        text += kFragments[pick(random)];
    return text;
}

BoxPtr GarbageBox(std::mt19937& random, int depth)
{
    std::uniform_int_distribution<int> kind(0, depth > 2 ? 2 : 5);
    std::uniform_int_distribution<int> size(0, 3);
    switch (kind(random)) {
    case 0:
        return Simple(GarbageText(random));
    case 1:
        return Out(GarbageText(random));
    case 2:
        return In(GarbageText(random));
    case 3: {
        auto box = MakeBox<CBranchBox>(GarbageText(random));
        for (int n = size(random); n > 0; --n)
            box->m_thenSeq.m_boxes.push_back(GarbageBox(random, depth + 1));
        for (int n = size(random); n > 0; --n)
            box->m_elseSeq.m_boxes.push_back(GarbageBox(random, depth + 1));
        return box;
    }
    default: {
        std::unique_ptr<CPreTestLoopBox> box;
        if (kind(random) % 2)
            box = MakeBox<CPreTestLoopBox>(GarbageText(random));
        else
            box = MakeBox<CPostTestLoopBox>(GarbageText(random));
        for (int n = size(random); n > 0; --n)
            box->m_bodySeq.m_boxes.push_back(GarbageBox(random, depth + 1));
        return box;
    }
    }
}

} // namespace

// Whatever the texts, a run ends with an error line, by its own end or at
// the stop, and always with the exit prompt.
TEST(ExecuteGarbage, RandomChartsEndCleanly)
{
    std::mt19937 random(20240601);
    for (int n = 0; n < 300; ++n) {
        auto chart = std::make_unique<CRootSequence>();
        for (int boxes = 1 + static_cast<int>(random() % 5); boxes > 0; --boxes)
            chart->m_boxes.push_back(GarbageBox(random, 0));
        RunResult result;
        RunStoppedAfter(*chart, 5ms, result);
        SCOPED_TRACE(n);
        EXPECT_TRUE(result.promptShown);
        if (result.outcome == RunOutcome::Error) {
            EXPECT_NE(result.output.find("Error -- \""), std::string::npos);
        }
    }
}

// A chart that needs more memory than the run may use ends with a message in
// the console and the exit prompt; the next run starts afresh.
TEST(ExecuteMemoryLimit, EndsTheRunAndLeavesTheProgramUsable)
{
    const std::size_t limit = RunMemoryLimit();
    SetRunMemoryLimit(4 << 20);
    auto greedy = Chart(Out("\"before\""), Pre("i = 0, 100000000", Simple("a[i * 100] = i, b[i][i] = i")), Out("\"never\""));
    CScriptConsole console;
    EXPECT_EQ(RunChart(*greedy, console), RunOutcome::MemoryLimit);
    EXPECT_EQ(console.m_output,
        "before\nOut of memory: the run was stopped at its memory limit of 4 MB.\n" + std::string(CConsole::kExitPrompt));
    SetRunMemoryLimit(limit);

    auto modest = Chart(Simple("a[5] = 2"), Out("a[5], a[500]"));
    CScriptConsole next;
    EXPECT_EQ(RunChart(*modest, next), RunOutcome::Completed);
    EXPECT_EQ(next.m_output, "2 0\n" + std::string(CConsole::kExitPrompt));
}
