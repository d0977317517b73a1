// The chart under the scaling the environment asks for (QT_SCALE_FACTOR;
// CTest runs this program at 1, 1.25, 1.5 and 2): the in-place editors lie
// strictly inside the outlines, so that every pixel the drawing puts on the
// screen stays visible with the editors over it.

#include "AppTestSupport.h"
#include "model/CBranchBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/Outline.h"

#include <QImage>
#include <QPixmap>
#include <QtTest>

namespace {

QImage Grab(CTavrinView& view)
{
    Paint(view);
    QCoreApplication::processEvents();
    return view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool IsDark(QRgb pixel)
{
    return qGray(pixel) < 128;
}

} // namespace

class TestScaling : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InitAppTestResources(); }

    void editorsLeaveEveryOutlinePixelVisible_data()
    {
        QTest::addColumn<bool>("selected");
        QTest::newRow("plain") << false;
        QTest::newRow("selected") << true;
    }
    void editorsLeaveEveryOutlinePixelVisible()
    {
        QFETCH(bool, selected);
        // The document goes first: its boxes' editors tell the view when
        // they go.
        std::unique_ptr<CTavrinView> viewOwner;
        CTavrinDoc doc;
        BuildOutline("simple: a = 1\n"
                     "pre-loop: i = 1, 3\n"
                     "  output: i\n"
                     "post-loop: a < 3\n"
                     "  simple: a = a + 1\n"
                     "branch: a > 1\n"
                     "  then\n"
                     "    input: b\n"
                     "  else\n"
                     "    output: a\n",
                     doc.m_root);
        viewOwner = std::make_unique<CTavrinView>(doc);
        CTavrinView& view = *viewOwner;
        view.resize(700, 700);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        std::vector<CBoxText*> texts = view.Editors();
        QCOMPARE(texts.size(), std::size_t(8));
        if (selected) {
            for (CBoxText* text : texts)
                text->Box().m_selected = 1;
        }
        // Box texts are painted; the one text widget lies over the box being
        // edited. Each box in turn gets it. Without texts, what the widget
        // could hide is only the drawing.
        for (CBoxText* text : texts)
            text->SetText({});
        const QImage outlines = Grab(view);
        for (CBoxText* text : texts) {
            CBoxEdit* editor = view.EditBox(text->Box());
            QVERIFY(editor);
            const QImage shown = Grab(view);
            QCOMPARE(shown.size(), outlines.size());
            QVERIFY(shown.devicePixelRatio() == outlines.devicePixelRatio());
            int hidden = 0;
            QPoint firstHidden;
            for (int y = 0; y < outlines.height(); ++y) {
                for (int x = 0; x < outlines.width(); ++x) {
                    const QRgb line = outlines.pixel(x, y);
                    // A pixel the drawing made dark (or blue) that the editor
                    // covers turns white.
                    if ((IsDark(line) || (qBlue(line) > 128 && qRed(line) < 128)) && qGray(shown.pixel(x, y)) > 200) {
                        if (hidden++ == 0)
                            firstHidden = QPoint(x, y);
                    }
                }
            }
            QVERIFY2(hidden == 0, qPrintable(QStringLiteral("%1 outline pixels hidden at scale %2, the first at (%3, %4)")
                                                 .arg(hidden)
                                                 .arg(shown.devicePixelRatio())
                                                 .arg(firstHidden.x())
                                                 .arg(firstHidden.y())));
            // The widget is really there, over part of its box.
            QVERIFY(editor->isVisible() && editor->width() > 0 && editor->height() > 0);
        }
    }
};

QTEST_MAIN(TestScaling)
#include "tst_scaling.moc"
