#include "transport/lnkWait.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <unistd.h>

namespace dabrix::transport {

Wait WaitOn(int fd, short events, int terminateFd, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
    for (;;) {
        pollfd p[2] = {{terminateFd, POLLIN, 0}, {fd, events, 0}};
        int left = -1;
        if (timeoutMs >= 0)  // rounded up: a time limit never ends early
            left = static_cast<int>(std::max<int64_t>(0, std::chrono::ceil<std::chrono::milliseconds>(
                                                             deadline - std::chrono::steady_clock::now())
                                                             .count()));
        const int n = ::poll(p, 2, left);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Wait::Failed;
        if (p[0].revents)
            return Wait::Terminated;
        if (p[1].revents)
            return Wait::Ready;
        if (n == 0 && std::chrono::steady_clock::now() >= deadline)
            return Wait::TimedOut;
    }
}

void SignalEvent(int fd)
{
    const uint64_t one = 1;
    while (::write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace dabrix::transport
