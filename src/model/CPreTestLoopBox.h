#pragma once

#include "model/CBoxSequence.h"
#include "model/CProcessBox.h"

// A loop tested before each pass; its header is a condition or a counting
// header "var = start, limit[, step]". File tag 3.
class CPreTestLoopBox : public CProcessBox {
public:
    CPreTestLoopBox(int x, int y, int width, int height);
    ~CPreTestLoopBox() override;
    BoxKind Kind() const override { return BoxKind::PreTestLoop; }

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

    CBoxSequence m_bodySeq;
};
