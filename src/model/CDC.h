#pragma once
// Device context used by layout and drawing. The chart code never talks to a
// painting library directly: the desktop program supplies a QPainter-backed
// implementation, tests supply a recording one.

#include <cstdint>
#include <string_view>

struct CPoint {
    int x { 0 };
    int y { 0 };
    friend bool operator==(const CPoint&, const CPoint&) = default;
};

// A pen as drawing selects it. Colours are 0xRRGGBB.
struct CPen {
    int width { 1 };
    std::uint32_t color { 0x000000 };
    friend bool operator==(const CPen&, const CPen&) = default;
};

inline constexpr std::uint32_t kColorBlack = 0x000000;
inline constexpr std::uint32_t kColorBlue = 0x0000FF;

enum class BkMode { Opaque, Transparent };

class CDC {
public:
    virtual ~CDC() = default;

    // Lines are drawn from the current position to (x, y), end point excluded.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;
    // Outlined with the current pen and filled with the white brush.
    virtual void Rectangle(int left, int top, int right, int bottom) = 0;
    virtual void Ellipse(int left, int top, int right, int bottom) = 0;
    // Selects a pen and returns the one that was selected before, so that the
    // caller can restore it when its drawing step ends.
    virtual CPen SelectPen(const CPen& pen) = 0;
    virtual void SetBkMode(BkMode mode) = 0;
    // Text in code page 932 bytes, drawn with its top-left corner at (x, y).
    virtual void TextOut(int x, int y, std::string_view text) = 0;
    // The same, cut off at the edges of the rectangle [left, right) x
    // [top, bottom): a box's text never runs over its neighbours. Devices
    // that only record or measure may ignore the rectangle.
    virtual void TextOutClipped(int x, int y, std::string_view text, int /*left*/, int /*top*/, int /*right*/,
                                int /*bottom*/)
    {
        TextOut(x, y, text);
    }
    // True on a printer (or print preview): layout then scales by 5.
    virtual bool IsPrinting() const = 0;
    // Logical to device (client) coordinates, for placing editor windows.
    virtual CPoint LPtoDP(CPoint logical) const = 0;
    // False where no box has an editor window to place (a view that paints
    // its texts itself): layout then leaves the editors alone.
    virtual bool PlacesEditors() const { return true; }
};
