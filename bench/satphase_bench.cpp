#include <benchmark/benchmark.h>

#include <cstdint>
#include <ostream>
#include <streambuf>
#include <vector>

#include "experiment/report.h"
#include "experiment/trial_runner.h"
#include "formula/formula.h"
#include "platform/tone.h"
#include "random/cnf_generator.h"
#include "random/formula_generator.h"
#include "random/formula_source.h"
#include "random/random_source.h"
#include "solver/search.h"
#include "solver/trail_search.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

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

// A whole sweep, nothing written: the engine, the generator and the threads.
void runSweep(benchmark::State& state, const char* vars, const char* ratios, std::int32_t trials) {
    SweepDefinition definition;
    parseSizes(vars, definition.vars);
    parseRatios(ratios, definition.ratios);
    definition.trials = trials;
    definition.seed = kRngInitialState;
    const std::vector<SweepCell> cells = cellsOf(definition);
    const auto jobs = static_cast<std::int32_t>(state.range(0));
    SweepRunner runner(cells, trials, SweepRunner::Options{jobs, 0});
    SweepRunner::Hooks hooks;
    hooks.finished = [](const FinishedCell& cell) { benchmark::DoNotOptimize(cell.summary); };
    const std::atomic<bool> stop{false};
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        SweepProgress progress;
        runner.run(definition.seed, hooks, stop, progress);
    }
}

// The classic grid as a sweep, beside BM_WholeReport.
void BM_SweepClassicGrid(benchmark::State& state) {
    runSweep(state, "10,20,30,40", "2,3,4,4.5,5,6,7,8", 301);
}
BENCHMARK(BM_SweepClassicGrid)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A sweep whose time goes to 40 and 50 variables near the threshold.
void BM_SweepNearThreshold(benchmark::State& state) {
    runSweep(state, "40,50", "4,4.26,4.5,5", 301);
}
BENCHMARK(BM_SweepNearThreshold)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Time per step of the sweep engine at ratio 4.26, by size: the same 101
// formulas each time, decided one after another.
void BM_StepTime(benchmark::State& state) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const auto clauses = static_cast<std::int32_t>(Ratio{4260000}.clausesFor(vars));
    CnfGenerator generator(vars, clauses);
    std::vector<CnfFormula> formulas(101);
    RandomStream stream(kRngInitialState);
    for (CnfFormula& formula : formulas) {
        generator.generate(vars, clauses, stream, formula);
    }
    TrailSearch search(vars, clauses);
    std::uint64_t steps = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const CnfFormula& formula : formulas) {
            steps += search.decide(formula).steps;
        }
    }
    // Seconds per billion steps: nanoseconds per step.
    state.counters["ns_per_step"] =
        benchmark::Counter(static_cast<double>(steps) / 1e9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StepTime)->Arg(40)->Arg(60)->Arg(80)->Unit(benchmark::kMillisecond);

// Time per step on uniform k-CNF at each k's threshold ratio, at sizes where
// a formula takes some ten thousand steps: the same 101 formulas each time.
// At the threshold a literal occurs in k * ratio / 2 clauses, and a step
// reads the k literals of each clause of the literal it sets and its negation.
void BM_UniformStepTime(benchmark::State& state) {
    struct Shape {
        std::int32_t vars;
        double ratio;
    };
    const Shape shapes[] = {{},          {},           {300, 1.0},  {60, 4.267},
                            {40, 9.931}, {30, 21.117}, {24, 43.37}, {20, 87.79}};
    const auto k = static_cast<std::int32_t>(state.range(0));
    const Shape shape = shapes[k];
    const auto clauses = static_cast<std::int32_t>(shape.ratio * shape.vars + 0.5);
    FormulaSource source(shape.vars, clauses);
    std::vector<CnfFormula> formulas(101);
    RandomStream stream(kRngInitialState);
    for (CnfFormula& formula : formulas) {
        source.draw(FormulaModel::Uniform, k, shape.vars, clauses, stream, formula);
    }
    TrailSearch search(shape.vars, clauses, k);
    std::uint64_t steps = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const CnfFormula& formula : formulas) {
            steps += search.decide(formula).steps;
        }
    }
    state.counters["steps"] =
        benchmark::Counter(static_cast<double>(steps) / 101, benchmark::Counter::kAvgIterations);
    state.counters["ns_per_step"] =
        benchmark::Counter(static_cast<double>(steps) / 1e9,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_UniformStepTime)->DenseRange(2, 7)->Unit(benchmark::kMillisecond);

}  // namespace
