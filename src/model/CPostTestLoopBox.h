#pragma once

#include "model/CPreTestLoopBox.h"

// A loop tested after each pass. Same record, geometry and editing behaviour
// as the pre-test loop. File tag 4.
class CPostTestLoopBox : public CPreTestLoopBox {
public:
    using CPreTestLoopBox::CPreTestLoopBox;
    BoxKind Kind() const override { return BoxKind::PostTestLoop; }

    void Draw(CDC* dc, CEditorHost* view) override;
    std::unique_ptr<CProcessBox> Clone(int x, int y) const override;
    void EmitCode(CConsole& console, int indent) override;
    void Execute(CRunContext& run) override;
};
