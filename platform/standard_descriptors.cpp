#include "platform/standard_descriptors.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace satphase {

#if defined(_WIN32)
void openClosedStandardDescriptors() noexcept {}
#else
// In order from 0, each open() takes the lowest free descriptor, which is
// the closed one; a descriptor that cannot be opened is left closed.
void openClosedStandardDescriptors() noexcept {
    for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        const int opened = ::open("/dev/null", fd == STDERR_FILENO ? O_WRONLY : O_RDONLY);
        if (opened >= 0 && opened != fd) {
            ::close(opened);
        }
    }
}
#endif

}  // namespace satphase
