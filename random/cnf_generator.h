#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "formula/cnf_formula.h"
#include "random/random_stream.h"

// Random 3-CNF formulas of any size, drawn exactly as generateFormula draws
// them but without its clause capacity: for every request within that
// capacity, the same stream state gives the same clauses in the same order.
//
// The generator owns its working storage, sized once by the largest request
// it will serve, so that generating allocates nothing.
class CnfGenerator {
  public:
    CnfGenerator(std::int32_t maxVars, std::int32_t maxClauses);

    // Why no formula of numVars variables and numClauses distinct full clauses
    // in which every variable occurs can be built, or nothing when one can.
    static std::optional<std::string> refusal(std::int64_t numVars, std::int64_t numClauses);

    // Fills `out` (its clause storage reused) with a formula of numClauses
    // clauses over numVars variables drawn from `stream`. The request must be
    // within the sizes given at construction and have no refusal. Returns
    // false, with `out` unspecified, only when the draws leave a clause that
    // no distinct completion fits, which can happen only when the clauses
    // asked for are close to every distinct clause there is.
    bool generate(std::int32_t numVars, std::int32_t numClauses, RandomStream& stream,
                  CnfFormula& out);

  private:
    ...
};
