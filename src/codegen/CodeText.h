#pragma once
// Text helpers of the C code generator: token lists of box texts, items of a
// comma list, token joining that never fuses two tokens into a third, and
// printf format literals. Texts are code page 932 bytes.

#include "interp/CTokenList.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace codegen {

using TokenVector = std::vector<CToken>;

// The tokens of a box text. A malformed exponent ends the list where the
// tokeniser stopped: generation goes on with what was read.
TokenVector TokensOf(std::string_view text);

// True when the tokens hold a "{": the text initialises an array.
bool HasBrace(const TokenVector& tokens);

// A half-open range [begin, end) of a token vector.
struct TokenRange {
    std::size_t begin { 0 };
    std::size_t end { 0 };
    bool Empty() const { return begin >= end; }
};

// The end of the comma-list item that starts at `begin`: the next comma
// outside parentheses and brackets, or `end`.
std::size_t ItemEnd(const TokenVector& tokens, std::size_t begin, std::size_t end);

// The items of a comma list: ranges split at the commas that stand outside
// parentheses and brackets (a comma inside pow(a, 2) or a[i, j] belongs to
// its item). An empty token list has one empty item.
std::vector<TokenRange> SplitItems(const TokenVector& tokens, TokenRange range);

// The texts of the tokens joined without separators, except that a blank is
// put between two tokens that would otherwise read as different tokens
// (n - -1 becomes n- -1, not n--1).
std::string JoinTokens(const TokenVector& tokens, TokenRange range);

// True when the range is a non-empty expression of numbers, operators,
// parentheses and functions without side effects or chance: its value is the
// same at generation time as in any run.
bool IsConstant(const TokenVector& tokens, TokenRange range);

// A simple box's statement list with the commas that separate statements
// (outside parentheses, brackets, braces and string literals) turned into
// semicolons.
std::string SeparateStatements(std::string_view text);

// The body of an output string literal as a printf format text that prints
// what the run prints: each conversion the run fills ("%6.2f" and the like)
// stays, every other '%' is doubled, a backslash that does not start \n or \t
// is doubled, and line breaks become \n and \r. `conversions` receives the
// number of conversions kept.
std::string FormatLiteral(std::string_view body, int& conversions);

} // namespace codegen
