#pragma once
// The expression interpreter of one run: pending results and variables.
// Texts are code page 932 bytes. Errors are thrown as CEvalError.

#include "CTokenList.h"
#include "CVariableTable.h"

#include <string>
#include <string_view>

class CConsole;

class CInterpreter {
public:
    CInterpreter();
    ~CInterpreter();

    // Value of the first result; later results stay pending. On an error
    // throws the evaluated text, the message dropped.
    double Evaluate(std::string_view text);
    // As Evaluate, but an error's message is written on the console (with a
    // line end) before the evaluated text is thrown.
    double EvaluateReport(std::string_view text, CConsole& console);
    // Carries out an output list (no line end is written).
    void ExecuteOutput(std::string_view text, CConsole& console);
    // Carries out an input list; errors propagate with their own message.
    void ExecuteInput(std::string_view text, CConsole& console);
    // The next pending result's value, 0.0 when none.
    double NextValue();
    // Pops one token: false at the end of the results.
    bool HasPending();

    CVariableTable& Variables() { return m_variables; }

    // Everything below is the grammar, one level per function, each reading
    // from and leaving its result at the front of the pending list.
    void ParseList();
    void ParseAssignment();
    void ParseLogicalOr();
    void ParseLogicalAnd();
    void ParseBitOr();
    void ParseBitXor();
    void ParseBitAnd();
    void ParseEquality();
    void ParseRelational();
    void ParseShift();
    void ParseAdditive();
    void ParseMultiplicative();
    void ParseUnary();
    void ParsePrimary();
    void ParseCall(const CToken& function);

private:
    CTokenList m_pending;
    CVariableTable m_variables;
    int m_depth { 0 }; // nesting guard
};
