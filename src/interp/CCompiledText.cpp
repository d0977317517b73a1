#include "interp/CCompiledText.h"

#include "interp/BuiltinFunctions.h"
#include "interp/CTokenList.h"
#include "interp/EvalError.h"
#include "interp/Initialiser.h"
#include "interp/Int32.h"
#include "interp/Operators.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <type_traits>
#include <utility>

namespace {

// Thrown inside the compiler when a text leaves the compiled subset.
struct CNotCompiled {};

// Deeper lists or trees are left to the reference evaluator, which has its
// own limit and message; this keeps evaluation recursion shallow.
constexpr int kMaxListDepth = 48;
constexpr int kMaxTreeDepth = 400;
// A compiled tree takes tens of bytes for each byte of its text. Longer
// texts than this (no box a person writes comes near it) are left to the
// reference evaluator, which reads its tokens as it goes.
constexpr std::size_t kMaxCompiledTextBytes = std::size_t { 64 } << 10;

} // namespace

// ---- nodes -----------------------------------------------------------------

bool CCompiledNode::Test(CVariableTable& vars) const
{
    return IsTrue(Eval(vars));
}

using NodePtr = std::unique_ptr<CCompiledNode>;

namespace {

int DepthOf(const std::vector<NodePtr>& nodes)
{
    int depth = 0;
    for (const auto& node : nodes)
        depth = std::max(depth, node->Depth());
    return depth + 1;
}

class CConstNode final : public CCompiledNode {
public:
    explicit CConstNode(double value) : CCompiledNode(1), m_value(value) {}
    double Eval(CVariableTable&) const override { return m_value; }
    CCompiledView View() const override { CCompiledView v; v.value = m_value; return v; }
    double Value() const { return m_value; }

private:
    double m_value;
};

// A node whose value comes with the variable it names; Eval is the
// derived node's EvalRef with the name dropped (called directly, not
// through the virtual table).
template <class Derived>
class CLvalueNode : public CCompiledNode {
public:
    explicit CLvalueNode(int depth) : CCompiledNode(depth, true) {}
    double Eval(CVariableTable& vars) const final
    {
        CVarRef ref;
        return static_cast<const Derived*>(this)->Derived::EvalRef(vars, ref);
    }
};

class CScalarNode final : public CCompiledNode {
public:
    explicit CScalarNode(std::uint32_t slot) : CCompiledNode(1, true), m_slot(slot) {}
    double Eval(CVariableTable& vars) const override { return vars.Scalar(m_slot); }
    CCompiledView View() const override { CCompiledView v; v.kind = CCompiledView::Kind::Scalar; v.slot = m_slot; return v; }
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        ref.slot = m_slot;
        ref.subscripts = 0;
        return vars.Scalar(m_slot);
    }
    std::uint32_t Slot() const { return m_slot; }

private:
    std::uint32_t m_slot;
};

// Operands folded into a binary node: a scalar read or a constant costs no
// call of its own. Reading either has no effect, so the order of evaluation
// is unchanged.
struct CScalarOperand {
    std::uint32_t slot;
    double Get(CVariableTable& vars) const { return vars.Scalar(slot); }
    CCompiledView View() const
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Scalar;
        v.slot = slot;
        return v;
    }
    int Depth() const { return 1; } // as the scalar's node
};

struct CConstOperand {
    double value;
    double Get(CVariableTable&) const { return value; }
    CCompiledView View() const
    {
        CCompiledView v;
        v.value = value;
        return v;
    }
    int Depth() const { return 1; } // as the constant's node
};

struct CNodeOperand {
    NodePtr node;
    double Get(CVariableTable& vars) const { return node->Eval(vars); }
    CCompiledView View() const { return node->View(); }
    int Depth() const { return node->Depth(); }
};

// An operand whose node is of a known final kind: called directly, not
// through the virtual table.
template <class Node>
struct CTypedOperand {
    NodePtr node;
    double Get(CVariableTable& vars) const { return static_cast<const Node&>(*node).Node::Eval(vars); }
    CCompiledView View() const { return node->View(); }
    int Depth() const { return node->Depth(); }
};

class CSubscripts;
class CElementNode;

// Whether an element operand's value is at hand as a 32-bit integer (a page
// of narrow integers), in `value`; two such compare as their integers do.
template <class Operand>
[[gnu::always_inline]] inline bool IntegerOf(const Operand& operand, CVariableTable& vars, std::int32_t& value);

// A node whose value an assignment can store without a call of its own: the
// assignment is made as one node that calls this one directly. Arithmetic,
// elements and built-ins are the values that assignments mostly take.
class CStorableNode : public CCompiledNode {
public:
    using CCompiledNode::CCompiledNode;
    // The assignment of `self`, which is this node, to a scalar or an element.
    virtual NodePtr StoredInScalar(std::uint32_t slot, int binary, NodePtr self, int depth) const = 0;
    virtual NodePtr StoredInElement(CSubscripts subscripts, NodePtr self) const = 0;
};

template <class Derived>
class CStorable : public CStorableNode {
public:
    using CStorableNode::CStorableNode;
    NodePtr StoredInScalar(std::uint32_t slot, int binary, NodePtr self, int depth) const final;
    NodePtr StoredInElement(CSubscripts subscripts, NodePtr self) const final;
};

constexpr bool IsArithmetic(int kind)
{
    return kind == TK_PLUS || kind == TK_MINUS || kind == TK_MUL || kind == TK_DIV || kind == TK_MOD;
}

template <int Kind, class Left, class Right>
class CFoldedBinaryNode final
    : public std::conditional_t<IsArithmetic(Kind), CStorable<CFoldedBinaryNode<Kind, Left, Right>>, CCompiledNode> {
    using Base = std::conditional_t<IsArithmetic(Kind), CStorable<CFoldedBinaryNode<Kind, Left, Right>>, CCompiledNode>;

public:
    CFoldedBinaryNode(int depth, Left left, Right right) : Base(depth), m_left(std::move(left)), m_right(std::move(right)) {}
    const Left& LeftOperand() const { return m_left; }
    const Right& RightOperand() const { return m_right; }
    double Eval(CVariableTable& vars) const override
    {
        const double l = m_left.Get(vars);
        const double r = m_right.Get(vars);
        return ApplyBinary(Kind, l, r);
    }
    bool Test(CVariableTable& vars) const override
    {
        if constexpr (std::is_same_v<Left, CTypedOperand<CElementNode>> && std::is_same_v<Right, CTypedOperand<CElementNode>>
            && IsComparison(Kind)) {
            // Reading has no effect: when either is not at hand as an
            // integer, both are read again as doubles.
            std::int32_t a = 0;
            std::int32_t b = 0;
            if (IntegerOf(m_left, vars, a) && IntegerOf(m_right, vars, b)) [[likely]]
                return Compare(Kind, a, b);
        }
        const double l = m_left.Get(vars);
        const double r = m_right.Get(vars);
        if constexpr (IsComparison(Kind))
            return Compare(Kind, l, r);
        else
            return IsTrue(ApplyBinary(Kind, l, r));
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Binary;
        v.op = Kind;
        v.parts.push_back(m_left.View());
        v.parts.push_back(m_right.View());
        return v;
    }

private:
    Left m_left;
    Right m_right;
};

// The view of `left OP constant`, as the node it stands in for shows it.
CCompiledView ByConstantView(int op, CCompiledView left, double constant)
{
    CCompiledView v;
    v.kind = CCompiledView::Kind::Binary;
    v.op = op;
    v.parts.push_back(std::move(left));
    v.parts.push_back(CConstOperand { constant }.View());
    return v;
}

// x / c for a constant power of two whose reciprocal is exact: the same
// correctly rounded quotient as a multiplication, without the division.
// (A zero divisor never comes here: it must still fail.)
template <class Left>
class CHalvingNode final : public CStorable<CHalvingNode<Left>> {
public:
    CHalvingNode(int depth, Left left, double divisor)
        : CStorable<CHalvingNode<Left>>(depth), m_left(std::move(left)), m_divisor(divisor), m_reciprocal(1.0 / divisor)
    {
    }
    double Eval(CVariableTable& vars) const override { return m_left.Get(vars) * m_reciprocal; }
    CCompiledView View() const override { return ByConstantView(TK_DIV, m_left.View(), m_divisor); }

private:
    Left m_left;
    double m_divisor;
    double m_reciprocal;
};

// x % c for a constant whose 32-bit value is a positive power of two: C's
// remainder, which takes the sign of x, by a mask.
template <class Left>
class CMaskRemainderNode final : public CStorable<CMaskRemainderNode<Left>> {
public:
    CMaskRemainderNode(int depth, Left left, double divisor, std::int32_t modulus)
        : CStorable<CMaskRemainderNode<Left>>(depth), m_left(std::move(left)), m_divisor(divisor), m_modulus(modulus)
    {
    }
    double Eval(CVariableTable& vars) const override { return static_cast<double>(Remainder(vars)); }
    std::int32_t Remainder(CVariableTable& vars) const
    {
        const std::int32_t a = ToInt32(m_left.Get(vars));
        std::int32_t r = a & (m_modulus - 1);
        if (a < 0 && r != 0)
            r -= m_modulus;
        return r;
    }
    CCompiledView View() const override { return ByConstantView(TK_MOD, m_left.View(), m_divisor); }

private:
    Left m_left;
    double m_divisor;
    std::int32_t m_modulus;
};

// x % m == c and x % m != c for such a remainder: the remainder is a 32-bit
// integer, which equals c exactly when c is that integer, so a test
// compares integers.
template <int Kind>
class CRemainderTestNode final : public CCompiledNode {
public:
    using Remainder = CMaskRemainderNode<CScalarOperand>;
    CRemainderTestNode(int depth, NodePtr remainder, double constant)
        : CCompiledNode(depth), m_remainder(std::move(remainder)), m_constant(constant)
    {
        m_integral = constant >= -2147483648.0 && constant <= 2147483647.0
            && static_cast<double>(static_cast<std::int32_t>(constant)) == constant;
        m_integer = m_integral ? static_cast<std::int32_t>(constant) : 0;
    }
    double Eval(CVariableTable& vars) const override { return Test(vars) ? 1.0 : 0.0; }
    bool Test(CVariableTable& vars) const override
    {
        const std::int32_t r = static_cast<const Remainder&>(*m_remainder).Remainder(vars);
        const bool equal = m_integral && r == m_integer;
        return Kind == TK_EQ ? equal : !equal;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Binary;
        v.op = Kind;
        v.parts.push_back(m_remainder->View());
        v.parts.push_back(CConstOperand { m_constant }.View());
        return v;
    }

private:
    NodePtr m_remainder;
    double m_constant;
    bool m_integral { false };
    std::int32_t m_integer { 0 };
};

// The subscripts of an element, evaluated left to right.
class CSubscripts {
public:
    CSubscripts(CVariableTable& vars, std::uint32_t array, std::vector<NodePtr> subscripts)
        : m_array(array), m_subscripts(std::move(subscripts)), m_window(&vars.Window(array)), m_rows(&vars.RowWindows(array))
    {
        using Plus = CFoldedBinaryNode<TK_PLUS, CScalarOperand, CConstOperand>;
        using Minus = CFoldedBinaryNode<TK_MINUS, CScalarOperand, CConstOperand>;
        for (std::size_t i = 0; i < m_subscripts.size() && i < m_scalarSlots.size(); ++i) {
            const CCompiledNode* subscript = m_subscripts[i].get();
            if (const auto* scalar = dynamic_cast<const CScalarNode*>(subscript)) {
                m_scalarSlots[i] = scalar->Slot();
            } else if (const auto* plus = dynamic_cast<const Plus*>(subscript)) {
                m_scalarSlots[i] = plus->LeftOperand().slot;
                m_offsets[i] = plus->RightOperand().value;
            } else if (const auto* minus = dynamic_cast<const Minus*>(subscript)) {
                // x - c is x + (-c), to the last bit.
                m_scalarSlots[i] = minus->LeftOperand().slot;
                m_offsets[i] = -minus->RightOperand().value;
            }
        }
        for (std::size_t i = 0; i < m_scalarSlots.size(); ++i) {
            // |c| < 2^30, added to a loop index of at most 2^30.
            const double offset = m_offsets[i];
            if (m_scalarSlots[i] != kNoSlot && offset == std::trunc(offset) && std::fabs(offset) < 1073741824.0) {
                m_indexSlots[i] = m_scalarSlots[i];
                m_indexOffsets[i] = static_cast<std::int32_t>(offset);
            }
        }
        const std::size_t count = m_subscripts.size();
        if (count == 1 && m_scalarSlots[0] != kNoSlot)
            m_shape = Shape::OneFolded;
        else if (count == 2 && m_scalarSlots[0] != kNoSlot && m_scalarSlots[1] != kNoSlot)
            m_shape = Shape::TwoFolded;
    }
    // One or two subscripts, each read by its slot, or another kind.
    enum class Shape : std::uint8_t { OneFolded, TwoFolded, Other };
    Shape GetShape() const { return m_shape; }
    // Subscript `i` of a folded shape.
    [[gnu::always_inline]] std::int32_t FoldedIndex(CVariableTable& vars, std::size_t i) const
    {
        // The running loop's variable, while it holds the loop's value, is
        // at hand as an integer: the same index without a conversion.
        const double value = vars.Scalar(m_scalarSlots[i]);
        const CLoopIndex& loop = vars.LoopIndex();
        if (m_indexSlots[i] == loop.slot && value == loop.value) [[likely]]
            return loop.integer + m_indexOffsets[i]; // both within 2^30
        return ToInt32(value + m_offsets[i]);
    }
    // The folded shapes' accesses, through the array's windows.
    [[gnu::always_inline]] double Read1(CVariableTable& vars) const { return vars.Element1(*m_window, m_array, FoldedIndex(vars, 0)); }
    [[gnu::always_inline]] bool ReadInteger1(CVariableTable& vars, std::int32_t& value) const
    {
        const auto at = static_cast<std::uint32_t>(FoldedIndex(vars, 0));
        const CPageWindow& window = *m_window;
        if (at >> CVariableTable::kLinePageBits != window.number)
            return false;
        const std::uint32_t in = at & ((1u << CVariableTable::kLinePageBits) - 1);
        if (window.width == CPageWindow::Int32) [[likely]] {
            value = static_cast<const std::int32_t*>(window.data)[in];
            return true;
        }
        if (window.width == CPageWindow::Int8) {
            value = static_cast<const std::int8_t*>(window.data)[in];
            return true;
        }
        return false;
    }
    double Read2(CVariableTable& vars) const
    {
        const std::int32_t row = FoldedIndex(vars, 0);
        return vars.Element2(RowWindow(row), m_array, row, FoldedIndex(vars, 1));
    }
    [[gnu::always_inline]] void Write1(CVariableTable& vars, std::int32_t index, double value) const { vars.SetElement1(*m_window, m_array, index, value); }
    void Write2(CVariableTable& vars, std::int32_t row, std::int32_t column, double value) const
    {
        vars.SetElement2(RowWindow(row), m_array, row, column, value);
    }
    // The row's window, kept from the last access: a table is mostly walked
    // along a row. A row once made keeps its window, so only one found is
    // kept (a row not made yet may be made by the next store).
    CPageWindow* RowWindow(std::int32_t row) const
    {
        if (row == m_keptRow) [[likely]]
            return m_keptWindow;
        CPageWindow* window = CVariableTable::RowWindow(*m_rows, row);
        if (window) {
            m_keptRow = row;
            m_keptWindow = window;
        }
        return window;
    }
    // Subscript `i`; a plain scalar, or a scalar plus or minus a constant,
    // is read by its slot (reading it has no effect, so nothing changes but
    // the cost; adding 0 changes no subscript).
    std::int32_t Index(CVariableTable& vars, std::size_t i) const
    {
        if (i < m_scalarSlots.size() && m_scalarSlots[i] != kNoSlot)
            return ToInt32(vars.Scalar(m_scalarSlots[i]) + m_offsets[i]);
        return ToInt32(m_subscripts[i]->Eval(vars));
    }
    std::int32_t OnlyIndex(CVariableTable& vars) const { return Index(vars, 0); }
    void Fill(CVariableTable& vars, CVarRef& ref) const
    {
        ref.slot = m_array;
        ref.subscripts = static_cast<int>(m_subscripts.size());
        for (std::size_t i = 0; i < m_subscripts.size(); ++i)
            ref.indices[i] = Index(vars, i);
    }
    // The indices alone, for an evaluation that names no variable.
    void FillIndices(CVariableTable& vars, std::int32_t* indices) const
    {
        for (std::size_t i = 0; i < m_subscripts.size(); ++i)
            indices[i] = Index(vars, i);
    }
    std::uint32_t Array() const { return m_array; }
    std::size_t Count() const { return m_subscripts.size(); }
    // Whether these are one subscript read by its slot, the same as
    // `other`'s, of the same array; and whether `slot` is that subscript's.
    bool SameFolded1(const CSubscripts& other) const
    {
        return m_shape == Shape::OneFolded && other.m_shape == Shape::OneFolded && m_array == other.m_array
            && m_scalarSlots[0] == other.m_scalarSlots[0] && m_offsets[0] == other.m_offsets[0];
    }
    bool ReadsSlot(std::uint32_t slot) const { return m_shape == Shape::OneFolded && m_scalarSlots[0] == slot; }
    CPageWindow& Window() const { return *m_window; }
    int Depth() const { return DepthOf(m_subscripts); }
    CCompiledView View(CCompiledView::Kind kind) const
    {
        CCompiledView v;
        v.kind = kind;
        v.slot = m_array;
        for (const auto& subscript : m_subscripts)
            v.parts.push_back(subscript->View());
        return v;
    }

private:
    static constexpr std::uint32_t kNoSlot = UINT32_MAX;
    std::uint32_t m_array;
    std::vector<NodePtr> m_subscripts;
    // The slots of the first subscripts that are a scalar with a constant
    // added, and the constants.
    std::array<std::uint32_t, 2> m_scalarSlots { kNoSlot, kNoSlot };
    std::array<double, 2> m_offsets { 0.0, 0.0 };
    // The same slots where the constant is a small integer, and the integer
    // (none here never matches the loop index's none).
    static constexpr std::uint32_t kNoIndexSlot = CLoopIndex::kNone - 1;
    std::array<std::uint32_t, 2> m_indexSlots { kNoIndexSlot, kNoIndexSlot };
    std::array<std::int32_t, 2> m_indexOffsets { 0, 0 };
    Shape m_shape { Shape::Other };
    CPageWindow* m_window;
    const std::vector<CPageWindow*>* m_rows;
    // Negative rows have no window: -1 is never kept.
    mutable std::int32_t m_keptRow { -1 };
    mutable CPageWindow* m_keptWindow { nullptr };
};

class CElementNode final : public CStorable<CElementNode> {
public:
    explicit CElementNode(CSubscripts subscripts) : CStorable(subscripts.Depth(), true), m_subscripts(std::move(subscripts)) {}
    // The folded shapes here, small enough to be inlined where the node is
    // called directly; the others in a call of their own.
    double Eval(CVariableTable& vars) const override { return Read(vars); }
    [[gnu::always_inline]] bool ReadInteger(CVariableTable& vars, std::int32_t& value) const
    {
        return m_subscripts.GetShape() == CSubscripts::Shape::OneFolded && m_subscripts.ReadInteger1(vars, value);
    }
    [[gnu::always_inline]] double Read(CVariableTable& vars) const
    {
        using Shape = CSubscripts::Shape;
        if (m_subscripts.GetShape() == Shape::OneFolded) [[likely]]
            return m_subscripts.Read1(vars);
        if (m_subscripts.GetShape() == Shape::TwoFolded)
            return m_subscripts.Read2(vars);
        return EvalOther(vars);
    }
    [[gnu::noinline]] double EvalOther(CVariableTable& vars) const
    {
        if (m_subscripts.Count() == 1)
            return vars.Element1(m_subscripts.Array(), m_subscripts.OnlyIndex(vars));
        if (m_subscripts.Count() == 2) {
            const std::int32_t row = m_subscripts.Index(vars, 0);
            return vars.Element2(m_subscripts.Array(), row, m_subscripts.Index(vars, 1));
        }
        std::int32_t indices[kMaxSubscripts];
        m_subscripts.FillIndices(vars, indices);
        return vars.Element(m_subscripts.Array(), indices);
    }
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        m_subscripts.Fill(vars, ref);
        return ref.Read(vars);
    }
    CCompiledView View() const override { return m_subscripts.View(CCompiledView::Kind::Element); }
    const CSubscripts& Subscripts() const { return m_subscripts; }

private:
    CSubscripts m_subscripts;
};

// An element operand reads through the node's inlined fast path.
template <>
[[gnu::always_inline]] inline double CTypedOperand<CElementNode>::Get(CVariableTable& vars) const
{
    return static_cast<const CElementNode&>(*node).Read(vars);
}

template <class Operand>
[[gnu::always_inline]] inline bool IntegerOf(const Operand& operand, CVariableTable& vars, std::int32_t& value)
{
    return static_cast<const CElementNode&>(*operand.node).ReadInteger(vars, value);
}

// name[...] = value, done where the element is read: subscripts, then the
// value, then the store. The value is an operand (CNodeOperand, or a node of
// a known kind called directly).
template <class Value>
class CElementAssignOf final : public CCompiledNode {
public:
    CElementAssignOf(CSubscripts subscripts, Value value)
        : CCompiledNode(std::max(subscripts.Depth(), value.Depth() + 1), true)
        , m_subscripts(std::move(subscripts))
        , m_value(std::move(value))
    {
    }
    double Eval(CVariableTable& vars) const override
    {
        using Shape = CSubscripts::Shape;
        if (m_subscripts.GetShape() == Shape::OneFolded) {
            const std::int32_t index = m_subscripts.FoldedIndex(vars, 0);
            const double value = m_value.Get(vars);
            m_subscripts.Write1(vars, index, value);
            return value;
        }
        if (m_subscripts.GetShape() == Shape::TwoFolded) {
            const std::int32_t row = m_subscripts.FoldedIndex(vars, 0);
            const std::int32_t column = m_subscripts.FoldedIndex(vars, 1);
            const double value = m_value.Get(vars);
            m_subscripts.Write2(vars, row, column, value);
            return value;
        }
        if (m_subscripts.Count() == 1) {
            const std::int32_t index = m_subscripts.OnlyIndex(vars);
            const double value = m_value.Get(vars);
            vars.SetElement1(m_subscripts.Array(), index, value);
            return value;
        }
        std::int32_t indices[kMaxSubscripts];
        m_subscripts.FillIndices(vars, indices);
        const double value = m_value.Get(vars);
        if (m_subscripts.Count() == 2)
            vars.SetElement2(m_subscripts.Array(), indices[0], indices[1], value);
        else
            vars.SetElement(m_subscripts.Array(), indices, value);
        return value;
    }
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        m_subscripts.Fill(vars, ref);
        const double value = m_value.Get(vars);
        ref.Write(vars, value);
        return value;
    }
    CCompiledView View() const override
    {
        CCompiledView v = m_subscripts.View(CCompiledView::Kind::ElementAssign);
        v.parts.push_back(m_value.View());
        return v;
    }
    const CSubscripts& Subscripts() const { return m_subscripts; }
    const Value& ValueOperand() const { return m_value; }

private:
    CSubscripts m_subscripts;
    Value m_value;
};

// target = value, or a compound assignment: the target is evaluated (and its
// value taken) before the right side, the store comes last.
class CAssignNode final : public CLvalueNode<CAssignNode> {
public:
    CAssignNode(NodePtr target, int binary, NodePtr value)
        : CLvalueNode(std::max(target->Depth(), value->Depth()) + 1)
        , m_target(std::move(target))
        , m_binary(binary)
        , m_value(std::move(value))
    {
    }
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        const double carried = m_target->EvalRef(vars, ref);
        double value = m_value->Eval(vars);
        if (m_binary != TK_END)
            value = ApplyBinary(m_binary, carried, value);
        ref.Write(vars, value);
        return value;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Assign;
        v.op = m_binary;
        v.parts.push_back(m_target->View());
        v.parts.push_back(m_value->View());
        return v;
    }

private:
    NodePtr m_target;
    int m_binary; // TK_END for a plain assignment
    NodePtr m_value;
};

// The same with a scalar target: its value is taken before the right side
// is evaluated, as the general form does. `Binary` is the compound's
// operator when known here: TK_END for "=", TK_PLUS for "+=", or
// kAnyBinary for one held in m_binary.
constexpr int kAnyBinary = -1;

template <class Value, int Binary>
class CScalarAssignOf final : public CCompiledNode {
public:
    CScalarAssignOf(std::uint32_t slot, int binary, Value value, int depth)
        : CCompiledNode(depth, true), m_slot(slot), m_binary(binary), m_value(std::move(value))
    {
    }
    double Eval(CVariableTable& vars) const override
    {
        const double carried = vars.Scalar(m_slot);
        double value = m_value.Get(vars);
        if constexpr (Binary == TK_PLUS)
            value = carried + value;
        else if constexpr (Binary == kAnyBinary)
            value = m_binary == TK_END ? value : ApplyBinary(m_binary, carried, value);
        vars.SetScalar(m_slot, value);
        return value;
    }
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        ref.slot = m_slot;
        ref.subscripts = 0;
        return Eval(vars);
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Assign;
        v.op = m_binary;
        CCompiledView target;
        target.kind = CCompiledView::Kind::Scalar;
        target.slot = m_slot;
        v.parts.push_back(std::move(target));
        v.parts.push_back(m_value.View());
        return v;
    }
    std::uint32_t Slot() const { return m_slot; }
    const Value& ValueOperand() const { return m_value; }

private:
    std::uint32_t m_slot;
    int m_binary;
    Value m_value;
};

template <class Derived>
NodePtr CStorable<Derived>::StoredInScalar(std::uint32_t slot, int binary, NodePtr self, int depth) const
{
    using Value = CTypedOperand<Derived>;
    if (binary == TK_END)
        return std::make_unique<CScalarAssignOf<Value, TK_END>>(slot, binary, Value { std::move(self) }, depth);
    if (binary == TK_PLUS)
        return std::make_unique<CScalarAssignOf<Value, TK_PLUS>>(slot, binary, Value { std::move(self) }, depth);
    return std::make_unique<CScalarAssignOf<Value, kAnyBinary>>(slot, binary, Value { std::move(self) }, depth);
}

template <class Derived>
NodePtr CStorable<Derived>::StoredInElement(CSubscripts subscripts, NodePtr self) const
{
    using Value = CTypedOperand<Derived>;
    return std::make_unique<CElementAssignOf<Value>>(std::move(subscripts), Value { std::move(self) });
}

// t = X, X = Y, Y = t for two elements X and Y of one array, each with one
// subscript read by its slot, neither of them read by t's slot (so that t's
// store changes no subscript). While both are on the array's current page,
// the values move as they are (an element of a page is always a value the
// page holds), and nothing can fail.
class CElementExchange final : public CExchange {
public:
    CElementExchange(std::uint32_t slot, const CSubscripts& x, const CSubscripts& y) : m_slot(slot), m_x(x), m_y(y) {}
    bool Run(CVariableTable& vars) const override
    {
        double was = 0.0;
        if (!vars.ExchangeOnPage(m_x.Window(), m_x.FoldedIndex(vars, 0), m_y.FoldedIndex(vars, 0), was))
            return false;
        vars.SetScalar(m_slot, was);
        return true;
    }

private:
    std::uint32_t m_slot;
    const CSubscripts& m_x;
    const CSubscripts& m_y;
};

NodePtr MakeAssign(NodePtr target, int binary, NodePtr value)
{
    if (const auto* scalar = dynamic_cast<const CScalarNode*>(target.get())) {
        const int depth = std::max(target->Depth(), value->Depth()) + 1;
        const std::uint32_t slot = scalar->Slot();
        if (const auto* storable = dynamic_cast<const CStorableNode*>(value.get()))
            return storable->StoredInScalar(slot, binary, std::move(value), depth);
        if (const auto* source = dynamic_cast<const CScalarNode*>(value.get()))
            return std::make_unique<CScalarAssignOf<CScalarOperand, kAnyBinary>>(slot, binary, CScalarOperand { source->Slot() }, depth);
        if (const auto* constant = dynamic_cast<const CConstNode*>(value.get()))
            return std::make_unique<CScalarAssignOf<CConstOperand, kAnyBinary>>(slot, binary, CConstOperand { constant->Value() }, depth);
        return std::make_unique<CScalarAssignOf<CNodeOperand, kAnyBinary>>(slot, binary, CNodeOperand { std::move(value) }, depth);
    }
    return std::make_unique<CAssignNode>(std::move(target), binary, std::move(value));
}

// ++name and --name: the new value, and the name stays assignable.
class CPrefixNode final : public CLvalueNode<CPrefixNode> {
public:
    CPrefixNode(std::uint32_t slot, double delta) : CLvalueNode(1), m_slot(slot), m_delta(delta) {}
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        ref.slot = m_slot;
        ref.subscripts = 0;
        vars.SetScalar(m_slot, vars.Scalar(m_slot) + m_delta);
        return vars.Scalar(m_slot);
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Prefix;
        v.slot = m_slot;
        v.value = m_delta;
        return v;
    }

private:
    std::uint32_t m_slot;
    double m_delta;
};

// x++ and x--: the value the operand carried; the variable's current value
// is the one changed.
class CPostfixNode final : public CCompiledNode {
public:
    CPostfixNode(NodePtr operand, double delta) : CCompiledNode(operand->Depth() + 1), m_operand(std::move(operand)), m_delta(delta) {}
    double Eval(CVariableTable& vars) const override
    {
        CVarRef ref;
        const double carried = m_operand->EvalRef(vars, ref);
        ref.Write(vars, ref.Read(vars) + m_delta);
        return carried;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Postfix;
        v.value = m_delta;
        v.parts.push_back(m_operand->View());
        return v;
    }

private:
    NodePtr m_operand;
    double m_delta;
};

// The same on a scalar, which it reads and writes by its slot.
class CScalarPostfixNode final : public CCompiledNode {
public:
    CScalarPostfixNode(std::uint32_t slot, double delta) : CCompiledNode(2), m_slot(slot), m_delta(delta) {}
    double Eval(CVariableTable& vars) const override
    {
        const double carried = vars.Scalar(m_slot);
        vars.SetScalar(m_slot, vars.Scalar(m_slot) + m_delta);
        return carried;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Postfix;
        v.value = m_delta;
        CCompiledView operand;
        operand.kind = CCompiledView::Kind::Scalar;
        operand.slot = m_slot;
        v.parts.push_back(std::move(operand));
        return v;
    }

private:
    std::uint32_t m_slot;
    double m_delta;
};

class CUnaryNode final : public CCompiledNode {
public:
    CUnaryNode(int kind, NodePtr operand) : CCompiledNode(operand->Depth() + 1), m_kind(kind), m_operand(std::move(operand)) {}
    double Eval(CVariableTable& vars) const override
    {
        const double value = m_operand->Eval(vars);
        if (m_kind == TK_MINUS)
            return -value;
        if (m_kind == TK_NOT)
            return value == 0.0 ? 1.0 : 0.0;
        return value;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Unary;
        v.op = m_kind;
        v.parts.push_back(m_operand->View());
        return v;
    }

private:
    int m_kind;
    NodePtr m_operand;
};

template <int Kind>
class CBinaryNode final : public CCompiledNode {
public:
    CBinaryNode(NodePtr left, NodePtr right)
        : CCompiledNode(std::max(left->Depth(), right->Depth()) + 1), m_left(std::move(left)), m_right(std::move(right))
    {
    }
    double Eval(CVariableTable& vars) const override
    {
        const double l = m_left->Eval(vars);
        const double r = m_right->Eval(vars);
        return ApplyBinary(Kind, l, r);
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Binary;
        v.op = Kind;
        v.parts.push_back(m_left->View());
        v.parts.push_back(m_right->View());
        return v;
    }

private:
    NodePtr m_left;
    NodePtr m_right;
};

bool IsExactPowerOfTwo(double value)
{
    int exponent = 0;
    const double mantissa = std::frexp(std::fabs(value), &exponent);
    // 2^(exponent - 1), with its reciprocal a normal double.
    return value != 0.0 && std::isfinite(value) && mantissa == 0.5 && exponent - 1 >= -1022 && exponent - 1 <= 1022;
}

template <int Kind, class Left>
NodePtr MakeWithConstant(int depth, Left left, double constant)
{
    if constexpr (Kind == TK_DIV) {
        if (IsExactPowerOfTwo(constant))
            return std::make_unique<CHalvingNode<Left>>(depth, std::move(left), constant);
    }
    if constexpr (Kind == TK_MOD) {
        const std::int32_t modulus = ToInt32(constant);
        if (modulus > 0 && (modulus & (modulus - 1)) == 0)
            return std::make_unique<CMaskRemainderNode<Left>>(depth, std::move(left), constant, modulus);
    }
    return std::make_unique<CFoldedBinaryNode<Kind, Left, CConstOperand>>(depth, std::move(left), CConstOperand { constant });
}

// `l OP constant` with `l` of the first of the node kinds that it is,
// called directly; null when it is none of them.
template <int Kind, class First, class... Rest>
NodePtr TypedWithConstant(int depth, NodePtr& l, double constant)
{
    if (dynamic_cast<const First*>(l.get()))
        return std::make_unique<CFoldedBinaryNode<Kind, CTypedOperand<First>, CConstOperand>>(
            depth, CTypedOperand<First> { std::move(l) }, CConstOperand { constant });
    if constexpr (sizeof...(Rest) > 0)
        return TypedWithConstant<Kind, Rest...>(depth, l, constant);
    else
        return nullptr;
}

// Arithmetic on two scalars or a scalar and a constant, as the left side of
// more: 3 * x + 1 in one call.
template <int Inner>
using CScalarByConstant = CFoldedBinaryNode<Inner, CScalarOperand, CConstOperand>;
template <int Inner>
using CConstantByScalar = CFoldedBinaryNode<Inner, CConstOperand, CScalarOperand>;
template <int Inner>
using CScalarByScalar = CFoldedBinaryNode<Inner, CScalarOperand, CScalarOperand>;

template <int Kind>
NodePtr SimpleArithmeticWithConstant(int depth, NodePtr& l, double constant)
{
    return TypedWithConstant<Kind, CConstantByScalar<TK_MUL>, CScalarByConstant<TK_MUL>, CScalarByScalar<TK_MUL>,
        CScalarByConstant<TK_PLUS>, CConstantByScalar<TK_PLUS>, CScalarByScalar<TK_PLUS>, CScalarByConstant<TK_MINUS>,
        CConstantByScalar<TK_MINUS>, CScalarByScalar<TK_MINUS>>(depth, l, constant);
}

template <int Kind>
NodePtr MakeBinaryOf(NodePtr l, NodePtr r)
{
    const int depth = std::max(l->Depth(), r->Depth()) + 1;
    const auto* leftScalar = dynamic_cast<const CScalarNode*>(l.get());
    const auto* rightScalar = dynamic_cast<const CScalarNode*>(r.get());
    const auto* rightConst = dynamic_cast<const CConstNode*>(r.get());
    const bool leftElement = dynamic_cast<const CElementNode*>(l.get()) != nullptr;
    const bool rightElement = dynamic_cast<const CElementNode*>(r.get()) != nullptr;
    using Element = CTypedOperand<CElementNode>;
    if (leftElement && rightElement)
        return std::make_unique<CFoldedBinaryNode<Kind, Element, Element>>(depth, Element { std::move(l) }, Element { std::move(r) });
    if (leftElement && rightConst)
        return MakeWithConstant<Kind>(depth, Element { std::move(l) }, rightConst->Value());
    if (leftElement && rightScalar)
        return std::make_unique<CFoldedBinaryNode<Kind, Element, CScalarOperand>>(
            depth, Element { std::move(l) }, CScalarOperand { rightScalar->Slot() });
    if (leftScalar && rightElement)
        return std::make_unique<CFoldedBinaryNode<Kind, CScalarOperand, Element>>(
            depth, CScalarOperand { leftScalar->Slot() }, Element { std::move(r) });
    if (leftScalar && rightConst)
        return MakeWithConstant<Kind>(depth, CScalarOperand { leftScalar->Slot() }, rightConst->Value());
    if (leftScalar && rightScalar)
        return std::make_unique<CFoldedBinaryNode<Kind, CScalarOperand, CScalarOperand>>(
            depth, CScalarOperand { leftScalar->Slot() }, CScalarOperand { rightScalar->Slot() });
    const auto* leftConst = dynamic_cast<const CConstNode*>(l.get());
    if (leftConst && rightScalar)
        return std::make_unique<CFoldedBinaryNode<Kind, CConstOperand, CScalarOperand>>(
            depth, CConstOperand { leftConst->Value() }, CScalarOperand { rightScalar->Slot() });
    // x % 2 == 0 and the like: a test of evenness, in one call.
    using Remainder = CMaskRemainderNode<CScalarOperand>;
    if constexpr (Kind == TK_EQ || Kind == TK_NE) {
        if (rightConst && dynamic_cast<const Remainder*>(l.get()))
            return std::make_unique<CRemainderTestNode<Kind>>(depth, std::move(l), rightConst->Value());
    }
    if constexpr (Kind == TK_PLUS || Kind == TK_MINUS || Kind == TK_MUL) {
        if (rightConst) {
            if (NodePtr made = SimpleArithmeticWithConstant<Kind>(depth, l, rightConst->Value()))
                return made;
        }
    }
    if (rightConst && dynamic_cast<const Remainder*>(l.get()))
        return std::make_unique<CFoldedBinaryNode<Kind, CTypedOperand<Remainder>, CConstOperand>>(
            depth, CTypedOperand<Remainder> { std::move(l) }, CConstOperand { rightConst->Value() });
    if (rightConst)
        return MakeWithConstant<Kind>(depth, CNodeOperand { std::move(l) }, rightConst->Value());
    if (rightScalar)
        return std::make_unique<CFoldedBinaryNode<Kind, CNodeOperand, CScalarOperand>>(
            depth, CNodeOperand { std::move(l) }, CScalarOperand { rightScalar->Slot() });
    if (leftScalar)
        return std::make_unique<CFoldedBinaryNode<Kind, CScalarOperand, CNodeOperand>>(
            depth, CScalarOperand { leftScalar->Slot() }, CNodeOperand { std::move(r) });
    return std::make_unique<CBinaryNode<Kind>>(std::move(l), std::move(r));
}

NodePtr MakeBinary(int kind, NodePtr l, NodePtr r)
{
    switch (kind) {
    case TK_PLUS: return MakeBinaryOf<TK_PLUS>(std::move(l), std::move(r));
    case TK_MINUS: return MakeBinaryOf<TK_MINUS>(std::move(l), std::move(r));
    case TK_MUL: return MakeBinaryOf<TK_MUL>(std::move(l), std::move(r));
    case TK_DIV: return MakeBinaryOf<TK_DIV>(std::move(l), std::move(r));
    case TK_MOD: return MakeBinaryOf<TK_MOD>(std::move(l), std::move(r));
    case TK_SHR: return MakeBinaryOf<TK_SHR>(std::move(l), std::move(r));
    case TK_SHL: return MakeBinaryOf<TK_SHL>(std::move(l), std::move(r));
    case TK_BITAND: return MakeBinaryOf<TK_BITAND>(std::move(l), std::move(r));
    case TK_BITOR: return MakeBinaryOf<TK_BITOR>(std::move(l), std::move(r));
    case TK_XOR: return MakeBinaryOf<TK_XOR>(std::move(l), std::move(r));
    case TK_EQ: return MakeBinaryOf<TK_EQ>(std::move(l), std::move(r));
    case TK_NE: return MakeBinaryOf<TK_NE>(std::move(l), std::move(r));
    case TK_GT: return MakeBinaryOf<TK_GT>(std::move(l), std::move(r));
    case TK_LT: return MakeBinaryOf<TK_LT>(std::move(l), std::move(r));
    case TK_GE: return MakeBinaryOf<TK_GE>(std::move(l), std::move(r));
    case TK_LE: return MakeBinaryOf<TK_LE>(std::move(l), std::move(r));
    case TK_AND: return MakeBinaryOf<TK_AND>(std::move(l), std::move(r));
    case TK_OR: return MakeBinaryOf<TK_OR>(std::move(l), std::move(r));
    default: throw CNotCompiled {};
    }
}

// A built-in function: the arguments in written order, then the function.
class CCallNode final : public CCompiledNode {
public:
    CCallNode(int function, std::vector<NodePtr> args) : CCompiledNode(DepthOf(args)), m_function(function), m_args(std::move(args)) {}
    double Eval(CVariableTable& vars) const override
    {
        double a[2] = { 0.0, 0.0 };
        for (std::size_t i = 0; i < m_args.size(); ++i)
            a[i] = m_args[i]->Eval(vars);
        return CallBuiltin(m_function, a);
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Call;
        v.op = m_function;
        for (const auto& arg : m_args)
            v.parts.push_back(arg->View());
        return v;
    }

private:
    int m_function;
    std::vector<NodePtr> m_args;
};

// srand(seed): the result keeps its argument's kind, with the value 0.
class CSrandNode final : public CCompiledNode {
public:
    explicit CSrandNode(NodePtr seed) : CCompiledNode(seed->Depth() + 1, seed->IsLvalue()), m_seed(std::move(seed)) {}
    double Eval(CVariableTable& vars) const override
    {
        SeedRandom(m_seed->Eval(vars));
        return 0.0;
    }
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        SeedRandom(m_seed->EvalRef(vars, ref));
        return 0.0;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Srand;
        v.parts.push_back(m_seed->View());
        return v;
    }

private:
    NodePtr m_seed;
};

} // namespace

// ---- list items ------------------------------------------------------------

// One item of the text's outermost comma list; it appends its results.
class CCompiledItem {
public:
    virtual ~CCompiledItem() = default;
    virtual void Run(CVariableTable& vars, std::vector<CResult>& results) const = 0;
    virtual const CCompiledNode* Expression() const { return nullptr; }
    virtual CCompiledView View() const = 0;
    // How deep its evaluation recurses.
    virtual int Depth() const { return 1; }
};

namespace {

class CStringItem final : public CCompiledItem {
public:
    explicit CStringItem(std::string text) : m_text(std::move(text)) {}
    void Run(CVariableTable&, std::vector<CResult>& results) const override
    {
        CResult& result = results.emplace_back();
        result.kind = TK_STRING;
        result.text = m_text;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::String;
        v.text = m_text;
        return v;
    }

private:
    std::string m_text;
};

class CExpressionItem final : public CCompiledItem {
public:
    explicit CExpressionItem(NodePtr node) : m_node(std::move(node)) {}
    void Run(CVariableTable& vars, std::vector<CResult>& results) const override
    {
        CResult result;
        if (m_node->IsLvalue()) {
            result.kind = TK_IDENT;
            result.value = m_node->EvalRef(vars, result.ref);
        } else {
            result.kind = TK_NUMBER;
            result.value = m_node->Eval(vars);
        }
        results.push_back(result);
    }
    const CCompiledNode* Expression() const override { return m_node.get(); }
    CCompiledView View() const override { return m_node->View(); }
    int Depth() const override { return m_node->Depth(); }

private:
    NodePtr m_node;
};

// An assignment whose right side is a list of several items: the whole list
// is evaluated first, its first result is stored and becomes the variable.
class CAssignListItem final : public CCompiledItem {
public:
    CAssignListItem(NodePtr target, int binary, std::vector<std::unique_ptr<CCompiledItem>> values)
        : m_target(std::move(target)), m_binary(binary), m_values(std::move(values))
    {
    }
    void Run(CVariableTable& vars, std::vector<CResult>& results) const override
    {
        CVarRef ref;
        const double carried = m_target->EvalRef(vars, ref);
        const std::size_t first = results.size();
        for (const auto& item : m_values)
            item->Run(vars, results);
        double value = results[first].value;
        if (m_binary != TK_END)
            value = ApplyBinary(m_binary, carried, value);
        ref.Write(vars, value);
        CResult& result = results[first];
        result.kind = TK_IDENT;
        result.value = value;
        result.ref = ref;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::AssignList;
        v.op = m_binary;
        v.parts.push_back(m_target->View());
        for (const auto& item : m_values)
            v.parts.push_back(item->View());
        return v;
    }

    int Depth() const override
    {
        int depth = m_target->Depth();
        for (const auto& item : m_values)
            depth = std::max(depth, item->Depth());
        return depth + 1;
    }

private:
    NodePtr m_target;
    int m_binary;
    std::vector<std::unique_ptr<CCompiledItem>> m_values;
};

// name[...] = { list }: the subscripts, then every value of the list, then
// the values stored into successive elements from name[0]...[0] on. The
// result is the array's name as a variable, carrying the value the name's
// token had, as the reference evaluator leaves it.
class CInitialiserNode final : public CLvalueNode<CInitialiserNode> {
public:
    CInitialiserNode(CSubscripts bounds, std::uint32_t nameSlot, double nameValue, std::vector<std::unique_ptr<CCompiledItem>> values)
        : CLvalueNode(std::max(bounds.Depth(), DepthOf(values)) + 1)
        , m_bounds(std::move(bounds))
        , m_nameSlot(nameSlot)
        , m_nameValue(nameValue)
        , m_values(std::move(values))
    {
    }
    double EvalRef(CVariableTable& vars, CVarRef& ref) const override
    {
        CVarRef element;
        m_bounds.Fill(vars, element);
        const std::array<std::int32_t, kMaxSubscripts> bounds = element.indices;
        std::vector<CResult> results;
        for (const auto& item : m_values)
            item->Run(vars, results);
        element.indices.fill(0);
        for (const CResult& result : results) {
            element.Write(vars, result.value);
            NextInitialised(element.indices.data(), bounds.data(), element.subscripts);
        }
        ref.slot = m_nameSlot;
        ref.subscripts = 0;
        return m_nameValue;
    }
    CCompiledView View() const override
    {
        CCompiledView v;
        v.kind = CCompiledView::Kind::Initialiser;
        return v;
    }

private:
    static int DepthOf(const std::vector<std::unique_ptr<CCompiledItem>>& items)
    {
        int depth = 0;
        for (const auto& item : items)
            depth = std::max(depth, item->Depth());
        return depth;
    }

    CSubscripts m_bounds;
    std::uint32_t m_nameSlot;
    double m_nameValue;
    std::vector<std::unique_ptr<CCompiledItem>> m_values;
};

// ---- compiler --------------------------------------------------------------

// A parsed comma list before it is given its place: each entry is a string
// literal, an expression, or an assignment whose right side is a list.
struct CListEntry {
    enum class Kind { String, Expression, Assignment } kind { Kind::Expression };
    std::string text;
    NodePtr node; // the expression, or the assignment's target
    int binary { TK_END };
    std::vector<CListEntry> values;

    std::size_t Count() const
    {
        if (kind != Kind::Assignment)
            return 1;
        std::size_t n = 0;
        for (const auto& value : values)
            n += value.Count();
        return n;
    }
};

// Mirrors the reference evaluator's grammar token for token, but gives up
// (CNotCompiled) wherever that evaluator would pass a token up as a result,
// report an error at parse time, or leave tokens unread.
class CCompiler {
public:
    CCompiler(std::vector<CToken> tokens, CVariableTable& vars) : m_tokens(std::move(tokens)), m_vars(vars) {}

    std::vector<std::unique_ptr<CCompiledItem>> CompileText()
    {
        std::vector<CListEntry> list = ParseList();
        if (Peek() != TK_END)
            throw CNotCompiled {};
        return ToItems(std::move(list));
    }

private:
    int Peek(std::size_t ahead = 0) const
    {
        const std::size_t at = m_pos + ahead;
        return at < m_tokens.size() ? m_tokens[at].kind : TK_END;
    }
    const CToken& Take() { return m_tokens[m_pos++]; }
    void Expect(int kind)
    {
        if (Peek() != kind)
            throw CNotCompiled {};
        ++m_pos;
    }
    static NodePtr Checked(NodePtr node)
    {
        if (node->Depth() > kMaxTreeDepth)
            throw CNotCompiled {};
        return node;
    }

    // A list in a place that takes one value: parentheses, a subscript, a
    // function argument, the right side of an inner assignment.
    NodePtr ToValue(std::vector<CListEntry> list)
    {
        if (list.size() != 1 || list[0].Count() != 1)
            throw CNotCompiled {};
        CListEntry& entry = list[0];
        if (entry.kind == CListEntry::Kind::String)
            throw CNotCompiled {};
        if (entry.kind == CListEntry::Kind::Expression)
            return std::move(entry.node);
        return Checked(MakeAssign(std::move(entry.node), entry.binary, ToValue(std::move(entry.values))));
    }

    // The outermost list, whose results stay pending for the caller.
    std::vector<std::unique_ptr<CCompiledItem>> ToItems(std::vector<CListEntry> list)
    {
        std::vector<std::unique_ptr<CCompiledItem>> items;
        for (CListEntry& entry : list) {
            switch (entry.kind) {
            case CListEntry::Kind::String:
                items.push_back(std::make_unique<CStringItem>(std::move(entry.text)));
                break;
            case CListEntry::Kind::Expression:
                items.push_back(std::make_unique<CExpressionItem>(std::move(entry.node)));
                break;
            case CListEntry::Kind::Assignment:
                // A string literal would be stored as 0 (or fail a compound
                // operator): left to the reference evaluator.
                if (entry.values.empty() || entry.values[0].kind == CListEntry::Kind::String)
                    throw CNotCompiled {};
                if (entry.Count() == 1) {
                    items.push_back(std::make_unique<CExpressionItem>(
                        Checked(MakeAssign(std::move(entry.node), entry.binary, ToValue(std::move(entry.values))))));
                } else {
                    items.push_back(std::make_unique<CAssignListItem>(std::move(entry.node), entry.binary, ToItems(std::move(entry.values))));
                }
                break;
            }
        }
        return items;
    }

    // list -> assignment { ',' assignment }
    // (A failure abandons the whole compilation, so the depth count need not
    // be restored on that path.)
    std::vector<CListEntry> ParseList()
    {
        if (++m_listDepth > kMaxListDepth)
            throw CNotCompiled {};
        std::vector<CListEntry> entries;
        for (;;) {
            entries.push_back(ParseAssignment());
            if (Peek() != TK_COMMA)
                break;
            ++m_pos;
        }
        --m_listDepth;
        return entries;
    }

    // assignment -> logical_or [ assign_op list ]   (only when logical_or is a name)
    // A string literal standing alone as an item is an output string.
    CListEntry ParseAssignment()
    {
        CListEntry entry;
        if (Peek() == TK_STRING && (Peek(1) == TK_COMMA || Peek(1) == TK_END)) {
            entry.kind = CListEntry::Kind::String;
            entry.text = Take().text;
            return entry;
        }
        entry.node = ParseLevel(0);
        const int op = Peek();
        const int binary = OperatorOfCompound(op);
        if (entry.node->IsLvalue() && (op == TK_ASSIGN || binary != TK_END)) {
            ++m_pos;
            entry.kind = CListEntry::Kind::Assignment;
            entry.binary = binary;
            entry.values = ParseList();
        }
        return entry;
    }

    // The binary levels from || (level 0) to * / % (level 9), all
    // left-associative.
    NodePtr ParseLevel(int level)
    {
        if (level == kBinaryLevelCount)
            return ParseUnary();
        NodePtr left = ParseLevel(level + 1);
        for (;;) {
            const int op = Peek();
            if (!IsOperatorOfLevel(level, op))
                return left;
            ++m_pos;
            NodePtr right = ParseLevel(level + 1);
            left = Checked(MakeBinary(op, std::move(left), std::move(right)));
        }
    }

    // unary -> ('+' | '-' | '!') primary | ('++' | '--') name | primary [ '++' | '--' ]
    NodePtr ParseUnary()
    {
        const int first = Peek();
        if (first == TK_PLUS || first == TK_MINUS || first == TK_NOT) {
            ++m_pos;
            return Checked(std::make_unique<CUnaryNode>(first, ParsePrimary()));
        }
        if (first == TK_INC || first == TK_DEC) {
            if (Peek(1) != TK_IDENT)
                throw CNotCompiled {};
            ++m_pos;
            const std::uint32_t slot = m_vars.ScalarSlot(Take().text);
            return std::make_unique<CPrefixNode>(slot, first == TK_INC ? 1.0 : -1.0);
        }
        NodePtr primary = ParsePrimary();
        const int next = Peek();
        if (primary->IsLvalue() && (next == TK_INC || next == TK_DEC)) {
            ++m_pos;
            const double delta = next == TK_INC ? 1.0 : -1.0;
            if (const auto* scalar = dynamic_cast<const CScalarNode*>(primary.get()))
                return std::make_unique<CScalarPostfixNode>(scalar->Slot(), delta);
            return Checked(std::make_unique<CPostfixNode>(std::move(primary), delta));
        }
        return primary;
    }

    // primary -> '(' list ')' | function '(' list ')' | name { '[' list ']' } [ '=' list ] | name | number
    NodePtr ParsePrimary()
    {
        const int kind = Peek();
        if (kind == TK_NUMBER)
            return std::make_unique<CConstNode>(Take().value);
        if (kind == TK_LPAREN) {
            ++m_pos;
            NodePtr inner = ToValue(ParseList());
            Expect(TK_RPAREN);
            return inner;
        }
        if (IsFunctionKind(kind)) {
            ++m_pos;
            return ParseCall(kind);
        }
        if (kind != TK_IDENT)
            throw CNotCompiled {};
        const CToken& name = Take();
        if (Peek() != TK_LBRACKET)
            return std::make_unique<CScalarNode>(m_vars.ScalarSlot(name.text));
        return ParseElement(name);
    }

    NodePtr ParseCall(int function)
    {
        Expect(TK_LPAREN);
        std::vector<NodePtr> args;
        if (Peek() == TK_RPAREN) {
            if (function != TK_FN_RAND)
                throw CNotCompiled {};
            ++m_pos;
            return std::make_unique<CCallNode>(function, std::move(args));
        }
        std::vector<CListEntry> list = ParseList();
        if (list.size() != static_cast<std::size_t>(BuiltinArity(function)))
            throw CNotCompiled {};
        for (CListEntry& entry : list) {
            std::vector<CListEntry> one;
            one.push_back(std::move(entry));
            args.push_back(ToValue(std::move(one)));
        }
        Expect(TK_RPAREN);
        if (function == TK_FN_SRAND)
            return Checked(std::make_unique<CSrandNode>(std::move(args[0])));
        return Checked(std::make_unique<CCallNode>(function, std::move(args)));
    }

    // element -> name '[' list ']' { '[' list ']' } [ '=' ( '{' list '}' | list ) ]
    // Empty first brackets (any number of rows) only before an initialiser
    // list; everywhere else they are an error or read a[-1], both left to
    // the reference evaluator.
    NodePtr ParseElement(const CToken& name)
    {
        std::vector<NodePtr> subscripts;
        bool emptyFirst = false;
        while (Peek() == TK_LBRACKET) {
            if (subscripts.size() >= static_cast<std::size_t>(kMaxSubscripts))
                throw CNotCompiled {};
            ++m_pos;
            if (Peek() == TK_RBRACKET) {
                if (!subscripts.empty() || (Peek(1) != TK_LBRACKET && Peek(1) != TK_ASSIGN))
                    throw CNotCompiled {};
                ++m_pos;
                emptyFirst = true;
                subscripts.push_back(std::make_unique<CConstNode>(-1.0));
                continue;
            }
            subscripts.push_back(ToValue(ParseList()));
            Expect(TK_RBRACKET);
        }
        const std::uint32_t array = m_vars.ArraySlot(name.text, static_cast<int>(subscripts.size()));
        CSubscripts element(m_vars, array, std::move(subscripts));
        if (Peek() == TK_ASSIGN && Peek(1) == TK_LBRACE) {
            m_pos += 2;
            std::vector<CListEntry> values = ParseList();
            Expect(TK_RBRACE);
            return Checked(std::make_unique<CInitialiserNode>(
                std::move(element), m_vars.ScalarSlot(name.text), name.value, ToItems(std::move(values))));
        }
        if (emptyFirst)
            throw CNotCompiled {};
        if (Peek() != TK_ASSIGN)
            return Checked(std::make_unique<CElementNode>(std::move(element)));
        ++m_pos;
        NodePtr value = ToValue(ParseList());
        if (const auto* storable = dynamic_cast<const CStorableNode*>(value.get()))
            return Checked(storable->StoredInElement(std::move(element), std::move(value)));
        if (const auto* source = dynamic_cast<const CScalarNode*>(value.get()))
            return Checked(std::make_unique<CElementAssignOf<CScalarOperand>>(std::move(element), CScalarOperand { source->Slot() }));
        if (const auto* constant = dynamic_cast<const CConstNode*>(value.get()))
            return Checked(std::make_unique<CElementAssignOf<CConstOperand>>(std::move(element), CConstOperand { constant->Value() }));
        return Checked(std::make_unique<CElementAssignOf<CNodeOperand>>(std::move(element), CNodeOperand { std::move(value) }));
    }

    std::vector<CToken> m_tokens;
    std::size_t m_pos { 0 };
    CVariableTable& m_vars;
    int m_listDepth { 0 };
};

} // namespace

// ---- compiled text ---------------------------------------------------------

CCompiledText::CCompiledText(std::string_view text) : m_text(text) {}

CCompiledText::~CCompiledText() = default;

std::unique_ptr<CExchange> CExchange::Of(const CCompiledNode& first, const CCompiledNode& second, const CCompiledNode& third)
{
    using Element = CTypedOperand<CElementNode>;
    const auto* take = dynamic_cast<const CScalarAssignOf<Element, TK_END>*>(&first);
    const auto* move = dynamic_cast<const CElementAssignOf<Element>*>(&second);
    const auto* give = dynamic_cast<const CElementAssignOf<CScalarOperand>*>(&third);
    if (!take || !move || !give)
        return nullptr;
    const CSubscripts& x = static_cast<const CElementNode&>(*take->ValueOperand().node).Subscripts();
    const CSubscripts& y = static_cast<const CElementNode&>(*move->ValueOperand().node).Subscripts();
    const std::uint32_t slot = take->Slot();
    if (!x.SameFolded1(move->Subscripts()) || !y.SameFolded1(give->Subscripts()) || x.Array() != y.Array()
        || give->ValueOperand().slot != slot || x.ReadsSlot(slot) || y.ReadsSlot(slot))
        return nullptr;
    return std::make_unique<CElementExchange>(slot, x, y);
}

std::unique_ptr<CCompiledText> CCompiledText::Compile(std::string_view text, CVariableTable& variables)
{
    std::unique_ptr<CCompiledText> compiled(new CCompiledText(text));
    if (text.size() > kMaxCompiledTextBytes)
        return compiled;
    std::vector<CToken> tokens;
    try {
        CTokenList list;
        list.Tokenize(text);
        tokens.reserve(list.Size());
        for (CToken token; list.PopFront(token) != TK_END;)
            tokens.push_back(std::move(token));
    } catch (const CEvalError&) {
        return compiled; // a malformed number: the reference reports it
    }
    if (tokens.empty())
        return compiled;
    try {
        CCompiler compiler(std::move(tokens), variables);
        compiled->m_items = compiler.CompileText();
    } catch (const CNotCompiled&) {
        compiled->m_items.clear();
        return compiled;
    }
    if (compiled->m_items.size() == 1)
        compiled->m_single = compiled->m_items[0]->Expression();
    return compiled;
}

void CCompiledText::Run(CVariableTable& variables, std::vector<CResult>& results) const
{
    for (const auto& item : m_items)
        item->Run(variables, results);
}

double CCompiledText::RunFirst(CVariableTable& variables, std::vector<CResult>& results) const
{
    if (m_single)
        return m_single->Eval(variables);
    Run(variables, results);
    return results.front().value;
}

std::vector<CCompiledView> CCompiledText::View() const
{
    std::vector<CCompiledView> items;
    for (const auto& item : m_items)
        items.push_back(item->View());
    return items;
}
