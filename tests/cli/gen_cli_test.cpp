// tavrin-cli gen: arguments, output forms, errors.

#include "TestSupport.h"

#include "model/CTavrinDoc.h"
#include "base/Codec.h"
#include "model/Outline.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;
using namespace testing_support;

namespace {

// A chart whose program holds Japanese text.
std::string MakeChart(const std::string& dir)
{
    CTavrinDoc doc;
    BuildOutline("simple: x = 2\noutput: \"値は\", x\n", doc.m_root);
    const std::string path = dir + "/chart.pad";
    doc.Save(path);
    return path;
}

const char* const kProgram = "#include <stdio.h>\n\nint main(){\n    double x;\n    x = 2;\n"
                             "    printf(\"値は%lf \\n\",x);\n    return 0;\n}\n";

TEST(GenCli, UsageErrors)
{
    const std::string dir = TempDir("gen-cli-usage");
    const std::string chart = MakeChart(dir);
    const std::vector<std::vector<std::string>> cases {
        { "gen" },
        { "gen", chart, chart },
        { "gen", chart, "-o" },
        { "gen", chart, "--bogus" },
        { "gen", chart, "-o", dir + "/a.c", "-o", dir + "/b.c" },
        { "gen", "" },
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args.size() > 1 ? args.back() : "(none)");
        const auto result = RunCli(args);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find("usage: tavrin-cli gen"), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(dir + "/a.c"));

    const auto help = RunCli({ "gen", "--help" });
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: tavrin-cli gen FILE.pad [-o OUT.c] [--raw | --exact]"), std::string::npos);
}

TEST(GenCli, UnreadableChartsNameFileAndReason)
{
    const std::string dir = TempDir("gen-cli-unreadable");
    WriteFileBytes(dir + "/junk.pad", std::string("\x05\x00\x00\x00\xff\xff", 6));
    struct Row {
        std::string path;
        std::string reason;
    };
    const std::vector<Row> rows {
        { dir + "/missing.pad", "No such file or directory" },
        { dir, "" },
        { dir + "/junk.pad", "予期しないﾌｧｲﾙ形式です。" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const auto result = RunCli({ "gen", row.path, "-o", dir + "/out.c" });
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find(row.path), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(row.reason), std::string::npos) << result.err;
        EXPECT_FALSE(fs::exists(dir + "/out.c"));
    }
}

TEST(GenCli, OutputForms)
{
    const std::string dir = TempDir("gen-cli-forms");
    const std::string chart = MakeChart(dir);

    const auto out = RunCli({ "gen", chart });
    EXPECT_EQ(out.status, 0);
    EXPECT_EQ(out.out, kProgram); // no exit prompt
    EXPECT_EQ(out.err, "");

    const auto raw = RunCli({ "gen", "--raw", chart });
    EXPECT_EQ(raw.status, 0);
    EXPECT_EQ(raw.out, *codec::Utf8ToCp932(kProgram));

    const auto dash = RunCli({ "gen", chart, "-o", "-" });
    EXPECT_EQ(dash.out, kProgram);

    // -o replaces an old file whole and leaves nothing else behind.
    const std::string target = dir + "/prog.c";
    WriteFileBytes(target, std::string(100000, 'x'));
    const auto file = RunCli({ "gen", chart, "-o", target });
    EXPECT_EQ(file.status, 0) << file.err;
    EXPECT_EQ(file.out, "");
    EXPECT_EQ(ReadFileBytes(target), kProgram);
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir))
        ++entries;
    EXPECT_EQ(entries, 2u); // the chart and the program
}

TEST(GenCli, UnwritableOutputKeepsTheOldFile)
{
    const std::string dir = TempDir("gen-cli-unwritable");
    const std::string chart = MakeChart(dir);
    const auto missingDir = RunCli({ "gen", chart, "-o", dir + "/no/such/dir/prog.c" });
    EXPECT_EQ(missingDir.status, 1);
    EXPECT_NE(missingDir.err.find(dir + "/no/such/dir/prog.c"), std::string::npos) << missingDir.err;

    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories";
    const std::string locked = dir + "/locked";
    fs::create_directory(locked);
    WriteFileBytes(locked + "/prog.c", "old");
    chmod(locked.c_str(), 0555);
    const auto result = RunCli({ "gen", chart, "-o", locked + "/prog.c" });
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(ReadFileBytes(locked + "/prog.c"), "old");
}

} // namespace
