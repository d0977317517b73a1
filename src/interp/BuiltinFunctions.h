#pragma once
// The 21 built-in functions, written once for the reference evaluator and the
// compiled texts: how many arguments each takes and what it computes.

#include "interp/CRandom.h"
#include "interp/Int32.h"
#include "interp/Operators.h"
#include "interp/TokenKind.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

// rand() scaled into [0, 1) for the Box-Muller transform.
inline constexpr double kUnitScale = 1.0 / 32768.0;
static_assert(kUnitScale == 3.0517578125e-05);
// The program's value for 2 pi; kept so that draws match across versions.
inline constexpr double kTwoPi = 6.2832;

// The number of values a function takes from its argument list.
inline constexpr int BuiltinArity(int function)
{
    switch (function) {
    case TK_FN_RAND: return 0;
    case TK_FN_POW:
    case TK_FN_ATAN2:
    case TK_FN_GAUSSIANRAND: return 2;
    default: return 1;
    }
}

// srand's effect; its result is 0, in whatever kind its argument had.
inline void SeedRandom(double seed) { CRandom::Seed(static_cast<std::uint32_t>(ToInt32(seed))); }

// The value of `function` applied to `args` (BuiltinArity(function) values,
// in written order). For srand this seeds the generator and gives 0.
inline double CallBuiltin(int function, const double* args)
{
    const double x = args[0];
    switch (function) {
    case TK_FN_SIN: return std::sin(x);
    case TK_FN_COS: return std::cos(x);
    case TK_FN_TAN: return std::tan(x);
    case TK_FN_SQRT: return std::sqrt(x);
    // In 64 bits so that -2147483648 has an absolute value too.
    case TK_FN_ABS: return static_cast<double>(std::llabs(static_cast<long long>(ToInt32(x))));
    case TK_FN_EXP: return std::exp(x);
    case TK_FN_POW: return std::pow(x, args[1]);
    case TK_FN_RAND: return CRandom::Next();
    case TK_FN_ACOS: return std::acos(x);
    case TK_FN_ASIN: return std::asin(x);
    case TK_FN_ATAN: return std::atan2(x, 1.0);
    case TK_FN_ATAN2: return std::atan2(x, args[1]);
    case TK_FN_CEIL: return std::ceil(x);
    case TK_FN_COSH: return std::cosh(x);
    case TK_FN_FABS: return std::fabs(x);
    case TK_FN_FLOOR: return std::floor(x);
    case TK_FN_LOG: return std::log(x);
    case TK_FN_LOG10: return std::log10(x);
    case TK_FN_SINH: return std::sinh(x);
    case TK_FN_SRAND: SeedRandom(x); return 0.0;
    case TK_FN_GAUSSIANRAND: {
        const double u1 = CRandom::Next() * kUnitScale; // drawn first
        const double u2 = CRandom::Next() * kUnitScale;
        return x + args[1] * std::sqrt(-2.0 * std::log(u1)) * std::cos(kTwoPi * u2);
    }
    default: FailEvaluation(texts::kWhat);
    }
}
