// Counts every call of the global allocation functions: the classic program's
// own code never allocates, a sweep only when it is set up. Output goes to a
// fixed buffer, which keeps the standard library's stream internals out of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <ostream>
#include <streambuf>
#include <utility>
#include <vector>

#include "classic/diagnostics/random_tests.h"
#include "classic/diagnostics/sample_formula.h"
#include "classic/diagnostics/variable_coverage.h"
#include "classic/experiment/report.h"
#include "classic/experiment/trial_runner.h"
#include "classic/random/formula_generator.h"
#include "classic/random/random_source.h"
#include "classic/solver/search.h"
#include "platform/tone.h"
#include "random/uniform_generator.h"
#include "solver/probsat.h"
#include "solver/solution_count.h"
#include "solver/walksat.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace {
// Counted from the sweep's threads too.
std::atomic<std::size_t> allocations{0};

void* allocate(std::size_t size) {
    ++allocations;
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t& /*tag*/) noexcept {
    ++allocations;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t /*size*/) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t /*size*/) noexcept {
    std::free(block);
}

namespace satphase {
namespace {

// Takes the text into a fixed array and drops what does not fit.
class FixedBuffer : public std::streambuf {
  public:
    FixedBuffer() { setp(text_, text_ + sizeof text_); }

  protected:
    int_type overflow(int_type c) override {
        setp(text_, text_ + sizeof text_);  // start over: only the absence of allocation matters
        return traits_type::not_eof(c);
    }

  private:
    char text_[1 << 16] = {};
};

TEST(NoHeapTest, GeneratingSolvingReportingAndDiagnosticsAllocateNothing) {
    FixedBuffer buffer;
    std::ostream out(&buffer);
    out << 1.5 << 42 << "warm-up\n";  // the stream's first use may set itself up
    SilentTone tone;
    rngState = kRngInitialState;

    const std::size_t before = allocations;
    for (int i = 0; i < 20; ++i) {
        solve(generateFormula(40, 180));
    }
    runTrials(20, 90);
    reportForSize(10, tone, out);
    reportSingleRow(out);
    checkVariableCoverage(10, 40, 2, out);
    testDigitNumbers(200, 11, 0, out);
    listSortedRandoms(300, out);
    solveSampleFormula(out);
    rngState = 290138150;  // the next five draws below 40 are all 0
    std::fill(std::begin(trialTuple), std::end(trialTuple), 0);
    countTuplesUntilRepeat();
    EXPECT_EQ(allocations - before, 0U);
    EXPECT_TRUE(out.good());
    rngState = kRngInitialState;
    ::operator delete(::operator new(16));  // the counting sees an explicit call
    EXPECT_EQ(allocations - before, 1U);
}

TEST(NoHeapTest, ASweepAllocatesOnlyWhenItIsSetUp) {
    // The classic model, and the uniform and planted ones with their
    // rejection loops and hidden assignments, at clause lengths other than 3;
    // without solvers, and with all three of ours deciding every formula (the
    // engines sized once for the largest cell, then reused for smaller ones).
    for (const auto& [model, k] :
         {std::pair{FormulaModel::Classic, 3}, std::pair{FormulaModel::Uniform, 5},
          std::pair{FormulaModel::Planted, 4}}) {
        SweepDefinition definition;
        parseSizes("10,40,60", definition.vars);
        parseRatios(k == 3 ? "2,4.26,8" : "2,8", definition.ratios);
        definition.trials = 51;
        definition.kind.model = model;
        definition.kind.k = k;
        const std::vector<SweepCell> cells = cellsOf(definition);
        for (const std::int32_t jobs : {1, 2, -2}) {
            definition.solvers = {SolverKind::Splitting};
            definition.namesSolvers = jobs < 0;
            if (jobs < 0) {
                definition.solvers.insert(definition.solvers.end(),
                                          {SolverKind::Dpll, SolverKind::Lookahead});
            }
            SweepRunner runner(definition, cells, std::abs(jobs));
            SweepRunner::Hooks hooks;
            std::uint64_t steps = 0;
            hooks.finished = [&steps](const FinishedCell& cell) { steps += cell.summaries[0].max; };
            const std::atomic<bool> stop{false};
            SweepProgress progress;
            const std::size_t before = allocations;
            EXPECT_EQ(runner.run(64540, hooks, stop, progress), SweepRunner::Outcome::Completed);
            EXPECT_EQ(allocations - before, 0U) << modelName(model) << ", " << jobs << " jobs";
            EXPECT_GT(steps, 0U);
        }
    }
}

// The local-search engines and the solution counter, sized once: searches
// and counts on formulas of that size and smaller, solved or not, with many
// solutions, few or none, allocate nothing.
TEST(NoHeapTest, LocalSearchesAndCountingAllocateOnlyWhenSetUp) {
    ProbSat probsat(2000, 8400);
    WalkSat walksat(2000, 8400);
    SolutionCounter counter(64, 320);
    std::vector<Formula> formulas(6);
    RandomStream draws(kRngInitialState);
    drawUniformFormula(3, 2000, 8400, draws, formulas[4]);
    drawUniformFormula(3, 300, 900, draws, formulas[5]);
    for (std::size_t i = 0; i < 4; ++i) {
        drawUniformFormula(3, i < 3 ? 64 : 30, static_cast<std::int32_t>(64 + 64 * i), draws,
                           formulas[i]);
    }
    const std::size_t before = allocations;
    for (std::uint64_t seed = 1; seed <= 2; ++seed) {
        EXPECT_FALSE(probsat.solve(formulas[4], seed, 5000).solved);
        EXPECT_FALSE(walksat.solve(formulas[4], seed, 5000).solved);
        EXPECT_TRUE(probsat.solve(formulas[5], seed, 100000).solved);
        EXPECT_TRUE(walksat.solve(formulas[5], seed, 100000).solved);
    }
    SolutionCount total = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        total += counter.count(formulas[i]).solutions;
    }
    EXPECT_EQ(allocations - before, 0U);
    EXPECT_GT(total, 0U);
}

}  // namespace

}  // namespace satphase
