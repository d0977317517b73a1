// Undo and redo of 1,000 steps on a chart of 10,000 boxes in nested loops
// and branches. The steps are a fixed mix of what users do: typing (several
// keys per step), insertions, resizes, moves, copies, deletions and cuts.
// Prints the time of undoing and of redoing all steps, the heap the chart
// takes, the heap the 1,000 steps added, and the peak resident memory.

#include "BenchCharts.h"
#include "model/CTavrinDoc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <malloc.h>
#include <random>
#include <sys/resource.h>
#include <vector>

namespace {

constexpr int kBoxes = 10000;
constexpr int kDepth = 20;
constexpr int kSteps = 1000;

long PeakRssKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

double HeapInUseKiB()
{
    return static_cast<double>(mallinfo2().uordblks) / 1024.0;
}

void Walk(CBoxSequence& sequence, std::vector<CBoxSequence*>& sequences, std::vector<CProcessBox*>& boxes)
{
    sequences.push_back(&sequence);
    for (auto& box : sequence.m_boxes) {
        boxes.push_back(box.get());
        if (auto* branch = dynamic_cast<CBranchBox*>(box.get())) {
            Walk(branch->m_thenSeq, sequences, boxes);
            Walk(branch->m_elseSeq, sequences, boxes);
        } else if (auto* loop = dynamic_cast<CPreTestLoopBox*>(box.get())) {
            Walk(loop->m_bodySeq, sequences, boxes);
        }
    }
}

// The chart, and its history of kSteps steps, all applied.
struct CEditedChart {
    CEditedChart()
    {
        BuildNestedChart(doc.m_root, kBoxes, kDepth, "x = x + 1");
        heapOfChartKiB = HeapInUseKiB();
        std::mt19937 random(17);
        auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
        while (doc.History().Count() < kSteps) {
            std::vector<CBoxSequence*> sequences;
            std::vector<CProcessBox*> boxes;
            Walk(doc.m_root, sequences, boxes);
            CProcessBox& box = *boxes[pick(boxes.size())];
            CBoxSequence& sequence = *sequences[pick(sequences.size())];
            const CBoxPlace gap { &sequence, static_cast<int>(pick(sequence.m_boxes.size() + 1)) };
            switch (pick(10)) {
            case 0:
            case 1:
            case 2:
            case 3:
                for (char c : std::string("+ y;"))
                    doc.SetBoxText(box, box.m_text + c);
                break;
            case 4:
                doc.m_tool = kToolSimple;
                doc.InsertAt(gap, nullptr, nullptr);
                break;
            case 5:
                doc.ResizeBox(box, box.m_x + 200, box.m_y + 40, nullptr);
                doc.ResizeBox(box, box.m_x + 220, box.m_y + 50, nullptr);
                break;
            case 6:
                doc.MoveBox(box, gap, nullptr);
                break;
            case 7:
                doc.CopyBox(box, gap, nullptr);
                break;
            case 8:
                doc.DeselectAll();
                box.m_selected = 1;
                doc.DeleteSelected();
                break;
            default:
                doc.DeselectAll();
                box.m_selected = 1;
                doc.Cut();
                break;
            }
            doc.CloseStep();
        }
        heapOfStepsKiB = HeapInUseKiB() - heapOfChartKiB;
    }

    void UndoAll()
    {
        while (doc.Undo(nullptr)) { }
    }
    void RedoAll()
    {
        while (doc.Redo(nullptr)) { }
    }

    CTavrinDoc doc;
    double heapOfChartKiB { 0 };
    double heapOfStepsKiB { 0 };
};

void Report(benchmark::State& state, const CEditedChart& chart)
{
    state.counters["steps"] = kSteps;
    state.counters["chart_heap_KiB"] = chart.heapOfChartKiB;
    state.counters["history_heap_KiB"] = chart.heapOfStepsKiB;
    state.counters["peak_rss_KiB"] = static_cast<double>(PeakRssKiB());
}

void BM_Undo1000Steps(benchmark::State& state)
{
    CEditedChart chart;
    for (auto _ : state) {
        chart.UndoAll();
        state.PauseTiming();
        chart.RedoAll();
        state.ResumeTiming();
    }
    Report(state, chart);
}
BENCHMARK(BM_Undo1000Steps)->Unit(benchmark::kMillisecond);

void BM_Redo1000Steps(benchmark::State& state)
{
    CEditedChart chart;
    for (auto _ : state) {
        state.PauseTiming();
        chart.UndoAll();
        state.ResumeTiming();
        chart.RedoAll();
    }
    Report(state, chart);
}
BENCHMARK(BM_Redo1000Steps)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("peak resident memory of the whole run: %ld KiB\n", PeakRssKiB());
    return 0;
}
