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
class CProcessBox;
class CRootSequence;
class CStepController;

enum class RunOutcome {
    Completed,   // the last box was executed
    Error,       // an evaluation error ended it (reported on the console)
    Interrupted, // the run flag was cleared (Ctrl+C, closed console, limits)
    MemoryLimit, // the chart needed more memory than the run may use
};

// The console line of a run stopped by its memory limit.
std::string MemoryLimitMessage();

RunOutcome RunChart(CRootSequence& root, CConsole& console);

// How a run ended on an error: the innermost box responsible and the text its
// error line quoted (code page 932). No box when there was no error line.
struct RunFailure {
    const CProcessBox* box { nullptr };
    std::string text;
};

// The same run, watched by `controller` when one is given (attached on this
// thread for the run, detached before the exit prompt, so that a watcher
// hears of the end while the console still shows the output), and with the
// failure told to `failure` when one is given. Without a controller the run
// writes the very bytes that the run above writes.
RunOutcome RunChart(CRootSequence& root, CConsole& console, CStepController* controller, RunFailure* failure);
