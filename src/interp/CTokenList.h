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
    bool IsEmpty();
    std::size_t Size();
    // Clears the list and appends the tokens of `text`. Throws CEvalError on a
    // malformed exponent, keeping the tokens before it.
    void Tokenize(std::string_view text);

private:
    // Moves the next token of the text not yet read to the end of m_tokens;
    // false at its end.
    bool ReadAhead();

    // The tokens read or pushed so far, then the rest of m_text up to m_end.
    std::deque<CToken> m_tokens;
    std::string m_text;
    std::size_t m_pos { 0 };
    std::size_t m_end { 0 };
};
