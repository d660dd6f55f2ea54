#pragma once

#include <pybind11/pybind11.h>

#include <string>
#include <vector>

namespace satphase {

// Runs `satphase sweep` with `arguments` ("sweep" first, each option as one
// "--name=value") on threads of its own, the calling thread holding the GIL
// only to look for Python's signals and to call `progress(done, total)` (the
// formulas decided so far, of those this run decides) ten times a second,
// when it is not None. The records go where the arguments' --output says.
//
// A request the command refuses raises ValueError with the command's
// message; a failed sweep RuntimeError with it. Ctrl-C (or any exception the
// signal handlers or `progress` raise) stops the sweep within moments, its
// finished cells kept as the command keeps them, and is raised again.
void runSweepFromPython(const std::vector<std::string>& arguments,
                        const pybind11::object& progress);

}  // namespace satphase
