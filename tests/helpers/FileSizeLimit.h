#pragma once

#include <sys/resource.h>

#include <csignal>

namespace quorvex::test {

// A file-size limit on the test's process plays a full disk: writes beyond it fail with EFBIG
// (and SIGXFSZ, ignored here as a program that meets a limit must not die of it).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        applied_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() { lift(); }
    void lift() { ::setrlimit(RLIMIT_FSIZE, &saved_); }
    bool applied() const { return applied_; }

private:
    rlimit saved_{};
    bool applied_ = false;
};

}  // namespace quorvex::test
