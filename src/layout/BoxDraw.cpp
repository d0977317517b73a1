// The outline of every box kind, its selection highlight and, on a printer,
// its text. Containers then lay out and draw their sequences.
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CInputBox.h"
#include "model/COutputBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "layout/DrawSupport.h"

#include <algorithm>
#include <string>
#include <string_view>

using namespace chartdraw;

namespace {

constexpr int kHandleHalf = 4;         // an 8 x 8 resize handle
constexpr int kPostLoopHandleHalf = 3; // the post-test loop's is 6 x 6
constexpr int kLoopBarInset = 10;      // inner line of a loop box
constexpr int kBranchPost = 10;        // right post of a branch, beyond its box
constexpr int kCornerCut = 10;         // corner cut of input and output boxes
constexpr int kInputTopShort = 9;      // the input top edge stops 9 before R
constexpr int kPrintedTextX = 30;
constexpr int kPrintedTextY = 20;

const CPen kHighlightPen { 1, kColorBlue };

bool IsCp932LeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

} // namespace

std::string chartdraw::ShownPart(std::string_view text, std::size_t maxLines, std::size_t maxLineBytes)
{
    if (text.size() <= maxLineBytes)
        return std::string(text);
    std::string shown;
    std::size_t lines = 0;
    std::size_t i = 0;
    while (i < text.size() && lines < maxLines) {
        std::size_t end = text.find_first_of("\r\n", i);
        if (end == std::string_view::npos)
            end = text.size();
        std::size_t cut = i;
        while (cut < end && cut - i < maxLineBytes)
            cut += IsCp932LeadByte(static_cast<unsigned char>(text[cut])) && cut + 1 < end ? 2 : 1;
        shown.append(text.substr(i, std::min(cut, end) - i));
        ++lines;
        if (end == text.size())
            break;
        const std::size_t next = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
        shown.append(text.substr(end, next - end));
        i = next;
    }
    return shown;
}

namespace {

// On a printer a box shows its text itself, taken from its editor first so
// that what was typed is printed even when nothing committed it yet.
void DrawPrintedText(CProcessBox& box, CDC& dc)
{
    if (!dc.IsPrinting())
        return;
    box.RefreshText();
    // Lines below the first would otherwise run out of the box, under the
    // next box's white fill: the text stays within the box's interior, the
    // editor's rectangle at print scale.
    const ScaledBox g(box, PrintScale(dc));
    dc.TextOutClipped(AddClamped(box.m_x, kPrintedTextX), AddClamped(box.m_y, kPrintedTextY), ShownPart(box.m_text),
                      g.X(kEditorInsetY), g.Y(kEditorInsetY), g.Right(-kEditorInsetX), g.Bottom(-kEditorInsetY));
}

bool ShowsHighlight(const CProcessBox& box, const CDC& dc)
{
    return box.m_selected != 0 && !dc.IsPrinting();
}

void DrawHandle(CDC& dc, const ScaledBox& g, int half)
{
    const int r = g.Right();
    const int b = g.Bottom();
    dc.Rectangle(AddClamped(r, -half), AddClamped(b, -half), AddClamped(r, half), AddClamped(b, half));
}

// The stub from a container's right edge to the line of its sequence.
void DrawStub(CDC& dc, const ScaledBox& g)
{
    Line(dc, g.Right(), g.Middle(), g.Right(kArmIndent), g.Middle());
}

void DrawLoop(CPreTestLoopBox& box, CDC* dc, CEditorHost* view, std::int64_t barOffset, int handleHalf)
{
    const ScaledBox g(box, PrintScale(*dc));
    dc->Rectangle(g.Left(), g.Top(), g.Right(), g.Bottom());
    Line(*dc, g.X(barOffset), g.Top(), g.X(barOffset), g.Bottom());
    DrawStub(*dc, g);
    DrawPrintedText(box, *dc);
    if (ShowsHighlight(box, *dc)) {
        PenScope pen(*dc, kHighlightPen);
        dc->Rectangle(g.Left(), g.Top(), g.Right(), g.Bottom());
        Line(*dc, g.X(barOffset), g.Top(), g.X(barOffset), g.Bottom());
        DrawHandle(*dc, g, handleHalf);
    }
    box.m_bodySeq.Draw(dc, view);
}

} // namespace

void CSimpleBox::Draw(CDC* dc, CEditorHost*)
{
    const ScaledBox g(*this, PrintScale(*dc));
    dc->Rectangle(g.Left(), g.Top(), g.Right(), g.Bottom());
    DrawPrintedText(*this, *dc);
    if (ShowsHighlight(*this, *dc)) {
        PenScope pen(*dc, kHighlightPen);
        dc->Rectangle(g.Left(), g.Top(), g.Right(), g.Bottom());
        DrawHandle(*dc, g, kHandleHalf);
    }
}

// The input box has no left edge (the sequence line is its left edge) and a
// cut top-right corner.
void CInputBox::Draw(CDC* dc, CEditorHost*)
{
    const ScaledBox g(*this, PrintScale(*dc));
    Line(*dc, g.Left(), g.Top(), g.Right(-kInputTopShort), g.Top());
    Line(*dc, g.Left(), g.Bottom(), g.Right(), g.Bottom());
    Line(*dc, g.Right(), g.Bottom(), g.Right(), g.Y(kCornerCut));
    Line(*dc, g.Right(), g.Y(kCornerCut), g.Right(-kCornerCut), g.Top());
    DrawPrintedText(*this, *dc);
    if (ShowsHighlight(*this, *dc)) {
        PenScope pen(*dc, kHighlightPen);
        Line(*dc, g.Left(), g.Top(), g.Right(-kCornerCut), g.Top());
        Line(*dc, g.Left(), g.Bottom(), g.Right(), g.Bottom());
        Line(*dc, g.Right(), g.Bottom(), g.Right(), g.Y(kCornerCut));
        Line(*dc, g.Right(), g.Y(kCornerCut), g.Right(-kCornerCut), g.Top());
        DrawHandle(*dc, g, kHandleHalf);
    }
}

// The output box has no left edge and a cut bottom-right corner.
void COutputBox::Draw(CDC* dc, CEditorHost*)
{
    const ScaledBox g(*this, PrintScale(*dc));
    const auto outline = [&] {
        Line(*dc, g.Left(), g.Top(), g.Right(), g.Top());
        Line(*dc, g.Left(), g.Bottom(), g.Right(-kCornerCut), g.Bottom());
        Line(*dc, g.Right(-kCornerCut), g.Bottom(), g.Right(), g.Bottom(-kCornerCut));
        Line(*dc, g.Right(), g.Bottom(-kCornerCut), g.Right(), g.Top());
    };
    outline();
    DrawPrintedText(*this, *dc);
    if (ShowsHighlight(*this, *dc)) {
        PenScope pen(*dc, kHighlightPen);
        outline();
        DrawHandle(*dc, g, kHandleHalf);
    }
}

// The branch: open on the left, top and bottom reaching a post 10 beyond the
// box, a notch in its right edge, the then-arm's stub at mid-height and the
// else-arm's connector down the post.
void CBranchBox::Draw(CDC* dc, CEditorHost* view)
{
    const int s = PrintScale(*dc);
    const ScaledBox g(*this, s);
    const int post = g.Right(kBranchPost);
    const auto notch = [&] {
        Line(*dc, g.Right(), g.Top(), g.Right(-kBranchPost), g.Middle());
        Line(*dc, g.Right(-kBranchPost), g.Middle(), g.Right(), g.Bottom());
    };
    Line(*dc, g.Left(), g.Top(), post, g.Top());
    Line(*dc, g.Left(), g.Bottom(), post, g.Bottom());
    Line(*dc, post, g.Top(), post, g.Middle());
    Line(*dc, post, g.Middle(), g.Right(kArmIndent), g.Middle());
    notch();
    DrawPrintedText(*this, *dc);
    if (ShowsHighlight(*this, *dc)) {
        PenScope pen(*dc, kHighlightPen);
        Line(*dc, g.Left(), g.Top(), g.Right(), g.Top());
        Line(*dc, g.Left(), g.Bottom(), g.Right(), g.Bottom());
        notch();
        DrawHandle(*dc, g, kHandleHalf);
    }

    m_thenSeq.Draw(dc, view);
    // The else arm starts a fixed distance below wherever the then arm ended.
    const std::int64_t elseTop = std::int64_t { m_thenSeq.GetBottom() } + std::int64_t { kElseArmDistance } * s;
    m_elseSeq.MoveVertically(ClampToInt(elseTop - m_elseSeq.GetTop()), EditorDC(dc));
    const int connectorY = AddClamped(m_elseSeq.GetTop(), std::int64_t { kElseArmDistance } * s);
    Line(*dc, post, g.Bottom(), post, connectorY);
    Line(*dc, post, connectorY, g.Right(kArmIndent), connectorY);
    m_elseSeq.Draw(dc, view);
}

// A pre-test loop: its inner line stands near the left edge.
void CPreTestLoopBox::Draw(CDC* dc, CEditorHost* view)
{
    DrawLoop(*this, dc, view, kLoopBarInset, kHandleHalf);
}

// A post-test loop: its inner line stands near the right edge.
void CPostTestLoopBox::Draw(CDC* dc, CEditorHost* view)
{
    DrawLoop(*this, dc, view, std::int64_t { m_width } - kLoopBarInset, kPostLoopHandleHalf);
}
