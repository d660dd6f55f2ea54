#include <benchmark/benchmark.h>

#include <cstdint>
#include <ostream>
#include <streambuf>
#include <vector>

#include "experiment/report.h"
#include "experiment/trial_runner.h"
#include "formula/formula.h"
#include "platform/tone.h"
#include "random/formula_generator.h"
#include "random/random_source.h"
#include "solver/search.h"

namespace {

// Accepts and drops everything, so that printing costs next to nothing and never fails.
class DiscardBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char* /*text*/, std::streamsize count) override { return count; }
};

void BM_GenerateFormula(benchmark::State& state) {
    rngState = kRngInitialState;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        benchmark::DoNotOptimize(generateFormula(40, 180));
    }
}
BENCHMARK(BM_GenerateFormula)->Unit(benchmark::kMicrosecond);

// The same 50 formulas of 40 variables at ratio 4.5, near the hardest point.
void BM_SolveBatch(benchmark::State& state) {
    rngState = kRngInitialState;
    static std::vector<Formula> batch;
    if (batch.empty()) {
        for (int i = 0; i < 50; ++i) {
            batch.push_back(generateFormula(40, 180));
        }
    }
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const Formula& formula : batch) {
            benchmark::DoNotOptimize(solve(formula));
        }
    }
}
BENCHMARK(BM_SolveBatch)->Unit(benchmark::kMillisecond);

void BM_Cell(benchmark::State& state) {
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        rngState = kRngInitialState;
        benchmark::DoNotOptimize(runTrials(40, 180));
    }
}
BENCHMARK(BM_Cell)->Unit(benchmark::kMillisecond);

void BM_WholeReport(benchmark::State& state) {
    DiscardBuffer discard;
    std::ostream out(&discard);
    SilentTone tone;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        rngState = kRngInitialState;
        runExperiment(tone, out);
    }
}
BENCHMARK(BM_WholeReport)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
