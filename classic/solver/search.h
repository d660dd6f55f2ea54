#pragma once

#include <cstdint>

#include "classic/formula/formula.h"
#include "classic/formula/literal.h"
#include "classic/formula/variable_order.h"

// Assignment steps since the latest solve began: every assignment step, the
// search's and assignLiteral's, adds one. A signed 16-bit count that wraps
// from 32767 to -32768.
extern std::int16_t stepCounter;

// 1 when the formula is satisfiable, 0 when it is not. Resets stepCounter,
// which afterwards holds the number of assignment steps this solve took.
// Refuses (-1, after no step) a formula whose numVars lies outside
// 0 .. kMaxVariables, which the search's order list cannot hold.
int solve(Formula formula);

// The recursive splitting search. With the empty literal it branches on the
// first variable of `order`, trying true and then false; with a literal that
// names a variable it makes that literal true and goes on. A variable that
// `order` does not list is never branched on. Does not reset stepCounter.
//
// The search keeps the formula of each depth in one of a fixed set of
// buffers in static storage, not on the stack: the assignment at depth d
// writes its result into the buffer of depth d + 1, and the other value of
// the same variable later overwrites it from the untouched buffer of depth d,
// so nothing is ever undone. All calls share these buffers: solve and search
// are not reentrant, and no two may run at the same time.
int search(Formula formula, Literal literal, VariableOrder order);
