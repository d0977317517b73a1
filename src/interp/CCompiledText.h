#pragma once
// A box text compiled once into a tree of evaluation nodes, so that a loop
// runs it without tokenising it again. Names are resolved to slots of one
// CVariableTable when compiling, so a compiled text belongs to the
// interpreter (and table) it was made for.
//
// Only texts that the reference evaluator consumes in the ordinary way are
// compiled: assignments, arithmetic, comparisons, elements, initialiser
// lists, calls, comma lists and output strings, the whole text used up.
// Anything else (tokens passed up as results, texts that fail to parse or
// tokenise, empty brackets outside an initialiser list) is marked as not
// compiled and left to the reference evaluator, which gives it its exact
// pending results and messages.

#include "interp/CVariableTable.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A variable as a result refers to it: a scalar slot, or an array slot with
// the subscripts the element was named with.
struct CVarRef {
    std::uint32_t slot { 0 };
    int subscripts { 0 }; // 0 for a scalar
    std::array<std::int32_t, kMaxSubscripts> indices {};

    double Read(const CVariableTable& variables) const
    {
        return subscripts == 0 ? variables.Scalar(slot) : variables.Element(slot, indices.data());
    }
    void Write(CVariableTable& variables, double value) const
    {
        if (subscripts == 0)
            variables.SetScalar(slot, value);
        else
            variables.SetElement(slot, indices.data(), value);
    }
};

// One pending result of a compiled list, as the reference evaluator would
// leave it: a number, a variable (with the value it carried when evaluated)
// or a string literal of an output list.
struct CResult {
    int kind { 0 }; // TK_NUMBER, TK_IDENT or TK_STRING
    double value { 0.0 };
    CVarRef ref;
    std::string_view text; // a string literal's body, owned by the compiled text
};

class CCompiledItem;
struct CCompiledView;

// An expression. A node whose result the reference evaluator leaves as a
// variable (TK_IDENT) is an lvalue: EvalRef also names the variable.
class CCompiledNode {
public:
    explicit CCompiledNode(int depth, bool lvalue = false) : m_depth(depth), m_lvalue(lvalue) {}
    virtual ~CCompiledNode() = default;
    virtual double Eval(CVariableTable& vars) const = 0;
    // Whether the value is true (not 0): what a test takes of it, which a
    // comparison gives without making the value first.
    virtual bool Test(CVariableTable& vars) const;
    virtual double EvalRef(CVariableTable& vars, CVarRef& ref) const
    {
        (void)ref;
        return Eval(vars);
    }
    bool IsLvalue() const { return m_lvalue; }
    int Depth() const { return m_depth; }
    virtual CCompiledView View() const = 0;

private:
    int m_depth;
    bool m_lvalue;
};


// A read-only picture of a compiled text, for translating it into another
// language: each node with its operator, operands and variable slots, in the
// order they are evaluated.
struct CCompiledView {
    enum class Kind { Number, Scalar, Element, ElementAssign, Assign, Prefix, Postfix, Unary, Binary, Call, Srand, String, AssignList, Initialiser };
    Kind kind { Kind::Number };
    int op { 0 }; // the operator or function token; for assignments the compound's operator (TK_END for "=")
    double value { 0.0 }; // a number; +1 or -1 for ++ and --
    std::uint32_t slot { 0 }; // scalar slot (Scalar, Prefix) or array slot (Element, ElementAssign)
    // Element: the subscripts; ElementAssign: the subscripts, then the value;
    // Assign: target, value; AssignList: target, then the list's items;
    // Postfix, Unary, Srand: the operand; Binary: left, right; Call: arguments;
    // Initialiser (`a[n] = {…}`): nothing, a form the generators refuse.
    std::vector<CCompiledView> parts;
    std::string text; // a string literal's body
};

// Three assignments that exchange two elements of an array through a
// scalar, `t = X`, `X = Y` and `Y = t`, done as one while both elements are
// on the array's current page: the values, marks and count that the three
// would leave, one after the other, where none of them could fail.
class CExchange {
public:
    virtual ~CExchange() = default;
    // The exchange the three expressions make, or null when they make none.
    static std::unique_ptr<CExchange> Of(const CCompiledNode& first, const CCompiledNode& second, const CCompiledNode& third);
    // Carries it out and is true, or does nothing and is false (the three
    // are then evaluated as they are).
    virtual bool Run(CVariableTable& variables) const = 0;
};

class CCompiledText {
public:
    // Never fails: a text outside the compiled subset comes back with
    // IsCompiled() false.
    static std::unique_ptr<CCompiledText> Compile(std::string_view text, CVariableTable& variables);
    ~CCompiledText();
    CCompiledText(const CCompiledText&) = delete;
    CCompiledText& operator=(const CCompiledText&) = delete;

    const std::string& Text() const { return m_text; }
    bool IsCompiled() const { return !m_items.empty(); }

    // Evaluates the list, appending its results; throws CEvalError with the
    // interpreter's message on an evaluation error.
    void Run(CVariableTable& variables, std::vector<CResult>& results) const;
    // The value of the first result, leaving the later ones in `results`.
    // `results` stays empty when the list has one item.
    double RunFirst(CVariableTable& variables, std::vector<CResult>& results) const;
    // Whether the text is one expression, whose value Single() gives with
    // nothing left pending.
    bool IsSingle() const { return m_single != nullptr; }
    // The one expression, or null.
    const CCompiledNode* Single() const { return m_single; }
    // The outermost list's items (empty when not compiled).
    std::vector<CCompiledView> View() const;

private:
    explicit CCompiledText(std::string_view text);

    std::string m_text;
    std::vector<std::unique_ptr<CCompiledItem>> m_items;
    const CCompiledNode* m_single { nullptr }; // the only item's expression, if it is one
};
