#pragma once
// Builds small charts for the layout and drawing tests.

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CInputBox.h"
#include "model/COutputBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "layout/CRecordingDC.h"
#include "model/CSimpleBox.h"
#include "model/Geometry.h"

#include <memory>
#include <string>
#include <vector>

namespace layout_test {

// A box of the default size at (x, y); its position is only a starting
// point, as for a loaded file.
template <class Box>
Box& Append(CBoxSequence& seq, int x = 0, int y = 0, int w = kNewBoxWidth, int h = kNewBoxHeight)
{
    auto box = std::make_unique<Box>(x, y, w, h);
    Box& ref = *box;
    seq.m_boxes.push_back(std::move(box));
    return ref;
}

// The calls of one screen (or printer) pass over the whole chart.
inline std::vector<std::string> DrawRoot(CRootSequence& root, DeviceKind kind = DeviceKind::Screen,
    CEditorHost* host = nullptr)
{
    CRecordingDC dc(kind);
    root.DrawAsRoot(&dc, host);
    return dc.Calls();
}

} // namespace layout_test
