// The example charts: each outline builds into exactly the committed .pad,
// and each chart prints its golden output for its input.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> ExampleNames()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(SourcePath("examples")))
        if (entry.path().extension() == ".outline")
            names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string InputOf(const std::string& name)
{
    const std::string path = SourcePath("examples/" + name + ".input");
    return fs::exists(path) ? ReadFileBytes(path) : std::string();
}

} // namespace

TEST(Examples, EveryExampleHasItsChartAndGoldenOutput)
{
    const auto names = ExampleNames();
    EXPECT_GE(names.size(), 10u);
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fs::exists(SourcePath("examples/" + name + ".pad")));
        EXPECT_TRUE(fs::exists(SourcePath("tests/data/golden/run/" + name + ".txt")));
    }
    for (const auto& entry : fs::directory_iterator(SourcePath("tests/data/golden/run"))) {
        SCOPED_TRACE(entry.path().string());
        EXPECT_NE(std::find(names.begin(), names.end(), entry.path().stem().string()), names.end());
    }
}

TEST(Examples, OutlinesBuildIntoTheCommittedCharts)
{
    const std::string dir = TempDir("run_examples_build");
    for (const auto& name : ExampleNames()) {
        SCOPED_TRACE(name);
        const std::string built = dir + "/" + name + ".pad";
        ProcessResult result = RunCli({ "build", SourcePath("examples/" + name + ".outline"), "-o", built });
        ASSERT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(ReadFileBytes(built), ReadFileBytes(SourcePath("examples/" + name + ".pad")));
    }
}

TEST(Examples, RunsPrintTheGoldenOutput)
{
    for (const auto& name : ExampleNames()) {
        SCOPED_TRACE(name);
        ProcessResult result = RunCli({ "run", SourcePath("examples/" + name + ".pad") }, InputOf(name));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, ReadFileBytes(SourcePath("tests/data/golden/run/" + name + ".txt")));
    }
}
