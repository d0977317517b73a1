#include "model/CProcessBox.h"

#include "model/CArchive.h"
#include "model/CDC.h"
#include "model/ClampedMath.h"
#include "model/Geometry.h"

#include <cstdint>

CProcessBox::CProcessBox(int x, int y, int width, int height)
    : m_x(x)
    , m_y(y)
    , m_width(width)
    , m_height(height)
{
}

CProcessBox::~CProcessBox() = default;

void CProcessBox::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        ar.WriteInt16(static_cast<std::int16_t>(Kind()));
        // Storing is one of the operations that read the live text.
        RefreshText();
        ar.WriteInt32(m_x);
        ar.WriteInt32(m_y);
        ar.WriteInt32(m_width);
        ar.WriteInt32(m_height);
        ar.WriteString(m_text);
    } else {
        // The sequence has read tag and geometry before the box existed.
        m_text = ar.ReadString();
    }
}

void CProcessBox::MoveVertically(int dy, CDC* dc)
{
    m_y = AddClamped(m_y, dy);
    PlaceEditor(dc);
}

void CProcessBox::MoveHorizontally(int dx, CDC* dc)
{
    m_x = AddClamped(m_x, dx);
    PlaceEditor(dc);
}

void CProcessBox::Deselect()
{
    m_selected = 0;
}

bool CProcessBox::ClickAt(int x, int y, ToolId, CDC*, const CProcessBox*)
{
    if (IsHit(x, y))
        m_selected = 1;
    return false;
}

int CProcessBox::GetBottom() const
{
    return ClampToInt(std::int64_t { m_y } + m_height + kBoxClearance);
}

DeleteResult CProcessBox::DeleteSelected()
{
    return m_selected != 0 ? DeleteResult::ThisBox : DeleteResult::Nothing;
}

void CProcessBox::ReleaseContents()
{
    m_editor.reset();
}

bool CProcessBox::HitsResizeHandle(int x, int y) const
{
    if (m_selected == 0)
        return false;
    const std::int64_t right = std::int64_t { m_x } + m_width;
    const std::int64_t bottom = std::int64_t { m_y } + m_height;
    return right - kHitTolerance <= x && x <= right + kHitTolerance
        && bottom - kHitTolerance <= y && y <= bottom + kHitTolerance;
}

CProcessBox* CProcessBox::FindResizeHandleBox(int x, int y)
{
    return CProcessBox::HitsResizeHandle(x, y) ? this : nullptr;
}

void CProcessBox::RelinkArms()
{
}

int CProcessBox::GetRight() const
{
    return ClampToInt(std::int64_t { m_x } + m_width);
}

void CProcessBox::CreateEditor(CDC* dc, CEditorHost* view)
{
    if (m_editor || view == nullptr)
        return;
    m_editor = view->CreateEditor(*this);
    if (!m_editor)
        return;
    m_editor->SetText(m_text);
    PlaceEditor(dc);
}

bool CProcessBox::ContainsSelection() const
{
    return m_selected != 0;
}

std::unique_ptr<CProcessBox> CProcessBox::DetachSelected()
{
    // A selected leaf is taken out by the sequence that holds it.
    return nullptr;
}

void CProcessBox::CommitAndCloseEditor()
{
    RefreshText();
    m_editor.reset();
}

void CProcessBox::CommitText()
{
    RefreshText();
}

void CProcessBox::ResizeTo(int px, int py, CDC* dc)
{
    const bool tallEnough = std::int64_t { py } >= std::int64_t { m_y } + kNewBoxHeight;
    const bool wideEnough = std::int64_t { px } >= std::int64_t { m_x } + kNewBoxWidth;
    if (!tallEnough && !wideEnough)
        return;
    if (tallEnough)
        m_height = ClampToInt(std::int64_t { py } - m_y);
    if (wideEnough)
        m_width = ClampToInt(std::int64_t { px } - m_x);
    PlaceEditor(dc);
}

void CProcessBox::PlaceEditor(CDC* dc)
{
    if (!m_editor || dc == nullptr || !m_editor->HasWindow())
        return;
    const std::int64_t right = std::int64_t { m_x } + m_width;
    const std::int64_t bottom = std::int64_t { m_y } + m_height;
    const CPoint topLeft = dc->LPtoDP({ AddClamped(m_x, kEditorInsetX), AddClamped(m_y, kEditorInsetY) });
    const CPoint bottomRight = dc->LPtoDP({ ClampToInt(right - kEditorInsetX), ClampToInt(bottom - kEditorInsetY) });
    m_editor->MoveWindow(topLeft.x, topLeft.y,
        ClampToInt(std::int64_t { bottomRight.x } - topLeft.x),
        ClampToInt(std::int64_t { bottomRight.y } - topLeft.y));
}

void CProcessBox::RefreshText()
{
    if (m_editor)
        m_text = m_editor->GetText();
}

bool CProcessBox::IsHit(int x, int y) const
{
    const std::int64_t left = m_x;
    const std::int64_t top = m_y;
    return left - kHitTolerance <= x && x <= left + m_width + kHitTolerance
        && top - kHitTolerance <= y && y <= top + m_height + kHitTolerance;
}
