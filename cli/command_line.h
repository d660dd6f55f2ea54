#pragma once

#include <string>
#include <variant>
#include <vector>

#include "cli/options.h"

namespace satphase {

// The command line has been answered already (--help, --version, or an error
// said on standard error): exit with this status.
struct Answered {
    int status = 0;
};

// What the command line asks for: a command and its options, or nothing more.
using CommandRequest =
    std::variant<Answered, SweepOptions, MergeOptions, GenerateOptions, SolveOptions>;

// Reads satphase's command line (argc >= 2; plot and analyze, whose arguments
// belong to their Python programs, are run before it is read). Prints the help
// or the version when asked, and a refused command line as one line naming the
// command whose help to read, with status 2.
CommandRequest readCommandLine(int argc, char** argv);

// The options of one command, as the command line gives them.
using ParsedCommand = std::variant<SweepOptions, MergeOptions, GenerateOptions, SolveOptions>;

// Reads one command's arguments (the command's name first, no program name)
// as readCommandLine does, but prints nothing and knows no --help or
// --version: the options, or what is wrong with them in the words the
// command line says it. For callers that report refusals their own way.
std::variant<ParsedCommand, std::string> parseCommand(const std::vector<std::string>& arguments);

}  // namespace satphase
