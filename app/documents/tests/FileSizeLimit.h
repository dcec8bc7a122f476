#pragma once
// A full disk on demand: while a ScopedFileSizeLimit lives, no file this process writes
// can grow beyond the limit; writes past it fail with EFBIG, even for root, where a
// read-only folder would not stop anything. The signal the kernel also sends for it
// (SIGXFSZ, which would end the test) is ignored meanwhile.
#include <csignal>
#include <sys/resource.h>

namespace dabrix::app::test {

class ScopedFileSizeLimit {
public:
    explicit ScopedFileSizeLimit(rlim_t bytes)
    {
        if (::getrlimit(RLIMIT_FSIZE, &saved_) != 0)
            return;
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved_;
        limited.rlim_cur = bytes;
        active_ = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~ScopedFileSizeLimit()
    {
        if (active_)
            ::setrlimit(RLIMIT_FSIZE, &saved_);
        if (previous_ != SIG_ERR)
            std::signal(SIGXFSZ, previous_);
    }
    ScopedFileSizeLimit(const ScopedFileSizeLimit&) = delete;
    ScopedFileSizeLimit& operator=(const ScopedFileSizeLimit&) = delete;

    bool Active() const { return active_; }

private:
    struct rlimit saved_ {};
    void (*previous_)(int) = SIG_ERR;
    bool active_ = false;
};

} // namespace dabrix::app::test
