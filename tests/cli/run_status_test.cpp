// tavrin-cli run: exit statuses, output conversion, the exit prompt, and
// runs stopped by standard input ending, a time limit or Ctrl+C.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// Builds a chart from outline text into the directory and returns its path.
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

struct StatusCase {
    const char* name;
    std::string outline; // empty: no chart is built
    std::vector<std::string> options;
    std::string input;
    int status;
    std::string out;
    std::string errContains;
};

const std::string kOkChart = "simple: x = 6 * 7\noutput: \"x = \", x\n";
const std::string kInputChart = "input: a\noutput: \"a = \", a\n";

const StatusCase kStatusCases[] = {
    { "NormalEnd", kOkChart, {}, "", 0, "x = 42\n", "" },
    { "EvaluationError", "output: \"before\"\nsimple: x = 1 / 0\noutput: \"after\"\n", {}, "", 1,
        "before\nDivision by ZERO.\nError -- \"x = 1 / 0\"\n", "the run failed at box 2:simple (line 2 of the outline)\n" },
    { "BreakOutsideLoops", "simple: break\n", {}, "", 1, "Error -- \"break\"\n", "at box 1:simple" },
    { "InputFromStdin", kInputChart, {}, "2.5\n", 0, "a = 2.5\n", "" },
    { "LastInputLineWithoutLineEnd", kInputChart, {}, "7", 0, "a = 7\n", "" },
    { "StdinEndsDuringInput", kInputChart + "output: \"after\"\n", {}, "", 3, "", "standard input ended" },
    { "StdinEndsAtSecondInput", "input: a\ninput: b\noutput: a\n", {}, "1\n", 3, "", "standard input ended" },
    { "PauseShowsPromptAndWaits", kOkChart, { "--pause" }, "\n", 0, "x = 42\npress ENTER key to exit", "" },
    { "PauseWithInputEnded", kOkChart, { "--pause" }, "", 0, "x = 42\npress ENTER key to exit", "" },
    { "OutputConvertedToUtf8", "output: \"日本語\", 1\n", {}, "", 0, "日本語1\n", "" },
    { "RawOutputKeepsCodePage932", "output: \"日本\"\n", { "--raw" }, "", 0, "\x93\xfa\x96\x7b\n", "" },
    { "NonAsciiInputReadsAsZero", "input: a\noutput: a\n", {}, "１２\n", 0, "0\n", "" },
    { "TimeoutNotReached", kOkChart, { "--timeout", "10" }, "", 0, "x = 42\n", "" },
    { "TimeoutTooLongToCount", kOkChart, { "--timeout=1e300" }, "", 0, "x = 42\n", "" },
    { "UnknownOption", kOkChart, { "--fast" }, "", 2, "", "unknown option '--fast'" },
    { "TimeoutWithoutValue", kOkChart, { "--timeout" }, "", 2, "", "usage:" },
    { "TimeoutNotANumber", kOkChart, { "--timeout", "soon" }, "", 2, "", "usage:" },
    { "TimeoutNotPositive", kOkChart, { "--timeout", "0" }, "", 2, "", "usage:" },
    { "StepLimitStopsEndlessLoop", "pre-loop: 1\n  simple: x = x + 1\n", { "--max-steps", "1000" }, "", 125, "", "step limit of 1000" },
    { "StepLimitStopsEmptyEndlessLoop", "pre-loop: 1\n", { "--max-steps=50" }, "", 125, "", "step limit" },
    { "StepLimitNotReached", kOkChart, { "--max-steps", "100" }, "", 0, "x = 42\n", "" },
    { "StepLimitNotANumber", kOkChart, { "--max-steps", "many" }, "", 2, "", "usage:" },
    { "StepLimitZero", kOkChart, { "--max-steps", "0" }, "", 2, "", "usage:" },
    { "TwoCharts", kOkChart, { "second.pad" }, "", 2, "", "usage:" },
    { "NoChart", "", {}, "", 2, "", "no chart file given" },
    { "MissingFile", "", { "missing.pad" }, "", 2, "", "missing.pad: No such file or directory" },
};

class RunStatusTest : public testing::TestWithParam<StatusCase> {};

} // namespace

TEST_P(RunStatusTest, ExitStatusAndOutput)
{
    const StatusCase& c = GetParam();
    const std::string dir = TempDir(std::string("run_status_") + c.name);
    std::vector<std::string> args { "run" };
    if (!c.outline.empty())
        args.push_back(BuildChart(dir, "chart", c.outline));
    for (const auto& option : c.options)
        args.push_back(option == "missing.pad" ? dir + "/missing.pad" : option);
    ProcessResult result = RunCli(args, c.input);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_EQ(result.out, c.out);
    if (c.errContains.empty())
        EXPECT_EQ(result.err, "");
    else
        EXPECT_NE(result.err.find(c.errContains), std::string::npos) << result.err;
}

INSTANTIATE_TEST_SUITE_P(Cli, RunStatusTest, testing::ValuesIn(kStatusCases),
    [](const testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

TEST(RunCli, HelpPrintsUsage)
{
    ProcessResult result = RunCli({ "run", "--help" });
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("usage: tavrin-cli run FILE.pad"), std::string::npos);
}

TEST(RunCli, FilesThatAreNoChartsAreNamed)
{
    const std::string dir = TempDir("run_status_not_charts");
    const std::string garbage = dir + "/garbage.pad";
    WriteFileBytes(garbage, "\x05\x00\x00\x00\x01");
    struct Case {
        std::string path;
        std::string reason;
    };
    for (const Case& c : { Case { garbage, "予期しないﾌｧｲﾙ形式です。" }, Case { dir, "" } }) {
        SCOPED_TRACE(c.path);
        ProcessResult result = RunCli({ "run", c.path });
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(c.path), std::string::npos) << result.err;
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
}

namespace {

// A run of tavrin-cli whose standard input stays open (so an input box
// waits) and that may get SIGINT once its first output line has arrived.
struct LiveRun {
    bool exited { false }; // ended by exit(), not killed by a signal
    int status { -1 };
    std::string out;
    std::chrono::milliseconds elapsed { 0 };
};

LiveRun RunLive(const std::vector<std::string>& args, std::optional<std::chrono::milliseconds> interruptAfterFirstLine)
{
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0)
        throw std::runtime_error("pipe failed");
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 2);
        close(quiet);
        for (int fd : { in[0], in[1], out[0], out[1] })
            close(fd);
        std::vector<std::string> copy { TAVRIN_CLI };
        copy.insert(copy.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);

    LiveRun run;
    bool interrupted = false;
    const auto deadline = start + 10s;
    for (;;) {
        pollfd watch { out[0], POLLIN, 0 };
        if (poll(&watch, 1, 20) > 0) {
            char buffer[4096];
            const ssize_t got = read(out[0], buffer, sizeof buffer);
            if (got <= 0)
                break;
            run.out.append(buffer, static_cast<std::size_t>(got));
        }
        if (interruptAfterFirstLine && !interrupted && run.out.find('\n') != std::string::npos) {
            std::this_thread::sleep_for(*interruptAfterFirstLine);
            kill(pid, SIGINT);
            interrupted = true;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            ADD_FAILURE() << "tavrin-cli did not end";
            break;
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    close(out[0]);
    close(in[1]);
    run.exited = WIFEXITED(status);
    run.status = run.exited ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

} // namespace

// Ctrl+C ends a spinning loop or a waiting input box through the program's
// own handler: the output so far is kept and the status is 130.
TEST(RunCli, InterruptStopsTheRun)
{
    const std::string dir = TempDir("run_status_interrupt");
    const std::string spinning = BuildChart(dir, "spinning", "output: \"start\"\npre-loop: 1\noutput: \"never\"\n");
    const std::string waiting = BuildChart(dir, "waiting", "output: \"start\"\ninput: a\noutput: \"never\"\n");
    for (const auto& chart : { spinning, waiting }) {
        SCOPED_TRACE(chart);
        LiveRun run = RunLive({ "run", chart }, 50ms);
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(run.status, 130);
        EXPECT_EQ(run.out, "start\n");
    }
}

// The time limit stops an endless loop, even one with an empty body, and a
// waiting input box, within 100 ms of the limit (beyond the time a trivial
// run takes to start and end).
TEST(RunCli, TimeoutStopsTheRunWithinTheLimit)
{
    const std::string dir = TempDir("run_status_timeout");
    const std::string trivial = BuildChart(dir, "trivial", "simple: x = 1\n");
    const std::string spinning = BuildChart(dir, "spinning", "pre-loop: 1\n");
    const std::string busy = BuildChart(dir, "busy", "output: \"start\"\npost-loop: 1\n  simple: x = sin(x) + 1\n");
    const std::string waiting = BuildChart(dir, "waiting", "input: a\noutput: \"never\"\n");

    const auto baseline = RunLive({ "run", trivial }, std::nullopt).elapsed;
    constexpr auto kLimit = 300ms;
    for (const auto& chart : { spinning, busy, waiting }) {
        SCOPED_TRACE(chart);
        LiveRun run = RunLive({ "run", "--timeout", "0.3", chart }, std::nullopt);
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(run.status, 124);
        EXPECT_EQ(run.out.find("never"), std::string::npos);
        EXPECT_GE(run.elapsed, kLimit);
        EXPECT_LT(run.elapsed - baseline, kLimit + 100ms);
    }
}
