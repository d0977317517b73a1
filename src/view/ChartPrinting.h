#pragma once
// Printing a chart: the print dialog, print preview, printer setup, and a
// PDF file for machines without a printer. The chart is printed on one page
// at print scale 5 in printer dots (600 per inch), starting at the page's
// top-left corner; what does not fit is cut off. Box texts are committed from
// their editors first. Printing moves the boxes to their printed positions
// only for the pass: the windows of `parent` are repainted afterwards, which
// puts every box back where the screen has it.

#include <QString>

class CTavrinDoc;
class QPainter;
class QPrinter;
class QWidget;

// The standard print dialog, then the page. A printer that cannot be
// started is reported in a message box.
void PrintChart(QWidget* parent, CTavrinDoc& doc);

// The print preview, showing the page exactly as PrintChart prints it.
void PreviewChart(QWidget* parent, CTavrinDoc& doc);

// The page setup dialog; the choice is kept for later printing and later
// sessions.
void PrinterSetup(QWidget* parent);

// Writes the printed page to a PDF file (the page size and orientation of
// the printer settings), replacing `path` only once the new file is
// complete. False when the file could not be written. Repaint the chart's
// view afterwards, as after any print pass.
bool PrintChartToPdf(CTavrinDoc& doc, const QString& path);

// Draws the printed page on a painter that is open on a page (a printer, a
// PDF writer, an image). The device's resolution is taken as printer dots.
void PaintChartPage(QPainter& painter, CTavrinDoc& doc);

// The printer settings kept under "Local AppWizard-Generated Applications" /
// "Tavrin": the printer's name, page size, orientation and margins.
void LoadPrinterSettings(QPrinter& printer);
void SavePrinterSettings(const QPrinter& printer);
