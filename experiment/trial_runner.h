#pragma once

#include <cstdint>

inline constexpr std::int32_t kTrials = 301;
inline constexpr std::int32_t kMedianIndex = kTrials / 2;

// Step counts of the trials of the latest cell, sorted once the cell is done.
extern std::int16_t trialSteps[kTrials];

// Generates one random formula and decides it: 1 satisfiable, 0 not.
int runTrial(std::int32_t numVars, std::int32_t numClauses);

// Runs kTrials trials of one cell. The result packs the number of
// unsatisfiable trials into the low 16 bits and the median step count into
// the high 16 bits, each as its 16-bit pattern.
std::uint32_t runTrials(std::int32_t numVars, std::int32_t numClauses);

// Exchange sort of trialSteps, ascending as signed 16-bit values.
void sortTrialSteps();

std::uint32_t packCellResult(std::int16_t contradictions, std::int16_t median);
std::int16_t contradictionsOf(std::uint32_t cellResult);
std::int16_t medianOf(std::uint32_t cellResult);
