#pragma once

#include <CLI/CLI.hpp>
#include <functional>

namespace satphase {

// A subcommand of satphase: its place in the command line, and what runs it
// once the command line has been read. run() returns the exit status.
struct Command {
    CLI::App* app = nullptr;
    std::function<int()> run;
};

}  // namespace satphase
