// Pixels of the QPainter device context and of a rendered chart: lines leave
// out their end point, rectangles their right and bottom edges, text stands
// below and right of its point, and a screen render paints box texts inside
// the editor rectangles.

#include "model/CBoxSequence.h"
#include "model/CInputBox.h"
#include "model/CMemoryEditor.h"
#include "view/CQPainterDC.h"
#include "model/CSimpleBox.h"
#include "view/ChartRenderer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

QImage Blank(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(128, 128, 128));
    return image;
}

bool IsBlack(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y) == QColor(Qt::black);
}

// Pixels darker than mid-grey inside the rectangle (inclusive corners).
int DarkPixels(const QImage& image, const QRect& area)
{
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100)
                ++count;
    return count;
}

} // namespace

class TestChartPainting : public QObject {
    Q_OBJECT

private slots:
    void linesLeaveOutTheirEndPoint()
    {
        QImage image = Blank(20, 20);
        {
            QPainter painter(&image);
            CQPainterDC dc(painter, PaintTarget::Screen);
            dc.MoveTo(1, 1);
            dc.LineTo(5, 1);
            dc.MoveTo(1, 3);
            dc.LineTo(5, 7);
            dc.MoveTo(10, 10);
            dc.LineTo(10, 10); // no length: nothing
        }
        for (int x = 1; x <= 4; ++x)
            QVERIFY(IsBlack(image, x, 1));
        QVERIFY(!IsBlack(image, 5, 1));
        QVERIFY(IsBlack(image, 4, 6));
        QVERIFY(!IsBlack(image, 5, 7));
        QVERIFY(!IsBlack(image, 10, 10));
    }

    void rectanglesCoverGdiPixels()
    {
        QImage image = Blank(20, 20);
        {
            QPainter painter(&image);
            CQPainterDC dc(painter, PaintTarget::Screen);
            dc.Rectangle(1, 1, 6, 5);
            dc.Rectangle(18, 18, 12, 12); // corners in any order
        }
        QVERIFY(IsBlack(image, 1, 1));
        QVERIFY(IsBlack(image, 5, 4));
        QVERIFY(!IsBlack(image, 6, 1));
        QVERIFY(!IsBlack(image, 1, 5));
        QCOMPARE(image.pixelColor(3, 2), QColor(Qt::white)); // white brush
        QVERIFY(IsBlack(image, 12, 12));
        QVERIFY(IsBlack(image, 17, 17));
        QVERIFY(!IsBlack(image, 18, 18));
    }

    void widePensAndColoursAndOrigin()
    {
        QImage image = Blank(40, 40);
        QPainter painter(&image);
        painter.setPen(QPen(Qt::green, 7));
        {
            // The chart scrolled by (10, 20): logical (15, 25) is device (5, 5).
            CQPainterDC dc(painter, PaintTarget::Screen, QPoint(-10, -20));
            QCOMPARE(dc.LPtoDP({ 15, 25 }), (CPoint { 5, 5 }));
            const CPen old = dc.SelectPen({ 3, kColorBlack });
            QCOMPARE(old, (CPen { 1, kColorBlack }));
            dc.MoveTo(15, 25);
            dc.LineTo(15, 45);
            dc.SelectPen({ 1, kColorBlue });
            dc.MoveTo(30, 50);
            dc.LineTo(40, 50);
            dc.SelectPen(old);
        }
        // The painter is handed back as it was given.
        QCOMPARE(painter.pen().color(), QColor(Qt::green));
        QCOMPARE(painter.pen().width(), 7);
        QVERIFY(painter.transform().isIdentity());
        painter.end();
        QVERIFY(IsBlack(image, 4, 15));
        QVERIFY(IsBlack(image, 5, 15));
        QVERIFY(IsBlack(image, 6, 15));
        QCOMPARE(image.pixelColor(25, 30), QColor(Qt::blue));
    }

    void textStandsBelowItsPoint()
    {
        QImage image = Blank(200, 100);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            CQPainterDC dc(painter, PaintTarget::Screen);
            dc.SetBkMode(BkMode::Transparent);
            dc.TextOut(20, 40, "\x82\xA0" "A\r\nB"); // Japanese, then two lines
        }
        QCOMPARE(DarkPixels(image, QRect(0, 0, 200, 40)), 0);
        QVERIFY(DarkPixels(image, QRect(20, 40, 60, 20)) > 0);
        // The second line is drawn below the first, not as a control glyph.
        QVERIFY(DarkPixels(image, QRect(20, 62, 40, 30)) > 0);
    }

    void inputBoxCornerPixel()
    {
        QImage image = Blank(260, 140);
        CRootSequence root;
        root.m_boxes.push_back(std::make_unique<CInputBox>(50, 75, 150, 25));
        {
            QPainter painter(&image);
            CQPainterDC dc(painter, PaintTarget::Screen);
            root.DrawAsRoot(&dc, nullptr);
        }
        // The top edge reaches R - 10 = 190 and stops there.
        QVERIFY(IsBlack(image, 190, 75));
        QVERIFY(!IsBlack(image, 191, 75));
        QVERIFY(IsBlack(image, 199, 84));
    }

    void screenRenderPaintsTextInsideTheEditorRectangle()
    {
        CRootSequence root;
        auto box = std::make_unique<CSimpleBox>(50, 75, 150, 25);
        box->m_text = "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW"; // wider than the box
        CSimpleBox& simple = *box;
        root.m_boxes.push_back(std::move(box));
        QImage image(300, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            chartrender::DrawChart(painter, root, chartrender::ChartPass::Screen);
        }
        // Editor rectangle (61, 76)-(189, 99): text inside, cut at its edge.
        QVERIFY(DarkPixels(image, QRect(62, 77, 126, 21)) > 50);
        QCOMPARE(DarkPixels(image, QRect(201, 76, 99, 23)), 0);
        QCOMPARE(DarkPixels(image, QRect(190, 77, 9, 21)), 0);
        // Nothing was committed or created.
        QVERIFY(!simple.m_editor);
    }

    void printRenderTakesTheEditorText()
    {
        CRootSequence root;
        auto box = std::make_unique<CSimpleBox>(50, 75, 150, 25);
        CMemoryEditorHost host;
        box->CreateEditor(nullptr, &host);
        host.m_lastEditor->m_text = "typed";
        CSimpleBox& simple = *box;
        root.m_boxes.push_back(std::move(box));
        QImage image(1000, 1000, QImage::Format_RGB32);
        image.setDotsPerMeterX(23622);
        image.setDotsPerMeterY(23622);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            chartrender::DrawChart(painter, root, chartrender::ChartPass::Print);
        }
        QCOMPARE(simple.m_text, std::string("typed"));
        // Printed at (80, 345), inside the 750 x 125 box at (50, 325).
        QVERIFY(DarkPixels(image, QRect(80, 345, 400, 100)) > 100);
        QCOMPARE(root.m_top, 50);
    }
};

QTEST_MAIN(TestChartPainting)
#include "tst_chartpainting.moc"
