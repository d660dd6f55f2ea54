#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

#include "formula/formula.h"
#include "random/formula_source.h"
#include "random/random_stream.h"
#include "sweep/sweep_plan.h"

// The one place where a sweep draws a formula: every formula of a sweep, in
// the runner, in --resume, --check and merge, comes from here, so that all of
// them draw the same formulas of the sweep's model from the same states.
//
// Draws the formula of `clauses` clauses of `cell` from `stream` into `out`,
// of the sweep's model and clause length; the classic model through
// ClassicGenerator exactly as ever. False only when the classic generator runs
// out of distinct clauses (see ClassicGenerator::generate). The definition must
// have passed definitionProblem, and `source` be sized for the cell.
bool drawFormula(const SweepDefinition& definition, const SweepCell& cell, std::int32_t clauses,
                 FormulaSource& source, RandomStream& stream, Formula& out);

// Whether the sweep's model guarantees that every formula is satisfiable
// (planted and 2-hidden: the hidden assignment satisfies every clause), so
// that an unsatisfiable verdict is a fault of the search, not a result.
bool drawsSatisfiableFormulas(const SweepDefinition& definition);

// How a replay of the draws ended.
enum class ReplayOutcome { Completed, Stopped, GenerationFailed };

// Draws, without deciding them, the formulas of cells 0 .. lastCell of the
// sweep from its seed, and hands `visit` the stream's state at the start of
// every formula (trial 0 being the cell's start). `visit` returning false,
// or a raised `stop`, ends the replay early. This is how a file's start
// states are checked: no search engine is built.
ReplayOutcome replayDraws(const SweepDefinition& definition, std::span<const SweepCell> cells,
                          std::int32_t lastCell, const std::atomic<bool>& stop,
                          const std::function<bool(const SweepCell&, std::int32_t trial,
                                                   std::int32_t startState)>& visit);
