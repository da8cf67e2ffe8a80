// A lowered file-size limit for the length of a scope: a write past it fails with "File too
// large" (EFBIG), for root too, instead of ending the process with SIGXFSZ, which is ignored
// meanwhile. Children started in the scope inherit both.
#pragma once

#include <signal.h>
#include <sys/resource.h>

namespace zv::test {

class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        if (sigaction(SIGXFSZ, &ignore, &previous_action_) != 0) return;
        if (getrlimit(RLIMIT_FSIZE, &previous_limit_) != 0) {
            sigaction(SIGXFSZ, &previous_action_, nullptr);
            return;
        }
        rlimit small = previous_limit_;
        small.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
        if (!active_) sigaction(SIGXFSZ, &previous_action_, nullptr);
    }
    ~FileSizeLimit() { Lift(); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    // Whether the limit was put in place.
    bool Active() const { return active_; }

    // Back to the previous limit and signal handling (also done at the end of the scope).
    void Lift() {
        if (!active_) return;
        setrlimit(RLIMIT_FSIZE, &previous_limit_);
        sigaction(SIGXFSZ, &previous_action_, nullptr);
        active_ = false;
    }

  private:
    struct sigaction previous_action_ {};
    rlimit previous_limit_{};
    bool active_ = false;
};

}  // namespace zv::test
