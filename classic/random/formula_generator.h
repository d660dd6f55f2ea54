#pragma once

#include <cstdint>

#include "classic/formula/formula.h"

// Random 3-CNF formulas. Every choice is drawn from randomBelow in a fixed
// order, so the formulas of a run are a fixed function of the random state.

// 1 when generateFormula can be asked for this shape: at least 3 variables,
// at least one clause, room for every variable in the clauses
// (numVars <= 3 * min(numClauses, kMaxClauses)), and no more clauses than
// there are distinct full clauses over numVars variables; 0 otherwise.
int canGenerate(std::int32_t numVars, std::int32_t numClauses);

// A formula of min(numClauses, kMaxClauses) full clauses over distinct
// variables in which every variable occurs, no two clauses are equal, and the
// clauses stand in sortClauses order: placeVariables, then fillClauses.
//
// Refuses with a formula without clauses (lastClause -1, numVars 0): at once,
// drawing nothing, when canGenerate says no; after its draws when every
// completion of some clause is already present, which only a clause count
// near the number of distinct clauses makes possible.
Formula generateFormula(std::int32_t numVars, std::int32_t numClauses);

// The first phase: each variable once, with a random sign, in a random clause
// with room. The caller keeps within canGenerate.
Formula placeVariables(std::int32_t numVars, std::int32_t numClauses);

// The second phase: each clause that is not full is completed with random
// literals over variables below numVars, a completion equal to a full clause
// already present is drawn again, and the clauses are sorted. Refuses, as
// generateFormula does, when some clause has no free completion left.
Formula fillClauses(std::int32_t numVars, Formula formula);
