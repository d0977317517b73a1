// The generated programs of the example charts: golden files, and for the
// charts whose program is valid C, a compiler run that must print the same
// numbers as the chart's own run.
//
// TAVRIN_UPDATE_GOLDEN=1 rewrites the golden files (review them by reading).

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

std::vector<std::string> ExampleNames()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(SourcePath("examples"))) {
        if (entry.path().extension() == ".pad")
            names.push_back(entry.path().stem().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string ExampleInput(const std::string& name)
{
    const std::string path = SourcePath("examples/" + name + ".input");
    return fs::exists(path) ? ReadFileBytes(path) : std::string();
}

TEST(CodegenExamples, GeneratedProgramsMatchGoldenFiles)
{
    const auto names = ExampleNames();
    ASSERT_FALSE(names.empty());
    const bool update = std::getenv("TAVRIN_UPDATE_GOLDEN") != nullptr;
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const auto result = RunCli({ "gen", SourcePath("examples/" + name + ".pad") });
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        const std::string golden = SourcePath("tests/data/golden/gen/" + name + ".c");
        if (update) {
            fs::create_directories(fs::path(golden).parent_path());
            WriteFileBytes(golden, result.out);
            continue;
        }
        ASSERT_TRUE(fs::exists(golden)) << "no golden file " << golden;
        EXPECT_EQ(result.out, ReadFileBytes(golden));
    }
}

// Which examples a C compiler can check, and why the others cannot.
const std::set<std::string> kCompiled { "factorial", "functions", "pythagoras", "temperature" };
const std::map<std::string, std::string> kNotCompiled {
    { "bubblesort", "subscripts are doubles (a[j])" },
    { "countdown", "its limit changes in the body: the run reads it once, C at every pass and never ends" },
    { "fizzbuzz", "% on doubles" },
    { "gcd", "% on doubles" },
    { "guess", "rand differs from the C library's; % on doubles" },
    { "histogram", "gaussianrand; subscripts are doubles" },
    { "interest", "post-test counting header is written as typed: in C its condition is the limit and never ends" },
    { "montecarlo", "rand differs from the C library's; % on doubles" },
    { "multiplication", "two subscripts on an array declared with one; subscripts are doubles" },
    { "sieve", "subscripts are doubles (p[i])" },
};

TEST(CodegenExamples, EveryExampleIsClassified)
{
    for (const std::string& name : ExampleNames()) {
        SCOPED_TRACE(name);
        EXPECT_NE(kCompiled.count(name) + kNotCompiled.count(name), 0u) << "add it to one of the lists";
        EXPECT_FALSE(kCompiled.count(name) && kNotCompiled.count(name));
    }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The numbers of a text in order: optional sign, digits, optional fraction.
std::vector<double> NumbersIn(const std::string& text)
{
    std::vector<double> numbers;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t start = i;
        if ((text[i] == '-' || text[i] == '+') && i + 1 < text.size() && IsDigit(text[i + 1]))
            ++i;
        if (!IsDigit(text[i])) {
            i = start + 1;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && IsDigit(text[end]))
            ++end;
        if (end + 1 < text.size() && text[end] == '.' && IsDigit(text[end + 1])) {
            ++end;
            while (end < text.size() && IsDigit(text[end]))
                ++end;
        }
        if (text[start] == '+')
            ++start;
        double value = 0.0;
        std::from_chars(text.data() + start, text.data() + end, value);
        numbers.push_back(value);
        i = end;
    }
    return numbers;
}

bool HaveCompiler() { return std::system("gcc --version > /dev/null 2>&1") == 0; }

TEST(CodegenExamples, CompiledProgramsPrintWhatTheRunPrints)
{
    if (!HaveCompiler())
        GTEST_SKIP() << "no gcc";
    const std::string dir = TempDir("codegen-gcc");
    for (const std::string& name : kCompiled) {
        SCOPED_TRACE(name);
        const std::string pad = SourcePath("examples/" + name + ".pad");
        const std::string source = dir + "/" + name + ".c";
        const std::string binary = dir + "/" + name;
        const auto gen = RunCli({ "gen", pad, "-o", source });
        ASSERT_EQ(gen.status, 0) << gen.err;

        const std::string log = dir + "/" + name + ".log";
        const std::string compile = "gcc -std=c99 -Wall -o '" + binary + "' '" + source + "' -lm > '" + log + "' 2>&1";
        ASSERT_EQ(std::system(compile.c_str()), 0) << ReadFileBytes(log);
        EXPECT_EQ(ReadFileBytes(log), "") << "warnings";

        const std::string input = dir + "/" + name + ".in";
        const std::string output = dir + "/" + name + ".out";
        WriteFileBytes(input, ExampleInput(name));
        const std::string execute = "'" + binary + "' < '" + input + "' > '" + output + "'";
        ASSERT_EQ(std::system(execute.c_str()), 0);

        const auto run = RunCli({ "run", pad }, ExampleInput(name));
        ASSERT_EQ(run.status, 0) << run.err;
        const auto expected = NumbersIn(run.out);
        const auto actual = NumbersIn(ReadFileBytes(output));
        ASSERT_EQ(actual.size(), expected.size()) << run.out << "\n----\n" << ReadFileBytes(output);
        EXPECT_FALSE(expected.empty());
        for (std::size_t i = 0; i < expected.size(); ++i)
            EXPECT_NEAR(actual[i], expected[i], 1e-6 * std::max(1.0, std::fabs(expected[i]))) << "number " << i;
    }
}

} // namespace
