#pragma once
// Notification windows: how worker threads and the library root reach the thread that
// owns a component.
//
// A window belongs to the thread that created it and is served by that thread's Qt event
// loop (QCoreApplication::processEvents, exec). Every thread that creates windows gets
// one small receiving QObject for all of them; a window itself is a record the receiver
// looks at, so destroying a window never deletes a QObject that another thread may be
// posting to. Notifications for a destroyed window are dropped.
//
// Threading:
//   - NotificationWindow (Create, Destroy) is used only on the thread that creates it;
//     Destroy must run before that thread ends.
//   - WindowHandle is a copyable reference that any thread may hold and use: Post never
//     blocks; Send blocks until the owner thread has handled the notification (called
//     directly when the caller is the owner thread). A blocked sender does not serve
//     sends addressed to its own windows; a thread that must wait for a sender calls
//     ProcessSentNotifications in its wait loop.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace dabrix::transport {

using NotificationTarget = std::function<void(uint32_t Msg, uintptr_t WParam, intptr_t LParam)>;

struct WindowCore;

class WindowHandle {
public:
    WindowHandle() = default;

    // Created and not yet destroyed.
    bool Valid() const;
    explicit operator bool() const { return Valid(); }

    // Queues the notification for the owner thread. False when the window is gone.
    bool Post(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0) const;

    // Queues the notification with a copy of `Size` bytes: the handler gets a pointer to
    // the copy as wParam, valid while it runs, and `LParam`. The copy goes with the
    // notification, also when it is dropped. False when the window is gone.
    bool PostBlock(uint32_t Msg, const void* Data, size_t Size, intptr_t LParam) const;

    // Runs the notification on the owner thread and waits for it. True when it ran;
    // false when the window was destroyed before it could.
    bool Send(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0) const;

    // Like Send, but gives up after `Timeout` if the owner has not started handling the
    // notification by then; a notification given up on is never run, so data it points
    // to may be released as soon as this returns.
    bool SendTimeout(uint32_t Msg, uintptr_t WParam, intptr_t LParam, std::chrono::milliseconds Timeout) const;

    bool operator==(const WindowHandle& other) const { return core_ == other.core_; }

    // For the window machinery; components get handles from NotificationWindow.
    explicit WindowHandle(std::shared_ptr<WindowCore> core) : core_(std::move(core)) {}

private:
    friend class NotificationWindow;
    bool SendImpl(uint32_t msg, uintptr_t w, intptr_t l, std::chrono::milliseconds timeout) const;

    std::shared_ptr<WindowCore> core_;
};

class NotificationWindow {
public:
    NotificationWindow() = default;
    ~NotificationWindow() { Destroy(); }
    NotificationWindow(const NotificationWindow&) = delete;
    NotificationWindow& operator=(const NotificationWindow&) = delete;

    // Creates the window on the calling thread; `Target` handles every notification.
    // `Broadcasts`: the window is put in the process-wide list the library root
    // broadcasts to. Returns 0, or 1 when no window can be made (no application object,
    // or a window exists already).
    int Create(NotificationTarget Target, bool Broadcasts = true);

    // Drops pending notifications and takes the window out of the list. Safe to call
    // from inside the window's own notification handler; does nothing when not created.
    void Destroy();

    bool Active() const { return handle_.Valid(); }
    const WindowHandle& Handle() const { return handle_; }

private:
    WindowHandle handle_;
};

// Posts to / sends to every window in the process-wide list. The list is copied under
// its lock; the notifications are delivered without holding it.
void BroadcastPost(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0);
void BroadcastSend(uint32_t Msg, uintptr_t WParam = 0, intptr_t LParam = 0);

// Runs the sends that other threads are waiting on for windows of the calling thread.
void ProcessSentNotifications();

// Joins `Worker`, which sets `Done` as its last step, while serving the sends it may be
// waiting in: for a thread that owns windows and must wait for one of its workers.
void JoinServingSends(std::thread& Worker, const std::atomic<bool>& Done);

} // namespace dabrix::transport
