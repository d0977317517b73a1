#pragma once
// Helpers for the interpreter tests: message bytes and running one text.

#include "interp/CInterpreter.h"
#include "exec/CMemoryConsole.h"
#include "interp/EvalError.h"
#include "base/Texts.h"

#include <optional>
#include <string>
#include <string_view>

inline std::string Msg(std::string_view utf8) { return texts::Cp932Text(utf8); }

// The outcome of one EvaluateReport: the value, or the reported message.
struct EvalOutcome {
    std::optional<double> value;
    std::string message; // the line the console got, without its line end
    std::string thrown;  // the text thrown after the report
};

inline EvalOutcome EvaluateText(CInterpreter& interp, std::string_view text)
{
    CMemoryConsole console;
    EvalOutcome outcome;
    try {
        outcome.value = interp.EvaluateReport(text, console);
    } catch (const CEvalError& error) {
        outcome.thrown = error.Text();
        outcome.message = console.Output();
        if (!outcome.message.empty() && outcome.message.back() == '\n')
            outcome.message.pop_back();
    }
    return outcome;
}

// The bytes an output list prints, or the message of its error.
inline std::string OutputOf(CInterpreter& interp, std::string_view text)
{
    CMemoryConsole console;
    try {
        interp.ExecuteOutput(text, console);
    } catch (const CEvalError&) {
    }
    return console.Output();
}
