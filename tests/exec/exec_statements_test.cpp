// What each box kind does when a chart runs: loops counting both ways,
// break and continue, branches, input and output, and how errors end a run.
#include "ExecTestSupport.h"

#include "interp/CInterpreter.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

using namespace exec_test;

namespace {

struct RunCase {
    const char* name;
    std::function<std::unique_ptr<CRootSequence>()> chart;
    std::string expected;
    RunOutcome outcome { RunOutcome::Completed };
    std::vector<std::string> input {};
};

const RunCase kRunCases[] = {
    { "PreTestCountsUpAndLeavesVariablePastLimit",
        [] { return Chart(Pre("i = 1, 3", Out("i")), Out("i")); },
        "1\n2\n3\n4\n" },
    { "PostTestCountsUpAndLeavesVariablePastLimit",
        [] { return Chart(Post("i = 1, 3", Out("i")), Out("i")); },
        "1\n2\n3\n4\n" },
    { "PreTestCountsDownWithNegativeStep",
        [] { return Chart(Pre("i = 3, 1, -1", Out("i")), Out("i")); },
        "3\n2\n1\n0\n" },
    { "FractionalStepAndLimit",
        [] { return Chart(Pre("x = 0, 1, 0.25", Out("x")), Pre("k = 1, 2.5", Out("k"))); },
        "0\n0.25\n0.5\n0.75\n1\n1\n2\n" },
    { "LimitIsEvaluatedOnceWhenTheLoopStarts",
        [] { return Chart(Simple("n = 2"), Pre("i = 1, n", Simple("n = n + 10"), Out("i")), Out("n")); },
        "1\n2\n22\n" },
    { "LimitBeyondAnyFixedBuffer",
        [] { return Chart(Pre("i = 1, 1e300", Out("i"), Branch("i >= 2", Seq(Simple("break"))))); },
        "1\n2\n" },
    { "PreTestFalseAtStartNeverRunsBody",
        [] { return Chart(Pre("0", Out("\"body\"")), Pre("i = 5, 5, 1", Out("i")), Out("\"end\"")); },
        "5\nend\n" },
    { "PostTestRunsBodyOnce",
        [] { return Chart(Post("0", Out("\"body\"")), Out("\"end\"")); },
        "body\nend\n" },
    { "PlainPreTestLoop",
        [] { return Chart(Simple("x = 1"), Pre("x < 20", Simple("x = x * 3")), Out("x")); },
        "27\n" },
    { "PlainPostTestLoopEvaluatesHeaderOnceBefore",
        [] { return Chart(Post("(n = n + 1) < 3", Out("n")), Out("n")); },
        "1\n2\n3\n" },
    { "BreakDeepInBranchesEndsInnermostLoopOnly",
        [] {
            return Chart(Pre("i = 1, 2",
                Pre("j = 1, 5",
                    Branch("1", Seq(Branch("j == 2", Seq(Simple("break"))))),
                    Out("i, j"))));
        },
        "1 1\n2 1\n" },
    { "BreakSkipsStepAndCondition",
        [] { return Chart(Pre("i = 1, 10", Branch("i == 3", Seq(Simple("break")))), Out("i")); },
        "3\n" },
    { "ContinueStillPerformsTheStep",
        [] { return Chart(Pre("i = 1, 5", Branch("i % 2 == 0", Seq(Simple("continue"))), Out("i")), Out("i")); },
        "1\n3\n5\n6\n" },
    { "ContinueInCountingPostTestLoop",
        [] { return Chart(Post("i = 1, 4", Branch("i == 2", Seq(Simple("continue"))), Out("i")), Out("i")); },
        "1\n3\n4\n5\n" },
    { "ContinueInPlainPreTestLoopReevaluatesCondition",
        [] { return Chart(Pre("(k = k + 1) < 4", Branch("k == 2", Seq(Simple("continue"))), Out("k"))); },
        "1\n3\n" },
    { "BreakLookalikesAreOrdinaryStatements",
        [] { return Chart(Pre("i = 1, 2", Simple(" break"), Simple("Break"), Simple("breaks"), Out("i"))); },
        "1\n2\n" },
    { "BranchRunsOneArm",
        [] {
            return Chart(Branch("0", Seq(Out("\"then\"")), Seq(Out("\"else\""))),
                Branch("2", Seq(Out("\"then\"")), Seq(Out("\"else\""))),
                Branch("1 - 1", Seq()), Out("\"end\""));
        },
        "else\nthen\nend\n" },
    { "NaNConditionsCountAsFalse",
        [] {
            return Chart(Branch("sqrt(-1)", Seq(Out("\"nan true\"")), Seq(Out("\"nan false\""))),
                Pre("sqrt(-1)", Out("\"loop\"")), Out("\"end\""));
        },
        "nan false\nend\n" },
    { "InputAssignsOneLinePerVariable",
        [] { return Chart(In("a, b"), In("c"), Out("a + b + c"), Out("\"%6.2f\", a")); },
        "3.5\n  1.50\n", RunOutcome::Completed, { "1.5\n", "2\n", "x\n" } },
    { "InputIntoArrayElements",
        [] { return Chart(Pre("i = 0, 2", In("v[i]")), Out("v[0], v[1], v[2]")); },
        "7 8 9\n", RunOutcome::Completed, { "7\n", "8\n", "9\n" } },
    { "EmptyChartShowsOnlyThePrompt",
        [] { return Chart(); },
        "" },
    { "TwoDimensionalArrays",
        [] {
            return Chart(Simple("m[2][3] = {1, 2, 3, 4, 5, 6}"),
                Pre("r = 0, 1", Simple("s = 0"), Pre("c = 0, 2", Simple("s += m[r][c]")), Out("s")));
        },
        "6\n15\n" },
    { "ErrorInThirdBoxKeepsEarlierEffectsAndSkipsTheRest",
        [] { return Chart(Simple("a = 1"), Out("a"), Simple("b = 1 / 0"), Out("\"never\"")); },
        "1\nDivision by ZERO.\nError -- \"b = 1 / 0\"\n", RunOutcome::Error },
    { "ErrorInsideNestedLoopsReachesTheRoot",
        [] { return Chart(Pre("i = 1, 3", Pre("j = 1, 3", Out("10 / (2 - j)"))), Out("\"never\"")); },
        "10\nDivision by ZERO.\nError -- \"10 / (2 - j)\"\n", RunOutcome::Error },
    { "ErrorInPreTestConditionIsReportedWithoutMessageLine",
        [] { return Chart(Pre("10 / (2 - x)", Simple("x++"), Out("x"))); },
        "1\n2\nError -- \"10 / (2 - x)\"\n", RunOutcome::Error },
    { "ErrorInPostTestFirstEvaluationHasNoMessageLine",
        [] { return Chart(Post("1 / 0", Out("\"body\""))); },
        "Error -- \"1 / 0\"\n", RunOutcome::Error },
    { "ErrorInPostTestConditionHasMessageLine",
        [] { return Chart(Simple("y = 1"), Post("1 / y", Out("\"body\""), Simple("y = 0"))); },
        "body\nDivision by ZERO.\nError -- \"1 / y\"\n", RunOutcome::Error },
    { "ErrorInCountingHeaderHasMessageLine",
        [] { return Chart(Pre("i = 1, 3, 1 / d", Out("i"))); },
        "Division by ZERO.\nError -- \"i = 1, 3, 1 / d\"\n", RunOutcome::Error },
    // The loop variable of this header is "(", so the built condition fails.
    { "ErrorInCountingConditionHasNoMessageLine",
        [] { return Chart(Pre("(i = 1), 3", Out("i"))); },
        "Error -- \"( <= 3.000000\"\n", RunOutcome::Error },
    { "BreakOutsideEveryLoopEndsTheRunLikeAnError",
        [] { return Chart(Out("\"before\""), Branch("1", Seq(Simple("break"))), Out("\"after\"")); },
        "before\nError -- \"break\"\n", RunOutcome::Error },
    { "ContinueOutsideEveryLoopEndsTheRunLikeAnError",
        [] { return Chart(Simple("continue"), Out("\"after\"")); },
        "Error -- \"continue\"\n", RunOutcome::Error },
    { "OutputStringsAndEscapes",
        [] { return Chart(Simple("x = 1.5, y = 2"), Out("\"x = \", x, \" y = %5.2f\", y, x, x"), Out("\"a\\tb\\nc\"")); },
        "x = 1.5 y =  2.001.5 1.5\na\tb\nc\n" },
};

void PrintTo(const RunCase& c, std::ostream* os)
{
    *os << c.name;
}

class RunCaseTest : public testing::TestWithParam<RunCase> {};

} // namespace

TEST_P(RunCaseTest, PrintsExpectedOutput)
{
    const RunCase& c = GetParam();
    auto chart = c.chart();
    // A loop that fails to end is stopped after many lines rather than hang.
    RunResult result = RunScripted(*chart, c.input, 1000);
    EXPECT_EQ(result.output, c.expected);
    EXPECT_EQ(result.outcome, c.outcome);
    EXPECT_TRUE(result.promptShown);
}

INSTANTIATE_TEST_SUITE_P(Execute, RunCaseTest, testing::ValuesIn(kRunCases),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

// An inner counting loop must start afresh on every pass of the outer loop,
// also for boxes that have no editor to restore their header from.
TEST(ExecuteCounting, InnerCountingLoopResetsOnEveryOuterPassWithoutEditor)
{
    auto chart = Chart(Pre("i = 1, 2", Pre("j = 1, 3", Out("j"))), Post("k = 1, 2", Post("m = 1, 2", Out("m"))));
    EXPECT_EQ(RunScripted(*chart).output, "1\n2\n3\n1\n2\n3\n1\n2\n1\n2\n");
    auto& outer = static_cast<CPreTestLoopBox&>(*chart->m_boxes[0]);
    EXPECT_EQ(outer.m_text, "i = 1, 2");
    EXPECT_EQ(outer.m_bodySeq.m_boxes[0]->m_text, "j = 1, 3");
    EXPECT_EQ(chart->m_boxes[1]->m_text, "k = 1, 2");
}

class CFixedEditor : public CBoxEditor {
public:
    explicit CFixedEditor(std::string text) : m_text(std::move(text)) {}
    std::string GetText() const override { return m_text; }
    void SetText(const std::string& text) override { m_text = text; }
    void MoveWindow(int, int, int, int) override {}

private:
    std::string m_text;
};

TEST(ExecuteRefresh, BoxesRunTheirEditorsText)
{
    auto chart = Chart(Simple("x = 1"), Pre("i = 1, 1", Out("x")), Branch("0", Seq(), Seq(Out("\"stale\""))));
    chart->m_boxes[0]->m_editor = std::make_unique<CFixedEditor>("x = 7");
    chart->m_boxes[1]->m_editor = std::make_unique<CFixedEditor>("i = 1, 2");
    chart->m_boxes[2]->m_editor = std::make_unique<CFixedEditor>("1");
    auto& branch = static_cast<CBranchBox&>(*chart->m_boxes[2]);
    branch.m_thenSeq.m_boxes.push_back(Out("\"fresh\""));
    EXPECT_EQ(RunScripted(*chart).output, "7\n7\nfresh\n");
    EXPECT_EQ(chart->m_boxes[0]->m_text, "x = 7");
}

TEST(ExecuteRuns, EveryRunStartsWithNoVariables)
{
    auto chart = Chart(Out("x"), Simple("x = x + 5"), Out("x"));
    EXPECT_EQ(RunScripted(*chart).output, "0\n5\n");
    EXPECT_EQ(RunScripted(*chart).output, "0\n5\n");
}

TEST(ExecuteRuns, ErrorKeepsEarlierAssignments)
{
    // The variables as they were at the failure are what a later box would
    // have seen; run the same interpreter by hand to look at them.
    auto chart = Chart(Simple("a = 1"), Simple("(b = 2), c = 1 / 0"), Simple("d = 4"));
    CScriptConsole console;
    CInterpreter interp;
    g_running = 1;
    chart->Execute(console, interp);
    EXPECT_EQ(interp.Variables().Get("a"), 1.0);
    EXPECT_EQ(interp.Variables().Get("b"), 2.0);
    EXPECT_EQ(interp.Variables().Get("d"), 0.0);
    EXPECT_EQ(console.m_output, "Division by ZERO.\nError -- \"(b = 2), c = 1 / 0\"\n");
}

// Clearing the run flag (as Ctrl+C does) stops every sequence after its
// current box and every loop at its next check; the run still ends with
// the exit prompt.
TEST(ExecuteInterrupt, StopsAfterTheCurrentBox)
{
    auto chart = Chart(Pre("i = 3, 1", Out("i"), Out("\"second\"")), Out("\"after\""), Simple("z = 1"));
    RunResult result = RunScripted(*chart, {}, 1);
    EXPECT_EQ(result.output, "3\n");
    EXPECT_EQ(result.outcome, RunOutcome::Interrupted);
    EXPECT_TRUE(result.promptShown);
}

TEST(ExecuteInterrupt, DownwardLoopWithoutStepRunsUntilStopped)
{
    // i = 3, 1 counts with the condition i >= 1 and the default step i ++.
    auto chart = Chart(Pre("i = 3, 1", Out("i")));
    RunResult result = RunScripted(*chart, {}, 4);
    EXPECT_EQ(result.output, "3\n4\n5\n6\n");
    EXPECT_EQ(result.outcome, RunOutcome::Interrupted);
}

TEST(ExecuteInterrupt, PostTestLoopLeavesAtItsNextCheck)
{
    auto chart = Chart(Post("1", Out("\"once\""), Simple("break")), Out("\"after\""));
    RunResult result = RunScripted(*chart, {}, 1);
    EXPECT_EQ(result.output, "once\n");
    EXPECT_EQ(result.outcome, RunOutcome::Interrupted);
}
