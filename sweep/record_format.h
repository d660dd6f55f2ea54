#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sweep/cell_summary.h"
#include "sweep/sweep_plan.h"

namespace satphase {

enum class OutputFormat { Table, Csv, JsonLines };

// Where a sweep's records go and in what shape: the format, the part of the
// sweep they are (a shard's records are JSON Lines for merge), and the file,
// or standard output when `path` is empty.
struct OutputSpec {
    OutputFormat format = OutputFormat::Table;
    std::optional<Shard> shard;
    std::string path;
};

// The record schema, held here once (recordColumns, cellCostColumns and
// formulaCostColumn; docs/sweep-output.md shows it): the CSV header and the
// JSON keys of a cell record and of a per-formula record, in the order they
// are written. A sweep with named solvers (--solver) writes one cell record
// per cell and solver, naming it and its cost unit, and per formula one cost
// column per solver (`<solver>_cost`, in the sweep's order) after `satisfiable`,
// with dpll's propagations right after its cost and lookahead's look-aheads
// right after its own (unless an older file is continued without them). A sweep of another model or
// clause length than the classic one carries `model` and `k` right after
// `ratio` (kModelColumns), and a mixed sweep its `p` right after `k`.
inline constexpr std::string_view kPropagationsColumn = "dpll_propagations";
inline constexpr std::string_view kLookaheadsColumn = "lookahead_lookaheads";
inline constexpr std::string_view kModelColumns[] = {"model", "k"};
// Where kModelColumns go: after `ratio`.
inline constexpr std::size_t kModelColumnsAt = 4;
inline constexpr std::string_view kFractionColumn = "p";

// A sweep with measures (--measure) ends its records with them: a cell
// record with the satisfiable formulas measured and the spread of each
// measure over them (the backbone fraction, the entropy), a per-formula
// record with the formula's backbone fraction and number of solutions (0 for
// an unsatisfiable formula).
inline constexpr std::string_view kMeasuredColumn = "measured";
inline constexpr std::string_view kBackboneSpreadColumns[] = {"backbone_median", "backbone_q1",
                                                              "backbone_q3", "backbone_mean"};
inline constexpr std::string_view kEntropySpreadColumns[] = {"entropy_median", "entropy_q1",
                                                             "entropy_q3", "entropy_mean"};
inline constexpr std::string_view kBackboneColumn = "backbone";
inline constexpr std::string_view kSolutionsColumn = "solutions";

// Whether the records of `definition` carry the model columns, and whether
// they carry p (a mixed sweep's).
bool namesModel(const SweepDefinition& definition);
bool namesFraction(const SweepDefinition& definition);

// The mixed model's p as a number, and as the JSON of a sweep writes it.
double fractionValue(const SweepDefinition& definition);
std::string fractionJson(const SweepDefinition& definition);

// The same sweep in the layout the version before this one wrote, where that
// differs: per-formula records of lookahead without its look-aheads. What
// reads a kept file takes this layout when the file has it, and a file
// continued keeps its own.
std::optional<SweepDefinition> previousLayout(const SweepDefinition& definition);

// The columns of the records `definition` writes, in order.
std::vector<std::string_view> recordColumns(const SweepDefinition& definition);

// The names of a cell record's cost statistics, and of solver `solver`'s
// cost column in a per-formula record: the splitting search's historical
// `median_steps` ... and `steps` when the sweep names no solver, else
// `median_cost` ... (beside `solver` and `cost_unit`) and `<solver>_cost`.
// With recordColumns, the one place where the two layouts part.
struct CostColumns {
    std::string_view median, q1, q3, mean, max;
};
CostColumns cellCostColumns(const SweepDefinition& definition);
std::string_view formulaCostColumn(const SweepDefinition& definition, std::size_t solver);
// The per-formula column that says whether the local search `kind` solved
// the formula (`probsat_solved`), right after its cost.
std::string_view formulaSolvedColumn(SolverKind kind);

// How many records a sweep writes per cell: one per formula with
// perFormula, else one per solver.
std::size_t recordsPerCell(const SweepDefinition& definition);

// A cell as the sweep finished it.
struct FinishedCell {
    const SweepCell& cell;
    std::int32_t startState = 0;
    double seconds = 0;                       // the cell's time, start to end
    std::span<const FormulaResult> formulas;  // in trial order
    // Each solver's summary and the wall-clock time its searches took on the
    // cell's formulas (summed over threads), in the sweep's order.
    std::span<const CellSummary> summaries = {};
    std::span<const double> solverSeconds = {};
};

// Whether a file that begins with `start` (its first bytes, up to a line)
// may be written over by a sweep or a merge: an empty file, or one that
// begins as their outputs do in any format. Anything else is someone else's
// file, which is never replaced.
bool isSweepOutputStart(std::string_view start);

// What opens the output: the CSV header row, or the JSON line that describes
// the sweep (and the shard, for a part of it) and, last, the version and
// commit of the program that wrote it; nothing for a table.
std::string outputPreamble(OutputFormat format, const SweepDefinition& definition,
                           std::optional<Shard> shard = std::nullopt);

// The JSON sweep line without the program's version and commit: what makes
// two files parts of the same sweep.
std::string sweepIdentity(const SweepDefinition& definition, std::optional<Shard> shard);

// Writes the text of a sweep's cells in the order they finish: per cell its
// table row (with the size's header before its first ratio and an empty line
// after its last), its CSV row or JSON line, or with perFormula one row or
// line per formula. The table of a sweep with solvers shows, for each size,
// one table per solver under a line naming it and its unit: a size's rows are
// held until its last cell.
class CellTextWriter {
  public:
    CellTextWriter(OutputFormat format, const SweepDefinition& definition);

    void append(const FinishedCell& finished, std::string& out);
    // Appends what is held of a size left unfinished (a sweep that stopped).
    void flush(std::string& out);

  private:
    OutputFormat format_;
    SweepDefinition definition_;
    std::vector<std::string> heldTables_;  // per solver
};

// The shortest decimal text that reads back as exactly `value`.
std::string shortestText(double value);

// A ratio as the JSON of a sweep writes it, in its sweep line and records.
std::string ratioJson(Ratio ratio);

}  // namespace satphase
