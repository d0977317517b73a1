// tavrin-cli test: grading charts against cases, its result kinds, its
// comparisons, and its reports read back.
#include "cli/CmdTestCompare.h"
#include "cli/CmdTestReport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// A sanitizer may write to standard error on its own.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Builds a chart from an outline into dir/NAME.pad.
void Chart(const std::string& dir, const std::string& name, const std::string& outline)
{
    fs::create_directories(dir);
    WriteFileBytes(dir + "/" + name + ".outline", outline);
    const auto built = RunCli({ "build", dir + "/" + name + ".outline", "-o", dir + "/" + name + ".pad" });
    ASSERT_EQ(built.status, 0) << built.err;
    fs::remove(dir + "/" + name + ".outline");
}

void Case(const std::string& dir, const std::string& name, const std::string& in, const std::string& out)
{
    fs::create_directories(dir);
    if (!in.empty())
        WriteFileBytes(dir + "/" + name + ".in", in);
    WriteFileBytes(dir + "/" + name + ".out", out);
}

grade::Report ReadReport(const std::string& path)
{
    return grade::ReadJson(ReadFileBytes(path));
}

const grade::ChartReport& ChartNamed(const grade::Report& report, const std::string& stem)
{
    for (const auto& chart : report.charts)
        if (fs::path(chart.path).stem() == stem)
            return chart;
    ADD_FAILURE() << "no chart " << stem;
    return report.charts.front();
}

// RFC 4180 fields of one CSV text.
std::vector<std::vector<std::string>> ParseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> rows(1);
    std::string field;
    bool quoted = false, fieldStarted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == '"' && !fieldStarted) {
            quoted = fieldStarted = true;
        } else if (c == ',') {
            rows.back().push_back(field);
            field.clear();
            fieldStarted = false;
        } else if (c == '\n') {
            rows.back().push_back(field);
            field.clear();
            fieldStarted = false;
            rows.emplace_back();
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (rows.back().empty())
        rows.pop_back();
    return rows;
}

// Checks that every element is closed in order and returns the start tags
// with their attribute texts; the text must be XML apart from a doctype.
std::vector<std::string> CheckWellFormed(const std::string& text)
{
    std::vector<std::string> stack, tags;
    std::size_t at = 0;
    while ((at = text.find('<', at)) != std::string::npos) {
        const auto end = text.find('>', at);
        if (end == std::string::npos) {
            ADD_FAILURE() << "unclosed tag at " << at;
            break;
        }
        const std::string tag = text.substr(at + 1, end - at - 1);
        at = end + 1;
        if (tag.starts_with("?") || tag.starts_with("!"))
            continue;
        if (tag.starts_with("/")) {
            EXPECT_FALSE(stack.empty()) << tag;
            if (stack.empty())
                return tags;
            EXPECT_EQ(stack.back(), tag.substr(1));
            stack.pop_back();
            continue;
        }
        tags.push_back(tag);
        if (tag.ends_with("/"))
            continue;
        stack.push_back(tag.substr(0, tag.find_first_of(" \n")));
    }
    EXPECT_TRUE(stack.empty()) << (stack.empty() ? "" : stack.back());
    return tags;
}

// A folder with one chart of every result kind, and two cases.
struct Class {
    std::string dir;
    std::string cases;
};

Class MakeClass(const std::string& name)
{
    Class c { TempDir(name), "" };
    const std::string charts = c.dir + "/charts";
    fs::create_directories(charts + "/nested");
    c.cases = c.dir + "/cases";
    Case(c.cases, "a", "3\n", "6\n");
    Case(c.cases, "b", "10\n", "20\n");
    Chart(charts, "pass", "input: n\noutput: n * 2\n");
    Chart(charts, "wrong", "input: n\noutput: n * 3\n");
    Chart(charts, "loop", "input: n\npre-loop: 1\n  simple: n = n + 1\n");
    Chart(charts, "steps", "input: n\npre-loop: 1\n  simple: n = n + 1\n");
    Chart(charts + "/nested", "error", "input: n\nbranch: n > 0\n  then\n    simple: x = n +\n  else\n");
    Chart(charts, "input", "input: n\ninput: m\noutput: n * 2\n");
    Chart(charts, "flood", "input: n\npre-loop: 1\n  output: \"flood flood flood flood flood flood\"\n");
    // Arrays cost what they store, so the greedy chart stores densely: 64
    // new elements a step pass the small memory limit long before the steps.
    std::string stores;
    for (int j = 0; j < 64; ++j)
        stores += (j ? ", a[k + " : "a[k + ") + std::to_string(j) + "] = 0.5";
    Chart(charts, "memory", "input: n\nsimple: k = 0\npre-loop: 1\n  simple: " + stores + "\n  simple: k = k + 64\n");
    WriteFileBytes(charts + "/unreadable.pad", "not a chart at all");
    return c;
}

} // namespace

TEST(Grading, EveryResultKindIsToldApartAndHostileChartsHarmNoOtherRun)
{
    const Class c = MakeClass("grading-kinds");
    const std::string charts = c.dir + "/charts";
    // The loop is stopped by the clock and the "steps" chart by its steps:
    // the same chart, graded twice with different bounds.
    auto timed = RunCli({ "test", charts + "/loop.pad", "--cases", c.cases, "--timeout", "0.5", "--max-steps", "1000000000000",
        "--json", c.dir + "/timed.json" });
    EXPECT_EQ(timed.status, 1) << timed.err;
    const grade::Report timedReport = ReadReport(c.dir + "/timed.json");
    ASSERT_EQ(timedReport.charts.size(), 1u);
    for (const auto& r : timedReport.charts[0].results)
        EXPECT_EQ(r.kind, grade::ResultKind::Time);

    auto run = RunCli({ "test", charts, "--cases", c.cases, "--max-steps", "100000", "--memory", "2", "--timeout", "120", "--max-output", "16", "-j", "2",
        "--json", c.dir + "/r.json", "--csv", c.dir + "/r.csv", "--junit", c.dir + "/r.xml", "--html", c.dir + "/r.html" });
    EXPECT_EQ(run.status, 1) << run.err;
    const grade::Report report = ReadReport(c.dir + "/r.json");
    ASSERT_EQ(report.cases.size(), 2u);
    ASSERT_EQ(report.charts.size(), 9u);
    // Sorted by path, the nested folder in its place.
    for (std::size_t i = 1; i < report.charts.size(); ++i)
        EXPECT_LT(report.charts[i - 1].path, report.charts[i].path);

    const std::map<std::string, grade::ResultKind> expected {
        { "pass", grade::ResultKind::Pass }, { "wrong", grade::ResultKind::Wrong }, { "loop", grade::ResultKind::Steps },
        { "steps", grade::ResultKind::Steps }, { "error", grade::ResultKind::Error }, { "input", grade::ResultKind::Input },
        { "flood", grade::ResultKind::Wrong }, { "memory", grade::ResultKind::Memory },
    };
    for (const auto& [stem, kind] : expected) {
        SCOPED_TRACE(stem);
        const auto& chart = ChartNamed(report, stem);
        ASSERT_EQ(chart.results.size(), 2u);
        for (const auto& r : chart.results) {
            EXPECT_EQ(r.kind, kind) << r.reason;
            EXPECT_EQ(r.reason.empty(), kind == grade::ResultKind::Pass);
        }
    }
    const auto& error = ChartNamed(report, "error").results[0];
    EXPECT_EQ(error.boxPath, "2:branch/then/1:simple");
    EXPECT_EQ(error.outlineLine, 4);
    EXPECT_EQ(error.reason, "Error -- \"x = n +\"");
    EXPECT_EQ(ChartNamed(report, "wrong").results[1].reason, "line 1: expected \"20\" but got \"30\"");
    EXPECT_EQ(ChartNamed(report, "wrong").results[1].output, "30\n");
    const auto& flood = ChartNamed(report, "flood").results[0];
    EXPECT_NE(flood.reason.find("16 KB"), std::string::npos);
    EXPECT_LE(flood.output.size(), 16u * 1024);
    EXPECT_EQ(ChartNamed(report, "steps").results[0].steps, 100000u);
    EXPECT_EQ(ChartNamed(report, "unreadable").loadError, "予期しないﾌｧｲﾙ形式です。");
    EXPECT_TRUE(ChartNamed(report, "unreadable").results.empty());

    // The terminal table: a row per chart, a symbol per case, the score.
    EXPECT_NE(run.out.find("\u2713 \u2713  2/2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("E E  0/2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("M M  0/2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("I I  0/2"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("case 1 a: 1/8 charts passed"), std::string::npos) << run.out;
    if (!kSanitized) {
        EXPECT_EQ(run.err, ""); // no progress bar: standard error is no terminal
    }

    // CSV: a header and a row per run, a row for the unreadable chart.
    const auto rows = ParseCsv(ReadFileBytes(c.dir + "/r.csv"));
    ASSERT_EQ(rows.size(), 1u + 8 * 2 + 1);
    EXPECT_EQ(rows[0], (std::vector<std::string> { "chart", "case", "result", "seconds", "steps", "reason", "box_path" }));
    std::map<std::string, int> kinds;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 7u) << i;
        ++kinds[rows[i][2]];
        if (fs::path(rows[i][0]).stem() == "error") {
            EXPECT_EQ(rows[i][6], "2:branch/then/1:simple");
        }
    }
    std::map<std::string, int> expectedKinds { { "pass", 2 }, { "wrong", 4 }, { "steps", 4 }, { "error", 2 }, { "input", 2 },
        { "memory", 2 }, { "unreadable", 1 } };
    EXPECT_EQ(kinds, expectedKinds);

    // JUnit: a suite per chart, a test case per run, failures counted.
    const std::string junit = ReadFileBytes(c.dir + "/r.xml");
    const auto tags = CheckWellFormed(junit);
    int testcases = 0, failures = 0, errors = 0;
    for (const auto& tag : tags) {
        testcases += tag.starts_with("testcase ");
        failures += tag.starts_with("failure ");
        errors += tag.starts_with("error ");
    }
    EXPECT_EQ(testcases, 8 * 2 + 1);
    EXPECT_EQ(failures, 14);
    EXPECT_EQ(errors, 1);
    EXPECT_NE(junit.find("<testsuites name=\"tavrin-cli test\" tests=\"17\" failures=\"14\" errors=\"1\""), std::string::npos);

    // HTML: well formed, nothing loaded from elsewhere, a picture per chart.
    const std::string html = ReadFileBytes(c.dir + "/r.html");
    int svgs = 0;
    for (const auto& tag : CheckWellFormed(html)) {
        svgs += tag.starts_with("svg ");
        EXPECT_EQ(tag.find(" src="), std::string::npos) << tag;
        EXPECT_FALSE(tag.starts_with("link")) << tag;
        EXPECT_FALSE(tag.starts_with("script")) << tag;
        if (const auto href = tag.find("href=\""); href != std::string::npos) {
            EXPECT_EQ(tag[href + 6], '#') << tag;
        }
    }
    EXPECT_EQ(svgs, 8);
    EXPECT_NE(html.find("2:branch/then/1:simple"), std::string::npos);
    const auto removed = html.find("<span class=\"del\">- 20</span>");
    const auto added = html.find("<span class=\"add\">+ 30</span>");
    ASSERT_NE(removed, std::string::npos);
    ASSERT_NE(added, std::string::npos);
    EXPECT_LT(removed, added); // the expected line first
    // "loop" and "steps" are the same chart under two names.
    EXPECT_NE(html.find("Charts with the same structure"), std::string::npos);
}

TEST(Grading, TheThreeComparisons)
{
    using grade::CompareMode;
    const std::string expected = "pi 3.14159\nsum -2.5e3\n";
    const std::string sloppy = "pi 3.1415926  \nsum -2500\n\n\n";
    EXPECT_EQ(grade::Compare(expected, expected, CompareMode::Exact, 0), "");
    EXPECT_EQ(grade::Compare("a\n", "a", CompareMode::Exact, 0), "the output does not end with a line end");
    EXPECT_EQ(grade::Compare("a\nb\n", "a\nc\n", CompareMode::Exact, 0), "line 2: expected \"b\" but got \"c\"");
    EXPECT_EQ(grade::Compare("a \n\n", "a\n", CompareMode::Lines, 0), "");
    EXPECT_EQ(grade::Compare("a\r\nb\r\n", "a\nb", CompareMode::Lines, 0), "");
    EXPECT_EQ(grade::Compare(" a\n", "a\n", CompareMode::Lines, 0), "line 1: expected \" a\" but got \"a\"");
    EXPECT_EQ(grade::Compare("a\n", "a\nb\n", CompareMode::Lines, 0), "line 2: expected the end of the output but got \"b\"");
    EXPECT_NE(grade::Compare(expected, sloppy, CompareMode::Lines, 1e-6), "");
    EXPECT_EQ(grade::Compare(expected, sloppy, CompareMode::Numbers, 1e-6), "");
    EXPECT_NE(grade::Compare("x 1.0\n", "x 1.01\n", CompareMode::Numbers, 1e-6), "");
    EXPECT_EQ(grade::Compare("x 1.0\n", "x 1.01\n", CompareMode::Numbers, 0.02), "");
    // Numbers only match numbers, text only text; a minus after a digit is
    // an operator; digits inside a word are text.
    EXPECT_NE(grade::Compare("n = 5\n", "n = five\n", CompareMode::Numbers, 1), "");
    EXPECT_EQ(grade::Compare("3-2\n", "3-2.0\n", CompareMode::Numbers, 1e-9), "");
    EXPECT_NE(grade::Compare("x1 = 2\n", "x2 = 2\n", CompareMode::Numbers, 10), "");
    EXPECT_NE(grade::Compare("0\n", "1e-300\n", CompareMode::Numbers, 1e-6), "");

    // The command line takes the modes by name and applies them to runs.
    const std::string dir = TempDir("grading-compare");
    Case(dir + "/cases", "pi", "", "3.1416\n");
    Chart(dir, "pi", "output: 3.14159, \"  \"\noutput: \"\"\n");
    EXPECT_EQ(RunCli({ "test", dir + "/pi.pad", "--cases", dir + "/cases" }).status, 1);
    EXPECT_EQ(RunCli({ "test", dir + "/pi.pad", "--cases", dir + "/cases", "--compare", "lines" }).status, 1);
    EXPECT_EQ(RunCli({ "test", dir + "/pi.pad", "--cases", dir + "/cases", "--compare", "numbers" }).status, 1);
    EXPECT_EQ(RunCli({ "test", dir + "/pi.pad", "--cases", dir + "/cases", "--compare", "numbers", "--tolerance", "1e-4" }).status, 0);
    EXPECT_EQ(RunCli({ "test", dir + "/pi.pad", "--cases", dir + "/cases", "--compare", "fuzzy" }).status, 2);
}

TEST(Grading, ExpectedOutputsFromTheTeachersChartAndRunsThatRepeat)
{
    const std::string dir = TempDir("grading-model");
    fs::create_directories(dir + "/cases");
    WriteFileBytes(dir + "/cases/one.in", "4\n");
    WriteFileBytes(dir + "/cases/two.in", "4\n");
    WriteFileBytes(dir + "/cases/three.out", "ignored: the model decides\n"); // no input: empty input
    // Random numbers start afresh in every run, so every case sees the same.
    Chart(dir, "model", "simple: r = rand()\noutput: \"r=\", r\n");
    Chart(dir + "/class", "same", "simple: q = rand()\noutput: \"r=\", q\n");
    Chart(dir + "/class", "other", "output: \"r=\", rand() + 1\n");
    auto run = RunCli({ "test", dir + "/class", "--cases", dir + "/cases", "--expected-from", dir + "/model.pad", "--json", dir + "/r.json" });
    EXPECT_EQ(run.status, 1) << run.err;
    const auto report = ReadReport(dir + "/r.json");
    ASSERT_EQ(report.cases.size(), 3u);
    EXPECT_EQ(report.cases[0].expected, report.cases[1].expected);
    EXPECT_EQ(report.cases[0].expected, report.cases[2].expected);
    EXPECT_EQ(report.cases[0].expected.rfind("r=", 0), 0u);
    EXPECT_EQ(ChartNamed(report, "same").Passed(), 3);
    EXPECT_EQ(ChartNamed(report, "other").Passed(), 0);

    // A model that does not finish a case is no model.
    Chart(dir, "reader", "input: a\ninput: b\n");
    auto bad = RunCli({ "test", dir + "/class", "--cases", dir + "/cases", "--expected-from", dir + "/reader.pad" });
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find("does not finish case"), std::string::npos) << bad.err;
}

TEST(Grading, RequirementsOnTheChart)
{
    const std::string dir = TempDir("grading-require");
    Case(dir + "/cases", "c", "", "1\n");
    Chart(dir, "flat", "output: 1\n");
    Chart(dir, "nested", "pre-loop: i = 1, 1\n  branch: 1\n    then\n      output: i\n    else\n");
    auto run = RunCli({ "test", dir, "--cases", dir + "/cases", "--require", "branch", "--require", "output:1", "--max-depth", "1",
        "--json", dir + "/r.json" });
    EXPECT_EQ(run.status, 1);
    const auto report = ReadReport(dir + "/r.json");
    EXPECT_EQ(report.requirements, (std::vector<std::string> { "branch:1", "output:1", "max-depth:1" }));
    const auto& flat = ChartNamed(report, "flat");
    ASSERT_EQ(flat.requirements.size(), 3u);
    EXPECT_FALSE(flat.requirements[0].met);
    EXPECT_EQ(flat.requirements[0].have, 0);
    EXPECT_TRUE(flat.requirements[1].met);
    EXPECT_TRUE(flat.requirements[2].met);
    const auto& nested = ChartNamed(report, "nested");
    EXPECT_TRUE(nested.requirements[0].met);
    EXPECT_FALSE(nested.requirements[2].met);
    EXPECT_EQ(nested.requirements[2].have, 2);
    EXPECT_EQ(flat.Passed(), 1);
    EXPECT_EQ(nested.Passed(), 1);
    EXPECT_NE(run.out.find("branch:1 FAILED(0)"), std::string::npos) << run.out;

    EXPECT_EQ(RunCli({ "test", dir, "--cases", dir + "/cases", "--require", "loop" }).status, 2);
    EXPECT_EQ(RunCli({ "test", dir, "--cases", dir + "/cases", "--require", "output" }).status, 0);
}

TEST(Grading, ShardsMergeIntoTheReportOfOneRun)
{
    const Class c = MakeClass("grading-shards");
    const std::vector<std::string> common { "test", c.dir + "/charts", "--cases", c.cases, "--max-steps", "10000", "--memory", "48", "--timeout", "120",
        "--max-output", "4" };
    auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = common;
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args);
    };
    EXPECT_EQ(with({ "--json", c.dir + "/all.json" }).status, 1);
    EXPECT_EQ(with({ "--shard", "0/3", "--json", c.dir + "/s0.json" }).status, 1);
    EXPECT_EQ(with({ "--shard", "1/3", "--json", c.dir + "/s1.json" }).status, 1);
    EXPECT_EQ(with({ "--shard", "2/3", "--json", c.dir + "/s2.json" }).status, 1);
    EXPECT_EQ(ReadReport(c.dir + "/s1.json").charts.size(), 3u);
    auto merged = RunCli({ "test", "--merge", c.dir + "/s2.json", c.dir + "/s0.json", c.dir + "/s1.json", "--json", c.dir + "/merged.json",
        "--csv", c.dir + "/merged.csv" });
    EXPECT_EQ(merged.status, 1) << merged.err;

    // Equal but for the times.
    auto timeless = [](grade::Report report) {
        for (auto& chart : report.charts)
            for (auto& r : chart.results)
                r.seconds = 0;
        return grade::WriteJson(report);
    };
    EXPECT_EQ(timeless(ReadReport(c.dir + "/merged.json")), timeless(ReadReport(c.dir + "/all.json")));
    EXPECT_EQ(ParseCsv(ReadFileBytes(c.dir + "/merged.csv")).size(), 1u + 8 * 2 + 1);

    // Shards of other cases, the same shard twice, or no report at all.
    auto twice = RunCli({ "test", "--merge", c.dir + "/s0.json", c.dir + "/s0.json" });
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("more than one report"), std::string::npos);
    WriteFileBytes(c.dir + "/junk.json", "{\"format\": 1");
    EXPECT_EQ(RunCli({ "test", "--merge", c.dir + "/junk.json" }).status, 2);
    EXPECT_EQ(RunCli({ "test", "--merge", c.dir + "/r.csv" }).status, 2);
}

TEST(Grading, UsageErrors)
{
    const std::string dir = TempDir("grading-usage");
    Case(dir + "/cases", "c", "", "1\n");
    fs::create_directories(dir + "/nocase");
    WriteFileBytes(dir + "/nocase/x.in", "");
    for (const auto& args : std::vector<std::vector<std::string>> {
             { "test" },
             { "test", dir },
             { "test", "--cases", dir + "/cases" },
             { "test", dir, "--cases", dir + "/missing" },
             { "test", dir, "--cases", dir + "/nocase" },
             { "test", dir, "--cases", dir + "/cases", "--timeout", "0" },
             { "test", dir, "--cases", dir + "/cases", "--shard", "3/3" },
             { "test", dir, "--cases", dir + "/cases", "-j", "x" },
             { "test", dir, "--cases", dir + "/cases", "--bogus" },
             { "test", dir + "/nocase", "--cases", dir + "/cases" },
         }) {
        std::string joined;
        for (const auto& a : args)
            joined += a + " ";
        SCOPED_TRACE(joined);
        const auto result = RunCli(args);
        EXPECT_EQ(result.status, 2) << result.err;
        EXPECT_NE(result.err, "");
    }
    // A chart that is not there is one row of the report, not a usage error.
    const auto missing = RunCli({ "test", dir + "/none-here.pad", "--cases", dir + "/cases" });
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.out.find("none-here.pad"), std::string::npos) << missing.out;
}

TEST(Grading, ReportTextsStayValid)
{
    // Bytes that are no UTF-8 become U+FFFD; JSON and its escapes round-trip.
    EXPECT_EQ(grade::ValidUtf8("a\xff" "b\xe3\x81"), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD\xEF\xBF\xBD");
    grade::Report report;
    report.cases.push_back({ "q\"uote", "in\t\x01", "\xE2\x9C\x93\n" });
    grade::ChartReport chart;
    chart.path = "a\\b.pad";
    chart.results.push_back({ grade::ResultKind::Error, 0.25, 7, "Error -- \"x\"", "1:simple", 1, "<out>" });
    report.charts.push_back(chart);
    const grade::Report back = grade::ReadJson(grade::WriteJson(report));
    EXPECT_EQ(grade::WriteJson(back), grade::WriteJson(report));
    EXPECT_EQ(back.cases[0].input, "in\t\x01");
    EXPECT_EQ(back.charts[0].results[0].boxPath, "1:simple");
    EXPECT_THROW(grade::ReadJson("[1, 2]"), std::runtime_error);
    EXPECT_THROW(grade::ReadJson(std::string(100000, '[')), std::runtime_error);
    const std::string html = grade::WriteHtml(back);
    EXPECT_NE(html.find("&lt;out&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<out>"), std::string::npos);
}
