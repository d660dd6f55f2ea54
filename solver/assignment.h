#pragma once

#include <cstdint>

#include "formula/formula.h"
#include "formula/literal.h"
#include "formula/variable_order.h"

// Assignment steps of the current solve: one per assignment. A signed 16-bit
// count that wraps from 32767 to -32768.
extern std::int16_t stepCounter;

// Adds one assignment step to stepCounter.
void countStep();

// The simplification at the heart of an assignment, in one pass. Writes into
// `out` the clauses of `in` that `literal` does not satisfy, each without the
// opposite literal, in their order; out.clauses beyond out.lastClause are not
// touched. A clause cut down to one literal moves its variable to the front
// of `order`. Stops at a clause left empty, which it writes as the last
// clause of `out`, and returns that clause's index in `in`; returns -1 when no
// clause became empty. Counts no step.
std::int32_t simplifyInto(const Formula& in, Literal literal, VariableOrder& order, Formula& out);

// Makes `literal` true on a copy of `formula` and returns the copy: clauses
// that hold the literal are removed, the opposite literal is deleted from the
// others. A clause cut down to one literal moves its variable to the front of
// `order`. A clause left empty sets `contradiction` to 1 and ends the step at
// once; the clauses after it are returned as they were. Counts one step.
Formula assignLiteral(const Formula& formula, Literal literal, VariableOrder& order,
                      int& contradiction);
