#include "exec/RunDriver.h"

#include "base/CConsole.h"
#include "exec/CRunContext.h"
#include "interp/RunMemory.h"

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
    {
        // Every run starts with no variables; they go with the context's
        // interpreter before the console is released.
        CRunContext run(root, console, g_running);
        outcome = run.Run();
    }
    if (outcome == RunOutcome::MemoryLimit)
        console.ReportRunStop(MemoryLimitMessage());
    console.Finish();
    return outcome;
}
