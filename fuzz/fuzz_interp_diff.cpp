// The interpreter runs most texts compiled and hands the rest to the
// reference evaluator; the two must agree in every observable effect. Each
// input line goes through both (each with variables of its own and the same
// random seed), twice, so that the second pass meets the compiled form:
// values, pending results, error texts, console output and, at the end,
// every variable must be the same. The line's first character picks the
// entry point: '>' an output list, '<' an input list, '~' a text compiled
// once and evaluated (as a loop's condition and step are), anything else an
// expression.
#include "interp/CInterpreter.h"
#include "exec/CMemoryConsole.h"
#include "interp/CRandom.h"
#include "interp/CReferenceInterpreter.h"
#include "interp/EvalError.h"
#include "FuzzSupport.h"

#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// What one evaluation showed: values in their bits, so that NaNs compare.
std::string Bits(double value)
{
    if (std::isnan(value))
        return "nan";
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return std::to_string(bits);
}

template <typename Interp>
std::string Pending(Interp& interp)
{
    // The execution engine's pattern: is there a next value, take it.
    std::string seen;
    for (int i = 0; i < 3; ++i) {
        const bool more = interp.HasPending();
        seen += more ? " +" : " -";
        seen += Bits(interp.NextValue());
    }
    return seen;
}

template <typename Interp, typename Entry>
std::string Observe(Interp& interp, CMemoryConsole& console, std::uint32_t seed, Entry entry)
{
    CRandom::Seed(seed);
    std::string seen;
    try {
        seen = entry();
    } catch (const CEvalError& e) {
        seen = "error " + e.Text();
    }
    seen += " | " + console.Output() + " | " + std::to_string(console.LinesRead());
    seen += " | " + std::to_string(CRandom::Next());
    console.ClearOutput();
    return seen;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CInterpreter fast;
    CReferenceInterpreter reference;
    CMemoryConsole fastConsole(ScriptedInput());
    CMemoryConsole referenceConsole(ScriptedInput());
    std::uint32_t seed = 1;
    for (const std::string& line : SplitLines(text)) {
        const char mode = line.empty() ? ' ' : line[0];
        const std::string_view body = mode == '>' || mode == '<' || mode == '~' ? std::string_view(line).substr(1)
                                                                                : std::string_view(line);
        std::unique_ptr<CCompiledText> compiled = mode == '~' ? fast.Compile(body) : nullptr;
        for (int pass = 0; pass < 2; ++pass, ++seed) {
            std::string a, b;
            if (mode == '>') {
                a = Observe(fast, fastConsole, seed, [&] { fast.ExecuteOutput(body, fastConsole); return std::string(); });
                b = Observe(reference, referenceConsole, seed,
                    [&] { reference.ExecuteOutput(body, referenceConsole); return std::string(); });
            } else if (mode == '<') {
                a = Observe(fast, fastConsole, seed, [&] { fast.ExecuteInput(body, fastConsole); return std::string(); });
                b = Observe(reference, referenceConsole, seed,
                    [&] { reference.ExecuteInput(body, referenceConsole); return std::string(); });
            } else {
                a = Observe(fast, fastConsole, seed, [&] {
                    const double v = compiled ? fast.EvaluateReport(*compiled, fastConsole) : fast.Evaluate(body);
                    return Bits(v) + Pending(fast);
                });
                b = Observe(reference, referenceConsole, seed, [&] {
                    const double v = compiled ? reference.EvaluateReport(body, referenceConsole) : reference.Evaluate(body);
                    return Bits(v) + Pending(reference);
                });
            }
            if (a != b)
                FuzzFail("compiled and reference evaluation differ", line + "\n  compiled:  " + a + "\n  reference: " + b);
        }
    }
    const auto fastVars = fast.Variables().Entries();
    const auto referenceVars = reference.Variables().Entries();
    std::string a, b;
    for (const auto& [name, value] : fastVars)
        a += name + "=" + Bits(value) + " ";
    for (const auto& [name, value] : referenceVars)
        b += name + "=" + Bits(value) + " ";
    if (a != b)
        FuzzFail("the variables differ", "compiled:  " + a + "\nreference: " + b);
    return 0;
}
