#pragma once
// How an evaluation entry point passes an error on: the interpreter's
// message is written on the console (when there is one to report on) with a
// line end, and the evaluated text is thrown in its place, so that the error
// line names the text that failed.

#include "base/CConsole.h"
#include "interp/EvalError.h"

#include <string>
#include <string_view>

template <class Evaluation>
decltype(auto) ThrowingText(std::string_view text, CConsole* report, Evaluation&& evaluation)
{
    try {
        return evaluation();
    } catch (const CEvalError& error) {
        if (report) {
            report->Write(error.Text());
            report->NewLine();
        }
        throw CEvalError(std::string(text));
    }
}
