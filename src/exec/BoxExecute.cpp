// Running a chart: what each box kind does with its text, and how loops,
// break, continue, Ctrl+C and evaluation errors travel through the tree.
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "base/CConsole.h"
#include "model/CInputBox.h"
#include "interp/CInterpreter.h"
#include "model/COutputBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "exec/CChartProgram.h"
#include "exec/CRunContext.h"
#include "exec/ChartExecution.h"
#include "interp/EvalError.h"
#include "base/Texts.h"

#include <array>
#include <charconv>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kContinueText = "continue";
constexpr std::string_view kBreakText = "break";

enum class BodyEnd { Normal, Break };

// Runs a loop body; a "break" below it ends the loop, a "continue" (or any
// other code) ends only this pass. Evaluation errors pass on to the root.
BodyEnd ExecuteBody(CBoxSequence& body, CRunContext& run)
{
    try {
        body.Execute(run);
    } catch (const CLoopControl& control) {
        run.ClearFailedBox();
        if (control.Code() == kBreakCode)
            return BodyEnd::Break;
    }
    return BodyEnd::Normal;
}

void WriteErrorLine(CConsole& console, std::string_view text)
{
    // The prefix is ASCII: the same bytes in UTF-8 and in code page 932.
    std::string line(texts::kErrorLinePrefix);
    line += text;
    line += '"';
    console.Write(line);
    console.NewLine();
}

} // namespace

// The "%f" rendering (six decimals) without the process locale, for any
// magnitude: the largest double needs 309 digits before the point.
std::string SixDecimals(double value)
{
    std::array<char, 400> buffer {};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    if (ec != std::errc {})
        return "0.000000"; // cannot happen with this buffer size
    return std::string(buffer.data(), end);
}

// The loop variable of a counting header is the text of its first token.
std::string LoopVariableOf(std::string_view header)
{
    CTokenList tokens;
    tokens.Tokenize(header);
    CToken first;
    tokens.PopFront(first);
    return first.text;
}

// A simple box, and the behaviour every kind without its own falls back on.
void CProcessBox::Execute(CRunContext& run)
{
    CConsole& console = run.Console();
    CInterpreter& interp = run.Interp();
    RefreshText();
    // Whole-text comparisons, made even after Ctrl+C so that a loop still
    // leaves the way its body says.
    if (m_text == kContinueText)
        throw CLoopControl(kContinueCode);
    if (m_text == kBreakText)
        throw CLoopControl(kBreakCode);
    if (run.Running())
        interp.EvaluateReport(m_text, console);
}

void CBranchBox::Execute(CRunContext& run)
{
    CConsole& console = run.Console();
    CInterpreter& interp = run.Interp();
    RefreshText();
    if (IsTrue(interp.EvaluateReport(m_text, console)))
        m_thenSeq.Execute(run);
    else
        m_elseSeq.Execute(run);
}

// A header "var = start, limit[, step]" leaves the limit (and the step)
// pending and makes the loop a counting one; anything else is a condition.
// The counting condition and step live only for this call: the user's header
// stays in m_text, so a box without an editor starts afresh next time.
void CPreTestLoopBox::Execute(CRunContext& run)
{
    CConsole& console = run.Console();
    CInterpreter& interp = run.Interp();
    RefreshText();
    double value = interp.EvaluateReport(m_text, console);
    const bool counting = interp.HasPending();
    std::string condition = m_text;
    std::string step;
    std::unique_ptr<CCompiledText> conditionCode;
    std::unique_ptr<CCompiledText> stepCode;
    if (counting) {
        const double limit = interp.NextValue();
        const std::string variable = LoopVariableOf(m_text);
        // Counting down when the start lies above the limit; the default step
        // is still an increment, as it always was.
        condition = variable + (value > limit ? " >= " : " <= ") + SixDecimals(limit);
        if (interp.HasPending())
            step = variable + " += " + SixDecimals(interp.NextValue());
        else
            step = variable + " ++";
        // Compiled once for the life of the loop; the texts stay the ones
        // that an error reports.
        stepCode = interp.Compile(step);
        conditionCode = interp.Compile(condition);
        value = interp.Evaluate(*conditionCode);
    } else {
        conditionCode = interp.Compile(condition);
    }
    while (IsTrue(value)) {
        run.Step(*this, RunStep::LoopPass);
        if (ExecuteBody(m_bodySeq, run) == BodyEnd::Break)
            break;
        if (counting)
            interp.Evaluate(*stepCode);
        value = interp.Evaluate(*conditionCode);
        if (!run.Running())
            break;
    }
}

// The header is evaluated once before the first pass. A non-zero second item
// makes the loop count upward by one to it; a third item is ignored.
void CPostTestLoopBox::Execute(CRunContext& run)
{
    CConsole& console = run.Console();
    CInterpreter& interp = run.Interp();
    RefreshText();
    interp.Evaluate(m_text);
    const double limit = interp.NextValue();
    const bool counting = IsTrue(limit);
    std::string condition = m_text;
    std::string step;
    if (counting) {
        const std::string variable = LoopVariableOf(m_text);
        condition = variable + " <= " + SixDecimals(limit);
        step = variable + " ++";
    }
    const std::unique_ptr<CCompiledText> conditionCode = interp.Compile(condition);
    const std::unique_ptr<CCompiledText> stepCode = counting ? interp.Compile(step) : nullptr;
    for (;;) {
        run.Step(*this, RunStep::LoopPass);
        if (ExecuteBody(m_bodySeq, run) == BodyEnd::Break)
            break;
        if (counting)
            interp.Evaluate(*stepCode);
        const double value = interp.EvaluateReport(*conditionCode, console);
        if (!run.Running() || !IsTrue(value))
            break;
    }
}

void COutputBox::Execute(CRunContext& run)
{
    RefreshText();
    if (!run.Running())
        return;
    run.Interp().ExecuteOutput(m_text, run.Console());
    run.Console().NewLine();
}

void CInputBox::Execute(CRunContext& run)
{
    RefreshText();
    if (run.Running())
        run.Interp().ExecuteInput(m_text, run.Console());
}

namespace {

// The sequence with an observer attached: it also hears when each box is
// done, however the box ends.
void ExecuteObserved(CBoxSequence& sequence, CRunContext& run)
{
    for (auto& box : sequence.m_boxes) {
        if (!run.Step(*box, RunStep::BeforeBox)) {
            run.BoxDone(*box);
            return;
        }
        try {
            box->Execute(run);
        } catch (...) {
            run.SetFailedBox(*box);
            run.BoxDone(*box);
            throw;
        }
        run.BoxDone(*box);
        if (!run.Running())
            return;
    }
}

} // namespace

// Each box in order; after Ctrl+C the sequence stops after the box it is on,
// or before it when the run was stopped at the hook (a stop while paused,
// the step limit). Errors and loop codes pass through to the enclosing loop
// or the root. A run without an observer takes the shorter walk: it is the
// one whose speed matters.
void CBoxSequence::Execute(CRunContext& run)
{
    if (run.Observer()) [[unlikely]] {
        ExecuteObserved(*this, run);
        return;
    }
    for (auto& box : m_boxes) {
        if (!run.Step(*box, RunStep::BeforeBox)) [[unlikely]]
            return;
        try {
            box->Execute(run);
        } catch (...) {
            // The innermost box an error or a loop code leaves; the loop
            // that takes a code back forgets it.
            run.SetFailedBox(*box);
            throw;
        }
        if (!run.Running())
            return;
    }
}

void CRootSequence::Execute(CRunContext& run)
{
    ExecuteChart(*this, run);
}

void CRootSequence::Execute(CConsole& console, CInterpreter& interp)
{
    CRunContext run(console, interp, g_running);
    ExecuteChart(*this, run);
}

ChartEnd ExecuteChart(CRootSequence& root, CRunContext& run)
{
    run.ClearFailedBox();
    run.SetErrorText({});
    try {
        // Stepping and traces hear of every box: they walk the tree.
        if (!run.Observer() && !run.TreeWalk() && CChartProgram::Suits(root))
            CChartProgram(root).Run(run);
        else
            root.CBoxSequence::Execute(run);
        return ChartEnd::Finished;
    } catch (const CEvalError& error) {
        run.SetErrorText(error.Text());
    } catch (const CLoopControl& control) {
        // A "break" or "continue" outside every loop has nowhere to go: the
        // run ends as on an error, naming the box text.
        run.SetErrorText(control.Code() == kBreakCode ? kBreakText : kContinueText);
    }
    WriteErrorLine(run.Console(), run.ErrorText());
    return ChartEnd::ErrorLine;
}
