#include "model/CTavrinDoc.h"

#include "model/CArchive.h"
#include "model/FileIO.h"

CTavrinDoc::~CTavrinDoc()
{
    m_root.ReleaseContents();
}

void CTavrinDoc::Serialize(CArchive& ar)
{
    m_root.Serialize(ar);
}

void CTavrinDoc::Load(const std::string& path)
{
    LoadFromBytes(ReadWholeFile(path));
}

void CTavrinDoc::LoadFromBytes(std::string_view bytes)
{
    // Read into a chart of its own, so that a bad file never leaves a
    // half-read chart in use.
    CRootSequence fresh;
    CArchive ar(bytes);
    fresh.Serialize(ar);
    m_root.ReleaseContents();
    m_root.m_boxes = std::move(fresh.m_boxes);
    m_root.m_x = fresh.m_x;
    m_root.m_top = fresh.m_top;
    m_root.m_bottom = fresh.m_bottom;
    m_root.m_gap = fresh.m_gap;
    SetModifiedFlag(false);
}

std::string CTavrinDoc::SaveToBytes()
{
    CArchive ar;
    Serialize(ar);
    return ar.Buffer();
}

void CTavrinDoc::Save(const std::string& path)
{
    WriteFileAtomically(path, SaveToBytes());
    SetModifiedFlag(false);
}

void CTavrinDoc::Draw(CDC* dc, CEditorHost* view)
{
    m_root.DrawAsRoot(dc, view);
}

void CTavrinDoc::DeselectAll()
{
    m_root.DeselectAll();
}

bool CTavrinDoc::ClickAt(int x, int y, CDC* dc, const CProcessBox* clipboard)
{
    const bool inserted = m_root.ClickAt(x, y, m_tool, dc, clipboard);
    if (inserted)
        SetModifiedFlag(true);
    return inserted;
}

bool CTavrinDoc::DeleteSelected()
{
    const bool deleted = m_root.DeleteSelected();
    if (deleted)
        SetModifiedFlag(true);
    return deleted;
}

bool CTavrinDoc::HitsResizeHandle(int x, int y) const
{
    return m_root.HitsResizeHandle(x, y);
}

CProcessBox* CTavrinDoc::FindResizeHandleBox(int x, int y)
{
    return m_root.FindResizeHandleBox(x, y);
}

bool CTavrinDoc::ContainsSelection() const
{
    return m_root.ContainsSelection();
}

std::unique_ptr<CProcessBox> CTavrinDoc::Cut()
{
    auto box = m_root.DetachSelected();
    if (box)
        SetModifiedFlag(true);
    return box;
}

std::unique_ptr<CProcessBox> CTavrinDoc::Copy()
{
    return m_root.CopySelected();
}
