#include "model/CBoxSequence.h"

#include "model/CArchive.h"
#include "model/CBranchBox.h"
#include "model/CInputBox.h"
#include "model/COutputBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "model/CSimpleBox.h"
#include "model/ClampedMath.h"
#include "model/Geometry.h"

#include <algorithm>
#include <cstdint>
#include <limits>

CBoxSequence::CBoxSequence()
    : m_x(kRootX)
    , m_top(kRootTop)
    , m_bottom(kRootBottom)
    , m_gap(kSequenceGap)
{
}

CBoxSequence::CBoxSequence(int x, int y, int w, int h)
    : m_x(ClampToInt(std::int64_t { x } + w + kArmIndent))
    , m_top(ClampToInt(std::int64_t { y } - kArmOverhang))
    , m_bottom(ClampToInt(std::int64_t { y } + h + kArmOverhang))
    , m_gap(kSequenceGap)
{
}

CBoxSequence::~CBoxSequence() = default;

std::unique_ptr<CProcessBox> CBoxSequence::MakeBoxOfKind(int tag, int x, int y, int w, int h)
{
    switch (static_cast<BoxKind>(tag)) {
    case BoxKind::Simple:
        return std::make_unique<CSimpleBox>(x, y, w, h);
    case BoxKind::Branch:
        return std::make_unique<CBranchBox>(x, y, w, h);
    case BoxKind::PreTestLoop:
        return std::make_unique<CPreTestLoopBox>(x, y, w, h);
    case BoxKind::PostTestLoop:
        return std::make_unique<CPostTestLoopBox>(x, y, w, h);
    case BoxKind::Output:
        return std::make_unique<COutputBox>(x, y, w, h);
    case BoxKind::Input:
        return std::make_unique<CInputBox>(x, y, w, h);
    }
    return nullptr;
}

std::unique_ptr<CProcessBox> CBoxSequence::MakeBox(ToolId tool, int x, int y, const CProcessBox* clipboard)
{
    switch (tool) {
    case kToolSimple:
        return MakeBoxOfKind(static_cast<int>(BoxKind::Simple), x, y, kNewBoxWidth, kNewBoxHeight);
    case kToolBranch:
        return MakeBoxOfKind(static_cast<int>(BoxKind::Branch), x, y, kNewBoxWidth, kNewBoxHeight);
    case kToolPreTestLoop:
        return MakeBoxOfKind(static_cast<int>(BoxKind::PreTestLoop), x, y, kNewBoxWidth, kNewBoxHeight);
    case kToolPostTestLoop:
        return MakeBoxOfKind(static_cast<int>(BoxKind::PostTestLoop), x, y, kNewBoxWidth, kNewBoxHeight);
    case kToolOutput:
        return MakeBoxOfKind(static_cast<int>(BoxKind::Output), x, y, kNewBoxWidth, kNewBoxHeight);
    case kToolInput:
        return MakeBoxOfKind(static_cast<int>(BoxKind::Input), x, y, kNewBoxWidth, kNewBoxHeight);
    case kToolPaste:
        return clipboard != nullptr ? clipboard->Clone(x, y) : nullptr;
    default:
        return nullptr;
    }
}

void CBoxSequence::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        if (m_boxes.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            throw CFileFormatError();
        ar.WriteInt32(static_cast<std::int32_t>(m_boxes.size()));
        for (auto& box : m_boxes)
            box->Serialize(ar);
        return;
    }
    // The count is not trusted: boxes are appended one by one as their
    // records arrive, so a huge count with little data behind it fails at
    // the end of the data instead of allocating in advance.
    const std::int32_t count = ar.ReadInt32();
    for (std::int32_t i = 0; i < count; ++i) {
        const int tag = ar.ReadInt16();
        const int x = ar.ReadInt32();
        const int y = ar.ReadInt32();
        const int w = ar.ReadInt32();
        const int h = ar.ReadInt32();
        auto box = MakeBoxOfKind(tag, x, y, w, h);
        if (!box)
            continue; // an unknown record is only its tag and geometry
        CProcessBox& added = *m_boxes.emplace_back(std::move(box));
        added.Serialize(ar);
    }
}

bool CBoxSequence::ClickAt(int x, int y, ToolId tool, CDC* dc, const CProcessBox* clipboard)
{
    const int gap = FindGap(x, y);
    if (gap >= 0) {
        // Report an insertion only when a box really went in (a Paste
        // without clipboard content or an unknown tool inserts nothing).
        const std::size_t before = m_boxes.size();
        InsertAt(gap, tool, dc, clipboard);
        return m_boxes.size() != before;
    }
    bool inserted = false;
    for (std::size_t i = 0; i < m_boxes.size(); ++i) {
        if (m_boxes[i]->ClickAt(x, y, tool, dc, clipboard))
            inserted = true;
    }
    return inserted;
}

int CBoxSequence::FindGap(int x, int y) const
{
    if (y < m_top || std::int64_t { x } < std::int64_t { m_x } - kHitTolerance
        || std::int64_t { x } > std::int64_t { m_x } + kHitTolerance)
        return -1;
    std::int64_t edge = m_top;
    int index = 0;
    for (const auto& box : m_boxes) {
        if (edge < y && y < box->m_y)
            return index;
        edge = std::int64_t { box->m_y } + box->m_height;
        ++index;
    }
    if (edge < y && y < m_bottom)
        return index;
    return -1;
}

void CBoxSequence::InsertBox(int index, std::unique_ptr<CProcessBox> box, CDC* dc)
{
    // The boxes from the insertion point down make room for a new box of the
    // standard height, whatever the height of the box inserted.
    const int shift = kNewBoxHeight + m_gap;
    const auto at = static_cast<std::size_t>(index);
    for (std::size_t i = at; i < m_boxes.size(); ++i)
        m_boxes[i]->MoveVertically(shift, dc);
    m_boxes.insert(m_boxes.begin() + static_cast<std::ptrdiff_t>(at), std::move(box));
}

void CBoxSequence::InsertAt(int index, ToolId tool, CDC* dc, const CProcessBox* clipboard)
{
    // A nested line reaches 7 above its first box and 7 below its last.
    InsertPlaced(index, tool, dc, clipboard, std::int64_t { m_top } + kArmOverhang,
        std::int64_t { m_bottom } + m_gap - kArmOverhang);
}

void CBoxSequence::InsertPlaced(int index, ToolId tool, CDC* dc, const CProcessBox* clipboard, std::int64_t headY,
    std::int64_t tailY)
{
    const int n = static_cast<int>(m_boxes.size());
    if (index < 0 || index > n)
        return;
    std::int64_t y = headY;
    if (index == n && n > 0) {
        y = tailY;
    } else {
        for (int i = 0; i < index; ++i)
            y += std::int64_t { m_gap } + m_boxes[static_cast<std::size_t>(i)]->m_height;
    }
    auto box = MakeBox(tool, m_x, ClampToInt(y), clipboard);
    if (!box)
        return;
    InsertBox(index, std::move(box), dc);
}

void CBoxSequence::CloneInto(CBoxSequence& destination, int x, int y) const
{
    for (const auto& box : m_boxes)
        destination.m_boxes.push_back(box->Clone(x, y));
}

void CBoxSequence::MoveVertically(int dy, CDC* dc)
{
    m_top = AddClamped(m_top, dy);
    m_bottom = AddClamped(m_bottom, dy);
    for (auto& box : m_boxes)
        box->MoveVertically(dy, dc);
}

void CBoxSequence::DeselectAll()
{
    for (auto& box : m_boxes)
        box->Deselect();
}

void CBoxSequence::CreateEditors(CDC* dc, CEditorHost* view)
{
    for (auto& box : m_boxes)
        box->CreateEditor(dc, view);
}

void CBoxSequence::CommitText()
{
    for (auto& box : m_boxes)
        box->CommitText();
}

void CBoxSequence::CommitAndCloseEditors()
{
    for (auto& box : m_boxes)
        box->CommitAndCloseEditor();
}

void CBoxSequence::ReleaseContents()
{
    // Release, then delete, each box from the top; the list is emptied at
    // the end rather than box by box, which would be quadratic.
    for (auto& box : m_boxes) {
        box->ReleaseContents();
        box.reset();
    }
    m_boxes.clear();
}

bool CBoxSequence::DeleteSelected()
{
    for (auto it = m_boxes.begin(); it != m_boxes.end(); ++it) {
        const DeleteResult state = (*it)->DeleteSelected();
        if (state == DeleteResult::ThisBox) {
            (*it)->ReleaseContents();
            std::unique_ptr<CProcessBox> box = std::move(*it);
            m_boxes.erase(it);
            return true;
        }
        if (state == DeleteResult::InsideThis)
            return true;
    }
    return false;
}

std::unique_ptr<CProcessBox> CBoxSequence::DetachSelected()
{
    for (auto it = m_boxes.begin(); it != m_boxes.end(); ++it) {
        if ((*it)->m_selected != 0) {
            (*it)->CommitAndCloseEditor();
            std::unique_ptr<CProcessBox> box = std::move(*it);
            m_boxes.erase(it);
            return box;
        }
        if ((*it)->ContainsSelection())
            return (*it)->DetachSelected();
    }
    return nullptr;
}

bool CBoxSequence::ContainsSelection() const
{
    for (const auto& box : m_boxes) {
        if (box->ContainsSelection())
            return true;
    }
    return false;
}

bool CBoxSequence::HitsResizeHandle(int x, int y) const
{
    for (const auto& box : m_boxes) {
        if (box->HitsResizeHandle(x, y))
            return true;
    }
    return false;
}

CProcessBox* CBoxSequence::FindResizeHandleBox(int x, int y)
{
    for (auto& box : m_boxes) {
        if (box->HitsResizeHandle(x, y))
            return box->FindResizeHandleBox(x, y);
    }
    return nullptr;
}

int CBoxSequence::GetRight() const
{
    if (m_boxes.empty())
        return kRightMargin;
    int right = std::numeric_limits<int>::min();
    for (const auto& box : m_boxes)
        right = std::max(right, box->GetRight());
    return AddClamped(right, kRightMargin);
}

CRootSequence::CRootSequence() = default;

CRootSequence::~CRootSequence() = default;

void CRootSequence::InsertAt(int index, ToolId tool, CDC* dc, const CProcessBox* clipboard)
{
    // The root's first box stands one gap below the start terminal's line.
    InsertPlaced(index, tool, dc, clipboard, std::int64_t { m_top } + m_gap, m_bottom);
}

std::unique_ptr<CProcessBox> CRootSequence::CopySelected()
{
    for (auto& box : m_boxes) {
        if (box->ContainsSelection()) {
            // The whole box is copied, so all of its texts are brought up to
            // date first, not only the selected one's.
            box->CommitText();
            return box->Clone(box->m_x, box->m_y);
        }
    }
    return nullptr;
}
