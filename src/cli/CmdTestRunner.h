#pragma once
// Runs charts in child processes, a few at a time, each bounded in time,
// steps, memory and output, so that a chart that crashes, loops, floods its
// output or exhausts memory harms neither the grader nor the other runs.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CRootSequence;

namespace grade {

struct RunBounds {
    double timeoutSeconds { 5 };
    std::uint64_t maxSteps { 10'000'000 };
    std::uint64_t memoryMegabytes { 256 };
    std::size_t maxOutputBytes { 1024 * 1024 };
};

// One run: a chart (loaded in this process; the child gets its copy) and
// the bytes of its standard input.
struct RunJob {
    CRootSequence* root { nullptr };
    const std::string* input { nullptr };
};

enum class RunEnd {
    Completed,   // the last box ran
    Error,       // an evaluation error (its line is in the output)
    Timeout,
    StepLimit,
    MemoryLimit,
    InputEnded,  // an input box found standard input at its end
    OutputLimit, // the output passed the limit; the run was stopped
    Crashed,     // the child ended otherwise (a signal, a lost status)
};

struct RunResult {
    RunEnd end { RunEnd::Completed };
    std::string output; // UTF-8, as tavrin-cli run writes it; at most the limit
    double seconds { 0 };
    std::uint64_t steps { 0 };
    std::string boxPath; // the failing box, for errors
    int outlineLine { 0 };
    int signal { 0 };    // for Crashed
};

// Runs every job on `workers` child processes at once; `done` is called in
// this process, one job at a time, as runs end (in any order).
void RunJobs(const std::vector<RunJob>& jobs, const RunBounds& bounds, int workers,
    const std::function<void(std::size_t job, RunResult&& result)>& done);

} // namespace grade
