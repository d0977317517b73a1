#pragma once

#include "model/CBoxSequence.h"
#include "model/CProcessBox.h"

// A two-way branch on its condition text. File tag 2.
class CBranchBox : public CProcessBox {
public:
    CBranchBox(int x, int y, int width, int height);
    ~CBranchBox() override;
    BoxKind Kind() const override { return BoxKind::Branch; }

    void Serialize(CArchive& ar) override;
    void Draw(CDC* dc, CEditorHost* view) override;
    void MoveVertically(int dy, CDC* dc) override;
    void Deselect() override;
    bool ClickAt(int x, int y, ToolId tool, CDC* dc, const CProcessBox* clipboard) override;
    int GetBottom() const override;
    DeleteResult DeleteSelected() override;
    void ReleaseContents() override;
    bool HitsResizeHandle(int x, int y) const override;
    CProcessBox* FindResizeHandleBox(int x, int y) override;
    void RelinkArms() override;
    int GetRight() const override;
    void CreateEditor(CDC* dc, CEditorHost* view) override;
    bool ContainsSelection() const override;
    std::unique_ptr<CProcessBox> DetachSelected() override;
    void CommitAndCloseEditor() override;
    void CommitText() override;
    std::unique_ptr<CProcessBox> Clone(int x, int y) const override;
    void EmitCode(CConsole& console, int indent) override;
    void Execute(CRunContext& run) override;
    void CollectDeclarations(CTokenList& declarations, CVariableTable& declared, bool& usesMath) override;

    CBoxSequence m_thenSeq;
    CBoxSequence m_elseSeq;
};
