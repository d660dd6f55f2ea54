#include "random/classic_generator.h"

#include <algorithm>
#include <bit>
#include <cassert>

#include "random/classic_model.h"

namespace satphase {

namespace {

// The sort key's lowest bits hold the clause's position; above them, 13 bits
// for each variable.
constexpr std::uint64_t kPositionMask = (std::uint64_t{1} << 21U) - 1;
static_assert(kMaxFormulaClauses <= kPositionMask && kMaxFormulaVars < (1 << 13));

bool holdsVariable(const Clause& clause, std::int32_t variable) {
    for (std::int32_t k = 0; k < clause.size; ++k) {
        if (clause.lits[k].variable().id == variable) {
            return true;
        }
    }
    return false;
}

// Adds the literal where its variable belongs, keeping the clause ordered by
// variable; the caller has checked that the variable is new to the clause.
void insertOrdered(Clause& clause, Literal literal) {
    if (clause.size >= kClassicClauseWidth) {
        return;
    }
    std::int32_t k = clause.size;
    while (k > 0 && clause.lits[k - 1].variable().id > literal.variable().id) {
        clause.lits[k] = clause.lits[k - 1];
        --k;
    }
    clause.lits[k] = literal;
    ++clause.size;
}

// Completes the clause with random literals as the classic model draws them.
void completeRandomly(std::int32_t numVars, RandomStream& stream, Clause& clause) {
    completeClause(
        numVars, [&stream](std::int32_t n) { return stream.below(n); },
        [&clause] { return clause.size == kClassicClauseWidth; },
        [&clause](std::int32_t variable, bool negated) {
            if (!holdsVariable(clause, variable)) {
                insertOrdered(clause, Literal(Variable{variable}, negated));
            }
        });
}

// The clause as the key of its ClauseSet.
PackedClause keyOf(const Clause& clause) {
    return packClause(clause.lits[0], clause.lits[1], clause.lits[2]);
}

// Slots enough to keep the keys of `clauses` clauses at most half of them.
std::size_t slotsFor(std::int32_t clauses) {
    return std::bit_ceil(2 * static_cast<std::size_t>(std::max(clauses, 1)));
}

}  // namespace

ClassicGenerator::ClassicGenerator(std::int32_t maxVars, std::int32_t maxClauses)
    : keys_(slotsFor(maxClauses)) {
    static_cast<void>(maxVars);  // the variables need no storage of their own
    const std::int32_t clauses = std::max(maxClauses, 1);
    sortKeys_.reserve(static_cast<std::size_t>(clauses));
    sortScratch_.reserve(static_cast<std::size_t>(clauses));
}

std::optional<std::string> ClassicGenerator::sizeRefusal(std::int64_t numVars,
                                                         std::int64_t numClauses,
                                                         FormulaLimits limits) {
    const std::string what =
        std::to_string(numVars) + " variables and " + std::to_string(numClauses) + " clauses: ";
    if (numVars > limits.vars) {
        return what + "at most " + std::to_string(limits.vars) + " variables are supported";
    }
    if (numClauses < 1) {
        return what + "a formula needs at least 1 clause";
    }
    if (numClauses > limits.clauses) {
        return what + "at most " + std::to_string(limits.clauses) + " clauses are supported";
    }
    return std::nullopt;
}

// The classic model's rules in words, with the size limits checked between
// the first rule and the others. The rules see the clause count capped just
// above kMaxFormulaClauses, which keeps it within their range and changes no
// answer: a larger count meets sizeRefusal before any later rule.
std::optional<std::string> ClassicGenerator::refusal(std::int64_t numVars,
                                                     std::int64_t numClauses) {
    const std::string what =
        std::to_string(numVars) + " variables and " + std::to_string(numClauses) + " clauses: ";
    const ClassicShapeProblem problem =
        classicShapeProblem(numVars, std::min(numClauses, std::int64_t{kMaxFormulaClauses} + 1));
    if (problem == ClassicShapeProblem::TooFewVariables) {
        return what + "a clause needs three distinct variables, so at least 3 variables";
    }
    if (auto tooLarge = sizeRefusal(numVars, numClauses)) {
        return tooLarge;
    }
    switch (problem) {
        case ClassicShapeProblem::UncoveredVariables:
            return what + "every variable must occur, and " + std::to_string(numClauses) +
                   " clauses hold at most " + std::to_string(kClassicClauseWidth * numClauses);
        case ClassicShapeProblem::TooFewDistinctClauses:
            return what + "only " + std::to_string(distinctFullClauses(numVars)) +
                   " distinct clauses exist over " + std::to_string(numVars) + " variables";
        case ClassicShapeProblem::None:
        case ClassicShapeProblem::TooFewVariables:
        case ClassicShapeProblem::NoClause:  // sizeRefusal's first words on it
            break;
    }
    return std::nullopt;
}

// When the draws leave a clause that no distinct completion fits, which
// happens only when the clauses asked for are close to every distinct clause
// there is, the formula is drawn again from where the stream stands: a request
// that refusal() accepts is always served, and every formula that a first
// attempt completes is drawn exactly as before.
bool ClassicGenerator::generate(std::int32_t numVars, std::int32_t numClauses, RandomStream& stream,
                                Formula& out) {
    assert(numClauses <= kMaxFormulaClauses &&
           classicShapeProblem(numVars, numClauses) == ClassicShapeProblem::None &&
           "a request that refusal() refuses");
    do {
        placeVariables(numVars, numClauses, stream, out);
    } while (!fillClauses(numVars, stream, out));
    return true;
}

void ClassicGenerator::placeVariables(std::int32_t numVars, std::int32_t numClauses,
                                      RandomStream& stream, Formula& out) const {
    out.numVars = numVars;
    out.clauses.assign(static_cast<std::size_t>(numClauses), Clause{});
    placeEachVariable(
        numVars, numClauses, [&stream](std::int32_t n) { return stream.below(n); },
        [&out](std::int32_t clause) {
            return out.clauses[static_cast<std::size_t>(clause)].size < kClassicClauseWidth;
        },
        [&out](std::int32_t target, std::int32_t variable, bool negated) {
            // Variables arrive in ascending order, so appending keeps the clause ordered.
            Clause& clause = out.clauses[static_cast<std::size_t>(target)];
            clause.lits[clause.size++] = Literal(Variable{variable}, negated);
        });
}

bool ClassicGenerator::fillClauses(std::int32_t numVars, RandomStream& stream, Formula& formula) {
    const auto numClauses = static_cast<std::int32_t>(formula.clauses.size());
    keys_.reset(slotsFor(numClauses));
    for (const Clause& clause : formula.clauses) {
        if (clause.size == kClassicClauseWidth) {
            keys_.insert(keyOf(clause));
        }
    }
    for (Clause& clause : formula.clauses) {
        if (clause.size == kClassicClauseWidth) {
            continue;
        }
        const Clause placed = clause;
        Clause candidate = placed;
        completeRandomly(numVars, stream, candidate);
        // Rejections are common only when the formula holds nearly every clause
        // that fits; then make sure that some completion is still free.
        std::uint64_t rejections = 0;
        std::uint64_t nextCheck = 64;
        while (keys_.contains(keyOf(candidate))) {
            if (++rejections == nextCheck) {
                if (everyCompletionTaken(numVars, placed)) {
                    return false;
                }
                nextCheck *= 2;
            }
            candidate = placed;
            completeRandomly(numVars, stream, candidate);
        }
        clause = candidate;
        keys_.insert(keyOf(clause));
    }

    // A stable sort by the variables of the clauses, signs ignored: each
    // clause's key holds its three variables and, below them, its position,
    // which breaks ties as a stable sort would, without the buffer that
    // std::stable_sort allocates.
    sortKeys_.resize(static_cast<std::size_t>(numClauses));
    for (std::int32_t i = 0; i < numClauses; ++i) {
        const Clause& c = formula.clauses[static_cast<std::size_t>(i)];
        sortKeys_[static_cast<std::size_t>(i)] =
            (static_cast<std::uint64_t>(c.lits[0].variable().id) << 47U) |
            (static_cast<std::uint64_t>(c.lits[1].variable().id) << 34U) |
            (static_cast<std::uint64_t>(c.lits[2].variable().id) << 21U) |
            static_cast<std::uint64_t>(i);
    }
    std::sort(sortKeys_.begin(), sortKeys_.end());
    sortScratch_.resize(static_cast<std::size_t>(numClauses));
    for (std::size_t i = 0; i < sortKeys_.size(); ++i) {
        sortScratch_[i] = formula.clauses[sortKeys_[i] & kPositionMask];
    }
    std::copy(sortScratch_.begin(), sortScratch_.end(), formula.clauses.begin());
    return true;
}

bool ClassicGenerator::everyCompletionTaken(std::int32_t numVars, const Clause& placed) const {
    // Walk every full clause that keeps the placed literals: each choice of
    // further variables above, between or below them, with either sign.
    const auto takenFrom = [&](auto& self, const Clause& partial, std::int32_t from) -> bool {
        if (partial.size == kClassicClauseWidth) {
            return keys_.contains(keyOf(partial));
        }
        for (std::int32_t variable = from; variable < numVars; ++variable) {
            if (holdsVariable(partial, variable)) {
                continue;
            }
            for (const bool negated : {false, true}) {
                Clause wider = partial;
                insertOrdered(wider, Literal(Variable{variable}, negated));
                if (!self(self, wider, variable + 1)) {
                    return false;
                }
            }
        }
        return true;
    };
    return takenFrom(takenFrom, placed, 0);
}

}  // namespace satphase
