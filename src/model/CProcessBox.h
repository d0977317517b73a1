#pragma once
// Abstract base of every chart box. A box is owned by the sequence that holds
// it (or by the view, as clipboard content); it owns its in-place editor.
//
// The virtual operations are implemented by subsystem: tree, copying, files
// and editing in src/model, layout and drawing in src/view, execution in
// src/exec, C code in src/codegen.

#include "model/CBoxEditor.h"
#include "model/ToolIds.h"

#include <cstdint>
#include <memory>
#include <string>

class CArchive;
class CBoxSequence;
class CConsole;
class CDC;
class CInterpreter;
class CRunContext;
class CTokenList;
class CVariableTable;

// The file tags of the box kinds.
enum class BoxKind : std::int16_t {
    Simple = 1,
    Branch = 2,
    PreTestLoop = 3,
    PostTestLoop = 4,
    Output = 5,
    Input = 6,
};

// What DeleteSelected found at a box.
enum class DeleteResult {
    Nothing,     // no selected box here: nothing deleted
    ThisBox,     // this box is selected; the caller removes it
    InsideThis,  // a box inside this one was deleted
};

class CProcessBox {
public:
    CProcessBox(int x, int y, int width, int height);
    virtual ~CProcessBox();
    CProcessBox(const CProcessBox&) = delete;
    CProcessBox& operator=(const CProcessBox&) = delete;

    // Run-time class identity: the kind's file tag.
    virtual BoxKind Kind() const = 0;

    // Storing writes the tag and the record (and a container's sequences);
    // loading reads the text (and a container's sequences), the sequence
    // having read tag and geometry already.
    virtual void Serialize(CArchive& ar);
    virtual void Draw(CDC* dc, CEditorHost* view) = 0;
    virtual void MoveVertically(int dy, CDC* dc);
    virtual void MoveHorizontally(int dx, CDC* dc);
    virtual void Deselect();
    virtual bool ClickAt(int x, int y, ToolId tool, CDC* dc, const CProcessBox* clipboard);
    virtual int GetBottom() const;
    virtual DeleteResult DeleteSelected();
    virtual void ReleaseContents();
    virtual bool HitsResizeHandle(int x, int y) const;
    virtual CProcessBox* FindResizeHandleBox(int x, int y);
    virtual void RelinkArms();
    virtual int GetRight() const;
    virtual void CreateEditor(CDC* dc, CEditorHost* view);
    virtual bool ContainsSelection() const;
    // Takes the selected box out of a sequence below this one. A box cannot
    // hand over itself: the sequence holding a selected box detaches it.
    virtual std::unique_ptr<CProcessBox> DetachSelected();
    virtual void CommitAndCloseEditor();
    virtual void CommitText();
    virtual std::unique_ptr<CProcessBox> Clone(int x, int y) const = 0;
    virtual void EmitCode(CConsole& console, int indent);
    virtual void Execute(CRunContext& run);
    virtual void CollectDeclarations(CTokenList& declarations, CVariableTable& declared, bool& usesMath);

    // Grows the box towards the logical point (px, py), never below 150 x 25.
    void ResizeTo(int px, int py, CDC* dc);
    // Moves the editor window onto the box's editor rectangle.
    void PlaceEditor(CDC* dc);
    // Brings m_text up to date from the editor, when there is one.
    void RefreshText();
    bool IsHit(int x, int y) const;

    int m_x { 0 };
    int m_y { 0 };
    int m_width { 0 };
    int m_height { 0 };
    int m_selected { 0 };
    std::unique_ptr<CBoxEditor> m_editor;
    std::string m_text; // code page 932 bytes, as the file stores them
};
