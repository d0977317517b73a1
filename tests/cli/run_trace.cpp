// tavrin-cli run --trace: the trace on standard error, standard output as
// without it, and the failed box named on standard error.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::string BuildChart(const std::string& dir, const std::string& name, const std::string& outline)
{
    const std::string source = dir + "/" + name + ".outline";
    const std::string chart = dir + "/" + name + ".pad";
    WriteFileBytes(source, outline);
    ProcessResult built = RunCli({ "build", source, "-o", chart });
    if (built.status != 0)
        ADD_FAILURE() << "cannot build " << name << ": " << built.err;
    return chart;
}

std::string InputOf(const std::string& name)
{
    const std::string path = SourcePath("examples/" + name + ".input");
    return fs::exists(path) ? ReadFileBytes(path) : std::string();
}

std::string Traced(const std::string& dir, const std::string& outline, ProcessResult& result, std::string_view input = {})
{
    result = RunCli({ "run", "--trace", BuildChart(dir, "chart", outline) }, input);
    return result.err;
}

} // namespace

// Examples with a long trace (thousands of passes) have none committed; the
// stepping tests cover them against a trace made in the process.
TEST(RunTrace, ExamplesTraceTheirGoldenLinesAndKeepTheirOutput)
{
    int traced = 0;
    for (const auto& entry : fs::directory_iterator(SourcePath("tests/data/golden/trace"))) {
        const std::string name = entry.path().stem().string();
        SCOPED_TRACE(name);
        ProcessResult result = RunCli({ "run", "--trace", SourcePath("examples/" + name + ".pad") }, InputOf(name));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.out, ReadFileBytes(SourcePath("tests/data/golden/run/" + name + ".txt")));
        EXPECT_EQ(result.err, ReadFileBytes(entry.path().string()));
        ++traced;
    }
    EXPECT_GE(traced, 10);
}

TEST(RunTrace, LoopsBreaksAndErrorsAreTraced)
{
    const std::string dir = TempDir("run_trace_lines");
    ProcessResult result;
    // A counting loop: its header sets i, each later pass the step, the end
    // the value that failed the condition; continue still steps, break ends
    // the loop without a step.
    EXPECT_EQ(Traced(dir,
                  "pre-loop: i = 1, 3\n"
                  "  branch: i == 2\n"
                  "    then\n"
                  "      simple: continue\n"
                  "    else\n"
                  "  output: i\n"
                  "post-loop: 1\n"
                  "  simple: break\n"
                  "simple: a[i] = 7, s = \"x\"\n",
                  result),
        "1:pre-loop\tpre-loop\ti = 1, 3\ti=1\n"
        "1:pre-loop\tpass 1\n"
        "1:pre-loop/1:branch\tbranch\ti == 2\n"
        "1:pre-loop/2:output\toutput\ti\n"
        "1:pre-loop\tpass 2\ti=2\n"
        "1:pre-loop/1:branch\tbranch\ti == 2\n"
        "1:pre-loop/1:branch/then/1:simple\tsimple\tcontinue\n"
        "1:pre-loop\tpass 3\ti=3\n"
        "1:pre-loop/1:branch\tbranch\ti == 2\n"
        "1:pre-loop/2:output\toutput\ti\n"
        "1:pre-loop\tend\ti=4\n"
        "2:post-loop\tpost-loop\t1\n"
        "2:post-loop\tpass 1\n"
        "2:post-loop/1:simple\tsimple\tbreak\n"
        "3:simple\tsimple\ta[i] = 7, s = \"x\"\ts=0 a[4]=7\n");
    EXPECT_EQ(result.out, "1\n3\n");
    EXPECT_EQ(result.status, 0);

    // Within one box, scalars come before array elements.
    // The failing box is traced, and named after the run; nothing after it
    // is traced.
    EXPECT_EQ(Traced(dir, "input: n\nsimple: x = n, y = 1 / n\noutput: x\n", result, "５\n"),
        "1:input\tinput\tn\tn=0\n"
        "2:simple\tsimple\tx = n, y = 1 / n\n"
        "tavrin-cli: " + dir + "/chart.pad: the run failed at box 2:simple (line 2 of the outline)\n");
    EXPECT_EQ(result.status, 1);

    // Texts in code page 932 are traced in UTF-8, standard output keeps
    // them raw when asked to.
    result = RunCli({ "run", "--trace", "--raw", BuildChart(dir, "chart", "output: \"日本\"\n") });
    EXPECT_EQ(result.err, "1:output\toutput\t\"日本\"\n");
    EXPECT_EQ(result.out, "\x93\xfa\x96\x7b\n");
}

// A stopped run traces no box it did not start.
TEST(RunTrace, StepLimitEndsTheTraceAtTheLastBoxStarted)
{
    const std::string dir = TempDir("run_trace_limit");
    ProcessResult result = RunCli({ "run", "--trace", "--max-steps", "4", BuildChart(dir, "chart", "pre-loop: 1\n  simple: x = x + 1\n") });
    EXPECT_EQ(result.status, 125);
    EXPECT_EQ(result.err.substr(0, result.err.find("tavrin-cli")),
        "1:pre-loop\tpre-loop\t1\n"
        "1:pre-loop\tpass 1\n"
        "1:pre-loop/1:simple\tsimple\tx = x + 1\tx=1\n"
        "1:pre-loop\tpass 2\n");
}
