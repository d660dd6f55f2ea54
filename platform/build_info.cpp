#include "platform/build_info.h"

// The header is written by cmake/build_info.cmake at every build, from the
// project's version and the source tree's git commit.
#include "satphase_build_info.h"

namespace satphase {

std::string_view programVersion() {
    return SATPHASE_VERSION;
}

std::string_view programCommit() {
    return SATPHASE_COMMIT;
}

}  // namespace satphase
