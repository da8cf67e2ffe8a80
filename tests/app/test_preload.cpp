// Preloaded into zv-convert by its tests (LD_PRELOAD), to put it where a test needs it:
// - ZV_TEST_HOLD_FD=N: the first rename() holds the program for good, after it has written one
//   byte to descriptor N. -o renames its complete file, under its hidden name, over the old one
//   only then, so a test can signal the program at that moment instead of guessing it.
// - ZV_TEST_NO_TMPFILE=1: open() with O_TMPFILE fails as on a file system without it.
// Without the variables the calls are the real ones.
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

namespace {

template <class Function>
Function Real(const char* name) {
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

int Open(const char* real, const char* path, int flags, va_list rest) {
    // The mode is there when the file may be created.
    const mode_t mode =
        (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(rest, mode_t) : 0;
    if ((flags & O_TMPFILE) == O_TMPFILE && getenv("ZV_TEST_NO_TMPFILE")) {
        errno = EOPNOTSUPP;
        return -1;
    }
    using OpenFunction = int (*)(const char*, int, ...);
    return Real<OpenFunction>(real)(path, flags, mode);
}

}  // namespace

extern "C" int rename(const char* from, const char* to) {
    if (const char* hold = getenv("ZV_TEST_HOLD_FD")) {
        [[maybe_unused]] const ssize_t told = write(atoi(hold), "h", 1);
        for (;;) pause();
    }
    using RenameFunction = int (*)(const char*, const char*);
    return Real<RenameFunction>("rename")(from, to);
}

extern "C" int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = Open("open", path, flags, rest);
    va_end(rest);
    return fd;
}

extern "C" int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const int fd = Open("open64", path, flags, rest);
    va_end(rest);
    return fd;
}
