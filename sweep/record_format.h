#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "sweep/cell_summary.h"
#include "sweep/sweep_plan.h"

enum class OutputFormat { Table, Csv, JsonLines };

// A cell as the sweep finished it.
struct FinishedCell {
    const SweepCell& cell;
    std::int32_t startState = 0;
    const CellSummary& summary;
    double seconds = 0;
    std::span<const FormulaResult> formulas;  // in trial order
};

// What opens the output: the CSV header row, or the JSON line that describes
// the sweep (and the shard, for a part of it); nothing for a table.
std::string outputPreamble(OutputFormat format, const SweepDefinition& definition,
                           std::optional<Shard> shard = std::nullopt);

// Appends the text of one finished cell: its table row (with the size's
// header before its first ratio and an empty line after its last), its CSV
// row or JSON line, or with perFormula one row or line per formula.
void appendCellText(OutputFormat format, bool perFormula, const FinishedCell& finished,
                    std::string& out);

// The shortest decimal text that reads back as exactly `value`.
std::string shortestText(double value);
