#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <span>
#include <vector>

#include "formula/formula.h"

namespace CaDiCaL {
class Solver;
}

namespace satphase {

// The backbone of a satisfiable formula: the variables that take the same
// value in every one of its models. Computed exactly with one incremental
// CaDiCaL (Debian's libcadical-dev) per formula, by the iterative algorithm
// with model filtering of Janota, Lynce and Marques-Silva ("Algorithms for
// computing backbones of propositional formulae", AI Communications 2015):
//
//   a first model makes every variable a candidate with its value there;
//   each candidate in turn is assumed to take the other value: if that is
//   unsatisfiable the candidate is in the backbone; if it is satisfiable,
//   the new model clears every candidate whose value it changes.
//
// Every model is also read for the candidates that can be flipped alone
// (each clause of theirs has another true literal): the flipped assignment is
// a model too, so they are not in the backbone either, without a call. On
// satisfiable uniform 3-SAT formulas of 100 variables at ratio 4.0 that takes
// the mean number of calls from 38.7 to 31.5 (bench/README.md). Adding each
// backbone literal found as a unit clause, as the paper does, changed
// nothing measurable there (0.99× the time), so it is not done. A variable
// that occurs in no clause flips alone in the first model.
//
// Only builds that found CaDiCaL compile this class (SATPHASE_HAVE_CADICAL),
// and CaDiCaL allocates while it searches; the tables here are sized at
// construction.
class BackboneFinder {
  public:
    BackboneFinder(std::int32_t maxVars, std::int32_t maxClauses);

    struct Outcome {
        bool satisfiable = false;
        std::int32_t size = 0;     // variables in the backbone, when satisfiable
        std::int32_t calls = 0;    // CaDiCaL's solve() calls, the first included
        bool interrupted = false;  // `stop` was raised; nothing else means anything then
    };

    // Finds the backbone of `formula` (within the sizes given at construction).
    Outcome find(const Formula& formula, const std::atomic<bool>* stop = nullptr);

    // After a satisfiable outcome: 1 or 0 for a backbone variable's only
    // value, -1 for a variable that takes both.
    std::int8_t value(Variable variable) const { return values_[variable]; }

  private:
    // Clears every candidate that CaDiCaL's last model gives the other
    // value or lets flip alone.
    void filter(CaDiCaL::Solver& solver, const Formula& formula);
    // Fills the occurrence lists of `formula`'s literals.
    void index(const Formula& formula);
    std::span<const std::int32_t> occurrencesOf(Literal literal) const {
        assert(literal.index() + 1 < occurrenceStart_.size());
        return {occurrences_.data() + occurrenceStart_[literal.index()],
                occurrences_.data() + occurrenceStart_[literal.index() + 1]};
    }

    VariableMap<std::int8_t> values_;      // the candidate's value, or -1
    VariableMap<std::int8_t> model_;       // the last model's value
    std::vector<std::int32_t> trueCount_;  // per clause: its true literals in the model
    // The clauses each literal occurs in, one literal's after another's:
    // literal l's from occurrenceStart_[l.index()] to the next literal's start.
    std::vector<std::int32_t> occurrenceStart_;
    std::vector<std::int32_t> occurrences_;
};

}  // namespace satphase
