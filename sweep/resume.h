#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "sweep/record_format.h"
#include "sweep/sweep_plan.h"

// What an interrupted run of a sweep left in its output file: the complete
// cells at its start, to keep, and where they end.
struct KeptOutput {
    std::int32_t cells = 0;                 // cells 0 .. cells - 1 are complete
    std::uintmax_t bytes = 0;               // the file's length up to the end of them
    bool hasPreamble = false;               // the header line is complete
    std::vector<std::int32_t> startStates;  // per kept cell, as recorded
};

// Reads the CSV or JSON Lines that a sweep wrote to `path` and checks that it
// is this sweep's: the header `preamble`, then records of `cells` (all the
// sweep's cells, or a shard's) in order. A torn last line and the records of
// an unfinished cell are left out. Returns the kept part, or why the file
// cannot be continued (one line, naming the file and the line).
std::variant<KeptOutput, std::string> readKeptOutput(const std::string& path, OutputFormat format,
                                                     const std::string& preamble,
                                                     const SweepDefinition& definition,
                                                     std::span<const SweepCell> cells);
