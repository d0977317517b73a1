#include "model/ChartCommands.h"

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "model/ClampedMath.h"
#include "model/Geometry.h"
#include "base/Texts.h"

#include <cstdint>
#include <stdexcept>
#include <type_traits>

namespace {

// The arms of a branch, then-arm first, or the body of a loop.
template <typename Box, typename Visit>
bool AnyChildSequence(Box& box, Visit&& visit)
{
    switch (box.Kind()) {
    case BoxKind::Branch: {
        auto& branch = static_cast<std::conditional_t<std::is_const_v<Box>, const CBranchBox, CBranchBox>&>(box);
        return visit(branch.m_thenSeq) || visit(branch.m_elseSeq);
    }
    case BoxKind::PreTestLoop:
    case BoxKind::PostTestLoop:
        return visit(static_cast<std::conditional_t<std::is_const_v<Box>, const CPreTestLoopBox, CPreTestLoopBox>&>(box)
                         .m_bodySeq);
    default:
        return false;
    }
}

template <typename Match>
bool FindPlace(CBoxSequence& sequence, Match&& match, CBoxPlace& found)
{
    for (std::size_t i = 0; i < sequence.m_boxes.size(); ++i) {
        CProcessBox& box = *sequence.m_boxes[i];
        if (match(box)) {
            found = { &sequence, static_cast<int>(i) };
            return true;
        }
        if (AnyChildSequence(box, [&](CBoxSequence& inner) { return FindPlace(inner, match, found); }))
            return true;
    }
    return false;
}

bool HoldsBoxAt(const CBoxPlace& place)
{
    return place && static_cast<std::size_t>(place.index) < place.sequence->m_boxes.size();
}

bool IsGapOf(const CBoxPlace& gap)
{
    return gap && static_cast<std::size_t>(gap.index) <= gap.sequence->m_boxes.size();
}

// Takes the box at `index` out of its sequence, checking that it is the box
// a command expects there: the history only ever reverts onto the chart as
// its own apply left it, so anything else is a broken history.
std::unique_ptr<CProcessBox> TakeOut(CBoxSequence& sequence, int index, const CProcessBox* expected)
{
    const auto at = static_cast<std::size_t>(index);
    if (index < 0 || at >= sequence.m_boxes.size() || sequence.m_boxes[at].get() != expected)
        throw std::logic_error("the chart's history does not match the chart");
    std::unique_ptr<CProcessBox> box = std::move(sequence.m_boxes[at]);
    sequence.m_boxes.erase(sequence.m_boxes.begin() + index);
    return box;
}

void PutIn(CBoxSequence& sequence, int index, std::unique_ptr<CProcessBox> box)
{
    sequence.m_boxes.insert(sequence.m_boxes.begin() + index, std::move(box));
}

// The distance an insertion moves the boxes below it, as InsertAt moves
// them; reverting moves them back by as much.
int InsertionShift(const CBoxSequence& sequence)
{
    return AddClamped(kNewBoxHeight, sequence.m_gap);
}

int Negated(int value)
{
    return ClampToInt(-std::int64_t { value });
}

void MoveFrom(CBoxSequence& sequence, int index, int dy, CDC* dc)
{
    for (std::size_t i = static_cast<std::size_t>(index); i < sequence.m_boxes.size(); ++i)
        sequence.m_boxes[i]->MoveVertically(dy, dc);
}

// A box leaving the chart keeps its texts but no edit windows and no
// selection; it gets new windows at the next drawing pass after it returns.
void Retire(CProcessBox& box)
{
    box.CommitAndCloseEditor();
    box.Deselect();
}

} // namespace

CBoxPlace FindSelectedPlace(CBoxSequence& root)
{
    CBoxPlace found;
    FindPlace(root, [](const CProcessBox& box) { return box.m_selected != 0; }, found);
    return found;
}

CBoxPlace FindPlaceOf(CBoxSequence& root, const CProcessBox& target)
{
    CBoxPlace found;
    FindPlace(root, [&](const CProcessBox& box) { return &box == &target; }, found);
    return found;
}

namespace {

void CollectClickGaps(CBoxSequence& sequence, int x, int y, Hits hits, std::vector<CBoxPlace>& gaps)
{
    const int gap = sequence.FindGap(x, y);
    if (gap >= 0) {
        gaps.push_back({ &sequence, gap });
        return;
    }
    for (auto& box : sequence.m_boxes) {
        if (box->IsHit(x, y)) {
            if (hits == Hits::Select)
                box->m_selected = 1;
            continue;
        }
        AnyChildSequence(*box, [&](CBoxSequence& inner) {
            CollectClickGaps(inner, x, y, hits, gaps);
            return false; // every arm sees the click
        });
    }
}

} // namespace

std::vector<CBoxPlace> ClickGaps(CBoxSequence& root, int x, int y, Hits hits)
{
    std::vector<CBoxPlace> gaps;
    CollectClickGaps(root, x, y, hits, gaps);
    return gaps;
}

bool IsInsideBox(const CProcessBox& box, const CBoxSequence& sequence)
{
    return AnyChildSequence(box, [&](const CBoxSequence& inner) {
        if (&inner == &sequence)
            return true;
        for (const auto& child : inner.m_boxes) {
            if (IsInsideBox(*child, sequence))
                return true;
        }
        return false;
    });
}

// Insertion

CInsertBoxCommand::CInsertBoxCommand(CBoxPlace gap, ToolId tool, const CProcessBox* source, std::string_view text)
    : m_gap(gap)
    , m_tool(tool)
    , m_source(source)
    , m_text(!text.empty() ? text : tool == kToolPaste ? texts::kStepPaste : texts::kStepInsert)
{
}

CInsertBoxCommand::~CInsertBoxCommand() = default;

bool CInsertBoxCommand::Apply(CDC* dc)
{
    if (m_box == nullptr && !IsGapOf(m_gap))
        return false;
    CBoxSequence& sequence = *m_gap.sequence;
    if (m_box == nullptr) {
        // The first time the sequence's own rule builds and places the box.
        const std::size_t before = sequence.m_boxes.size();
        m_shift = InsertionShift(sequence);
        sequence.InsertAt(m_gap.index, m_tool, dc, m_source);
        if (sequence.m_boxes.size() != before + 1)
            return false; // no box for this tool (Paste without a box)
        m_box = sequence.m_boxes[static_cast<std::size_t>(m_gap.index)].get();
        m_source = nullptr;
        return true;
    }
    MoveFrom(sequence, m_gap.index, m_shift, dc);
    PutIn(sequence, m_gap.index, std::move(m_removed));
    return true;
}

void CInsertBoxCommand::Revert(CDC* dc)
{
    CBoxSequence& sequence = *m_gap.sequence;
    m_removed = TakeOut(sequence, m_gap.index, m_box);
    Retire(*m_removed);
    MoveFrom(sequence, m_gap.index, Negated(m_shift), dc);
}

// Deletion and cutting

CRemoveBoxCommand::CRemoveBoxCommand(CBoxPlace place, Reason reason)
    : m_place(place)
    , m_reason(reason)
{
}

CRemoveBoxCommand::~CRemoveBoxCommand() = default;

std::string_view CRemoveBoxCommand::Text() const
{
    return m_reason == Reason::Cut ? texts::kStepCut : texts::kStepDelete;
}

bool CRemoveBoxCommand::Apply(CDC*)
{
    if (m_box == nullptr) {
        if (!HoldsBoxAt(m_place))
            return false;
        m_box = m_place.sequence->m_boxes[static_cast<std::size_t>(m_place.index)].get();
    }
    // The boxes below stay where they are, as deleting leaves them; the
    // next layout pass closes the gap.
    m_removed = TakeOut(*m_place.sequence, m_place.index, m_box);
    Retire(*m_removed);
    return true;
}

void CRemoveBoxCommand::Revert(CDC*)
{
    PutIn(*m_place.sequence, m_place.index, std::move(m_removed));
}

// Resizing

CResizeBoxCommand::CResizeBoxCommand(CProcessBox& box, int oldWidth, int oldHeight, int newWidth, int newHeight)
    : m_box(box)
    , m_oldWidth(oldWidth)
    , m_oldHeight(oldHeight)
    , m_newWidth(newWidth)
    , m_newHeight(newHeight)
{
}

std::string_view CResizeBoxCommand::Text() const
{
    return texts::kStepResize;
}

bool CResizeBoxCommand::Apply(CDC* dc)
{
    if (IsObsolete())
        return false;
    m_box.m_width = m_newWidth;
    m_box.m_height = m_newHeight;
    m_box.PlaceEditor(dc);
    return true;
}

void CResizeBoxCommand::Revert(CDC* dc)
{
    m_box.m_width = m_oldWidth;
    m_box.m_height = m_oldHeight;
    m_box.PlaceEditor(dc);
}

bool CResizeBoxCommand::MergeWith(const CUndoCommand& next)
{
    const auto* resize = dynamic_cast<const CResizeBoxCommand*>(&next);
    if (resize == nullptr || &resize->m_box != &m_box)
        return false;
    m_newWidth = resize->m_newWidth;
    m_newHeight = resize->m_newHeight;
    return true;
}

bool CResizeBoxCommand::IsObsolete() const
{
    return m_oldWidth == m_newWidth && m_oldHeight == m_newHeight;
}

// Typing

CTextCommand::CTextCommand(CProcessBox& box, std::string oldText, std::string newText)
    : m_box(box)
    , m_oldText(std::move(oldText))
    , m_newText(std::move(newText))
{
}

std::string_view CTextCommand::Text() const
{
    return texts::kStepTyping;
}

void CTextCommand::Show(const std::string& text)
{
    m_box.m_text = text;
    // The editor that the user typed into holds the text already; setting
    // it again would only move the caret.
    if (m_box.m_editor && m_box.m_editor->GetText() != text)
        m_box.m_editor->SetText(text);
}

bool CTextCommand::Apply(CDC*)
{
    if (IsObsolete())
        return false;
    Show(m_newText);
    return true;
}

void CTextCommand::Revert(CDC*)
{
    Show(m_oldText);
}

bool CTextCommand::MergeWith(const CUndoCommand& next)
{
    const auto* typing = dynamic_cast<const CTextCommand*>(&next);
    if (typing == nullptr || &typing->m_box != &m_box)
        return false;
    m_newText = typing->m_newText;
    return true;
}

// Moving

CMoveBoxCommand::CMoveBoxCommand(CBoxPlace from, CBoxPlace to)
    : m_from(from)
    , m_to(to)
{
}

bool CMoveBoxCommand::CanMove(CBoxPlace from, CBoxPlace to)
{
    if (!HoldsBoxAt(from) || !IsGapOf(to))
        return false;
    if (to.sequence == from.sequence && (to.index == from.index || to.index == from.index + 1))
        return false;
    return !IsInsideBox(*from.sequence->m_boxes[static_cast<std::size_t>(from.index)], *to.sequence);
}

std::string_view CMoveBoxCommand::Text() const
{
    return texts::kStepMove;
}

bool CMoveBoxCommand::Apply(CDC* dc)
{
    if (m_box == nullptr) {
        if (!CanMove(m_from, m_to))
            return false;
        m_box = m_from.sequence->m_boxes[static_cast<std::size_t>(m_from.index)].get();
        m_toIndex = m_to.index;
        if (m_to.sequence == m_from.sequence && m_to.index > m_from.index)
            --m_toIndex;
    }
    CBoxSequence& to = *m_to.sequence;
    std::unique_ptr<CProcessBox> box = TakeOut(*m_from.sequence, m_from.index, m_box);
    // The box goes where a pasted copy would: the sequence's insertion rule
    // places a stand-in, whose place the box then takes.
    m_shift = InsertionShift(to);
    try {
        to.InsertAt(m_toIndex, kToolSimple, dc, nullptr);
    } catch (...) {
        PutIn(*m_from.sequence, m_from.index, std::move(box)); // out of memory: no box is lost
        throw;
    }
    std::unique_ptr<CProcessBox>& slot = to.m_boxes[static_cast<std::size_t>(m_toIndex)];
    m_dx = ClampToInt(std::int64_t { slot->m_x } - box->m_x);
    m_dy = ClampToInt(std::int64_t { slot->m_y } - box->m_y);
    slot = std::move(box);
    m_box->MoveVertically(m_dy, dc);
    m_box->MoveHorizontally(m_dx, dc);
    return true;
}

void CMoveBoxCommand::Revert(CDC* dc)
{
    CBoxSequence& to = *m_to.sequence;
    std::unique_ptr<CProcessBox> box = TakeOut(to, m_toIndex, m_box);
    MoveFrom(to, m_toIndex, Negated(m_shift), dc);
    box->MoveHorizontally(Negated(m_dx), dc);
    box->MoveVertically(Negated(m_dy), dc);
    PutIn(*m_from.sequence, m_from.index, std::move(box));
}

// Several steps as one

CCompoundCommand::CCompoundCommand(std::vector<std::unique_ptr<CUndoCommand>> parts)
    : m_parts(std::move(parts))
{
}

CCompoundCommand::~CCompoundCommand()
{
    // Newest first: a later part may own boxes an earlier one points at.
    while (!m_parts.empty())
        m_parts.pop_back();
}

bool CCompoundCommand::Apply(CDC* dc)
{
    // Parts that find nothing to do the first time are dropped at once,
    // so that later applies run exactly the parts that did something.
    std::vector<std::unique_ptr<CUndoCommand>> done;
    for (auto& part : m_parts) {
        if (part->Apply(dc))
            done.push_back(std::move(part));
    }
    m_parts = std::move(done);
    return !m_parts.empty();
}

void CCompoundCommand::Revert(CDC* dc)
{
    for (auto it = m_parts.rbegin(); it != m_parts.rend(); ++it)
        (*it)->Revert(dc);
}

std::string_view CCompoundCommand::Text() const
{
    return m_parts.empty() ? std::string_view {} : m_parts.front()->Text();
}

CProcessBox* CCompoundCommand::SelectionAfterApply() const
{
    return m_parts.empty() ? nullptr : m_parts.front()->SelectionAfterApply();
}

CProcessBox* CCompoundCommand::SelectionAfterRevert() const
{
    return m_parts.empty() ? nullptr : m_parts.front()->SelectionAfterRevert();
}
