// Preloaded into zv-convert by its tests (LD_PRELOAD): the first fsync() holds the program for
// good, after it has written one byte to the descriptor named in ZV_TEST_HOLD_FD. -o syncs its
// file once it is complete, just before it replaces the old one, so a test can signal the
// program at that moment instead of guessing it. Without the variable fsync is the real one.
#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

extern "C" int fsync(int fd) {
    if (const char* hold = getenv("ZV_TEST_HOLD_FD")) {
        [[maybe_unused]] const ssize_t told = write(atoi(hold), "h", 1);
        for (;;) pause();
    }
    using Fsync = int (*)(int);
    return reinterpret_cast<Fsync>(dlsym(RTLD_NEXT, "fsync"))(fd);
}
