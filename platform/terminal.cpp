#include "platform/terminal.h"

#if defined(_WIN32)
#include <io.h>

#include <cstdio>

bool standardErrorIsTerminal() { return _isatty(_fileno(stderr)) != 0; }
#else
#include <unistd.h>

bool standardErrorIsTerminal() { return isatty(STDERR_FILENO) != 0; }
#endif
