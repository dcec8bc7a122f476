#pragma once
// The receive event of a USB link: the condition variable and mutex that
// FT_SetEventNotification gets (Native()). The D2XX library signals the condition when a
// character arrives; the link signals it to wake its receive thread for stopping.
//
// A condition variable remembers nothing: a signal given while nobody waits is gone. The
// library sets no flag beside it either, so a waiter must not rely on one. WaitFor
// therefore always ends within its time limit, and the caller looks at the device's queue
// after every wake-up, signalled or not.
//
// Threads: Signal may be called from any thread (the library's own threads included);
// one thread at a time waits. The object must outlive every registration with the
// library and every waiter.
#include "comm/d2xx/D2XXApi.h"

#include <atomic>
#include <chrono>

namespace dabrix::comm {

class D2XXEvent {
public:
    D2XXEvent();
    ~D2XXEvent();
    D2XXEvent(const D2XXEvent&) = delete;
    D2XXEvent& operator=(const D2XXEvent&) = delete;

    // False when the system could not create the condition variable or its mutex; such
    // an event must not be used.
    bool Valid() const { return valid_; }

    // Wakes the waiter, as the library does.
    void Signal();

    // Waits for a signal, at most `timeout`; returns at once when `stop` is set. `stop`
    // is read under the event's mutex, so a Signal that follows setting it is never
    // missed. True when the wait ended before the time ran out (a signal, or a spurious
    // wake-up, which the caller cannot tell apart and need not); false on time-out, for a
    // stop seen before waiting, and for an invalid event.
    bool WaitFor(std::chrono::milliseconds timeout, const std::atomic<bool>& stop);

    // What FT_SetEventNotification takes as its event argument.
    D2XXEventHandle* Native() { return &handle_; }

private:
    D2XXEventHandle handle_{};
    bool valid_ = false;
};

} // namespace dabrix::comm
