#include "model/CBranchBox.h"

#include "model/CArchive.h"
#include "model/ClampedMath.h"

#include <algorithm>
#include <cstdint>

namespace {

// The else-arm starts as if the box stood half its height below itself.
int ElseArmY(int y, int height)
{
    return ClampToInt(std::int64_t { y } + height + height / 2);
}

} // namespace

CBranchBox::CBranchBox(int x, int y, int width, int height)
    : CProcessBox(x, y, width, height)
    , m_thenSeq(x, y, width, height)
    , m_elseSeq(x, ElseArmY(y, height), width, height)
{
}

CBranchBox::~CBranchBox() = default;

void CBranchBox::Serialize(CArchive& ar)
{
    CProcessBox::Serialize(ar);
    CArchive::NestingGuard nested(ar);
    m_thenSeq.Serialize(ar);
    m_elseSeq.Serialize(ar);
}

void CBranchBox::MoveVertically(int dy, CDC* dc)
{
    CProcessBox::MoveVertically(dy, dc);
    m_thenSeq.MoveVertically(dy, dc);
    m_elseSeq.MoveVertically(dy, dc);
}

void CBranchBox::Deselect()
{
    CProcessBox::Deselect();
    m_thenSeq.DeselectAll();
    m_elseSeq.DeselectAll();
}

bool CBranchBox::ClickAt(int x, int y, ToolId tool, CDC* dc, const CProcessBox* clipboard)
{
    if (IsHit(x, y)) {
        m_selected = 1;
        return false;
    }
    // Both arms see the click, even when the first one inserted.
    const bool inThen = m_thenSeq.ClickAt(x, y, tool, dc, clipboard);
    const bool inElse = m_elseSeq.ClickAt(x, y, tool, dc, clipboard);
    return inThen || inElse;
}

int CBranchBox::GetBottom() const
{
    return std::max(m_elseSeq.GetBottom(), CProcessBox::GetBottom());
}

DeleteResult CBranchBox::DeleteSelected()
{
    if (m_selected != 0)
        return DeleteResult::ThisBox;
    if (m_thenSeq.DeleteSelected() || m_elseSeq.DeleteSelected())
        return DeleteResult::InsideThis;
    return DeleteResult::Nothing;
}

void CBranchBox::ReleaseContents()
{
    CProcessBox::ReleaseContents();
    m_thenSeq.ReleaseContents();
    m_elseSeq.ReleaseContents();
}

bool CBranchBox::HitsResizeHandle(int x, int y) const
{
    return CProcessBox::HitsResizeHandle(x, y) || m_thenSeq.HitsResizeHandle(x, y)
        || m_elseSeq.HitsResizeHandle(x, y);
}

CProcessBox* CBranchBox::FindResizeHandleBox(int x, int y)
{
    if (CProcessBox::HitsResizeHandle(x, y))
        return this;
    if (CProcessBox* box = m_thenSeq.FindResizeHandleBox(x, y))
        return box;
    return m_elseSeq.FindResizeHandleBox(x, y);
}

void CBranchBox::RelinkArms()
{
    m_thenSeq.m_owner = this;
    m_elseSeq.m_owner = this;
}

int CBranchBox::GetRight() const
{
    return std::max({ m_thenSeq.GetRight(), m_elseSeq.GetRight(), CProcessBox::GetRight() });
}

void CBranchBox::CreateEditor(CDC* dc, CEditorHost* view)
{
    CProcessBox::CreateEditor(dc, view);
    m_thenSeq.CreateEditors(dc, view);
    m_elseSeq.CreateEditors(dc, view);
}

bool CBranchBox::ContainsSelection() const
{
    return CProcessBox::ContainsSelection() || m_thenSeq.ContainsSelection() || m_elseSeq.ContainsSelection();
}

std::unique_ptr<CProcessBox> CBranchBox::DetachSelected()
{
    if (auto box = m_thenSeq.DetachSelected())
        return box;
    return m_elseSeq.DetachSelected();
}

void CBranchBox::CommitAndCloseEditor()
{
    CProcessBox::CommitAndCloseEditor();
    m_thenSeq.CommitAndCloseEditors();
    m_elseSeq.CommitAndCloseEditors();
}

void CBranchBox::CommitText()
{
    CProcessBox::CommitText();
    m_thenSeq.CommitText();
    m_elseSeq.CommitText();
}

std::unique_ptr<CProcessBox> CBranchBox::Clone(int x, int y) const
{
    auto copy = std::make_unique<CBranchBox>(x, y, m_width, m_height);
    copy->m_text = m_text;
    m_thenSeq.CloneInto(copy->m_thenSeq, x, y);
    m_elseSeq.CloneInto(copy->m_elseSeq, x, y);
    return copy;
}
