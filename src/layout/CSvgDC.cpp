#include "layout/CSvgDC.h"

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "base/Codec.h"
#include "model/Geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace {

constexpr int kMargin = 20;
constexpr int kAscent = 11;
// The text widget's document margin inside the editor rectangle.
constexpr int kTextInset = 1;

std::string Num(std::int64_t v)
{
    return std::to_string(v);
}

std::string Colour(std::uint32_t rgb)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "#%06x", static_cast<unsigned>(rgb & 0xFFFFFF));
    return buffer;
}

// Half-width bytes count one unit, double-byte characters two.
std::int64_t EstimatedWidth(std::string_view cp932)
{
    std::int64_t units = 0;
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const auto b = static_cast<unsigned char>(cp932[i]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        if (lead && i + 1 < cp932.size()) {
            units += 2;
            ++i;
        } else {
            units += 1;
        }
    }
    return units * (CSvgDC::kFontPixels + 1) / 2;
}

void DrawTexts(CSvgDC& dc, const CBoxSequence& seq)
{
    for (const auto& owned : seq.m_boxes) {
        const CProcessBox& box = *owned;
        const std::string text = box.m_editor ? box.m_editor->GetText() : box.m_text;
        const std::int64_t left = std::int64_t { box.m_x } + kEditorInsetX;
        const std::int64_t top = std::int64_t { box.m_y } + kEditorInsetY;
        const std::int64_t right = std::int64_t { box.m_x } + box.m_width - kEditorInsetX;
        const std::int64_t bottom = std::int64_t { box.m_y } + box.m_height - kEditorInsetY;
        if (!text.empty() && right > left && bottom > top)
            dc.BoxText(static_cast<int>(std::clamp<std::int64_t>(left, INT32_MIN, INT32_MAX)),
                static_cast<int>(std::clamp<std::int64_t>(top, INT32_MIN, INT32_MAX)),
                static_cast<int>(std::clamp<std::int64_t>(right, INT32_MIN, INT32_MAX)),
                static_cast<int>(std::clamp<std::int64_t>(bottom, INT32_MIN, INT32_MAX)), text);
        switch (box.Kind()) {
        case BoxKind::Branch:
            DrawTexts(dc, static_cast<const CBranchBox&>(box).m_thenSeq);
            DrawTexts(dc, static_cast<const CBranchBox&>(box).m_elseSeq);
            break;
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            DrawTexts(dc, static_cast<const CPreTestLoopBox&>(box).m_bodySeq);
            break;
        default:
            break;
        }
    }
}

} // namespace

std::string XmlEscape(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default:
            // Control characters other than tab and line ends are not XML.
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                out += "\xEF\xBF\xBD";
            else
                out += c;
        }
    }
    return out;
}

bool CSvgDC::Count()
{
    return ++m_shapes <= kMaxShapes;
}

void CSvgDC::Include(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom)
{
    if (left > right)
        std::swap(left, right);
    if (top > bottom)
        std::swap(top, bottom);
    if (m_empty) {
        m_left = left, m_top = top, m_right = right, m_bottom = bottom;
        m_empty = false;
        return;
    }
    m_left = std::min(m_left, left);
    m_top = std::min(m_top, top);
    m_right = std::max(m_right, right);
    m_bottom = std::max(m_bottom, bottom);
}

std::string CSvgDC::Stroke() const
{
    return " stroke=\"" + Colour(m_pen.color) + "\" stroke-width=\"" + Num(std::max(1, m_pen.width)) + "\"";
}

void CSvgDC::MoveTo(int x, int y)
{
    m_position = { x, y };
}

void CSvgDC::LineTo(int x, int y)
{
    if (Count()) {
        m_body += "<line x1=\"" + Num(m_position.x) + "\" y1=\"" + Num(m_position.y) + "\" x2=\"" + Num(x) + "\" y2=\""
            + Num(y) + "\"" + Stroke() + "/>\n";
        Include(m_position.x, m_position.y, x, y);
    }
    m_position = { x, y };
}

void CSvgDC::Rectangle(int left, int top, int right, int bottom)
{
    if (!Count())
        return;
    const std::int64_t l = std::min(left, right), t = std::min(top, bottom);
    const std::int64_t w = std::int64_t { std::max(left, right) } - l, h = std::int64_t { std::max(top, bottom) } - t;
    m_body += "<rect x=\"" + Num(l) + "\" y=\"" + Num(t) + "\" width=\"" + Num(w) + "\" height=\"" + Num(h)
        + "\" fill=\"#ffffff\"" + Stroke() + "/>\n";
    Include(left, top, right, bottom);
}

void CSvgDC::Ellipse(int left, int top, int right, int bottom)
{
    if (!Count())
        return;
    const double cx = (double(left) + right) / 2, cy = (double(top) + bottom) / 2;
    const double rx = std::abs(double(right) - left) / 2, ry = std::abs(double(bottom) - top) / 2;
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "<ellipse cx=\"%.1f\" cy=\"%.1f\" rx=\"%.1f\" ry=\"%.1f\" fill=\"#ffffff\"", cx, cy, rx,
        ry);
    m_body += buffer + Stroke() + "/>\n";
    Include(left, top, right, bottom);
}

CPen CSvgDC::SelectPen(const CPen& pen)
{
    const CPen previous = m_pen;
    m_pen = pen;
    return previous;
}

void CSvgDC::TextOut(int x, int y, std::string_view text)
{
    if (text.empty() || !Count())
        return;
    m_body += "<text x=\"" + Num(x) + "\" y=\"" + Num(std::int64_t { y } + kAscent) + "\">"
        + XmlEscape(codec::Cp932ToUtf8(text)) + "</text>\n";
    Include(x, y, x + EstimatedWidth(text), std::int64_t { y } + kLineHeight);
}

void CSvgDC::BoxText(int left, int top, int right, int bottom, std::string_view text)
{
    if (!Count())
        return;
    const std::string id = "c" + Num(++m_clipIds);
    m_body += "<clipPath id=\"" + id + "\"><rect x=\"" + Num(left) + "\" y=\"" + Num(top) + "\" width=\""
        + Num(std::int64_t { right } - left) + "\" height=\"" + Num(std::int64_t { bottom } - top)
        + "\"/></clipPath><text clip-path=\"url(#" + id + ")\">";
    // A line break in a box is CR LF; a lone CR or LF breaks as well.
    std::int64_t y = std::int64_t { top } + kTextInset + kAscent;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        const std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!line.empty())
            m_body += "<tspan x=\"" + Num(std::int64_t { left } + kTextInset) + "\" y=\"" + Num(y) + "\" xml:space=\"preserve\">"
                + XmlEscape(codec::Cp932ToUtf8(line)) + "</tspan>";
        if (end == std::string_view::npos)
            break;
        if (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n')
            ++end;
        start = end + 1;
        y += kLineHeight;
        if (y > bottom + kLineHeight)
            break; // clipped away anyway
    }
    m_body += "</text>\n";
}

std::string CSvgDC::Svg() const
{
    if (Overflowed())
        return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"320\" height=\"40\" viewBox=\"0 0 320 40\">"
               "<text x=\"10\" y=\"25\">chart too large to draw</text></svg>";
    const std::int64_t left = (m_empty ? 0 : m_left) - kMargin;
    const std::int64_t top = (m_empty ? 0 : m_top) - kMargin;
    const std::int64_t width = (m_empty ? 0 : m_right - m_left) + 2 * kMargin;
    const std::int64_t height = (m_empty ? 0 : m_bottom - m_top) + 2 * kMargin;
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Num(width) + "\" height=\"" + Num(height) + "\" viewBox=\""
        + Num(left) + " " + Num(top) + " " + Num(width) + " " + Num(height)
        + "\" font-family=\"'Noto Sans CJK JP', 'Noto Sans JP', sans-serif\" font-size=\"" + Num(kFontPixels)
        + "\" fill=\"#000000\">\n" + m_body + "</svg>";
}

std::string DrawChartSvg(CRootSequence& root)
{
    CSvgDC dc;
    root.DrawAsRoot(&dc, nullptr);
    if (!dc.Overflowed())
        DrawTexts(dc, root);
    return dc.Svg();
}
