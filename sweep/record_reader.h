#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "sweep/cell_summary.h"
#include "sweep/record_format.h"
#include "sweep/sweep_plan.h"

namespace satphase {

// The reader beside the writer of record_format.h: what --resume, --check
// and merge all take for a valid line of a sweep's file. Nothing here trusts
// the file: JSON is read flat, with nothing nested deeper than a sweep line
// has, every number must be exact and in range, and every value must agree
// with the sweep it claims to belong to.

// A JSON Lines sweep line, read back.
struct SweepHeader {
    SweepDefinition definition;
    std::optional<Shard> shard;
    // The program that wrote it; empty in files of versions before these keys.
    std::string version;
    std::string commit;
};

// Reads a sweep line and checks its fields as `sweep` checks its options
// (definitionProblem). Returns why it is not one.
std::variant<SweepHeader, std::string> readSweepLine(std::string_view line);

// One record, read back and checked.
struct RecordRead {
    std::int32_t cell = 0;
    std::int32_t trial = 0;  // a per-formula record's; 0 for a cell record
    std::int32_t startState = 0;
    // A cell record's:
    std::size_t solver = 0;  // a sweep with solvers: its solver's place in the list
    CellSummary summary;
    double seconds = 0;
    // A per-formula record's:
    FormulaResult formula;
};

// Reads one record line (without its newline) of the sweep `definition`,
// whose cells are `cells` (all of cellsOf). Checks every column: integers
// exact and in range, the cell's size, clauses and ratio as the sweep has
// them, unsat <= trials, the fraction and its Wilson interval as unsat and
// trials give them, quartiles in order. Returns why the line is not such a
// record. Start states are checked apart, by replaying the draws.
std::optional<std::string> readRecord(OutputFormat format, std::string_view line,
                                      const SweepDefinition& definition,
                                      std::span<const SweepCell> cells, RecordRead& out);

// The lines of a sweep's file, read one at a time so that no file is held
// whole. A last line without its newline is torn: never handed out, but
// noted with where it starts.
class LineReader {
  public:
    explicit LineReader(std::istream& in) : in_(in) {}

    // The next complete line, without its newline; false at the end.
    bool next(std::string& line);
    // The 1-based number of the line last handed out.
    std::uint64_t number() const { return number_; }
    // Bytes up to the end of the line last handed out, its newline included.
    std::uintmax_t offset() const { return offset_; }
    // After next() returned false: the text of a torn last line, if any.
    const std::string& torn() const { return torn_; }
    // After next() returned false: whether reading failed.
    bool failed() const { return failed_; }

  private:
    std::istream& in_;
    std::uint64_t number_ = 0;
    std::uintmax_t offset_ = 0;
    std::string torn_;
    bool failed_ = false;
};

// Why `path` cannot be read as a sweep's file (it is missing, a directory,
// a FIFO or device, or unreadable), in plain words; nothing when it can.
std::optional<std::string> unreadableFile(const std::string& path);

}  // namespace satphase
