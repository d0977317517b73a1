#pragma once

#include "model/CProcessBox.h"

// A simple process: one statement or a comma list of them. File tag 1.

class CSimpleBox : public CProcessBox {
public:
    using CProcessBox::CProcessBox;
    BoxKind Kind() const override { return BoxKind::Simple; }
    void Draw(CDC* dc, CEditorHost* view) override;
    std::unique_ptr<CProcessBox> Clone(int x, int y) const override;
};
