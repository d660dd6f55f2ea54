#include "solver/search.h"

#include "solver/assignment.h"

int solve(Formula formula) {
    const VariableOrder order(formula.numVars);
    const Literal literal;
    stepCounter = 0;
    return search(formula, literal, order);
}

int search(Formula formula, Literal literal, VariableOrder order) {
    if (literal.variable == -1) {
        // Branching call. Only a formula whose variables are not all listed
        // can run out of variables; it is satisfied only if nothing is left.
        if (order.last == -1) {
            return formula.lastClause == -1 ? 1 : 0;
        }
        const std::int32_t variable = order.popFront();
        literal.set(variable, 0);
        if (search(formula, literal, order) != 0) {
            return 1;
        }
        literal.set(variable, 1);
        return search(formula, literal, order) != 0 ? 1 : 0;
    }

    int contradiction = 0;
    const Formula reduced = assignLiteral(formula, literal, order, contradiction);
    if (reduced.lastClause == -1) {
        return 1;
    }
    if (contradiction != 0) {
        return 0;
    }
    return search(reduced, Literal(), order) != 0 ? 1 : 0;
}
