#include "cli/merge_command.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/format_option.h"
#include "platform/interrupt.h"
#include "platform/safe_file.h"
#include "sweep/merge.h"
#include "sweep/resume.h"

namespace satphase {

namespace {

struct MergeOptions {
    std::vector<std::string> files;
    OutputFormat format = OutputFormat::Table;
    std::string output;
};

int failMerge(const std::string& problem) {
    std::cerr << "satphase merge: " << problem << "\n";
    return 1;
}

std::string systemReason() {
    return errno != 0 ? std::strerror(errno) : "write failed";
}

int runMerge(const MergeOptions& options) {
    catchInterrupts();
    const MergeOutcome merged = mergeShards(options.files, options.format);
    if (interruptRequested().load()) {
        failMerge("interrupted; nothing written");
        return 130;
    }
    for (const std::string& warning : merged.warnings) {
        std::cerr << "satphase merge: " << warning << "\n";
    }
    if (!merged.problems.empty()) {
        for (const std::string& problem : merged.problems) {
            std::cerr << "satphase merge: " << problem << "\n";
        }
        return 1;
    }
    if (options.output.empty()) {
        std::cout << merged.output << std::flush;
        if (!std::cout) {
            return failMerge("cannot write to standard output: " + systemReason());
        }
        return 0;
    }
    if (auto problem = foreignFileProblem(options.output)) {
        failMerge(*problem);
        return 2;
    }
    if (auto problem = writeFileAtomically(options.output, merged.output, true)) {
        failMerge(*problem);
        return interruptRequested().load() ? 130 : 1;
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
        "on standard error, one line each, and then nothing is written.\n"
        "\n"
        "The shards are read a line at a time. Merge holds about 100 bytes per cell and,\n"
        "for --per-formula shards, about 32 bytes per formula (some 32 MB per million\n"
        "formulas), plus the output it writes.");
    app->add_option("files", options->files, "the shards' JSON Lines files")
        ->required()
        ->type_name("FILE...");
    addFormatOption(*app, options->format);
    app->add_option("--output", options->output,
                    "write to FILE instead of standard output; a file that is no sweep output is "
                    "never replaced")
        ->type_name("FILE");
    return Command{app, [options] { return runMerge(*options); }};
}

}  // namespace satphase
