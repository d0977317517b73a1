// What a large chart costs in the editor view, offscreen: opening it (read,
// view, first complete paint), one scroll step, one repaint after a
// keystroke in a box, one zoom step, closing it, and the peak memory of the
// whole process. Prints one line per chart; each chart runs in a process of
// its own so that the peak memory belongs to that chart.
//
// Usage: bench_app_open_paint_qt [--boxes N] [--shape flat|nested]
//        bench_app_open_paint_qt --all   (1,000, 10,000 and 100,000 boxes,
//                                         flat and nested 40 deep)

#include "BenchCharts.h"
#include "view/CBoxEdit.h"
#include "model/CTavrinDoc.h"
#include "view/CTavrinView.h"
#include "model/CPreTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/COutputBox.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kNestedDepth = 40;
constexpr int kSteps = 21;

// Flat: pre-test loops at the root, each holding three boxes. Nested:
// chains of 40 containers.
std::string MakeChartBytes(int boxes, bool nested)
{
    CTavrinDoc doc;
    if (nested) {
        BuildNestedChart(doc.m_root, boxes, kNestedDepth, "s = s + i * 2");
        return doc.SaveToBytes();
    }
    int made = 0;
    while (made < boxes) {
        auto loop = std::make_unique<CPreTestLoopBox>(50, 75, 150, 25);
        loop->m_text = "i = 1, 10";
        ++made;
        for (int j = 0; j < 3 && made < boxes; ++j, ++made) {
            std::unique_ptr<CProcessBox> box;
            if (j % 2 == 0)
                box = std::make_unique<CSimpleBox>(220, 75, 150, 25);
            else
                box = std::make_unique<COutputBox>(220, 75, 150, 25);
            box->m_text = j % 2 == 0 ? "s = s + i * 2" : "\"%d\", s";
            loop->m_bodySeq.m_boxes.push_back(std::move(box));
        }
        doc.m_root.m_boxes.push_back(std::move(loop));
    }
    return doc.SaveToBytes();
}

long PeakKilobytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

template <typename Step>
double MedianMs(Step step)
{
    std::vector<double> times;
    for (int i = 0; i < kSteps; ++i) {
        QElapsedTimer timer;
        timer.start();
        step(i);
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The first box's text, opened in the view's text widget as a click does.
QWidget* FocusFirstEditor(CTavrinView& view, CTavrinDoc& doc)
{
    CBoxEdit* editor = view.EditBox(*doc.m_root.m_boxes.at(0));
    editor->setFocus();
    return editor;
}

// One step in or out, with the repaint it causes.
double ZoomStepMs(CTavrinView& view)
{
    return MedianMs([&](int i) {
        if (i % 2 == 0)
            view.ZoomIn();
        else
            view.ZoomOut();
        view.viewport()->repaint();
    });
}

void Measure(int boxes, bool nested)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("big.pad")).toStdString();
    {
        const std::string bytes = MakeChartBytes(boxes, nested);
        std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    QElapsedTimer timer;
    timer.start();
    auto doc = std::make_unique<CTavrinDoc>();
    doc->Load(path);
    auto view = std::make_unique<CTavrinView>(*doc);
    view->resize(900, 700);
    view->show();
    // Painting starts once the window system shows the window.
    for (int i = 0; i < 1000 && !(view->windowHandle() && view->windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    view->viewport()->repaint();
    const double openMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    QScrollBar* bar = view->verticalScrollBar();
    const double scrollMs = MedianMs([&](int) {
        bar->setValue(bar->value() + bar->singleStep());
        view->viewport()->repaint();
    });
    bar->setValue(0);
    view->viewport()->repaint();

    QWidget* editor = FocusFirstEditor(*view, *doc);
    const double keyMs = MedianMs([&](int) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(editor, &release);
        editor->repaint();
        view->viewport()->repaint();
    });

    const double zoomMs = ZoomStepMs(*view);

    timer.restart();
    doc.reset(); // the boxes delete their editors before the view goes
    view.reset();
    QCoreApplication::processEvents();
    const double closeMs = static_cast<double>(timer.nsecsElapsed()) / 1e6;

    std::printf("%-7s %7d %10.1f %10.2f %10.2f %10s %10.1f %10ld\n", nested ? "nested" : "flat", boxes, openMs,
        scrollMs, keyMs, zoomMs < 0 ? "-" : QByteArray::number(zoomMs, 'f', 2).constData(), closeMs,
        PeakKilobytes() / 1024);
    std::fflush(stdout);
}

void PrintHeader()
{
    std::printf("%-7s %7s %10s %10s %10s %10s %10s %10s\n", "shape", "boxes", "open_ms", "scroll_ms", "key_ms",
        "zoom_ms", "close_ms", "peak_MB");
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.contains(QStringLiteral("--all"))) {
        PrintHeader();
        for (const char* shape : { "flat", "nested" }) {
            for (int boxes : { 1000, 10000, 100000 }) {
                QProcess child;
                child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
                child.start(QCoreApplication::applicationFilePath(),
                    { QStringLiteral("--boxes"), QString::number(boxes), QStringLiteral("--shape"),
                        QString::fromLatin1(shape), QStringLiteral("--no-header") });
                child.waitForFinished(-1);
                std::fputs(child.readAllStandardOutput().constData(), stdout);
                std::fflush(stdout);
            }
        }
        return 0;
    }
    int boxes = 10000;
    bool nested = false;
    for (int i = 1; i + 1 < args.size(); ++i) {
        if (args[i] == QLatin1String("--boxes"))
            boxes = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--shape"))
            nested = args[i + 1] == QLatin1String("nested");
    }
    if (!args.contains(QStringLiteral("--no-header")))
        PrintHeader();
    Measure(std::max(1, boxes), nested);
    return 0;
}
