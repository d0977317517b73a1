#include "exec/CAccumulation.h"

#include "interp/CCompiledText.h"
#include "interp/CVariableTable.h"
#include "interp/Int32.h"
#include "interp/Operators.h"
#include "interp/TokenKind.h"

#include <vector>

namespace {

using COperand = CAccumulation::COperand;
using CIndex = COperand::CIndex;
using Kind = CCompiledView::Kind;

bool IsCombining(int op)
{
    return op == TK_PLUS || op == TK_MINUS || op == TK_MUL;
}

// What the compiled text reads as a scalar: the loop variable, or another
// scalar but the one accumulated into.
bool ScalarOf(std::uint32_t slot, std::uint32_t loopSlot, std::uint32_t target, bool& loop)
{
    loop = slot == loopSlot;
    return slot != target;
}

// A subscript as the compiled element reads it: a scalar plus or minus a
// constant (x - c read as x + -c, the same to the last bit), a scalar, or a
// constant.
bool IndexOf(const CCompiledView& v, std::uint32_t loopSlot, std::uint32_t target, CIndex& index)
{
    const CCompiledView* scalar = nullptr;
    if (v.kind == Kind::Number) {
        index.kind = CIndex::Kind::Constant;
        index.offset = v.value;
        return true;
    }
    if (v.kind == Kind::Scalar) {
        scalar = &v;
    } else if (v.kind == Kind::Binary && (v.op == TK_PLUS || v.op == TK_MINUS) && v.parts[0].kind == Kind::Scalar
        && v.parts[1].kind == Kind::Number) {
        scalar = &v.parts[0];
        index.offset = v.op == TK_PLUS ? v.parts[1].value : -v.parts[1].value;
    } else {
        return false;
    }
    bool loop = false;
    if (!ScalarOf(scalar->slot, loopSlot, target, loop))
        return false;
    index.kind = loop ? CIndex::Kind::Loop : CIndex::Kind::Scalar;
    index.slot = scalar->slot;
    return true;
}

bool OperandOf(const CCompiledView& v, std::uint32_t loopSlot, std::uint32_t target, COperand& operand)
{
    switch (v.kind) {
    case Kind::Number:
        operand.kind = COperand::Kind::Constant;
        operand.value = v.value;
        return true;
    case Kind::Scalar: {
        bool loop = false;
        if (!ScalarOf(v.slot, loopSlot, target, loop))
            return false;
        operand.kind = loop ? COperand::Kind::Loop : COperand::Kind::Scalar;
        operand.slot = v.slot;
        return true;
    }
    case Kind::Element:
        if (v.parts.empty() || v.parts.size() > 2)
            return false;
        operand.kind = v.parts.size() == 1 ? COperand::Kind::Element1 : COperand::Kind::Element2;
        operand.slot = v.slot;
        for (std::size_t k = 0; k < v.parts.size(); ++k) {
            if (!IndexOf(v.parts[k], loopSlot, target, operand.index[k]))
                return false;
        }
        return true;
    default:
        return false;
    }
}

std::int32_t Index(const CIndex& index, double i, const CVariableTable& vars)
{
    switch (index.kind) {
    case CIndex::Kind::Loop: return ToInt32(i + index.offset);
    case CIndex::Kind::Scalar: return ToInt32(vars.Scalar(index.slot) + index.offset);
    default: return ToInt32(index.offset);
    }
}

double Value(const COperand& operand, double i, const CVariableTable& vars)
{
    switch (operand.kind) {
    case COperand::Kind::Loop: return i;
    case COperand::Kind::Scalar: return vars.Scalar(operand.slot);
    case COperand::Kind::Constant: return operand.value;
    case COperand::Kind::Element1: return vars.Element1(operand.slot, Index(operand.index[0], i, vars));
    default: {
        const std::int32_t row = Index(operand.index[0], i, vars);
        return vars.Element2(operand.slot, row, Index(operand.index[1], i, vars));
    }
    }
}

} // namespace

std::optional<CAccumulation> CAccumulation::Of(const CCompiledText& body, std::uint32_t loopSlot)
{
    if (!body.IsSingle())
        return std::nullopt;
    const std::vector<CCompiledView> items = body.View();
    if (items.size() != 1 || items[0].kind != Kind::Assign || items[0].parts[0].kind != Kind::Scalar)
        return std::nullopt;
    const CCompiledView& assign = items[0];
    CAccumulation made;
    made.m_target = assign.parts[0].slot;
    if (made.m_target == loopSlot)
        return std::nullopt;
    // s = s OP E, or s OP= E: both s + E, in that order.
    const CCompiledView* e = nullptr;
    if (assign.op == TK_END) {
        const CCompiledView& value = assign.parts[1];
        if (value.kind != Kind::Binary || !IsCombining(value.op) || value.parts[0].kind != Kind::Scalar
            || value.parts[0].slot != made.m_target)
            return std::nullopt;
        made.m_accumulate = value.op;
        e = &value.parts[1];
    } else if (IsCombining(assign.op)) {
        made.m_accumulate = assign.op;
        e = &assign.parts[1];
    } else {
        return std::nullopt;
    }
    if (e->kind == Kind::Binary) {
        if (!IsCombining(e->op) || !OperandOf(e->parts[0], loopSlot, made.m_target, made.m_a)
            || !OperandOf(e->parts[1], loopSlot, made.m_target, made.m_b))
            return std::nullopt;
        made.m_combine = e->op;
    } else if (!OperandOf(*e, loopSlot, made.m_target, made.m_a)) {
        return std::nullopt;
    }
    return made;
}

template <bool LoopOnly>
std::uint64_t CAccumulation::Passes(CVariableTable& vars, const std::atomic<int>& flag, double& i, double& s, double delta,
    double last, bool downward, std::uint64_t passes, bool& ended) const
{
    for (std::uint64_t done = 0; done < passes; ++done) {
        const double x = i + delta;
        i = x;
        if (flag.load() == 0 || !(downward ? x >= last : x <= last)) {
            ended = true;
            return done;
        }
        if constexpr (LoopOnly) {
            s = s + x;
        } else {
            double e = Value(m_a, x, vars);
            if (m_combine != 0)
                e = ApplyBinary(m_combine, e, Value(m_b, x, vars));
            s = ApplyBinary(m_accumulate, s, e);
        }
    }
    ended = false;
    return passes;
}

// On a cache line of its own: where its loops fell within a line made
// matrix products 10 % slower or faster as unrelated code moved.
[[gnu::aligned(64)]] std::uint64_t CAccumulation::Run(CVariableTable& vars, const std::atomic<int>& flag, std::uint32_t loopSlot, double delta,
    double last, bool downward, std::uint64_t passes, bool& ended) const
{
    double i = vars.Scalar(loopSlot);
    double s = vars.Scalar(m_target);
    const bool loopOnly = m_combine == 0 && m_a.kind == COperand::Kind::Loop && m_accumulate == TK_PLUS;
    const std::uint64_t done = loopOnly ? Passes<true>(vars, flag, i, s, delta, last, downward, passes, ended)
                                        : Passes<false>(vars, flag, i, s, delta, last, downward, passes, ended);
    vars.SetScalar(loopSlot, i);
    vars.SetScalar(m_target, s);
    return done;
}
