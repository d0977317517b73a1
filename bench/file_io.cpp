// Loading and saving a large chart: 100,000 boxes in branches and loops
// nested up to 50 deep. Prints the time per load and save and the peak
// resident memory of the process.

#include "model/CBranchBox.h"
#include "model/CPostTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "model/CTavrinDoc.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int kBoxes = 100000;
constexpr int kDepth = 50;

long PeakRssKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Towers of containers 50 deep, alternating branch and post-test loop, each
// level with a simple box beside the container, until 100,000 boxes.
void FillChart(CTavrinDoc& doc)
{
    int boxes = 0;
    while (boxes < kBoxes) {
        CBoxSequence* sequence = &doc.m_root;
        for (int level = 0; level < kDepth && boxes < kBoxes; ++level) {
            auto& simple = sequence->m_boxes.emplace_back(std::make_unique<CSimpleBox>(50, 75, 150, 25));
            simple->m_text = "x = x + " + std::to_string(level);
            ++boxes;
            if (boxes >= kBoxes)
                break;
            if (level % 2 == 0) {
                auto branch = std::make_unique<CBranchBox>(50, 75, 150, 25);
                branch->m_text = "x > 10";
                CBoxSequence* next = &branch->m_thenSeq;
                sequence->m_boxes.push_back(std::move(branch));
                sequence = next;
            } else {
                auto loop = std::make_unique<CPostTestLoopBox>(50, 75, 150, 25);
                loop->m_text = "i = 1, 10";
                CBoxSequence* next = &loop->m_bodySeq;
                sequence->m_boxes.push_back(std::move(loop));
                sequence = next;
            }
            ++boxes;
        }
    }
}

std::string TempPath()
{
    return (std::filesystem::temp_directory_path() / ("tavrin-bench-" + std::to_string(getpid()) + ".pad")).string();
}

void BM_SaveChart(benchmark::State& state)
{
    CTavrinDoc doc;
    FillChart(doc);
    const std::string path = TempPath();
    for (auto _ : state)
        doc.Save(path);
    state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
    state.counters["peak_rss_KiB"] = static_cast<double>(PeakRssKiB());
    std::filesystem::remove(path);
}
BENCHMARK(BM_SaveChart)->Unit(benchmark::kMillisecond);

void BM_LoadChart(benchmark::State& state)
{
    const std::string path = TempPath();
    {
        CTavrinDoc doc;
        FillChart(doc);
        doc.Save(path);
    }
    const long before = PeakRssKiB();
    for (auto _ : state) {
        CTavrinDoc doc;
        doc.Load(path);
        benchmark::DoNotOptimize(doc.m_root.m_boxes.data());
    }
    state.counters["peak_rss_KiB"] = static_cast<double>(PeakRssKiB());
    state.counters["rss_before_KiB"] = static_cast<double>(before);
    std::filesystem::remove(path);
}
BENCHMARK(BM_LoadChart)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::printf("peak resident memory of the whole run: %ld KiB\n", PeakRssKiB());
    return 0;
}
