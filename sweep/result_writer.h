#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/output_lock.h"
#include "sweep/record_format.h"
#include "sweep/resume.h"
#include "sweep/sweep_plan.h"
#include "sweep/sweep_runner.h"

namespace satphase {

// Writes a sweep's results as the runner finishes its cells: to the locked
// output file, or to standard output when there is none. Each cell's text
// goes out in one piece, so that an interrupted sweep leaves only whole
// records behind, and the first failed write halts the sweep. Cells of other
// shards, and the cells an earlier run left complete, are only drawn.
class SweepResultWriter {
  public:
    // `selection` must outlive the writer; `kept` is what prepareOutput kept
    // of an earlier run (nothing for a new output).
    SweepResultWriter(const SweepDefinition& definition, OutputFormat format,
                      const CellSelection& selection, const KeptOutput& kept,
                      std::optional<LockedOutput> file);

    // Writes `text` whole; the system's reason when it could not. For the
    // preamble, and by the hooks for the cells.
    std::optional<std::string> write(const std::string& text);

    // The runner's hooks: which cells to decide, and where finished ones go.
    // They refer to this writer, which must outlive the run.
    SweepRunner::Hooks hooks();

    // Writes what the format held back (a table's rows of an unfinished
    // size), unless a write failed already: after the run, whatever its end.
    void finish();

    // The first write that failed, if one did.
    const std::optional<std::string>& failure() const { return failure_; }
    // Complete cells in the output: the kept ones and those written since.
    std::int32_t cellsWritten() const { return written_; }

  private:
    const CellSelection& selection_;
    std::int32_t keptCells_;
    std::optional<LockedOutput> file_;
    CellTextWriter writer_;
    std::string text_;
    std::optional<std::string> failure_;
    std::int32_t written_;
};

}  // namespace satphase
