#pragma once

#include <cstdint>
#include <iostream>

#include "classic/formula/formula.h"

// "Checking for existing of all variables:", then for each variable the
// first clause that holds it, whatever its sign, then an empty line. A
// variable that no clause holds shows only as a missing line.
void printVariableCoverage(const Formula& formula, std::ostream& out = std::cout);

// For each repetition: generates a formula, prints it, and lists for every
// variable the first clause that holds it (printVariableCoverage). Returns 1;
// 0, printing and drawing nothing, when canGenerate refuses the shape, and
// also 0 when the generator refuses a formula later (see generateFormula),
// after the formulas before it.
int checkVariableCoverage(std::int32_t numVars, std::int32_t numClauses, std::int32_t repetitions,
                          std::ostream& out = std::cout);
