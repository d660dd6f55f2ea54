#pragma once

#include <cstdint>

#include "formula/formula.h"
#include "formula/literal.h"
#include "formula/variable_order.h"

// Assignment steps of the current solve: one per assignLiteral call. A signed
// 16-bit count that wraps from 32767 to -32768.
extern std::int16_t stepCounter;

// Makes `literal` true on a copy of `formula` and returns the copy: clauses
// that hold the literal are removed, the opposite literal is deleted from the
// others. A clause cut down to one literal moves its variable to the front of
// `order`. A clause left empty sets `contradiction` to 1 and ends the step at
// once, returning the formula as far as it was simplified. Counts one step.
Formula assignLiteral(Formula formula, Literal literal, VariableOrder& order, int& contradiction);
