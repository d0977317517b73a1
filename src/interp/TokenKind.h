#pragma once
// Token codes. The numbering is fixed: 110 and 111 are also the codes that a
// "continue" or "break" box throws to its loop, and 70..90 follow the order
// of the built-in function table in CInterpreter.

enum TokenKind : int {
    TK_END = 0,
    TK_NUMBER = 1,
    TK_IDENT = 2,
    TK_STRING = 3,
    TK_PLUS = 10,
    TK_INC = 11,
    TK_MINUS = 12,
    TK_DEC = 13,
    TK_MOD = 14,
    TK_MUL = 15,
    TK_DIV = 16,
    TK_LPAREN = 20,
    TK_RPAREN = 21,
    TK_LBRACKET = 22,
    TK_RBRACKET = 23,
    TK_LBRACE = 24,
    TK_RBRACE = 25,
    TK_GT = 30,
    TK_SHR = 31,
    TK_LT = 32,
    TK_SHL = 33,
    TK_ASSIGN = 40,
    TK_EQ = 41,
    TK_GE = 42,
    TK_LE = 43,
    TK_NE = 44,
    TK_BITAND = 50,
    TK_AND = 51,
    TK_BITOR = 52,
    TK_OR = 53,
    TK_XOR = 54,
    TK_NOT = 55,
    TK_COMMA = 60,
    TK_FN_SIN = 70,
    TK_FN_COS = 71,
    TK_FN_TAN = 72,
    TK_FN_SQRT = 73,
    TK_FN_ABS = 74,
    TK_FN_EXP = 75,
    TK_FN_POW = 76,
    TK_FN_RAND = 77,
    TK_FN_ACOS = 78,
    TK_FN_ASIN = 79,
    TK_FN_ATAN = 80,
    TK_FN_ATAN2 = 81,
    TK_FN_CEIL = 82,
    TK_FN_COSH = 83,
    TK_FN_FABS = 84,
    TK_FN_FLOOR = 85,
    TK_FN_LOG = 86,
    TK_FN_LOG10 = 87,
    TK_FN_SINH = 88,
    TK_FN_SRAND = 89,
    TK_FN_GAUSSIANRAND = 90,
    TK_ADD_ASSIGN = 100,
    TK_SUB_ASSIGN = 101,
    TK_MUL_ASSIGN = 102,
    TK_DIV_ASSIGN = 103,
    TK_MOD_ASSIGN = 104,
    TK_AND_ASSIGN = 105,
    TK_OR_ASSIGN = 106,
    TK_XOR_ASSIGN = 107,
    TK_SHR_ASSIGN = 108,
    TK_SHL_ASSIGN = 109,
    TK_CONTINUE = 110,
    TK_BREAK = 111,
};

inline constexpr bool IsFunctionKind(int kind) { return kind >= TK_FN_SIN && kind <= TK_FN_GAUSSIANRAND; }

// The binary operator that a compound assignment applies (TK_END for any
// other kind).
inline constexpr int OperatorOfCompound(int kind)
{
    switch (kind) {
    case TK_ADD_ASSIGN: return TK_PLUS;
    case TK_SUB_ASSIGN: return TK_MINUS;
    case TK_MUL_ASSIGN: return TK_MUL;
    case TK_DIV_ASSIGN: return TK_DIV;
    case TK_MOD_ASSIGN: return TK_MOD;
    case TK_AND_ASSIGN: return TK_BITAND;
    case TK_OR_ASSIGN: return TK_BITOR;
    case TK_XOR_ASSIGN: return TK_XOR;
    case TK_SHL_ASSIGN: return TK_SHL;
    case TK_SHR_ASSIGN: return TK_SHR;
    default: return TK_END;
    }
}

// What a "break" or "continue" box throws to its innermost loop.
inline constexpr int kBreakCode = TK_BREAK;
inline constexpr int kContinueCode = TK_CONTINUE;
