#include "interp/CInterpreter.h"

#include "base/CConsole.h"
#include "interp/ErrorReport.h"
#include "interp/EvalError.h"
#include "interp/NumberText.h"
#include "interp/OutputConversion.h"
#include "interp/TokenKind.h"

#include <cstdint>
#include <cstring>

namespace {

// A run evaluates its box texts and the conditions and steps its loops make
// from their limits; a chart whose loops start with ever new limits would
// otherwise grow the cache without end.
constexpr std::size_t kCacheLimit = 4096;

} // namespace

// The variable table starts empty and frees itself with the interpreter.
CInterpreter::CInterpreter() = default;

CInterpreter::~CInterpreter() = default;

const CCompiledText& CInterpreter::Cached(std::string_view text)
{
    CRecent& recent = m_recent[(reinterpret_cast<std::uintptr_t>(text.data()) >> 3) % kRecentSlots];
    if (recent.compiled && recent.data == text.data() && recent.compiled->Text().size() == text.size()
        && std::memcmp(recent.compiled->Text().data(), text.data(), text.size()) == 0)
        return *recent.compiled;
    const CCompiledText* compiled = nullptr;
    if (const auto found = m_cache.find(text); found != m_cache.end()) {
        compiled = found->second.get();
    } else {
        if (m_cache.size() >= kCacheLimit) {
            m_cache.clear();
            m_recent.fill(CRecent {});
        }
        auto made = CCompiledText::Compile(text, m_variables);
        compiled = made.get();
        m_cache.emplace(std::string(text), std::move(made));
    }
    recent.data = text.data();
    recent.compiled = compiled;
    return *compiled;
}

std::unique_ptr<CCompiledText> CInterpreter::Compile(std::string_view text)
{
    return CCompiledText::Compile(text, m_variables);
}

double CInterpreter::RunFirst(const CCompiledText& text)
{
    m_referencePending = false;
    m_results.clear();
    m_next = 0;
    try {
        const double value = text.RunFirst(m_variables, m_results);
        m_next = m_results.empty() ? 0 : 1;
        return value;
    } catch (...) {
        m_results.clear();
        throw;
    }
}

void CInterpreter::RunAll(const CCompiledText& text)
{
    m_referencePending = false;
    m_results.clear();
    m_next = 0;
    try {
        text.Run(m_variables, m_results);
    } catch (...) {
        m_results.clear();
        throw;
    }
}

bool CInterpreter::LeftToReference(const CCompiledText& text)
{
    if (text.IsCompiled())
        return false;
    m_referencePending = true;
    return true;
}

// ---- entry points ----------------------------------------------------------

double CInterpreter::Evaluate(std::string_view text) { return Evaluate(Cached(text)); }

double CInterpreter::EvaluateReport(std::string_view text, CConsole& console)
{
    return EvaluateReport(Cached(text), console);
}

double CInterpreter::Evaluate(const CCompiledText& text)
{
    if (LeftToReference(text))
        return m_reference.Evaluate(text.Text());
    return ThrowingText(text.Text(), nullptr, [&] { return RunFirst(text); });
}

double CInterpreter::EvaluateReport(const CCompiledText& text, CConsole& console)
{
    if (LeftToReference(text))
        return m_reference.EvaluateReport(text.Text(), console);
    return ThrowingText(text.Text(), &console, [&] { return RunFirst(text); });
}

void CInterpreter::ReportKept(const CEvalError& error, const CCompiledText& text, CConsole* report)
{
    if (report) {
        report->Write(error.Text());
        report->NewLine();
    }
    throw CEvalError(text.Text());
}

void CInterpreter::ExecuteOutput(std::string_view text, CConsole& console)
{
    const CCompiledText& compiled = Cached(text);
    if (LeftToReference(compiled))
        return m_reference.ExecuteOutput(text, console);
    ThrowingText(text, &console, [&] { RunAll(compiled); });
    // The results are consumed in order; a conversion in a string takes the
    // next one as its argument.
    auto pop = [this]() -> const CResult* { return m_next < m_results.size() ? &m_results[m_next++] : nullptr; };
    bool afterValue = false;
    for (const CResult* result = pop(); result; result = pop()) {
        if (result->kind == TK_NUMBER || result->kind == TK_IDENT) {
            if (afterValue)
                console.Write(" ");
            console.WriteNumber(result->kind == TK_IDENT ? result->ref.Read(m_variables) : result->value);
            afterValue = true;
            continue;
        }
        const std::string out = FillConversions(result->text, [&pop] {
            const CResult* argument = pop();
            return argument ? argument->value : 0.0;
        });
        console.Write(out);
        afterValue = false;
    }
}

void CInterpreter::ExecuteInput(std::string_view text, CConsole& console)
{
    const CCompiledText& compiled = Cached(text);
    if (LeftToReference(compiled))
        return m_reference.ExecuteInput(text, console);
    RunAll(compiled);
    for (; m_next < m_results.size(); ++m_next) {
        const CResult& result = m_results[m_next];
        if (result.kind == TK_IDENT)
            result.ref.Write(m_variables, ParseLeadingNumber(console.ReadLine()));
    }
}

double CInterpreter::NextValue()
{
    if (m_referencePending)
        return m_reference.NextValue();
    return m_next < m_results.size() ? m_results[m_next++].value : 0.0;
}

bool CInterpreter::HasPending()
{
    if (m_referencePending)
        return m_reference.HasPending();
    return m_next < m_results.size();
}
