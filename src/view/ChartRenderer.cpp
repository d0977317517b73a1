#include "view/ChartRenderer.h"

#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CProcessBox.h"
#include "view/CQPainterDC.h"
#include "view/ChartFonts.h"
#include "base/Codec.h"
#include "model/Geometry.h"
#include "base/Texts.h"
#include "view/QtText.h"
#include "layout/DrawSupport.h"
#include "model/FileIO.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QSvgGenerator>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <stdexcept>

namespace chartrender {

namespace {

// Beyond this the painter cannot place a point; see CQPainterDC.
constexpr int kCoordinateLimit = 1 << 24;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip | Qt::TextExpandTabs;
// Blank space right of and below the chart in a rendered file.
constexpr int kScreenMargin = 20;
constexpr int kPrintMargin = 100;
// A PNG larger than this many pixels would take gigabytes to draw.
constexpr std::int64_t kMaxImagePixels = std::int64_t { 128 } * 1024 * 1024;
constexpr double kInchesPerMeter = 39.37007874015748;

int Clamp(std::int64_t v)
{
    return static_cast<int>(std::clamp<std::int64_t>(v, -kCoordinateLimit, kCoordinateLimit));
}

int DpiOf(ChartPass pass)
{
    return pass == ChartPass::Screen ? kScreenDpi : kPrintDpi;
}

QString ToDisplayText(const std::string& cp932)
{
    QString text = QString::fromStdString(codec::Cp932ToUtf8(cp932));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// A box's text where the screen shows it: inside the editor rectangle, with
// the editors' inset and font, cut off at the rectangle's edges.
void PaintBoxText(QPainter& painter, const CProcessBox& box, const QRect& visible)
{
    const std::string bytes = box.m_editor ? box.m_editor->GetText() : box.m_text;
    if (bytes.empty())
        return;
    const QRect editorRect = EditorRect(box);
    if (editorRect.isEmpty() || !editorRect.intersects(visible))
        return;
    const int inset = chartfonts::kEditorTextInset;
    const QRect textArea = editorRect.adjusted(inset, inset, -inset, -inset);
    // Only what can be seen is laid out: no line is lower than a pixel and no
    // character narrower (a control byte may show as nothing, so a pixel is
    // allowed up to four bytes).
    const QRect seen = editorRect.intersected(visible);
    const std::int64_t seenLines = std::int64_t { seen.bottom() } - textArea.top() + 1;
    const std::int64_t seenBytes = 4 * (std::int64_t { seen.right() } - textArea.left() + 1);
    const std::string shown = chartdraw::ShownPart(bytes, static_cast<std::size_t>(std::max<std::int64_t>(seenLines, 1)),
        static_cast<std::size_t>(std::max<std::int64_t>(seenBytes, 1)));
    PaintEditorText(painter, editorRect, inset, ToDisplayText(shown));
}

// `visible` is the part of the chart (logical units) that the device shows.
void PaintBoxTexts(QPainter& painter, const CBoxSequence& seq, const QRect& visible)
{
    for (const auto& owned : seq.m_boxes) {
        const CProcessBox& box = *owned;
        PaintBoxText(painter, box, visible);
        switch (box.Kind()) {
        case BoxKind::Branch: {
            const auto& branch = static_cast<const CBranchBox&>(box);
            PaintBoxTexts(painter, branch.m_thenSeq, visible);
            PaintBoxTexts(painter, branch.m_elseSeq, visible);
            break;
        }
        case BoxKind::PreTestLoop:
        case BoxKind::PostTestLoop:
            PaintBoxTexts(painter, static_cast<const CPreTestLoopBox&>(box).m_bodySeq, visible);
            break;
        default:
            break;
        }
    }
}

// Measures what a pass draws instead of drawing it.
class CBoundsDC : public CDC {
public:
    CBoundsDC(PaintTarget target, const QFontMetrics& metrics)
        : m_target(target), m_metrics(metrics)
    {
    }

    void MoveTo(int x, int y) override { m_position = QPoint(Clamp(x), Clamp(y)); }
    void LineTo(int x, int y) override
    {
        const QPoint to(Clamp(x), Clamp(y));
        const int half = (std::max(1, m_pen.width) + 1) / 2;
        Include(QRect(m_position, to).normalized().adjusted(-half, -half, half, half));
        m_position = to;
    }
    void Rectangle(int left, int top, int right, int bottom) override { IncludeBox(left, top, right, bottom); }
    void Ellipse(int left, int top, int right, int bottom) override { IncludeBox(left, top, right, bottom); }
    CPen SelectPen(const CPen& pen) override
    {
        const CPen previous = m_pen;
        m_pen = pen;
        return previous;
    }
    void SetBkMode(BkMode) override { }
    void TextOut(int x, int y, std::string_view text) override
    {
        const QString display = ToDisplayText(std::string(text));
        const QRect area(Clamp(x), Clamp(y), kCoordinateLimit, kCoordinateLimit);
        Include(m_metrics.boundingRect(area, kTextFlags, display));
    }
    void TextOutClipped(int x, int y, std::string_view text, int left, int top, int right, int bottom) override
    {
        // Only what stays inside the box is drawn.
        const QRect clip(QPoint(Clamp(left), Clamp(top)), QPoint(Clamp(right) - 1, Clamp(bottom) - 1));
        const QRect area(Clamp(x), Clamp(y), kCoordinateLimit, kCoordinateLimit);
        const QRect drawn = m_metrics.boundingRect(area, kTextFlags, ToDisplayText(std::string(text))).intersected(clip);
        if (!drawn.isEmpty())
            Include(drawn);
    }
    bool IsPrinting() const override { return m_target == PaintTarget::Printer; }
    CPoint LPtoDP(CPoint logical) const override { return logical; }

    QRect Bounds() const { return m_bounds; }

private:
    void IncludeBox(int left, int top, int right, int bottom)
    {
        Include(QRect(QPoint(Clamp(left), Clamp(top)), QPoint(Clamp(right), Clamp(bottom))).normalized());
    }
    void Include(const QRect& rect) { m_bounds = m_bounds.isNull() ? rect : m_bounds.united(rect); }

    PaintTarget m_target;
    const QFontMetrics& m_metrics;
    CPen m_pen;
    QPoint m_position;
    QRect m_bounds;
};

int DotsPerMeter(int dpi)
{
    return static_cast<int>(dpi * kInchesPerMeter + 0.5);
}

[[noreturn]] void Fail(const QString& path, const QString& reason)
{
    throw std::runtime_error((path + QStringLiteral(": ") + reason).toStdString());
}

} // namespace

QRect EditorRect(const CProcessBox& box)
{
    const std::int64_t left = std::int64_t { box.m_x } + kEditorInsetX;
    const std::int64_t top = std::int64_t { box.m_y } + kEditorInsetY;
    const std::int64_t right = std::int64_t { box.m_x } + box.m_width - kEditorInsetX;
    const std::int64_t bottom = std::int64_t { box.m_y } + box.m_height - kEditorInsetY;
    if (right <= left || bottom <= top)
        return {};
    return QRect(QPoint(Clamp(left), Clamp(top)), QPoint(Clamp(right) - 1, Clamp(bottom) - 1));
}

void PaintEditorText(QPainter& painter, const QRect& editorRect, qreal inset, const QString& text)
{
    if (text.isEmpty() || editorRect.isEmpty())
        return;
    DrawClippedText(painter, editorRect, QRectF(editorRect).adjusted(inset, inset, -inset, -inset), kTextFlags, text);
}

void DrawChart(QPainter& painter, CRootSequence& root, ChartPass pass, QPoint origin)
{
    painter.save();
    painter.setFont(chartfonts::BoxTextFont());
    painter.setPen(Qt::black);
    {
        CQPainterDC dc(painter, pass == ChartPass::Print ? PaintTarget::Printer : PaintTarget::Screen, origin);
        root.DrawAsRoot(&dc, nullptr);
    }
    if (pass == ChartPass::Screen) {
        // The editor windows lie over the chart, so their texts come last.
        painter.translate(origin);
        // Texts far outside the device (a long chart in a small view) are
        // not laid out at all.
        QRect visible = painter.worldTransform().inverted().mapRect(painter.viewport());
        if (painter.hasClipping())
            visible = visible.intersected(painter.clipBoundingRect().toAlignedRect());
        PaintBoxTexts(painter, root, visible);
    }
    painter.restore();
}

QRect ChartBounds(CRootSequence& root, ChartPass pass)
{
    QImage metricDevice(1, 1, QImage::Format_RGB32);
    metricDevice.setDotsPerMeterX(DotsPerMeter(DpiOf(pass)));
    metricDevice.setDotsPerMeterY(DotsPerMeter(DpiOf(pass)));
    const QFontMetrics metrics(chartfonts::BoxTextFont(), &metricDevice);
    CBoundsDC dc(pass == ChartPass::Print ? PaintTarget::Printer : PaintTarget::Screen, metrics);
    root.DrawAsRoot(&dc, nullptr);
    return dc.Bounds();
}

std::optional<ChartFormat> FormatForPath(std::string_view path)
{
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    const QString extension = QString::fromUtf8(path.substr(dot + 1).data(),
        static_cast<qsizetype>(path.size() - dot - 1)).toLower();
    if (extension == QLatin1String("png"))
        return ChartFormat::Png;
    if (extension == QLatin1String("svg"))
        return ChartFormat::Svg;
    if (extension == QLatin1String("pdf"))
        return ChartFormat::Pdf;
    return std::nullopt;
}

void RenderChartToFile(CRootSequence& root, const std::string& path, ChartFormat format, ChartPass pass,
    std::string* warning)
{
    const QString name = QFile::decodeName(QByteArray::fromStdString(path));
    const int dpi = DpiOf(pass);
    const int margin = pass == ChartPass::Screen ? kScreenMargin : kPrintMargin;
    // The chart is drawn from the device's origin, as on the screen and on
    // paper; the file reaches as far right and down as the chart does.
    const QRect bounds = ChartBounds(root, pass);
    const std::int64_t width = std::max<std::int64_t>(1, std::int64_t { bounds.right() } + 1 + margin);
    const std::int64_t height = std::max<std::int64_t>(1, std::int64_t { bounds.bottom() } + 1 + margin);
    const QSize size(static_cast<int>(std::min<std::int64_t>(width, kCoordinateLimit)),
        static_cast<int>(std::min<std::int64_t>(height, kCoordinateLimit)));

    // The file is made in memory and then written as a chart is saved: the
    // old file survives any failure, a failed write says what failed, and an
    // interrupted write leaves no temporary file behind.
    QByteArray bytes;
    QBuffer file(&bytes);
    file.open(QIODevice::WriteOnly);

    switch (format) {
    case ChartFormat::Png: {
        if (width * height > kMaxImagePixels)
            Fail(name, QStringLiteral("the chart is too large for an image (%1 x %2 pixels); render it as SVG or PDF")
                           .arg(width)
                           .arg(height));
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull())
            Fail(name, QStringLiteral("not enough memory for an image of %1 x %2 pixels").arg(width).arg(height));
        image.setDotsPerMeterX(DotsPerMeter(dpi));
        image.setDotsPerMeterY(DotsPerMeter(dpi));
        image.fill(Qt::white);
        QPainter painter(&image);
        DrawChart(painter, root, pass);
        painter.end();
        if (!image.save(&file, "PNG"))
            Fail(name, QStringLiteral("the PNG could not be made"));
        break;
    }
    case ChartFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&file);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(dpi);
        svg.setTitle(ui::QtText(texts::kAppTitle));
        QPainter painter;
        if (!painter.begin(&svg))
            Fail(name, QStringLiteral("the SVG could not be started"));
        painter.fillRect(QRect(QPoint(0, 0), size), Qt::white);
        DrawChart(painter, root, pass);
        painter.end();
        break;
    }
    case ChartFormat::Pdf: {
        QPdfWriter pdf(&file);
        pdf.setResolution(dpi);
        pdf.setCreator(ui::QtText(texts::kAppTitle));
        if (pass == ChartPass::Print) {
            // One sheet of paper, as the printer gets it.
            pdf.setPageSize(QPageSize(QPageSize::A4));
        } else {
            const double points = 72.0 / dpi;
            pdf.setPageSize(QPageSize(QSizeF(size.width() * points, size.height() * points), QPageSize::Point,
                QString(), QPageSize::ExactMatch));
        }
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&pdf))
            Fail(name, QStringLiteral("the PDF could not be started"));
        DrawChart(painter, root, pass);
        painter.end();
        if (pass == ChartPass::Print && warning != nullptr) {
            const QRect page = pdf.pageLayout().paintRectPixels(dpi);
            if (bounds.right() > page.right() || bounds.bottom() > page.bottom())
                *warning = "the chart is larger than the page; the rest is cut off, as on paper";
        }
        break;
    }
    }

    file.close();
    WriteFileAtomically(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace chartrender
