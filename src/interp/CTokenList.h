#pragma once
// A token and the token list: the tokeniser's output, the evaluator's operand
// stack and the list of pending results, all at once.

#include "interp/TokenKind.h"

#include <deque>
#include <string>
#include <string_view>

struct CToken {
    int kind { TK_END };
    std::string text;    // the characters as written (a string's body without quotes)
    double value { 0.0 };
};

class CTokenList {
public:
    void PushFront(const CToken& token);
    void PushFront(CToken&& token);
    void Append(const CToken& token);
    // Fills `token` from the head and removes it; on an empty list only sets
    // token.kind to TK_END. Returns the kind.
    int PopFront(CToken& token);
    void Clear();
    bool IsEmpty() const { return m_tokens.empty(); }
    std::size_t Size() const { return m_tokens.size(); }
    // Clears the list and appends the tokens of `text`. Throws CEvalError on a
    // malformed exponent, keeping the tokens before it.
    void Tokenize(std::string_view text);

private:
    std::deque<CToken> m_tokens;
};
