#include "interp/CTokenList.h"

#include "interp/EvalError.h"
#include "interp/NumberText.h"
#include "base/Texts.h"

#include <array>
#include <string_view>

namespace {

// Ordered as the codes TK_FN_SIN .. TK_FN_GAUSSIANRAND.
constexpr std::array<std::string_view, 21> kFunctionNames {
    "sin", "cos", "tan", "sqrt", "abs", "exp", "pow", "rand", "acos", "asin", "atan",
    "atan2", "ceil", "cosh", "fabs", "floor", "log", "log10", "sinh", "srand", "gaussianrand",
};
static_assert(TK_FN_GAUSSIANRAND - TK_FN_SIN + 1 == kFunctionNames.size());

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int WordKind(std::string_view word)
{
    for (std::size_t i = 0; i < kFunctionNames.size(); ++i) {
        if (word == kFunctionNames[i])
            return TK_FN_SIN + static_cast<int>(i);
    }
    if (word == "break")
        return TK_BREAK;
    if (word == "continue")
        return TK_CONTINUE;
    return TK_IDENT;
}

// Reads the token that starts at or after `i` (blanks and other bytes
// without a token are skipped) into `token` and returns where the next one
// may start. At the end of the text token.kind is TK_END and the text's size
// is returned. Throws CEvalError on a malformed exponent.
std::size_t ScanToken(std::string_view text, std::size_t i, CToken& token)
{
    token.kind = TK_END;
    const std::size_t n = text.size();
    auto at = [&](std::size_t k) { return k < n ? text[k] : '\0'; };
    auto emit = [&](int kind, std::size_t from, std::size_t to) {
        token = CToken { kind, std::string(text.substr(from, to - from)), 0.0 };
    };

    while (i < n) {
        const char c = text[i];
        if (c == '\0')
            return n; // a NUL ends the text, as in a C string
        if (c == '"') {
            const std::size_t start = i + 1;
            std::size_t end = start;
            while (end < n && text[end] != '"' && text[end] != '\0')
                ++end;
            emit(TK_STRING, start, end);
            if (end >= n || text[end] == '\0')
                return n; // unterminated: the literal took the rest
            return end + 1;
        }
        if (IsAsciiLetter(c) || c == '_') {
            std::size_t end = i + 1;
            while (IsAsciiLetter(at(end)) || IsDigit(at(end)) || at(end) == '_')
                ++end;
            emit(WordKind(text.substr(i, end - i)), i, end);
            return end;
        }
        // A full stop directly before a digit starts a number too, so that
        // .5 reads as 0.5.
        if (IsDigit(c) || (c == '.' && IsDigit(at(i + 1)))) {
            std::size_t end = i;
            for (;;) {
                const char d = at(end);
                if (IsDigit(d) || d == '.') {
                    ++end;
                } else if (d == 'e') {
                    ++end;
                    if (at(end) == '+' || at(end) == '-')
                        ++end;
                    if (!IsDigit(at(end)))
                        throw CEvalError(texts::Cp932Text(texts::kBadExponent));
                } else {
                    break;
                }
            }
            token = CToken { TK_NUMBER, std::string(text.substr(i, end - i)), 0.0 };
            token.value = ParseLeadingNumber(token.text);
            return end;
        }

        const char next = at(i + 1);
        int kind = TK_END;
        std::size_t length = 1;
        switch (c) {
        case '+':
        case '-':
        case '&':
        case '|': {
            static constexpr std::string_view kChars = "+-&|";
            static constexpr int kSingle[] = { TK_PLUS, TK_MINUS, TK_BITAND, TK_BITOR };
            static constexpr int kDouble[] = { TK_INC, TK_DEC, TK_AND, TK_OR };
            static constexpr int kAssign[] = { TK_ADD_ASSIGN, TK_SUB_ASSIGN, TK_AND_ASSIGN, TK_OR_ASSIGN };
            const std::size_t k = kChars.find(c);
            if (next == c) {
                kind = kDouble[k];
                length = 2;
            } else if (next == '=') {
                kind = kAssign[k];
                length = 2;
            } else {
                kind = kSingle[k];
            }
            break;
        }
        case '=':
            kind = next == '=' ? TK_EQ : TK_ASSIGN;
            length = next == '=' ? 2 : 1;
            break;
        case '*':
        case '/':
        case '%':
        case '^': {
            static constexpr std::string_view kChars = "*/%^";
            static constexpr int kSingle[] = { TK_MUL, TK_DIV, TK_MOD, TK_XOR };
            static constexpr int kAssign[] = { TK_MUL_ASSIGN, TK_DIV_ASSIGN, TK_MOD_ASSIGN, TK_XOR_ASSIGN };
            const std::size_t k = kChars.find(c);
            kind = next == '=' ? kAssign[k] : kSingle[k];
            length = next == '=' ? 2 : 1;
            break;
        }
        case '<':
        case '>': {
            const bool less = c == '<';
            if (next == c && at(i + 2) == '=') {
                kind = less ? TK_SHL_ASSIGN : TK_SHR_ASSIGN;
                length = 3;
            } else if (next == c) {
                kind = less ? TK_SHL : TK_SHR;
                length = 2;
            } else if (next == '=') {
                kind = less ? TK_LE : TK_GE;
                length = 2;
            } else {
                kind = less ? TK_LT : TK_GT;
            }
            break;
        }
        case '!':
            kind = next == '=' ? TK_NE : TK_NOT;
            length = next == '=' ? 2 : 1;
            break;
        case '(': kind = TK_LPAREN; break;
        case ')': kind = TK_RPAREN; break;
        case '[': kind = TK_LBRACKET; break;
        case ']': kind = TK_RBRACKET; break;
        case '{': kind = TK_LBRACE; break;
        case '}': kind = TK_RBRACE; break;
        case ',': kind = TK_COMMA; break;
        default:
            break; // blanks, line ends and every other byte carry no token
        }
        if (kind != TK_END) {
            emit(kind, i, i + length);
            return i + length;
        }
        i += length;
    }
    return n;
}

} // namespace

void CTokenList::PushFront(const CToken& token) { m_tokens.push_front(token); }

void CTokenList::PushFront(CToken&& token) { m_tokens.push_front(std::move(token)); }

void CTokenList::Append(const CToken& token)
{
    while (ReadAhead()) {
    }
    m_tokens.push_back(token);
}

bool CTokenList::ReadAhead()
{
    if (m_pos >= m_end)
        return false;
    CToken token;
    m_pos = ScanToken(std::string_view(m_text).substr(0, m_end), m_pos, token);
    if (token.kind == TK_END) {
        m_pos = m_end;
        return false;
    }
    m_tokens.push_back(std::move(token));
    return true;
}

int CTokenList::PopFront(CToken& token)
{
    if (m_tokens.empty() && !ReadAhead()) {
        token.kind = TK_END;
        return TK_END;
    }
    token = std::move(m_tokens.front());
    m_tokens.pop_front();
    return token.kind;
}

bool CTokenList::IsEmpty()
{
    return m_tokens.empty() && !ReadAhead();
}

std::size_t CTokenList::Size()
{
    std::size_t count = m_tokens.size();
    CToken token;
    for (std::size_t i = m_pos; i < m_end;) {
        i = ScanToken(std::string_view(m_text).substr(0, m_end), i, token);
        if (token.kind != TK_END)
            ++count;
    }
    return count;
}

void CTokenList::Clear()
{
    m_tokens.clear();
    m_text.clear();
    m_pos = m_end = 0;
}

void CTokenList::Tokenize(std::string_view text)
{
    Clear();
    // The whole text is checked now, so that a malformed exponent is reported
    // before anything is evaluated; the tokens themselves are read as they
    // are taken, so that a long text costs no more than its own size.
    m_text.assign(text.data(), text.size());
    CToken token;
    std::size_t i = 0;
    try {
        while (i < text.size()) {
            const std::size_t next = ScanToken(text, i, token);
            if (token.kind == TK_END)
                break;
            i = next;
        }
    } catch (const CEvalError&) {
        m_end = i; // the tokens before the malformed number stay
        throw;
    }
    m_end = text.size();
}
