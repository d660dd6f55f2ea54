#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sweep/record_format.h"

namespace satphase {

struct MergeOutcome {
    // One line per problem: what is missing, duplicated, torn or foreign, and where.
    std::vector<std::string> problems;
    // Lines to show that do not stop the merge, such as shards of different versions.
    std::vector<std::string> warnings;
    // Without problems: what the whole sweep writes in the format asked for.
    std::string output;
};

// Joins the JSON Lines that the shards of one sweep wrote (satphase sweep
// --shard I/K --format jsonl) into the sweep's output. Checks that every file
// comes from the same sweep, that every record is one that sweep writes
// (readRecord), that every cell is there exactly once (with per-formula
// records, every formula of it), that no record is torn, and that every
// record starts at the state the sweep reaches it at. Files are read a line
// at a time; what is held is a few tens of bytes per cell record and per
// formula record, plus the output.
MergeOutcome mergeShards(std::span<const std::string> paths, OutputFormat format);

// Why a merge of `paths` must not write `output`, or nothing: it is one of
// the shards, under that name or another (a hard or symbolic link), and
// writing it would destroy the input it is made from.
std::optional<std::string> outputIsAnInput(const std::string& output,
                                           std::span<const std::string> paths);

}  // namespace satphase
