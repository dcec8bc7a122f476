#pragma once
// The receive event of a USB link: an automatically resetting, initially unsignalled
// event that the D2XX library signals when a character arrives (FT_SetEventNotification
// gets Native()) and that the link signals to wake its receive thread for stopping.
//
// Threads: Signal may be called from any thread (the library's own threads included);
// one thread at a time waits. The object must outlive every registration with the
// library and every waiter.
#include "comm/d2xx/D2XXApi.h"

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

    void Signal();

    // Waits until signalled and consumes the signal. Returns false only for an invalid
    // event.
    bool Wait();

    // As Wait, at most `timeout`; false when the time ran out unsignalled.
    bool WaitFor(std::chrono::milliseconds timeout);

    // What FT_SetEventNotification takes as its event argument.
    D2XXEventHandle* Native() { return &handle_; }

private:
    D2XXEventHandle handle_{};
    bool valid_ = false;
};

} // namespace dabrix::comm
