#pragma once

#include "model/CProcessBox.h"

// Reads one input line into each variable of its list. File tag 6.

class CInputBox : public CProcessBox {
public:
    using CProcessBox::CProcessBox;
    BoxKind Kind() const override { return BoxKind::Input; }
    void Draw(CDC* dc, CEditorHost* view) override;
    std::unique_ptr<CProcessBox> Clone(int x, int y) const override;
    void EmitCode(CConsole& console, int indent) override;
    void Execute(CRunContext& run) override;
};
