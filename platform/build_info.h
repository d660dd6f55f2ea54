#pragma once

#include <string_view>

namespace satphase {

// Which program made an output: the release version and the commit it was
// built from, so that a figure or a file of formulas can be traced back to
// the generator that drew it.

// "X.Y.Z", from the project's version in CMake.
std::string_view programVersion();

// The git commit the program was built from (40 hex digits, with "-dirty"
// when the tree had uncommitted changes), or "unknown" for a build outside git.
std::string_view programCommit();

}  // namespace satphase
