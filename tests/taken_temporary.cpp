// Preloaded into one program test: the first temporary file the program
// creates is found taken, as if someone had made a file of that name a
// moment before. The program must leave that file as it is and take another
// name; one that opened it without O_EXCL would write into it and rename
// it into place.
#undef _FORTIFY_SOURCE  // its inline open() would clash with the one below
#include <dlfcn.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <string_view>

namespace {

bool planted = false;

using OpenFunction = int (*)(const char*, int, ...);

int openThrough(const char* symbol, const char* path, int flags, mode_t mode) {
    const auto real = reinterpret_cast<OpenFunction>(dlsym(RTLD_NEXT, symbol));
    if (!planted && (flags & O_CREAT) != 0 && std::string_view(path).ends_with(".tmp")) {
        planted = true;
        const int fd = real(path, O_CREAT | O_EXCL | O_WRONLY, 0644);
        if (fd >= 0) {
            static_cast<void>(write(fd, "taken\n", 6));
            close(fd);
        }
    }
    return real(path, flags, mode);
}

}  // namespace

// open() reads its mode only with O_CREAT or O_TMPFILE, and so do these.
extern "C" int open(const char* file, int oflag, ...) {
    mode_t mode = 0;
    if ((oflag & (O_CREAT | O_TMPFILE)) != 0) {
        va_list rest;
        va_start(rest, oflag);
        mode = static_cast<mode_t>(va_arg(rest, unsigned));
        va_end(rest);
    }
    return openThrough("open", file, oflag, mode);
}

extern "C" int open64(const char* file, int oflag, ...) {
    mode_t mode = 0;
    if ((oflag & (O_CREAT | O_TMPFILE)) != 0) {
        va_list rest;
        va_start(rest, oflag);
        mode = static_cast<mode_t>(va_arg(rest, unsigned));
        va_end(rest);
    }
    return openThrough("open64", file, oflag, mode);
}
