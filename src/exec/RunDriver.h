#pragma once
// Runs a chart once on a console: a fresh interpreter, the run flag set, the
// root executed (evaluation errors reported there), then the console's
// Finish. The run's flag is the program's foreground g_running, which the
// desktop console window clears; a caller that wants a run of its own (a
// flag, a step limit, an observer) makes a CRunContext.

class CConsole;
class CRootSequence;

enum class RunOutcome {
    Completed,   // the last box was executed
    Error,       // an evaluation error ended it (reported on the console)
    Interrupted, // the run flag was cleared (Ctrl+C, closed console, limits)
};

RunOutcome RunChart(CRootSequence& root, CConsole& console);
