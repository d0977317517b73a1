// How fast charts run, and how soon a spinning run notices Ctrl+C.
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "base/CConsole.h"
#include "model/COutputBox.h"
#include "model/CPreTestLoopBox.h"
#include "model/CSimpleBox.h"
#include "exec/RunDriver.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace {

class CNullConsole : public CConsole {
protected:
    void Output(std::string_view) override {}
    bool Input(std::string& line) override
    {
        line.clear();
        return false;
    }
};

template <class Kind>
std::unique_ptr<Kind> Box(const char* text)
{
    auto box = std::make_unique<Kind>(0, 0, 150, 25);
    box->m_text = text;
    return box;
}

// A counting loop whose body assigns, branches and prints: five boxes per
// pass, the shape of the teaching examples.
std::unique_ptr<CRootSequence> LoopChart(const char* header)
{
    auto root = std::make_unique<CRootSequence>();
    root->m_boxes.push_back(Box<CSimpleBox>("s = 0"));
    auto loop = Box<CPreTestLoopBox>(header);
    loop->m_bodySeq.m_boxes.push_back(Box<CSimpleBox>("s = s + i * i"));
    auto branch = Box<CBranchBox>("i % 3 == 0");
    branch->m_thenSeq.m_boxes.push_back(Box<CSimpleBox>("a[i] = s"));
    branch->m_elseSeq.m_boxes.push_back(Box<COutputBox>("\"%6.2f\", s"));
    loop->m_bodySeq.m_boxes.push_back(std::move(branch));
    root->m_boxes.push_back(std::move(loop));
    return root;
}

void BM_CountingLoopPasses(benchmark::State& state)
{
    auto chart = LoopChart("i = 1, 10000");
    CNullConsole console;
    for (auto _ : state)
        benchmark::DoNotOptimize(RunChart(*chart, console));
    state.SetItemsProcessed(state.iterations() * 10000);
    state.SetLabel("items = loop passes of 3 boxes");
}
BENCHMARK(BM_CountingLoopPasses)->Unit(benchmark::kMillisecond);

// Time from clearing the run flag (as Ctrl+C does) to the end of a run
// spinning in a loop with an empty body.
void BM_StopDelay(benchmark::State& state)
{
    auto root = std::make_unique<CRootSequence>();
    root->m_boxes.push_back(Box<CPreTestLoopBox>("1"));
    CNullConsole console;
    double worstMicroseconds = 0;
    for (auto _ : state) {
        std::atomic<std::chrono::steady_clock::time_point> stoppedAt {};
        std::thread stopper([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            stoppedAt = std::chrono::steady_clock::now();
            g_running = 0;
        });
        RunChart(*root, console);
        const auto delay = std::chrono::steady_clock::now() - stoppedAt.load();
        stopper.join();
        const double us = std::chrono::duration<double, std::micro>(delay).count();
        state.SetIterationTime(us / 1e6);
        worstMicroseconds = std::max(worstMicroseconds, us);
    }
    state.counters["worst_us"] = worstMicroseconds;
}
BENCHMARK(BM_StopDelay)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(50);

} // namespace

BENCHMARK_MAIN();
