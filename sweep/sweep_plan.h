#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "random/formula_model.h"
#include "solver/solver_kind.h"

namespace satphase {

// A clause/variable ratio exactly as the user wrote it: a decimal with at most
// six places, held in millionths so that clause counts come out exact (4.1 ×
// 50 is 205 clauses, not the 204 that binary floating point would give).
struct Ratio {
    std::int64_t millionths = 0;

    double value() const { return static_cast<double>(millionths) / 1e6; }
    // ratio × numVars, truncated.
    std::int64_t clausesFor(std::int64_t numVars) const { return millionths * numVars / 1000000; }
};

// What a sweep measures of every satisfiable formula besides its cost
// (--measure): the fraction of its variables in the backbone, and the
// number of its solutions.
struct Measures {
    bool backbone = false;
    bool solutions = false;

    bool any() const { return backbone || solutions; }
};

// The most variables a formula may have for --measure solutions: its count
// is exact and, like every count the records hold, fits 64 bits.
inline constexpr std::int32_t kMaxCountedSweepVars = 64;

// What a sweep computes: the cells of every size (in the order given) by
// every ratio (in the order given), each of `trials` formulas, all drawn from
// one random stream that starts at `seed`.
struct SweepDefinition {
    std::vector<std::int32_t> vars;
    std::vector<Ratio> ratios;
    std::int32_t trials = 0;
    std::int32_t seed = 0;
    bool perFormula = false;
    // The formulas' model, clause length and (mixed) p; records name them
    // only when the kind is not the classic one, so that classic sweeps read
    // as they always did, and p only for the mixed model.
    FormulaKind kind;
    // The solvers that decide every formula, in the order given (--solver);
    // never empty. Unless the records name them (--solver given), the sweep
    // is the splitting search's alone, written as sweeps always were: in
    // steps and without solver columns (recordColumns says which).
    std::vector<SolverKind> solvers{SolverKind::Splitting};
    bool namesSolvers = false;
    // Whether a per-formula record gives lookahead's look-aheads after its
    // cost. Always, once written by this version; files of the version before
    // it have none, and are read, continued and merged as they are.
    bool recordsLookaheads = true;
    // How the local searches run, when the sweep lists one (probsat,
    // walksat): their constants and flip budget, named in the sweep line.
    // A search starts from the stream its formula's start state seeds.
    LocalSearchSettings localSearch;
    Measures measures;
};

// Whether the sweep lists a complete solver, whose verdicts say which
// formulas are satisfiable, and whether it lists a local search, which
// records which formulas it solved.
bool decidesFormulas(const SweepDefinition& definition);
bool searchesFormulas(const SweepDefinition& definition);

// The largest formulas the sweep may draw: kSearchedLimits for local searches
// alone on another model than the classic one, else kDecidedLimits.
FormulaLimits formulaLimits(const SweepDefinition& definition);

struct SweepCell {
    std::int32_t index = 0;
    std::int32_t vars = 0;
    std::int32_t clauses = 0;
    Ratio ratio;
    bool firstOfSize = false;  // the first ratio of its size
    bool lastOfSize = false;   // the last ratio of its size
};

inline constexpr std::int32_t kMaxTrials = 1000000;
// The most cells one sweep may have: every cell costs some tens of bytes
// before any work starts, in the sweep and in merge.
inline constexpr std::int64_t kMaxCells = 1000000;
// The seeds a sweep accepts: the random stream's states.
inline constexpr std::int32_t kMinSeed = 1;
inline constexpr std::int32_t kMaxSeed = 2147483646;

// One of `count` parts of a sweep that can run apart and be merged: cell c
// belongs to part c mod count + 1, so that every part gets small and large
// cells alike.
struct Shard {
    std::int32_t index = 1;  // 1 .. count
    std::int32_t count = 1;

    bool holds(const SweepCell& cell) const { return cell.index % count == index - 1; }
    std::string text() const { return std::to_string(index) + "/" + std::to_string(count); }
};

// Parses "I/K" with 1 <= I <= K <= 100000.
std::optional<Shard> parseShard(std::string_view text);

// Parses "10,20,30" or the range "10:60:10" (first, last, step), or a list
// mixing both, of sizes 3 .. maxVars. Returns why the text is not such a
// list, or nothing.
std::optional<std::string> parseSizes(std::string_view text, std::vector<std::int32_t>& out,
                                      std::int32_t maxVars = kMaxFormulaVars);

// Parses "2,3,4.5" or the range "3.8:4.8:0.1", or a list mixing both; each
// number a decimal with at most six places.
std::optional<std::string> parseRatios(std::string_view text, std::vector<Ratio>& out);

// Parses a comma-separated list of solver names, each at most once and each
// one this build can run, into `out`, in the order given. Returns why the
// text is not such a list, or nothing.
std::optional<std::string> parseSolverList(std::string_view text, std::vector<SolverKind>& out);

// How many cells the lists of parseSizes and parseRatios make, counted
// without expanding them, so that a sweep too large is refused before it
// costs memory or time; nothing when the count does not fit 64 bits.
std::optional<std::int64_t> cellCount(std::string_view vars, std::string_view ratios);

// The shortest decimal text of a ratio: "4.5", "2", "4.26".
std::string ratioText(Ratio ratio);

// Parses a comma-separated list of measures ("backbone", "solutions"), each
// at most once, into `out`. Returns why the text is not such a list, or nothing.
std::optional<std::string> parseMeasureList(std::string_view text, Measures& out);

// The names of a sweep's measures, in the order records carry them.
std::vector<std::string_view> measureNames(const Measures& measures);

// Parses the mixed model's p, a decimal from 0 to 1 with at most six places,
// into millionths; nothing when the text is not one.
std::optional<std::int32_t> parseFraction(std::string_view text);

// The cells of the sweep in the order it computes them. A cell whose clause
// count would not fit 32 bits is refused by sweepRefusal first.
std::vector<SweepCell> cellsOf(const SweepDefinition& definition);

// Why the sweep's model cannot serve some cell of the sweep (modelRefusal),
// naming the cell, or nothing when every cell can be drawn.
std::optional<std::string> sweepRefusal(const SweepDefinition& definition);

// Why a definition read from anywhere (the options, or a file's sweep line)
// is not a sweep this program runs: a size, ratio, trial count, seed, model,
// clause length or cell count outside its limits, or a cell the generator
// cannot serve. The same rules for `sweep` and for every reader of its files.
std::optional<std::string> definitionProblem(const SweepDefinition& definition);

}  // namespace satphase
