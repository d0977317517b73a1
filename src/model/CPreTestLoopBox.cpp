#include "model/CPreTestLoopBox.h"

#include "model/CArchive.h"

#include <algorithm>

CPreTestLoopBox::CPreTestLoopBox(int x, int y, int width, int height)
    : CProcessBox(x, y, width, height)
    , m_bodySeq(x, y, width, height)
{
}

CPreTestLoopBox::~CPreTestLoopBox() = default;

// Also stores the post-test loop: the tag written is the box's own kind.
void CPreTestLoopBox::Serialize(CArchive& ar)
{
    CProcessBox::Serialize(ar);
    CArchive::NestingGuard nested(ar);
    m_bodySeq.Serialize(ar);
}

void CPreTestLoopBox::MoveVertically(int dy, CDC* dc)
{
    CProcessBox::MoveVertically(dy, dc);
    m_bodySeq.MoveVertically(dy, dc);
}

void CPreTestLoopBox::Deselect()
{
    CProcessBox::Deselect();
    m_bodySeq.DeselectAll();
}

bool CPreTestLoopBox::ClickAt(int x, int y, ToolId tool, CDC* dc, const CProcessBox* clipboard)
{
    if (IsHit(x, y)) {
        m_selected = 1;
        return false;
    }
    return m_bodySeq.ClickAt(x, y, tool, dc, clipboard);
}

int CPreTestLoopBox::GetBottom() const
{
    return std::max(m_bodySeq.GetBottom(), CProcessBox::GetBottom());
}

DeleteResult CPreTestLoopBox::DeleteSelected()
{
    if (m_selected != 0)
        return DeleteResult::ThisBox;
    return m_bodySeq.DeleteSelected() ? DeleteResult::InsideThis : DeleteResult::Nothing;
}

void CPreTestLoopBox::ReleaseContents()
{
    CProcessBox::ReleaseContents();
    m_bodySeq.ReleaseContents();
}

bool CPreTestLoopBox::HitsResizeHandle(int x, int y) const
{
    return CProcessBox::HitsResizeHandle(x, y) || m_bodySeq.HitsResizeHandle(x, y);
}

CProcessBox* CPreTestLoopBox::FindResizeHandleBox(int x, int y)
{
    if (CProcessBox::HitsResizeHandle(x, y))
        return this;
    return m_bodySeq.FindResizeHandleBox(x, y);
}

void CPreTestLoopBox::RelinkArms()
{
    m_bodySeq.m_owner = this;
}

int CPreTestLoopBox::GetRight() const
{
    return std::max(m_bodySeq.GetRight(), CProcessBox::GetRight());
}

void CPreTestLoopBox::CreateEditor(CDC* dc, CEditorHost* view)
{
    CProcessBox::CreateEditor(dc, view);
    m_bodySeq.CreateEditors(dc, view);
}

bool CPreTestLoopBox::ContainsSelection() const
{
    return CProcessBox::ContainsSelection() || m_bodySeq.ContainsSelection();
}

std::unique_ptr<CProcessBox> CPreTestLoopBox::DetachSelected()
{
    return m_bodySeq.DetachSelected();
}

void CPreTestLoopBox::CommitAndCloseEditor()
{
    CProcessBox::CommitAndCloseEditor();
    m_bodySeq.CommitAndCloseEditors();
}

void CPreTestLoopBox::CommitText()
{
    CProcessBox::CommitText();
    m_bodySeq.CommitText();
}

std::unique_ptr<CProcessBox> CPreTestLoopBox::Clone(int x, int y) const
{
    auto copy = std::make_unique<CPreTestLoopBox>(x, y, m_width, m_height);
    copy->m_text = m_text;
    m_bodySeq.CloneInto(copy->m_bodySeq, x, y);
    return copy;
}
