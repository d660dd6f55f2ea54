#pragma once

#include <cstdint>
#include <iostream>

#include "platform/tone.h"

inline constexpr int kRatioCount = 8;
// Clause/variable ratios of the rows of every table.
inline constexpr double ratioTable[kRatioCount] = {2.0, 3.0, 4.0, 4.5, 5.0, 6.0, 7.0, 8.0};

inline constexpr int kRowToneHz = 1000;
inline constexpr int kRowToneMs = 100;
inline constexpr int kFinalToneHz = 3000;
inline constexpr int kFinalToneMs = 1000;

// The whole report: one table for each of 10, 20, 30 and 40 variables, then
// the final tone. Stops as soon as `out` fails, leaving it failed.
void runExperiment(Tone& tone, std::ostream& out = std::cout);

// One table: a header, then one row per ratio with the number of
// unsatisfiable formulas and the median step count. Each row's tone sounds
// after its trials and before the row is written; the row is then flushed.
// Stops after the first row that `out` fails to take.
void reportForSize(std::int32_t numVars, Tone& tone, std::ostream& out = std::cout);

// A short report of the single cell of 10 variables and 80 clauses, without tones.
void reportSingleRow(std::ostream& out = std::cout);
