// One full layout-and-draw pass over charts of 1,000 and 10,000 boxes, on
// the recording device context (recording off, so that the pass itself is
// measured). The cost must grow with boxes x nesting depth and no faster:
// compare ns/box between the sizes and depths.
#include "BenchCharts.h"
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "model/CMemoryEditor.h"
#include "model/COutputBox.h"
#include "model/CPreTestLoopBox.h"
#include "layout/CRecordingDC.h"
#include "model/CSimpleBox.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

int CountBoxes(const CBoxSequence& seq)
{
    int n = 0;
    for (const auto& box : seq.m_boxes) {
        ++n;
        if (auto* branch = dynamic_cast<const CBranchBox*>(box.get()))
            n += CountBoxes(branch->m_thenSeq) + CountBoxes(branch->m_elseSeq);
        else if (auto* loop = dynamic_cast<const CPreTestLoopBox*>(box.get()))
            n += CountBoxes(loop->m_bodySeq);
    }
    return n;
}

void BM_ScreenPass(benchmark::State& state)
{
    CRootSequence root;
    BuildNestedChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CMemoryEditorHost host;
    CRecordingDC dc(DeviceKind::Screen);
    dc.SetRecording(false);
    root.DrawAsRoot(&dc, &host); // creates the editors, as the first paint does
    for (auto _ : state)
        root.DrawAsRoot(&dc, &host);
    const int boxes = CountBoxes(root);
    state.counters["boxes"] = boxes;
    state.counters["per_box"] = benchmark::Counter(static_cast<double>(boxes),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_PrintPass(benchmark::State& state)
{
    CRootSequence root;
    BuildNestedChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    CRecordingDC dc(DeviceKind::Printer);
    dc.SetRecording(false);
    for (auto _ : state)
        root.DrawAsRoot(&dc, nullptr);
    const int boxes = CountBoxes(root);
    state.counters["boxes"] = boxes;
    state.counters["per_box"] = benchmark::Counter(static_cast<double>(boxes),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// What a test pays for the readable call lines.
void BM_ScreenPassRecorded(benchmark::State& state)
{
    CRootSequence root;
    BuildNestedChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        CRecordingDC dc(DeviceKind::Screen);
        root.DrawAsRoot(&dc, nullptr);
        benchmark::DoNotOptimize(dc.Calls().size());
    }
}

// Arguments: boxes, nesting depth of each group.
BENCHMARK(BM_ScreenPass)->Args({ 1000, 4 })->Args({ 10000, 4 })->Args({ 1000, 40 })->Args({ 10000, 40 })->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PrintPass)->Args({ 1000, 4 })->Args({ 10000, 4 })->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ScreenPassRecorded)->Args({ 1000, 4 })->Args({ 10000, 4 })->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
