#include "solver/model_check.h"

namespace satphase {

std::optional<std::size_t> firstFalseClause(const Formula& formula,
                                            std::span<const std::int8_t> values) {
    for (std::size_t c = 0; c < formula.clauses.size(); ++c) {
        const Clause& clause = formula.clauses[c];
        bool satisfied = false;
        for (std::int32_t k = 0; k < clause.size; ++k) {
            const std::size_t variable = clause.lits[k].variable().index();
            satisfied = satisfied || (variable < values.size() &&
                                      values[variable] == (clause.lits[k].negated() ? 0 : 1));
        }
        if (!satisfied) {
            return c;
        }
    }
    return std::nullopt;
}

bool satisfies(const Formula& formula, std::span<const std::int8_t> model) {
    return model.size() == static_cast<std::size_t>(formula.numVars) &&
           !firstFalseClause(formula, model);
}

}  // namespace satphase
