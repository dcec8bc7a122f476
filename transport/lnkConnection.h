#pragma once
// The base of every connection: its transport, its buffer sizes, the receive queue that
// workers fill and the owner drains into OnData, and the connection's worker thread.
//
// Threading: everything is used on the owner thread except AppendReceived, which a
// worker calls while the connection is active. A worker runs only while the notification
// window exists (started after it is created, stopped before it is destroyed).
#include "transport/lnkAPI.h"
#include "transport/lnkBaseComponent.h"
#include "transport/lnkParams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A fixed underlying type: an unknown command is refused, not undefined.
enum TlnkSerialLineCommand : int {
    lcClearDTR, lcSetDTR, lcClearRTS, lcSetRTS, lcSetXOFF, lcSetXON, lcClearBreak, lcSetBreak
};

// The buffer is valid only during the call; Size is at least 1.
using TlnkConnectionDataEvent = std::function<void(TObject* Sender, const uint8_t* Buffer, uint32_t Size)>;

class TlnkCustomConnection : public TlnkBaseComponent {
public:
    explicit TlnkCustomConnection(TComponent* Owner);
    ~TlnkCustomConnection() override;

    // Raises lnkEConnectionActive while not idle and lnkEInvalidTransport for a transport
    // the connection cannot use.
    TlnkTransport Transport() const { return transport_; }
    void SetTransport(TlnkTransport Value);

    TlnkBuffers* Buffers() const { return buffers_.get(); }
    // Copies the values; null raises lnkEInvalidArgument "Buffers object is not valid.".
    void SetBuffers(const TlnkBuffers* Value);

    // No link and nothing under way: parameters may change.
    virtual bool IsIdle() const = 0;
    // Received bytes are taken only while connected. Any thread.
    virtual bool IsConnected() const = 0;

protected:
    TlnkConnectionDataEvent OnData;

    // Offered each drained block before OnData; returns true when it consumed the block.
    virtual bool DataHook(const uint8_t* Buffer, uint32_t Size);
    // Raises lnkEInvalidTransport for a transport this kind of connection does not serve.
    virtual void CheckTransport(TlnkTransport Value) const;
    virtual int Write(const void* Buffer, uint32_t Size) = 0;
    virtual int SerialLineCommand(TlnkSerialLineCommand Command) = 0;

    // Worker side: queues received bytes (dropped unless connected) and tells the owner.
    // Any thread.
    void AppendReceived(const uint8_t* Buffer, size_t Size);
    // Owner side, on "data waiting": takes everything queued and, while connected, hands
    // it to DataHook or else to OnData in one call.
    void DeliverReceived();
    void DiscardReceived();

    // Starts the worker with a terminate descriptor it must watch (an eventfd that
    // becomes readable when the worker is to stop). 0, or 1 when no thread or descriptor
    // can be had.
    int StartWorker(std::function<void(int TerminateFd)> Body);
    // Signals the worker and waits for it, without a time limit. No-op when none runs.
    void StopWorker();
    // Worker side, once it has seen its terminate descriptor readable: from here on it may
    // touch what the owner used until it asked the worker to stop (the owner is waiting).
    void AcknowledgeStop() const;

private:
    TlnkTransport transport_ = trBluetooth;
    std::unique_ptr<TlnkBuffers> buffers_;

    // The receive queue. Workers append to a growing buffer; the owner swaps it out
    // whole, so the lock is held only for the append or the swap.
    std::mutex queueLock_;
    std::vector<uint8_t> queue_;

    std::thread worker_;
    int terminateFd_ = -1;
};
