#include "comm/d2xx/KTXComm2USBReceiveThread.h"

#include "comm/d2xx/D2XXEvent.h"
#include "comm/d2xx/D2XXUnit.h"
#include "platform/UserMessage.h"

#include <QDebug>

#include <algorithm>
#include <exception>
#include <pthread.h>
#include <sys/resource.h>
#include <unistd.h>

namespace d2xx = dabrix::comm::d2xx;
using dabrix::comm::D2XXEvent;

// What the thread works with; shared with the thread so that a thread stopped from
// inside its own receiver can finish after the object is gone.
struct TKTXComm2USBReceiveThread::Worker {
    TReceiver receiver;
    FT_HANDLE handle = nullptr;
    D2XXEvent* event = nullptr;       // the link's receive event, or ownEvent
    std::unique_ptr<D2XXEvent> ownEvent;
    bool polling = false;              // no event from the library: look every kPollIntervalMs
    std::atomic<bool> terminated{false};
    uint8_t count = 0;                 // bytes in chunk
    uint8_t chunk[kChunkSize] = {};

    void Run();
    void GatherChunk();
    void Deliver();
};

namespace {

// One step above normal: nice -1 for this thread. Unprivileged processes usually may not
// lower their nice value; the thread then runs at normal priority.
void RaisePriority()
{
    const pid_t tid = gettid();
    errno = 0;
    const int current = getpriority(PRIO_PROCESS, static_cast<id_t>(tid));
    if (current == -1 && errno != 0)
        return;
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), current - 1);
}

} // namespace

void TKTXComm2USBReceiveThread::Worker::Run()
{
    pthread_setname_np(pthread_self(), "dabrix-usb-rx");
    RaisePriority();
    // An error box of a read must not hold the thread once its owner stops it.
    const dabrix::platform::MessageWaitStopMark stopMark(terminated);
    const auto limit = std::chrono::milliseconds(polling ? kPollIntervalMs : kWaitLimitMs);
    while (!terminated) {
        if (event->Valid())
            event->WaitFor(limit, terminated);
        else
            std::this_thread::sleep_for(limit);
        // Signalled, timed out or woken for no reason: the queue tells whether bytes wait.
        do {
            if (terminated)
                return;
            GatherChunk();
            Deliver();
        } while (count > 0);
    }
}

// Reads what is waiting into the chunk, never asking for more than the space left.
void TKTXComm2USBReceiveThread::Worker::GatherChunk()
{
    count = 0;
    for (;;) {
        uint32_t waiting = 0;
        if (d2xx::GetQueueStatus(handle, &waiting) != FT_OK)
            waiting = 0;
        const uint32_t wanted = std::min<uint32_t>(waiting, kChunkSize - count);
        if (wanted == 0)
            return;
        FT_STATUS status = FT_OK;
        const uint32_t read = d2xx::Read(handle, chunk + count, wanted, &status);
        count = static_cast<uint8_t>(count + read);
        if (read == wanted)
            return;
        // A short read ran into its time-out; look again. A failed or empty read ends the
        // pass, so a device in trouble does not keep this thread spinning.
        if (status != FT_OK || read == 0)
            return;
    }
}

void TKTXComm2USBReceiveThread::Worker::Deliver()
{
    if (count == 0 || !receiver)
        return;
    try {
        receiver(chunk, count);
    } catch (const std::exception& e) {
        qWarning() << "USB receive: receiver failed:" << e.what();
    } catch (...) {
        qWarning() << "USB receive: receiver failed";
    }
}

TKTXComm2USBReceiveThread::TKTXComm2USBReceiveThread(TReceiver receiver, FT_HANDLE handle,
                                                     D2XXEvent* receiveEvent)
    : worker_(std::make_shared<Worker>())
{
    worker_->receiver = std::move(receiver);
    worker_->handle = handle;
    if (receiveEvent && receiveEvent->Valid()) {
        worker_->event = receiveEvent;
    } else {
        worker_->ownEvent = std::make_unique<D2XXEvent>();
        worker_->event = worker_->ownEvent.get();
        worker_->polling = true;
    }
    thread_ = std::thread([worker = worker_] { worker->Run(); });
}

TKTXComm2USBReceiveThread::~TKTXComm2USBReceiveThread()
{
    Stop();
}

void TKTXComm2USBReceiveThread::Stop()
{
    worker_->terminated = true;
    worker_->event->Signal();
    if (!thread_.joinable())
        return;
    if (thread_.get_id() == std::this_thread::get_id()) {
        // Stopped from its own receiver: it cannot join itself. It ends when the receiver
        // returns, touching nothing but the worker it shares.
        thread_.detach();
        return;
    }
    thread_.join();
}

bool TKTXComm2USBReceiveThread::Terminated() const
{
    return worker_->terminated;
}
