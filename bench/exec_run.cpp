// How fast charts run, and how soon a spinning run notices Ctrl+C.
#include "model/CBoxSequence.h"
#include "model/CBranchBox.h"
#include "base/CConsole.h"
#include "model/COutputBox.h"
#include "model/CPreTestLoopBox.h"
#include "exec/CRunContext.h"
#include "model/CSimpleBox.h"
#include "exec/CStepController.h"
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

// The sum chart of bench/charts (ten million passes), run plainly and with
// a step controller attached at full speed as the desktop program's watch
// attaches it: the watch is published ten times a second to a listener.
std::unique_ptr<CRootSequence> SumChart()
{
    auto root = std::make_unique<CRootSequence>();
    root->m_boxes.push_back(Box<CSimpleBox>("s = 0"));
    auto loop = Box<CPreTestLoopBox>("i = 1, 10000000");
    loop->m_bodySeq.m_boxes.push_back(Box<CSimpleBox>("s = s + i"));
    root->m_boxes.push_back(std::move(loop));
    root->m_boxes.push_back(Box<COutputBox>("s"));
    return root;
}

class CCountingListener : public CStepListener {
public:
    void OnProgress(const CProcessBox&) override { ++m_reports; }
    int m_reports { 0 };
};

void BM_SumChart(benchmark::State& state)
{
    const bool watched = state.range(0) != 0;
    auto chart = SumChart();
    CNullConsole console;
    int reports = 0;
    for (auto _ : state) {
        CRunContext run(*chart, console);
        CCountingListener listener;
        CStepController controller(CStepController::Start::Running, &listener);
        if (watched)
            controller.Attach(run);
        benchmark::DoNotOptimize(run.Run());
        if (watched)
            controller.Detach();
        reports += listener.m_reports;
    }
    state.SetLabel(watched ? "watched at full speed" : "plain");
    state.counters["watch_updates"] = benchmark::Counter(reports, benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SumChart)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

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
