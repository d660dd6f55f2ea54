#include "classic/solver/search.h"

#include "classic/solver/assignment.h"

std::int16_t stepCounter = 0;

namespace {

// The formula of each depth of the search. An assignment at depth d reads
// levels[d] and writes its result into levels[d + 1], which belongs to that
// branch alone until it returns. Every assignment after the first removes a
// variable from the order, so a path has at most kMaxVariables of them after
// the one that a direct call of search may start with.
//
// Unlike every Formula outside the search, these buffers do not keep their
// slots beyond lastClause empty: a shorter result leaves there the clauses
// of an earlier, longer one. Nothing reads those slots, and clearing them at
// every step would cost a second pass.
Formula levels[kMaxVariables + 2];

int branchAt(std::int32_t depth, VariableOrder order);

// Makes `literal` true on the formula of this depth, then branches on the result.
int assignAt(std::int32_t depth, Literal literal, VariableOrder order) {
    Formula& reduced = levels[depth + 1];
    const bool contradiction = assignInto(levels[depth], literal, order, reduced) != -1;
    if (reduced.lastClause == -1) {
        return 1;
    }
    if (contradiction) {
        return 0;
    }
    return branchAt(depth + 1, order);
}

int branchAt(std::int32_t depth, VariableOrder order) {
    // Only a formula whose variables are not all listed can run out of
    // variables; it is satisfied only if nothing is left of it.
    if (order.last == -1) {
        return levels[depth].lastClause == -1 ? 1 : 0;
    }
    const std::int32_t variable = order.popFront();
    if (assignAt(depth, Literal(variable, 0), order) != 0) {
        return 1;
    }
    return assignAt(depth, Literal(variable, 1), order);
}

}  // namespace

int solve(Formula formula) {
    stepCounter = 0;
    if (formula.numVars < 0 || formula.numVars > kMaxVariables) {
        return -1;
    }
    const VariableOrder order(formula.numVars);
    return search(formula, Literal(), order);
}

int search(Formula formula, Literal literal, VariableOrder order) {
    levels[0] = formula;
    if (literal.variable < 0) {
        return branchAt(0, order);
    }
    return assignAt(0, literal, order);
}
