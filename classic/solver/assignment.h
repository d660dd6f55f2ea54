#pragma once

#include <cstdint>

#include "classic/formula/formula.h"
#include "classic/formula/literal.h"
#include "classic/formula/variable_order.h"

// The assignment step, the one the search takes and assignLiteral wraps: counts
// one step in stepCounter, then makes `literal` true while copying the clauses
// of `in` into `out`, in their order. A clause that holds the literal is left
// out, a clause that holds its opposite is copied without it, and a clause cut
// down to one literal moves its variable to the front of `order`. The step
// stops at a clause left empty, which it writes as the last clause of `out`,
// and returns that clause's index in `in`; it returns -1 when no clause became
// empty. A clause that is already empty and follows a satisfied clause counts
// as left empty by this step.
//
// Writes out.lastClause, out.numVars and the clauses up to out.lastClause;
// the slots beyond keep what they held. `out` is therefore a whole Formula,
// empty filler slots included, only when it held no more clauses than that
// before, as a default-constructed one does. `literal` names a variable (>= 0).
std::int32_t assignInto(const Formula& in, Literal literal, VariableOrder& order, Formula& out);

// The assignment step on a copy of `formula`, returned whole: a clause left
// empty sets `contradiction` to 1, and the clauses after it follow it
// unchanged. Counts one step.
Formula assignLiteral(const Formula& formula, Literal literal, VariableOrder& order,
                      int& contradiction);
