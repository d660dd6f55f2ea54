#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "cli/command.h"
#include "formula/cnf_formula.h"

// `satphase solve`: decides one DIMACS CNF file of at most three literals per
// clause with this program's search; output and exit status as SAT solvers give them.
Command addSolveCommand(CLI::App& parent);

// The index of the first clause that `values` (per variable, 1 true, 0 false)
// leaves false, or nothing when they satisfy the formula. Solve checks every
// model with it before printing one.
std::optional<std::size_t> firstFalseClause(const CnfFormula& formula,
                                            std::span<const std::int8_t> values);
