#include "exec/RunDriver.h"

#include "base/CConsole.h"
#include "exec/CRunContext.h"
#include "exec/CStepController.h"
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
    return RunChart(root, console, nullptr, nullptr);
}

RunOutcome RunChart(CRootSequence& root, CConsole& console, CStepController* controller, RunFailure* failure)
{
    RunOutcome outcome = RunOutcome::Completed;
    {
        // Every run starts with no variables; they go with the context's
        // interpreter before the console is released.
        CRunContext run(root, console, g_running);
        if (controller)
            controller->Attach(run);
        try {
            outcome = run.Run();
        } catch (...) {
            if (controller)
                controller->Detach();
            throw;
        }
        if (controller)
            controller->Detach();
        if (failure) {
            // A box that ran out of memory wrote no error line.
            failure->box = outcome == RunOutcome::Error ? run.FailedBox() : nullptr;
            failure->text = failure->box ? run.ErrorText() : std::string();
        }
    }
    if (outcome == RunOutcome::MemoryLimit)
        console.ReportRunStop(MemoryLimitMessage());
    console.Finish();
    return outcome;
}
