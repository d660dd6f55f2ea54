#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <variant>
#include <vector>

#include "cli/command_line.h"

namespace satphase {

// The options of the command that `arguments` give ("sweep" first, each
// option as one "--name=value"), or ValueError in the command line's words.
template <typename Options>
Options commandOptions(const std::vector<std::string>& arguments) {
    std::variant<ParsedCommand, std::string> parsed = parseCommand(arguments);
    if (const auto* problem = std::get_if<std::string>(&parsed)) {
        throw pybind11::value_error(*problem);
    }
    const auto* options = std::get_if<Options>(&std::get<ParsedCommand>(parsed));
    if (options == nullptr) {
        throw pybind11::value_error("not this command's arguments");
    }
    return *options;
}

}  // namespace satphase
