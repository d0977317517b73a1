#include "view/CQPainterDC.h"

#include "base/Codec.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QRect>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

QColor ToQColor(std::uint32_t rgb)
{
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int AddSat(int a, int b)
{
    return static_cast<int>(std::clamp<std::int64_t>(std::int64_t { a } + b, INT_MIN, INT_MAX));
}

// A chart loaded from a file may stand anywhere in the 32-bit range. The
// painter is only given coordinates it can rasterise; lines of a chart are
// horizontal or vertical wherever they are long, so clamping keeps them.
constexpr int kCoordinateLimit = 1 << 24;

int Safe(int v)
{
    return std::clamp(v, -kCoordinateLimit, kCoordinateLimit);
}

QPoint SafePoint(int x, int y)
{
    return QPoint(Safe(x), Safe(y));
}

// The Windows calls take the right and bottom edges as exclusive and accept
// the corners in any order.
QRect ExclusiveRect(int left, int top, int right, int bottom)
{
    left = Safe(left);
    top = Safe(top);
    right = Safe(right);
    bottom = Safe(bottom);
    if (right < left)
        std::swap(left, right);
    if (bottom < top)
        std::swap(top, bottom);
    // QPainter strokes a QRect one pixel wider and taller than its size.
    const int width = std::max(0, right - left - 1);
    const int height = std::max(0, bottom - top - 1);
    return QRect(left, top, width, height);
}

QString ToDisplay(std::string_view cp932)
{
    QString text = QString::fromStdString(codec::Cp932ToUtf8(cp932));
    // Box texts keep Windows line breaks; each line is drawn below the last
    // instead of as a row of unprintable characters.
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

constexpr int kTextOutFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextExpandTabs;

} // namespace

void DrawClippedText(QPainter& painter, const QRect& clip, const QRectF& area, int flags, const QString& text)
{
    if (clip.isEmpty() || text.isEmpty())
        return;
    const bool honoursClip = painter.paintEngine() && painter.paintEngine()->type() != QPaintEngine::SVG;
    painter.save();
    if (honoursClip) {
        painter.setClipRect(clip, Qt::IntersectClip);
        painter.drawText(area, flags, text);
        painter.restore();
        return;
    }
    // The SVG writer drops clipping. Lines wholly inside stay text; lines
    // that cross an edge become outlines cut at it; the rest is left out.
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QStringList lines = text.split(QLatin1Char('\n'));
    const QRectF clipF(clip);
    // Outlines are made in pixels of the device, as its text is drawn.
    QFont outlineFont = painter.font();
    if (outlineFont.pixelSize() <= 0)
        outlineFont.setPixelSize(std::max(1, qRound(outlineFont.pointSizeF() * painter.device()->logicalDpiY() / 72.0)));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        line.replace(QLatin1Char('\t'), QString(8, QLatin1Char(' ')));
        const QRectF lineRect(area.left(), area.top() + i * metrics.lineSpacing(),
                              metrics.horizontalAdvance(line), metrics.height());
        if (lineRect.top() >= clipF.bottom())
            break;
        if (!lineRect.intersects(clipF))
            continue;
        const QPointF baseline(lineRect.left(), lineRect.top() + metrics.ascent());
        if (clipF.contains(lineRect)) {
            painter.drawText(baseline, line);
            continue;
        }
        QPainterPath outline;
        outline.addText(baseline, outlineFont, line);
        QPainterPath box;
        box.addRect(clipF);
        painter.fillPath(outline.intersected(box), painter.pen().color());
    }
    painter.restore();
}

CQPainterDC::CQPainterDC(QPainter& painter, PaintTarget target, QPoint origin)
    : m_painter(painter)
    , m_target(target)
    , m_origin(origin)
{
    m_painter.save();
    m_painter.translate(origin);
    // Crisp single-pixel lines as the original drew them; text stays smooth.
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setBrush(Qt::white);
    m_painter.setBackground(Qt::white);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    ApplyPen();
}

CQPainterDC::CQPainterDC(QPainter& painter, QPointF origin, double scale, const QRect& cull)
    : m_painter(painter)
    , m_target(PaintTarget::Screen)
    , m_scaledOrigin(origin)
    , m_scale(scale)
    , m_scaled(true)
{
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
    m_painter.setRenderHint(QPainter::TextAntialiasing, true);
    m_painter.setBrush(Qt::white);
    m_painter.setBackground(Qt::white);
    m_painter.setBackgroundMode(Qt::TransparentMode);
    QFont font = m_painter.font();
    font.setPointSizeF(font.pointSizeF() * scale);
    m_painter.setFont(font);
    const auto toLogical = [scale](double device, double origin, bool up) {
        const double logical = (device - origin) / scale;
        const double rounded = up ? std::ceil(logical) + 1 : std::floor(logical) - 1;
        return static_cast<std::int64_t>(std::clamp(rounded, -4e18, 4e18));
    };
    m_cullLeft = toLogical(cull.left(), origin.x(), false);
    m_cullTop = toLogical(cull.top(), origin.y(), false);
    m_cullRight = toLogical(cull.right() + 1, origin.x(), true);
    m_cullBottom = toLogical(cull.bottom() + 1, origin.y(), true);
    ApplyPen();
}

int CQPainterDC::MapX(int x) const
{
    if (!m_scaled)
        return AddSat(x, m_origin.x());
    return Safe(static_cast<int>(std::clamp(std::floor(x * m_scale + m_scaledOrigin.x() + 0.5),
        double { INT_MIN }, double { INT_MAX })));
}

int CQPainterDC::MapY(int y) const
{
    if (!m_scaled)
        return AddSat(y, m_origin.y());
    return Safe(static_cast<int>(std::clamp(std::floor(y * m_scale + m_scaledOrigin.y() + 0.5),
        double { INT_MIN }, double { INT_MAX })));
}

bool CQPainterDC::Culled(int left, int top, int right, int bottom) const
{
    if (!m_scaled)
        return false;
    // Compared in logical units, before any mapping: most of a large chart
    // lies outside the exposed area. A wide pen reaches beyond the shape.
    const std::int64_t reach = std::int64_t { std::max(1, m_pen.width) } + 2;
    return std::int64_t { std::max(left, right) } + reach < m_cullLeft
        || std::int64_t { std::min(left, right) } - reach > m_cullRight
        || std::int64_t { std::max(top, bottom) } + reach < m_cullTop
        || std::int64_t { std::min(top, bottom) } - reach > m_cullBottom;
}

void CQPainterDC::UsePen()
{
    if (m_penPending) {
        m_penPending = false;
        ApplyPen();
    }
}

CQPainterDC::~CQPainterDC()
{
    m_painter.restore();
}

void CQPainterDC::ApplyPen()
{
    // A one-pixel line with flat caps leaves out its end point; wider pens
    // get round ends, as wide Windows pens have.
    const int width = m_scaled ? std::max(1, static_cast<int>(std::lround(m_pen.width * m_scale)))
                               : std::max(1, m_pen.width);
    const Qt::PenCapStyle cap = width <= 1 ? Qt::FlatCap : Qt::RoundCap;
    m_painter.setPen(QPen(ToQColor(m_pen.color), width, Qt::SolidLine, cap, Qt::RoundJoin));
}

void CQPainterDC::MoveTo(int x, int y)
{
    m_position = m_scaled ? QPoint(x, y) : SafePoint(x, y);
}

void CQPainterDC::LineTo(int x, int y)
{
    if (m_scaled) {
        // The position is kept in logical units and mapped when drawn.
        const QPoint from = m_position;
        m_position = QPoint(x, y);
        if (Culled(from.x(), from.y(), x, y))
            return;
        UsePen();
        const QPoint a(MapX(from.x()), MapY(from.y()));
        const QPoint b(MapX(x), MapY(y));
        if (a != b || m_pen.width > 1)
            m_painter.drawLine(a, b);
        return;
    }
    const QPoint to = SafePoint(x, y);
    // A line of no length draws nothing with a thin pen (its only point is
    // the excluded end point) and a dot with a wide one.
    if (to != m_position || m_pen.width > 1)
        m_painter.drawLine(m_position, to);
    m_position = to;
}

// On a scaled device: false when the shape lies outside what is painted,
// else the pen is set and the corners are mapped to device pixels.
bool CQPainterDC::MapShape(int& left, int& top, int& right, int& bottom)
{
    if (!m_scaled)
        return true;
    if (Culled(left, top, right, bottom))
        return false;
    UsePen();
    left = MapX(left);
    top = MapY(top);
    right = MapX(right);
    bottom = MapY(bottom);
    return true;
}

void CQPainterDC::Rectangle(int left, int top, int right, int bottom)
{
    if (MapShape(left, top, right, bottom))
        m_painter.drawRect(ExclusiveRect(left, top, right, bottom));
}

void CQPainterDC::Ellipse(int left, int top, int right, int bottom)
{
    if (MapShape(left, top, right, bottom))
        m_painter.drawEllipse(ExclusiveRect(left, top, right, bottom));
}

CPen CQPainterDC::SelectPen(const CPen& pen)
{
    const CPen previous = m_pen;
    m_pen = pen;
    // Most of a large chart is culled: its pens need not reach the painter.
    if (m_scaled)
        m_penPending = true;
    else
        ApplyPen();
    return previous;
}

void CQPainterDC::SetBkMode(BkMode mode)
{
    m_painter.setBackgroundMode(mode == BkMode::Transparent ? Qt::TransparentMode : Qt::OpaqueMode);
}

void CQPainterDC::TextOut(int x, int y, std::string_view text)
{
    if (m_scaled) {
        if (Culled(x - 200, y - 200, x + 200, y + 200))
            return;
        UsePen();
        x = MapX(x);
        y = MapY(y);
    }
    // (x, y) is the top-left corner of the text, not its baseline.
    m_painter.drawText(QRect(Safe(x), Safe(y), kCoordinateLimit, kCoordinateLimit), kTextOutFlags, ToDisplay(text));
}

void CQPainterDC::TextOutClipped(int x, int y, std::string_view text, int left, int top, int right, int bottom)
{
    if (m_scaled) {
        if (Culled(left, top, right, bottom))
            return;
        UsePen();
        x = MapX(x);
        y = MapY(y);
        left = MapX(left);
        top = MapY(top);
        right = MapX(right);
        bottom = MapY(bottom);
    }
    const QRect clip(QPoint(Safe(left), Safe(top)), QPoint(Safe(right) - 1, Safe(bottom) - 1));
    DrawClippedText(m_painter, clip, QRect(Safe(x), Safe(y), kCoordinateLimit, kCoordinateLimit), kTextOutFlags,
                    ToDisplay(text));
}

bool CQPainterDC::IsPrinting() const
{
    return m_target == PaintTarget::Printer;
}

CPoint CQPainterDC::LPtoDP(CPoint logical) const
{
    return { MapX(logical.x), MapY(logical.y) };
}
