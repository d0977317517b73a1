#include "model/BoxPath.h"

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"

#include <charconv>
#include <string>
#include <vector>

namespace {

// The walk counts outline lines as `dump` writes them: one per box, and a
// "then" and an "else" line for every branch.
struct Walk {
    const CProcessBox& target;
    std::vector<std::string> steps;
    int line { 0 };

    bool Sequence(const CBoxSequence& seq)
    {
        std::size_t position = 0;
        for (const auto& owned : seq.m_boxes) {
            const CProcessBox& box = *owned;
            ++position;
            ++line;
            steps.push_back(std::to_string(position) + ":" + std::string(OutlineKindName(box.Kind())));
            if (&box == &target)
                return true;
            if (Children(box))
                return true;
            steps.pop_back();
        }
        return false;
    }

    bool Children(const CProcessBox& box)
    {
        switch (box.Kind()) {
        case BoxKind::Branch: {
            const auto& branch = static_cast<const CBranchBox&>(box);
            return Arm("then", branch.m_thenSeq) || Arm("else", branch.m_elseSeq);
        }
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            return Sequence(static_cast<const CPreTestLoopBox&>(box).m_bodySeq);
        default:
            return false;
        }
    }

    bool Arm(const char* name, const CBoxSequence& seq)
    {
        ++line;
        steps.emplace_back(name);
        if (Sequence(seq))
            return true;
        steps.pop_back();
        return false;
    }
};

// "3:output" -> position 3 and the kind's name.
bool SplitStep(std::string_view step, std::size_t& position, std::string_view& kind)
{
    const auto colon = step.find(':');
    if (colon == std::string_view::npos)
        return false;
    auto [end, ec] = std::from_chars(step.data(), step.data() + colon, position);
    if (ec != std::errc {} || end != step.data() + colon || position == 0)
        return false;
    kind = step.substr(colon + 1);
    return true;
}

} // namespace

std::string_view OutlineKindName(BoxKind kind)
{
    switch (kind) {
    case BoxKind::Simple:
        return "simple";
    case BoxKind::Branch:
        return "branch";
    case BoxKind::PreTestLoop:
        return "pre-loop";
    case BoxKind::PostTestLoop:
        return "post-loop";
    case BoxKind::Output:
        return "output";
    case BoxKind::Input:
        return "input";
    }
    return "?";
}

std::optional<BoxLocation> LocateBox(const CBoxSequence& root, const CProcessBox& box)
{
    Walk walk { box, {}, 0 };
    if (!walk.Sequence(root))
        return std::nullopt;
    BoxLocation location;
    for (const auto& step : walk.steps) {
        if (!location.path.empty())
            location.path += '/';
        location.path += step;
    }
    location.outlineLine = walk.line;
    return location;
}

const CProcessBox* FindBoxByPath(const CBoxSequence& root, std::string_view path)
{
    const CBoxSequence* seq = &root;
    const CProcessBox* box = nullptr;
    while (!path.empty()) {
        const auto slash = path.find('/');
        const std::string_view step = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (step.empty() || (slash != std::string_view::npos && path.empty()))
            return nullptr;
        if (step == "then" || step == "else") {
            if (!box || box->Kind() != BoxKind::Branch || seq)
                return nullptr;
            const auto& branch = static_cast<const CBranchBox&>(*box);
            seq = step == "then" ? &branch.m_thenSeq : &branch.m_elseSeq;
            continue;
        }
        if (!seq)
            return nullptr;
        std::size_t position = 0;
        std::string_view kind;
        if (!SplitStep(step, position, kind) || position > seq->m_boxes.size())
            return nullptr;
        box = seq->m_boxes[position - 1].get();
        if (OutlineKindName(box->Kind()) != kind)
            return nullptr;
        // A loop's body follows its step directly; a branch waits for its arm.
        if (box->Kind() == BoxKind::PreTestLoop || box->Kind() == BoxKind::PostTestLoop)
            seq = &static_cast<const CPreTestLoopBox*>(box)->m_bodySeq;
        else
            seq = nullptr;
    }
    return box;
}
