// One full layout-and-draw pass painted with QPainter on a view-sized image
// (1000 x 800, most of a tall chart clipped away, as a scrolled view paints),
// for charts of 1,000 and 10,000 boxes: the bare pass, and the screen render
// that also paints every box text.
#include "BenchCharts.h"
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/COutputBox.h"
#include "model/CPreTestLoopBox.h"
#include "view/CQPainterDC.h"
#include "model/CSimpleBox.h"
#include "view/ChartRenderer.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>

namespace {

void SetBoxCounter(benchmark::State& state)
{
    state.counters["per_box"] = benchmark::Counter(static_cast<double>(state.range(0)),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_QPainterPass(benchmark::State& state)
{
    CRootSequence root;
    BuildNestedChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), "x = x + i");
    QImage image(1000, 800, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        CQPainterDC dc(painter, PaintTarget::Screen);
        root.DrawAsRoot(&dc, nullptr);
    }
    SetBoxCounter(state);
}

void BM_ScreenRender(benchmark::State& state)
{
    CRootSequence root;
    BuildNestedChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), "x = x + i");
    QImage image(1000, 800, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        chartrender::DrawChart(painter, root, chartrender::ChartPass::Screen);
    }
    SetBoxCounter(state);
}

BENCHMARK(BM_QPainterPass)->Args({ 1000, 4 })->Args({ 10000, 4 })->Args({ 10000, 40 })->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenRender)->Args({ 1000, 4 })->Args({ 10000, 4 })->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
