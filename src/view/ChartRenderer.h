#pragma once
// Draws a whole chart with the layout-and-draw pass onto any QPainter (a
// widget, an image, an SVG or PDF file, a printer), either as the screen
// shows it or as a printed page, and writes charts to PNG, SVG and PDF files.

#include <QPoint>
#include <QRect>
#include <QRectF>

#include <optional>
#include <string>
#include <string_view>

class CProcessBox;
class CRootSequence;
class QPainter;
class QString;

namespace chartrender {

enum class ChartPass {
    // As the view paints it, each box's text painted where its editor
    // stands on the screen, in the editors' font.
    Screen,
    // The printed page: every size times 5 in device dots, "S" and "E"
    // terminals, no selection highlight, texts drawn by the boxes.
    Print,
};

enum class ChartFormat { Png, Svg, Pdf };

// Resolution of the devices the passes are drawn for, in dots per inch: a
// screen pixel, and the printer dot of the printed page.
inline constexpr int kScreenDpi = 96;
inline constexpr int kPrintDpi = 600;

// Lays out and draws the chart. `origin` is where the logical point (0, 0)
// appears on the painter (the negated scroll position of a view). A screen
// pass creates no editors; texts are taken from the editors a box already
// has, else from the box, and nothing is committed. A print pass commits each
// editor's text into its box, as printing does, and leaves the boxes at their
// printed positions until the next screen pass: repaint the view after it.
void DrawChart(QPainter& painter, CRootSequence& root, ChartPass pass, QPoint origin = {});

// A box text as the screen shows it: `text` (lines separated by '\n') in
// the painter's font, starting `inset` inside the editor rectangle and cut
// off at its edges. Coordinates are device units.
void PaintEditorText(QPainter& painter, const QRect& editorRect, qreal inset, const QString& text);

// The editor rectangle of a box in logical units: its interior less the
// editor insets (empty when the box is too small for one).
QRect EditorRect(const CProcessBox& box);

// The area that DrawChart covers, in device units of a device with the
// pass's resolution (it runs a pass to measure).
QRect ChartBounds(CRootSequence& root, ChartPass pass);

// The format that a file name's extension asks for (.png, .svg, .pdf, in any
// letter case), if any.
std::optional<ChartFormat> FormatForPath(std::string_view path);

// Writes the chart to `path`, replacing the file only once the new one is
// complete. A screen pass gives an image (or page) as large as the chart; a
// print pass gives a PDF page of A4 paper, or an image as large as the
// printed chart. Throws std::runtime_error with the reason on failure.
// `warning`, if given, receives a note such as a chart cut off by the page.
void RenderChartToFile(CRootSequence& root, const std::string& path, ChartFormat format, ChartPass pass,
    std::string* warning = nullptr);

} // namespace chartrender
