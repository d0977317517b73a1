// The exact C translation. Each box text is compiled as a run compiles it and
// its compiled tree is written out as C: operators whose C meaning differs
// (%, the bit operators, a division that may fail) become prelude helpers,
// and every place where C would evaluate in another order than the run
// (unsequenced operands, the assignment order of a list) is either written
// in the run's order or refused.
#include "codegen/ExactGenerator.h"

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "base/CConsole.h"
#include "interp/CCompiledText.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "interp/CTokenList.h"
#include "interp/CVariableTable.h"
#include "base/Codec.h"
#include "interp/EvalError.h"
#include "codegen/ExactPrelude.h"
#include "interp/Int32.h"
#include "interp/OutputConversion.h"
#include "interp/TokenKind.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <tuple>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

using Kind = CCompiledView::Kind;
namespace ep = exact_prelude;

// What evaluating an expression touches, by C name ("$rand" for the
// generator's state).
struct CEffects {
    std::set<std::string> reads;
    std::set<std::string> writes;
    bool fails { false };

    void Add(const CEffects& other)
    {
        reads.insert(other.reads.begin(), other.reads.end());
        writes.insert(other.writes.begin(), other.writes.end());
        fails = fails || other.fails;
    }
    bool Pure() const { return writes.empty(); }
};

bool Meets(const std::set<std::string>& a, const std::set<std::string>& b)
{
    for (const auto& name : a)
        if (b.count(name))
            return true;
    return false;
}

// Whether two expressions that C may evaluate in either order (or
// interleaved) could give another result than left-then-right.
bool Conflict(const CEffects& a, const CEffects& b)
{
    return Meets(a.writes, b.reads) || Meets(a.writes, b.writes) || Meets(b.writes, a.reads);
}

constexpr const char* kRandState = "$rand";

// C precedence, higher binds tighter.
enum Prec { kAssignPrec = 2, kCondPrec = 3, kOrPrec = 4, kAndPrec = 5, kBitAndPrec = 8, kEqPrec = 9, kRelPrec = 10,
    kAddPrec = 12, kMulPrec = 13, kUnaryPrec = 15, kPrimaryPrec = 16 };

struct CExpr {
    std::string code;
    int prec { kPrimaryPrec };
    bool isInt { false }; // C type int (comparisons, logic): 0 or 1
    bool isConst { false };
    double constValue { 0.0 };
    CEffects fx;
};

std::string Paren(const CExpr& e, int atLeast)
{
    return e.prec < atLeast ? "(" + e.code + ")" : e.code;
}

// An int expression widened to double. A call is cast inside parentheses:
// clang questions a cast applied to a call's result directly.
std::string WidenedInt(const CExpr& e)
{
    const std::string inner = Paren(e, kUnaryPrec + 1);
    if (inner[0] != '(' && inner.back() == ')')
        return "(double)(" + inner + ")";
    return "(double)" + inner;
}

// The shortest decimal that reads back as `value`, as a double literal.
std::string DoubleLiteral(double value)
{
    if (std::isinf(value))
        return value < 0 ? "-HUGE_VAL" : "HUGE_VAL";
    char buffer[64];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string text(buffer, ec == std::errc {} ? end : buffer);
    if (text.find_first_of(".en") == std::string::npos)
        text += ".0";
    return text;
}

bool IsSmallInteger(double value)
{
    return std::fabs(value) < 1e9 && value == std::floor(value) && !(value == 0.0 && std::signbit(value));
}

CExpr Constant(double value)
{
    CExpr e;
    e.isConst = true;
    e.constValue = value;
    if (IsSmallInteger(value)) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.0f", value);
        e.code = buffer;
        e.isInt = true;
    } else {
        e.code = DoubleLiteral(value);
        if (e.code[0] == '-')
            e.prec = kUnaryPrec;
    }
    return e;
}

// `e` where C needs a double (a vararg, an operand that must not be int).
std::string AsDouble(const CExpr& e)
{
    if (!e.isInt)
        return e.code;
    if (e.isConst)
        return DoubleLiteral(e.constValue);
    return "(double)(" + e.code + ")";
}

std::string FixedSixDecimals(double value)
{
    std::array<char, 400> buffer {};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed, 6);
    return ec == std::errc {} ? std::string(buffer.data(), end) : "0.000000";
}

// What the run's counting loop makes of a limit or step: its six-decimal
// text read back (the words inf and nan read as unset variables).
double RoundedSix(double value)
{
    if (!std::isfinite(value))
        return std::signbit(value) ? -0.0 : 0.0;
    return std::strtod(FixedSixDecimals(value).c_str(), nullptr);
}

// Console output converts backslash-n and backslash-t pairs.
std::string ConvertEscapes(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 't')) {
            out += text[i + 1] == 'n' ? '\n' : '\t';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Bytes for a C string literal; `percent` doubles '%' for a printf format.
std::string CStringBody(std::string_view utf8, bool percent)
{
    std::string out;
    char previous = 0;
    for (const char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\')
            out += std::string("\\") + c;
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '%' && percent)
            out += "%%";
        else if (c == '?' && previous == '?')
            out += "\\?"; // no trigraphs
        else if (u < 0x20 || u == 0x7F) {
            char octal[8];
            std::snprintf(octal, sizeof octal, "\\%03o", u);
            out += octal;
        } else
            out += c;
        previous = c;
    }
    return out;
}

// A box text for a comment: one line, nothing that ends or nests a comment.
std::string CommentText(std::string_view cp932)
{
    std::string text = codec::Cp932ToUtf8(cp932);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            out += ' ';
        else if ((c == '*' && next == '/') || (c == '/' && next == '*') || (c == '?' && next == '?')) {
            out += c;
            out += ' ';
        } else
            out += c;
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    // A trailing backslash would join the next line to the comment.
    if (!out.empty() && out.back() == '\\')
        out += ' ';
    return out;
}

const char* KindWord(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Simple: return "simple";
    case BoxKind::Branch: return "branch";
    case BoxKind::PreTestLoop: return "pre-loop";
    case BoxKind::PostTestLoop: return "post-loop";
    case BoxKind::Output: return "output";
    case BoxKind::Input: return "input";
    }
    return "box";
}

const char* MathName(int function)
{
    switch (function) {
    case TK_FN_SIN: return "sin";
    case TK_FN_COS: return "cos";
    case TK_FN_TAN: return "tan";
    case TK_FN_SQRT: return "sqrt";
    case TK_FN_EXP: return "exp";
    case TK_FN_POW: return "pow";
    case TK_FN_ACOS: return "acos";
    case TK_FN_ASIN: return "asin";
    case TK_FN_ATAN2: return "atan2";
    case TK_FN_CEIL: return "ceil";
    case TK_FN_COSH: return "cosh";
    case TK_FN_FABS: return "fabs";
    case TK_FN_FLOOR: return "floor";
    case TK_FN_LOG: return "log";
    case TK_FN_LOG10: return "log10";
    case TK_FN_SINH: return "sinh";
    default: return nullptr;
    }
}

struct CRefused {
    std::string reason;
};

[[noreturn]] void Refuse(const std::string& reason) { throw CRefused { reason }; }

struct CLowered {
    std::vector<std::string> statements;
    CEffects fx;
};

class CExactGenerator {
public:
    std::string Generate(const CRootSequence& root)
    {
        CollectSequence(root, "");
        AssignNames();
        std::string body;
        EmitSequence(root, 1, "", body);
        return Frame(body);
    }

private:
    // ---- names -------------------------------------------------------------

    struct CArrayName {
        std::string base;
        int rank;
        bool operator<(const CArrayName& o) const { return std::tie(base, rank) < std::tie(o.base, o.rank); }
    };

    // The compiled form of a box text, with its slots named.
    const CCompiledText& Compiled(const std::string& text)
    {
        auto found = m_compiled.find(text);
        if (found != m_compiled.end())
            return *found->second;
        auto compiled = CCompiledText::Compile(text, m_table);
        try {
            CTokenList tokens;
            tokens.Tokenize(text);
            for (CToken token; tokens.PopFront(token) != TK_END;) {
                if (token.kind != TK_IDENT)
                    continue;
                m_scalarSlots[m_table.ScalarSlot(token.text)] = token.text;
                for (int rank = 1; rank <= CVariableTable::kMaxSubscripts; ++rank)
                    m_arraySlots[m_table.ArraySlot(token.text, rank)] = { token.text, rank };
            }
        } catch (const CEvalError&) {
            // not compiled either; the caller refuses it
        }
        const CCompiledText& result = *compiled;
        m_compiled.emplace(text, std::move(compiled));
        return result;
    }

    void CollectView(const CCompiledView& view)
    {
        if (view.kind == Kind::Scalar || view.kind == Kind::Prefix)
            m_scalars.insert(m_scalarSlots[view.slot]);
        if (view.kind == Kind::Element || view.kind == Kind::ElementAssign)
            m_arrays.insert(m_arraySlots[view.slot]);
        for (const auto& part : view.parts)
            CollectView(part);
    }

    void CollectText(const std::string& text)
    {
        for (const auto& item : Compiled(text).View())
            CollectView(item);
        CToken first;
        CTokenList tokens;
        try {
            tokens.Tokenize(text);
            tokens.PopFront(first);
        } catch (const CEvalError&) {
            return;
        }
        if (first.kind == TK_IDENT)
            m_scalars.insert(first.text); // a counting loop's variable
        if (auto init = ParseInitialiser(text))
            m_arrays.insert({ init->base, static_cast<int>(init->sizes.size()) });
    }

    void CollectSequence(const CBoxSequence& sequence, const std::string&)
    {
        for (const auto& box : sequence.m_boxes) {
            CollectText(box->m_text);
            if (box->Kind() == BoxKind::Branch) {
                const auto& branch = static_cast<const CBranchBox&>(*box);
                CollectSequence(branch.m_thenSeq, "");
                CollectSequence(branch.m_elseSeq, "");
            } else if (box->Kind() == BoxKind::PreTestLoop || box->Kind() == BoxKind::PostTestLoop) {
                CollectSequence(static_cast<const CPreTestLoopBox&>(*box).m_bodySeq, "");
            }
        }
    }

    static bool Reserved(const std::string& name)
    {
        if (ep::ReservedNames().count(name))
            return true;
        // Names C keeps for itself.
        return name.size() >= 2 && name[0] == '_' && (name[1] == '_' || (name[1] >= 'A' && name[1] <= 'Z'));
    }

    std::string Unique(std::string name)
    {
        if (!name.empty() && name[0] == '_' && Reserved(name))
            name = "v" + name;
        while (Reserved(name) || m_taken.count(name))
            name += "_";
        m_taken.insert(name);
        return name;
    }

    void AssignNames()
    {
        for (const auto& name : m_scalars)
            m_scalarC[name] = Unique(name);
        std::map<std::string, int> ranks;
        for (const auto& array : m_arrays)
            ++ranks[array.base];
        for (const auto& array : m_arrays) {
            const bool plain = ranks[array.base] == 1 && !m_scalars.count(array.base);
            m_arrayC[array] = Unique(plain ? array.base : array.base + "_" + std::to_string(array.rank));
        }
    }

    const std::string& ScalarName(std::uint32_t slot)
    {
        const std::string& c = m_scalarC.at(m_scalarSlots.at(slot));
        m_usedScalars.insert(c);
        return c;
    }

    std::string LoopHelper(const std::string& prefix, const std::string& variable, bool isInt)
    {
        std::string name = Unique(prefix + "_" + variable);
        (isInt ? m_loopInts : m_loopDoubles).push_back(name);
        return name;
    }

    // ---- expressions --------------------------------------------------------

    void Use(const char* helper) { m_helpers.insert(helper); }

    std::string Subscript(const CCompiledView& view, CEffects& fx)
    {
        if (view.kind == Kind::Number && view.value == std::floor(view.value) && std::fabs(view.value) < 2147483647.0) {
            char buffer[32];
            std::snprintf(buffer, sizeof buffer, "%.0f", view.value);
            return buffer;
        }
        Use(ep::kToInt);
        CExpr e = Expr(view);
        if (Conflict(fx, e.fx))
            Refuse("its subscripts would be evaluated in another order in C");
        fx.Add(e.fx);
        return "to_int(" + e.code + ")";
    }

    // "&a, i, j" for an element, its effects in `fx`.
    std::string ElementArgs(const CCompiledView& view, std::size_t subscripts, CEffects& fx)
    {
        Use(ep::kArray);
        const CArrayName& array = m_arraySlots.at(view.slot);
        const std::string& c = m_arrayC.at(array);
        m_usedArrays.insert(c);
        std::string args = "&" + c;
        for (std::size_t i = 0; i < subscripts; ++i)
            args += ", " + Subscript(view.parts[i], fx);
        fx.reads.insert(c);
        return args;
    }

    const std::string& ArrayC(const CCompiledView& view) { return m_arrayC.at(m_arraySlots.at(view.slot)); }

    // The place an assignment stores into, as an lvalue, and how to read it
    // again (for compound operators written as helpers).
    struct CTarget {
        std::string place;
        std::string read; // empty when the place cannot be read twice
        std::string name;
        CEffects fx;
    };

    CTarget Target(const CCompiledView& view)
    {
        CTarget t;
        if (view.kind == Kind::Scalar) {
            t.place = t.read = t.name = ScalarName(view.slot);
        } else if (view.kind == Kind::Element) {
            const std::string args = ElementArgs(view, view.parts.size(), t.fx);
            t.place = "*put(" + args + ")";
            if (t.fx.Pure())
                t.read = "get(" + args + ")";
            t.name = ArrayC(view);
        } else {
            Refuse("it assigns to something that is not a variable or an element");
        }
        return t;
    }

    CExpr Assignment(const CCompiledView& targetView, int op, const CExpr& value)
    {
        CTarget t = Target(targetView);
        if (Conflict(t.fx, value.fx) || value.fx.writes.count(t.name))
            Refuse("the assignment and its value would be evaluated in another order in C");
        CExpr e;
        e.prec = kAssignPrec;
        e.fx = t.fx;
        e.fx.Add(value.fx);
        e.fx.reads.insert(t.name);
        e.fx.writes.insert(t.name);
        const std::string v = Paren(value, kAssignPrec);
        auto helperForm = [&](const std::string& call) {
            if (t.read.empty())
                Refuse("a compound assignment to an element with changing subscripts");
            e.code = t.place + " = " + call;
        };
        if (op == TK_END && targetView.kind == Kind::Scalar && value.code == t.place) {
            // x = x stores what is there: only the read is left.
            e.code = t.place;
            e.prec = kPrimaryPrec;
            e.fx.writes.erase(t.name);
            return e;
        }
        switch (op) {
        case TK_END: e.code = t.place + " = " + v; break;
        case TK_PLUS: e.code = t.place + " += " + v; break;
        case TK_MINUS: e.code = t.place + " -= " + v; break;
        case TK_MUL: e.code = t.place + " *= " + v; break;
        case TK_DIV:
            if (value.isConst && value.constValue != 0.0) {
                e.code = t.place + " /= " + AsDouble(value);
            } else {
                Use(ep::kDivide);
                e.fx.fails = true;
                helperForm("divide(" + t.read + ", " + value.code + ", " + m_errorText + ")");
            }
            break;
        case TK_MOD:
            Use(ep::kMod);
            e.fx.fails = e.fx.fails || !(value.isConst && ToInt32(value.constValue) != 0);
            helperForm("mod(" + t.read + ", " + value.code + ", " + m_errorText + ")");
            break;
        default: {
            const char* helper = BitHelper(op);
            Use(helper);
            helperForm(std::string(helper) + "(" + t.read + ", " + value.code + ")");
        }
        }
        return e;
    }

    static const char* BitHelper(int op)
    {
        switch (op) {
        case TK_BITAND: return ep::kBitAnd;
        case TK_BITOR: return ep::kBitOr;
        case TK_XOR: return ep::kBitXor;
        case TK_SHL: return ep::kShiftLeft;
        case TK_SHR: return ep::kShiftRight;
        default: Refuse("an operator without a C form");
        }
    }

    CExpr Binary(int op, const CExpr& l, const CExpr& r)
    {
        // Two constants compared are folded, as !32768 is: a test on them
        // would leave an arm that compilers call unreachable.
        if (l.isConst && r.isConst) {
            const double a = l.constValue;
            const double b = r.constValue;
            switch (op) {
            case TK_EQ: return Constant(a == b ? 1.0 : 0.0);
            case TK_NE: return Constant(a != b ? 1.0 : 0.0);
            case TK_LT: return Constant(a < b ? 1.0 : 0.0);
            case TK_GT: return Constant(a > b ? 1.0 : 0.0);
            case TK_LE: return Constant(a <= b ? 1.0 : 0.0);
            case TK_GE: return Constant(a >= b ? 1.0 : 0.0);
            default: break;
            }
        }
        CExpr e;
        e.fx = l.fx;
        e.fx.Add(r.fx);
        const bool sequenced = (op == TK_AND || op == TK_OR) && r.fx.Pure() && !r.fx.fails && !l.fx.reads.empty() && !r.fx.reads.empty();
        if (!sequenced && Conflict(l.fx, r.fx))
            Refuse("its operands would be evaluated in another order in C");
        auto arith = [&](const char* sign, int prec) {
            std::string left = Paren(l, prec);
            if (l.isInt && r.isInt)
                left = l.isConst ? DoubleLiteral(l.constValue) : WidenedInt(l);
            e.code = left + " " + sign + " " + Paren(r, prec + 1);
            e.prec = prec;
        };
        auto compare = [&](const char* sign, int prec) {
            // Comparisons and logic inside comparisons are parenthesised.
            // A truth value compared with a number is widened first, which C
            // compilers otherwise question.
            // Two truth values are compared as numbers too: a compiler that
            // folds one of them (10 < 100) would question the comparison.
            auto side = [&](const CExpr& s, const CExpr& other) {
                if (s.isInt && !s.isConst && (other.isInt || other.isConst))
                    return "(double)(" + s.code + ")";
                return s.prec <= kRelPrec || s.code[0] == '!' ? "(" + s.code + ")" : s.code;
            };
            e.code = side(l, r) + " " + sign + " " + side(r, l);
            e.prec = prec;
            e.isInt = true;
        };
        auto call = [&](const char* helper) {
            Use(helper);
            e.code = std::string(helper) + "(" + l.code + ", " + r.code + ")";
        };
        switch (op) {
        case TK_PLUS: arith("+", kAddPrec); break;
        case TK_MINUS: arith("-", kAddPrec); break;
        case TK_MUL: arith("*", kMulPrec); break;
        case TK_DIV:
            if (r.isConst && r.constValue != 0.0) {
                CExpr right = r;
                right.code = AsDouble(r);
                right.isInt = false;
                std::string left = Paren(l, kMulPrec);
                e.code = left + " / " + Paren(right, kMulPrec + 1);
                e.prec = kMulPrec;
            } else {
                Use(ep::kDivide);
                e.fx.fails = true;
                e.code = "divide(" + l.code + ", " + r.code + ", " + m_errorText + ")";
            }
            break;
        case TK_MOD:
            Use(ep::kMod);
            e.fx.fails = e.fx.fails || !(r.isConst && ToInt32(r.constValue) != 0);
            e.code = "mod(" + l.code + ", " + r.code + ", " + m_errorText + ")";
            break;
        case TK_SHL: call(ep::kShiftLeft); break;
        case TK_SHR: call(ep::kShiftRight); break;
        case TK_BITAND: call(ep::kBitAnd); break;
        case TK_BITOR: call(ep::kBitOr); break;
        case TK_XOR: call(ep::kBitXor); break;
        case TK_EQ: compare("==", kEqPrec); break;
        case TK_NE: compare("!=", kEqPrec); break;
        case TK_LT: compare("<", kRelPrec); break;
        case TK_GT: compare(">", kRelPrec); break;
        case TK_LE: compare("<=", kRelPrec); break;
        case TK_GE: compare(">=", kRelPrec); break;
        case TK_AND:
        case TK_OR: {
            const bool isAnd = op == TK_AND;
            e.isInt = true;
            if (sequenced) {
                auto side = [&](const CExpr& s) {
                    if (!s.isInt)
                        return "(" + Paren(s, kEqPrec + 1) + " != 0)";
                    return s.prec <= kAndPrec && !(s.prec == (isAnd ? kAndPrec : kOrPrec)) ? "(" + s.code + ")" : Paren(s, kAndPrec);
                };
                e.code = side(l) + (isAnd ? " && " : " || ") + side(r);
                e.prec = isAnd ? kAndPrec : kOrPrec;
            } else {
                // Both sides are always evaluated, as the run does.
                Use(isAnd ? ep::kBoth : ep::kEither);
                e.code = std::string(isAnd ? "both(" : "either(") + l.code + ", " + r.code + ")";
                e.prec = kPrimaryPrec;
            }
            break;
        }
        default: Refuse("an operator without a C form");
        }
        return e;
    }

    CExpr Expr(const CCompiledView& view)
    {
        switch (view.kind) {
        case Kind::Number: return Constant(view.value);
        case Kind::Scalar: {
            CExpr e;
            e.code = ScalarName(view.slot);
            e.fx.reads.insert(e.code);
            return e;
        }
        case Kind::Element: {
            CExpr e;
            e.code = "get(" + ElementArgs(view, view.parts.size(), e.fx) + ")";
            return e;
        }
        case Kind::ElementAssign: {
            CCompiledView target = view;
            target.kind = Kind::Element;
            target.parts.pop_back();
            return Assignment(target, TK_END, Expr(view.parts.back()));
        }
        case Kind::Assign: {
            // The target (its subscripts) first, then the value.
            return Assignment(view.parts[0], view.op, Expr(view.parts[1]));
        }
        case Kind::Prefix: {
            CExpr e;
            const std::string& name = ScalarName(view.slot);
            e.code = (view.value > 0 ? "++" : "--") + name;
            e.prec = kUnaryPrec;
            e.fx.reads.insert(name);
            e.fx.writes.insert(name);
            return e;
        }
        case Kind::Postfix: {
            CTarget t = Target(view.parts[0]);
            CExpr e;
            e.fx = t.fx;
            e.fx.reads.insert(t.name);
            e.fx.writes.insert(t.name);
            const char* sign = view.value > 0 ? "++" : "--";
            e.code = view.parts[0].kind == Kind::Scalar ? t.place + sign : "(" + t.place + ")" + sign;
            e.prec = kPrimaryPrec;
            return e;
        }
        case Kind::Unary: {
            CExpr operand = Expr(view.parts[0]);
            if (view.op == TK_PLUS)
                return operand;
            CExpr e;
            e.fx = operand.fx;
            e.prec = kUnaryPrec;
            if (view.op == TK_MINUS) {
                if (operand.isConst) {
                    const double negated = -operand.constValue;
                    if (IsSmallInteger(negated) && negated != 0.0) {
                        CExpr c = Constant(negated);
                        c.prec = kUnaryPrec;
                        return c;
                    }
                    const std::string literal = DoubleLiteral(negated);
                    return CExpr { literal, literal[0] == '-' ? kUnaryPrec : kPrimaryPrec, false, true, negated, {} };
                }
                std::string inner = operand.isInt ? WidenedInt(operand) : Paren(operand, kUnaryPrec);
                if (inner[0] == '-' || inner[0] == '+')
                    inner = "(" + inner + ")"; // not -- or a second sign
                e.code = "-" + inner;
            } else if (operand.isConst) {
                // Folded: a C compiler takes !32768 for the constant 0 and
                // questions a truth value compared with it.
                return Constant(operand.constValue == 0.0 ? 1.0 : 0.0);
            } else {
                // !x is x == 0 (NaN gives 0), written so for a double.
                e.code = operand.isInt ? "!" + Paren(operand, kUnaryPrec) : Paren(operand, kEqPrec + 1) + " == 0";
                e.prec = operand.isInt ? kUnaryPrec : kEqPrec;
                e.isInt = true;
            }
            return e;
        }
        case Kind::Binary: return Binary(view.op, Expr(view.parts[0]), Expr(view.parts[1]));
        case Kind::Call: return Call(view);
        case Kind::Srand: {
            Use(ep::kSeedRand);
            CExpr arg = Expr(view.parts[0]);
            CExpr e;
            e.fx = arg.fx;
            e.fx.writes.insert(kRandState);
            e.fx.reads.insert(kRandState);
            e.code = "seed_rand(" + arg.code + ")";
            return e;
        }
        case Kind::Initialiser: Refuse("an initialiser list within a longer text");
        case Kind::String:
        case Kind::AssignList: break;
        }
        Refuse("a list where one value is taken");
    }

    CExpr Call(const CCompiledView& view)
    {
        CExpr e;
        std::vector<CExpr> args;
        for (const auto& part : view.parts) {
            CExpr a = Expr(part);
            if (Conflict(e.fx, a.fx))
                Refuse("its arguments would be evaluated in another order in C");
            e.fx.Add(a.fx);
            args.push_back(std::move(a));
        }
        auto list = [&]() {
            std::string s;
            for (std::size_t i = 0; i < args.size(); ++i)
                s += (i ? ", " : "") + AsDouble(args[i]);
            return s;
        };
        switch (view.op) {
        case TK_FN_RAND:
            Use(ep::kNextRand);
            e.code = "next_rand()";
            e.fx.writes.insert(kRandState);
            e.fx.reads.insert(kRandState);
            return e;
        case TK_FN_GAUSSIANRAND:
            Use(ep::kGaussian);
            e.code = "gaussianrand(" + list() + ")";
            if (Meets(e.fx.writes, { kRandState }) || Meets(e.fx.reads, { kRandState }))
                Refuse("its arguments draw random numbers too");
            e.fx.writes.insert(kRandState);
            e.fx.reads.insert(kRandState);
            return e;
        case TK_FN_ABS:
            Use(ep::kIntAbs);
            e.code = "int_abs(" + list() + ")";
            return e;
        case TK_FN_ATAN:
            // The run's atan is the two-argument arc tangent of x and 1.
            Use("math");
            e.code = "atan2(" + list() + ", 1.0)";
            return e;
        default:
            if (const char* name = MathName(view.op)) {
                Use("math");
                e.code = std::string(name) + "(" + list() + ")";
                return e;
            }
        }
        Refuse("an unknown function");
    }

    // ---- statements ---------------------------------------------------------

    // An assignment as a statement; x = x is only the read it is, kept as
    // one so that C neither questions it nor finds x unused.
    static std::string Statement(const CExpr& assign)
    {
        return assign.fx.Pure() ? "(void)(" + assign.code + ");" : assign.code + ";";
    }

    // The items of a list whose values are not used, as statements in the
    // run's order.
    CLowered LowerItems(const std::vector<CCompiledView>& items, std::size_t from = 0)
    {
        CLowered out;
        for (std::size_t i = from; i < items.size(); ++i) {
            const CCompiledView& item = items[i];
            CLowered one;
            if (item.kind == Kind::String) {
                continue;
            } else if (item.kind == Kind::AssignList) {
                if (item.parts.size() < 2 || item.parts[1].kind == Kind::String || item.parts[1].kind == Kind::AssignList)
                    Refuse("an assignment of a list whose first item is not a value");
                CExpr first = Expr(item.parts[1]);
                CExpr assign = Assignment(item.parts[0], item.op, first);
                CLowered rest = LowerItems(item.parts, 2);
                CTarget target = Target(item.parts[0]);
                if (!rest.fx.reads.count(target.name) && !rest.fx.writes.count(target.name)) {
                    // The value is taken before the later items in C as in
                    // the run, and they do not see the variable.
                    one.statements.push_back(Statement(assign));
                    one.statements.insert(one.statements.end(), rest.statements.begin(), rest.statements.end());
                } else if (first.fx.Pure() && !first.fx.fails && !Meets(rest.fx.writes, assign.fx.reads)) {
                    // The list's later items run before the assignment takes
                    // its value: a = 1, b = a + 1 uses the old a.
                    one.statements = rest.statements;
                    one.statements.push_back(Statement(assign));
                } else {
                    Refuse("the assignments of this list happen in an order C cannot write plainly");
                }
                one.fx = assign.fx;
                one.fx.Add(rest.fx);
            } else {
                CExpr e = Expr(item);
                one.fx = e.fx;
                if (!e.fx.Pure())
                    one.statements.push_back(e.code + ";");
                else if (e.fx.fails || !e.fx.reads.empty())
                    // A read is kept as one: its variables stay declared and
                    // used (x = x alone would leave x unused in C).
                    one.statements.push_back("(void)(" + e.code + ");");
            }
            out.statements.insert(out.statements.end(), one.statements.begin(), one.statements.end());
            out.fx.Add(one.fx);
        }
        return out;
    }

    struct CInitialiser {
        std::string base;
        std::vector<int> sizes; // 0 for an empty first subscript
        std::vector<double> values;
    };

    // name[s]...[s] = {v, ...} with numbers only.
    static std::optional<CInitialiser> ParseInitialiser(const std::string& text)
    {
        std::vector<CToken> tokens;
        try {
            CTokenList list;
            list.Tokenize(text);
            for (CToken t; list.PopFront(t) != TK_END;)
                tokens.push_back(t);
        } catch (const CEvalError&) {
            return std::nullopt;
        }
        std::size_t i = 0;
        auto kind = [&](std::size_t k) { return k < tokens.size() ? tokens[k].kind : TK_END; };
        if (kind(0) != TK_IDENT || kind(1) != TK_LBRACKET)
            return std::nullopt;
        CInitialiser init;
        init.base = tokens[0].text;
        i = 1;
        while (kind(i) == TK_LBRACKET) {
            if (kind(i + 1) == TK_RBRACKET && init.sizes.empty()) {
                init.sizes.push_back(0);
                i += 2;
            } else if (kind(i + 1) == TK_NUMBER && kind(i + 2) == TK_RBRACKET) {
                const std::int32_t size = ToInt32(tokens[i + 1].value);
                if (size < 1 && !init.sizes.empty())
                    return std::nullopt;
                init.sizes.push_back(size);
                i += 3;
            } else {
                return std::nullopt;
            }
        }
        if (init.sizes.size() > static_cast<std::size_t>(CVariableTable::kMaxSubscripts) || kind(i) != TK_ASSIGN || kind(i + 1) != TK_LBRACE)
            return std::nullopt;
        i += 2;
        for (;;) {
            double sign = 1.0;
            if (kind(i) == TK_MINUS) {
                sign = -1.0;
                ++i;
            }
            if (kind(i) != TK_NUMBER)
                return std::nullopt;
            init.values.push_back(sign * tokens[i].value);
            ++i;
            if (kind(i) == TK_COMMA) {
                ++i;
                continue;
            }
            break;
        }
        if (kind(i) != TK_RBRACE || kind(i + 1) != TK_END)
            return std::nullopt;
        return init;
    }

    void Line(std::string& out, int level, const std::string& text)
    {
        out.append(static_cast<std::size_t>(level) * 4, ' ');
        out += text;
        out += '\n';
    }

    std::string ErrorTextLiteral(const std::string& cp932)
    {
        codec::CStreamDecoder decoder;
        std::string utf8 = decoder.Feed(ConvertEscapes(cp932));
        if (!decoder.Flush().empty())
            Refuse("its text ends in half a character");
        return "\"" + CStringBody(utf8, false) + "\"";
    }

    std::string Truth(const CExpr& e)
    {
        if (e.isConst)
            return e.constValue < 0 || e.constValue > 0 ? "1" : "0";
        if (e.isInt)
            return e.code;
        Use(ep::kIsTrue);
        return "is_true(" + e.code + ")";
    }

    // One expression item, refused otherwise.
    CExpr SingleCondition(const CCompiledText& compiled)
    {
        const auto items = compiled.View();
        if (items.size() != 1 || items[0].kind == Kind::String || items[0].kind == Kind::AssignList)
            Refuse("a condition made of several items");
        return Expr(items[0]);
    }

    void EmitOutput(const std::string& text, int level, std::string& out)
    {
        if (text.empty()) {
            Line(out, level, "printf(\"\\n\");");
            return;
        }
        const CCompiledText& compiled = Compiled(text);
        if (!compiled.IsCompiled())
            Refuse("the text is not one the compiled evaluator takes (it would need the reference evaluator)");
        struct CItem {
            bool isString;
            std::string text;
            CExpr value;
            std::string printed; // what prints the value when the list is done
        };
        std::vector<CItem> items;
        std::vector<CCompiledView> views = compiled.View();
        CEffects all;
        bool ordered = true;
        for (const auto& view : views) {
            if (view.kind == Kind::String) {
                items.push_back({ true, view.text, {}, {} });
                continue;
            }
            if (view.kind == Kind::AssignList || view.kind == Kind::Srand)
                Refuse("an output item whose printed variable C would not know");
            CExpr e = Expr(view);
            ordered = ordered && !Conflict(all, e.fx);
            all.Add(e.fx);
            items.push_back({ false, {}, std::move(e), {} });
        }
        // Values that C would evaluate in another order are taken one by one
        // into temporaries first; a variable among the values still prints
        // as it is once the whole list is evaluated, as in the run.
        struct CTemporary {
            std::string name, code;
            bool pure;
        };
        std::vector<CTemporary> temporaries;
        for (std::size_t i = 0, v = 0; i < items.size(); ++i) {
            if (items[i].isString)
                continue;
            const CCompiledView& view = views[i];
            if (ordered) {
                items[i].printed = items[i].value.code;
                continue;
            }
            const std::string temporary = Unique("value" + std::to_string(++v));
            temporaries.push_back({ temporary, items[i].value.code, items[i].value.fx.Pure() && !items[i].value.fx.fails });
            const CCompiledView* variable = &view;
            if (view.kind == Kind::Assign)
                variable = &view.parts[0];
            CCompiledView element = view;
            if (view.kind == Kind::ElementAssign) {
                element.kind = Kind::Element;
                element.parts.pop_back();
                variable = &element;
            }
            if (variable->kind == Kind::Scalar || variable->kind == Kind::Prefix) {
                items[i].printed = ScalarName(variable->slot);
            } else if (variable->kind == Kind::Element) {
                for (const auto& subscript : variable->parts)
                    if (subscript.kind != Kind::Number)
                        Refuse("an element among values that C would evaluate in another order");
                CEffects ignored;
                items[i].printed = "get(" + ElementArgs(*variable, variable->parts.size(), ignored) + ")";
            } else {
                items[i].printed = temporary;
            }
            items[i].value.code = temporary;
            items[i].value.isInt = false;
            items[i].value.isConst = false;
        }
        std::string format;
        std::vector<std::string> args;
        int nums = 0;
        bool afterValue = false;
        for (std::size_t i = 0; i < items.size();) {
            const CItem& item = items[i++];
            if (!item.isString) {
                if (afterValue)
                    format += ' ';
                format += "%s";
                Use(ep::kNum);
                args.push_back("num(" + item.printed + ")");
                ++nums;
                afterValue = true;
                continue;
            }
            std::string_view literal = item.text;
            std::string piece;
            auto flush = [&](bool beforeConversion) {
                std::string converted = ConvertEscapes(piece);
                if (beforeConversion && !converted.empty() && converted.back() == '\\')
                    Refuse("a backslash right before a conversion");
                codec::CStreamDecoder decoder;
                std::string utf8 = decoder.Feed(converted);
                if (!decoder.Flush().empty())
                    Refuse("half a character before a conversion or at the end of a string");
                format += CStringBody(utf8, true);
                piece.clear();
            };
            std::size_t k = 0;
            while (k < literal.size()) {
                const std::size_t length = literal[k] == '%' ? ConversionLength(literal.substr(k)) : 0;
                if (length == 0) {
                    piece += literal[k++];
                    continue;
                }
                flush(true);
                format += NormalisedConversion(literal.substr(k, length));
                if (i < items.size()) {
                    const CItem& arg = items[i++];
                    args.push_back(arg.isString ? "0.0" : AsDouble(arg.value));
                } else {
                    args.push_back("0.0");
                }
                k += length;
            }
            flush(false);
            afterValue = false;
        }
        m_numSlots = std::max(m_numSlots, nums);
        std::string call = "printf(\"" + format + "\\n\"";
        for (const auto& arg : args)
            call += ", " + arg;
        if (temporaries.empty()) {
            Line(out, level, call + ");");
            return;
        }
        Line(out, level, "{");
        for (const auto& temporary : temporaries) {
            if (call.find(temporary.name) != std::string::npos)
                Line(out, level + 1, "double " + temporary.name + " = " + temporary.code + ";");
            else if (!temporary.pure)
                Line(out, level + 1, temporary.code + ";"); // only its effect counts
        }
        Line(out, level + 1, call + ");");
        Line(out, level, "}");
    }

    // Flags once each, and none that printf ignores next to another.
    static std::string NormalisedConversion(std::string_view conversion)
    {
        std::size_t i = 1;
        std::set<char> flags;
        while (i < conversion.size() && std::string_view("-+ #0").find(conversion[i]) != std::string_view::npos)
            flags.insert(conversion[i++]);
        if (flags.count('-'))
            flags.erase('0');
        if (flags.count('+'))
            flags.erase(' ');
        std::string out = "%";
        for (const char f : std::string_view("-+ #0"))
            if (flags.count(f))
                out += f;
        out += conversion.substr(i);
        return out;
    }

    void EmitInput(const std::string& text, int level, std::string& out)
    {
        if (text.empty())
            return;
        const CCompiledText& compiled = Compiled(text);
        if (!compiled.IsCompiled())
            Refuse("the text is not one the compiled evaluator takes (it would need the reference evaluator)");
        if (m_inputMayMissErrors)
            Refuse("an input box inside a loop whose condition may fail after the input ends");
        Use(ep::kReadNumber);
        std::set<std::string> assigned;
        bool first = true;
        for (const auto& view : compiled.View()) {
            if (view.kind == Kind::String)
                continue;
            if (view.kind != Kind::Scalar && view.kind != Kind::Element) {
                if (view.kind == Kind::AssignList)
                    Refuse("an input item that is an assignment");
                CExpr e = Expr(view);
                if (!e.fx.Pure() || e.fx.fails || view.kind == Kind::Assign || view.kind == Kind::ElementAssign || view.kind == Kind::Prefix)
                    Refuse("an input item that is not a variable or an element");
                continue;
            }
            CTarget t = Target(view);
            if (Meets(t.fx.reads, assigned) || (t.fx.fails && !first))
                Refuse("an element whose subscripts use a value read by the same box");
            if (!t.fx.Pure())
                Refuse("an element whose subscripts change variables");
            Line(out, level, t.place + " = read_number();");
            assigned.insert(t.name);
            first = false;
        }
    }

    void EmitSimple(const CProcessBox& box, int level, std::string& out)
    {
        const std::string& text = box.m_text;
        if (text == "break" || text == "continue") {
            if (m_loopDepth > 0) {
                Line(out, level, text + ";");
            } else {
                Use(ep::kFail);
                Line(out, level, "fail(\"" + text + "\", NULL);");
            }
            m_unreachable = true;
            m_boxEnd = { true, text == "break" || m_loopDepth == 0 };
            return;
        }
        if (text.empty())
            return;
        // A whole-text initialiser list has a C form of its own.
        if (auto init = ParseInitialiser(text)) {
            EmitInitialiser(*init, level, out);
            return;
        }
        const CCompiledText& compiled = Compiled(text);
        if (!compiled.IsCompiled())
            Refuse("the text is not one the compiled evaluator takes (it would need the reference evaluator)");
        for (const auto& statement : LowerItems(compiled.View()).statements)
            Line(out, level, statement);
    }

    void EmitInitialiser(const CInitialiser& init, int level, std::string& out)
    {
        Use(ep::kArray);
        const std::string& c = m_arrayC.at({ init.base, static_cast<int>(init.sizes.size()) });
        m_usedArrays.insert(c);
        std::vector<std::int32_t> counters(init.sizes.size(), 0);
        for (const double value : init.values) {
            std::string place = "*put(&" + c;
            for (const auto counter : counters)
                place += ", " + std::to_string(counter);
            Line(out, level, place + ") = " + AsDouble(Constant(value)) + ";");
            ++counters.back();
            for (std::size_t d = counters.size() - 1; d > 0; --d) {
                if (counters[d] >= init.sizes[d]) {
                    counters[d] = 0;
                    ++counters[d - 1];
                }
            }
        }
    }

    void EmitBranch(const CBranchBox& box, int level, const std::string& path, std::string& out)
    {
        std::string condition = "0";
        if (!box.m_text.empty()) {
            const CCompiledText& compiled = Compiled(box.m_text);
            if (!compiled.IsCompiled())
                Refuse("the text is not one the compiled evaluator takes (it would need the reference evaluator)");
            condition = Truth(SingleCondition(compiled));
        }
        if (condition == "0" || condition == "1") {
            // A constant condition: only one arm is ever run.
            const bool then = condition == "1";
            Line(out, level, then ? "{ /* always true */" : "{ /* always false */");
            const CSeqEnd thenEnd = EmitSequence(box.m_thenSeq, level + 1, path + " / then", out, !then);
            const CSeqEnd elseEnd = EmitSequence(box.m_elseSeq, level + 1, path + " / else", out, then);
            Line(out, level, "}");
            m_boxEnd = then ? thenEnd : elseEnd;
            m_unreachable = m_boxEnd.jumps;
            return;
        }
        Line(out, level, "if (" + condition + ") {");
        const CSeqEnd thenEnd = EmitSequence(box.m_thenSeq, level + 1, path + " / then", out);
        CSeqEnd elseEnd;
        if (!box.m_elseSeq.m_boxes.empty()) {
            Line(out, level, "} else {");
            elseEnd = EmitSequence(box.m_elseSeq, level + 1, path + " / else", out);
        }
        Line(out, level, "}");
        // When both arms leave, nothing after the branch is reached.
        m_boxEnd = { thenEnd.jumps && elseEnd.jumps, thenEnd.breaks && elseEnd.breaks };
        m_unreachable = m_boxEnd.jumps;
    }

    // The loop variable of a counting header: its first token, a name.
    static std::string FirstName(const std::string& text)
    {
        CTokenList tokens;
        tokens.Tokenize(text);
        CToken first;
        tokens.PopFront(first);
        return first.kind == TK_IDENT ? first.text : std::string();
    }

    // The values of a counting header "v = start, limit[, step]".
    struct CCounting {
        std::string variable; // C name
        CExpr start, limit;
        std::optional<CExpr> step;
    };

    std::optional<CCounting> CountingHeader(const CCompiledText& compiled, const std::string& text, std::size_t maxValues)
    {
        const auto items = compiled.View();
        if (items.size() != 1 || items[0].kind != Kind::AssignList)
            return std::nullopt;
        const CCompiledView& list = items[0];
        const std::string first = FirstName(text);
        if (list.op != TK_END || list.parts[0].kind != Kind::Scalar || first.empty() || m_scalarSlots.at(list.parts[0].slot) != first)
            Refuse("a counting header that does not start by assigning its loop variable");
        if (list.parts.size() - 1 > maxValues)
            Refuse("a counting header with more items than the loop takes");
        CCounting c;
        c.variable = ScalarName(list.parts[0].slot);
        std::vector<CExpr> values;
        CEffects all;
        for (std::size_t i = 1; i < list.parts.size(); ++i) {
            if (list.parts[i].kind == Kind::String || list.parts[i].kind == Kind::AssignList)
                Refuse("a counting header whose items are not values");
            CExpr e = Expr(list.parts[i]);
            if (!(e.fx.writes.empty() || (e.fx.writes.size() == 1 && e.fx.writes.count(kRandState))) || Conflict(all, e.fx))
                Refuse("a counting header whose items change variables");
            if (i > 1 && e.fx.reads.count(c.variable))
                Refuse("a counting header whose limit or step uses the loop variable");
            all.Add(e.fx);
            values.push_back(std::move(e));
        }
        if (values.size() < 2)
            return std::nullopt;
        c.start = values[0];
        c.limit = values[1];
        if (values.size() > 2)
            c.step = values[2];
        if (!(c.limit.isConst && (!c.step || c.step->isConst)) && (m_scalars.count("inf") || m_scalars.count("nan")))
            Refuse("a counting loop whose limit could read the variables inf or nan");
        return c;
    }

    std::string Fixed6(const CExpr& e)
    {
        if (e.isConst)
            return Constant(RoundedSix(e.constValue)).code;
        Use(ep::kFixed6);
        return "fixed6(" + e.code + ")";
    }

    void EmitPreLoop(const CPreTestLoopBox& box, int level, const std::string& path, std::string& out)
    {
        const std::string& text = box.m_text;
        std::string header;
        m_lastStep.clear();
        bool inputSafe = true;
        bool never = false;
        if (text.empty()) {
            never = true;
        } else {
            const CCompiledText& compiled = Compiled(text);
            if (!compiled.IsCompiled())
                Refuse("the text is not one the compiled evaluator takes (it would need the reference evaluator)");
            if (auto c = CountingHeader(compiled, text, 3)) {
                const std::string& v = c->variable;
                const bool staticDirection = c->start.isConst && c->limit.isConst;
                std::string bound = c->limit.isConst ? Fixed6(c->limit) : LoopHelper("last", v, false);
                std::string init = v + " = " + c->start.code;
                std::string condition;
                if (staticDirection) {
                    condition = v + (c->start.constValue > c->limit.constValue ? " >= " : " <= ") + bound;
                } else {
                    const std::string down = LoopHelper("down", v, true);
                    if (c->start.isConst) {
                        Line(out, level, down + " = " + c->start.code + " > " + Paren(c->limit, kRelPrec + 1) + ";");
                    } else {
                        Line(out, level, init + ";");
                        init.clear();
                        Line(out, level, down + " = " + v + " > " + Paren(c->limit, kRelPrec + 1) + ";");
                    }
                    condition = down + " ? " + v + " >= " + bound + " : " + v + " <= " + bound;
                }
                if (!c->limit.isConst)
                    Line(out, level, bound + " = " + Fixed6(c->limit) + ";");
                std::string step = v + "++";
                if (c->step) {
                    if (c->step->isConst) {
                        const double s = RoundedSix(c->step->constValue);
                        step = s < 0 || (s == 0 && std::signbit(s)) ? v + " -= " + AsDouble(Constant(-s)) : v + " += " + AsDouble(Constant(s));
                        if (s < 0 && IsSmallInteger(-s))
                            step = v + " -= " + Constant(-s).code;
                        else if (s > 0 && IsSmallInteger(s))
                            step = v + " += " + Constant(s).code;
                    } else {
                        const std::string stepName = LoopHelper("step", v, false);
                        Line(out, level, stepName + " = " + Fixed6(*c->step) + ";");
                        step = v + " += " + stepName;
                    }
                }
                header = "for (" + init + "; " + condition + "; " + step + ") {";
                m_lastStep = step;
            } else {
                CExpr condition = SingleCondition(compiled);
                // Later passes evaluate the condition without the message
                // line that the first pass writes.
                if (condition.fx.fails)
                    Refuse("a loop condition that may fail (the run reports it differently after the first pass)");
                header = "while (" + Truth(condition) + ") {";
                never = header == "while (0) {" && condition.fx.Pure();
            }
        }
        if (never) {
            // The condition is false from the start: the body never runs.
            Line(out, level, "{ /* never true */");
            EmitSequence(box.m_bodySeq, level + 1, path + " / body", out, true);
            Line(out, level, "}");
            return;
        }
        std::string body;
        const std::string step = m_lastStep;
        if (EmitLoopBody(box.m_bodySeq, level, path, inputSafe, body) && !step.empty())
            header.replace(header.size() - step.size() - 3, step.size(), ""); // no step after a final break
        Line(out, level, header);
        out += body;
        Line(out, level, "}");
    }

    // Whether the body always leaves by break (its loop's step and later
    // conditions are then never reached).
    bool EmitLoopBody(const CBoxSequence& body, int level, const std::string& path, bool inputSafe, std::string& out)
    {
        const bool savedInput = m_inputMayMissErrors;
        m_inputMayMissErrors = m_inputMayMissErrors || !inputSafe;
        ++m_loopDepth;
        const CSeqEnd end = EmitSequence(body, level + 1, path + " / body", out);
        --m_loopDepth;
        m_inputMayMissErrors = savedInput;
        m_unreachable = false;
        m_boxEnd = {};
        return end.jumps && end.breaks;
    }

    // The names and helpers the translation has used so far.
    struct CUses {
        std::set<std::string> scalars;
        std::set<std::string> arrays;
        std::set<std::string> helpers;
    };
    CUses Uses() const { return { m_usedScalars, m_usedArrays, m_helpers }; }
    // Takes back what was used since `before` into `taken`.
    void TakeBack(const CUses& before, CUses& taken)
    {
        auto move = [](std::set<std::string>& now, const std::set<std::string>& then, std::set<std::string>& into) {
            for (auto at = now.begin(); at != now.end();) {
                if (then.count(*at)) {
                    ++at;
                } else {
                    into.insert(*at);
                    at = now.erase(at);
                }
            }
        };
        move(m_usedScalars, before.scalars, taken.scalars);
        move(m_usedArrays, before.arrays, taken.arrays);
        move(m_helpers, before.helpers, taken.helpers);
    }
    void GiveBack(const CUses& taken)
    {
        m_usedScalars.insert(taken.scalars.begin(), taken.scalars.end());
        m_usedArrays.insert(taken.arrays.begin(), taken.arrays.end());
        m_helpers.insert(taken.helpers.begin(), taken.helpers.end());
    }

    void EmitPostLoop(const CPreTestLoopBox& box, int level, const std::string& path, std::string& out)
    {
        const std::string& text = box.m_text;
        std::string tail;
        bool inputSafe = true;
        // What only the closing test uses: a body that always breaks leaves
        // the test out, and names or helpers nothing else uses would then be
        // declared for nothing (which compilers warn of).
        CUses beforeTail = Uses();
        bool tailOnly = true;
        if (text.empty()) {
            tail = "} while (0);";
        } else {
            const CCompiledText& compiled = Compiled(text);
            if (!compiled.IsCompiled())
                Refuse("the text is not one the compiled evaluator takes (it would need the reference evaluator)");
            if (auto c = CountingHeader(compiled, text, 16)) {
                if (c->start.fx.fails || c->limit.fx.fails || (c->step && c->step->fx.fails))
                    Refuse("a loop header that may fail (the run evaluates it first without a message)");
                if (c->step && !c->step->fx.Pure())
                    Refuse("a loop header whose ignored items draw random numbers");
                const std::string& v = c->variable;
                Line(out, level, v + " = " + c->start.code + ";");
                beforeTail = Uses();
                if (c->limit.isConst) {
                    if (c->limit.constValue < 0 || c->limit.constValue > 0)
                        tail = "} while (++" + v + " <= " + Fixed6(c->limit) + ");";
                    else
                        tail = "} while (" + Truth(Assignment(box_view_target(compiled), TK_END, c->start)) + ");";
                } else {
                    const std::string limit = LoopHelper("limit", v, false);
                    Line(out, level, limit + " = " + c->limit.code + ";");
                    beforeTail = Uses();
                    Use(ep::kIsTrue);
                    CExpr again = Assignment(box_view_target(compiled), TK_END, c->start);
                    again.code = "(" + again.code + ")";
                    again.prec = kPrimaryPrec;
                    tail = "} while (is_true(" + limit + ") ? ++" + v + " <= " + Fixed6(CExpr { limit, kPrimaryPrec, false, false, 0, {} }) + " : " + Truth(again) + ");";
                }
            } else {
                beforeTail = Uses();
                CExpr condition = SingleCondition(compiled);
                if (condition.fx.fails)
                    Refuse("a loop condition that may fail (the run evaluates it first without a message)");
                if (!condition.fx.Pure()) {
                    Line(out, level, "(void)(" + condition.code + ");");
                    tailOnly = false;
                }
                tail = "} while (" + Truth(condition) + ");";
            }
        }
        CUses taken;
        TakeBack(beforeTail, taken);
        Line(out, level, "do {");
        if (EmitLoopBody(box.m_bodySeq, level, path, inputSafe, out)) {
            tail = "} while (0); /* the body always breaks */";
            if (tailOnly)
                taken = {};
        }
        GiveBack(taken);
        Line(out, level, tail);
    }

    static CCompiledView box_view_target(const CCompiledText& compiled) { return compiled.View()[0].parts[0]; }

    void EmitBox(const CProcessBox& box, int level, const std::string& path, std::string& out)
    {
        const std::string comment = CommentText(box.m_text);
        if (m_unreachable) {
            Line(out, level, "/* not reached: " + comment + " */");
            return;
        }
        if (!comment.empty())
            Line(out, level, "/* " + comment + " */");
        m_errorText = box.Kind() == BoxKind::Input ? "NULL" : ErrorTextLiteral(box.m_text);
        switch (box.Kind()) {
        case BoxKind::Simple: EmitSimple(box, level, out); break;
        case BoxKind::Branch: EmitBranch(static_cast<const CBranchBox&>(box), level, path, out); break;
        case BoxKind::PreTestLoop: EmitPreLoop(static_cast<const CPreTestLoopBox&>(box), level, path, out); break;
        case BoxKind::PostTestLoop: EmitPostLoop(static_cast<const CPreTestLoopBox&>(box), level, path, out); break;
        case BoxKind::Output: EmitOutput(box.m_text, level, out); break;
        case BoxKind::Input: EmitInput(box.m_text, level, out); break;
        }
    }

    struct CSeqEnd {
        bool jumps { false };  // the sequence never ends normally
        bool breaks { false }; // it leaves its loop (or the run)
    };

    CSeqEnd EmitSequence(const CBoxSequence& sequence, int level, const std::string& path, std::string& out, bool never = false)
    {
        m_unreachable = never;
        CSeqEnd end;
        int index = 0;
        for (const auto& box : sequence.m_boxes) {
            const std::string here = (path.empty() ? "" : path + " ") + std::to_string(++index) + " " + KindWord(box->Kind());
            try {
                const bool wasUnreachable = m_unreachable;
                m_boxEnd = {};
                EmitBox(*box, level, here, out);
                if (!wasUnreachable && m_unreachable)
                    end = m_boxEnd;
            } catch (const CRefused& refused) {
                throw CExactRefusal(here + " (" + codec::Cp932ToUtf8(box->m_text) + ")", refused.reason);
            }
        }
        m_unreachable = false;
        return never ? CSeqEnd {} : end;
    }

    std::string Frame(const std::string& body)
    {
        std::string out = "/* The chart as a C program that prints exactly what its run prints. */\n";
        if (body.find("get(&") != std::string::npos)
            Use(ep::kGet);
        if (body.find("put(&") != std::string::npos)
            Use(ep::kPut);
        // Code written and then dropped (a loop condition after a final
        // break) may have asked for a helper that the program does not call.
        std::set<std::string> helpers;
        for (const auto& helper : m_helpers)
            if (helper == "math" || helper == ep::kArray || body.find(helper + "(") != std::string::npos)
                helpers.insert(helper);
        out += ep::Text(helpers, m_numSlots);
        std::string declarations;
        std::string doubles;
        for (const auto& name : m_usedScalars)
            doubles += (doubles.empty() ? "" : ", ") + name;
        for (const auto& name : m_loopDoubles)
            doubles += (doubles.empty() ? "" : ", ") + name;
        if (!doubles.empty())
            declarations += "static double " + doubles + ";\n";
        std::string ints;
        for (const auto& name : m_loopInts)
            ints += (ints.empty() ? "" : ", ") + name;
        if (!ints.empty())
            declarations += "static int " + ints + ";\n";
        for (const auto& [array, name] : m_arrayC)
            if (m_usedArrays.count(name))
                declarations += "static array " + name + " = { " + std::to_string(array.rank) + ", 0, 0, NULL, NULL, NULL };\n";
        if (!declarations.empty())
            out += "\n/* The chart's variables: each starts at 0, as a name never assigned reads. */\n" + declarations;
        out += "\nint main(void)\n{\n";
        out += body;
        out += "    return 0;\n}\n";
        return out;
    }

    CVariableTable m_table;
    std::map<std::string, std::unique_ptr<CCompiledText>> m_compiled;
    std::map<std::uint32_t, std::string> m_scalarSlots;
    std::map<std::uint32_t, CArrayName> m_arraySlots;
    std::set<std::string> m_scalars;
    std::set<CArrayName> m_arrays;
    std::map<std::string, std::string> m_scalarC;
    std::map<CArrayName, std::string> m_arrayC;
    std::set<std::string> m_taken;
    std::set<std::string> m_usedScalars;
    std::set<std::string> m_usedArrays;
    std::vector<std::string> m_loopDoubles;
    std::vector<std::string> m_loopInts;
    std::set<std::string> m_helpers;
    std::string m_errorText { "NULL" };
    int m_numSlots { 1 };
    int m_loopDepth { 0 };
    bool m_unreachable { false };
    CSeqEnd m_boxEnd;
    std::string m_lastStep;
    bool m_inputMayMissErrors { false };
};

} // namespace

std::string GenerateExactC(const CRootSequence& root)
{
    CExactGenerator generator;
    return generator.Generate(root);
}

void GenerateExactCode(const CRootSequence& root, CConsole& console)
{
    std::string program;
    try {
        program = GenerateExactC(root);
    } catch (const CExactRefusal& refusal) {
        std::string why = refusal.what();
        for (std::size_t at = why.find("*/"); at != std::string::npos; at = why.find("*/", at))
            why.insert(at + 1, " ");
        program = "/* This chart cannot be translated exactly: " + why + " */\n";
    }
    // Written raw: the backslashes of the C source stay as they are.
    console.WriteRaw(codec::Utf8ToCp932(program).value_or(program));
    console.Finish();
}
