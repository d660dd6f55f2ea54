#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formula/formula.h"
#include "random/clause_set.h"
#include "random/random_stream.h"

namespace satphase {

// Random 3-CNF formulas of the classic model (random/classic_model.h) within
// the limits of Formula, drawn exactly as generateFormula draws them but
// without its clause capacity: for every request within that capacity, the
// same stream state gives the same clauses in the same order.
//
// The generator owns its working storage, sized once by the largest request
// it will serve, so that generating allocates nothing.
class ClassicGenerator {
  public:
    ClassicGenerator(std::int32_t maxVars, std::int32_t maxClauses);

    // Why no formula of numVars variables and numClauses distinct full clauses
    // in which every variable occurs can be built, or nothing when one can.
    static std::optional<std::string> refusal(std::int64_t numVars, std::int64_t numClauses);

    // Why no formula of this size fits `limits` (the variables, the clauses),
    // or nothing when it does: the classic model's, and the other models'
    // for the task at hand.
    static std::optional<std::string> sizeRefusal(std::int64_t numVars, std::int64_t numClauses,
                                                  FormulaLimits limits = kDecidedLimits);

    // Fills `out` (its clause storage reused) with a formula of numClauses
    // clauses over numVars variables drawn from `stream`. The request must be
    // within the sizes given at construction and have no refusal. Always
    // completes the formula and returns true; when the draws leave a clause
    // that no distinct completion fits (only possible when the clauses asked
    // for are close to every distinct clause there is), it draws the formula
    // again from where the stream stands.
    bool generate(std::int32_t numVars, std::int32_t numClauses, RandomStream& stream,
                  Formula& out);

  private:
    void placeVariables(std::int32_t numVars, std::int32_t numClauses, RandomStream& stream,
                        Formula& out) const;
    bool fillClauses(std::int32_t numVars, RandomStream& stream, Formula& formula);
    // Whether every full clause that extends `placed` is in the formula already.
    bool everyCompletionTaken(std::int32_t numVars, const Clause& placed) const;

    // The keys of the formula's full clauses.
    ClauseSet<std::vector<PackedClause>> keys_;
    std::vector<std::uint64_t> sortKeys_;
    std::vector<Clause> sortScratch_;
};

}  // namespace satphase
