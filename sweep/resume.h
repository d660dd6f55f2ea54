#pragma once

#include <atomic>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "platform/output_lock.h"
#include "sweep/record_format.h"
#include "sweep/sweep_plan.h"

namespace satphase {

// The cells one run of a sweep writes: all of them, or a shard's.
struct CellSelection {
    std::vector<SweepCell> cells;       // every cell of the sweep, in order
    std::vector<SweepCell> selected;    // the cells this run writes, in order
    std::vector<std::int32_t> placeOf;  // per cell its place in `selected`, or -1
};

CellSelection selectCells(const SweepDefinition& definition, std::optional<Shard> shard);

// What an earlier run of the sweep left in its output file: the complete
// cells at its start, to keep, and where they end.
struct KeptOutput {
    std::int32_t cells = 0;    // selected cells 0 .. cells - 1 are complete
    std::uintmax_t bytes = 0;  // the file's length up to the end of them
    bool hasPreamble = false;  // the header line is complete (and kept as it is)
    // Every selected cell is there and nothing follows them, not even a torn
    // line: what --check calls complete.
    bool complete = false;
    // The file's layout: false when an older version wrote its per-formula
    // records of lookahead without the look-aheads (previousLayout).
    bool recordsLookaheads = true;
};

// Why a file cannot be continued or checked, and the status the program
// exits with: 2 for a file that is not this sweep's, 1 for a failure of
// the system, 130 when a stop was asked for.
struct KeptProblem {
    std::string message;  // one line, naming the file (and the line)
    int status = 2;
};

// Reads what a run of the sweep `asked` wrote to `in`, which is the file
// `output.path` of that format and shard, and checks it as merge checks a
// shard, in the file's own layout (today's, or previousLayout's, which
// KeptOutput then names): the header (another version's sweep line is this
// sweep's too), every
// record with readRecord in the order the sweep writes them, and the start
// state of every record by replaying the draws. A torn last line, and the
// records of a cell left unfinished, are not kept. A first line cut off is
// kept only when it is the start of this sweep's own header. Reading
// changes nothing; the caller truncates to `bytes` afterwards.
std::variant<KeptOutput, KeptProblem> readKeptOutput(std::istream& in, const OutputSpec& output,
                                                     const SweepDefinition& asked,
                                                     const CellSelection& selection,
                                                     const std::atomic<bool>& stop);

// What --check finds in the file `output.path`: every record of this run there and
// valid (0), or not yet (3, a file missing, cut short or torn included), or
// a problem that makes the file no output of this sweep.
enum class CheckVerdict { Complete, Incomplete };
std::variant<CheckVerdict, KeptProblem> checkOutput(const OutputSpec& output,
                                                    const SweepDefinition& definition,
                                                    const std::atomic<bool>& stop);

// Why a sweep or a merge must not write over `path`, or nothing: a regular
// file that is not empty and does not begin as their outputs do is someone
// else's, and is never replaced. A missing file, or one that is not regular
// (a terminal, /dev/null, a pipe), may be written.
std::optional<std::string> foreignFileProblem(const std::string& path);

// The output of a run, locked, with what an earlier run left in it kept.
struct PreparedOutput {
    LockedOutput file;
    KeptOutput kept;  // nothing kept unless resuming
};

// Opens `output.path` for a run of the sweep: locks it (a second writer is
// refused), and with `resume` reads and checks what it holds
// (readKeptOutput). Only when every check has passed is the file cut to
// what is kept, or emptied without `resume`; on any problem it is left as
// it was.
std::variant<PreparedOutput, KeptProblem> prepareOutput(const OutputSpec& output,
                                                        const SweepDefinition& definition,
                                                        bool resume, const CellSelection& selection,
                                                        const std::atomic<bool>& stop);

}  // namespace satphase
