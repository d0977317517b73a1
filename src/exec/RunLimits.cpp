#include "RunLimits.h"

#include "CConsole.h"

namespace run_limits_detail {
std::uint64_t g_stepLimit = 0;
std::uint64_t g_steps = 0;
namespace {
bool s_reached = false;
}

void StopAtLimit()
{
    s_reached = true;
    g_running = 0;
}
} // namespace run_limits_detail

void SetRunStepLimit(std::uint64_t maxSteps)
{
    run_limits_detail::g_stepLimit = maxSteps;
}

void ResetRunSteps()
{
    run_limits_detail::g_steps = 0;
    run_limits_detail::s_reached = false;
}

bool RunStepLimitReached()
{
    return run_limits_detail::s_reached;
}
