#include "classic/solver/assignment.h"

#include <algorithm>
#include <cassert>

#include "classic/solver/search.h"

namespace {

// Clause::findVariable for the variables the search assigns, which are 0 or
// more: the position of the variable in the clause, whatever its sign, or -1.
// The empty literals beyond `last` hold variable -1 and never match such a
// variable, so the three slots are tested without a loop bounded by `last`;
// on the search's innermost loop that makes the whole search markedly faster.
std::int32_t positionOf(const Clause& clause, std::int32_t variable) {
    if (clause.lits[0].variable == variable) {
        return 0;
    }
    if (clause.lits[1].variable == variable) {
        return 1;
    }
    return clause.lits[2].variable == variable ? 2 : -1;
}

}  // namespace

// The search spends most of its time in the loop below, whose speed depends on
// where it falls against the processor's 64-byte fetch blocks: measured, it
// varied by a tenth as unrelated code moved it about. Starting the function
// on such a boundary keeps it where it was measured.
#if defined(__GNUC__)
#define SATPHASE_ALIGN_HOT_CODE __attribute__((aligned(64)))
#else
#define SATPHASE_ALIGN_HOT_CODE
#endif

SATPHASE_ALIGN_HOT_CODE std::int32_t assignInto(const Formula& in, Literal literal,
                                                VariableOrder& order, Formula& out) {
    assert(literal.variable >= 0);
    const Clause* const end = in.clauses + in.lastClause + 1;
    Clause* kept = out.clauses;  // where the next clause that stays goes
    std::int32_t emptied = -1;
    for (const Clause* clause = in.clauses; clause != end; ++clause) {
        const std::int32_t j = positionOf(*clause, literal.variable);
        if (j == -1) {
            *kept++ = *clause;
            continue;
        }
        if (clause->lits[j].negated == literal.negated) {
            // Satisfied: dropped. The clause that takes its place is checked
            // for emptiness before it is examined itself.
            const Clause* const following = clause + 1;
            if (following != end && following->last == -1) {
                *kept++ = *following;
                emptied = static_cast<std::int32_t>(following - in.clauses);
                break;
            }
            continue;
        }
        Clause& cut = *kept++;
        cut = *clause;
        cut.removeLiteralAt(j);
        if (cut.last == -1) {
            emptied = static_cast<std::int32_t>(clause - in.clauses);
            break;
        }
        if (cut.last == 0) {
            order.moveToFront(cut.lits[0].variable);
        }
    }
    out.lastClause = static_cast<std::int32_t>(kept - out.clauses) - 1;
    out.numVars = in.numVars;
    // Wraps around like the 16-bit register it models, without signed overflow.
    stepCounter = static_cast<std::int16_t>(static_cast<std::uint16_t>(stepCounter) + 1U);
    return emptied;
}

Formula assignLiteral(const Formula& formula, Literal literal, VariableOrder& order,
                      int& contradiction) {
    Formula result;
    const std::int32_t emptied = assignInto(formula, literal, order, result);
    if (emptied != -1) {
        contradiction = 1;
        const Clause* const rest = formula.clauses + emptied + 1;
        const Clause* const end = formula.clauses + formula.lastClause + 1;
        std::copy(rest, end, result.clauses + result.lastClause + 1);
        result.lastClause += static_cast<std::int32_t>(end - rest);
    }
    return result;
}
