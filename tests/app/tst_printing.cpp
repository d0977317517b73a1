// Printing a chart: one page in the printed form, texts from the editors, no
// highlight, the screen left as it was; preview and printer settings.

#include "model/CBoxSequence.h"
#include "model/CMemoryEditor.h"
#include "model/CProcessBox.h"
#include "layout/CRecordingDC.h"
#include "model/CTavrinDoc.h"
#include "view/ChartPrinting.h"
#include "view/ChartRenderer.h"
#include "model/Outline.h"
#include "app/UiTexts.h"
#include "AppTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QRegularExpression>
#include <QSettings>
#include <QSvgRenderer>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <sstream>

namespace {

QString SourceFile(const QString& relative)
{
    return QStringLiteral(TAVRIN_SOURCE_DIR "/") + relative;
}

std::unique_ptr<CTavrinDoc> ExampleChart()
{
    auto doc = std::make_unique<CTavrinDoc>();
    const QString pad = SourceFile(QStringLiteral("examples/fizzbuzz.pad"));
    if (QFile::exists(pad)) {
        doc->Load(pad.toStdString());
    } else {
        QFile outline(SourceFile(QStringLiteral("examples/fizzbuzz.outline")));
        if (outline.open(QIODevice::ReadOnly))
            BuildOutline(outline.readAll().toStdString(), doc->m_root);
    }
    return doc;
}

std::vector<std::string> ScreenPass(CTavrinDoc& doc, CEditorHost& host)
{
    CRecordingDC dc(DeviceKind::Screen);
    doc.m_root.DrawAsRoot(&dc, &host);
    return dc.Calls();
}

std::vector<std::string> PrintPass(CTavrinDoc& doc)
{
    CRecordingDC dc(DeviceKind::Printer);
    doc.m_root.DrawAsRoot(&dc, nullptr);
    return dc.Calls();
}

// Runs `check` on the first visible top-level widget of type T once it
// shows up (a modal dialog's exec() is running meanwhile).
template <typename T>
void WhenShown(std::function<void(T*)> check)
{
    QTimer::singleShot(10, [check] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<T*>(w); dialog && dialog->isVisible()) {
                check(dialog);
                return;
            }
        WhenShown<T>(check);
    });
}

// Dark pixels of `image` inside `area` (clipped to the image).
int DarkPixels(const QImage& image, QRect area)
{
    area = area.intersected(image.rect());
    int dark = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            dark += qGray(image.pixel(x, y)) < 160 ? 1 : 0;
    return dark;
}

// Two boxes; the first holds a text far wider and taller than itself.
std::unique_ptr<CTavrinDoc> OverflowingChart()
{
    auto doc = std::make_unique<CTavrinDoc>();
    BuildOutline("simple: a = 1\nsimple: b = 2\n", doc->m_root);
    doc->m_root.m_boxes[0]->m_text = "wwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwwww\r\n"
                                     "second line\r\nthird line\r\nfourth line\r\nfifth line\r\nsixth line";
    return doc;
}

int PageCount(const QByteArray& pdf)
{
    return static_cast<int>(pdf.count(QByteArrayLiteral("/Type /Page\n")) + pdf.count(QByteArrayLiteral("/Type /Page ")));
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        IsolateTestSettings();
    }
    void init()
    {
        QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tavrin")).clear();
    }

    void anExamplePrintsToAOnePagePdf()
    {
        auto doc = ExampleChart();
        QVERIFY(!doc->m_root.m_boxes.empty());
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("fizzbuzz.pdf"));
        QVERIFY(PrintChartToPdf(*doc, path));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray pdf = file.readAll();
        QVERIFY(pdf.startsWith("%PDF"));
        QCOMPARE(PageCount(pdf), 1);
    }

    void aPdfThatCannotBeWrittenIsReported()
    {
        auto doc = ExampleChart();
        QVERIFY(!PrintChartToPdf(*doc, QStringLiteral("/nonexistent-directory/chart.pdf")));
    }

    // The page carries the printed form: what the print pass records, at the
    // printer's dots, with the text still in the editor and no highlight on
    // the selected box; the next screen pass finds the boxes where they were.
    void thePageIsThePrintedFormAndTheScreenIsLeftIntact_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("printer resolution") << 600;
        QTest::newRow("a coarser device") << 150;
    }
    void thePageIsThePrintedFormAndTheScreenIsLeftIntact()
    {
        QFETCH(int, dpi);
        CTavrinDoc doc;
        BuildOutline("simple: a = 1\n", doc.m_root);
        CMemoryEditorHost host;
        const std::vector<std::string> screenBefore = ScreenPass(doc, host);
        CProcessBox& box = *doc.m_root.m_boxes.front();
        box.m_selected = true;
        static_cast<CMemoryEditor*>(box.m_editor.get())->m_text = "typed = 2";
        const std::vector<std::string> screenSelected = ScreenPass(doc, host);

        const std::vector<std::string> printed = PrintPass(doc);
        std::vector<int> rect; // the box's printed rectangle
        for (const std::string& call : printed) {
            std::istringstream in(call);
            std::string op;
            in >> op;
            if (op == "Rectangle" && rect.empty()) {
                int v = 0;
                while (in >> v)
                    rect.push_back(v);
            }
        }
        QCOMPARE(rect.size(), std::size_t { 4 });

        box.m_text = "stale";
        const double scale = dpi / 600.0;
        QImage page(static_cast<int>(2000 * scale), static_cast<int>(2000 * scale), QImage::Format_RGB32);
        page.setDotsPerMeterX(qRound(dpi / 0.0254));
        page.setDotsPerMeterY(qRound(dpi / 0.0254));
        page.fill(Qt::white);
        {
            QPainter painter(&page);
            PaintChartPage(painter, doc);
        }
        QCOMPARE(box.m_text, std::string("typed = 2"));
        QVERIFY(box.m_selected);

        // A one-dot line may land on the neighbouring pixel of a coarser device,
        // and shows there in grey.
        const auto dark = [&](double x, double y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const QPoint p(static_cast<int>(x * scale) + dx, static_cast<int>(y * scale) + dy);
                    if (page.rect().contains(p) && page.pixelColor(p).lightness() < 230)
                        return true;
                }
            return false;
        };
        const int left = rect[0], top = rect[1], right = rect[2], bottom = rect[3];
        QVERIFY(dark(left, (top + bottom) / 2.0));
        QVERIFY(dark((left + right) / 2.0, top));
        QVERIFY(!dark((left + right) / 2.0 + 30, (top + bottom) / 2.0 + 45));
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x) {
                const QColor c = page.pixelColor(x, y);
                if (c.blue() > c.red() + 60)
                    QFAIL(qPrintable(QStringLiteral("blue at %1,%2").arg(x).arg(y)));
            }

        doc.m_root.m_boxes.front()->m_selected = true;
        QVERIFY(ScreenPass(doc, host) == screenSelected);
        box.m_selected = false;
        QVERIFY(ScreenPass(doc, host) == screenBefore);
    }

    void thePreviewShowsTheOnePage()
    {
        auto doc = ExampleChart();
        QWidget parent;
        int pages = -1;
        WhenShown<QPrintPreviewDialog>([&pages](QPrintPreviewDialog* dialog) {
            auto* widget = dialog->findChild<QPrintPreviewWidget*>();
            QTRY_VERIFY(widget && widget->pageCount() > 0);
            pages = widget->pageCount();
            dialog->reject();
        });
        PreviewChart(&parent, *doc);
        QCOMPARE(pages, 1);
    }

    // The user types a file name into the print dialog (this machine has no
    // printer): the page is printed there, or the failure is reported.
    void printingThroughTheDialog_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("file written") << true;
        QTest::newRow("file cannot be written") << false;
    }
    void printingThroughTheDialog()
    {
        QFETCH(bool, writable);
        auto doc = ExampleChart();
        QTemporaryDir dir;
        const QString path = writable ? dir.filePath(QStringLiteral("printed.pdf"))
                                      : QStringLiteral("/nonexistent-directory/printed.pdf");
        WhenShown<QPrintDialog>([path](QPrintDialog* dialog) {
            auto* fileName = dialog->findChild<QLineEdit*>(QStringLiteral("filename"));
            QVERIFY(fileName);
            dialog->printer()->setOutputFormat(QPrinter::PdfFormat);
            fileName->setText(path);
            dialog->accept();
        });
        QString report;
        if (!writable)
            WhenShown<QMessageBox>([&report](QMessageBox* box) {
                report = box->text();
                box->accept();
            });
        PrintChart(nullptr, *doc);
        if (writable) {
            QFile file(path);
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(path));
            QCOMPARE(PageCount(file.readAll()), 1);
        } else {
            QCOMPARE(report, QString::fromUtf8(texts::kPrintFailed.data(), texts::kPrintFailed.size()));
        }
    }

    void printerSettingsAreKept()
    {
        {
            QPrinter printer(QPrinter::HighResolution);
            printer.setPageSize(QPageSize(QPageSize::A5));
            printer.setPageOrientation(QPageLayout::Landscape);
            printer.setPageMargins(QMarginsF(7, 8, 9, 10), QPageLayout::Millimeter);
            SavePrinterSettings(printer);
        }
        const QSettings stored(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tavrin"));
        QVERIFY(stored.contains(QStringLiteral("Printer/PageSize")));

        QPrinter printer(QPrinter::HighResolution);
        LoadPrinterSettings(printer);
        QCOMPARE(printer.pageLayout().pageSize().id(), QPageSize::A5);
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
        const QMarginsF m = printer.pageLayout().margins(QPageLayout::Millimeter);
        QCOMPARE(qRound(m.left()), 7);
        QCOMPARE(qRound(m.bottom()), 10);

        // The page setup dialog keeps what it was given when accepted.
        WhenShown<QPageSetupDialog>([](QPageSetupDialog* dialog) { dialog->accept(); });
        PrinterSetup(nullptr);
        QPrinter again(QPrinter::HighResolution);
        LoadPrinterSettings(again);
        QCOMPARE(again.pageLayout().pageSize().id(), QPageSize::A5);
        QCOMPARE(again.pageLayout().orientation(), QPageLayout::Landscape);
    }

    // Not a check: with TAVRIN_SCREENSHOT_DIR set (scripts/screenshot-console.sh)
    // it saves a picture of the print preview of an example.
    // A text wider and taller than its box stays inside the box: on the
    // printed page (print and preview draw the same page) and in an SVG
    // render, as in PNG and PDF renders and on the screen.
    void boxTextsStayInsideTheirBoxes_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("printed page") << QStringLiteral("page");
        QTest::newRow("svg render") << QStringLiteral("svg");
        QTest::newRow("png render") << QStringLiteral("png");
        QTest::newRow("printed svg render") << QStringLiteral("print.svg");
    }
    void boxTextsStayInsideTheirBoxes()
    {
        QFETCH(QString, target);
        auto doc = OverflowingChart();
        QImage image;
        double scale = 1; // image pixels per chart unit
        int s = 1;        // print scale
        if (target == QLatin1String("page")) {
            constexpr int dpi = 150;
            scale = double(dpi) / chartrender::kPrintDpi;
            s = 5;
            image = QImage(1240, 1754, QImage::Format_RGB32);
            image.setDotsPerMeterX(qRound(dpi * 39.37007874015748));
            image.setDotsPerMeterY(qRound(dpi * 39.37007874015748));
            image.fill(Qt::white);
            QPainter painter(&image);
            PaintChartPage(painter, *doc);
        } else {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("chart.") + target);
            const bool svgFile = target.endsWith(QLatin1String("svg"));
            const bool printed = target.startsWith(QLatin1String("print"));
            s = printed ? 5 : 1;
            chartrender::RenderChartToFile(doc->m_root, path.toStdString(),
                                           svgFile ? chartrender::ChartFormat::Svg : chartrender::ChartFormat::Png,
                                           printed ? chartrender::ChartPass::Print : chartrender::ChartPass::Screen);
            if (svgFile) {
                QSvgRenderer svg(path);
                QVERIFY(svg.isValid());
                image = QImage(svg.viewBox().size(), QImage::Format_RGB32);
                image.fill(Qt::white);
                QPainter painter(&image);
                svg.render(&painter);
            } else {
                QVERIFY(image.load(path));
            }
        }
        if (qEnvironmentVariableIsSet("TAVRIN_KEEP_IMAGES"))
            image.save(QStringLiteral("/tmp/clip-%1.png").arg(target));
        const CProcessBox& first = *doc->m_root.m_boxes[0];
        const CProcessBox& second = *doc->m_root.m_boxes[1];
        const auto px = [scale](double v) { return int(v * scale); };
        // A rendered file is as large as what is drawn, not as the text.
        if (target != QLatin1String("page"))
            QVERIFY(image.width() < px(first.m_x + first.m_width * s) + 200 * s);
        const int right = px(first.m_x + first.m_width * s);
        const int bottom = px(first.m_y + first.m_height * s);
        const int lineX = px(doc->m_root.m_x);
        // Nothing right of the first box, and nothing in the gap below it
        // but the sequence line.
        QCOMPARE(DarkPixels(image, QRect(QPoint(right + 2, px(first.m_y)), QPoint(image.width(), bottom))), 0);
        QCOMPARE(DarkPixels(image, QRect(QPoint(lineX + px(10 * s), bottom + 2), QPoint(image.width(), px(second.m_y) - 2))), 0);
        // The first line is drawn, in the box.
        QVERIFY(DarkPixels(image, QRect(QPoint(px(first.m_x), px(first.m_y)), QPoint(right - 2, bottom - 2))) > 20);
    }

    void screenshot()
    {
        const QString dir = qEnvironmentVariable("TAVRIN_SCREENSHOT_DIR");
        if (dir.isEmpty())
            QSKIP("TAVRIN_SCREENSHOT_DIR is not set");
        auto doc = ExampleChart();
        bool saved = false;
        WhenShown<QPrintPreviewDialog>([&saved, dir](QPrintPreviewDialog* dialog) {
            dialog->resize(900, 700);
            auto* widget = dialog->findChild<QPrintPreviewWidget*>();
            QTRY_VERIFY(widget && widget->pageCount() > 0);
            widget->fitInView();
            QTest::qWait(300);
            saved = dialog->grab().save(dir + QStringLiteral("/screenshot-preview.png"));
            dialog->reject();
        });
        PreviewChart(nullptr, *doc);
        QVERIFY(saved);
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
