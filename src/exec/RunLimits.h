#pragma once
// A bound on the work of one run, so that a grader (or a fuzzer) can stop a
// chart that would loop forever. Every box executed and every loop pass is
// one step; past the limit the run flag is cleared and the run ends as it
// does on Ctrl+C. Runs happen one at a time, so the counter is plain state.

#include <cstdint>

// 0 means no limit (the default, and what the desktop program uses).
void SetRunStepLimit(std::uint64_t maxSteps);
// Called by the run driver when a run starts.
void ResetRunSteps();
// True when the last run was stopped by the step limit.
bool RunStepLimitReached();

namespace run_limits_detail {
extern std::uint64_t g_stepLimit;
extern std::uint64_t g_steps;
void StopAtLimit();
} // namespace run_limits_detail

// One step of the running chart.
inline void CountRunStep()
{
    using namespace run_limits_detail;
    if (g_stepLimit != 0 && ++g_steps > g_stepLimit)
        StopAtLimit();
}
