#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <numeric>
#include <ostream>
#include <random>
#include <streambuf>
#include <vector>

#ifdef SATPHASE_HAVE_CADICAL
#include <cadical.hpp>

#include "solver/backbone.h"
#include "solver/learned_clause_counter.h"
#endif

#include "classic/experiment/report.h"
#include "classic/experiment/trial_runner.h"
#include "classic/formula/formula.h"
#include "classic/random/formula_generator.h"
#include "classic/random/random_source.h"
#include "classic/solver/search.h"
#include "platform/tone.h"
#include "random/classic_generator.h"
#include "random/formula_source.h"
#include "random/uniform_generator.h"
#include "random/xoshiro_stream.h"
#include "solver/probsat.h"
#include "solver/solution_count.h"
#include "solver/solver_kind.h"
#include "solver/trail_search.h"
#include "solver/walksat.h"
#include "sweep/sweep.h"
#include "sweep/sweep_plan.h"

namespace satphase {

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

// The sweeps' generator on the same shape as BM_GenerateFormula, at a size
// beyond the classic cap, and close to every distinct clause there is (10
// variables hold 960), where completions are often drawn again.
void BM_ClassicGenerator(benchmark::State& state) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const auto clauses = static_cast<std::int32_t>(state.range(1));
    ClassicGenerator generator(vars, clauses);
    Formula formula;
    formula.clauses.reserve(static_cast<std::size_t>(clauses));
    RandomStream stream(kRngInitialState);
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        generator.generate(vars, clauses, stream, formula);
        benchmark::DoNotOptimize(formula.clauses.data());
    }
}
BENCHMARK(BM_ClassicGenerator)
    ->Args({40, 180})
    ->Args({400, 1704})
    ->Args({10, 600})
    ->Unit(benchmark::kMicrosecond);

// The same 50 formulas of 40 variables at ratio 4.5, near the hardest point.
void BM_SolveBatch(benchmark::State& state) {
    rngState = kRngInitialState;
    static std::vector<::Formula> batch;
    if (batch.empty()) {
        for (int i = 0; i < 50; ++i) {
            batch.push_back(generateFormula(40, 180));
        }
    }
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const ::Formula& formula : batch) {
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

// A whole sweep as the program runs it, its records written to a scratch
// file: the engine, the generator and the threads.
void timeSweep(benchmark::State& state, const char* vars, const char* ratios, std::int32_t trials) {
    SweepRequest request;
    parseSizes(vars, request.definition.vars);
    parseRatios(ratios, request.definition.ratios);
    request.definition.trials = trials;
    request.definition.seed = kRngInitialState;
    request.jobs = static_cast<std::int32_t>(state.range(0));
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() /
        ("satphase-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directory(folder);
    request.output = {OutputFormat::Csv, std::nullopt, (folder / "records.csv").string()};
    SweepObserver quiet;
    const std::atomic<bool> stop{false};
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        const SweepReport report = runSweep(request, quiet, stop);
        if (report.failure) {
            state.SkipWithError(report.failure->what.c_str());
            break;
        }
        state.PauseTiming();
        std::filesystem::remove(request.output.path);
        state.ResumeTiming();
    }
    std::filesystem::remove_all(folder);
}

// The classic grid as a sweep, beside BM_WholeReport.
void BM_SweepClassicGrid(benchmark::State& state) {
    timeSweep(state, "10,20,30,40", "2,3,4,4.5,5,6,7,8", 301);
}
BENCHMARK(BM_SweepClassicGrid)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// A sweep whose time goes to 40 and 50 variables near the threshold.
void BM_SweepNearThreshold(benchmark::State& state) {
    timeSweep(state, "40,50", "4,4.26,4.5,5", 301);
}
BENCHMARK(BM_SweepNearThreshold)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Time per step of the sweep engine at ratio 4.26, by size: the same 101
// formulas each time, decided one after another.
void BM_StepTime(benchmark::State& state) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const auto clauses = static_cast<std::int32_t>(Ratio{4260000}.clausesFor(vars));
    ClassicGenerator generator(vars, clauses);
    std::vector<Formula> formulas(101);
    RandomStream stream(kRngInitialState);
    for (Formula& formula : formulas) {
        generator.generate(vars, clauses, stream, formula);
    }
    TrailSearch search(vars, clauses);
    std::uint64_t steps = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const Formula& formula : formulas) {
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
    const auto clauses = static_cast<std::int32_t>(std::lround(shape.ratio * shape.vars));
    FormulaSource source(shape.vars, clauses);
    std::vector<Formula> formulas(101);
    RandomStream stream(kRngInitialState);
    for (Formula& formula : formulas) {
        source.draw({FormulaModel::Uniform, k}, shape.vars, clauses, stream, formula);
    }
    TrailSearch search(shape.vars, clauses, k);
    std::uint64_t steps = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const Formula& formula : formulas) {
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
// One cell of `trials` formulas of `vars` variables at ratio 4.26, drawn from
// a sweep's default stream (the formulas `satphase sweep --vars N --ratios
// 4.26` draws), decided with `kind` on this thread, drawing included. Shows
// the median and mean cost per formula and the cell's time.
void decideCell(benchmark::State& state, SolverKind kind, std::int32_t trials) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const auto clauses = static_cast<std::int32_t>(Ratio{4260000}.clausesFor(vars));
    ClassicGenerator generator(vars, clauses);
    FormulaDecider decider(vars, clauses);
    Formula formula;
    formula.clauses.reserve(static_cast<std::size_t>(clauses));
    std::vector<std::uint64_t> costs(static_cast<std::size_t>(trials));
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        RandomStream stream(kRngInitialState);
        for (std::uint64_t& cost : costs) {
            generator.generate(vars, clauses, stream, formula);
            cost = decider.decide(kind, formula).cost;
        }
    }
    const double mean = static_cast<double>(std::accumulate(costs.begin(), costs.end(), 0ULL)) /
                        static_cast<double>(costs.size());
    std::nth_element(costs.begin(), costs.begin() + trials / 2, costs.end());
    state.counters["median_cost"] =
        static_cast<double>(costs[static_cast<std::size_t>(trials / 2)]);
    state.counters["mean_cost"] = mean;
}

// Issue 20's speed marks: a cell of 301 formulas at 4.26, dpll at 100
// variables and cdcl at 150, each to take under 2 s.
void BM_DpllCell(benchmark::State& state) {
    decideCell(state, SolverKind::Dpll, 301);
}
BENCHMARK(BM_DpllCell)->Arg(100)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// How cost and time grow with the size: 101 formulas per cell, as
// scripts/cost-growth does for the splitting search.
void BM_DpllGrowth(benchmark::State& state) {
    decideCell(state, SolverKind::Dpll, 101);
}
BENCHMARK(BM_DpllGrowth)->DenseRange(20, 150, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

// The look-ahead solver's mark: a cell of 301 formulas at 4.26 and 150
// variables under 2 s on one thread.
void BM_LookaheadCell(benchmark::State& state) {
    decideCell(state, SolverKind::Lookahead, 301);
}
BENCHMARK(BM_LookaheadCell)->Arg(150)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

// The median time per formula, which the solvers' side-by-side table
// compares: `trials` formulas of the sweep's default cell at 4.26, drawn
// beforehand, each decided and timed alone with `kind`, in processor time
// (on a shared machine the wall clock counts the others' work too). Shows
// the median and quartile milliseconds per formula and the median cost.
void timeFormulas(benchmark::State& state, SolverKind kind, std::int32_t trials) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const auto clauses = static_cast<std::int32_t>(Ratio{4260000}.clausesFor(vars));
    ClassicGenerator generator(vars, clauses);
    RandomStream stream(kRngInitialState);
    std::vector<Formula> formulas(static_cast<std::size_t>(trials));
    for (Formula& formula : formulas) {
        generator.generate(vars, clauses, stream, formula);
    }
    const SolverKind only[] = {kind};
    FormulaDecider decider(vars, clauses, only);
    std::vector<double> milliseconds;
    std::vector<std::uint64_t> costs;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const Formula& formula : formulas) {
            const std::clock_t start = std::clock();
            costs.push_back(decider.decide(kind, formula).cost);
            milliseconds.push_back(1000.0 * static_cast<double>(std::clock() - start) /
                                   CLOCKS_PER_SEC);
        }
    }
    const auto quantile = [](auto values, double q) {
        const auto at = static_cast<std::size_t>(q * static_cast<double>(values.size() - 1));
        std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(at),
                         values.end());
        return static_cast<double>(values[at]);
    };
    state.counters["median_ms"] = quantile(milliseconds, 0.5);
    state.counters["q1_ms"] = quantile(milliseconds, 0.25);
    state.counters["q3_ms"] = quantile(milliseconds, 0.75);
    state.counters["median_cost"] = quantile(costs, 0.5);
}

// Growth by tens, 51 formulas per size, each solver from 50 variables to
// where a size still takes it about a minute: scripts/solver-times draws them.
void BM_LookaheadTime(benchmark::State& state) {
    timeFormulas(state, SolverKind::Lookahead, 51);
}
BENCHMARK(BM_LookaheadTime)->DenseRange(50, 300, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_DpllTime(benchmark::State& state) {
    timeFormulas(state, SolverKind::Dpll, 51);
}
BENCHMARK(BM_DpllTime)->DenseRange(50, 200, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SplittingTime(benchmark::State& state) {
    timeFormulas(state, SolverKind::Splitting, 51);
}
BENCHMARK(BM_SplittingTime)->DenseRange(50, 100, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

// ---- Local search ---------------------------------------------------------------

// Flips per second of a local-search engine on one uniform 3-SAT formula of N
// variables at ratio 4.2, drawn beforehand from the default seed: each
// iteration one search of at most 10^7 flips from the next seed, the engine's
// set-up for the formula (load) included. A search that solves the formula
// early counts the flips it made.
template <typename Engine>
void localSearchFlips(benchmark::State& state) {
    constexpr std::uint64_t kFlipBudget = 10000000;
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const auto clauses = static_cast<std::int32_t>(std::lround(4.2 * vars));
    Formula formula;
    RandomStream stream(kRngInitialState);
    drawUniformFormula(3, vars, clauses, stream, formula);
    Engine engine(vars, clauses);
    std::uint64_t flips = 0;
    std::uint64_t seed = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        flips += engine.solve(formula, ++seed, kFlipBudget).flips;
    }
    state.counters["flips_per_s"] =
        benchmark::Counter(static_cast<double>(flips), benchmark::Counter::kIsRate);
    state.counters["flips"] =
        benchmark::Counter(static_cast<double>(flips), benchmark::Counter::kAvgIterations);
}

void BM_ProbsatFlips(benchmark::State& state) {
    localSearchFlips<ProbSat>(state);
}
BENCHMARK(BM_ProbsatFlips)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

void BM_WalksatFlips(benchmark::State& state) {
    localSearchFlips<WalkSat>(state);
}
BENCHMARK(BM_WalksatFlips)
    ->RangeMultiplier(10)
    ->Range(1000, 1000000)
    ->Unit(benchmark::kMillisecond);

// Literals per second drawing uniform 3-SAT of N variables at ratio 4.2 into
// a formula whose storage is reused, as a sweep's thread reuses it: one
// formula is drawn before the timing, so that the system's first touch of
// the storage (a third of a second at a million variables) is left out.
void BM_DrawUniform(benchmark::State& state) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const auto clauses = static_cast<std::int32_t>(std::lround(4.2 * vars));
    Formula formula;
    RandomStream stream(kRngInitialState);
    drawUniformFormula(3, vars, clauses, stream, formula);
    std::uint64_t literals = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        drawUniformFormula(3, vars, clauses, stream, formula);
        benchmark::DoNotOptimize(formula.clauses.data());
        literals += 3 * static_cast<std::uint64_t>(clauses);
    }
    state.counters["literals_per_s"] =
        benchmark::Counter(static_cast<double>(literals), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DrawUniform)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

// The local search's stream beside the generators' Park–Miller stream: draws
// of a number below 4200 (an unsatisfied list's length) per second.
template <typename Stream>
void randomDraws(benchmark::State& state, Stream stream) {
    std::uint64_t sum = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (int i = 0; i < 1000; ++i) {
            sum += static_cast<std::uint64_t>(stream.below(4200));
        }
    }
    benchmark::DoNotOptimize(sum);
    state.counters["draws_per_s"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * 1000, benchmark::Counter::kIsRate);
}

void BM_DrawsXoshiro(benchmark::State& state) {
    randomDraws(state, XoshiroStream(1));
}
BENCHMARK(BM_DrawsXoshiro);

void BM_DrawsParkMiller(benchmark::State& state) {
    randomDraws(state, RandomStream(kRngInitialState));
}
BENCHMARK(BM_DrawsParkMiller);

#ifdef SATPHASE_HAVE_CADICAL
void BM_CdclTime(benchmark::State& state) {
    timeFormulas(state, SolverKind::Cdcl, 51);
}
BENCHMARK(BM_CdclTime)->DenseRange(50, 250, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_CdclCell(benchmark::State& state) {
    decideCell(state, SolverKind::Cdcl, 301);
}
BENCHMARK(BM_CdclCell)->Arg(150)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(3);

void BM_CdclGrowth(benchmark::State& state) {
    decideCell(state, SolverKind::Cdcl, 101);
}
BENCHMARK(BM_CdclGrowth)->DenseRange(20, 250, 10)->Unit(benchmark::kMillisecond)->Iterations(1);

// A fresh CaDiCaL per formula (what Cdcl does) against one CaDiCaL kept for
// a whole cell: formula i's clauses are added with an extra literal ~a_i,
// decided assuming a_i, and then switched off for good by the unit ~a_i.
// The same 101 formulas at ratio 4.26 each time, drawn beforehand.
std::vector<Formula> thresholdFormulas(std::int32_t vars, std::int32_t count) {
    const auto clauses = static_cast<std::int32_t>(Ratio{4260000}.clausesFor(vars));
    ClassicGenerator generator(vars, clauses);
    RandomStream stream(kRngInitialState);
    std::vector<Formula> formulas(static_cast<std::size_t>(count));
    for (Formula& formula : formulas) {
        generator.generate(vars, clauses, stream, formula);
    }
    return formulas;
}

void addClauses(CaDiCaL::Solver& solver, const Formula& formula, int activation) {
    for (const Clause& clause : formula.clauses) {
        if (activation != 0) {
            solver.add(-activation);
        }
        for (std::int32_t k = 0; k < clause.size; ++k) {
            solver.add(clause.lits[k].dimacs());
        }
        solver.add(0);
    }
}

void BM_CdclFresh(benchmark::State& state) {
    const std::vector<Formula> formulas =
        thresholdFormulas(static_cast<std::int32_t>(state.range(0)), 101);
    std::uint64_t conflicts = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const Formula& formula : formulas) {
            CaDiCaL::Solver solver;
            setCdclOptions(solver);
            LearnedClauseCounter learner;
            solver.connect_learner(&learner);
            addClauses(solver, formula, 0);
            benchmark::DoNotOptimize(solver.solve());
            conflicts += learner.count;
        }
    }
    state.counters["conflicts"] =
        benchmark::Counter(static_cast<double>(conflicts), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CdclFresh)->Arg(50)->Arg(150)->Unit(benchmark::kMillisecond);

void BM_CdclReused(benchmark::State& state) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const std::vector<Formula> formulas = thresholdFormulas(vars, 101);
    std::vector<int> fresh;
    for (const Formula& formula : formulas) {
        CaDiCaL::Solver solver;
        setCdclOptions(solver);
        addClauses(solver, formula, 0);
        fresh.push_back(solver.solve());
    }
    std::uint64_t conflicts = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        CaDiCaL::Solver solver;
        setCdclOptions(solver);
        LearnedClauseCounter learner;
        solver.connect_learner(&learner);
        for (std::size_t i = 0; i < formulas.size(); ++i) {
            const int activation = vars + 1 + static_cast<int>(i);
            addClauses(solver, formulas[i], activation);
            solver.assume(activation);
            if (solver.solve() != fresh[i]) {
                state.SkipWithError("a reused solver's verdict differs");
                return;
            }
            solver.add(-activation);
            solver.add(0);
        }
        conflicts += learner.count;
    }
    state.counters["conflicts"] =
        benchmark::Counter(static_cast<double>(conflicts), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CdclReused)->Arg(50)->Arg(150)->Unit(benchmark::kMillisecond);

// The backbone of satisfiable uniform 3-SAT formulas at ratio 4.0: the
// first 51 satisfiable ones the stream draws at the size, each found alone
// and timed in processor time. Shows the median and quartile milliseconds
// and the mean number of solver calls.
void BM_BackboneTime(benchmark::State& state) {
    const auto vars = static_cast<std::int32_t>(state.range(0));
    const std::int32_t clauses = 4 * vars;
    BackboneFinder finder(vars, clauses);
    RandomStream stream(kRngInitialState);
    std::vector<Formula> formulas;
    Formula formula;
    while (formulas.size() < 51) {
        drawUniformFormula(3, vars, clauses, stream, formula);
        if (finder.find(formula).satisfiable) {
            formulas.push_back(formula);
        }
    }
    std::vector<double> milliseconds;
    double calls = 0;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const Formula& satisfiable : formulas) {
            const std::clock_t start = std::clock();
            calls += finder.find(satisfiable).calls;
            milliseconds.push_back(1000.0 * static_cast<double>(std::clock() - start) /
                                   CLOCKS_PER_SEC);
        }
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto at = [&](double q) {
        return milliseconds[static_cast<std::size_t>(q *
                                                     static_cast<double>(milliseconds.size() - 1))];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["q1_ms"] = at(0.25);
    state.counters["q3_ms"] = at(0.75);
    state.counters["mean_calls"] = calls / static_cast<double>(milliseconds.size());
}
BENCHMARK(BM_BackboneTime)
    ->Arg(50)
    ->Arg(100)
    ->Arg(150)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
#endif

// ---- Counting solutions ---------------------------------------------------------

// The exact solution counter on 21 uniform 3-SAT formulas of 64 variables at
// ratio range(0) / 100, drawn beforehand, each counted and timed alone in
// processor time. Shows the median milliseconds and nodes per formula.
void BM_CountTime(benchmark::State& state) {
    constexpr std::int32_t kVars = 64;
    const auto clauses = static_cast<std::int32_t>(state.range(0) * kVars / 100);
    RandomStream stream(kRngInitialState);
    std::vector<Formula> formulas(21);
    for (Formula& formula : formulas) {
        drawUniformFormula(3, kVars, clauses, stream, formula);
    }
    SolutionCounter counter(kVars, clauses);
    std::vector<double> milliseconds;
    std::vector<std::uint64_t> nodes;
    for (auto _ : state) {  // NOLINT(clang-analyzer-deadcode.DeadStores): the loop idiom
        for (const Formula& formula : formulas) {
            const std::clock_t start = std::clock();
            nodes.push_back(counter.count(formula).nodes);
            milliseconds.push_back(1000.0 * static_cast<double>(std::clock() - start) /
                                   CLOCKS_PER_SEC);
        }
    }
    std::nth_element(milliseconds.begin(), milliseconds.begin() + 10, milliseconds.end());
    std::nth_element(nodes.begin(), nodes.begin() + 10, nodes.end());
    state.counters["median_ms"] = milliseconds[10];
    state.counters["median_nodes"] = static_cast<double>(nodes[10]);
}
BENCHMARK(BM_CountTime)
    ->Arg(100)
    ->Arg(200)
    ->Arg(300)
    ->Arg(426)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace

}  // namespace satphase
