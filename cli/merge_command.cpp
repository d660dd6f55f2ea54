#include "cli/merge_command.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/format_option.h"
#include "sweep/merge.h"

namespace {

struct MergeOptions {
    std::vector<std::string> files;
    OutputFormat format = OutputFormat::Table;
    std::string output;
};

int runMerge(const MergeOptions& options) {
    const MergeOutcome merged = mergeShards(options.files, options.format);
    if (!merged.problems.empty()) {
        for (const std::string& problem : merged.problems) {
            std::cerr << "satphase merge: " << problem << "\n";
        }
        return 1;
    }
    if (options.output.empty()) {
        std::cout << merged.output << std::flush;
        if (!std::cout) {
            std::cerr << "satphase merge: cannot write to standard output\n";
            return 1;
        }
        return 0;
    }
    // Written aside and renamed, so that the file is either whole or absent.
    const std::string partial = options.output + ".partial";
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        file << merged.output;
        file.close();
        if (!file) {
            std::remove(partial.c_str());
            std::cerr << "satphase merge: cannot write " << options.output << "\n";
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, options.output, error);
    if (error) {
        std::remove(partial.c_str());
        std::cerr << "satphase merge: cannot write " << options.output << ": " << error.message()
                  << "\n";
        return 1;
    }
    return 0;
}

}  // namespace

Command addMergeCommand(CLI::App& parent) {
    auto options = std::make_shared<MergeOptions>();
    CLI::App* app =
        parent.add_subcommand("merge", "Joins the shards of a sweep into the whole sweep's output");
    app->footer(
        "Reads the JSON Lines that satphase sweep --shard I/K --format jsonl wrote, checks\n"
        "that they come from one sweep, that every cell is there exactly once and that no\n"
        "record is torn, and writes what the whole sweep writes in the format asked for\n"
        "(only the seconds a cell took come from the shard's run). Every problem is named\n"
        "on standard error, one line each, and then nothing is written.");
    app->add_option("files", options->files, "the shards' JSON Lines files")
        ->required()
        ->type_name("FILE...");
    addFormatOption(*app, options->format);
    app->add_option("--output", options->output, "write to FILE instead of standard output")
        ->type_name("FILE");
    return Command{app, [options] { return runMerge(*options); }};
}
