// The host's tone with standard error on a terminal and standard output in a
// file. POSIX only: a pseudo-terminal takes the place of file descriptor 2.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "platform/tone.h"

namespace satphase {

namespace {

TEST(HostToneTest, TheBellGoesToAStandardErrorTerminalOnlyAndTheToneBlocks) {
    const int terminal = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_TRUE(terminal >= 0 && grantpt(terminal) == 0 && unlockpt(terminal) == 0);
    const int stderrTarget = open(ptsname(terminal), O_RDWR | O_NOCTTY);
    std::FILE* const stdoutTarget = std::tmpfile();
    std::fflush(nullptr);
    const int savedOut = dup(STDOUT_FILENO);
    const int savedErr = dup(STDERR_FILENO);
    dup2(fileno(stdoutTarget), STDOUT_FILENO);
    dup2(stderrTarget, STDERR_FILENO);

    const auto start = std::chrono::steady_clock::now();
    HostTone().sound(440, 60);
    const auto took = std::chrono::steady_clock::now() - start;
    std::cout.flush();
    std::fflush(nullptr);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);

    std::string heard;
    pollfd ready{terminal, POLLIN, 0};
    char received[16];
    for (ssize_t count = 0;
         poll(&ready, 1, 50) == 1 && (count = read(terminal, received, sizeof received)) > 0;) {
        heard.append(received, static_cast<std::size_t>(count));
    }
    EXPECT_EQ(heard, "\a");
    EXPECT_EQ(lseek(fileno(stdoutTarget), 0, SEEK_END), 0);
    EXPECT_GE(took, std::chrono::milliseconds(60));
    for (const int fd : {savedOut, savedErr, stderrTarget, terminal}) {
        close(fd);
    }
    std::fclose(stdoutTarget);
}

}  // namespace

}  // namespace satphase
