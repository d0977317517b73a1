#include "interp/CReferenceInterpreter.h"

#include "interp/BuiltinFunctions.h"
#include "base/CConsole.h"
#include "interp/ErrorReport.h"
#include "interp/EvalError.h"
#include "interp/Initialiser.h"
#include "interp/Int32.h"
#include "interp/Limits.h"
#include "interp/NumberText.h"
#include "interp/Operators.h"
#include "interp/OutputConversion.h"
#include "base/Texts.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace {

[[noreturn]] void Fail(std::string_view message) { FailEvaluation(message); }

bool IsValue(const CToken& token) { return token.kind == TK_NUMBER || token.kind == TK_IDENT; }

CToken Number(double value) { return CToken { TK_NUMBER, {}, value }; }

// Counts the nesting of comma lists for the life of one ParseList call.
class CNestingGuard {
public:
    explicit CNestingGuard(int& depth) : m_depth(depth)
    {
        // The outermost list is level 0.
        if (m_depth > kMaxNesting)
            Fail(texts::kNestingTooDeep);
        ++m_depth;
    }
    ~CNestingGuard() { --m_depth; }
    CNestingGuard(const CNestingGuard&) = delete;
    CNestingGuard& operator=(const CNestingGuard&) = delete;

private:
    int& m_depth;
};

std::string ElementName(std::string_view base, const std::vector<std::int32_t>& indices)
{
    std::string name(base);
    for (const std::int32_t index : indices) {
        name += '[';
        name += std::to_string(index);
        name += ']';
    }
    return name;
}

} // namespace

CReferenceInterpreter::CReferenceInterpreter() : m_variables(m_ownVariables) {}

CReferenceInterpreter::CReferenceInterpreter(CVariableTable& variables) : m_variables(variables) {}

CReferenceInterpreter::~CReferenceInterpreter()
{
    m_pending.Clear();
}

CToken CReferenceInterpreter::Pop()
{
    CToken token;
    m_pending.PopFront(token);
    return token;
}

void CReferenceInterpreter::Run(std::string_view text)
{
    m_depth = 0;
    m_pending.Tokenize(text);
    ParseList();
}

// ---- entry points ----------------------------------------------------------

double CReferenceInterpreter::Evaluate(std::string_view text)
{
    ThrowingText(text, nullptr, [&] { Run(text); });
    return Pop().value;
}

double CReferenceInterpreter::EvaluateReport(std::string_view text, CConsole& console)
{
    ThrowingText(text, &console, [&] { Run(text); });
    return Pop().value;
}

void CReferenceInterpreter::ExecuteOutput(std::string_view text, CConsole& console)
{
    ThrowingText(text, &console, [&] { Run(text); });
    bool afterValue = false;
    for (CToken token = Pop(); token.kind != TK_END; token = Pop()) {
        if (IsValue(token)) {
            if (afterValue)
                console.Write(" ");
            console.WriteNumber(token.kind == TK_IDENT ? m_variables.Get(token.text) : token.value);
            afterValue = true;
        } else if (token.kind == TK_STRING) {
            console.Write(FillConversions(token.text));
            afterValue = false;
        }
    }
}

void CReferenceInterpreter::ExecuteInput(std::string_view text, CConsole& console)
{
    Run(text);
    for (CToken token = Pop(); token.kind != TK_END; token = Pop()) {
        if (token.kind == TK_IDENT)
            m_variables.Set(token.text, ParseLeadingNumber(console.ReadLine()));
    }
}

double CReferenceInterpreter::NextValue()
{
    const CToken token = Pop();
    return token.kind == TK_END ? 0.0 : token.value;
}

bool CReferenceInterpreter::HasPending()
{
    CToken token = Pop();
    if (token.kind == TK_END)
        return false;
    Push(std::move(token));
    return true;
}

std::string CReferenceInterpreter::FillConversions(const std::string& literal)
{
    return ::FillConversions(literal, [this] {
        const CToken argument = Pop();
        return argument.kind == TK_END ? 0.0 : argument.value;
    });
}

// ---- grammar ---------------------------------------------------------------

// list -> assignment { ',' assignment }
// The results stay at the front in written order, followed by the token that
// ended the list.
void CReferenceInterpreter::ParseList()
{
    CNestingGuard guard(m_depth);
    // A deque, emptied from the back as the results go to the front: a long
    // list holds each result once, not twice.
    std::deque<CToken> results;
    for (;;) {
        ParseAssignment();
        results.push_back(Pop());
        CToken next = Pop();
        if (next.kind != TK_COMMA) {
            Push(std::move(next));
            break;
        }
    }
    while (!results.empty()) {
        Push(std::move(results.back()));
        results.pop_back();
    }
}

// assignment -> logical_or [ assign_op list ]   (only when logical_or is a name)
void CReferenceInterpreter::ParseAssignment()
{
    ParseLogicalOr();
    CToken target = Pop();
    if (target.kind != TK_IDENT) {
        Push(target);
        return;
    }
    CToken op = Pop();
    if (op.kind == TK_ASSIGN) {
        ParseList();
        Push(target);
        AssignTop();
    } else if (const int binary = OperatorOfCompound(op.kind); binary != TK_END) {
        ParseList();
        Push(target);
        ApplyOperator(binary);
        Push(target);
        AssignTop();
    } else {
        Push(std::move(op));
        Push(std::move(target));
    }
}

void CReferenceInterpreter::ParseBinary(void (CReferenceInterpreter::*next)(), int level)
{
    (this->*next)();
    for (;;) {
        CToken left = Pop();
        CToken op = Pop();
        if (!IsOperatorOfLevel(level, op.kind)) {
            Push(std::move(op));
            Push(std::move(left));
            return;
        }
        (this->*next)();
        Push(std::move(left));
        ApplyOperator(op.kind);
    }
}

// logical_or -> logical_and { '||' logical_and }
void CReferenceInterpreter::ParseLogicalOr() { ParseBinary(&CReferenceInterpreter::ParseLogicalAnd, 0); }

// logical_and -> bit_or { '&&' bit_or }
void CReferenceInterpreter::ParseLogicalAnd() { ParseBinary(&CReferenceInterpreter::ParseBitOr, 1); }

// bit_or -> bit_xor { '|' bit_xor }
void CReferenceInterpreter::ParseBitOr() { ParseBinary(&CReferenceInterpreter::ParseBitXor, 2); }

// bit_xor -> bit_and { '^' bit_and }
void CReferenceInterpreter::ParseBitXor() { ParseBinary(&CReferenceInterpreter::ParseBitAnd, 3); }

// bit_and -> equality { '&' equality }
void CReferenceInterpreter::ParseBitAnd() { ParseBinary(&CReferenceInterpreter::ParseEquality, 4); }

// equality -> relational { ('==' | '!=') relational }
void CReferenceInterpreter::ParseEquality() { ParseBinary(&CReferenceInterpreter::ParseRelational, 5); }

// relational -> shift { ('<' | '>' | '<=' | '>=') shift }
void CReferenceInterpreter::ParseRelational() { ParseBinary(&CReferenceInterpreter::ParseShift, 6); }

// shift -> additive { ('>>' | '<<') additive }
void CReferenceInterpreter::ParseShift() { ParseBinary(&CReferenceInterpreter::ParseAdditive, 7); }

// additive -> multiplicative { ('+' | '-') multiplicative }
void CReferenceInterpreter::ParseAdditive() { ParseBinary(&CReferenceInterpreter::ParseMultiplicative, 8); }

// multiplicative -> unary { ('*' | '/' | '%') unary }
void CReferenceInterpreter::ParseMultiplicative() { ParseBinary(&CReferenceInterpreter::ParseUnary, 9); }

// unary -> ('+' | '-' | '!') primary | primary [ '++' | '--' ] | ('++' | '--') name | primary
// The operand of a sign or of '!' is a primary, so - -x is no double negation.
void CReferenceInterpreter::ParseUnary()
{
    ParsePrimary();
    CToken first = Pop();
    switch (first.kind) {
    case TK_PLUS:
    case TK_MINUS:
    case TK_NOT: {
        ParsePrimary();
        const CToken operand = Pop();
        double value = operand.value;
        if (first.kind == TK_MINUS)
            value = -value;
        else if (first.kind == TK_NOT)
            value = operand.value == 0.0 ? 1.0 : 0.0;
        Push(Number(value));
        return;
    }
    case TK_IDENT: {
        CToken next = Pop();
        if (next.kind == TK_INC || next.kind == TK_DEC) {
            Push(first);
            if (next.kind == TK_INC)
                Increment();
            else
                Decrement();
            Pop();
            Push(Number(first.value)); // postfix: the old value
            return;
        }
        Push(std::move(next));
        Push(std::move(first));
        return;
    }
    case TK_INC:
    case TK_DEC: {
        CToken name = Pop();
        if (name.kind != TK_IDENT) {
            Push(std::move(name));
            Push(std::move(first));
            return;
        }
        Push(name);
        if (first.kind == TK_INC)
            Increment();
        else
            Decrement();
        name = Pop();
        name.value = m_variables.Get(name.text); // prefix: the new value
        Push(std::move(name));
        return;
    }
    default:
        Push(std::move(first));
        return;
    }
}

// primary -> '(' list ')' | function '(' list ')' | name { '[' list ']' } [ '=' ... ] | name
// Any other token is left where it is and passed up as the result.
void CReferenceInterpreter::ParsePrimary()
{
    CToken start = Pop();
    if (start.kind == TK_LPAREN) {
        ParseList();
        CToken result = Pop();
        const CToken close = Pop();
        if (close.kind != TK_RPAREN)
            Fail(texts::kNoClosingParen);
        Push(std::move(result)); // a parenthesised name stays assignable
        return;
    }
    if (IsFunctionKind(start.kind)) {
        ParseCall(start);
        return;
    }
    if (start.kind == TK_IDENT) {
        CToken next = Pop();
        if (next.kind == TK_LBRACKET) {
            ParseElement(start);
            return;
        }
        Push(std::move(next));
        start.value = m_variables.Get(start.text);
        Push(std::move(start));
        return;
    }
    Push(std::move(start));
}

// element -> name '[' [ list ] ']' { '[' list ']' } [ '=' ( '{' list '}' | list ) ]
// An element is the variable named by the array's name and its subscripts
// written out in decimal, such as a[2][5]. Empty brackets stand for index -1
// and are allowed only first.
void CReferenceInterpreter::ParseElement(const CToken& name)
{
    std::vector<std::int32_t> indices;
    bool emptySubscript = false;
    for (;;) {
        ParseList();
        const CToken index = Pop();
        if (index.kind == TK_RBRACKET) {
            if (!indices.empty())
                Fail(texts::kBadSubscript);
            emptySubscript = true;
            indices.push_back(-1);
        } else {
            indices.push_back(ToInt32(index.value));
            Pop(); // the closing bracket, taken on trust
        }
        CToken next = Pop();
        if (next.kind != TK_LBRACKET) {
            Push(std::move(next));
            break;
        }
        if (indices.size() >= static_cast<std::size_t>(kMaxSubscripts))
            Fail(texts::kBadSubscript);
    }

    const std::string element = ElementName(name.text, indices);
    CToken next = Pop();
    if (next.kind != TK_ASSIGN) {
        Push(std::move(next));
        Push(CToken { TK_IDENT, element, m_variables.Get(element) });
        return;
    }
    CToken afterAssign = Pop();
    if (afterAssign.kind != TK_LBRACE) {
        if (emptySubscript)
            Fail(texts::kBadSubscript);
        Push(std::move(afterAssign));
        ParseList();
        const CToken value = Pop();
        m_variables.Set(element, value.value);
        Push(CToken { TK_IDENT, element, value.value });
        return;
    }

    // Initialiser list: values go to successive elements (NextInitialised).
    ParseList();
    std::vector<std::int32_t> counters(indices.size(), 0);
    for (CToken value = Pop(); value.kind != TK_RBRACE; value = Pop()) {
        if (value.kind == TK_END)
            break; // no closing brace: stop at the end instead of waiting forever
        m_variables.Set(ElementName(name.text, counters), value.value);
        NextInitialised(counters.data(), indices.data(), static_cast<int>(counters.size()));
    }
    Push(name);
}

// ---- built-in functions ---------------------------------------------------

// call -> function '(' list ')'   (rand also takes '(' ')')
// The arguments are parsed as one list before the function takes what it
// needs, so a wrong count shows where the closing parenthesis should be.
void CReferenceInterpreter::ParseCall(const CToken& function)
{
    const CToken open = Pop();
    if (open.kind == TK_ASSIGN)
        Fail(texts::kAssignToReserved);
    if (open.kind != TK_LPAREN)
        Fail(texts::kFunctionWithoutArgs);
    CToken first = Pop();
    if (first.kind == TK_RPAREN) {
        if (function.kind != TK_FN_RAND)
            Fail(texts::kNoArguments);
        CallFunction(function.kind);
        return;
    }
    Push(first);
    ParseList();
    CallFunction(function.kind);
    CToken result = Pop();
    if (Pop().kind != TK_RPAREN)
        Fail(texts::kWrongArgumentCount);
    Push(result);
}

void CReferenceInterpreter::CallFunction(int kind)
{
    if (kind == TK_FN_SRAND) {
        // The result keeps the argument's kind, with the value 0.
        CToken seed = Pop();
        SeedRandom(seed.value);
        seed.value = 0.0;
        Push(seed);
        return;
    }
    double args[2] = { 0.0, 0.0 };
    for (int i = 0; i < BuiltinArity(kind); ++i)
        args[i] = Pop().value;
    Push(Number(CallBuiltin(kind, args)));
}

// ---- operator steps --------------------------------------------------------

void CReferenceInterpreter::ApplyOperator(int kind)
{
    const CToken left = Pop();
    const CToken right = Pop();
    // A division by zero is reported before a right operand that is no value.
    if (kind == TK_DIV && right.value == 0.0)
        Fail(texts::kDivisionByZero);
    if (ChecksRightOperand(kind) && !IsValue(right))
        Fail(texts::kSyntaxError);
    Push(Number(ApplyBinary(kind, left.value, right.value)));
}

void CReferenceInterpreter::AssignTop()
{
    CToken target = Pop();
    const CToken value = Pop();
    if (target.kind != TK_IDENT) {
        if (value.kind != TK_NUMBER)
            Fail(texts::kSyntaxErrorEqual);
        Fail(texts::kSyntaxError);
    }
    m_variables.Set(target.text, value.value);
    target.value = value.value;
    Push(std::move(target));
}

void CReferenceInterpreter::Increment()
{
    CToken token = Pop();
    if (token.kind != TK_IDENT)
        Fail(texts::kIncrementError);
    m_variables.Set(token.text, m_variables.Get(token.text) + 1.0);
    Push(std::move(token));
}

void CReferenceInterpreter::Decrement()
{
    CToken token = Pop();
    if (token.kind != TK_IDENT)
        Fail(texts::kDecrementError);
    m_variables.Set(token.text, m_variables.Get(token.text) - 1.0);
    Push(std::move(token));
}
