// gen --exact: the program compiles without warnings and prints what the run
// prints, with the same exit status.
#include "ExactSupport.h"
#include "TestSupport.h"

#include "model/CTavrinDoc.h"
#include "codegen/ExactGenerator.h"
#include "model/Outline.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;
using namespace testing_support;
using namespace exact_test;

namespace {

struct CCase {
    const char* name;
    const char* outline;
    const char* input;
};

// Compiles the chart's exact program with every compiler present and
// compares each program with the run.
void ExpectSameAsRun(const std::string& chart, const std::string& input, const std::string& dir, const std::string& name)
{
    const ProcessResult gen = RunCli({ "gen", chart, "--exact" });
    ASSERT_EQ(gen.status, 0) << gen.err;
    const Outcome run = RunChart(chart, input, { "--timeout", "20" });
    int compilers = 0;
    for (const auto& [compiler, flags] : { std::pair { "gcc", GccFlags() }, std::pair { "clang", ClangFlags() } }) {
        if (!HaveCompiler(compiler))
            continue;
        ++compilers;
        SCOPED_TRACE(compiler);
        bool ok = false;
        const std::string log = Compile(compiler, flags, gen.out, dir, name + "-" + compiler, ok);
        ASSERT_TRUE(ok) << log << "\n" << gen.out;
        EXPECT_EQ(log, "");
        const Outcome program = RunProgram(dir + "/" + name + "-" + compiler, input, dir);
        EXPECT_EQ(program.status, run.status) << gen.out;
        EXPECT_EQ(program.out, run.out) << gen.out;
    }
    EXPECT_GT(compilers, 0) << "neither gcc nor clang is installed";
}

} // namespace

TEST(ExactGen, EveryExampleCompilesAndPrintsWhatItsRunPrints)
{
    const std::string dir = TempDir("exact-examples");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(SourcePath("examples")))
        if (entry.path().extension() == ".pad")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    ASSERT_GE(names.size(), 10u);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const std::string inputPath = SourcePath("examples/" + name + ".input");
        const std::string input = fs::exists(inputPath) ? ReadFileBytes(inputPath) : std::string();
        ExpectSameAsRun(SourcePath("examples/" + name + ".pad"), input, dir, name);
    }
}

// The rules of the run that plain C does not share, one chart each.
TEST(ExactGen, RunRulesAreReproduced)
{
    const CCase cases[] = {
        { "assign-order", "simple: a = 5\nsimple: a = 1, b = a + 1\noutput: a, b\nsimple: x = y, y = 3\noutput: x, y\n", "" },
        { "sign-and-format", "simple: x = 1.5\noutput: \"%5.2f|\", -x\noutput: -x, \"|\", !x, ++x\noutput: x, x++, \"%f\", x\noutput: \"%-+08.3f|% f|%lf\", x, -x\n", "" },
        { "numbers", "simple: a = 1 / 3, b = 0 - 0, c = -0, d = 1e300 * 1e300\noutput: a, b, c, d, 0 - d, 1e15, 2.50\n", "" },
        { "integers", "simple: a = 7.9 % 2.5, b = -7 % 2, c = 5.7 & 3, d = 1 << 33, e = -8 >> 1, f = 6 ^ 3 | 8\n"
                      "output: a, b, c, d, e, f, abs(-2.7), fabs(-2.7), 3000000000 % 7\nsimple: g = 9\nsimple: g %= 4\nsimple: g <<= 2\noutput: g\n", "" },
        { "division-by-zero", "simple: x = 4\noutput: \"x = \", x\nsimple: y = 2 / (x - 4)\noutput: \"never\"\n", "" },
        { "mod-by-zero-in-output", "simple: z = 0.5\noutput: \"v\", 7 % z\n", "" },
        { "input-error", "simple: z = 0\ninput: a[1 / z]\n", "3\n" },
        { "random", "output: rand(), rand()\nsimple: srand(7.9)\noutput: rand()\nsimple: g = gaussianrand(10, 2)\noutput: \"%.12f\", g\n", "" },
        { "arrays", "simple: a[-3] = 2\nsimple: a[2.9] = 5\noutput: a[-3], a[2], a[7]\nsimple: m[1][2] = 4\nsimple: m[1][2] += 1\nsimple: m[0][0]++\n"
                    "output: m[1][2], m[0][0], m[2][1]\nsimple: t[] = {4, -5, 6}\nsimple: u[2][2] = {1, 2, 3, 4}\n"
                    "output: t[0], t[1], t[2], u[1][0], u[1][1]\nsimple: a = 9\noutput: a, a[-3]\n", "" },
        { "big-array", "pre-loop: i = 0, 20000\n  simple: s[i * 7919 % 100003] = i\noutput: s[7919], s[99999]\n", "" },
        { "input", "input: a, b, t[2]\noutput: a, b, t[2]\ninput: c\noutput: c\n", "  12.5xyz\nabc\n-1e3\n0x10" },
        { "input-ends", "input: a\noutput: a\ninput: b\noutput: \"never\"\n", "4\n" },
        { "input-ends-in-loop", "pre-loop: i = 1, 5\n  input: a\n  output: i, a\n", "1\n2\n" },
        { "counting", "simple: n = 3\npre-loop: i = 1, n\n  simple: n = 10\n  output: i\noutput: \"after \", i\n"
                      "pre-loop: i = 3, 1, -1\n  output: i\npre-loop: i = 0, 1, 0.25\n  output: i\n"
                      "pre-loop: j = 1, 2.0000004\n  output: j\npre-loop: k = 5, n - 20, n - 12\n  output: k\n", "" },
        { "counting-down-default-step", "pre-loop: i = 3, 1\n  output: i\n  branch: i > 6\n    then\n      simple: break\n", "" },
        { "post-loops", "post-loop: i = 1, 3\n  output: i\npost-loop: i = 10, 3\n  output: \"once \", i\n"
                        "simple: n = 2\npost-loop: k = 1, n\n  output: k\nsimple: x = 3\npost-loop: x > 0\n  simple: x--\noutput: x\n", "" },
        { "break-continue", "pre-loop: i = 1, 6\n  branch: i % 2 == 0\n    then\n      simple: continue\n  branch: i == 5\n    then\n"
                            "      simple: break\n  output: i\noutput: \"i = \", i\npre-loop: j = 0, 2\n  pre-loop: k = 0, 9\n"
                            "    branch: k == 1\n      then\n        simple: break\n    output: j, k\n", "" },
        { "stray-break", "output: \"before\"\nsimple: break\noutput: \"after\"\n", "" },
        { "nan-is-false", "simple: z = sqrt(-1)\nbranch: z\n  then\n    output: \"true\"\n  else\n    output: \"false\"\n"
                          "output: z, z && 1, !z, z != z\npre-loop: z\n  output: \"never\"\n", "" },
        { "no-short-circuit", "simple: x = 0\nbranch: x != 0 && 4 / x > 1\n  then\n    output: \"no\"\n", "" },
        { "logic", "simple: a = 2, b = 0\noutput: a && b, a || b, a && a, !b, (a > 1) + (b < 1), -(a > 1), -(a < 1)\n", "" },
        { "strings", "output: \"tab\\there\\nnext %% 100%f\", 1\noutput: \"日本語 ?\?= %5.1f\", 2\noutput: \"\", \"a\", 1, 2, \"b\"\n"
                     "output: \"%f %f\", \"s\"\n", "" },
        { "renamed", "simple: int = 1, printf = 2, num = 3, _X = 4, main = 5, fail = 6\noutput: int + printf + num + _X + main + fail\n", "" },
        { "empty-texts", "simple\noutput\ninput\nbranch\n  then\n    output: \"then\"\n  else\n    output: \"else\"\npre-loop\n"
                         "  output: \"never\"\npost-loop\n  output: \"once\"\n", "" },
        // Texts that C compilers questioned: a truth value compared with a
        // negated constant, a negated call of int type, x = x alone and in a list.
        { "questioned-by-compilers", "simple: a = 1, b = 2, c = 7\noutput: (a < b) < !32768, -(a && b), -both, b, 10 < 1e2 >= !c\nsimple: b = b\n"
                                     "simple: b = b, c %= 3\noutput: b, c\n", "" },
        // A post-test loop whose body always breaks never tests its
        // condition: what only the test names is not declared.
        { "constant-tests", "branch: 32768 != 0\n  then\n    output: \"yes\"\n  else\n    output: \"no\"\n"
                            "pre-loop: 2 < 1\n  output: \"never\"\noutput: (1 == 1) + (0.5 >= 2)\n", "" },
        { "post-loop-always-breaks", "post-loop: a == b\n  simple: y = y % 7\n  simple: break\npost-loop: i = 1, n % 3\n  simple: break\noutput: y, i\n", "" },
        { "functions", "simple: x = 0.5\noutput: \"%.15f %.15f %.15f %.15f\", sin(x), cos(x), tan(x), atan(x)\n"
                       "output: \"%.15f %.15f %.15f\", atan2(x, -1), exp(x), log(x)\noutput: sqrt(x), pow(x, 3), ceil(x), floor(-x)\n", "" },
    };
    const std::string dir = TempDir("exact-rules");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectSameAsRun(ChartFromOutline(c.outline, dir, c.name), c.input, dir, c.name);
    }
}

// A text C cannot follow exactly is refused with its box's path; nothing
// is written.
TEST(ExactGen, UntranslatableTextsAreRefusedNamingTheirBox)
{
    const struct {
        const char* outline;
        const char* path;
    } cases[] = {
        { "simple: x = 1\noutput: t[x], x++\n", "box 2 output (t[x], x++)" },
        { "simple: m[1] = 4, m[2] = 5\n", "box 1 simple (m[1] = 4, m[2] = 5)" },
        { "pre-loop: i = 1, 2\n  branch: i\n    then\n      simple: y = x++ + x\n", "box 1 pre-loop / body 1 branch / then 1 simple (y = x++ + x)" },
        { "simple: a b\n", "box 1 simple (a b)" },
        { "pre-loop: i = 1, 3\n  output: i\npre-loop: 10 / i\n  simple: i--\n", "box 2 pre-loop (10 / i)" },
    };
    const std::string dir = TempDir("exact-refused");
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outline);
        const std::string chart = ChartFromOutline(c.outline, dir, "c" + std::to_string(++index));
        const std::string out = dir + "/out" + std::to_string(index) + ".c";
        const ProcessResult gen = RunCli({ "gen", chart, "--exact", "-o", out });
        EXPECT_EQ(gen.status, 1);
        EXPECT_NE(gen.err.find("cannot translate exactly: " + std::string(c.path) + ": "), std::string::npos) << gen.err;
        EXPECT_FALSE(fs::exists(out));
    }
    const ProcessResult both = RunCli({ "gen", ChartFromOutline("simple: x = 1\n", dir, "raw"), "--exact", "--raw" });
    EXPECT_EQ(both.status, 2);
}

// The program reads like one written by hand: the box texts as comments in
// chart order, the chart's names, and only the helpers it uses.
TEST(ExactGen, ProgramIsReadable)
{
    CTavrinDoc doc;
    BuildOutline("simple: n = 3\npre-loop: i = 1, 10\n  output: \"i = \", i\n", doc.m_root);
    const std::string program = GenerateExactC(doc.m_root);
    EXPECT_NE(program.find("static double i, n;\n"), std::string::npos) << program;
    EXPECT_NE(program.find("    /* n = 3 */\n    n = 3;\n    /* i = 1, 10 */\n    for (i = 1; i <= 10; i++) {\n"
                           "        /* \"i = \", i */\n        printf(\"i = %s\\n\", num(i));\n    }\n"),
        std::string::npos)
        << program;
    EXPECT_EQ(program.find("to_int"), std::string::npos);
    EXPECT_EQ(program.find("array"), std::string::npos);
    EXPECT_EQ(program.find("math.h"), std::string::npos);

    CTavrinDoc empty;
    EXPECT_EQ(GenerateExactC(empty.m_root),
        "/* The chart as a C program that prints exactly what its run prints. */\n#include <stdio.h>\n\n"
        "int main(void)\n{\n    return 0;\n}\n");
}

// Plain gen: a conversion in a string takes the whole next item, operator
// included, so the compiled program prints what the run prints.
TEST(PlainGen, ConversionsTakeItemsThatStartWithAnOperator)
{
    if (!HaveCompiler("gcc"))
        GTEST_SKIP() << "gcc is not installed";
    const std::string dir = TempDir("plain-gen-conversions");
    const char* const outputs[] = { "\"%5.2f|\", -x", "\"%5.2f|\", ++x", "\"%5.2f|\", !x", "\"%6.1f|\", -(x * 2)" };
    int index = 0;
    for (const char* output : outputs) {
        SCOPED_TRACE(output);
        const std::string name = "p" + std::to_string(++index);
        const std::string chart = ChartFromOutline(std::string("simple: x = 1.5\noutput: ") + output + "\n", dir, name);
        const ProcessResult gen = RunCli({ "gen", chart });
        ASSERT_EQ(gen.status, 0);
        bool ok = false;
        const std::string log = Compile("gcc", { "-std=c99", "-w" }, gen.out, dir, name, ok);
        ASSERT_TRUE(ok) << log << gen.out;
        EXPECT_EQ(RunProgram(dir + "/" + name, "", dir).out, RunChart(chart, "").out) << gen.out;
    }
}
