#include "codegen/CodeText.h"

#include "base/Codec.h"
#include "interp/EvalError.h"
#include "interp/Operators.h"
#include "interp/OutputConversion.h"

namespace codegen {

namespace {

bool Opens(int kind) { return kind == TK_LPAREN || kind == TK_LBRACKET || kind == TK_LBRACE; }
bool Closes(int kind) { return kind == TK_RPAREN || kind == TK_RBRACKET || kind == TK_RBRACE; }

// Two adjacent tokens read back as the same two tokens once their texts are
// put side by side, by this language's tokeniser and by a C compiler.
bool StaysApart(const CToken& left, const CToken& right)
{
    if (left.text.empty() || right.text.empty())
        return true;
    const char last = left.text.back();
    const char first = right.text.front();
    // C comments and the arrow: never operators of this language, but the
    // compiler would read them.
    if (last == '/' && (first == '/' || first == '*'))
        return false;
    if (last == '-' && first == '>')
        return false;
    CTokenList list;
    try {
        list.Tokenize(left.text + right.text);
    } catch (const CEvalError&) {
        return false;
    }
    CToken a;
    CToken b;
    CToken rest;
    list.PopFront(a);
    list.PopFront(b);
    return list.PopFront(rest) == TK_END && a.kind == left.kind && a.text == left.text && b.kind == right.kind
        && b.text == right.text;
}

bool IsConstantKind(int kind)
{
    switch (kind) {
    case TK_NUMBER:
    case TK_PLUS:
    case TK_MINUS:
    case TK_MOD:
    case TK_MUL:
    case TK_DIV:
    case TK_LPAREN:
    case TK_RPAREN:
    case TK_COMMA:
        return true;
    case TK_FN_RAND:
    case TK_FN_SRAND:
    case TK_FN_GAUSSIANRAND:
        return false;
    default:
        return IsIntegerOperator(kind) || IsFunctionKind(kind);
    }
}

} // namespace

TokenVector TokensOf(std::string_view text)
{
    CTokenList list;
    try {
        list.Tokenize(text);
    } catch (const CEvalError&) {
        // The tokens before the malformed exponent stay in the list.
    }
    TokenVector tokens;
    tokens.reserve(list.Size());
    CToken token;
    while (list.PopFront(token) != TK_END)
        tokens.push_back(token);
    return tokens;
}

bool HasBrace(const TokenVector& tokens)
{
    for (const CToken& token : tokens) {
        if (token.kind == TK_LBRACE)
            return true;
    }
    return false;
}

std::size_t ItemEnd(const TokenVector& tokens, std::size_t begin, std::size_t end)
{
    int depth = 0;
    for (std::size_t i = begin; i < end; ++i) {
        const int kind = tokens[i].kind;
        if (Opens(kind))
            ++depth;
        else if (Closes(kind) && depth > 0)
            --depth;
        else if (kind == TK_COMMA && depth == 0)
            return i;
    }
    return end;
}

std::vector<TokenRange> SplitItems(const TokenVector& tokens, TokenRange range)
{
    std::vector<TokenRange> items;
    std::size_t start = range.begin;
    for (;;) {
        const std::size_t end = ItemEnd(tokens, start, range.end);
        items.push_back({ start, end });
        if (end >= range.end)
            return items;
        start = end + 1;
    }
}

std::string JoinTokens(const TokenVector& tokens, TokenRange range)
{
    std::string out;
    for (std::size_t i = range.begin; i < range.end; ++i) {
        if (i > range.begin && tokens[i].kind != TK_STRING && tokens[i - 1].kind != TK_STRING
            && !StaysApart(tokens[i - 1], tokens[i]))
            out += ' ';
        out += tokens[i].text;
    }
    return out;
}

bool IsConstant(const TokenVector& tokens, TokenRange range)
{
    if (range.Empty())
        return false;
    for (std::size_t i = range.begin; i < range.end; ++i) {
        if (!IsConstantKind(tokens[i].kind))
            return false;
    }
    return true;
}

std::string SeparateStatements(std::string_view text)
{
    std::string out(text);
    int depth = 0;
    bool inString = false;
    for (char& c : out) {
        if (inString) {
            inString = c != '"';
            continue;
        }
        switch (c) {
        case '"':
            inString = true;
            break;
        case '(':
        case '[':
        case '{':
            ++depth;
            break;
        case ')':
        case ']':
        case '}':
            if (depth > 0)
                --depth;
            break;
        case ',':
            if (depth == 0)
                c = ';';
            break;
        default:
            break;
        }
    }
    return out;
}

std::string FormatLiteral(std::string_view body, int& conversions)
{
    conversions = 0;
    std::string out;
    out.reserve(body.size());
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        const char next = i + 1 < body.size() ? body[i + 1] : '\0';
        if (codec::IsDoubleByte(c, next)) {
            // A double-byte character is copied whole: its second byte may
            // equal a backslash.
            out += c;
            out += next;
            ++i;
        } else if (c == '%') {
            if (std::size_t length = ConversionLength(body.substr(i))) {
                out.append(body.substr(i, length));
                ++conversions;
                i += length - 1;
            } else {
                out += "%%";
            }
        } else if (c == '\\') {
            if (next == 'n' || next == 't') {
                out += c;
                out += next;
                ++i;
            } else {
                out += "\\\\";
            }
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '?' && next == '?') {
            out += "?\\"; // no trigraph
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace codegen
