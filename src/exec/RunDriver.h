#pragma once
// Runs a chart once on a console: a fresh interpreter, the run flag set, the
// root executed (evaluation errors reported there), then the console's
// Finish. The run's flag is the program's foreground g_running, which the
// desktop console window clears; a caller that wants a run of its own (a
// flag, a step limit, an observer) makes a CRunContext. Running out of memory
// (the run's budget or the machine's) ends the run like an error: its
// variables are freed first, then the console shows MemoryLimitMessage()
// through ReportRunStop. The desktop program and tavrin-cli share it.

#include <string>

class CConsole;
class CRootSequence;

enum class RunOutcome {
    Completed,   // the last box was executed
    Error,       // an evaluation error ended it (reported on the console)
    Interrupted, // the run flag was cleared (Ctrl+C, closed console, limits)
    MemoryLimit, // the chart needed more memory than the run may use
};

// The console line of a run stopped by its memory limit.
std::string MemoryLimitMessage();

RunOutcome RunChart(CRootSequence& root, CConsole& console);
