#pragma once

#include <cstdint>
#include <iostream>

#include "classic/experiment/grid.h"
#include "platform/tone.h"

inline constexpr int kRowToneHz = 1000;
inline constexpr int kRowToneMs = 100;
inline constexpr int kFinalToneHz = 3000;
inline constexpr int kFinalToneMs = 1000;

// The whole report: one table for each size of the grid, then the final
// tone. Stops as soon as `out` fails, leaving it failed: no table, row or
// tone follows.
void runExperiment(satphase::Tone& tone, std::ostream& out = std::cout);

// One table: a header, then one row per ratio of the grid with the number of
// unsatisfiable formulas and the median step count. Each row's tone sounds
// after its trials and before the row is written; the row is then flushed.
// Returns 1 when the whole table is written; 0 when `out` fails, which ends
// the table before the next cell's trials and tone; -1 when runTrials
// refuses a cell: before any line or draw when canRunCell refuses a cell of
// the table, otherwise (see generateFormula) after the rows before that cell.
int reportForSize(std::int32_t numVars, satphase::Tone& tone, std::ostream& out = std::cout);

// A short report of the single cell of 10 variables and 80 clauses, without tones.
void reportSingleRow(std::ostream& out = std::cout);
