#pragma once
// The straightforward expression interpreter: it re-reads a box text at
// every evaluation. CInterpreter runs compiled texts and falls back on this
// one for the texts it does not compile; the two must agree in every
// observable effect, which the differential tests check.
// Texts are code page 932 bytes. Errors are thrown as CEvalError.
//
// It computes while it parses. The pending list is at once the input (the
// tokens still to read), the operand stack (each grammar level leaves its
// result at the front) and the output (the results of a comma list stay there
// for the caller). A token that no rule accepts is passed up as if it were a
// result; only a binary operator objects to one as its right operand.

#include "interp/CTokenList.h"
#include "interp/CVariableTable.h"
#include "interp/Limits.h"

#include <string>
#include <string_view>

class CConsole;

class CReferenceInterpreter {
public:
    static constexpr int kMaxNesting = ::kMaxNesting;
    static constexpr int kMaxSubscripts = ::kMaxSubscripts;

    // With a variable table of its own, or sharing the caller's.
    CReferenceInterpreter();
    explicit CReferenceInterpreter(CVariableTable& variables);
    ~CReferenceInterpreter();
    CReferenceInterpreter(const CReferenceInterpreter&) = delete;
    CReferenceInterpreter& operator=(const CReferenceInterpreter&) = delete;

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
    CToken Pop();
    void Push(const CToken& token) { m_pending.PushFront(token); }
    void Push(CToken&& token) { m_pending.PushFront(std::move(token)); }
    // Tokenises `text` and parses it as a comma list.
    void Run(std::string_view text);

    // One left-associative binary level: operands from `next`, operators
    // those of kBinaryLevels[level].
    void ParseBinary(void (CReferenceInterpreter::*next)(), int level);
    // Operator steps: pop L and R, push the combined result.
    void ApplyOperator(int kind);
    void AssignTop();
    void Increment();
    void Decrement();
    // After a name followed by "[": the element, its assignment or an
    // initialiser list.
    void ParseElement(const CToken& name);
    // Pops the arguments of a built-in function and pushes its result.
    void CallFunction(int kind);
    // The literal of an output list with each conversion filled by the next
    // pending result.
    std::string FillConversions(const std::string& literal);

    CTokenList m_pending;
    CVariableTable m_ownVariables; // unused when sharing
    CVariableTable& m_variables;
    int m_depth { 0 }; // nesting guard
};
