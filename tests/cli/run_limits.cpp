// tavrin-cli run within bounds: what arrays cost, the memory limit, output
// that nobody reads or that cannot be written, and input lines that never
// end. Standard input, output and error are whatever each case needs
// (files, pipes, devices), so the runs are started here directly.
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

// AddressSanitizer's shadow memory and quarantine make peak memory say
// nothing about the program's own use.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kPeaksMeanSomething = false;
#else
constexpr bool kPeaksMeanSomething = true;
#endif

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

struct Finished {
    int status { -1 }; // exit status, or 128 + signal
    bool exited { false };
    long peakKb { 0 };
    std::chrono::milliseconds elapsed { 0 };
};

// Starts tavrin-cli with the given descriptors as its standard input,
// output and error.
pid_t Start(const std::vector<std::string>& args, int in, int out, int err)
{
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        std::vector<std::string> copy { TAVRIN_CLI };
        copy.insert(copy.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : copy)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

// Waits for the run (killing it after 20 s) and tells how it ended.
Finished Wait(pid_t pid, std::chrono::steady_clock::time_point start)
{
    Finished result;
    int status = 0;
    rusage usage {};
    bool killed = false;
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid)
            break;
        // A sanitizer build runs many times slower.
        if (!killed && std::chrono::steady_clock::now() - start > (kPeaksMeanSomething ? 20s : 180s)) {
            kill(pid, SIGKILL);
            killed = true;
            ADD_FAILURE() << "tavrin-cli did not end";
        }
        std::this_thread::sleep_for(2ms);
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    result.exited = WIFEXITED(status);
    result.status = result.exited ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.peakKb = usage.ru_maxrss;
    return result;
}

// Runs with input from /dev/null, output and error into files.
Finished RunToFiles(const std::vector<std::string>& args, const std::string& out, const std::string& err,
    const char* input = "/dev/null")
{
    const int in = open(input, O_RDONLY);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = Start(args, in, o, e);
    for (int fd : { in, o, e })
        close(fd);
    return Wait(pid, start);
}

} // namespace

// Scattered elements cost what they are, not what lies between them: thirty
// powers of two up to 2^29, thirty stores 4,096 apart and doubling (in three
// arrays), each run in far less than 20 MB, with the values kept.
TEST(RunLimits, ScatteredArrayElementsCostWhatTheyStore)
{
    const std::string dir = TempDir("run_limits_arrays");
    struct Case {
        const char* name;
        std::string outline;
        std::string out;
    };
    const Case cases[] = {
        { "powers", "simple: p = 1\npre-loop: i = 1, 30\n  simple: a[p] = p, p = p * 2\n"
                    "output: a[1], \" \", a[536870912], \" \", a[536870911], \" \", a[1073741824]\n",
            "1 536870912 0 0\n" },
        { "jumps", "simple: n = 0\npre-loop: i = 1, 30\n  simple: a[n] = 0.5, b[n] = i, c[n] = -i, n = 2 * n + 4096\n"
                   "output: a[0], \" \", b[4096], \" \", c[12288], \" \", b[4095]\n",
            "0.5 2 -3 0\n" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string chart = BuildChart(dir, c.name, c.outline);
        const Finished run = RunToFiles({ "run", chart }, dir + "/out", dir + "/err");
        EXPECT_EQ(run.status, 0) << ReadFileBytes(dir + "/err");
        EXPECT_EQ(ReadFileBytes(dir + "/out"), c.out);
        if (kPeaksMeanSomething) {
            EXPECT_LT(run.peakKb, 20 * 1024);
        }
    }
}

// A box text of 10 MB costs a few times its size to evaluate, with the
// results and messages it always had: a chain of ten megabytes of
// assignments nests each in the last and is too deep, a sum that long adds
// up, and an output list that long prints every item.
TEST(RunLimits, LongTextsCostAFewTimesTheirSize)
{
    if (!kPeaksMeanSomething)
        GTEST_SKIP() << "what a text costs is not measured under a sanitizer";
    const std::string dir = TempDir("run_limits_long_texts");
    const std::size_t size = std::size_t { 10 } << 20;
    auto repeat = [&](const std::string& item) {
        std::string out;
        out.reserve(size + item.size());
        while (out.size() < size)
            out += item;
        return out;
    };
    struct Case {
        const char* name;
        std::string outline;
        long peakMb; // the chain took about 600 MB, the list 780 MB
    };
    const Case cases[] = {
        { "chain", "simple: " + repeat("x = 1, ") + "x = 1\n", 160 },
        { "sum", "simple: x = " + repeat("1 + ") + "1\noutput: x\n", 80 },
        { "list", "output: " + repeat("1, ") + "2\n", 320 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string chart = BuildChart(dir, c.name, c.outline);
        const Finished run = RunToFiles({ "run", chart }, dir + "/out", dir + "/err");
        const std::string out = ReadFileBytes(dir + "/out");
        const std::string err = ReadFileBytes(dir + "/err");
        if (std::string(c.name) == "chain") {
            EXPECT_NE((out + err).find("Nesting too deep."), std::string::npos) << err;
        } else if (std::string(c.name) == "sum") {
            EXPECT_EQ(run.status, 0) << err;
            EXPECT_EQ(out, std::to_string(size / 4 + 1) + "\n");
        } else {
            EXPECT_EQ(run.status, 0) << err;
            EXPECT_EQ(out.size(), (size + 2) / 3 * 2 + 2);
            EXPECT_EQ(out.substr(0, 4), "1 1 ");
            EXPECT_EQ(out.substr(out.size() - 4), "1 2\n");
        }
        if (kPeaksMeanSomething) {
            EXPECT_LT(run.peakKb, c.peakMb * 1024);
        }
    }
}

// Past the memory limit the run ends with its own status and message, and
// what it printed before (buffered for a file) is all there.
TEST(RunLimits, MemoryLimitEndsTheRunAndKeepsTheOutput)
{
    const std::string dir = TempDir("run_limits_memory");
    const std::string chart = BuildChart(dir, "greedy",
        "pre-loop: i = 1, 1000\n  output: \"line \", i\n"
        "pre-loop: i = 0, 100000000\n  simple: a[i * 16] = i, m[i][i] = i\n"
        "output: \"never\"\n");
    // A sanitizer build is slow to fill memory: a smaller limit there.
    const std::string limit = kPeaksMeanSomething ? "16" : "4";
    const Finished run = RunToFiles({ "run", "--memory", limit, chart }, dir + "/out", dir + "/err");
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.status, 4);
    const std::string out = ReadFileBytes(dir + "/out");
    EXPECT_EQ(out.substr(0, 7), "line 1\n");
    EXPECT_NE(out.find("line 1000\n"), std::string::npos);
    EXPECT_EQ(out.find("never"), std::string::npos);
    EXPECT_NE(ReadFileBytes(dir + "/err").find("memory limit of " + limit + " MB"), std::string::npos);
    if (kPeaksMeanSomething) {
        EXPECT_LT(run.peakKb, 64 * 1024);
    }

    for (const char* bad : { "0", "lots", "-5", "99999999999999" }) {
        SCOPED_TRACE(bad);
        ProcessResult usage = RunCli({ "run", chart, "--memory", bad });
        EXPECT_EQ(usage.status, 2);
        EXPECT_NE(usage.err.find("--memory needs a positive whole number"), std::string::npos) << usage.err;
    }
}

// A time limit, Ctrl+C or SIGTERM stop a run that is blocked writing into a
// pipe nobody reads, within 100 ms; the run ends with the status of the cause.
TEST(RunLimits, StopsReachARunBlockedWriting)
{
    const std::string dir = TempDir("run_limits_unread");
    const std::string chart = BuildChart(dir, "chatty",
        "pre-loop: 1\n  output: \"a line long enough to fill a pipe soon enough, over and over\"\n");
    struct Case {
        const char* name;
        std::vector<std::string> options;
        int signal; // sent after 300 ms, 0 for none
        int status;
    };
    const Case cases[] = {
        { "timeout", { "--timeout", "0.3" }, 0, 124 },
        { "interrupt", {}, SIGINT, 130 },
        { "terminate", {}, SIGTERM, 143 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int out[2];
        ASSERT_EQ(pipe(out), 0);
        const int in = open("/dev/null", O_RDONLY);
        const int err = open("/dev/null", O_WRONLY);
        std::vector<std::string> args { "run", chart };
        args.insert(args.end(), c.options.begin(), c.options.end());
        const auto start = std::chrono::steady_clock::now();
        const pid_t pid = Start(args, in, out[1], err);
        close(in);
        close(err);
        close(out[1]);
        if (c.signal != 0) {
            std::this_thread::sleep_for(300ms);
            kill(pid, c.signal);
        }
        const Finished run = Wait(pid, start);
        close(out[0]);
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(run.status, c.status);
        EXPECT_LT(run.elapsed, 300ms + 200ms); // the stop's 100 ms plus starting the program
    }
}

// A reader that goes away ends the run quietly with the status of a broken
// pipe; a full disk is reported and fails the run.
TEST(RunLimits, OutputThatCannotBeWrittenEndsTheRun)
{
    const std::string dir = TempDir("run_limits_closed");
    const std::string chart = BuildChart(dir, "chatty", "pre-loop: 1\n  output: \"again\"\n");
    const std::string once = BuildChart(dir, "once", "output: \"once\"\n");

    int out[2];
    ASSERT_EQ(pipe(out), 0);
    close(out[0]);
    const int in = open("/dev/null", O_RDONLY);
    const int err = open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t pid = Start({ "run", chart }, in, out[1], err);
    for (int fd : { in, err, out[1] })
        close(fd);
    const Finished closed = Wait(pid, std::chrono::steady_clock::now());
    EXPECT_TRUE(closed.exited);
    EXPECT_EQ(closed.status, 141);
    EXPECT_EQ(ReadFileBytes(dir + "/err"), "");

    for (const std::string& c : { chart, once }) {
        SCOPED_TRACE(c);
        const Finished full = RunToFiles({ "run", c }, "/dev/full", dir + "/err");
        EXPECT_EQ(full.status, 1);
        EXPECT_NE(ReadFileBytes(dir + "/err").find("cannot write the output: No space left on device"), std::string::npos)
            << ReadFileBytes(dir + "/err");
    }
}

// An input line longer than the bound stops the run with a message, also
// when the input never ends; lines within it are read whole.
TEST(RunLimits, InputLinesAreBounded)
{
    const std::string dir = TempDir("run_limits_lines");
    const std::string chart = BuildChart(dir, "reader", "input: a\noutput: \"read \", a\ninput: b\noutput: \"read \", b\n");
    WriteFileBytes(dir + "/long", "12" + std::string(1500000, ' ') + "\n3" + std::string(3 << 20, '4') + "\n");

    Finished run = RunToFiles({ "run", chart, "--max-input-line", "2" }, dir + "/out", dir + "/err", (dir + "/long").c_str());
    EXPECT_EQ(run.status, 5);
    EXPECT_EQ(ReadFileBytes(dir + "/out"), "read 12\n");
    EXPECT_NE(ReadFileBytes(dir + "/err").find("input line is longer than 2 MB"), std::string::npos);

    run = RunToFiles({ "run", chart }, dir + "/out", dir + "/err", "/dev/zero");
    EXPECT_EQ(run.status, 5);
    EXPECT_NE(ReadFileBytes(dir + "/err").find("input line is longer than 64 MB"), std::string::npos);
    if (kPeaksMeanSomething) {
        EXPECT_LT(run.peakKb, 300 * 1024);
    }

    ProcessResult usage = RunCli({ "run", chart, "--max-input-line=0" });
    EXPECT_EQ(usage.status, 2);
}

// Charts and outlines that are no regular files, or larger than any real one,
// are refused before they are read (a FIFO without a writer must not block).
TEST(RunLimits, FilesAreCheckedBeforeTheyAreRead)
{
    const std::string dir = TempDir("run_limits_files");
    const std::string fifo = dir + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string huge = dir + "/huge.pad";
    const int fd = open(huge.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(ftruncate(fd, off_t { 300 } << 20), 0); // sparse: costs no disk
    close(fd);
    for (const std::string& path : { std::string("/dev/zero"), fifo, huge }) {
        SCOPED_TRACE(path);
        for (const std::vector<std::string>& args : { std::vector<std::string> { "run", path },
                 std::vector<std::string> { "dump", path }, std::vector<std::string> { "build", path, "-o", dir + "/out.pad" } }) {
            SCOPED_TRACE(args[0]);
            ProcessResult result = RunCli(args);
            EXPECT_EQ(result.status, 2);
            EXPECT_NE(result.err.find(path + ": 予期しないﾌｧｲﾙ形式です。"), std::string::npos) << result.err;
        }
    }
}

// A NUL byte ends a box text for the run and for the generated C alike: the
// C program gets no raw NUL and prints what the run prints.
TEST(RunLimits, NulEndsABoxTextForRunAndGen)
{
    const std::string dir = TempDir("run_limits_nul");
    const std::string chart = BuildChart(dir, "nul",
        "output:= \"\\\"a\\x00b\\\"\"\nsimple:= \"x = 1\\x00y = 2\"\noutput: x, \" \", y\n");
    ProcessResult run = RunCli({ "run", chart });
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "a\n1 0\n");
    ProcessResult gen = RunCli({ "gen", chart });
    EXPECT_EQ(gen.status, 0);
    EXPECT_EQ(gen.out.find('\0'), std::string::npos);
    EXPECT_NE(gen.out.find("printf(\"a\\n\");"), std::string::npos) << gen.out;
    EXPECT_NE(gen.out.find("x = 1;\n"), std::string::npos) << gen.out;
    EXPECT_EQ(gen.out.find("y = 2"), std::string::npos) << gen.out;
}
