#include "InterpTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Tok {
    int kind;
    std::string text;
    bool operator==(const Tok&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Tok& t) { return out << t.kind << ":'" << t.text << "'"; }

std::vector<Tok> Tokens(std::string_view text)
{
    CTokenList list;
    list.Tokenize(text);
    std::vector<Tok> tokens;
    CToken token;
    while (list.PopFront(token) != TK_END)
        tokens.push_back({ token.kind, token.text });
    return tokens;
}

TEST(Tokenizer, MalformedExponentKeepsTheTokensBeforeIt)
{
    for (const char* text : { "2e+x", "1e", "1e-", "3 + 4e.5", "1.5e2e" }) {
        SCOPED_TRACE(text);
        CTokenList list;
        try {
            list.Tokenize(text);
            FAIL() << "no error";
        } catch (const CEvalError& error) {
            EXPECT_EQ(error.Text(), Msg(texts::kBadExponent));
        }
    }
    CTokenList list;
    EXPECT_THROW(list.Tokenize("a + 2e"), CEvalError);
    EXPECT_EQ(list.Size(), 2u);
}

TEST(Tokenizer, SplitsTexts)
{
    struct Case {
        const char* text;
        std::vector<Tok> tokens;
    };
    const Case cases[] = {
        { "a+=1", { { TK_IDENT, "a" }, { TK_ADD_ASSIGN, "+=" }, { TK_NUMBER, "1" } } },
        { "a+=-1", { { TK_IDENT, "a" }, { TK_ADD_ASSIGN, "+=" }, { TK_MINUS, "-" }, { TK_NUMBER, "1" } } },
        { "x<<=2", { { TK_IDENT, "x" }, { TK_SHL_ASSIGN, "<<=" }, { TK_NUMBER, "2" } } },
        { "a===b", { { TK_IDENT, "a" }, { TK_EQ, "==" }, { TK_ASSIGN, "=" }, { TK_IDENT, "b" } } },
        { "+++", { { TK_INC, "++" }, { TK_PLUS, "+" } } },
        { "-- -= - && &= & || |= |", { { TK_DEC, "--" }, { TK_SUB_ASSIGN, "-=" }, { TK_MINUS, "-" }, { TK_AND, "&&" },
                                         { TK_AND_ASSIGN, "&=" }, { TK_BITAND, "&" }, { TK_OR, "||" },
                                         { TK_OR_ASSIGN, "|=" }, { TK_BITOR, "|" } } },
        { "*= * /= / %= % ^= ^", { { TK_MUL_ASSIGN, "*=" }, { TK_MUL, "*" }, { TK_DIV_ASSIGN, "/=" }, { TK_DIV, "/" },
                                     { TK_MOD_ASSIGN, "%=" }, { TK_MOD, "%" }, { TK_XOR_ASSIGN, "^=" }, { TK_XOR, "^" } } },
        { ">>= >> >= > < != !", { { TK_SHR_ASSIGN, ">>=" }, { TK_SHR, ">>" }, { TK_GE, ">=" }, { TK_GT, ">" },
                                    { TK_LT, "<" }, { TK_NE, "!=" }, { TK_NOT, "!" } } },
        { "([{}]),", { { TK_LPAREN, "(" }, { TK_LBRACKET, "[" }, { TK_LBRACE, "{" }, { TK_RBRACE, "}" },
                         { TK_RBRACKET, "]" }, { TK_RPAREN, ")" }, { TK_COMMA, "," } } },
        { "1E5", { { TK_NUMBER, "1" }, { TK_IDENT, "E5" } } },
        { "1e5e3", { { TK_NUMBER, "1e5e3" } } },
        { ".5", { { TK_NUMBER, ".5" } } },
        { "a.b", { { TK_IDENT, "a" }, { TK_IDENT, "b" } } },
        { "sin sinx Sin", { { TK_FN_SIN, "sin" }, { TK_IDENT, "sinx" }, { TK_IDENT, "Sin" } } },
        { "break continue breaks", { { TK_BREAK, "break" }, { TK_CONTINUE, "continue" }, { TK_IDENT, "breaks" } } },
        { "atan2 log10 gaussianrand", { { TK_FN_ATAN2, "atan2" }, { TK_FN_LOG10, "log10" },
                                          { TK_FN_GAUSSIANRAND, "gaussianrand" } } },
        { "  \n\r\t \n", {} },
        { "a;b:c#$'?@\\`~", { { TK_IDENT, "a" }, { TK_IDENT, "b" }, { TK_IDENT, "c" } } },
        { "\"x = \" x", { { TK_STRING, "x = " }, { TK_IDENT, "x" } } },
        { "\"\"", { { TK_STRING, "" } } },
        { "\"open", { { TK_STRING, "open" } } },
        { "_a1_", { { TK_IDENT, "_a1_" } } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(Tokens(c.text), c.tokens);
    }
    // A NUL byte ends the text.
    EXPECT_EQ(Tokens(std::string_view("a\0b", 3)), (std::vector<Tok> { { TK_IDENT, "a" } }));
}

TEST(Tokenizer, NumberValues)
{
    const std::pair<const char*, double> cases[] = {
        { "1e5", 100000 }, { "1e-3", 0.001 }, { "1.2.3", 1.2 }, { ".5", 0.5 }, { "3.", 3 }, { "1e5e3", 100000 },
        { "2E5", 2 }, { "0.1", 0.1 },
    };
    for (const auto& [text, value] : cases) {
        SCOPED_TRACE(text);
        CTokenList list;
        list.Tokenize(text);
        CToken token;
        list.PopFront(token);
        EXPECT_EQ(token.kind, TK_NUMBER);
        EXPECT_EQ(token.value, value);
    }
}

TEST(Tokenizer, DoubleByteCharacters)
{
    // "表" is 0x95 0x5C in code page 932: its second byte is a backslash.
    const std::string hyou = "\x95\x5C";
    EXPECT_EQ(Tokens("\"" + hyou + "n\""), (std::vector<Tok> { { TK_STRING, hyou + "n" } }));
    // Outside a literal, bytes from 0x7F vanish and an ASCII trail byte reads
    // as the character it equals ("ア" in half width is 0xB1; "Ａ" is 0x82 0x60).
    EXPECT_EQ(Tokens("\x82\x60x"), (std::vector<Tok> { { TK_IDENT, "x" } }));
    EXPECT_EQ(Tokens("\x83\x41"), (std::vector<Tok> { { TK_IDENT, "A" } }));
}

TEST(Tokenizer, ListOperations)
{
    CTokenList list;
    CToken token { TK_IDENT, "keep", 7.0 };
    EXPECT_EQ(list.PopFront(token), TK_END);
    EXPECT_EQ(token.kind, TK_END);
    EXPECT_EQ(token.text, "keep"); // an empty pop leaves text and value
    EXPECT_EQ(token.value, 7.0);

    list.Append(CToken { TK_NUMBER, "2", 2 });
    list.PushFront(CToken { TK_NUMBER, "1", 1 });
    list.PushFront(CToken {}); // an end token is stored like any other
    list.Append(CToken { TK_NUMBER, "3", 3 });
    EXPECT_EQ(list.Size(), 4u);
    EXPECT_EQ(list.PopFront(token), TK_END);
    EXPECT_EQ(list.PopFront(token), TK_NUMBER);
    EXPECT_EQ(token.value, 1.0);
    list.Tokenize("x");
    EXPECT_EQ(list.Size(), 1u);
    list.Clear();
    EXPECT_TRUE(list.IsEmpty());
}

TEST(Tokenizer, TextIsReadAsItsTokensAreTaken)
{
    // Tokens pushed in front of a text not yet read come before it, and an
    // appended one after all of it, however much of it was read.
    CTokenList list;
    list.Tokenize("a, b >>= 1");
    CToken token;
    EXPECT_EQ(list.PopFront(token), TK_IDENT);
    list.PushFront(CToken { TK_NUMBER, "9", 9 });
    list.Append(CToken { TK_STRING, "end", 0 });
    EXPECT_EQ(list.Size(), 6u);
    std::vector<int> kinds;
    while (list.PopFront(token) != TK_END)
        kinds.push_back(token.kind);
    EXPECT_EQ(kinds, (std::vector<int> { TK_NUMBER, TK_COMMA, TK_IDENT, TK_SHR_ASSIGN, TK_NUMBER, TK_STRING }));
    EXPECT_TRUE(list.IsEmpty());

    // The tokens of a long text are those of its parts, in order.
    std::string text;
    for (int i = 0; i < 10000; ++i)
        text += "x" + std::to_string(i) + " <= .5e1,";
    list.Tokenize(text);
    EXPECT_FALSE(list.IsEmpty());
    for (int i = 0; i < 10000; ++i) {
        ASSERT_EQ(list.PopFront(token), TK_IDENT);
        ASSERT_EQ(token.text, "x" + std::to_string(i));
        ASSERT_EQ(list.PopFront(token), TK_LE);
        ASSERT_EQ(list.PopFront(token), TK_NUMBER);
        ASSERT_EQ(token.value, 5.0);
        ASSERT_EQ(list.PopFront(token), TK_COMMA);
    }
    EXPECT_EQ(list.PopFront(token), TK_END);
}

TEST(Tokenizer, LongLexemesAreKeptWhole)
{
    const std::string literal(5000, 'z');
    EXPECT_EQ(Tokens("\"" + literal + "\""), (std::vector<Tok> { { TK_STRING, literal } }));
    const std::string digits = "1" + std::string(400, '0');
    CTokenList list;
    list.Tokenize(digits);
    CToken token;
    list.PopFront(token);
    EXPECT_EQ(token.text, digits);
    EXPECT_EQ(token.value, std::numeric_limits<double>::infinity());
}

} // namespace
