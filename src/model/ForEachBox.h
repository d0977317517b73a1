#pragma once
// The one walk over every box of a chart: each box before the boxes it
// contains, a branch's then-arm before its else-arm, as every container
// passes an operation on.

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"

#include <type_traits>

// Calls `visit` with every box below `sequence`. A `visit` that returns bool
// ends the walk by returning false; the result is false when it did.
template <class Sequence, class Visit>
    requires std::is_base_of_v<CBoxSequence, std::remove_const_t<Sequence>>
bool ForEachBox(Sequence& sequence, Visit&& visit)
{
    constexpr bool kConst = std::is_const_v<Sequence>;
    using Box = std::conditional_t<kConst, const CProcessBox, CProcessBox>;
    using Branch = std::conditional_t<kConst, const CBranchBox, CBranchBox>;
    using Loop = std::conditional_t<kConst, const CPreTestLoopBox, CPreTestLoopBox>;
    for (const auto& owned : sequence.m_boxes) {
        Box& box = *owned;
        if constexpr (std::is_same_v<decltype(visit(box)), bool>) {
            if (!visit(box))
                return false;
        } else {
            visit(box);
        }
        switch (box.Kind()) {
        case BoxKind::Branch: {
            Branch& branch = static_cast<Branch&>(box);
            if (!ForEachBox(branch.m_thenSeq, visit) || !ForEachBox(branch.m_elseSeq, visit))
                return false;
            break;
        }
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            if (!ForEachBox(static_cast<Loop&>(box).m_bodySeq, visit))
                return false;
            break;
        default:
            break;
        }
    }
    return true;
}
