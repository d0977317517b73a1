#include "ModelTestSupport.h"

#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"

std::string Shape(const CBoxSequence& sequence)
{
    std::string out;
    for (const auto& box : sequence.m_boxes) {
        switch (box->Kind()) {
        case BoxKind::Simple: out += 'S'; break;
        case BoxKind::Branch: out += 'B'; break;
        case BoxKind::PreTestLoop: out += 'L'; break;
        case BoxKind::PostTestLoop: out += 'P'; break;
        case BoxKind::Output: out += 'O'; break;
        case BoxKind::Input: out += 'I'; break;
        }
        if (!box->m_text.empty())
            out += "\"" + box->m_text + "\"";
        if (auto* branch = dynamic_cast<const CBranchBox*>(box.get()))
            out += "[" + Shape(branch->m_thenSeq) + "|" + Shape(branch->m_elseSeq) + "]";
        else if (auto* loop = dynamic_cast<const CPreTestLoopBox*>(box.get()))
            out += "[" + Shape(loop->m_bodySeq) + "]";
    }
    return out;
}
