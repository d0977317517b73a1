#include "RunDriver.h"

#include "CBoxSequence.h"
#include "CConsole.h"
#include "CInterpreter.h"
#include "ChartExecution.h"
#include "RunLimits.h"

RunOutcome RunChart(CRootSequence& root, CConsole& console)
{
    RunOutcome outcome = RunOutcome::Completed;
    {
        // Every run starts with no variables; they go with the interpreter
        // before the console is released.
        CInterpreter interp;
        ResetRunSteps();
        g_running = 1;
        if (ExecuteChart(root, console, interp) == ChartEnd::ErrorLine)
            outcome = RunOutcome::Error;
        else if (g_running.load() == 0)
            outcome = RunOutcome::Interrupted;
    }
    console.Finish();
    return outcome;
}
