#pragma once

namespace satphase {

// Opens /dev/null on each of standard input, output and error that is
// closed. A program started with, say, 2>&- would otherwise get descriptor
// 2 for the first file it opens, and its messages would land in that file.
// Standard output is opened for reading only, so that what the program
// writes there still fails (EBADF) and is said to fail, as on a closed
// descriptor; standard error is opened for writing and its messages go.
void openClosedStandardDescriptors() noexcept;

}  // namespace satphase
