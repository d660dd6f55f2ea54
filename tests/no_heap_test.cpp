// Counts every call of the global allocation functions, to show that the
// classic program's own code never allocates, and that a sweep allocates only
// when it is set up, never while it draws and decides formulas. Output goes
// to a stream over a fixed buffer, so that the standard library's stream
// internals stay out of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <ostream>
#include <streambuf>

#include "diagnostics/random_tests.h"
#include "diagnostics/sample_formula.h"
#include "diagnostics/variable_coverage.h"
#include "experiment/report.h"
#include "experiment/trial_runner.h"
#include "platform/tone.h"
#include "random/cnf_generator.h"
#include "random/formula_generator.h"
#include "random/random_source.h"
#include "solver/dpll.h"
#include "solver/search.h"
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

TEST(NoHeapTest, CountingSeesAnAllocation) {
    const std::size_t before = allocations;
    ::operator delete(::operator new(16));  // an explicit call, which cannot be elided
    EXPECT_EQ(allocations, before + 1);
}

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
}

TEST(NoHeapTest, ASweepAllocatesOnlyWhenItIsSetUp) {
    SweepDefinition definition;
    parseSizes("10,40,60", definition.vars);
    parseRatios("2,4.26,8", definition.ratios);
    definition.trials = 51;
    const std::vector<SweepCell> cells = cellsOf(definition);
    // Without solvers, and with both of ours deciding every formula.
    for (const std::int32_t jobs : {1, 2, -2}) {
        definition.solvers.clear();
        if (jobs < 0) {
            definition.solvers = {SolverKind::Splitting, SolverKind::Dpll};
        }
        SweepRunner runner(definition, cells, SweepRunner::Options{std::abs(jobs), 0});
        SweepRunner::Hooks hooks;
        std::uint64_t steps = 0;
        hooks.finished = [&steps](const FinishedCell& cell) { steps += cell.summary.max; };
        const std::atomic<bool> stop{false};
        SweepProgress progress;
        const std::size_t before = allocations;
        EXPECT_EQ(runner.run(64540, hooks, stop, progress), SweepRunner::Outcome::Completed);
        EXPECT_EQ(allocations - before, 0U) << jobs << " jobs";
        EXPECT_GT(steps, 0U);
    }
}

// The DPLL engine sizes its storage when it is built; deciding formulas of
// any size up to that, satisfiable or not, allocates nothing.
TEST(NoHeapTest, DpllAllocatesOnlyWhenItIsBuilt) {
    CnfGenerator generator(80, 480);
    Dpll dpll(80, 480);
    CnfFormula formula;
    formula.clauses.reserve(480);
    RandomStream stream(64540);
    std::uint64_t branches = 0;
    const std::size_t before = allocations;
    for (const auto& [vars, clauses] : {std::pair{20, 60}, {80, 340}, {40, 240}, {80, 480}}) {
        for (int trial = 0; trial < 5; ++trial) {
            ASSERT_TRUE(generator.generate(vars, clauses, stream, formula));
            branches += dpll.decide(formula).branches;
        }
    }
    EXPECT_EQ(allocations - before, 0U);
    EXPECT_GT(branches, 0U);
}

}  // namespace
