#include "platform/terminal.h"

#if defined(_WIN32)
#include <io.h>

#include <cstdio>
#else
#include <unistd.h>
#endif

namespace satphase {

#if defined(_WIN32)
bool standardErrorIsTerminal() {
    return _isatty(_fileno(stderr)) != 0;
}
#else
bool standardErrorIsTerminal() {
    return isatty(STDERR_FILENO) != 0;
}
#endif

}  // namespace satphase
