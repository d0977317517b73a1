#pragma once
// A device context that writes the screen drawing of a chart as SVG, without
// any painting library, so that reports made by tavrin-cli can show charts.
// Lengths are the chart's logical units (screen pixels). Texts are written
// as UTF-8 in the font the editor shows them in; their width is estimated
// (an ASCII byte half as wide as a double-byte character) for the bounds only.

#include "model/CDC.h"

#include <cstdint>
#include <string>
#include <string_view>

class CRootSequence;

class CSvgDC : public CDC {
public:
    // Past this many shapes a drawing is abandoned: a hostile chart must not
    // turn a report into gigabytes.
    static constexpr std::size_t kMaxShapes = 20000;
    static constexpr int kFontPixels = 13;
    static constexpr int kLineHeight = 16;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    CPen SelectPen(const CPen& pen) override;
    void SetBkMode(BkMode) override { }
    void TextOut(int x, int y, std::string_view text) override;
    bool IsPrinting() const override { return false; }
    CPoint LPtoDP(CPoint logical) const override { return logical; }

    // A box text where the screen's editor shows it: clipped to the
    // rectangle, one SVG line per line of the text (code page 932 bytes).
    void BoxText(int left, int top, int right, int bottom, std::string_view text);

    bool Overflowed() const { return m_shapes > kMaxShapes; }
    // The whole picture, with a margin around what was drawn.
    std::string Svg() const;

private:
    void Include(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);
    bool Count();
    std::string Stroke() const;

    std::string m_body;
    CPen m_pen;
    CPoint m_position;
    std::size_t m_shapes { 0 };
    int m_clipIds { 0 };
    bool m_empty { true };
    std::int64_t m_left { 0 }, m_top { 0 }, m_right { 0 }, m_bottom { 0 };
};

// The chart as the editor shows it (laid out again first, as every paint
// does), or an SVG that says the chart is too large to draw.
std::string DrawChartSvg(CRootSequence& root);

// The text with &, <, >, " and ' written as XML entities.
std::string XmlEscape(std::string_view text);
