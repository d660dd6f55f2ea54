#include "sweep/verdict_check.h"

#include <cassert>

#include "sweep/formula_draw.h"

namespace satphase {

namespace {

// What is wrong with trial `at`'s verdicts, if anything: the solvers among
// themselves first, then the measures against them.
std::optional<std::string> trialProblem(const SweepDefinition& definition,
                                        const FormulaResult& result,
                                        const std::array<SolverResult, kSolverCount>& verdicts,
                                        bool measuresSplit) {
    if (auto problem = disagreement(std::span(verdicts).first(definition.solvers.size()))) {
        return problem;
    }
    if (!definition.measures.any()) {
        return std::nullopt;
    }
    if (measuresSplit) {
        return "the backbone and the count of solutions differ on whether it is satisfiable";
    }
    if (result.measuredSatisfiable != result.satisfiable) {
        return std::string("the measures call it ") +
               (result.measuredSatisfiable ? "satisfiable" : "unsatisfiable") + ", the solvers not";
    }
    return std::nullopt;
}

}  // namespace

std::optional<VerdictFault> verdictFault(
    const SweepDefinition& definition, std::span<const FormulaResult> formulas,
    std::span<const std::array<SolverResult, kSolverCount>> verdicts,
    std::span<const std::uint8_t> measuresSplit) {
    assert(verdicts.size() == formulas.size() && measuresSplit.size() == formulas.size());
    for (std::size_t trial = 0; trial < formulas.size(); ++trial) {
        if (auto problem = trialProblem(definition, formulas[trial], verdicts[trial],
                                        measuresSplit[trial] != 0)) {
            return VerdictFault{VerdictFault::Kind::Disagreed, static_cast<std::int32_t>(trial),
                                std::move(*problem)};
        }
    }
    // Local searches alone call no formula unsatisfiable.
    if (!drawsSatisfiableFormulas(definition) || !decidesFormulas(definition)) {
        return std::nullopt;
    }
    for (std::size_t trial = 0; trial < formulas.size(); ++trial) {
        if (!formulas[trial].satisfiable) {
            return VerdictFault{
                VerdictFault::Kind::PlantedUnsatisfiable, static_cast<std::int32_t>(trial), {}};
        }
    }
    return std::nullopt;
}

}  // namespace satphase
