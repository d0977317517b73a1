#pragma once
// The chart's device context over a QPainter, so that the one layout-and-draw
// pass paints on a widget, an image, an SVG or PDF file or a printer. Lines
// leave out their end point and rectangles and ellipses cover the pixels
// that the Windows drawing calls of the original program covered, as far as
// QPainter allows; the brush is white and the background transparent.

#include "model/CDC.h"

#include <QPoint>
#include <QPointF>
#include <QRect>

#include <cstdint>

class QPainter;
class QRect;
class QRectF;
class QString;

// Draws `text` in `area` with QPainter::drawText `flags`, cut off at `clip`.
// Also on devices that ignore the painter's clipping (SVG files): there the
// lines that cross the clip's edges are drawn as outlines cut at the edges.
void DrawClippedText(QPainter& painter, const QRect& clip, const QRectF& area, int flags, const QString& text);

enum class PaintTarget { Screen, Printer };

class CQPainterDC : public CDC {
public:
    // `origin` is where the logical point (0, 0) appears on the device: a
    // view scrolled by (sx, sy) passes (-sx, -sy). The painter's state is
    // saved here and restored when the device context goes away.
    CQPainterDC(QPainter& painter, PaintTarget target, QPoint origin = {});
    // The screen at a zoom: every logical coordinate is multiplied by `scale`
    // and rounded to a whole device pixel after `origin` is added, so that
    // lines stay one crisp pixel (or a whole number of pixels) wide at any
    // zoom and device pixel ratio; pens and the font grow with the scale.
    // Drawing that lies wholly outside `cull` (device units) is left out.
    CQPainterDC(QPainter& painter, QPointF origin, double scale, const QRect& cull);
    ~CQPainterDC() override;
    CQPainterDC(const CQPainterDC&) = delete;
    CQPainterDC& operator=(const CQPainterDC&) = delete;

    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void Rectangle(int left, int top, int right, int bottom) override;
    void Ellipse(int left, int top, int right, int bottom) override;
    CPen SelectPen(const CPen& pen) override;
    void SetBkMode(BkMode mode) override;
    void TextOut(int x, int y, std::string_view text) override;
    void TextOutClipped(int x, int y, std::string_view text, int left, int top, int right, int bottom) override;
    bool IsPrinting() const override;
    CPoint LPtoDP(CPoint logical) const override;
    // The zoomed screen is the chart view's, whose texts are painted.
    bool PlacesEditors() const override { return !m_scaled; }

    // Device coordinate of a logical one.
    int MapX(int x) const;
    int MapY(int y) const;

private:
    void ApplyPen();
    bool Culled(int left, int top, int right, int bottom) const;
    bool MapShape(int& left, int& top, int& right, int& bottom);
    void UsePen();

    QPainter& m_painter;
    PaintTarget m_target;
    QPoint m_origin;
    QPointF m_scaledOrigin;
    double m_scale { 1.0 };
    bool m_scaled { false };
    // The exposed area in logical units, a little larger.
    std::int64_t m_cullLeft { 0 };
    std::int64_t m_cullTop { 0 };
    std::int64_t m_cullRight { 0 };
    std::int64_t m_cullBottom { 0 };
    bool m_penPending { false };
    CPen m_pen;
    QPoint m_position;
};
