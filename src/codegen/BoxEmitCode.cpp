// The C text of every box kind: one statement or control structure per box,
// indented four spaces per level. Box texts are read, never changed: a chart
// whose boxes have no editors must come out of a generation as it went in.

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "base/CConsole.h"
#include "model/CInputBox.h"
#include "interp/CInterpreter.h"
#include "model/COutputBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "codegen/CodeText.h"
#include "interp/EvalError.h"
#include "interp/Operators.h"

#include <optional>
#include <string>

using namespace codegen;

namespace {

bool IsRandomKind(int kind) { return kind == TK_FN_RAND || kind == TK_FN_SRAND || kind == TK_FN_GAUSSIANRAND; }

bool HasRandom(const TokenVector& tokens)
{
    for (const CToken& token : tokens) {
        if (IsRandomKind(token.kind))
            return true;
    }
    return false;
}

// The value of a constant item, or nothing when it is not constant (or fails
// to evaluate: the header's own evaluation reports that).
std::optional<double> ConstantValue(const TokenVector& tokens, const std::vector<TokenRange>& items, std::size_t index)
{
    if (index >= items.size() || !IsConstant(tokens, items[index]))
        return std::nullopt;
    CInterpreter interp;
    try {
        return interp.Evaluate(JoinTokens(tokens, items[index]));
    } catch (const CEvalError&) {
        return std::nullopt;
    }
}

// The start of a counting header: what follows the first "=" of its first
// item. No "=" leaves it unknown.
TokenRange StartOf(const TokenVector& tokens, const TokenRange& first)
{
    for (std::size_t i = first.begin; i < first.end; ++i) {
        if (tokens[i].kind == TK_ASSIGN)
            return { i + 1, first.end };
    }
    return { first.end, first.end };
}

// Whether a counting loop counts downward, as far as generation can know.
// With a constant start and limit the run's own rule decides (downward when
// the start exceeds the limit). Otherwise only a constant negative step says
// downward: a run that counted upward with it would never end. Everything
// else counts upward, which is what the run does whenever the start does not
// exceed the limit.
bool CountsDown(const TokenVector& tokens, const std::vector<TokenRange>& items, bool hasStep)
{
    std::vector<TokenRange> bounds { StartOf(tokens, items[0]) };
    if (items.size() > 1)
        bounds.push_back(items[1]);
    std::optional<double> start = ConstantValue(tokens, bounds, 0);
    std::optional<double> limit = ConstantValue(tokens, bounds, 1);
    if (start && limit)
        return *start > *limit;
    if (!hasStep)
        return false;
    std::optional<double> step = ConstantValue(tokens, items, 2);
    return step && *step < 0;
}

struct CountingHeader {
    bool counting { false };
    bool hasStep { false };
};

// Evaluates a pre-test loop header as the run would, every name at 0, to
// learn whether it counts. An evaluation error is reported on the console and
// leaves the header a plain condition. A header that draws random numbers is
// judged by its commas instead, so that generating code does not move the
// program's random sequence.
std::optional<CountingHeader> ReadHeader(const std::string& text, const TokenVector& tokens,
    const std::vector<TokenRange>& items, CConsole& console)
{
    if (HasRandom(tokens))
        return CountingHeader { items.size() > 1, items.size() > 2 };
    CInterpreter interp;
    try {
        interp.EvaluateReport(text, console);
    } catch (const CEvalError&) {
        return std::nullopt;
    }
    CountingHeader header;
    header.counting = interp.HasPending();
    if (header.counting) {
        interp.NextValue();
        header.hasStep = interp.HasPending();
    }
    return header;
}

// "for(init;condition;step" of a counting header.
std::string ForHeader(const TokenVector& tokens, const std::vector<TokenRange>& items, bool hasStep)
{
    const std::string var = tokens.empty() ? std::string() : tokens.front().text;
    std::string text = "for(" + JoinTokens(tokens, items[0]) + ";";
    text += var + (CountsDown(tokens, items, hasStep) ? ">=" : "<=");
    if (items.size() > 1)
        text += JoinTokens(tokens, items[1]);
    text += ";";
    if (hasStep) {
        // The step runs to the end of the header, further commas included.
        text += var + "+=";
        if (items.size() > 2)
            text += JoinTokens(tokens, { items[2].begin, tokens.size() });
    } else {
        text += var + "++";
    }
    return text;
}

// The output list items that carry a value: names, numbers, parenthesised
// expressions and function calls. An operator in front of an item (the minus
// of -a, ++) is printed as text before the value.
bool StartsValue(int kind)
{
    switch (kind) {
    case TK_IDENT:
    case TK_NUMBER:
    case TK_LPAREN:
        return true;
    default:
        return IsFunctionKind(kind);
    }
}

// Kinds whose C result is an int even among doubles.
bool YieldsInt(int kind)
{
    switch (kind) {
    case TK_MOD:
    case TK_FN_ABS:
    case TK_FN_RAND:
    case TK_FN_SRAND:
        return true;
    default:
        return IsIntegerOperator(kind);
    }
}

// A printf argument for "%lf", which needs a double: every variable is one,
// but a comparison, abs(), rand() or a whole number alone is an int in C and
// is converted.
std::string DoubleArgument(const TokenVector& tokens, TokenRange item)
{
    bool hasDouble = false;
    bool hasInt = false;
    for (std::size_t i = item.begin; i < item.end; ++i) {
        const CToken& token = tokens[i];
        if (YieldsInt(token.kind))
            hasInt = true;
        else if (token.kind == TK_IDENT || IsFunctionKind(token.kind)
            || (token.kind == TK_NUMBER && token.text.find_first_of(".e") != std::string::npos))
            hasDouble = true;
    }
    std::string text = JoinTokens(tokens, item);
    if (hasInt || !hasDouble)
        return "(double)(" + text + ")";
    return text;
}

// A percent sign that printf must print as it stands.
std::string Literal(const std::string& text)
{
    std::string out;
    for (char c : text) {
        out += c;
        if (c == '%')
            out += '%';
    }
    return out;
}

// The end of an element reference that starts with a name at `at`: the name
// and each bracketed subscript after it.
std::size_t ReferenceEnd(const TokenVector& tokens, std::size_t at)
{
    std::size_t i = at + 1;
    while (i < tokens.size() && tokens[i].kind == TK_LBRACKET) {
        int depth = 0;
        for (; i < tokens.size(); ++i) {
            if (tokens[i].kind == TK_LBRACKET)
                ++depth;
            else if (tokens[i].kind == TK_RBRACKET && --depth == 0)
                break;
        }
        if (i < tokens.size())
            ++i; // past the closing bracket
    }
    return i;
}

} // namespace

// Simple box. It does not refresh its text: the declarations pass did, just
// before. An array initialiser went into the declaration line instead.
void CProcessBox::EmitCode(CConsole& console, int indent)
{
    if (m_text.empty() || HasBrace(TokensOf(m_text)))
        return;
    console.Indent(indent);
    console.Write(SeparateStatements(m_text));
    console.Write(";");
    console.NewLine();
}

void CBranchBox::EmitCode(CConsole& console, int indent)
{
    RefreshText();
    console.Indent(indent);
    console.Write("if(");
    if (!m_text.empty())
        console.Write(m_text);
    console.Write("){\n");
    m_thenSeq.EmitCode(console, indent + 1);
    console.Indent(indent);
    console.Write("}\n");
    console.Indent(indent);
    console.Write("else{\n");
    m_elseSeq.EmitCode(console, indent + 1);
    console.Indent(indent);
    console.Write("}\n");
}

void CPreTestLoopBox::EmitCode(CConsole& console, int indent)
{
    RefreshText();
    const TokenVector tokens = TokensOf(m_text);
    const std::vector<TokenRange> items = SplitItems(tokens, { 0, tokens.size() });
    std::optional<CountingHeader> header = ReadHeader(m_text, tokens, items, console);
    console.Indent(indent);
    if (header && header->counting) {
        console.Write(ForHeader(tokens, items, header->hasStep));
    } else {
        console.Write("while(");
        if (!m_text.empty())
            console.Write(m_text);
    }
    console.Write("){\n");
    m_bodySeq.EmitCode(console, indent + 1);
    console.Indent(indent);
    console.Write("}\n");
}

// The header is written as typed: a post-test loop has no counting form in C.
void CPostTestLoopBox::EmitCode(CConsole& console, int indent)
{
    RefreshText();
    console.Indent(indent);
    console.Write("do{\n");
    m_bodySeq.EmitCode(console, indent + 1);
    console.Indent(indent);
    console.Write("}while(");
    if (!m_text.empty())
        console.Write(m_text);
    console.Write(");\n");
}

void COutputBox::EmitCode(CConsole& console, int indent)
{
    RefreshText();
    if (m_text.empty())
        return;
    const TokenVector tokens = TokensOf(m_text);
    std::string format = "printf(\"";
    std::string arguments;
    // Conversions of the strings so far still waiting for their values: the
    // run fills each with the next result of the list.
    int owed = 0;
    std::size_t i = 0;
    while (i < tokens.size()) {
        const CToken& token = tokens[i];
        if (StartsValue(token.kind)) {
            const TokenRange item { i, ItemEnd(tokens, i, tokens.size()) };
            if (owed > 0)
                --owed;
            else
                format += "%lf ";
            arguments += "," + DoubleArgument(tokens, item);
            i = item.end + 1; // past the comma
        } else if (token.kind == TK_STRING) {
            if (owed > 0) {
                // The run takes a string that stands where a value is due as
                // the value 0, and does not print it.
                --owed;
                arguments += ",0.0";
            } else {
                int conversions = 0;
                format += FormatLiteral(token.text, conversions);
                owed += conversions;
            }
            ++i;
        } else if (owed > 0 && token.kind != TK_COMMA) {
            // An item that starts with an operator (-x, !x, ++x) is still the
            // value the conversion takes, operator included.
            const TokenRange item { i, ItemEnd(tokens, i, tokens.size()) };
            --owed;
            arguments += "," + DoubleArgument(tokens, item);
            i = item.end + 1;
        } else {
            if (token.kind != TK_COMMA)
                format += Literal(token.text);
            ++i;
        }
    }
    for (; owed > 0; --owed)
        arguments += ",0.0"; // a conversion without a value prints 0
    format += "\\n\"";
    console.Indent(indent);
    console.WriteRaw(format);
    console.WriteRaw(arguments);
    console.WriteRaw(");\n");
}

// Every variable of the list, an element reference kept whole: a[i] reads
// into &a[i].
void CInputBox::EmitCode(CConsole& console, int indent)
{
    RefreshText();
    if (m_text.empty())
        return;
    const TokenVector tokens = TokensOf(m_text);
    std::string format = "scanf(\"";
    std::string arguments;
    std::size_t i = 0;
    while (i < tokens.size()) {
        if (tokens[i].kind != TK_IDENT) {
            ++i;
            continue;
        }
        const std::size_t end = ReferenceEnd(tokens, i);
        format += "%lf";
        arguments += ",&" + JoinTokens(tokens, { i, end });
        i = end;
    }
    format += "\"";
    console.Indent(indent);
    console.Write(format);
    console.Write(arguments);
    console.Write(");\n");
}

void CBoxSequence::EmitCode(CConsole& console, int indent)
{
    for (auto& box : m_boxes)
        box->EmitCode(console, indent);
}
