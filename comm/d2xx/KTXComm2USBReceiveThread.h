#pragma once
// The receive thread of an open USB (D2XX) link. It sleeps on the link's receive event,
// which the D2XX library signals when characters arrive, reads what is waiting in chunks
// of at most 255 bytes and hands each chunk to the receiver on this thread.
//
// The event is a bare condition variable: a signal that comes while the thread is busy
// reading or delivering is lost, and the library leaves no mark of it. So the wait has a
// time limit (kWaitLimitMs), the queue is asked after every wake-up, signalled or not,
// and after every delivered chunk the queue is asked again at once: bytes that arrived
// meanwhile are read without waiting for the gauge's next character.
//
// Threading contract:
//  - The owner (the user-interface thread) creates and stops the thread; the thread
//    starts at once with a priority one step above normal where the system allows it.
//  - The receiver runs on this thread. It may write to the same handle; it must not
//    destroy the thread object.
//  - Stop: the terminated mark, a signal of the event, a join. The owner keeps the D2XX
//    handle open and the event alive until Stop has returned.
#include "comm/d2xx/D2XXApi.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace dabrix::comm {
class D2XXEvent;
}

class TKTXComm2USBReceiveThread {
public:
    using TReceiver = std::function<void(const uint8_t* data, int count)>;

    static constexpr int kChunkSize = 255;

    // The longest the thread sleeps without looking at the queue. A signal still wakes it
    // at once; the limit only bounds how late bytes whose signal was lost are seen.
    static constexpr int kWaitLimitMs = 100;

    // Without an event (the system could not make one) the thread looks at the queue
    // every kPollInterval instead of sleeping until a character arrives.
    static constexpr int kPollIntervalMs = 10;

    TKTXComm2USBReceiveThread(TReceiver receiver, FT_HANDLE handle,
                              dabrix::comm::D2XXEvent* receiveEvent);
    ~TKTXComm2USBReceiveThread();
    TKTXComm2USBReceiveThread(const TKTXComm2USBReceiveThread&) = delete;
    TKTXComm2USBReceiveThread& operator=(const TKTXComm2USBReceiveThread&) = delete;

    // Marks the thread terminated, wakes it and waits for it to end. Repeatable.
    void Stop();
    bool Terminated() const;

private:
    struct Worker;
    std::shared_ptr<Worker> worker_;
    std::thread thread_;
};
