#include "transport/lnkWindow.h"

#include "platform/ThreadHandoff.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QObject>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace dabrix::transport {

namespace {

class Dispatcher;

const QEvent::Type kPostedType = static_cast<QEvent::Type>(QEvent::registerEventType());
const QEvent::Type kSentType = static_cast<QEvent::Type>(QEvent::registerEventType());

// Where a sender waits for its notification.
struct SendState {
    enum class Stage { Pending, Running, Done, Dropped, Abandoned };
    std::mutex lock;
    std::condition_variable changed;
    Stage stage = Stage::Pending;

    void Finish(Stage to)
    {
        {
            std::lock_guard guard(lock);
            stage = to;
        }
        changed.notify_all();
    }
};

} // namespace

struct WindowCore {
    NotificationTarget target;  // set at creation, never changed: only `alive` is
    QObject* receiver = nullptr;
    std::thread::id thread;
    std::mutex lock;            // guards `alive` and posting to `receiver`
    bool alive = true;

    bool Alive()
    {
        std::lock_guard guard(lock);
        return alive;
    }
};

namespace {

class NotifyEvent : public QEvent {
public:
    NotifyEvent(std::shared_ptr<WindowCore> core, uint32_t msg, uintptr_t w, intptr_t l,
                std::shared_ptr<SendState> send)
        : QEvent(send ? kSentType : kPostedType), core(std::move(core)), msg(msg), w(w), l(l),
          send(std::move(send))
    {
    }

    // A send that never reached its window (the window or its thread went away first)
    // must still release the sender.
    ~NotifyEvent() override
    {
        dabrix::platform::TakeOver(this);
        if (!send)
            return;
        std::lock_guard guard(send->lock);
        if (send->stage == SendState::Stage::Pending) {
            send->stage = SendState::Stage::Dropped;
            send->changed.notify_all();
        }
    }

    std::shared_ptr<WindowCore> core;
    uint32_t msg;
    uintptr_t w;
    intptr_t l;
    std::shared_ptr<SendState> send;
    std::vector<uint8_t> block;  // bytes that travel with a PostBlock notification
};

class Dispatcher : public QObject {
public:
    bool event(QEvent* e) override
    {
        if (e->type() != kPostedType && e->type() != kSentType)
            return QObject::event(e);
        auto* n = static_cast<NotifyEvent*>(e);
        dabrix::platform::TakeOver(n);
        if (n->send) {
            std::lock_guard guard(n->send->lock);
            if (n->send->stage != SendState::Stage::Pending)
                return true;  // the sender gave up
            n->send->stage = SendState::Stage::Running;
        }
        const bool alive = n->core->Alive();
        if (alive)
            n->core->target(n->msg, n->w, n->l);
        if (n->send)
            n->send->Finish(alive ? SendState::Stage::Done : SendState::Stage::Dropped);
        return true;
    }
};

// One receiver per thread, made when the thread creates its first window and deleted
// when the thread ends (after its windows, which must be destroyed by then).
struct DispatcherSlot {
    Dispatcher* dispatcher = nullptr;
    ~DispatcherSlot() { delete dispatcher; }
};
thread_local DispatcherSlot tlsDispatcher;

Dispatcher* CurrentDispatcher()
{
    if (!tlsDispatcher.dispatcher) {
        if (!QCoreApplication::instance())
            return nullptr;
        // A plain std::thread has no Qt event dispatcher until something asks for one;
        // constructing an event loop does, so processEvents serves this thread's windows.
        { QEventLoop ensureDispatcher; }
        tlsDispatcher.dispatcher = new Dispatcher;
    }
    return tlsDispatcher.dispatcher;
}

void PostNotification(QObject* receiver, NotifyEvent* event)
{
    dabrix::platform::HandOver(event);
    QCoreApplication::postEvent(receiver, event);
}

// Posts `event` to a live window; false (and the event freed) once the window is gone.
bool PostToWindow(WindowCore& core, std::unique_ptr<NotifyEvent> event)
{
    std::lock_guard guard(core.lock);
    if (!core.alive)
        return false;
    // Posting under the window's lock keeps the receiver alive: Destroy takes the same
    // lock, and the receiver outlives every live window of its thread.
    PostNotification(core.receiver, event.release());
    return true;
}

std::mutex registryLock;
std::vector<std::shared_ptr<WindowCore>> registry;

std::vector<std::shared_ptr<WindowCore>> RegistryCopy()
{
    std::lock_guard guard(registryLock);
    return registry;
}

} // namespace

bool WindowHandle::Valid() const
{
    return core_ && core_->Alive();
}

bool WindowHandle::Post(uint32_t Msg, uintptr_t WParam, intptr_t LParam) const
{
    return core_ && PostToWindow(*core_, std::make_unique<NotifyEvent>(core_, Msg, WParam, LParam, nullptr));
}

bool WindowHandle::PostBlock(uint32_t Msg, const void* Data, size_t Size, intptr_t LParam) const
{
    if (!core_)
        return false;
    auto event = std::make_unique<NotifyEvent>(core_, Msg, 0, LParam, nullptr);
    const auto* bytes = static_cast<const uint8_t*>(Data);
    event->block.assign(bytes, bytes + Size);
    event->w = reinterpret_cast<uintptr_t>(event->block.data());
    return PostToWindow(*core_, std::move(event));
}

bool WindowHandle::Send(uint32_t Msg, uintptr_t WParam, intptr_t LParam) const
{
    return SendImpl(Msg, WParam, LParam, std::chrono::milliseconds::max());
}

bool WindowHandle::SendTimeout(uint32_t Msg, uintptr_t WParam, intptr_t LParam,
                               std::chrono::milliseconds Timeout) const
{
    return SendImpl(Msg, WParam, LParam, Timeout);
}

bool WindowHandle::SendImpl(uint32_t msg, uintptr_t w, intptr_t l, std::chrono::milliseconds timeout) const
{
    if (!core_)
        return false;
    if (std::this_thread::get_id() == core_->thread) {
        if (!core_->Alive())
            return false;
        core_->target(msg, w, l);
        return true;
    }

    auto state = std::make_shared<SendState>();
    {
        std::lock_guard guard(core_->lock);
        if (!core_->alive)
            return false;
        PostNotification(core_->receiver, new NotifyEvent(core_, msg, w, l, state));
    }

    using Stage = SendState::Stage;
    std::unique_lock wait(state->lock);
    auto settled = [&] { return state->stage == Stage::Done || state->stage == Stage::Dropped; };
    if (timeout == std::chrono::milliseconds::max()) {
        state->changed.wait(wait, settled);
    } else if (!state->changed.wait_for(wait, timeout, [&] { return state->stage != Stage::Pending; })) {
        state->stage = Stage::Abandoned;
        return false;
    } else {
        // Started in time: the handler may use what the notification points to, so wait
        // for it to finish.
        state->changed.wait(wait, settled);
    }
    return state->stage == Stage::Done;
}

int NotificationWindow::Create(NotificationTarget Target, bool Broadcasts)
{
    if (handle_.Valid())
        return 1;
    Dispatcher* receiver = CurrentDispatcher();
    if (!receiver)
        return 1;
    auto core = std::make_shared<WindowCore>();
    core->target = std::move(Target);
    core->receiver = receiver;
    core->thread = std::this_thread::get_id();
    if (Broadcasts) {
        std::lock_guard guard(registryLock);
        registry.push_back(core);
    }
    handle_ = WindowHandle(std::move(core));
    return 0;
}

void NotificationWindow::Destroy()
{
    std::shared_ptr<WindowCore> core = std::move(handle_.core_);
    handle_ = WindowHandle();
    if (!core)
        return;
    {
        std::lock_guard guard(core->lock);
        core->alive = false;
    }
    {
        std::lock_guard guard(registryLock);
        registry.erase(std::remove(registry.begin(), registry.end(), core), registry.end());
    }
    // Queued notifications of this window find it dead and are dropped as they come up;
    // other windows of the thread share the receiver, so its queue is left alone.
}

void BroadcastPost(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    for (const auto& core : RegistryCopy())
        WindowHandle(core).Post(Msg, WParam, LParam);
}

void BroadcastSend(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    for (const auto& core : RegistryCopy())
        WindowHandle(core).Send(Msg, WParam, LParam);
}

void ProcessSentNotifications()
{
    if (tlsDispatcher.dispatcher)
        QCoreApplication::sendPostedEvents(tlsDispatcher.dispatcher, kSentType);
}

void JoinServingSends(std::thread& Worker, const std::atomic<bool>& Done)
{
    while (!Done.load()) {
        ProcessSentNotifications();
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    Worker.join();
}

} // namespace dabrix::transport
