#include "cli/CmdTestRunner.h"

#include "model/BoxPath.h"
#include "model/CBoxSequence.h"
#include "base/CConsole.h"
#include "interp/CRandom.h"
#include "exec/CTerminalConsole.h"
#include "exec/CRunContext.h"
#include "exec/RunDriver.h"
#include "interp/RunMemory.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <new>
#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace grade {

namespace {

using Clock = std::chrono::steady_clock;

// A child that outlives its own timer by this much is killed.
constexpr double kKillGraceSeconds = 1.0;

// How a child tells the grader how its run ended: one line on the status
// pipe, "END STEPS LINE PATH".
enum ChildEnd : int {
    kChildCompleted = 0,
    kChildError,
    kChildTimeout,
    kChildSteps,
    kChildMemory,
    kChildInput,
};

std::atomic<int> s_childStop { -1 };

extern "C" void OnChildAlarm(int)
{
    int expected = -1;
    s_childStop.compare_exchange_strong(expected, kChildTimeout);
    g_running = 0;
}

// The console of a graded run: as tavrin-cli run's, an input box that finds
// the input at its end stops the run.
class CGradeConsole : public CTerminalConsole {
public:
    CGradeConsole(int inputFd, int outputFd)
        : CTerminalConsole(TerminalEncoding::Utf8, ExitPause::None, inputFd, outputFd)
    {
    }

protected:
    bool Input(std::string& line) override
    {
        const bool read = CTerminalConsole::Input(line);
        if (!read && InputEnded()) {
            int expected = -1;
            s_childStop.compare_exchange_strong(expected, kChildInput);
            g_running = 0;
        }
        return read;
    }
};

void WriteFully(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The bytes of the input, readable from the start, in a file of its own.
int InputFile(const std::string& input)
{
    int fd = memfd_create("case-input", 0);
    if (fd < 0) {
        char name[] = "/tmp/tavrin-case-XXXXXX";
        fd = mkstemp(name);
        if (fd < 0)
            return -1;
        unlink(name);
    }
    WriteFully(fd, input);
    lseek(fd, 0, SEEK_SET);
    return fd;
}

std::uint64_t AddressSpaceBytes()
{
    std::FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    unsigned long long pages = 0;
    if (std::fscanf(statm, "%llu", &pages) != 1)
        pages = 0;
    std::fclose(statm);
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

void SetLimit(int resource, rlim_t soft, rlim_t hard)
{
    rlimit limit { soft, hard };
    setrlimit(resource, &limit);
}

// The child's side: never returns.
[[noreturn]] void RunChild(const RunJob& job, const RunBounds& bounds, int outFd, int statusFd)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGPIPE, SIG_DFL);
    const int inputFd = InputFile(*job.input);
    // Only the run's own files stay open.
    if (inputFd != 0)
        dup2(inputFd >= 0 ? inputFd : open("/dev/null", O_RDONLY), 0);
    dup2(outFd, 1);
    dup2(statusFd, 3);
    close_range(4, ~0U, 0);
    SetLimit(RLIMIT_CORE, 0, 0);
    // The run's own budget (set below) is the limit a chart meets; the address
    // space gets some slack on top of it and of what the program already maps
    // (a sanitizer's shadow memory included), as a backstop for allocations
    // the budget does not see.
    constexpr std::uint64_t kBackstopSlackMegabytes = 64;
    const std::uint64_t budget = AddressSpaceBytes() + (bounds.memoryMegabytes + kBackstopSlackMegabytes) * 1024 * 1024;
    SetLimit(RLIMIT_AS, budget, budget);
    const auto cpu = static_cast<rlim_t>(std::ceil(bounds.timeoutSeconds)) + 1;
    SetLimit(RLIMIT_CPU, cpu, cpu + 1);

    struct sigaction alarm {};
    alarm.sa_handler = OnChildAlarm;
    sigemptyset(&alarm.sa_mask);
    sigaction(SIGALRM, &alarm, nullptr);
    itimerval timer {};
    const double whole = std::floor(bounds.timeoutSeconds);
    timer.it_value.tv_sec = static_cast<time_t>(whole);
    timer.it_value.tv_usec = static_cast<suseconds_t>((bounds.timeoutSeconds - whole) * 1e6);
    if (timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0)
        timer.it_value.tv_usec = 1;
    setitimer(ITIMER_REAL, &timer, nullptr);

    int end = kChildCompleted;
    std::string path = "-";
    int line = 0;
    std::uint64_t steps = 0;
    try {
        CRandom::Seed(CRandom::kInitialSeed);
        // The run's own budget ends a greedy chart with a clean memory-limit
        // result before the address-space limit makes the allocator fail.
        SetRunMemoryLimit(static_cast<std::size_t>(bounds.memoryMegabytes) << 20);
        CGradeConsole console(0, 1);
        // The alarm and the end of input clear the program's run flag, so
        // the run uses that one.
        CRunContext run(*job.root, console, g_running);
        run.SetStepLimit(bounds.maxSteps);
        RunOutcome outcome = RunOutcome::Completed;
        try {
            outcome = run.Run();
        } catch (const std::bad_alloc&) {
            end = kChildMemory;
        }
        console.Finish();
        console.Flush();
        // The step past the limit is the one that was not made.
        steps = bounds.maxSteps == 0 ? run.Steps() : std::min<std::uint64_t>(run.Steps(), bounds.maxSteps);
        if (end != kChildMemory) {
            if (s_childStop.load() >= 0)
                end = s_childStop.load();
            else if (run.StopCause() == RunStop::StepLimit)
                end = kChildSteps;
            else if (outcome == RunOutcome::MemoryLimit)
                end = kChildMemory;
            else if (outcome == RunOutcome::Error)
                end = kChildError;
        }
        if (end == kChildError) {
            if (const CProcessBox* failed = run.FailedBox()) {
                if (auto where = LocateBox(*job.root, *failed)) {
                    path = where->path;
                    line = where->outlineLine;
                }
            }
        }
    } catch (const std::bad_alloc&) {
        end = kChildMemory;
    }
    char status[64];
    std::snprintf(status, sizeof status, "%d %llu %d ", end, static_cast<unsigned long long>(steps), line);
    WriteFully(3, std::string(status) + path + "\n");
    _exit(0);
}

struct Active {
    std::size_t job { 0 };
    pid_t pid { -1 };
    int outFd { -1 };
    int statusFd { -1 };
    std::string output;
    std::string status;
    Clock::time_point start;
    Clock::time_point deadline;
    bool timedOut { false };
    bool flooded { false };
};

void CloseFd(int& fd)
{
    if (fd >= 0)
        close(fd);
    fd = -1;
}

bool Start(const RunJob& job, std::size_t index, const RunBounds& bounds, Active& run)
{
    int out[2], status[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return false;
    if (pipe2(status, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        close(out[0]), close(out[1]), close(status[0]), close(status[1]);
        return false;
    }
    if (pid == 0)
        RunChild(job, bounds, out[1], status[1]);
    close(out[1]);
    close(status[1]);
    run = Active {};
    run.job = index;
    run.pid = pid;
    run.outFd = out[0];
    run.statusFd = status[0];
    run.start = Clock::now();
    run.deadline = run.start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(bounds.timeoutSeconds + kKillGraceSeconds));
    return true;
}

RunResult Finish(Active& run, const RunBounds& bounds)
{
    CloseFd(run.outFd);
    CloseFd(run.statusFd);
    int wstatus = 0;
    while (waitpid(run.pid, &wstatus, 0) < 0 && errno == EINTR) {
    }
    RunResult result;
    result.seconds = std::chrono::duration<double>(Clock::now() - run.start).count();
    result.output = std::move(run.output);
    if (result.output.size() > bounds.maxOutputBytes)
        result.output.resize(bounds.maxOutputBytes);
    if (run.flooded) {
        result.end = RunEnd::OutputLimit;
        return result;
    }
    if (run.timedOut) {
        result.end = RunEnd::Timeout;
        return result;
    }
    int end = -1;
    unsigned long long steps = 0;
    int line = 0;
    char path[4096] = "";
    const bool haveStatus = std::sscanf(run.status.c_str(), "%d %llu %d %4095s", &end, &steps, &line, path) == 4;
    if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
        result.end = result.signal == SIGXCPU ? RunEnd::Timeout : RunEnd::Crashed;
        return result;
    }
    if (!haveStatus) {
        result.end = RunEnd::Crashed;
        return result;
    }
    result.steps = steps;
    switch (end) {
    case kChildCompleted: result.end = RunEnd::Completed; break;
    case kChildError:
        result.end = RunEnd::Error;
        if (std::strcmp(path, "-") != 0) {
            result.boxPath = path;
            result.outlineLine = line;
        }
        break;
    case kChildTimeout: result.end = RunEnd::Timeout; break;
    case kChildSteps: result.end = RunEnd::StepLimit; break;
    case kChildMemory: result.end = RunEnd::MemoryLimit; break;
    case kChildInput: result.end = RunEnd::InputEnded; break;
    default: result.end = RunEnd::Crashed; break;
    }
    return result;
}

void Kill(Active& run)
{
    kill(run.pid, SIGKILL);
}

} // namespace

void RunJobs(const std::vector<RunJob>& jobs, const RunBounds& bounds, int workers,
    const std::function<void(std::size_t job, RunResult&& result)>& done)
{
    workers = std::max(1, workers);
    std::vector<Active> active;
    std::size_t next = 0;
    while (next < jobs.size() || !active.empty()) {
        while (next < jobs.size() && static_cast<int>(active.size()) < workers) {
            Active run;
            if (!Start(jobs[next], next, bounds, run)) {
                // No process could be made: wait for one to end, or give up.
                if (active.empty()) {
                    RunResult failed;
                    failed.end = RunEnd::Crashed;
                    done(next++, std::move(failed));
                    continue;
                }
                break;
            }
            active.push_back(std::move(run));
            ++next;
        }
        if (active.empty())
            continue;

        std::vector<pollfd> watch;
        std::vector<std::pair<std::size_t, bool>> owners; // active index, is output
        auto now = Clock::now();
        auto nearest = active.front().deadline;
        for (std::size_t i = 0; i < active.size(); ++i) {
            nearest = std::min(nearest, active[i].deadline);
            if (active[i].outFd >= 0) {
                watch.push_back({ active[i].outFd, POLLIN, 0 });
                owners.emplace_back(i, true);
            }
            if (active[i].statusFd >= 0) {
                watch.push_back({ active[i].statusFd, POLLIN, 0 });
                owners.emplace_back(i, false);
            }
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(nearest - now).count() + 1;
        const int ready = poll(watch.data(), watch.size(), static_cast<int>(std::clamp<long long>(wait, 0, 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        char buffer[65536];
        for (std::size_t w = 0; ready > 0 && w < watch.size(); ++w) {
            if (!(watch[w].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            Active& run = active[owners[w].first];
            int& fd = owners[w].second ? run.outFd : run.statusFd;
            const ssize_t got = read(fd, buffer, sizeof buffer);
            if (got > 0) {
                std::string& into = owners[w].second ? run.output : run.status;
                into.append(buffer, static_cast<std::size_t>(got));
                if (owners[w].second && run.output.size() > bounds.maxOutputBytes && !run.flooded) {
                    run.flooded = true;
                    Kill(run);
                }
                if (!owners[w].second && run.status.size() > 8192)
                    CloseFd(fd);
            } else if (got == 0 || errno != EINTR) {
                CloseFd(fd);
            }
        }
        now = Clock::now();
        for (std::size_t i = 0; i < active.size();) {
            Active& run = active[i];
            if (!run.timedOut && !run.flooded && now >= run.deadline) {
                run.timedOut = true;
                Kill(run);
            }
            if (run.outFd < 0 && run.statusFd < 0) {
                const std::size_t job = run.job;
                RunResult result = Finish(run, bounds);
                active.erase(active.begin() + static_cast<std::ptrdiff_t>(i));
                done(job, std::move(result));
                continue;
            }
            ++i;
        }
    }
}

} // namespace grade
