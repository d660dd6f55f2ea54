#pragma once

#include <CLI/CLI.hpp>
#include <functional>

// A subcommand as registered with the parser, and what running it does.
struct Command {
    CLI::App* app;
    std::function<int()> run;  // returns the exit status
};
