#pragma once
// The meaning of the language's binary operators, written once for the
// reference evaluator and the compiled texts: their precedence levels and what
// each computes from its two operand values.

#include "interp/EvalError.h"
#include "interp/Int32.h"
#include "base/Texts.h"
#include "interp/TokenKind.h"

#include <cstdint>

// The binary levels from || (level 0) to * / % (the last level), each a list
// ended by TK_END; every level is left-associative and binds tighter than the
// one before it.
inline constexpr int kBinaryLevelCount = 10;
inline constexpr int kBinaryLevels[kBinaryLevelCount][5] = {
    { TK_OR, TK_END },
    { TK_AND, TK_END },
    { TK_BITOR, TK_END },
    { TK_XOR, TK_END },
    { TK_BITAND, TK_END },
    { TK_EQ, TK_NE, TK_END },
    { TK_GT, TK_LT, TK_GE, TK_LE, TK_END },
    { TK_SHR, TK_SHL, TK_END },
    { TK_PLUS, TK_MINUS, TK_END },
    { TK_MUL, TK_DIV, TK_MOD, TK_END },
};

// Whether `kind` is an operator of binary level `level`.
inline bool IsOperatorOfLevel(int level, int kind)
{
    for (const int* k = kBinaryLevels[level]; *k != TK_END; ++k) {
        if (*k == kind)
            return true;
    }
    return false;
}

[[noreturn]] inline void FailEvaluation(std::string_view message) { throw CEvalError(texts::Cp932Text(message)); }

// The result of the binary operator `kind` on the values `l` and `r`. Integer
// operators truncate both operands to 32 bits first; shift counts are taken
// modulo 32. Only the division checks its operands here: the reference
// evaluator checks the kind of its right operand itself.
// A value is true when it is unequal to zero; NaN counts as false, as it
// compares equal on the platform the charts were first written for.
inline constexpr bool IsTrue(double value)
{
    return value < 0.0 || value > 0.0;
}

inline constexpr bool IsComparison(int kind)
{
    return kind == TK_EQ || kind == TK_NE || kind == TK_GT || kind == TK_LT || kind == TK_GE || kind == TK_LE;
}

// A comparison (IsComparison) of two values of one type.
template <class T>
inline constexpr bool Compare(int kind, T l, T r)
{
    switch (kind) {
    case TK_EQ: return l == r;
    case TK_NE: return l != r;
    case TK_GT: return l > r;
    case TK_LT: return l < r;
    case TK_GE: return l >= r;
    default: return l <= r;
    }
}

inline double ApplyBinary(int kind, double l, double r)
{
    auto count = [r] { return static_cast<unsigned>(ToInt32(r)) & 31u; };
    switch (kind) {
    case TK_PLUS: return l + r;
    case TK_MINUS: return l - r;
    case TK_MUL: return l * r;
    case TK_DIV:
        if (r == 0.0)
            FailEvaluation(texts::kDivisionByZero);
        return l / r;
    case TK_MOD: {
        const std::int32_t a = ToInt32(l);
        const std::int32_t b = ToInt32(r);
        if (b == 0)
            FailEvaluation(texts::kDivisionByZero);
        return b == -1 ? 0.0 : static_cast<double>(a % b); // INT32_MIN % -1 would trap
    }
    case TK_SHR: return ToInt32(l) >> count();
    case TK_SHL: return static_cast<std::int32_t>(static_cast<std::uint32_t>(ToInt32(l)) << count());
    case TK_BITAND: return ToInt32(l) & ToInt32(r);
    case TK_BITOR: return ToInt32(l) | ToInt32(r);
    case TK_XOR: return ToInt32(l) ^ ToInt32(r);
    case TK_EQ:
    case TK_NE:
    case TK_GT:
    case TK_LT:
    case TK_GE:
    case TK_LE: return Compare(kind, l, r);
    case TK_AND: return l != 0.0 && r != 0.0;
    case TK_OR: return l != 0.0 || r != 0.0;
    default: FailEvaluation(texts::kWhat);
    }
}

// The operators whose result is a truth value or a 32-bit integer (compared,
// logical, bitwise and shifted values; % apart, which also divides); in C
// their result is an int.
inline constexpr bool IsIntegerOperator(int kind)
{
    switch (kind) {
    case TK_GT:
    case TK_SHR:
    case TK_LT:
    case TK_SHL:
    case TK_EQ:
    case TK_GE:
    case TK_LE:
    case TK_NE:
    case TK_BITAND:
    case TK_AND:
    case TK_BITOR:
    case TK_OR:
    case TK_XOR:
    case TK_NOT:
        return true;
    default:
        return false;
    }
}

// Whether the operator refuses a right operand that is not a value (a token
// passed up in its place): all but && and ||.
inline bool ChecksRightOperand(int kind) { return kind != TK_AND && kind != TK_OR; }
