#pragma once

#include "formula/formula.h"
#include "formula/literal.h"
#include "formula/variable_order.h"

// 1 when the formula is satisfiable, 0 when it is not. Resets stepCounter,
// which afterwards holds the number of assignment steps this solve took.
int solve(Formula formula);

// The recursive splitting search. With the empty literal it branches on the
// first variable of `order`, trying true and then false; with any other
// literal it makes that literal true and goes on. Each call works on its own
// copies, which is all the backtracking there is. Does not reset stepCounter.
int search(Formula formula, Literal literal, VariableOrder order);
