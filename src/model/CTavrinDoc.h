#pragma once
// The document of one open chart, without any window system: it owns the
// chart (the root sequence and, through it, every box), the current
// insertion tool and the modified flag, offers the view its chart
// operations, and loads and saves .pad files. The desktop program wraps it.
//
// Every change to the chart is a step of the document's history: the chart
// operations below push commands, and whoever changes the boxes otherwise
// pushes a command too (Execute). Boxes taken out of the chart by a step
// stay alive in the history, so pointers to boxes handed out stay valid as
// long as the history can still bring them back.

#include "model/CBoxSequence.h"
#include "model/CProcessBox.h"
#include "model/CUndoStack.h"
#include "model/ChartCommands.h"
#include "model/ToolIds.h"

#include <memory>
#include <string>
#include <string_view>

class CArchive;
class CDC;

class CTavrinDoc {
public:
    CTavrinDoc() = default;
    ~CTavrinDoc();
    CTavrinDoc(const CTavrinDoc&) = delete;
    CTavrinDoc& operator=(const CTavrinDoc&) = delete;

    bool IsModified() const { return m_modified; }
    void SetModifiedFlag(bool modified = true) { m_modified = modified; }

    // The root sequence in either direction, nothing else.
    void Serialize(CArchive& ar);

    // Replaces the chart with the file's. Throws CFileError when the file
    // cannot be read and CFileFormatError when it is not a chart; the chart
    // in use is untouched by a failure. Clears the modified flag.
    void Load(const std::string& path);
    // The same from bytes already read.
    void LoadFromBytes(std::string_view bytes);
    // Commits every editor's text and writes the chart atomically. Throws
    // CFileError (the old file intact) or CChartTooDeepError. Clears the
    // modified flag on success.
    void Save(const std::string& path);
    // The file bytes of the chart (commits every editor's text).
    std::string SaveToBytes();

    // Chart operations offered to the view.
    void Draw(CDC* dc, CEditorHost* view);
    void DeselectAll();
    // Selects the boxes hit or inserts at the gaps under the point; a box
    // inserted is then selected alone.
    bool ClickAt(int x, int y, CDC* dc, const CProcessBox* clipboard);
    bool DeleteSelected();
    bool HitsResizeHandle(int x, int y) const;
    CProcessBox* FindResizeHandleBox(int x, int y);
    bool ContainsSelection() const;
    // The selected box leaves the chart as a step of the history; the caller
    // gets a copy of it for its clipboard.
    std::unique_ptr<CProcessBox> Cut();
    std::unique_ptr<CProcessBox> Copy();

    // The history. Execute applies a command as a new step and marks the
    // chart modified; false when the command found nothing to do.
    CUndoStack& History() { return m_history; }
    const CUndoStack& History() const { return m_history; }
    bool Execute(std::unique_ptr<CUndoCommand> command, CDC* dc);
    // Undo and Redo mark the chart modified and select the box of the step
    // (nothing when it left the chart). False when there was nothing to do.
    bool Undo(CDC* dc);
    bool Redo(CDC* dc);
    // Ends the step that typing or a resize drag is adding to.
    void CloseStep() { m_history.CloseStep(); }

    // Edits for the view, each one step (or part of the open one).
    // Inserts a box of the current tool (a clone of `clipboard` with the
    // Paste tool) at a gap; returns it, selected alone, or null.
    CProcessBox* InsertAt(CBoxPlace gap, const CProcessBox* clipboard, CDC* dc);
    // The same below the selected box, or at the head of the chart when
    // nothing is selected.
    CProcessBox* InsertAfterSelection(const CProcessBox* clipboard, CDC* dc);
    // The box's text has become `text` (code page 932): the editor holds it
    // already. Consecutive calls for one box are one step until CloseStep.
    void SetBoxText(CProcessBox& box, std::string text);
    // Resizes towards (px, py) as a resize drag does; the calls of one drag
    // (until CloseStep) are one step. False when the size did not change.
    bool ResizeBox(CProcessBox& box, int px, int py, CDC* dc);
    // The gap a drop at (x, y) lands in (the first a click there would
    // insert into), or an empty place.
    CBoxPlace GapAt(int x, int y);
    // Moves `box` with everything in it to `gap` (a gap of the chart as it
    // stands). False, with nothing changed, for a drop into the box itself,
    // below it, or onto its own place.
    bool MoveBox(CProcessBox& box, CBoxPlace gap, CDC* dc);
    // Inserts a copy of `box` at `gap`; refused as MoveBox refuses. Returns
    // the copy, selected alone, or null.
    CProcessBox* CopyBox(CProcessBox& box, CBoxPlace gap, CDC* dc);

    int m_minWidth { 600 };
    int m_minHeight { 400 };
    ToolId m_tool { kToolSimple };
    CRootSequence m_root;

private:
    // Deselects everything, then selects `box` if there is one.
    void SelectOnly(CProcessBox* box);

    bool m_modified { false };
    CUndoStack m_history;
};
