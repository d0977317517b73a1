#include "model/CTavrinDoc.h"

#include "model/CArchive.h"
#include "model/FileIO.h"
#include "base/Texts.h"

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
    m_history.Clear();
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
    m_history.SetClean();
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
    std::vector<CBoxPlace> gaps = ClickGaps(m_root, x, y, Hits::Select);
    if (gaps.empty())
        return false;
    // A point on the lines of several sequences inserts into each of them,
    // as one step.
    std::vector<std::unique_ptr<CUndoCommand>> inserts;
    for (const CBoxPlace& gap : gaps)
        inserts.push_back(std::make_unique<CInsertBoxCommand>(gap, m_tool, clipboard));
    std::unique_ptr<CUndoCommand> step = inserts.size() == 1
        ? std::move(inserts.front())
        : std::make_unique<CCompoundCommand>(std::move(inserts));
    // An insertion is never merged into another step: the history keeps it.
    const CUndoCommand& kept = *step;
    if (!Execute(std::move(step), dc))
        return false;
    // The new box is the one the user goes on with.
    SelectOnly(kept.SelectionAfterApply());
    return true;
}

bool CTavrinDoc::DeleteSelected()
{
    const CBoxPlace place = FindSelectedPlace(m_root);
    return place && Execute(std::make_unique<CRemoveBoxCommand>(place, CRemoveBoxCommand::Reason::Delete), nullptr);
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
    const CBoxPlace place = FindSelectedPlace(m_root);
    if (!place)
        return nullptr;
    auto cut = std::make_unique<CRemoveBoxCommand>(place, CRemoveBoxCommand::Reason::Cut);
    CRemoveBoxCommand& step = *cut;
    if (!Execute(std::move(cut), nullptr))
        return nullptr;
    // The box itself stays with the step, to come back on Undo.
    return step.Box()->Clone(step.Box()->m_x, step.Box()->m_y);
}

std::unique_ptr<CProcessBox> CTavrinDoc::Copy()
{
    return m_root.CopySelected();
}

bool CTavrinDoc::Execute(std::unique_ptr<CUndoCommand> command, CDC* dc)
{
    if (!m_history.Push(std::move(command), dc))
        return false;
    SetModifiedFlag(true);
    return true;
}

bool CTavrinDoc::Undo(CDC* dc)
{
    if (!m_history.CanUndo())
        return false;
    SelectOnly(m_history.Undo(dc));
    SetModifiedFlag(true);
    return true;
}

bool CTavrinDoc::Redo(CDC* dc)
{
    if (!m_history.CanRedo())
        return false;
    SelectOnly(m_history.Redo(dc));
    SetModifiedFlag(true);
    return true;
}

void CTavrinDoc::SelectOnly(CProcessBox* box)
{
    DeselectAll();
    if (box != nullptr)
        box->m_selected = 1;
}

CProcessBox* CTavrinDoc::InsertAt(CBoxPlace gap, const CProcessBox* clipboard, CDC* dc)
{
    auto insert = std::make_unique<CInsertBoxCommand>(gap, m_tool, clipboard);
    CInsertBoxCommand& step = *insert;
    if (!Execute(std::move(insert), dc))
        return nullptr;
    SelectOnly(step.Box());
    return step.Box();
}

CProcessBox* CTavrinDoc::InsertAfterSelection(const CProcessBox* clipboard, CDC* dc)
{
    const CBoxPlace selected = FindSelectedPlace(m_root);
    const CBoxPlace gap = selected ? CBoxPlace { selected.sequence, selected.index + 1 } : CBoxPlace { &m_root, 0 };
    return InsertAt(gap, clipboard, dc);
}

void CTavrinDoc::SetBoxText(CProcessBox& box, std::string text)
{
    Execute(std::make_unique<CTextCommand>(box, box.m_text, std::move(text)), nullptr);
}

bool CTavrinDoc::ResizeBox(CProcessBox& box, int px, int py, CDC* dc)
{
    // The box's own rule decides the new size; the step records it.
    const int oldWidth = box.m_width;
    const int oldHeight = box.m_height;
    box.ResizeTo(px, py, dc);
    const int newWidth = box.m_width;
    const int newHeight = box.m_height;
    box.m_width = oldWidth;
    box.m_height = oldHeight;
    return Execute(std::make_unique<CResizeBoxCommand>(box, oldWidth, oldHeight, newWidth, newHeight), dc);
}

CBoxPlace CTavrinDoc::GapAt(int x, int y)
{
    const std::vector<CBoxPlace> gaps = ClickGaps(m_root, x, y, Hits::Ignore);
    return gaps.empty() ? CBoxPlace {} : gaps.front();
}

bool CTavrinDoc::MoveBox(CProcessBox& box, CBoxPlace gap, CDC* dc)
{
    const CBoxPlace from = FindPlaceOf(m_root, box);
    if (!CMoveBoxCommand::CanMove(from, gap))
        return false;
    return Execute(std::make_unique<CMoveBoxCommand>(from, gap), dc);
}

CProcessBox* CTavrinDoc::CopyBox(CProcessBox& box, CBoxPlace gap, CDC* dc)
{
    const CBoxPlace from = FindPlaceOf(m_root, box);
    if (!CMoveBoxCommand::CanMove(from, gap))
        return nullptr;
    // The copy carries the texts as typed.
    box.CommitText();
    auto copy = std::make_unique<CInsertBoxCommand>(gap, kToolPaste, &box, texts::kStepCopy);
    CInsertBoxCommand& step = *copy;
    if (!Execute(std::move(copy), dc))
        return nullptr;
    SelectOnly(step.Box());
    return step.Box();
}
