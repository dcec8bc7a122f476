#include "transport/lnkConnection.h"

#include "platform/ThreadHandoff.h"
#include "transport/lnkErrors.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkMessages.h"

#include <QCoreApplication>
#include <cerrno>
#include <sys/eventfd.h>
#include <system_error>
#include <unistd.h>

using namespace dabrix::transport;

TlnkCustomConnection::TlnkCustomConnection(TComponent* Owner)
    : TlnkBaseComponent(Owner), buffers_(std::make_unique<TlnkBuffers>(this))
{
}

TlnkCustomConnection::~TlnkCustomConnection()
{
    // Subclasses stop their workers while they can still answer IsConnected; this is
    // only the last line of defence.
    StopWorker();
}

void TlnkCustomConnection::SetTransport(TlnkTransport Value)
{
    if (transport_ == Value)
        return;
    if (!IsIdle())
        throw lnkEConnectionActive(QCoreApplication::translate("lnkExceptions", "Connection is active."));
    CheckTransport(Value);
    transport_ = Value;
}

void TlnkCustomConnection::SetBuffers(const TlnkBuffers* Value)
{
    if (Value == buffers_.get())
        return;
    if (!IsIdle())
        throw lnkEConnectionActive(QCoreApplication::translate("lnkExceptions", "Connection is active."));
    if (!Value)
        throw lnkEInvalidArgument(
            QCoreApplication::translate("lnkExceptions", "Buffers object is not valid."));
    buffers_->Assign(Value);
}

bool TlnkCustomConnection::DataHook(const uint8_t*, uint32_t)
{
    return false;
}

void TlnkCustomConnection::CheckTransport(TlnkTransport) const {}

void TlnkCustomConnection::AppendReceived(const uint8_t* Buffer, size_t Size)
{
    if (Size == 0 || !IsConnected())
        return;
    bool wasEmpty;
    {
        std::lock_guard guard(queueLock_);
        wasEmpty = queue_.empty();
        queue_.insert(queue_.end(), Buffer, Buffer + Size);
    }
    // One notification per batch: while the queue is not empty a notification is on its
    // way, and the owner takes everything queued when it comes.
    if (wasEmpty)
        NotificationWindow().Post(msg::DataWaiting);
}

void TlnkCustomConnection::DeliverReceived()
{
    std::vector<uint8_t> block;
    {
        std::lock_guard guard(queueLock_);
        block.swap(queue_);
    }
    if (block.empty())
        return;
    if (IsConnected()) {
        const auto size = static_cast<uint32_t>(block.size());
        if (!DataHook(block.data(), size) && OnData)
            OnData(this, block.data(), size);
    }
    // Hand the storage back so the next batch need not grow a fresh buffer.
    block.clear();
    std::lock_guard guard(queueLock_);
    if (queue_.empty() && queue_.capacity() < block.capacity())
        queue_.swap(block);
}

void TlnkCustomConnection::DiscardReceived()
{
    std::lock_guard guard(queueLock_);
    queue_.clear();
}

int TlnkCustomConnection::StartWorker(std::function<void(int TerminateFd)> Body)
{
    const int fd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        return code::OutOfResources;
    try {
        worker_ = std::thread(std::move(Body), fd);
    } catch (const std::system_error&) {
        ::close(fd);
        return code::OutOfResources;
    }
    terminateFd_ = fd;
    return code::Ok;
}

void TlnkCustomConnection::AcknowledgeStop() const
{
    dabrix::platform::TakeOver(&terminateFd_);
}

void TlnkCustomConnection::StopWorker()
{
    if (!worker_.joinable())
        return;
    // The descriptor carries no ordering the thread checker sees; say it.
    dabrix::platform::HandOver(&terminateFd_);
    const uint64_t one = 1;
    while (::write(terminateFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    worker_.join();
    ::close(terminateFd_);
    terminateFd_ = -1;
}
