#pragma once
// Runs a chart once on a console: a fresh interpreter, the run flag set, the
// root executed (evaluation errors reported there), then the console's
// Finish. The desktop program and tavrin-cli share it.

class CConsole;
class CRootSequence;

enum class RunOutcome {
    Completed,   // the last box was executed
    Error,       // an evaluation error ended it (reported on the console)
    Interrupted, // the run flag was cleared (Ctrl+C, closed console, limits)
};

RunOutcome RunChart(CRootSequence& root, CConsole& console);
