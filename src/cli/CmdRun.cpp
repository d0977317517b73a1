// tavrin-cli run: runs a chart in the terminal, as the Run command does in
// its console window.
#include "cli/Commands.h"

#include "model/CArchive.h"
#include "model/CTavrinDoc.h"
#include "exec/CTerminalConsole.h"
#include "model/FileIO.h"
#include "exec/CRunContext.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace {

constexpr const char* kRunUsage =
    "usage: tavrin-cli run FILE.pad [--pause] [--raw] [--timeout SECONDS] [--max-steps N]\n"
    "\n"
    "Runs the chart with its input from standard input and its output on\n"
    "standard output (converted from code page 932 to UTF-8).\n"
    "\n"
    "  --pause            end with \"press ENTER key to exit\" and wait for Enter\n"
    "  --raw              write the output bytes unconverted (code page 932)\n"
    "  --timeout SECONDS  stop the run after this many seconds\n"
    "  --max-steps N      stop the run after N steps (boxes executed and loop passes)\n"
    "\n"
    "exit status: 0 run ended normally, 1 evaluation error, 2 usage error or\n"
    "unreadable file, 3 standard input ended during an input box, 124 time\n"
    "limit reached, 125 step limit reached, 130 interrupted by Ctrl+C\n";

constexpr int kExitOk = 0;
constexpr int kExitEvalError = 1;
constexpr int kExitInputEnded = 3;
constexpr int kExitTimeout = 124;
constexpr int kExitStepLimit = 125;
constexpr int kExitInterrupted = 130;

// The run under way, for the signal handler, the timer and the console,
// which stop it.
std::atomic<CRunContext*> s_run { nullptr };
static_assert(std::atomic<CRunContext*>::is_always_lock_free, "the run is stopped from a signal handler");

void StopRun(RunStop cause)
{
    if (CRunContext* run = s_run.load())
        run->Stop(cause);
}

// Ctrl+C stops the run the way the console's Ctrl+C does; the handler is
// reset to the default, so a second Ctrl+C ends the program at once.
extern "C" void OnInterrupt(int)
{
    StopRun(RunStop::Interrupt);
}

void InstallInterruptHandler()
{
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_RESETHAND;
    sigaction(SIGINT, &action, nullptr);
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
                StopRun(RunStop::TimeLimit);
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

protected:
    // The input box still gets its empty line; the run stops after it.
    bool Input(std::string& line) override
    {
        const bool read = CTerminalConsole::Input(line);
        if (!read && InputEnded())
            StopRun(RunStop::InputEnded);
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

    RunStop stopped;
    RunOutcome outcome;
    {
        CCliConsole console(options.raw ? TerminalEncoding::Raw : TerminalEncoding::Utf8,
            options.pause ? ExitPause::WaitForEnter : ExitPause::None);
        CRunContext run(doc.m_root, console);
        run.SetStepLimit(options.maxSteps);
        // Known to the handler and the timer before either can fire.
        s_run = &run;
        InstallInterruptHandler();
        {
            CRunTimer timer(options.timeout);
            console.SetTimer(&timer);
            outcome = run.Run();
            console.Finish();
            console.SetTimer(nullptr);
        }
        std::signal(SIGINT, SIG_DFL);
        s_run = nullptr;
        stopped = run.StopCause();
    }

    switch (stopped) {
    case RunStop::StepLimit:
        std::fprintf(stderr, "tavrin-cli: %s: stopped after the step limit of %llu steps\n", options.path.c_str(),
            static_cast<unsigned long long>(options.maxSteps));
        return kExitStepLimit;
    case RunStop::Interrupt:
        return kExitInterrupted;
    case RunStop::TimeLimit:
        std::fprintf(stderr, "tavrin-cli: %s: stopped after the time limit of %s seconds\n", options.path.c_str(), options.timeoutText.c_str());
        return kExitTimeout;
    case RunStop::InputEnded:
        std::fprintf(stderr, "tavrin-cli: %s: standard input ended while an input box was reading; the run was stopped\n", options.path.c_str());
        return kExitInputEnded;
    case RunStop::None:
        break;
    }
    return outcome == RunOutcome::Error ? kExitEvalError : kExitOk;
}
