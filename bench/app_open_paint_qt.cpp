// Time to open a chart of 2,000 boxes and paint it the first time in the
// editor view (editors created, everything laid out), and the time of one
// repaint after a keystroke in a box editor. Offscreen; prints the figures.

#include "view/CBoxEdit.h"
#include "model/CPreTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/COutputBox.h"
#include "model/CTavrinDoc.h"
#include "view/CTavrinView.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QWindow>

#include <benchmark/benchmark.h>

#include <fstream>
#include <memory>

namespace {

constexpr int kBoxCount = 2000;

// 400 loops at the root, each with four boxes in its body.
std::string MakeChartBytes()
{
    CTavrinDoc doc;
    int made = 0;
    while (made < kBoxCount) {
        auto loop = std::make_unique<CPreTestLoopBox>(50, 75, 150, 25);
        loop->m_text = "i = 1, 10";
        ++made;
        for (int j = 0; j < 4 && made < kBoxCount; ++j, ++made) {
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

struct OpenChart {
    std::unique_ptr<CTavrinDoc> doc;
    std::unique_ptr<CTavrinView> view;
    ~OpenChart()
    {
        doc.reset(); // the boxes delete their editors before the view goes
        view.reset();
    }
};

std::unique_ptr<OpenChart> OpenAndPaint(const std::string& path)
{
    auto chart = std::make_unique<OpenChart>();
    chart->doc = std::make_unique<CTavrinDoc>();
    chart->doc->Load(path);
    chart->view = std::make_unique<CTavrinView>(*chart->doc);
    chart->view->resize(900, 700);
    chart->view->show();
    // Painting starts once the window system shows the window.
    for (int i = 0; i < 1000 && !(chart->view->windowHandle() && chart->view->windowHandle()->isExposed()); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    chart->view->viewport()->repaint();
    return chart;
}

QString& ChartPath()
{
    static QString path;
    return path;
}

void BM_OpenAndFirstPaint(benchmark::State& state)
{
    const std::string path = ChartPath().toStdString();
    for (auto _ : state) {
        std::unique_ptr<OpenChart> chart = OpenAndPaint(path);
        benchmark::DoNotOptimize(chart->view->ScrollSize());
        state.PauseTiming();
        chart.reset();
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["boxes"] = kBoxCount;
}
BENCHMARK(BM_OpenAndFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_RepaintAfterKeystroke(benchmark::State& state)
{
    std::unique_ptr<OpenChart> chart = OpenAndPaint(ChartPath().toStdString());
    std::vector<CBoxEdit*> editors = chart->view->Editors();
    CBoxEdit* editor = editors.at(0);
    editor->setFocus();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QApplication::sendEvent(editor, &release);
        editor->viewport()->repaint();
        chart->view->viewport()->repaint();
    }
    state.counters["boxes"] = kBoxCount;
}
BENCHMARK(BM_RepaintAfterKeystroke)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    ChartPath() = dir.filePath(QStringLiteral("big.pad"));
    {
        const std::string bytes = MakeChartBytes();
        std::ofstream(ChartPath().toStdString(), std::ios::binary).write(bytes.data(),
                                                                        static_cast<std::streamsize>(bytes.size()));
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
