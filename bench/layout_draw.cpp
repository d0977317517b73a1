// One full layout-and-draw pass over charts of 1,000 and 10,000 boxes, on
// the recording device context (recording off, so that the pass itself is
// measured). The cost must grow with boxes x nesting depth and no faster:
// compare ns/box between the sizes and depths.
#include "CBoxSequence.h"
#include "CBranchBox.h"
#include "CMemoryEditor.h"
#include "COutputBox.h"
#include "CPreTestLoopBox.h"
#include "CRecordingDC.h"
#include "CSimpleBox.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

// Fills `root` with groups of nested containers: each group is a chain of
// `depth` containers (loops and branches by turns), each holding one leaf
// beside the next container, until `boxes` boxes exist.
void BuildChart(CRootSequence& root, int boxes, int depth)
{
    int made = 0;
    while (made < boxes) {
        CBoxSequence* seq = &root;
        for (int level = 0; level < depth && made < boxes; ++level) {
            std::unique_ptr<CProcessBox> container;
            CBoxSequence* inner = nullptr;
            if (level % 2 == 0) {
                auto loop = std::make_unique<CPreTestLoopBox>(0, 0, 150, 25);
                inner = &loop->m_bodySeq;
                container = std::move(loop);
            } else {
                auto branch = std::make_unique<CBranchBox>(0, 0, 150, 25);
                branch->m_elseSeq.m_boxes.push_back(std::make_unique<COutputBox>(0, 0, 150, 25));
                ++made;
                inner = &branch->m_thenSeq;
                container = std::move(branch);
            }
            container->m_text = "i = 1, 10";
            seq->m_boxes.push_back(std::move(container));
            ++made;
            if (made < boxes) {
                seq->m_boxes.push_back(std::make_unique<CSimpleBox>(0, 0, 150, 25));
                ++made;
            }
            seq = inner;
        }
    }
}

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
    BuildChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
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
    BuildChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
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
    BuildChart(root, static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
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
