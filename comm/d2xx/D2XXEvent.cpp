#include "comm/d2xx/D2XXEvent.h"

#include <cerrno>
#include <ctime>

namespace dabrix::comm {

D2XXEvent::D2XXEvent()
{
    // A monotonic clock, so that WaitFor is not stretched or cut by a clock change.
    pthread_condattr_t attr;
    if (pthread_condattr_init(&attr) != 0)
        return;
    pthread_condattr_setclock(&attr, CLOCK_MONOTONIC);
    const bool condOk = pthread_cond_init(&handle_.Cond, &attr) == 0;
    pthread_condattr_destroy(&attr);
    if (!condOk)
        return;
    if (pthread_mutex_init(&handle_.Mutex, nullptr) != 0) {
        pthread_cond_destroy(&handle_.Cond);
        return;
    }
    valid_ = true;
}

D2XXEvent::~D2XXEvent()
{
    if (!valid_)
        return;
    pthread_cond_destroy(&handle_.Cond);
    pthread_mutex_destroy(&handle_.Mutex);
}

void D2XXEvent::Signal()
{
    if (!valid_)
        return;
    pthread_mutex_lock(&handle_.Mutex);
    pthread_cond_signal(&handle_.Cond);
    pthread_mutex_unlock(&handle_.Mutex);
}

bool D2XXEvent::WaitFor(std::chrono::milliseconds timeout, const std::atomic<bool>& stop)
{
    if (!valid_)
        return false;
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const long long ms = timeout.count() < 0 ? 0 : timeout.count();
    deadline.tv_sec += static_cast<time_t>(ms / 1000);
    deadline.tv_nsec += static_cast<long>((ms % 1000) * 1000000);
    if (deadline.tv_nsec >= 1000000000) {
        deadline.tv_sec += 1;
        deadline.tv_nsec -= 1000000000;
    }
    pthread_mutex_lock(&handle_.Mutex);
    // One wait, not a loop on a condition: whatever woke it, the caller asks the queue.
    const bool woken = !stop && pthread_cond_timedwait(&handle_.Cond, &handle_.Mutex, &deadline) == 0;
    pthread_mutex_unlock(&handle_.Mutex);
    return woken;
}

} // namespace dabrix::comm
