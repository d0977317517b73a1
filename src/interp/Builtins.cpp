// The built-in functions: the call syntax and one step per function, each
// popping its arguments from the pending list and pushing its result.

#include "CReferenceInterpreter.h"
#include "CRandom.h"
#include "EvalError.h"
#include "Int32.h"
#include "Texts.h"

#include <cmath>
#include <cstdint>

namespace {

[[noreturn]] void Fail(std::string_view message) { throw CEvalError(texts::Cp932Text(message)); }

// rand() scaled into [0, 1) for the Box-Muller transform.
constexpr double kUnitScale = 1.0 / 32768.0;
static_assert(kUnitScale == 3.0517578125e-05);
// The program's value for 2 pi; kept so that draws match across versions.
constexpr double kTwoPi = 6.2832;

} // namespace

// call -> function '(' list ')'   (rand also takes '(' ')')
// The arguments are parsed as one list before the function takes what it
// needs, so a wrong count shows where the closing parenthesis should be.
void CReferenceInterpreter::ParseCall(const CToken& function)
{
    const CToken open = Pop();
    if (open.kind == TK_ASSIGN)
        Fail(texts::kAssignToReserved);
    if (open.kind != TK_LPAREN)
        Fail(texts::kFunctionWithoutArgs);
    CToken first = Pop();
    if (first.kind == TK_RPAREN) {
        if (function.kind != TK_FN_RAND)
            Fail(texts::kNoArguments);
        CallFunction(function.kind);
        return;
    }
    Push(first);
    ParseList();
    CallFunction(function.kind);
    CToken result = Pop();
    if (Pop().kind != TK_RPAREN)
        Fail(texts::kWrongArgumentCount);
    Push(result);
}

void CReferenceInterpreter::CallFunction(int kind)
{
    auto arg = [this] { return Pop().value; };
    double result = 0.0;
    switch (kind) {
    case TK_FN_SIN: result = std::sin(arg()); break;
    case TK_FN_COS: result = std::cos(arg()); break;
    case TK_FN_TAN: result = std::tan(arg()); break;
    case TK_FN_SQRT: result = std::sqrt(arg()); break;
    case TK_FN_ABS:
        // In 64 bits so that -2147483648 has an absolute value too.
        result = static_cast<double>(std::llabs(static_cast<long long>(ToInt32(arg()))));
        break;
    case TK_FN_EXP: result = std::exp(arg()); break;
    case TK_FN_POW: {
        const double x = arg();
        const double y = arg();
        result = std::pow(x, y);
        break;
    }
    case TK_FN_RAND: result = CRandom::Next(); break;
    case TK_FN_ACOS: result = std::acos(arg()); break;
    case TK_FN_ASIN: result = std::asin(arg()); break;
    case TK_FN_ATAN: result = std::atan2(arg(), 1.0); break;
    case TK_FN_ATAN2: {
        const double y = arg();
        const double x = arg();
        result = std::atan2(y, x);
        break;
    }
    case TK_FN_CEIL: result = std::ceil(arg()); break;
    case TK_FN_COSH: result = std::cosh(arg()); break;
    case TK_FN_FABS: result = std::fabs(arg()); break;
    case TK_FN_FLOOR: result = std::floor(arg()); break;
    case TK_FN_LOG: result = std::log(arg()); break;
    case TK_FN_LOG10: result = std::log10(arg()); break;
    case TK_FN_SINH: result = std::sinh(arg()); break;
    case TK_FN_SRAND: {
        // The result keeps the argument's kind, with the value 0.
        CToken seed = Pop();
        CRandom::Seed(static_cast<std::uint32_t>(ToInt32(seed.value)));
        seed.value = 0.0;
        Push(seed);
        return;
    }
    case TK_FN_GAUSSIANRAND: {
        const double mean = arg();
        const double sd = arg();
        const double u1 = CRandom::Next() * kUnitScale; // drawn first
        const double u2 = CRandom::Next() * kUnitScale;
        result = mean + sd * std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
        break;
    }
    default:
        Fail(texts::kWhat);
    }
    Push(CToken { TK_NUMBER, {}, result });
}
