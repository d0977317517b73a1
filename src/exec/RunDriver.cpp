#include "RunDriver.h"

#include "CBoxSequence.h"
#include "CConsole.h"
#include "CInterpreter.h"
#include "ChartExecution.h"
#include "RunLimits.h"
#include "RunMemory.h"

#include <new>

std::string MemoryLimitMessage()
{
    const std::size_t limit = RunMemoryLimit();
    if (limit == 0)
        return "Out of memory: the run was stopped.";
    return "Out of memory: the run was stopped at its memory limit of " + std::to_string(limit >> 20) + " MB.";
}

RunOutcome RunChart(CRootSequence& root, CConsole& console)
{
    RunOutcome outcome = RunOutcome::Completed;
    try {
        // Every run starts with no variables; they go with the interpreter
        // before the console is released.
        CInterpreter interp;
        ResetRunSteps();
        g_running = 1;
        if (ExecuteChart(root, console, interp) == ChartEnd::ErrorLine)
            outcome = RunOutcome::Error;
        else if (g_running.load() == 0)
            outcome = RunOutcome::Interrupted;
    } catch (const std::bad_alloc&) {
        outcome = RunOutcome::MemoryLimit;
    }
    if (outcome == RunOutcome::MemoryLimit)
        console.ReportRunStop(MemoryLimitMessage());
    console.Finish();
    return outcome;
}
