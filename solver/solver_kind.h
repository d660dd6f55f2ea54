#pragma once

#include <atomic>
#include <cassert>
#include <cstdint>
#include <iterator>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formula/formula.h"
#include "solver/dpll.h"
#include "solver/lookahead.h"
#include "solver/probsat.h"
#include "solver/trail_search.h"
#include "solver/walksat.h"

#ifdef SATPHASE_HAVE_CADICAL
#include "solver/cdcl.h"
#endif

namespace satphase {

// The algorithms a formula can be given to, and what each counts as its cost.
// The complete ones decide it:
//  - Splitting: the classic fixed-order splitting search (TrailSearch),
//    counting assignment steps.
//  - Dpll: Davis–Putnam–Logemann–Loveland (Dpll), counting branches.
//  - Cdcl: CaDiCaL (Cdcl), counting conflicts (its learned clauses).
//  - Lookahead: DPLL with look-ahead (Lookahead), counting nodes.
// The incomplete ones look for a model within a flip budget, counting flips,
// and leave a formula they did not solve unknown:
//  - Probsat: probSAT's break-only polynomial rule (ProbSat).
//  - Walksat: WalkSAT's SKC rule (WalkSat).
enum class SolverKind : std::uint8_t { Splitting, Dpll, Cdcl, Lookahead, Probsat, Walksat };

inline constexpr SolverKind kAllSolvers[] = {SolverKind::Splitting, SolverKind::Dpll,
                                             SolverKind::Cdcl,      SolverKind::Lookahead,
                                             SolverKind::Probsat,   SolverKind::Walksat};
inline constexpr std::size_t kSolverCount = std::size(kAllSolvers);

#ifdef SATPHASE_HAVE_CADICAL
inline constexpr bool kHaveCadical = true;
#else
inline constexpr bool kHaveCadical = false;
#endif

// What the records and messages call a solver and its cost, and whether
// this build has it.
struct SolverTraits {
    std::string_view name;      // as --solver takes it: "dpll"
    std::string_view costUnit;  // the unit of its cost: "branches"
    bool available = true;      // false for cdcl in a build without CaDiCaL
    bool complete = true;       // false for a local search, which may leave a formula unknown
};

// One row per solver, in the order of SolverKind.
inline constexpr SolverTraits kSolverTraits[] = {
    {"splitting", "steps", true},        {"dpll", "branches", true},
    {"cdcl", "conflicts", kHaveCadical}, {"lookahead", "nodes", true},
    {"probsat", "flips", true, false},   {"walksat", "flips", true, false},
};
static_assert(std::size(kSolverTraits) == kSolverCount, "a row for every solver");

constexpr const SolverTraits& traitsOf(SolverKind kind) {
    const auto row = static_cast<std::size_t>(kind);
    assert(row < kSolverCount && "a solver without a row");
    return kSolverTraits[row];
}

constexpr std::string_view solverName(SolverKind kind) {
    return traitsOf(kind).name;
}
constexpr std::string_view costUnit(SolverKind kind) {
    return traitsOf(kind).costUnit;
}
constexpr bool isComplete(SolverKind kind) {
    return traitsOf(kind).complete;
}

// The solvers' names as a refusal lists them: "splitting, dpll, cdcl or lookahead".
std::string solverChoices();

// The solver named `name` exactly as solverName writes it, or nothing.
std::optional<SolverKind> parseSolver(std::string_view name);

// Why this build cannot run `kind` ("cdcl is not available in this build"),
// or nothing when it can.
std::optional<std::string> unavailability(SolverKind kind);

// One solver's answer on one formula.
struct SolverResult {
    SolverKind kind = SolverKind::Splitting;
    bool satisfiable = false;
    // False when a local search ran out of flips: the formula is unknown, and
    // `satisfiable` false means nothing.
    bool decided = true;
    bool interrupted = false;        // stopped: the verdict and cost mean nothing
    std::uint64_t cost = 0;          // in costUnit(kind)
    std::uint64_t propagations = 0;  // Dpll's unit propagations; 0 for the others
    std::uint64_t lookaheads = 0;    // Lookahead's look-aheads; 0 for the others
    // A satisfiable verdict's model satisfies every clause (checked each
    // time); true for the other verdicts.
    bool modelHolds = true;
};

// Why the results of several solvers on the same formula cannot all be
// right: two verdicts that differ, or a satisfiable verdict whose model
// falsifies a clause; nothing when they agree. Interrupted and unknown
// results are left out of the comparison: unknown agrees with anything.
std::optional<std::string> disagreement(std::span<const SolverResult> results);

// How the local searches run: their rules' constants and the flip budget.
// The sweep and `solve` fill it from their options, the constants from the
// formulas' clause length when none is given.
struct LocalSearchSettings {
    ProbSat::Parameters probsat = ProbSat::publishedParameters(3);
    double noise = WalkSat::kDefaultNoise;
    // The most flips a search makes; 0 takes defaultMaxFlips of the formula's
    // variables.
    std::uint64_t maxFlips = 0;
};

// Why `settings` cannot drive a search: cb or eps not above 0 (or not
// finite), a noise outside 0 .. 1; nothing when they can.
std::optional<std::string> localSearchProblem(const LocalSearchSettings& settings);

// Decides formulas with the solvers it was built for. One per thread: it
// holds each of those engines' storage, sized once for the largest formula it
// will be given, and builds no engine it was not asked for (a sweep of the
// splitting search alone sets up nothing else).
class FormulaDecider {
  public:
    // For formulas of up to maxVars variables and maxClauses clauses of up to
    // kMaxClauseWidth literals, decided by `kinds` (all available).
    FormulaDecider(std::int32_t maxVars, std::int32_t maxClauses,
                   std::span<const SolverKind> kinds = kAllSolvers,
                   const LocalSearchSettings& localSearch = {});

    // Decides `formula` with `kind`, one of those it was built for, and checks a
    // satisfiable verdict's model. The formula must fit the sizes given at
    // construction and meet the engine's own conditions (TrailSearch's
    // included, for Splitting). A local search draws its choices from the
    // stream `seed` starts, so that the same formula and seed give the same
    // flips on any thread. A raised `stop` ends the search early with an
    // interrupted result.
    SolverResult decide(SolverKind kind, const Formula& formula,
                        const std::atomic<bool>* stop = nullptr, std::uint64_t seed = 0);

    // The model of the last satisfiable verdict of `kind`, read before
    // another solver decides: the two local searches share one state, and
    // each leaves its own assignment there.
    std::span<const std::int8_t> model(SolverKind kind) const;

  private:
    // The local searches' one state, built when the first of them is.
    FlipState& flipState(std::int32_t maxVars, std::int32_t maxClauses);

    std::optional<FlipState> flipState_;
    std::optional<TrailSearch> splitting_;
    std::optional<Dpll> dpll_;
    std::optional<Lookahead> lookahead_;
    std::optional<ProbSat> probsat_;
    std::optional<WalkSat> walksat_;
    std::uint64_t maxFlips_ = 0;
#ifdef SATPHASE_HAVE_CADICAL
    std::optional<Cdcl> cdcl_;
#endif
};

}  // namespace satphase
