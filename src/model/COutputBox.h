#pragma once

#include "model/CProcessBox.h"

// Writes the values and strings of its list on one line. File tag 5.

class COutputBox : public CProcessBox {
public:
    using CProcessBox::CProcessBox;
    BoxKind Kind() const override { return BoxKind::Output; }
    void Draw(CDC* dc, CEditorHost* view) override;
    std::unique_ptr<CProcessBox> Clone(int x, int y) const override;
    void EmitCode(CConsole& console, int indent) override;
    void Execute(CRunContext& run) override;
};
