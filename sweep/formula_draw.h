#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>

#include "formula/cnf_formula.h"
#include "random/cnf_generator.h"
#include "random/random_stream.h"
#include "sweep/sweep_plan.h"

// The one place where a sweep draws a formula: every formula of a sweep, in
// the runner, in --resume, --check and merge, comes from here, so that
// another formula model plugs in at this one function.
//
// Whether this build draws formulas of `model`: the sweep refuses the others
// up front (definitionProblem), so that no file naming one is ever replayed.
bool canDraw(FormulaModel model);

// Draws the formula of `clauses` clauses of `cell` from `stream` into `out`.
// False only when the generator runs out of distinct clauses (see
// CnfGenerator::generate).
bool drawFormula(const SweepDefinition& definition, const SweepCell& cell, std::int32_t clauses,
                 CnfGenerator& generator, RandomStream& stream, CnfFormula& out);

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
