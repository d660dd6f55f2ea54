#include "sweep/formula_draw.h"

#include <algorithm>
#include <cassert>

namespace satphase {

bool drawFormula(const SweepDefinition& definition, const SweepCell& cell, std::int32_t clauses,
                 FormulaSource& source, RandomStream& stream, Formula& out) {
    assert(!widthProblem(definition.kind));
    return source.draw(definition.kind, cell.vars, clauses, stream, out);
}

bool drawsSatisfiableFormulas(const SweepDefinition& definition) {
    return definition.kind.model == FormulaModel::Planted ||
           definition.kind.model == FormulaModel::TwoHidden;
}

ReplayOutcome replayDraws(const SweepDefinition& definition, std::span<const SweepCell> cells,
                          std::int32_t lastCell, const std::atomic<bool>& stop,
                          const std::function<bool(const SweepCell&, std::int32_t trial,
                                                   std::int32_t startState)>& visit) {
    assert(lastCell < static_cast<std::int32_t>(cells.size()));
    if (lastCell < 0) {
        return ReplayOutcome::Completed;
    }
    const auto replayed = cells.first(static_cast<std::size_t>(lastCell) + 1);
    std::int32_t maxVars = 1;
    std::int32_t maxClauses = 1;
    for (const SweepCell& cell : replayed) {
        maxVars = std::max(maxVars, cell.vars);
        maxClauses = std::max(maxClauses, cell.clauses);
    }
    FormulaSource source(maxVars, maxClauses, definition.kind.model);
    Formula formula;
    formula.clauses.reserve(static_cast<std::size_t>(maxClauses));
    RandomStream stream(definition.seed);
    for (const SweepCell& cell : replayed) {
        for (std::int32_t trial = 0; trial < definition.trials; ++trial) {
            if (stop.load(std::memory_order_relaxed)) {
                return ReplayOutcome::Stopped;
            }
            if (!visit(cell, trial, stream.state())) {
                return ReplayOutcome::Stopped;
            }
            if (!drawFormula(definition, cell, cell.clauses, source, stream, formula)) {
                return ReplayOutcome::GenerationFailed;
            }
        }
    }
    return ReplayOutcome::Completed;
}

}  // namespace satphase
