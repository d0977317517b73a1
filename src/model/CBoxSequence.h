#pragma once
// An ordered vertical run of boxes on one sequence line: the arm of a branch,
// the body of a loop, or (CRootSequence) the whole chart. A sequence owns its
// boxes.

#include "model/CBoxEditor.h"
#include "model/ToolIds.h"

#include <cstdint>
#include <memory>
#include <vector>

class CArchive;
class CConsole;
class CDC;
class CInterpreter;
class CRunContext;
class CProcessBox;
class CTokenList;
class CVariableTable;

class CBoxSequence {
public:
    // The arm or body of a box at (x, y) of size w x h.
    CBoxSequence(int x, int y, int w, int h);
    virtual ~CBoxSequence();
    CBoxSequence(const CBoxSequence&) = delete;
    CBoxSequence& operator=(const CBoxSequence&) = delete;

    int GetBottom() const { return m_bottom; }
    int GetTop() const { return m_top; }
    // Nested: every box's code in order. Root: the whole program.
    virtual void EmitCode(CConsole& console, int indent);
    // Nested: every box while the run goes on. Root: the same, reporting
    // evaluation errors.
    virtual void Execute(CRunContext& run);
    // Puts a new box of the tool's kind (or a copy of the clipboard box) at
    // gap `index`.
    virtual void InsertAt(int index, ToolId tool, CDC* dc, const CProcessBox* clipboard);

    // Storing writes the count and every box; loading appends the boxes read
    // to this (empty) sequence. Errors leave the boxes read so far in place:
    // load into a fresh sequence and use it only on success.
    void Serialize(CArchive& ar);
    bool ClickAt(int x, int y, ToolId tool, CDC* dc, const CProcessBox* clipboard);
    int FindGap(int x, int y) const;
    void CloneInto(CBoxSequence& destination, int x, int y) const;
    void CollectDeclarations(CTokenList& declarations, CVariableTable& declared, bool& usesMath);

    // Applied to every box in order.
    void MoveVertically(int dy, CDC* dc);
    void DeselectAll();
    void CreateEditors(CDC* dc, CEditorHost* view);
    void CommitText();
    void CommitAndCloseEditors();
    void ReleaseContents(); // releases and deletes every box
    bool DeleteSelected();
    std::unique_ptr<CProcessBox> DetachSelected();
    bool ContainsSelection() const;
    bool HitsResizeHandle(int x, int y) const;
    CProcessBox* FindResizeHandleBox(int x, int y);
    int GetRight() const;

    // Layout and drawing of a nested sequence.
    void Draw(CDC* dc, CEditorHost* view);

    CProcessBox* m_owner { nullptr };
    int m_x { 0 };
    int m_top { 0 };
    int m_bottom { 0 };
    int m_gap { 0 };
    std::vector<std::unique_ptr<CProcessBox>> m_boxes;

    // A new box of the kind a file tag names, or null for an unknown tag.
    static std::unique_ptr<CProcessBox> MakeBoxOfKind(int tag, int x, int y, int w, int h);

protected:
    CBoxSequence(); // root values
    // Geometry of the insertion at gap `index`, shared by both variants.
    void InsertBox(int index, std::unique_ptr<CProcessBox> box, CDC* dc);
    // Inserts at gap `index`: at headY for the head, tailY for the tail, and
    // below the boxes before it, each followed by a gap, in between.
    void InsertPlaced(int index, ToolId tool, CDC* dc, const CProcessBox* clipboard, std::int64_t headY,
        std::int64_t tailY);
    // Builds the box a tool inserts at (x, y), or a clone of the clipboard.
    static std::unique_ptr<CProcessBox> MakeBox(ToolId tool, int x, int y, const CProcessBox* clipboard);
};

// The document's sequence: the whole chart between its start and end.
class CRootSequence : public CBoxSequence {
public:
    CRootSequence();
    ~CRootSequence() override;

    void EmitCode(CConsole& console, int indent) override;
    void Execute(CRunContext& run) override;
    // Executes the chart with `interp` (whose variables stay with the caller)
    // under the program's run flag, which the caller sets.
    void Execute(CConsole& console, CInterpreter& interp);
    void InsertAt(int index, ToolId tool, CDC* dc, const CProcessBox* clipboard) override;

    // Layout and drawing of the whole chart, terminals included.
    void DrawAsRoot(CDC* dc, CEditorHost* view);
    // A clone of the root box that is or contains the selection.
    std::unique_ptr<CProcessBox> CopySelected();
};
