#pragma once

#include <cstdint>

inline constexpr std::int32_t kTrials = 301;
inline constexpr std::int32_t kMedianIndex = kTrials / 2;

// Step counts of the trials of the latest cell, sorted once the cell is done.
extern std::int16_t trialSteps[kTrials];

// 1 when a cell of this shape can be run: generateFormula can be asked for
// it (canGenerate) and solve can decide its formulas (numVars <= kMaxVariables).
int canRunCell(std::int32_t numVars, std::int32_t numClauses);

// Generates one random formula and decides it: 1 satisfiable, 0 not, -1 when
// the generator or the solver refuses the shape.
int runTrial(std::int32_t numVars, std::int32_t numClauses);

// Runs kTrials trials of one cell. The result packs the number of
// unsatisfiable trials into the low 16 bits and the median step count into
// the high 16 bits, each as its 16-bit pattern. Returns kRefusedCell, without
// a draw, for a shape canRunCell refuses, and as soon as a trial is refused.
std::uint32_t runTrials(std::int32_t numVars, std::int32_t numClauses);

// Sorts trialSteps in place, ascending.
void sortTrialSteps();

std::uint32_t packCellResult(std::int16_t contradictions, std::int16_t median);
std::int16_t contradictionsOf(std::uint32_t cellResult);
std::int16_t medianOf(std::uint32_t cellResult);

// A refused cell: -1 contradictions, which no run can count.
inline constexpr std::uint32_t kRefusedCell = 0xFFFFFFFFU;
