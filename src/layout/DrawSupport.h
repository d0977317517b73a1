#pragma once
// Small pieces shared by the drawing of boxes and of sequences: the print
// scale, scaled box geometry, pens that are restored when a step ends, and
// moves that never overflow.

#include "model/CDC.h"
#include "model/CProcessBox.h"
#include "model/ClampedMath.h"
#include "model/Geometry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace chartdraw {

// More lines, or longer ones, than any page can show (no character is
// narrower or lower than a unit at print scale).
inline constexpr std::size_t kMaxShownLines = 1024;
inline constexpr std::size_t kMaxShownLineBytes = 4096;

// The part of a box text that can be seen, so that a text of megabytes costs
// no more to lay out than a page of it: the first `maxLines` lines, each cut
// after its first `maxLineBytes` bytes (at a character boundary). Texts no
// longer than `maxLineBytes` are kept byte for byte.
std::string ShownPart(std::string_view text, std::size_t maxLines = kMaxShownLines,
                      std::size_t maxLineBytes = kMaxShownLineBytes);

inline int PrintScale(const CDC& dc)
{
    return dc.IsPrinting() ? kPrintScale : 1;
}

// The device context through which editor windows are moved. A print pass
// leaves them where the screen put them, so it moves boxes without one; so
// does a view whose box texts have no windows.
inline CDC* EditorDC(CDC* dc)
{
    return dc->IsPrinting() || !dc->PlacesEditors() ? nullptr : dc;
}

// A box's corners with every offset from its top-left corner multiplied by
// the print scale. Sums are taken in 64 bits: a loaded file may put a box
// anywhere in the 32-bit range.
struct ScaledBox {
    ScaledBox(const CProcessBox& box, int scale)
        : x(box.m_x), y(box.m_y), w(box.m_width), h(box.m_height), s(scale)
    {
    }

    int X(std::int64_t dx) const { return ClampToInt(x + dx * s); }
    int Y(std::int64_t dy) const { return ClampToInt(y + dy * s); }
    int Left() const { return ClampToInt(x); }
    int Top() const { return ClampToInt(y); }
    int Right(std::int64_t dx = 0) const { return X(w + dx); }
    int Bottom(std::int64_t dy = 0) const { return Y(h + dy); }
    // Mid-height, with the half height truncated before scaling.
    int Middle() const { return Y(h / 2); }

    std::int64_t x, y, w, h, s;
};

inline void Line(CDC& dc, int x0, int y0, int x1, int y1)
{
    dc.MoveTo(x0, y0);
    dc.LineTo(x1, y1);
}

// Selects a pen for one drawing step and puts the previous one back.
class PenScope {
public:
    PenScope(CDC& dc, CPen pen)
        : m_dc(dc), m_previous(dc.SelectPen(pen))
    {
    }
    ~PenScope() { m_dc.SelectPen(m_previous); }
    PenScope(const PenScope&) = delete;
    PenScope& operator=(const PenScope&) = delete;

private:
    CDC& m_dc;
    CPen m_previous;
};

// Moves a box (and everything below it) so that its top lands on `target`.
// The editor is placed even when the box is already there.
inline void MoveBoxTo(CProcessBox& box, std::int64_t target, CDC* dc)
{
    const int goal = ClampToInt(target);
    std::int64_t remaining = std::int64_t { goal } - box.m_y;
    // A box that stays where it is keeps its contents where they are: only
    // its own editor is placed (those inside are placed when their sequences
    // are laid out). This keeps a repaint of an unchanged chart linear.
    if (remaining == 0) {
        box.PlaceEditor(dc);
        return;
    }
    // A distance beyond the int range (a box loaded far away) takes two
    // steps; every other move is one call.
    for (int attempt = 0; attempt < 3; ++attempt) {
        box.MoveVertically(ClampToInt(remaining), dc);
        remaining = std::int64_t { goal } - box.m_y;
        if (remaining == 0)
            break;
    }
}

// Moves a box sideways so that its left edge lands on `target`.
inline void MoveBoxToX(CProcessBox& box, std::int64_t target, CDC* dc)
{
    const int goal = ClampToInt(target);
    std::int64_t remaining = std::int64_t { goal } - box.m_x;
    for (int attempt = 0; attempt < 3; ++attempt) {
        box.MoveHorizontally(ClampToInt(remaining), dc);
        remaining = std::int64_t { goal } - box.m_x;
        if (remaining == 0)
            break;
    }
}

} // namespace chartdraw
