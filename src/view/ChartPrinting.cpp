#include "view/ChartPrinting.h"

#include "model/CTavrinDoc.h"
#include "view/ChartRenderer.h"
#include "base/Texts.h"
#include "view/QtText.h"

#include <QMarginsF>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QSettings>

#include <cmath>

namespace {

const QString kOrganisation = QStringLiteral("Local AppWizard-Generated Applications");
const QString kApplication = QStringLiteral("Tavrin");

// A printer with the kept settings and the resolution whose dots the print
// pass measures in.
void PreparePrinter(QPrinter& printer)
{
    LoadPrinterSettings(printer);
    printer.setResolution(chartrender::kPrintDpi);
    printer.setFromTo(1, 1);
}

// The print pass leaves the boxes where it printed them; the next screen pass
// puts them back, so every window of the program paints again.
void RepaintScreen(QWidget* parent)
{
    if (!parent)
        return;
    QWidget* window = parent->window();
    window->update();
    for (QWidget* child : window->findChildren<QWidget*>())
        child->update();
}

void ReportFailure(QWidget* parent)
{
    QMessageBox::warning(parent, ui::Tr(texts::kAppTitle), ui::Tr(texts::kPrintFailed));
}

// False when the device would not start a page.
bool PrintOn(QPrinter& printer, CTavrinDoc& doc)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    PaintChartPage(painter, doc);
    return painter.end();
}

} // namespace

void PaintChartPage(QPainter& painter, CTavrinDoc& doc)
{
    // Printing shows what is typed in the editors, committed or not.
    doc.m_root.CommitText();
    painter.save();
    // A device that would not take the printer resolution still gets the
    // page at its true size.
    const int dpi = painter.device()->logicalDpiX();
    if (dpi > 0 && dpi != chartrender::kPrintDpi) {
        const double scale = static_cast<double>(dpi) / chartrender::kPrintDpi;
        painter.scale(scale, scale);
    }
    chartrender::DrawChart(painter, doc.m_root, chartrender::ChartPass::Print);
    painter.restore();
}

void LoadPrinterSettings(QPrinter& printer)
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(QStringLiteral("Printer"));
    const QString name = settings.value(QStringLiteral("Name")).toString();
    if (!name.isEmpty() && QPrinterInfo::availablePrinterNames().contains(name))
        printer.setPrinterName(name);

    const int sizeId = settings.value(QStringLiteral("PageSize"), -1).toInt();
    if (sizeId >= 0 && sizeId < QPageSize::LastPageSize && sizeId != QPageSize::Custom) {
        printer.setPageSize(QPageSize(static_cast<QPageSize::PageSizeId>(sizeId)));
    } else if (sizeId == QPageSize::Custom) {
        const QSizeF mm = settings.value(QStringLiteral("PageSizeMillimetres")).toSizeF();
        if (mm.isValid() && !mm.isEmpty())
            printer.setPageSize(QPageSize(mm, QPageSize::Millimeter));
    }
    const QString orientation = settings.value(QStringLiteral("Orientation")).toString();
    if (orientation == QLatin1String("landscape"))
        printer.setPageOrientation(QPageLayout::Landscape);
    else if (orientation == QLatin1String("portrait"))
        printer.setPageOrientation(QPageLayout::Portrait);
    const QVariant margins = settings.value(QStringLiteral("MarginsMillimetres"));
    if (margins.isValid()) {
        const QList<QVariant> m = margins.toList();
        if (m.size() == 4)
            printer.setPageMargins(QMarginsF(m[0].toDouble(), m[1].toDouble(), m[2].toDouble(), m[3].toDouble()),
                                   QPageLayout::Millimeter);
    }
    settings.endGroup();
}

void SavePrinterSettings(const QPrinter& printer)
{
    QSettings settings(kOrganisation, kApplication);
    settings.beginGroup(QStringLiteral("Printer"));
    if (printer.outputFormat() == QPrinter::NativeFormat)
        settings.setValue(QStringLiteral("Name"), printer.printerName());
    const QPageLayout layout = printer.pageLayout();
    settings.setValue(QStringLiteral("PageSize"), static_cast<int>(layout.pageSize().id()));
    settings.setValue(QStringLiteral("PageSizeMillimetres"), layout.pageSize().size(QPageSize::Millimeter));
    settings.setValue(QStringLiteral("Orientation"), layout.orientation() == QPageLayout::Landscape
                                                         ? QStringLiteral("landscape")
                                                         : QStringLiteral("portrait"));
    const QMarginsF m = layout.margins(QPageLayout::Millimeter);
    settings.setValue(QStringLiteral("MarginsMillimetres"),
                      QList<QVariant> { m.left(), m.top(), m.right(), m.bottom() });
    settings.endGroup();
}

void PrintChart(QWidget* parent, CTavrinDoc& doc)
{
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    QPrintDialog dialog(&printer, parent);
    dialog.setMinMax(1, 1);
    if (dialog.exec() != QDialog::Accepted)
        return;
    SavePrinterSettings(printer);
    // The dialog may have chosen another printer with its own resolution.
    printer.setResolution(chartrender::kPrintDpi);
    const bool printed = PrintOn(printer, doc);
    RepaintScreen(parent);
    if (!printed)
        ReportFailure(parent);
}

void PreviewChart(QWidget* parent, CTavrinDoc& doc)
{
    QPrinter printer(QPrinter::HighResolution);
    PreparePrinter(printer);
    QPrintPreviewDialog preview(&printer, parent);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&doc](QPrinter* target) {
        QPainter painter(target);
        PaintChartPage(painter, doc);
    });
    preview.exec();
    RepaintScreen(parent);
}

void PrinterSetup(QWidget* parent)
{
    QPrinter printer(QPrinter::HighResolution);
    LoadPrinterSettings(printer);
    QPageSetupDialog dialog(&printer, parent);
    if (dialog.exec() == QDialog::Accepted)
        SavePrinterSettings(printer);
}

bool PrintChartToPdf(CTavrinDoc& doc, const QString& path)
{
    QPrinter settings(QPrinter::HighResolution);
    settings.setOutputFormat(QPrinter::PdfFormat);
    LoadPrinterSettings(settings);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    {
        QPdfWriter pdf(&file);
        pdf.setResolution(chartrender::kPrintDpi);
        pdf.setPageLayout(settings.pageLayout());
        pdf.setCreator(kApplication);
        QPainter painter;
        if (!painter.begin(&pdf)) {
            file.cancelWriting();
            return false;
        }
        PaintChartPage(painter, doc);
        if (!painter.end()) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
}
