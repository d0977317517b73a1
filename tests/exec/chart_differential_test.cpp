// Whole charts run compiled (CChartProgram) against the same charts walked
// box by box: console bytes, how the run ended, the failed box, the step
// count, every variable at the end and the random generator's state must
// all be the same, over every example and a corpus of generated charts.
#include "ExecTestSupport.h"

#include "exec/CChartProgram.h"
#include "exec/CMemoryConsole.h"
#include "exec/CRunContext.h"
#include "interp/CRandom.h"
#include "model/BoxPath.h"
#include "model/CMemoryEditor.h"
#include "model/ForEachBox.h"
#include "model/Outline.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>

using namespace exec_test;

namespace {

struct Seen {
    std::string console;
    int outcome { 0 };
    std::string failed;
    std::string error;
    std::uint64_t steps { 0 };
    std::vector<std::string> variables;
    int random { 0 };
};

using testing_support::ValueBits;

// A console whose input ends as a terminal's does: the read that finds no
// line clears the run flag, as Ctrl+C would, in the middle of a box.
class CEndingConsole : public CMemoryConsole {
public:
    using CMemoryConsole::CMemoryConsole;

protected:
    bool Input(std::string& line) override
    {
        if (CMemoryConsole::Input(line))
            return true;
        RunFlag() = 0;
        return false;
    }
};

Seen RunOnce(CRootSequence& chart, const std::vector<std::string>& input, bool walk, std::uint64_t maxSteps)
{
    CRandom::Seed(7);
    CEndingConsole console(input);
    CRunContext run(chart, console);
    run.SetTreeWalk(walk);
    run.SetStepLimit(maxSteps);
    Seen seen;
    seen.outcome = static_cast<int>(run.Run());
    seen.console = console.Output();
    seen.error = run.ErrorText();
    if (const CProcessBox* failed = run.FailedBox()) {
        const auto where = LocateBox(chart, *failed);
        seen.failed = where ? where->path : "?";
    }
    seen.steps = run.Steps();
    for (const auto& [name, value] : run.Interp().Variables().Entries())
        seen.variables.push_back(name + "=" + ValueBits(value));
    seen.random = CRandom::Next();
    return seen;
}

void ExpectSameRuns(CRootSequence& chart, const std::vector<std::string>& input, std::uint64_t maxSteps)
{
    const Seen walked = RunOnce(chart, input, true, maxSteps);
    const Seen compiled = RunOnce(chart, input, false, maxSteps);
    EXPECT_EQ(compiled.console, walked.console);
    EXPECT_EQ(compiled.outcome, walked.outcome);
    EXPECT_EQ(compiled.failed, walked.failed);
    EXPECT_EQ(compiled.error, walked.error);
    EXPECT_EQ(compiled.steps, walked.steps);
    EXPECT_EQ(compiled.variables, walked.variables);
    EXPECT_EQ(compiled.random, walked.random);
}

// Each body under each loop header, between `before` and `after`, walked
// and compiled to each step limit; false at the first difference.
template <class Headers, class Bodies>
bool ExpectSameLoops(const std::string& before, const Headers& headers, const Bodies& bodies, const std::string& after,
    std::initializer_list<std::uint64_t> limits)
{
    for (const auto& body : bodies) {
        for (const auto& header : headers) {
            SCOPED_TRACE(std::string(header) + "\n" + body);
            CRootSequence chart;
            BuildOutline(before + header + "\n" + body + after, chart);
            for (const std::uint64_t limit : limits)
                ExpectSameRuns(chart, {}, limit);
            if (testing::Test::HasFailure())
                return false;
        }
    }
    return true;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// Texts that mean something, so that generated charts loop, count, branch,
// break and fail in the ways real ones do.
const char* const kStatements[] = {
    "x = x + 1", "y += x * 2", "a[i] = i * i", "a[i % 7][j] = a[i][j - 1] + 1", "s = s + a[j]", "i++", "--j",
    "x = rand() % 10", "t = sqrt(x) + sin(y)", "b[-3] = 4, c = b[-3] / 2", "z = 1 / 0", "q = (", "x = x % 0",
    "break", "continue", "m[i][j] = {1, 2, 3}", "n = a[2147483647] + a[-2147483648]", "k = k << 33",
    "srand(x)", "w = 1e308 * 10", "v = 0 / 0", "p[i] = p[i] + 0.5", "x = y = z = 3", "x = 3 * x + 1",
    "a[i + 1] = t, t = a[i - 1]",
};
const char* const kConditions[] = {
    "x < 5", "i = 0, 4", "j = 5, 1, -1", "i = 1, 3", "k = 0, 2, 0.5", "x", "a[i] > 2", "j = 0, i", "i = 1, 1e300",
    "x != x", "0", "y < 20", "i = 0, 3, -1", "k = 10, 0", "0 / 0", "i = 1, 2, 1.0000004", "x % 2 == 0",
    "a[i] >= a[i + 1]", "x % 4 != 1 && y < 9",
};
const char* const kOutputs[] = { "x, y", "\"%5.2f\", t", "\"done\"", "a[i], a[i][j]", "z" };
const char* const kInputs[] = { "x", "a[i]", "y, z" };

template <std::size_t N>
std::string Pick(std::mt19937& random, const char* const (&texts)[N])
{
    return texts[random() % N];
}

BoxPtr GeneratedBox(std::mt19937& random, int depth)
{
    switch (random() % (depth > 2 ? 3 : 7)) {
    case 0:
    case 1:
        return Simple(Pick(random, kStatements));
    case 2:
        return random() % 3 == 0 ? (random() % 2 ? Out(Pick(random, kOutputs)) : In(Pick(random, kInputs)))
                                 : Simple(Pick(random, kStatements));
    case 3: {
        auto box = MakeBox<CBranchBox>(Pick(random, kConditions));
        for (int n = static_cast<int>(random() % 3); n > 0; --n)
            box->m_thenSeq.m_boxes.push_back(GeneratedBox(random, depth + 1));
        for (int n = static_cast<int>(random() % 3); n > 0; --n)
            box->m_elseSeq.m_boxes.push_back(GeneratedBox(random, depth + 1));
        return box;
    }
    default: {
        std::unique_ptr<CPreTestLoopBox> box;
        if (random() % 4 == 0)
            box = MakeBox<CPostTestLoopBox>(Pick(random, kConditions));
        else
            box = MakeBox<CPreTestLoopBox>(Pick(random, kConditions));
        for (int n = 1 + static_cast<int>(random() % 3); n > 0; --n)
            box->m_bodySeq.m_boxes.push_back(GeneratedBox(random, depth + 1));
        return box;
    }
    }
}

} // namespace

TEST(ChartDifferential, EveryExampleRunsTheSameCompiled)
{
    int examples = 0;
    for (const auto& entry : std::filesystem::directory_iterator(testing_support::SourcePath("examples"))) {
        if (entry.path().extension() != ".outline")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        CRootSequence chart;
        BuildOutline(testing_support::ReadFileBytes(entry.path().string()), chart);
        std::filesystem::path input = entry.path();
        input.replace_extension(".input");
        std::vector<std::string> lines;
        if (std::filesystem::exists(input))
            lines = Lines(testing_support::ReadFileBytes(input.string()));
        // Games that read guesses stop at the step limit once input runs out.
        ExpectSameRuns(chart, lines, 200000);
        ++examples;
    }
    EXPECT_GT(examples, 10);
}

TEST(ChartDifferential, BenchmarkChartsRunTheSameCompiled)
{
    // Cut short by the step limit: the point is the path, not the end.
    for (const char* name : { "sum", "bubble", "sieve", "collatz", "matrix", "lcs", "numeric" }) {
        SCOPED_TRACE(name);
        CRootSequence chart;
        BuildOutline(testing_support::ReadFileBytes(testing_support::SourcePath(std::string("bench/charts/") + name + ".outline")), chart);
        ExpectSameRuns(chart, {}, 300000);
    }
}

TEST(ChartDifferential, AccumulationsRunTheSameCompiled)
{
    // Counting loops whose one box accumulates into a scalar run their
    // passes in registers; cut short at every step near the start and run
    // to the end, up and down, over the forms taken and some that are not.
    const char* const bodies[] = { "s = s + i", "s += i * i", "s -= a[i - 1]", "s *= 1.5", "s = s * x", "s += a[i] * m[1][i + 1]",
        "s += m[i][2] - x", "s = s + s", "s = s + 1e308", "s += a[i + 2147483647]", "s += a[i] / 2", "t = t + i",
        "s += m[x][i - x]", "i = i + 1" };
    const char* const headers[] = { "pre-loop: i = 1, 10", "pre-loop: i = 10, 1, -1", "pre-loop: i = 0, 3, 0.5",
        "pre-loop: i = 1, 1e300", "post-loop: i = 1, 4", "pre-loop: i = 5, 5" };
    std::vector<std::string> boxes;
    for (const char* body : bodies)
        boxes.push_back(std::string("  simple: ") + body + "\n");
    ExpectSameLoops("simple: s = 0.25, x = 2, a[0] = 1, a[1] = -0.5, a[3] = 7, m[1][2] = 3, m[2][2] = -0.0\n", headers, boxes,
        "output: s, \" \", i\n", { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 25, 100000 });
}

TEST(ChartDifferential, FlatLoopsRunTheSameCompiled)
{
    // Loops whose bodies are simple boxes and branches of them run their
    // passes in a loop of their own, with the loop variable at hand as an
    // integer for subscripts: cut short at every step near the start, with
    // errors and breaks in an arm, the loop variable changed by the body,
    // and subscripts at the ends of the int32 range.
    const char* const bodies[] = {
        "  branch: a[j] > a[j + 1]\n    then\n      simple: t = a[j]\n      simple: a[j] = a[j + 1]\n      simple: a[j + 1] = t\n",
        "  branch: x % 2 == 0\n    then\n      simple: x = x / 2\n    else\n      simple: x = 3 * x + 1\n  simple: k++\n",
        "  simple: j = j + 2\n  simple: s += a[j - 1], k++\n",
        "  branch: k == 3\n    then\n      simple: z = 1 / 0\n  simple: s += j, k++\n",
        "  branch: j % 2\n    then\n      branch: j % 3\n        then\n          simple: s += j\n        else\n          simple: s -= j\n"
        "  simple: a[j] = s, k++\n",
        "  simple: s += a[j + 2147483646] + a[j - 2147483647]\n  simple: b[j + 1073741823] = j, k++\n",
        "  simple: k++\n  branch: k > 4\n    then\n      simple: q = 1\n    else\n      simple: j = 0.5\n",
        "  simple: a[j + 0.5] = k, k++\n  simple: s = s + a[j]\n",
        "  simple: b[j - 1073741823] = k, k++\n  simple: s += b[j + 1073741823] + b[j - 1073741822]\n",
    };
    const char* const headers[] = { "pre-loop: j = 0, 6", "pre-loop: j = 6, 0, -1", "pre-loop: j = 0, 3, 0.5",
        "pre-loop: j = 2147483640, 2147483647", "pre-loop: j = -2147483647, -2147483645", "pre-loop: j = 1073741822, 1073741826",
        "pre-loop: j = -1073741822, -1073741826, -1", "post-loop: j = 1, 4",
        "pre-loop: k < 7", "post-loop: k < 5, 0" };
    ExpectSameLoops("simple: s = 0.25, x = 7, j = 2, a[0] = 5, a[1] = 3, a[2] = 9, a[3] = -1, a[4] = 0.5, a[5] = 2\n", headers,
        bodies, "output: s, \" \", j, \" \", k, \" \", a[1], \" \", a[2]\n",
        { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 20, 25, 30, 100000 });
}

TEST(ChartDifferential, ExchangesRunTheSameCompiled)
{
    // Two elements exchanged through a scalar, done as one while both are
    // on their array's page: on pages of int8s (a), doubles with -0.0 (b)
    // and elements not stored yet, across pages, through a scalar that is
    // also a subscript or not stored yet, and forms that are no exchange.
    const char* const swaps[] = {
        "  branch: a[j] > a[j + 1]\n    then\n      simple: t = a[j]\n      simple: a[j] = a[j + 1]\n      simple: a[j + 1] = t\n",
        "  simple: t = b[j]\n  simple: b[j] = b[j + 2]\n  simple: b[j + 2] = t\n",
        "  simple: t = a[j]\n  simple: a[j] = a[j + 4096]\n  simple: a[j + 4096] = t\n",
        "  simple: t = a[j]\n  simple: a[j] = a[t]\n  simple: a[t] = t\n",
        "  simple: t = a[j]\n  simple: a[j] = a[j]\n  simple: a[j] = t\n",
        "  branch: j > 3\n    then\n      simple: u = a[j]\n  simple: a[j] = a[j + 100]\n  simple: a[j + 100] = u\n",
        "  simple: t = a[j]\n  simple: a[j] = b[j]\n  simple: b[j] = t\n",
        "  simple: t = a[j - 1]\n  simple: a[j - 1] = a[j + 1]\n  simple: a[j + 1] = t\n",
    };
    const char* const headers[] = { "pre-loop: j = 0, 38", "pre-loop: j = 38, 0, -1", "pre-loop: k < 30" };
    ExpectSameLoops("pre-loop: i = 0, 40\n  simple: a[i] = (i * 7) % 11 - 3, b[i] = a[i] / 2\nsimple: b[5] = -0.0, j = 7\n", headers,
        swaps, "  simple: k++\noutput: a[0], a[1], a[9], a[38], b[5], b[7], t, k\n",
        { 90, 91, 92, 93, 94, 95, 96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 150, 151, 152, 100000 });
}

TEST(ChartDifferential, ElementComparisonsRunTheSameCompiled)
{
    // Elements compared with elements: of a page of narrow integers (taken
    // as integers), and of one that holds -0.0, NaN and fractions.
    std::string outline = "pre-loop: i = 0, 40\n  simple: a[i] = (i / 3) % 4 - 2, b[i] = a[i]\n"
                          "simple: b[3] = -0.0, b[4] = 0, b[9] = 0.5, b[10] = sqrt(-1), b[30] = 1e10\n"
                          "pre-loop: i = 0, 39\n";
    const char* const ops[] = { "<", "<=", "==", "!=", ">", ">=" };
    for (const char* array : { "a", "b" }) {
        for (const char* op : ops) {
            outline += std::string("  branch: ") + array + "[i] " + op + " " + array + "[i + 1]\n    then\n      simple: n"
                + array + "_" + std::to_string(&op - ops) + "++\n";
        }
    }
    outline += "output: na_0, na_1, na_2, na_3, na_4, na_5, nb_0, nb_1, nb_2, nb_3, nb_4, nb_5\n";
    CRootSequence chart;
    BuildOutline(outline, chart);
    ExpectSameRuns(chart, {}, 100000);
}

TEST(ChartDifferential, GeneratedChartsRunTheSameCompiled)
{
    std::mt19937 random(424242);
    for (int n = 0; n < 1500; ++n) {
        SCOPED_TRACE(n);
        CRootSequence chart;
        for (int boxes = 1 + static_cast<int>(random() % 5); boxes > 0; --boxes)
            chart.m_boxes.push_back(GeneratedBox(random, 0));
        // Small limits stop at every kind of box; large ones let loops end.
        const std::uint64_t limit = random() % 2 ? 1 + random() % 40 : 5000;
        ExpectSameRuns(chart, { "3", "-1.5", "x", "2" }, limit);
        if (HasFailure())
            break;
    }
}

TEST(ChartDifferential, CountingLoopsThatAreNotPlainCounts)
{
    // Limits and steps whose six-decimal texts are not plain numbers, loop
    // variables that are elements or changed by the body, and loops left by
    // break and continue at once.
    const char* const outlines[] = {
        "simple: n = 1e400\npre-loop: i = 0, n\n  simple: k++\n  branch: k > 5\n    then\n      simple: break\n",
        "simple: inf = 3\npre-loop: i = 0, 1e400\n  simple: k++\n",
        "pre-loop: i = 0, 0 / 0\n  simple: k++\n",
        "pre-loop: a[1] = 0, 3\n  simple: k++\n",
        "pre-loop: i = 0, 10\n  simple: i = i + 3\n",
        "pre-loop: i = 0, 1, 0.0000001\n  simple: k++\n  branch: k > 3\n    then\n      simple: break\n",
        "pre-loop: i = 0.5, 2.4999999\n  simple: k += i\n",
        "pre-loop: i = 0, 4\n  simple: continue\n  simple: never = 1\n",
        "pre-loop: i = 5, 1\n  simple: k++\n  branch: k == 3\n    then\n      simple: break\n",
        "simple: break\nsimple: after = 1\n",
        "pre-loop: i = 0, 2\n  pre-loop: j = 0, 2\n    branch: j == 1\n      then\n        simple: break\n    simple: s += i * 10 + j\n",
        // Post-test loops: counting without a step, a limit of 0 (a plain
        // condition), a third item ignored, a condition whose error is
        // reported on the console.
        "post-loop: i = 1, 3\n  simple: k += i\n",
        "post-loop: i = 5, 0\n  simple: k++\n",
        "post-loop: i = 1, 4, 2\n  simple: k += i\n  branch: i == 2\n    then\n      simple: continue\n  simple: m++\n",
        "post-loop: k < 3, 0\n  simple: k++\n",
        "simple: k = 2\npost-loop: x = (k--\n  simple: y++\n",
        "post-loop: i = 1, 3\n  post-loop: j = 1, 2\n    simple: s += j\n    branch: s > 6\n      then\n        simple: break\n",
    };
    for (const char* outline : outlines) {
        SCOPED_TRACE(outline);
        CRootSequence chart;
        BuildOutline(outline, chart);
        ExpectSameRuns(chart, {}, 1000);
    }
}

TEST(ChartDifferential, LoopsStartedWithEverNewLimits)
{
    // More distinct limits than the program keeps compiled: the later
    // starts hold their own condition texts.
    CRootSequence chart;
    BuildOutline("pre-loop: i = 1, 600\n  pre-loop: j = 1, i, 0.5\n    simple: s += j\n  post-loop: k = 0, i\n    simple: t += k\n", chart);
    ExpectSameRuns(chart, {}, 2000000);
}

// Boxes with editors (the desktop program's) run the compiled program once
// their texts are taken in; an editor holding another text than its box is
// run as typed, by either way.
TEST(ChartDifferential, BoxesWithEditorsRunWhatTheirEditorsHold)
{
    CRootSequence chart;
    BuildOutline("simple: s = 0\npre-loop: i = 1, 100\n  simple: s = s + i\noutput: s\n", chart);
    ForEachBox(chart, [](CProcessBox& box) {
        auto editor = std::make_unique<CMemoryEditor>();
        editor->m_text = box.m_text;
        box.m_editor = std::move(editor);
        return true;
    });
    EXPECT_TRUE(CChartProgram::Suits(chart));
    ExpectSameRuns(chart, {}, 100000);
    auto& loop = static_cast<CPreTestLoopBox&>(*chart.m_boxes[1]);
    static_cast<CMemoryEditor&>(*loop.m_bodySeq.m_boxes[0]->m_editor).m_text = "s = s + 2 * i";
    EXPECT_FALSE(CChartProgram::Suits(chart));
    for (bool walk : { true, false }) {
        loop.m_bodySeq.m_boxes[0]->m_text = "s = s + i"; // a run takes the editor's text in
        EXPECT_EQ(RunOnce(chart, {}, walk, 100000).console, "10100\n") << walk;
    }
}
