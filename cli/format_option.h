#pragma once

#include <CLI/CLI.hpp>

#include "sweep/record_format.h"

namespace satphase {

// The --format option of the commands that write a sweep's results.
CLI::Option* addFormatOption(CLI::App& app, OutputFormat& format);

}  // namespace satphase
