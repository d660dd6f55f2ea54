// The whole classic report checked against CaDiCaL, an independent solver,
// and against the sweep's engine. Beyond the classic sizes the sweep's
// records are held against picosat (program_test.cpp) and the engine
// against a plain reference search (trail_search_test.cpp).
#include <algorithm>
#include <cadical.hpp>
#include <tuple>

#include "dimacs/cnf_decision.h"
#include "experiment/grid.h"
#include "experiment/report.h"
#include "experiment/trial_runner.h"
#include "random/cnf_generator.h"
#include "solver/trail_search.h"
#include "test_support.h"

namespace {

bool cadicalFindsSatisfiable(const CnfFormula& formula) {
    CaDiCaL::Solver reference;
    for (const CnfClause& clause : formula.clauses) {
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const CnfLiteral lit = clause.lits[k];
            reference.add(isNegated(lit) ? -(variableOf(lit) + 1) : variableOf(lit) + 1);
        }
        reference.add(0);
    }
    return reference.solve() == 10;
}

// Decides `formula` with `search` and holds the verdict against CaDiCaL's and
// the model against the clauses; returns the outcome.
TrailSearch::Outcome decideChecked(TrailSearch& search, const CnfFormula& formula) {
    const TrailSearch::Outcome outcome = search.decide(formula);
    EXPECT_EQ(outcome.satisfiable, cadicalFindsSatisfiable(formula));
    if (outcome.satisfiable) {
        EXPECT_EQ(firstFalseClause(formula, search.model()), std::nullopt);
    }
    return outcome;
}

// Sounds no tone: at each row's tone, just after the cell's trials, it draws
// the cell's formulas again from the cell's start state with the sweep's
// generator, and decides them with the sweep's search and with CaDiCaL.
class CheckingTone : public Tone {
  public:
    explicit CheckingTone(const std::ostringstream& out) : out_(out) {}
    void sound(int frequencyHz, int durationMs) override {
        tones.emplace_back(frequencyHz, durationMs, out_.str().size());
        if (frequencyHz != kRowToneHz) {
            return;
        }
        const std::int32_t numVars = sizeTable[cell_ / kRatioCount];
        const std::int32_t numClauses = clausesFor(ratioTable[cell_ % kRatioCount], numVars);
        ++cell_;
        RandomStream stream(cellStart_);
        std::vector<std::int16_t> steps;
        int unsatisfiable = 0;
        for (int trial = 0; trial < kTrials; ++trial) {
            EXPECT_TRUE(
                generator_.generate(numVars, std::min(numClauses, kMaxClauses), stream, formula_));
            const TrailSearch::Outcome outcome = decideChecked(search_, formula_);
            steps.push_back(static_cast<std::int16_t>(outcome.steps));
            unsatisfiable += outcome.satisfiable ? 0 : 1;
        }
        // The same draws, and the classic search's step counts, sorted by the run.
        EXPECT_EQ(stream.state(), rngState) << numVars << "/" << numClauses;
        std::sort(steps.begin(), steps.end());
        EXPECT_TRUE(std::equal(steps.begin(), steps.end(), trialSteps))
            << numVars << "/" << numClauses;
        contradictions.push_back(std::to_string(unsatisfiable));
        cellStart_ = rngState;
    }
    std::vector<std::tuple<int, int, std::size_t>> tones;  // with the output's size then
    std::vector<std::string> contradictions;

  private:
    const std::ostringstream& out_;
    int cell_ = 0;
    std::int32_t cellStart_ = kRngInitialState;
    CnfGenerator generator_{40, kMaxClauses};
    TrailSearch search_{40, kMaxClauses};
    CnfFormula formula_;
};

// The whole classic report, once: its exact bytes, a tone before each row
// and a longer one after the last table, the sweep engine's verdicts and
// step counts equal to the classic search's on every formula, and the
// Contradictions column equal to CaDiCaL's count.
TEST(CadicalCrossCheck, TheWholeReportWithEveryFormulaDecidedAgain) {
    rngState = kRngInitialState;
    std::ostringstream out;
    CheckingTone tone(out);
    runExperiment(tone, out);
    const std::string report = test_support::expectedReport();
    ASSERT_EQ(out.str(), report);

    std::vector<std::tuple<int, int, std::size_t>> expected;
    std::vector<std::string> column;
    for (std::size_t at = 0; at < report.size(); at = report.find('\n', at) + 1) {
        if (const std::size_t gap = report.find("      ", at); std::isdigit(report[at]) != 0) {
            expected.emplace_back(kRowToneHz, kRowToneMs, at);
            column.push_back(report.substr(gap + 6, report.find(' ', gap + 6) - gap - 6));
        }
    }
    expected.emplace_back(kFinalToneHz, kFinalToneMs, report.size());
    EXPECT_EQ(tone.tones, expected);
    EXPECT_EQ(tone.contradictions, column);
    rngState = kRngInitialState;
}

}  // namespace
