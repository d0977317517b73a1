#pragma once
// The expression interpreter of one run: variables and the pending results
// of the last evaluation. Texts are code page 932 bytes. Errors are thrown as
// CEvalError.
//
// Each distinct text is compiled once (CCompiledText) and kept for the run;
// evaluating it again walks its tree with names already resolved to slots.
// Texts outside the compiled subset go to the reference evaluator
// (CReferenceInterpreter), which shares the variables; every observable
// effect is the same either way.

#include "interp/CCompiledText.h"
#include "interp/CReferenceInterpreter.h"
#include "interp/CVariableTable.h"
#include "interp/EvalError.h"
#include "interp/Operators.h"

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CConsole;

class CInterpreter {
public:
    static constexpr int kMaxNesting = ::kMaxNesting;
    static constexpr int kMaxSubscripts = ::kMaxSubscripts;

    CInterpreter();
    ~CInterpreter();
    CInterpreter(const CInterpreter&) = delete;
    CInterpreter& operator=(const CInterpreter&) = delete;

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
    // Whether a pending result remains.
    bool HasPending();

    // A text compiled for this interpreter, for a caller that evaluates it
    // many times (a loop's condition and step); valid with this interpreter
    // only.
    std::unique_ptr<CCompiledText> Compile(std::string_view text);
    double Evaluate(const CCompiledText& text);
    double EvaluateReport(const CCompiledText& text, CConsole& console);
    // EvaluateReport (with a console) or Evaluate (without) for a caller
    // that keeps its compiled texts and evaluates them pass after pass (the
    // chart program); a text of one expression takes the shortest way.
    double EvaluateKept(const CCompiledText& text, CConsole* report)
    {
        if (!text.IsSingle()) [[unlikely]]
            return report ? EvaluateReport(text, *report) : Evaluate(text);
        DropPending();
        return EvaluateNode(*text.Single(), text, report);
    }
    // EvaluateKept for a test: whether the value is true (not 0).
    bool TestKept(const CCompiledText& text, CConsole* report)
    {
        if (!text.IsSingle()) [[unlikely]]
            return IsTrue(report ? EvaluateReport(text, *report) : Evaluate(text));
        DropPending();
        return TestNode(*text.Single(), text, report);
    }

    // EvaluateKept for a caller that evaluates one text of one expression
    // pass after pass with nothing else in between: the pending results are
    // dropped once, before the first pass, as each EvaluateKept would.
    void DropPending()
    {
        m_referencePending = false;
        m_results.clear();
        m_next = 0;
    }
    // EvaluateKept and TestKept with the text's expression at hand (`node`,
    // its Single()), the pending results already dropped.
    double EvaluateNode(const CCompiledNode& node, const CCompiledText& text, CConsole* report)
    {
        try {
            return node.Eval(m_variables);
        } catch (const CEvalError& error) {
            ReportKept(error, text, report);
        }
    }
    bool TestNode(const CCompiledNode& node, const CCompiledText& text, CConsole* report)
    {
        try {
            return node.Test(m_variables);
        } catch (const CEvalError& error) {
            ReportKept(error, text, report);
        }
    }

    CVariableTable& Variables() { return m_variables; }

private:
    // EvaluateKept's error: the message reported, the text thrown.
    [[noreturn]] static void ReportKept(const CEvalError& error, const CCompiledText& text, CConsole* report);
    // The compiled form of `text`, made on first use.
    const CCompiledText& Cached(std::string_view text);
    // Runs a compiled text, leaving its results pending; the interpreter's
    // message is thrown on an error.
    double RunFirst(const CCompiledText& text);
    void RunAll(const CCompiledText& text);
    // Whether `text` is left to the reference evaluator, which then holds
    // the pending results.
    bool LeftToReference(const CCompiledText& text);

    CVariableTable m_variables;
    CReferenceInterpreter m_reference { m_variables };
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view> {}(s); }
    };
    std::unordered_map<std::string, std::unique_ptr<CCompiledText>, Hash, std::equal_to<>> m_cache;
    // A box evaluates the same string object pass after pass: a small table
    // keyed by the text's address finds it again without hashing it. The
    // bytes are still compared, so a string changed in place is no risk.
    struct CRecent {
        const char* data { nullptr };
        const CCompiledText* compiled { nullptr };
    };
    static constexpr std::size_t kRecentSlots = 64;
    std::array<CRecent, kRecentSlots> m_recent {};
    // Pending results of a compiled evaluation; the reference evaluator keeps
    // its own when it made the last evaluation.
    std::vector<CResult> m_results;
    std::size_t m_next { 0 };
    bool m_referencePending { false };
};
