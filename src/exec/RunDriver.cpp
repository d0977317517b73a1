#include "exec/RunDriver.h"

#include "base/CConsole.h"
#include "exec/CRunContext.h"

RunOutcome RunChart(CRootSequence& root, CConsole& console)
{
    RunOutcome outcome = RunOutcome::Completed;
    {
        // Every run starts with no variables; they go with the context's
        // interpreter before the console is released.
        CRunContext run(root, console, g_running);
        outcome = run.Run();
    }
    console.Finish();
    return outcome;
}
