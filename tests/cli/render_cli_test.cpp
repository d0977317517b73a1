// tavrin-cli render: valid PNG, SVG and PDF files sized to the chart, and
// clear failures that leave no half-written file behind.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace testing_support;

namespace {

// One simple box (a=1) at (50, 75), 150 x 25, as the file stores it.
const std::string kOneBoxChart {
    "\x01\x00\x00\x00" "\x01\x00" "\x32\x00\x00\x00" "\x4B\x00\x00\x00" "\x96\x00\x00\x00" "\x19\x00\x00\x00"
    "\x03" "a=1",
    27
};

std::string WriteChart(const std::string& dir)
{
    const std::string path = dir + "/chart.pad";
    WriteFileBytes(path, kOneBoxChart);
    return path;
}

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at)
{
    std::uint32_t v = 0;
    for (std::size_t i = 0; i < 4; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + i]);
    return v;
}

struct PngSize {
    std::uint32_t width { 0 };
    std::uint32_t height { 0 };
};

PngSize ReadPngSize(const std::string& bytes)
{
    EXPECT_GE(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(bytes.substr(12, 4), "IHDR");
    if (bytes.size() < 24)
        return {};
    return { BigEndian32(bytes, 16), BigEndian32(bytes, 20) };
}

// A chart of one simple box at (50, 75) of the given size and text.
std::string OneBoxChart(std::uint32_t width, std::uint32_t height, const std::string& text)
{
    auto le = [](std::uint64_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
        return out;
    };
    std::string length;
    if (text.size() < 0xFF)
        length = le(text.size(), 1);
    else if (text.size() < 0xFFFE)
        length = "\xFF" + le(text.size(), 2);
    else
        length = "\xFF\xFF\xFF" + le(text.size(), 4);
    return le(1, 4) + le(1, 2) + le(50, 4) + le(75, 4) + le(width, 4) + le(height, 4) + length + text;
}

// The files in a directory, hidden ones included.
std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(RenderCli, WritesEachFormat)
{
    const std::string dir = TempDir("render-formats");
    const std::string chart = WriteChart(dir);
    struct Case {
        const char* file;
        bool print;
        const char* signature;
    };
    const Case cases[] = {
        { "screen.png", false, "\x89PNG" },
        { "print.png", true, "\x89PNG" },
        { "screen.svg", false, "<?xml" },
        { "print.SVG", true, "<?xml" },
        { "screen.pdf", false, "%PDF" },
        { "print.pdf", true, "%PDF" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string out = dir + "/" + c.file;
        std::vector<std::string> args { "render", chart, "-o", out };
        if (c.print)
            args.push_back("--print");
        const ProcessResult r = RunCli(args);
        ASSERT_EQ(r.status, 0) << r.err;
        const std::string bytes = ReadFileBytes(out);
        EXPECT_EQ(bytes.rfind(c.signature, 0), 0u);
        if (std::string(c.signature) == "<?xml") {
            EXPECT_NE(bytes.find("<svg"), std::string::npos);
        }
        if (std::string(c.signature) == "%PDF") {
            EXPECT_NE(bytes.find("%%EOF"), std::string::npos);
        }
    }
    // The screen image reaches 20 beyond the box's right edge (200) and the
    // end terminal's bottom (125 + 30); the printed one is five times larger.
    const PngSize screen = ReadPngSize(ReadFileBytes(dir + "/screen.png"));
    EXPECT_EQ(screen.width, 221u);
    EXPECT_EQ(screen.height, 176u);
    const PngSize printed = ReadPngSize(ReadFileBytes(dir + "/print.png"));
    // Box right 50 + 750; the end terminal ends at 200 + 250 + 125 + 125,
    // and its label may reach lower.
    EXPECT_EQ(printed.width, 901u);
    EXPECT_GE(printed.height, 801u);
}

TEST(RenderCli, RendersAnExample)
{
    const std::string example = SourcePath("examples/fizzbuzz.pad");
    if (!std::filesystem::exists(example))
        GTEST_SKIP() << "no example chart";
    const std::string out = TempDir("render-example") + "/fizzbuzz.png";
    const ProcessResult r = RunCli({ "render", example, "-o", out });
    ASSERT_EQ(r.status, 0) << r.err;
    const PngSize size = ReadPngSize(ReadFileBytes(out));
    EXPECT_GT(size.width, 221u);
    EXPECT_GT(size.height, 176u);
}

TEST(RenderCli, PrintedChartLargerThanThePageWarns)
{
    const std::string dir = TempDir("render-page");
    std::string tall = kOneBoxChart;
    tall.replace(18, 4, std::string("\xD0\x07\x00\x00", 4)); // 2,000 high: 10,000 dots printed
    WriteFileBytes(dir + "/tall.pad", tall);
    const ProcessResult r = RunCli({ "render", dir + "/tall.pad", "-o", dir + "/tall.pdf", "--print" });
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("warning"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(dir + "/tall.pdf").rfind("%PDF", 0), 0u);

    const ProcessResult small = RunCli({ "render", WriteChart(dir), "-o", dir + "/small.pdf", "--print" });
    EXPECT_EQ(small.status, 0);
    EXPECT_EQ(small.err.find("warning"), std::string::npos) << small.err;
}

TEST(RenderCli, UsageErrors)
{
    const std::string dir = TempDir("render-usage");
    const std::string chart = WriteChart(dir);
    struct Case {
        const char* name;
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        { "no output", { "render", chart }, "usage:" },
        { "no input", { "render", "-o", dir + "/a.png" }, "usage:" },
        { "-o without a name", { "render", chart, "-o" }, "usage:" },
        { "two inputs", { "render", chart, chart, "-o", dir + "/a.png" }, "usage:" },
        { "unknown option", { "render", chart, "-o", dir + "/a.png", "--colour" }, "--colour" },
        { "unknown extension", { "render", chart, "-o", dir + "/a.bmp" }, "a.bmp" },
        { "no extension", { "render", chart, "-o", dir + "/png" }, "unknown output format" },
        { "missing input", { "render", dir + "/none.pad", "-o", dir + "/a.png" }, "none.pad" },
        { "input is a directory", { "render", dir, "-o", dir + "/a.png" }, dir.c_str() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessResult r = RunCli(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.png"));
    EXPECT_FALSE(std::filesystem::exists(dir + "/a.bmp"));
}

TEST(RenderCli, NotAChart)
{
    const std::string dir = TempDir("render-bad-chart");
    const std::string bad = dir + "/bad.pad";
    WriteFileBytes(bad, std::string("\x01\x00\x00\x00\x01\x00\x32", 7)); // cut off inside a record
    const ProcessResult r = RunCli({ "render", bad, "-o", dir + "/out.svg" });
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("bad.pad"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir + "/out.svg"));
}

TEST(RenderCli, WriteFailureKeepsTheOldFile)
{
    const std::string dir = TempDir("render-write-failure");
    const std::string chart = WriteChart(dir);
    const ProcessResult missingDir = RunCli({ "render", chart, "-o", dir + "/no/such/dir/out.png" });
    EXPECT_EQ(missingDir.status, 1);
    EXPECT_NE(missingDir.err.find("out.png"), std::string::npos) << missingDir.err;

    // A chart too large for an image fails before the old file is touched,
    // and leaves no temporary file behind.
    const std::string wide = dir + "/wide.pad";
    std::string wideChart = kOneBoxChart;
    wideChart.replace(14, 4, std::string("\x80\x84\x1E\x00", 4)); // 2,000,000 wide
    WriteFileBytes(wide, wideChart);
    WriteFileBytes(dir + "/old.png", "old");
    const ProcessResult tooLarge = RunCli({ "render", wide, "-o", dir + "/old.png" });
    EXPECT_EQ(tooLarge.status, 1);
    EXPECT_NE(tooLarge.err.find("too large"), std::string::npos) << tooLarge.err;
    EXPECT_EQ(ReadFileBytes(dir + "/old.png"), "old");
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir))
        ++files;
    EXPECT_EQ(files, 3); // chart.pad, wide.pad, old.png
}

TEST(RenderCli, UnwritableDirectoryKeepsTheOldFile)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root may write anywhere";
    const std::string dir = TempDir("render-unwritable");
    const std::string chart = WriteChart(dir);
    const std::string locked = dir + "/locked";
    std::filesystem::create_directory(locked);
    WriteFileBytes(locked + "/out.pdf", "old");
    chmod(locked.c_str(), 0555);
    const ProcessResult r = RunCli({ "render", chart, "-o", locked + "/out.pdf" });
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFileBytes(locked + "/out.pdf"), "old");
}

// A box text is cut to what the box shows before it is laid out, yet a box
// taller than any page still shows its lower lines: the line at the foot
// of a 40,000 high box of 1,500 lines is drawn.
TEST(RenderCli, TallBoxShowsItsLastLines)
{
    const std::string dir = TempDir("render-tall-text");
    std::string text;
    for (int i = 0; i < 1500; ++i)
        text += i == 1499 ? "TAIL" : "\r\n";
    WriteFileBytes(dir + "/tall.pad", OneBoxChart(150, 40000, text));
    const std::string tall = dir + "/tall.svg";
    ASSERT_EQ(RunCli({ "render", dir + "/tall.pad", "-o", tall }).status, 0);
    EXPECT_NE(ReadFileBytes(tall).find("TAIL"), std::string::npos);
}

// A failed write says what failed (here the file size limit a full disk
// also meets) and leaves neither the file nor a temporary behind.
TEST(RenderCli, FailedWriteSaysWhy)
{
    const std::string dir = TempDir("render-fsize");
    const std::string chart = WriteChart(dir);
    const std::string out = dir + "/out.svg";
    const std::string command = "ulimit -f 1; trap '' XFSZ; exec '" + std::string(TAVRIN_CLI) + "' render '" + chart
        + "' -o '" + out + "' 2>'" + dir + "/err'";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = ReadFileBytes(dir + "/err");
    EXPECT_NE(err.find("out.svg: File too large"), std::string::npos) << err;
    EXPECT_EQ(err.find("Unknown error"), std::string::npos) << err;
    EXPECT_EQ(FilesIn(dir), (std::vector<std::string> { "chart.pad", "err" }));
}

// Ctrl+C or SIGTERM while a render is under way leaves no hidden file
// beside the output, and no part of one; a render that ends first leaves
// just its output. The box's text of 10 MB took seconds to draw when it was
// not cut to what the box shows.
TEST(RenderCli, SignalLeavesNoTemporaryFile)
{
    const std::string dir = TempDir("render-signal");
    std::string text;
    while (text.size() < (std::size_t { 10 } << 20))
        text += "x = 1, ";
    WriteFileBytes(dir + "/big.pad", OneBoxChart(150, 25, text));
    for (int signal : { SIGINT, SIGTERM }) {
        SCOPED_TRACE(signal);
        const std::string out = dir + "/out.png";
        std::filesystem::remove(out);
        const pid_t pid = fork();
        if (pid == 0) {
            execl(TAVRIN_CLI, TAVRIN_CLI, "render", (dir + "/big.pad").c_str(), "-o", out.c_str(),
                static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(pid, signal);
        int status = 0;
        waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) {
            EXPECT_EQ(WTERMSIG(status), signal);
            // The drawing may have been complete and in place a moment
            // before the signal came: then it is the whole picture.
            const std::vector<std::string> files = FilesIn(dir);
            if (files.size() == 2 && files[1] == "out.png") {
                const std::string png = ReadFileBytes(out);
                EXPECT_EQ(png.substr(0, 4), "\x89PNG");
                ASSERT_GE(png.size(), 12u);
                EXPECT_EQ(png.substr(png.size() - 8, 4), "IEND");
            } else {
                EXPECT_EQ(files, (std::vector<std::string> { "big.pad" }));
            }
        } else {
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(FilesIn(dir), (std::vector<std::string> { "big.pad", "out.png" }));
        }
    }
}

} // namespace
