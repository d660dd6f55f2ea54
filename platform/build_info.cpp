#include "platform/build_info.h"

// Filled in by the build from the project's version and git.
std::string_view programVersion() {
    return "0.0.0";
}

std::string_view programCommit() {
    return "unknown";
}
