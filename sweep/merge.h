#pragma once

#include <span>
#include <string>
#include <vector>

#include "sweep/record_format.h"

struct MergeOutcome {
    // One line per problem: what is missing, duplicated, torn or foreign, and where.
    std::vector<std::string> problems;
    // Without problems: what the whole sweep writes in the format asked for.
    std::string output;
};

// Joins the JSON Lines that the shards of one sweep wrote (satphase sweep
// --shard I/K --format jsonl) into the sweep's output. Checks that every file
// comes from the same sweep, that every cell is there exactly once, that no
// record is torn, and that each cell starts at the state the sweep reaches it
// at.
MergeOutcome mergeShards(std::span<const std::string> paths, OutputFormat format);
