#pragma once
// The bounds of the language that every evaluator, the variable store and the
// code generator share, so that a chart one of them accepts is accepted by
// all.

// Comma lists nested deeper than this (parentheses, subscripts, calls,
// chained assignments) raise "Nesting too deep." instead of exhausting the
// stack.
inline constexpr int kMaxNesting = 256;

// The most subscripts an element name may have, as in a[1][2]...[10].
inline constexpr int kMaxSubscripts = 10;
