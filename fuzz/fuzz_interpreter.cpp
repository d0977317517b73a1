// Texts through the interpreter's entry points on one interpreter (so that
// variables carry over from line to line as they do between boxes), on an
// in-memory console with scripted input. Each input line is one text; its
// first character picks the entry point: '>' an output list, '<' an input
// list, anything else an expression. Evaluation errors are expected; any
// other exception, crash or sanitizer report is a finding.
#include "interp/CInterpreter.h"
#include "exec/CMemoryConsole.h"
#include "interp/EvalError.h"
#include "FuzzSupport.h"

#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CInterpreter interp;
    CMemoryConsole console(ScriptedInput());
    for (const std::string& line : SplitLines(text)) {
        try {
            if (!line.empty() && line[0] == '>') {
                interp.ExecuteOutput(std::string_view(line).substr(1), console);
            } else if (!line.empty() && line[0] == '<') {
                interp.ExecuteInput(std::string_view(line).substr(1), console);
            } else {
                interp.Evaluate(line);
                while (interp.HasPending())
                    interp.NextValue();
            }
        } catch (const CEvalError&) {
        }
        // Keep the collected output small across many lines.
        console.ClearOutput();
    }
    return 0;
}
