// tavrin-cli run: runs a chart in the terminal, as the Run command does in
// its console window.
#include "cli/Commands.h"

#include "model/BoxPath.h"
#include "model/CArchive.h"
#include "exec/CRunContext.h"
#include "exec/CRunTrace.h"
#include "model/CTavrinDoc.h"
#include "exec/CTerminalConsole.h"
#include "model/FileIO.h"
#include "interp/RunMemory.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr const char* kRunUsage =
    "usage: tavrin-cli run FILE.pad [--pause] [--raw] [--timeout SECONDS] [--max-steps N]\n"
    "                      [--memory MB] [--max-input-line MB] [--trace]\n"
    "\n"
    "Runs the chart with its input from standard input and its output on\n"
    "standard output (converted from code page 932 to UTF-8).\n"
    "\n"
    "  --pause            end with \"press ENTER key to exit\" and wait for Enter\n"
    "  --raw              write the output bytes unconverted (code page 932)\n"
    "  --timeout SECONDS  stop the run after this many seconds\n"
    "  --max-steps N      stop the run after N steps (boxes executed and loop passes)\n"
    "  --memory MB        stop the run when its variables need more (default 1024)\n"
    "  --max-input-line MB  stop the run at a longer input line (default 64)\n"
    "  --trace            write each box executed to standard error: its path in\n"
    "                     the outline, its kind, its text and the variables it\n"
    "                     changed\n"
    "\n"
    "An evaluation error names the path of the box that failed on standard error.\n"
    "\n"
    "exit status: 0 run ended normally, 1 evaluation error or output that\n"
    "could not be written, 2 usage error or unreadable file, 3 standard input\n"
    "ended during an input box, 4 memory limit reached, 5 input line too long,\n"
    "124 time limit reached, 125 step limit reached, 129 hang-up, 130\n"
    "interrupted by Ctrl+C, 141 output pipe closed, 143 terminated\n";

constexpr int kExitOk = 0;
constexpr int kExitEvalError = 1;
constexpr int kExitInputEnded = 3;
constexpr int kExitMemoryLimit = 4;
constexpr int kExitInputTooLong = 5;
constexpr int kExitTimeout = 124;
constexpr int kExitStepLimit = 125;
constexpr int kExitHangUp = 129;
constexpr int kExitInterrupted = 130;
constexpr int kExitPipeClosed = 141;
constexpr int kExitTerminated = 143;
constexpr std::uint64_t kDefaultMemoryMb = 1024;

// Why the run flag was cleared; the first cause wins.
enum StopCause : int { kNoStop = 0, kStopInterrupt, kStopTimeout, kStopInputEnded, kStopInputTooLong, kStopTerminate, kStopHangUp };

std::atomic<int> s_stopCause { kNoStop };
static_assert(std::atomic<int>::is_always_lock_free, "the stop cause is set from a signal handler");

// The run under way, for the signal handlers, the timer and the console,
// which stop it.
std::atomic<CRunContext*> s_run { nullptr };
static_assert(std::atomic<CRunContext*>::is_always_lock_free, "the run is stopped from a signal handler");

void StopRun(StopCause cause)
{
    int expected = kNoStop;
    s_stopCause.compare_exchange_strong(expected, cause);
    if (CRunContext* run = s_run.load())
        run->Stop(cause == kStopTimeout ? RunStop::TimeLimit : cause == kStopInputEnded ? RunStop::InputEnded : RunStop::Interrupt);
}

// Ctrl+C stops the run the way the console's Ctrl+C does; the handler is
// reset to the default, so a second Ctrl+C ends the program at once.
// SIGTERM and SIGHUP stop it the same way, so that what it printed is
// written out before the program ends. A closed output pipe is seen as a
// failed write (the run then ends quietly with status 141), not as SIGPIPE.
extern "C" void OnStopSignal(int signal)
{
    StopRun(signal == SIGTERM ? kStopTerminate : signal == SIGHUP ? kStopHangUp : kStopInterrupt);
}

void InstallStopHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    for (int signal : { SIGINT, SIGTERM, SIGHUP })
        sigaction(signal, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

void RemoveStopHandlers()
{
    for (int signal : { SIGINT, SIGTERM, SIGHUP, SIGPIPE })
        std::signal(signal, SIG_DFL);
}

// Clears the run flag when the time limit passes, unless disarmed first.
class CRunTimer {
public:
    explicit CRunTimer(std::optional<double> seconds)
    {
        if (!seconds)
            return;
        // Longer limits than a century would overflow the clock's count.
        constexpr double kLongestLimit = 100.0 * 365 * 24 * 3600;
        const std::chrono::duration<double> wait(std::min(*seconds, kLongestLimit));
        const auto limit = std::chrono::steady_clock::now() + std::chrono::duration_cast<std::chrono::steady_clock::duration>(wait);
        m_thread = std::thread([this, limit] {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait_until(lock, limit, [this] { return m_disarmed; }))
                StopRun(kStopTimeout);
        });
    }
    ~CRunTimer()
    {
        Disarm();
        if (m_thread.joinable())
            m_thread.join();
    }
    CRunTimer(const CRunTimer&) = delete;
    CRunTimer& operator=(const CRunTimer&) = delete;

    void Disarm()
    {
        {
            std::lock_guard lock(m_mutex);
            m_disarmed = true;
        }
        m_wake.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_disarmed { false };
    std::thread m_thread;
};

// The terminal console of a run: standard input ending while an input box
// reads stops the run as Ctrl+C would; the time limit covers the run, not
// the wait at the exit prompt.
class CCliConsole : public CTerminalConsole {
public:
    using CTerminalConsole::CTerminalConsole;

    void SetTimer(CRunTimer* timer) { m_timer = timer; }

    void Finish() override
    {
        if (m_timer)
            m_timer->Disarm();
        CTerminalConsole::Finish();
    }

    // tavrin-cli tells why a run stopped on standard error, after the output.
    void ReportRunStop(std::string_view) override {}

protected:
    // The input box still gets its empty line; the run stops after it.
    bool Input(std::string& line) override
    {
        const bool read = CTerminalConsole::Input(line);
        if (!read && InputEnded())
            StopRun(kStopInputEnded);
        else if (!read && InputTooLong())
            StopRun(kStopInputTooLong);
        return read;
    }

private:
    CRunTimer* m_timer { nullptr };
};

struct RunOptions {
    std::string path;
    bool pause { false };
    bool raw { false };
    std::optional<double> timeout;
    std::string timeoutText; // as given, for the message
    std::uint64_t maxSteps { 0 };
    std::uint64_t memoryMb { kDefaultMemoryMb };
    std::uint64_t maxInputLineMb { CTerminalConsole::kDefaultMaxLineBytes >> 20 };
    bool trace { false };
};

int UsageError(const std::string& message)
{
    std::fprintf(stderr, "tavrin-cli run: %s\n\n%s", message.c_str(), kRunUsage);
    return kExitUsage;
}

std::optional<std::uint64_t> ParseSteps(std::string_view text)
{
    std::uint64_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc {} || end != text.data() + text.size() || value == 0)
        return std::nullopt;
    return value;
}

// A number of megabytes that fits the address space when counted in bytes.
std::optional<std::uint64_t> ParseMegabytes(std::string_view text)
{
    const auto value = ParseSteps(text);
    if (!value || *value > (std::uint64_t { 1 } << 40))
        return std::nullopt;
    return value;
}

std::optional<double> ParseSeconds(std::string_view text)
{
    double value = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc {} || end != text.data() + text.size() || !std::isfinite(value) || value <= 0.0)
        return std::nullopt;
    return value;
}

} // namespace

int CmdRun(const CliArgs& args)
{
    RunOptions options;
    bool havePath = false;
    bool optionsEnded = false; // after "--" every argument is a file name
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            if (havePath)
                return UsageError("only one chart can be run at a time");
            options.path = arg;
            havePath = true;
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            std::fputs(kRunUsage, stdout);
            return kExitOk;
        } else if (arg == "--pause") {
            options.pause = true;
        } else if (arg == "--raw") {
            options.raw = true;
        } else if (arg == "--trace") {
            options.trace = true;
        } else if (arg == "--timeout" || arg.starts_with("--timeout=")) {
            std::string value;
            if (arg == "--timeout") {
                if (i + 1 >= args.size())
                    return UsageError("--timeout needs a number of seconds");
                value = args[++i];
            } else {
                value = arg.substr(std::string_view("--timeout=").size());
            }
            options.timeout = ParseSeconds(value);
            options.timeoutText = value;
            if (!options.timeout)
                return UsageError("--timeout needs a positive number of seconds, not '" + value + "'");
        } else if (arg == "--max-steps" || arg.starts_with("--max-steps=")) {
            std::string value;
            if (arg == "--max-steps") {
                if (i + 1 >= args.size())
                    return UsageError("--max-steps needs a number of steps");
                value = args[++i];
            } else {
                value = arg.substr(std::string_view("--max-steps=").size());
            }
            const auto steps = ParseSteps(value);
            if (!steps)
                return UsageError("--max-steps needs a positive whole number, not '" + value + "'");
            options.maxSteps = *steps;
        } else if (arg == "--memory" || arg.starts_with("--memory=") || arg == "--max-input-line"
            || arg.starts_with("--max-input-line=")) {
            const bool memory = arg.starts_with("--memory");
            const std::string name = memory ? "--memory" : "--max-input-line";
            std::string value;
            if (arg == name) {
                if (i + 1 >= args.size())
                    return UsageError(name + " needs a number of megabytes");
                value = args[++i];
            } else {
                value = arg.substr(name.size() + 1);
            }
            const auto megabytes = ParseMegabytes(value);
            if (!megabytes)
                return UsageError(name + " needs a positive whole number of megabytes, not '" + value + "'");
            (memory ? options.memoryMb : options.maxInputLineMb) = *megabytes;
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    if (!havePath)
        return UsageError("no chart file given");

    CTavrinDoc doc;
    try {
        doc.Load(options.path);
    } catch (const CFileError& error) {
        std::fprintf(stderr, "tavrin-cli: %s\n", error.what());
        return kExitUsage;
    } catch (const CFileFormatError& error) {
        std::fprintf(stderr, "tavrin-cli: %s: %s\n", options.path.c_str(), error.what());
        return kExitUsage;
    }

    s_stopCause = kNoStop;
    SetRunMemoryLimit(static_cast<std::size_t>(options.memoryMb) << 20);
    RunStop stopped;
    RunOutcome outcome;
    int outputError = 0;
    std::optional<BoxLocation> failedAt;
    {
        CCliConsole console(options.raw ? TerminalEncoding::Raw : TerminalEncoding::Utf8,
            options.pause ? ExitPause::WaitForEnter : ExitPause::None);
        console.SetMaxLineBytes(static_cast<std::size_t>(options.maxInputLineMb) << 20);
        CRunContext run(doc.m_root, console);
        run.SetStepLimit(options.maxSteps);
        // Each trace line goes out whole, after the output written before
        // it.
        std::optional<CRunTrace> trace;
        if (options.trace) {
            trace.emplace(doc.m_root, [&console](std::string_view line) {
                console.Flush();
                std::string whole(line);
                whole += '\n';
                std::fwrite(whole.data(), 1, whole.size(), stderr);
            });
            run.SetObserver(&*trace);
        }
        // Known to the handlers and the timer before either can fire.
        s_run = &run;
        InstallStopHandlers();
        {
            CRunTimer timer(options.timeout);
            console.SetTimer(&timer);
            outcome = run.Run();
            if (trace)
                trace->Finish(run);
            console.Finish();
            console.SetTimer(nullptr);
        }
        console.Flush();
        outputError = console.OutputError();
        RemoveStopHandlers();
        s_run = nullptr;
        stopped = run.StopCause();
        if (outcome == RunOutcome::Error && run.FailedBox())
            failedAt = LocateBox(doc.m_root, *run.FailedBox());
    }

    if (outputError == EPIPE)
        return kExitPipeClosed; // the reader has gone: nobody to tell
    if (outputError != 0) {
        std::fprintf(stderr, "tavrin-cli: %s: cannot write the output: %s\n", options.path.c_str(), std::strerror(outputError));
        return kExitEvalError;
    }
    if (failedAt) {
        std::fprintf(stderr, "tavrin-cli: %s: the run failed at box %s (line %d of the outline)\n", options.path.c_str(),
            failedAt->path.c_str(), failedAt->outlineLine);
    }
    if (outcome == RunOutcome::MemoryLimit) {
        std::fprintf(stderr, "tavrin-cli: %s: stopped at the memory limit of %llu MB\n", options.path.c_str(),
            static_cast<unsigned long long>(options.memoryMb));
        return kExitMemoryLimit;
    }

    if (s_stopCause.load() == kNoStop && stopped == RunStop::StepLimit) {
        std::fprintf(stderr, "tavrin-cli: %s: stopped after the step limit of %llu steps\n", options.path.c_str(),
            static_cast<unsigned long long>(options.maxSteps));
        return kExitStepLimit;
    }
    switch (s_stopCause.load()) {
    case kStopInterrupt:
        return kExitInterrupted;
    case kStopTimeout:
        std::fprintf(stderr, "tavrin-cli: %s: stopped after the time limit of %s seconds\n", options.path.c_str(), options.timeoutText.c_str());
        return kExitTimeout;
    case kStopTerminate:
        return kExitTerminated;
    case kStopHangUp:
        return kExitHangUp;
    case kStopInputTooLong:
        std::fprintf(stderr, "tavrin-cli: %s: an input line is longer than %llu MB; the run was stopped\n", options.path.c_str(),
            static_cast<unsigned long long>(options.maxInputLineMb));
        return kExitInputTooLong;
    case kStopInputEnded:
        std::fprintf(stderr, "tavrin-cli: %s: standard input ended while an input box was reading; the run was stopped\n", options.path.c_str());
        return kExitInputEnded;
    default:
        break;
    }
    return outcome == RunOutcome::Error ? kExitEvalError : kExitOk;
}
