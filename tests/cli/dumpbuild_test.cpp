#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::ReadFileBytes;
using testing_support::RunCli;
using testing_support::SourcePath;
using testing_support::TempDir;
using testing_support::WriteFileBytes;

namespace {

const std::string kSampleOutline = SourcePath("tests/data/model/all_kinds.outline");
const std::string kSamplePad = SourcePath("tests/data/model/all_kinds.pad");
const std::string kSampleDump = SourcePath("tests/data/model/all_kinds.dump");

bool Exists(const std::string& path)
{
    return std::filesystem::exists(std::filesystem::symlink_status(path));
}

} // namespace

TEST(DumpBuild, BuildAndDumpGiveBackTheSameBytes)
{
    const std::string dir = TempDir("dumpbuild-roundtrip");
    auto built = RunCli({ "build", kSampleOutline, "-o", dir + "/built.pad" });
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.out, "");
    EXPECT_EQ(ReadFileBytes(dir + "/built.pad"), ReadFileBytes(kSamplePad));

    auto dumped = RunCli({ "dump", kSamplePad });
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out, ReadFileBytes(kSampleDump));

    WriteFileBytes(dir + "/dumped.outline", dumped.out);
    auto rebuilt = RunCli({ "build", "-o", dir + "/rebuilt.pad", dir + "/dumped.outline" });
    ASSERT_EQ(rebuilt.status, 0) << rebuilt.err;
    EXPECT_EQ(ReadFileBytes(dir + "/rebuilt.pad"), ReadFileBytes(kSamplePad));
}

TEST(DumpBuild, BadOutlinesLeaveNoFileBehind)
{
    const std::string dir = TempDir("dumpbuild-bad");
    struct Case {
        const char* outline;
        const char* error; // the whole stderr after the file name
    };
    const Case cases[] = {
        { "simple\n  output\n", ":2: unexpected indentation: simple boxes hold no boxes\n" },
        { "# x\nloop: i < 3\n", ":2: unknown box kind 'loop' (expected simple, branch, pre-loop, post-loop, output or input)\n" },
        { "output: ♥\n", ":1: the character '♥' cannot be stored in a box text (code page 932)\n" },
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.outline);
        const std::string outline = dir + "/bad" + std::to_string(n++) + ".outline";
        WriteFileBytes(outline, c.outline);
        auto result = RunCli({ "build", outline, "-o", dir + "/out.pad" });
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err, outline + c.error);
        EXPECT_FALSE(Exists(dir + "/out.pad"));
    }
    // An existing file is left as it was.
    WriteFileBytes(dir + "/old.pad", "old");
    auto result = RunCli({ "build", dir + "/bad0.outline", "-o", dir + "/old.pad" });
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(ReadFileBytes(dir + "/old.pad"), "old");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 4);
}

TEST(DumpBuild, UnreadableFilesAndUsageErrors)
{
    const std::string dir = TempDir("dumpbuild-errors");
    WriteFileBytes(dir + "/bad.pad", std::string("\x05\x00\x00\x00", 4));
    WriteFileBytes(dir + "/ok.outline", "simple\n");
    struct Case {
        std::vector<std::string> args;
        std::string error; // a part of stderr
    };
    const Case cases[] = {
        { { "dump", dir + "/missing.pad" }, dir + "/missing.pad: No such file or directory" },
        { { "dump", dir }, dir + ": Is a directory" },
        { { "dump", dir + "/bad.pad" }, dir + "/bad.pad: 予期しないﾌｧｲﾙ形式です。" },
        { { "dump" }, "usage: tavrin-cli dump FILE.pad" },
        { { "dump", "a.pad", "b.pad" }, "usage:" },
        { { "build", dir + "/missing.outline", "-o", dir + "/x.pad" }, dir + "/missing.outline: No such file" },
        { { "build", dir + "/ok.outline" }, "usage: tavrin-cli build OUTLINE -o FILE.pad" },
        { { "build", dir + "/ok.outline", "-o" }, "usage:" },
        { { "build", "-x", dir + "/ok.outline", "-o", dir + "/x.pad" }, "usage:" },
        { { "build", dir + "/ok.outline", "-o", dir + "/no/dir/x.pad" }, dir + "/no/dir/x.pad: No such file" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.args));
        auto result = RunCli(c.args);
        EXPECT_NE(result.status, 0);
        EXPECT_NE(result.err.find(c.error), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    EXPECT_FALSE(Exists(dir + "/x.pad"));
}
