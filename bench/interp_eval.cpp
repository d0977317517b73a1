// Evaluations per second of typical box texts (items_per_second).

#include "interp/CInterpreter.h"
#include "exec/CMemoryConsole.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void EvaluateText(benchmark::State& state, const std::string& setup, const std::string& text)
{
    CInterpreter interp;
    interp.Evaluate(setup);
    for (auto _ : state)
        benchmark::DoNotOptimize(interp.Evaluate(text));
    state.SetItemsProcessed(state.iterations());
}

void BM_Assignment(benchmark::State& state) { EvaluateText(state, "x = 0", "x = x + 1"); }
void BM_Condition(benchmark::State& state) { EvaluateText(state, "i = 3, n = 10, a[3] = 1", "i <= n && a[i] > 0"); }
void BM_ElementAccess(benchmark::State& state)
{
    EvaluateText(state, "i = 5, j = 7, a[4][7] = 2", "a[i][j] = a[i-1][j] + 1");
}
void BM_FunctionCall(benchmark::State& state) { EvaluateText(state, "x = 2", "y = sqrt(x * x + 1)"); }

void BM_Output(benchmark::State& state)
{
    CInterpreter interp;
    CMemoryConsole console;
    interp.Evaluate("x = 1.5, y = 2");
    for (auto _ : state) {
        interp.ExecuteOutput("\"x = \", x, \" y = %5.2f\", y", console);
        console.ClearOutput();
    }
    state.SetItemsProcessed(state.iterations());
}

// Variables at scale: one element lookup among 100,000 elements.
void BM_LargeArray(benchmark::State& state)
{
    CInterpreter interp;
    for (int k = 0; k < 100000; ++k)
        interp.Variables().Set("a[" + std::to_string(k) + "]", k);
    interp.Evaluate("i = 0");
    for (auto _ : state)
        benchmark::DoNotOptimize(interp.Evaluate("s = s + a[i], i = (i + 7919) % 100000"));
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK(BM_Assignment);
BENCHMARK(BM_Condition);
BENCHMARK(BM_ElementAccess);
BENCHMARK(BM_FunctionCall);
BENCHMARK(BM_Output);
BENCHMARK(BM_LargeArray);
BENCHMARK_MAIN();
