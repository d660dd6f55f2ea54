#pragma once

#include <cstdint>

#include "formula/formula.h"

// Random 3-CNF formulas. Every choice is drawn from randomBelow in a fixed
// order, so the formulas of a run are a fixed function of the random state.
//
// Callers keep within: 3 <= numVars <= 3 * min(numClauses, kMaxClauses), and
// few enough clauses that distinct full clauses can be found for all of them.

// A formula of min(numClauses, kMaxClauses) full clauses over distinct
// variables in which every variable occurs, no two clauses are equal, and the
// clauses stand in sortClauses order.
Formula generateFormula(std::int32_t numVars, std::int32_t numClauses);

// Phase 1: each variable once, with a random sign, in a random clause with room.
Formula placeVariables(std::int32_t numVars, std::int32_t numClauses);

// Phase 2: completes every short clause with random literals, redrawing a
// completion that equals a full clause already present, then sorts the clauses.
Formula fillClauses(std::int32_t numVars, Formula formula);
