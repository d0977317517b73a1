// The chart view as it paints box texts and zooms: a click into a painted
// text, typing into a box that had no text widget, Tab and the accelerators
// there, the painted text against the widget, hit testing, insertion and
// resizing at other zooms, the zoom commands and their memory, printing at
// any zoom, and the text widget inside the outlines at the device pixel
// ratio the test runs at (CTest runs it also under QT_SCALE_FACTOR).

#include "AppTestSupport.h"

#include "model/CBranchBox.h"
#include "model/CSimpleBox.h"
#include "layout/CRecordingDC.h"
#include "app/CTavrinApp.h"
#include "view/ChartFonts.h"
#include "view/ChartPrinting.h"
#include "view/ChartRenderer.h"
#include "app/CommandIds.h"
#include "model/Outline.h"
#include "app/UiTexts.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>

using prompts::Text;

namespace {

const char* const kChart = "simple: abcdef\n"
                           "branch: x > 0\n"
                           "  then\n"
                           "    output: \"合計 %d\", s\n"
                           "  else\n"
                           "    simple: y = 2\n"
                           "pre-loop: i = 1, 3\n"
                           "  input: a\n";

} // namespace

class TestZoomView : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<CMainFrame> m_frame;
    CChildFrame* m_child { nullptr };
    QTemporaryDir m_dir;

    CTavrinView& View() { return m_child->View(); }
    CTavrinDoc& Doc() { return m_child->Document(); }
    CRootSequence& Root() { return Doc().m_root; }
    CProcessBox& Box(std::size_t i) { return *Root().m_boxes.at(i); }
    void Trigger(int id) { m_frame->Action(id)->trigger(); }

    // Saves kChart and opens it as a user does: no box has a text widget.
    void OpenChart(const QString& name = QStringLiteral("chart.pad"))
    {
        CTavrinDoc doc;
        BuildOutline(kChart, doc.m_root);
        const std::string bytes = doc.SaveToBytes();
        const QString path = m_dir.filePath(name);
        WriteAll(path, QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
        m_child = m_frame->OpenDocumentFile(path);
        QVERIFY(m_child);
        Paint(View());
    }

    // The viewport point over the boundary before character `index` of the
    // first line of a box's painted text.
    QPoint CharacterPoint(const CProcessBox& box, int index)
    {
        const double scale = View().Zoom() / 100.0;
        QFont font = chartfonts::BoxTextFont();
        font.setPointSizeF(font.pointSizeF() * scale);
        const QFontMetricsF metrics(font, View().viewport());
        const QString line = TextOf(box)->DisplayText().section(QLatin1Char('\n'), 0, 0);
        const QRect editor = chartrender::EditorRect(box);
        const QPoint origin = View().ToViewport(editor.topLeft());
        const double x = origin.x() + chartfonts::kEditorTextInset * scale + metrics.horizontalAdvance(line.left(index));
        return QPoint(static_cast<int>(std::lround(x)), View().ToViewport(QPoint(0, box.m_y + box.m_height / 2)).y());
    }

    void ClickCharacter(const CProcessBox& box, int index)
    {
        QTest::mouseClick(View().viewport(), Qt::LeftButton, {}, CharacterPoint(box, index));
        Paint(View());
    }

    // The viewport as the screen shows it, once the scroll bars have
    // followed the last paint.
    QImage Grab()
    {
        Paint(View());
        QCoreApplication::processEvents();
        Paint(View());
        return View().viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }

private slots:
    void initTestCase()
    {
        InitAppTestResources();
        QVERIFY(m_dir.isValid());
    }

    void init()
    {
        QSettings(QString::fromLatin1(kSettingsOrganization), QString::fromLatin1(kSettingsApplication)).clear();
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_frame.get()));
        m_frame->activateWindow();
        OpenChart();
    }

    void cleanup()
    {
        for (CChildFrame* child : m_frame->Children())
            child->Document().SetModifiedFlag(false);
        m_frame.reset();
    }

    void openedChartPaintsEveryTextWithoutWidgets()
    {
        QVERIFY(!View().LiveEditor());
        for (QPlainTextEdit* edit : View().viewport()->findChildren<QPlainTextEdit*>())
            QVERIFY(!edit->isVisible());
        // Each box's editor rectangle shows ink.
        const QImage image = Grab();
        const qreal ratio = View().viewport()->devicePixelRatioF();
        CTavrinView::ForEachBox(Root(), [&](CProcessBox& box) {
            const QRect editor(View().ToViewport(chartrender::EditorRect(box).topLeft()),
                View().ToViewport(chartrender::EditorRect(box).bottomRight()));
            int dark = 0;
            for (int y = editor.top(); y <= editor.bottom(); ++y)
                for (int x = editor.left(); x <= editor.right(); ++x)
                    dark += qGray(image.pixel(static_cast<int>(x * ratio), static_cast<int>(y * ratio))) < 128;
            QVERIFY2(dark > 3, box.m_text.c_str());
        });
    }

    void clickIntoPaintedTextPlacesTheCaret_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::newRow("100%") << 100;
        QTest::newRow("50%") << 50;
        QTest::newRow("200%") << 200;
    }

    void clickIntoPaintedTextPlacesTheCaret()
    {
        QFETCH(int, zoom);
        View().SetZoom(zoom);
        Paint(View());
        for (int index : { 0, 3, 6 }) {
            ClickCharacter(Box(0), index);
            CBoxEdit* editor = View().LiveEditor();
            QVERIFY(editor);
            QCOMPARE(editor->Attached(), TextOf(Box(0)));
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(editor));
            QCOMPARE(editor->textCursor().position(), index);
            QVERIFY(!editor->textCursor().hasSelection());
            QVERIFY(Box(0).m_selected);
            // The widget's font follows the zoom.
            QCOMPARE(editor->font().pointSizeF(), chartfonts::BoxTextFont().pointSizeF() * zoom / 100.0);
            // Clicking elsewhere leaves the widget: the text is painted again.
            ClickChart(View(), QPoint(450, 20));
            QVERIFY(View().hasFocus());
        }
        QVERIFY(!Doc().IsModified());
    }

    void typingIntoBoxThatHadNoWidget()
    {
        CProcessBox& output = *static_cast<CBranchBox&>(Box(1)).m_thenSeq.m_boxes.at(0);
        ClickCharacter(output, 1); // after the opening quote
        QVERIFY(!Doc().IsModified());
        TypeText(QApplication::focusWidget(), QStringLiteral("総"));
        QVERIFY(Doc().IsModified());
        QCOMPARE(output.m_editor->GetText(), std::string("\"\x91\x8d\x8d\x87\x8c\x76 %d\", s"));
        // Another box takes the widget; the first keeps what was typed.
        ClickCharacter(Box(0), 6);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("g"));
        QCOMPARE(TextOf(output)->DisplayText(), QStringLiteral("\"総合計 %d\", s"));
        QCOMPARE(Box(0).m_editor->GetText(), std::string("abcdefg"));
        // Saving reads the live texts.
        const QString path = m_dir.filePath(QStringLiteral("typed.pad"));
        QVERIFY(m_frame->SaveDocumentAs(*m_child, path));
        QVERIFY(ReadAll(path).contains("abcdefg"));
        QVERIFY(ReadAll(path).contains("\"\x91\x8d\x8d\x87\x8c\x76 %d\", s"));
    }

    void tabAndAcceleratorsAfterClickIntoPaintedText()
    {
        ClickCharacter(Box(0), 2);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != &View());
        QTest::keyClick(editor, Qt::Key_Tab);
        QVERIFY(View().hasFocus());
        QCOMPARE(Box(0).m_editor->GetText(), std::string("abcdef"));
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        ClickCharacter(Box(0), 2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        QVERIFY(View().Clipboard());
        QCOMPARE(View().Clipboard()->m_text, std::string("abcdef"));
        QCOMPARE(Box(0).m_editor->GetText(), std::string("abcdef"));
        // Cut takes the box being edited: the widget lets go of it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_X, Qt::ControlModifier);
        Paint(View());
        QCOMPARE(Root().m_boxes.size(), std::size_t(2));
        QVERIFY(!View().LiveEditor());
        QVERIFY(View().hasFocus());
        // The zoom keys reach the view from the text widget too.
        ClickCharacter(Box(0), 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(View().Zoom(), 110);
        QCOMPARE(Box(0).m_editor->GetText(), std::string("x > 0"));
    }

    // A pasted box's editor takes the focus at the next paint, as the
    // editor of a new box does.
    void pastedBoxTakesTheFocus()
    {
        ClickChart(View(), QPoint(Box(0).m_x + Box(0).m_width - 4, Box(0).m_y + 5));
        Trigger(cmd::kEditCopy);
        Trigger(cmd::kEditPaste);
        ClickChart(View(), GapPoint(Root(), 3));
        QCOMPARE(Root().m_boxes.size(), std::size_t(4));
        QVERIFY(View().LiveEditor());
        QCOMPARE(View().LiveEditor()->Attached(), TextOf(Box(3)));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(View().LiveEditor()));
    }

    // Where the widget lies, the same text looks the same as painted, at
    // every zoom and at the device pixel ratio the test runs at.
    void paintedTextMatchesTheWidget_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::newRow("100%") << 100;
        QTest::newRow("75%") << 75;
        QTest::newRow("150%") << 150;
    }

    void paintedTextMatchesTheWidget()
    {
        QFETCH(int, zoom);
        View().SetZoom(zoom);
        CProcessBox& output = *static_cast<CBranchBox&>(Box(1)).m_thenSeq.m_boxes.at(0);
        const QImage painted = Grab();
        View().EditBox(output);
        Paint(View());
        QCoreApplication::processEvents();
        const QImage shown = Grab();
        const qreal ratio = View().viewport()->devicePixelRatioF();
        const QRect widget = View().LiveEditor()->geometry();
        QVERIFY(widget.width() > 30);
        const QRect device((QPointF(widget.topLeft()) * ratio).toPoint(), (QSizeF(widget.size()) * ratio).toSize());
        QCOMPARE(shown.copy(device), painted.copy(device));
        QCOMPARE(shown, painted);
    }

    // At 100 % the view paints exactly what a rendered screen image shows,
    // which is how the boxes' editor windows used to look; at 200 % every
    // line is twice as wide and as far from the origin.
    void viewPaintsAsTheScreenRenderAtEveryZoom()
    {
        if (View().viewport()->devicePixelRatioF() != 1.0)
            QSKIP("compared at a device pixel ratio of 1");
        const QImage shown = Grab();
        QImage rendered(shown.size(), QImage::Format_RGB32);
        rendered.fill(Qt::white);
        {
            QPainter painter(&rendered);
            chartrender::DrawChart(painter, Root(), chartrender::ChartPass::Screen);
        }
        Paint(View());
        QCOMPARE(shown, rendered);

        View().SetZoom(200);
        const QImage zoomed = Grab();
        // The root line (3 wide at x 50) stands 6 wide at x 100.
        const int y = View().ToViewport(QPoint(0, Box(0).m_y - 5)).y();
        int dark = 0;
        for (int x = 90; x < 110; ++x)
            dark += qGray(zoomed.pixel(x, y)) < 128;
        QCOMPARE(dark, 6);
    }

    // The widget never covers a pixel of the drawing, at the device pixel
    // ratio the test runs at and at several zooms.
    void widgetLiesInsideTheOutlines_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::newRow("100%") << 100;
        QTest::newRow("67%") << 67;
        QTest::newRow("150%") << 150;
    }

    void widgetLiesInsideTheOutlines()
    {
        QFETCH(int, zoom);
        View().SetZoom(zoom);
        for (CProcessBox* box : { &Box(0), &Box(1), &Box(2) }) {
            box->m_editor->SetText({});
            ClickChart(View(), QPoint(450, 20));
            const QImage bare = Grab();
            View().EditBox(*box);
            Paint(View());
            QCoreApplication::processEvents();
            const QImage shown = Grab();
            QCOMPARE(shown.size(), bare.size());
            const qreal ratio = View().viewport()->devicePixelRatioF();
            const QRect widget = View().LiveEditor()->geometry();
            const QRect covered = QRect(QPoint(static_cast<int>(std::floor(widget.left() * ratio)),
                                            static_cast<int>(std::floor(widget.top() * ratio))),
                QPoint(static_cast<int>(std::ceil((widget.right() + 1) * ratio)) - 1,
                    static_cast<int>(std::ceil((widget.bottom() + 1) * ratio)) - 1))
                                      .intersected(bare.rect());
            for (int y = covered.top(); y <= covered.bottom(); ++y)
                for (int x = covered.left(); x <= covered.right(); ++x)
                    QVERIFY2(bare.pixel(x, y) == qRgb(255, 255, 255),
                        qPrintable(QStringLiteral("outline under the widget at %1,%2").arg(x).arg(y)));
            QCOMPARE(shown, bare);
        }
    }

    void insertionHitTestingAndResizingAtOtherZooms_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::newRow("50%") << 50;
        QTest::newRow("200%") << 200;
    }

    void insertionHitTestingAndResizingAtOtherZooms()
    {
        QFETCH(int, zoom);
        View().SetZoom(zoom);
        Paint(View());
        auto& branch = static_cast<CBranchBox&>(Box(1));
        // A gap inside the else arm, and one at the root's end.
        Trigger(cmd::kAddOutput);
        ClickChart(View(), GapPoint(branch.m_elseSeq, 1));
        QCOMPARE(branch.m_elseSeq.m_boxes.size(), std::size_t(2));
        QCOMPARE(branch.m_elseSeq.m_boxes[1]->Kind(), BoxKind::Output);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(View().LiveEditor()));
        ClickChart(View(), GapPoint(Root(), 3));
        QCOMPARE(Root().m_boxes.size(), std::size_t(4));
        // The scrollable area is the chart's at the zoom.
        QCOMPARE(View().ScrollSize().height(),
            static_cast<int>(std::ceil(std::max(400, Root().m_bottom + 100) * zoom / 100.0)));
        // A margin click selects; the handle drags.
        CProcessBox& box = Box(0);
        ClickChart(View(), MarginPoint(box));
        QVERIFY(box.m_selected);
        QVERIFY(View().hasFocus());
        const QPoint handle(box.m_x + box.m_width, box.m_y + box.m_height);
        QWidget* viewport = View().viewport();
        QTest::mousePress(viewport, Qt::LeftButton, {}, View().ToViewport(handle));
        QVERIFY(View().IsResizing());
        QTest::mouseMove(viewport, View().ToViewport(handle + QPoint(60, 40)));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, View().ToViewport(handle + QPoint(60, 40)));
        QCOMPARE(box.m_width, 210);
        QCOMPARE(box.m_height, 65);
        // A click on empty space just deselects.
        ClickChart(View(), QPoint(box.m_x + 400, box.m_y + 2));
        QVERIFY(!box.m_selected);
        QCOMPARE(Root().m_boxes.size(), std::size_t(4));
    }

    void zoomCommandsMenuAndStatusBar()
    {
        QMenu* viewMenu = m_frame->Action(cmd::kViewZoomIn)->associatedObjects().isEmpty()
            ? nullptr
            : qobject_cast<QMenu*>(m_frame->Action(cmd::kViewZoomIn)->associatedObjects().constLast());
        QVERIFY(viewMenu);
        QCOMPARE(viewMenu->title(), Text(texts::kMenuView));
        QCOMPARE(m_frame->Action(cmd::kViewZoomIn)->text(), QStringLiteral("拡大(&I)"));
        QCOMPARE(m_frame->Action(cmd::kViewZoomOut)->text(), QStringLiteral("縮小(&O)"));
        QCOMPARE(m_frame->Action(cmd::kViewZoomReset)->text(), QStringLiteral("100%(&N)"));
        auto* label = m_frame->statusBar()->findChild<QLabel*>(QStringLiteral("zoom"));
        QVERIFY(label);
        QCOMPARE(label->text(), QStringLiteral("100%"));

        View().setFocus();
        QVERIFY(QTest::qWaitForWindowActive(m_frame.get()));
        QTest::keyClick(&View(), Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(View().Zoom(), 110);
        QCOMPARE(label->text(), QStringLiteral("110%"));
        QTest::keyClick(&View(), Qt::Key_Minus, Qt::ControlModifier);
        QTest::keyClick(&View(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(View().Zoom(), 90);
        for (int i = 0; i < 20; ++i)
            Trigger(cmd::kViewZoomOut);
        QCOMPARE(View().Zoom(), 25);
        QVERIFY(!m_frame->Action(cmd::kViewZoomOut)->isEnabled());
        QTest::keyClick(&View(), Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(View().Zoom(), 100);
        for (int i = 0; i < 20; ++i)
            Trigger(cmd::kViewZoomIn);
        QCOMPARE(View().Zoom(), 400);
        QVERIFY(!m_frame->Action(cmd::kViewZoomIn)->isEnabled());
        QCOMPARE(label->text(), QStringLiteral("400%"));
        Trigger(cmd::kViewZoomReset);

        // Ctrl+wheel zooms about the mouse: the chart point under it stays.
        const QPoint at = View().ToViewport(QPoint(Box(0).m_x + 40, Box(0).m_y + 10));
        const QPoint logical = View().ToLogical(at);
        QWheelEvent wheel(at, View().viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
            Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View().viewport(), &wheel);
        QCOMPARE(View().Zoom(), 110);
        QVERIFY((View().ToLogical(at) - logical).manhattanLength() <= 2);
        // A second window has a zoom of its own.
        CChildFrame* first = m_child;
        m_child = m_frame->OnFileNew();
        QCOMPARE(View().Zoom(), 100);
        QCOMPARE(label->text(), QStringLiteral("100%"));
        QCOMPARE(first->View().Zoom(), 110);
    }

    void zoomIsRememberedWithTheRecentFiles()
    {
        const QString path = m_child->Path();
        View().SetZoom(150);
        m_child->close();
        QCoreApplication::processEvents();
        m_child = m_frame->OpenDocumentFile(path);
        QVERIFY(m_child);
        QCOMPARE(View().Zoom(), 150);
        // Also in a later session, through the settings.
        m_frame.reset();
        m_frame = std::make_unique<CMainFrame>();
        m_frame->show();
        m_child = m_frame->OpenDocumentFile(path);
        QVERIFY(m_child);
        QCOMPARE(View().Zoom(), 150);
        // A file not in the list opens at 100 %.
        OpenChart(QStringLiteral("other.pad"));
        QCOMPARE(View().Zoom(), 100);
    }

    // The printed page is the same at every zoom of the screen: the same
    // drawing calls in printer dots, and the same pixels. (Qt's glyph
    // rasteriser may shade a few edge pixels of the large printed glyphs one
    // or two steps differently once other sizes of the face were drawn, so
    // text edges may differ by some levels of grey, never more.)
    void printingIsUnchangedByZoom()
    {
        const auto calls = [&] {
            CRecordingDC dc(DeviceKind::Printer);
            Root().DrawAsRoot(&dc, nullptr);
            Paint(View());
            return dc.Calls();
        };
        const auto page = [&] {
            QImage image(1800, 2600, QImage::Format_RGB32);
            image.setDotsPerMeterX(static_cast<int>(600 * 39.37007874015748 + 0.5));
            image.setDotsPerMeterY(static_cast<int>(600 * 39.37007874015748 + 0.5));
            image.fill(Qt::white);
            QPainter painter(&image);
            PaintChartPage(painter, Doc());
            painter.end();
            Paint(View());
            return image;
        };
        Box(0).m_selected = 1;
        const std::vector<std::string> referenceCalls = calls();
        const QImage reference = page();
        QVERIFY(reference != QImage(reference.size(), reference.format()));
        for (int zoom : { 25, 50, 150, 400, 100 }) {
            View().SetZoom(zoom);
            Paint(View());
            QCOMPARE(calls(), referenceCalls);
            const QImage printed = page();
            int largest = 0;
            for (int y = 0; y < printed.height(); ++y) {
                const auto* a = reinterpret_cast<const QRgb*>(printed.constScanLine(y));
                const auto* b = reinterpret_cast<const QRgb*>(reference.constScanLine(y));
                for (int x = 0; x < printed.width(); ++x)
                    largest = std::max(largest, std::abs(qGray(a[x]) - qGray(b[x])));
            }
            QVERIFY2(largest <= 40, qPrintable(QStringLiteral("zoom %1: a pixel differs by %2").arg(zoom).arg(largest)));
        }
    }
};

QTEST_MAIN(TestZoomView)
#include "tst_zoomview.moc"
