// Notification windows: posting and sending across threads, and what happens to
// notifications of a window that goes away.
#include "tests/support/EventLoop.h"
#include "transport/tests/PumpThread.h"
#include "transport/lnkWindow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

using namespace dabrix::transport;
using dabrix::test::PumpThread;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

struct Received {
    uint32_t msg;
    uintptr_t w;
    intptr_t l;
    std::thread::id thread;
};

// Records what its window receives; safe to read from the test thread.
struct Recorder {
    std::mutex lock;
    std::vector<Received> items;

    NotificationTarget Target()
    {
        return [this](uint32_t m, uintptr_t w, intptr_t l) {
            std::lock_guard guard(lock);
            items.push_back({m, w, l, std::this_thread::get_id()});
        };
    }
    size_t Count()
    {
        std::lock_guard guard(lock);
        return items.size();
    }
};

// A window made and owned by `owner`'s thread; the test deletes it there.
NotificationWindow* CreateOn(PumpThread& owner, Recorder& rec)
{
    NotificationWindow* window = nullptr;
    owner.Run([&] {
        window = new NotificationWindow;
        EXPECT_EQ(window->Create(rec.Target()), 0);
    });
    return window;
}

} // namespace

TEST(NotificationWindowTest, PostsFromAWorkerArriveInOrderOnTheOwnerThread)
{
    Recorder rec;
    NotificationWindow window;
    ASSERT_EQ(window.Create(rec.Target()), 0);
    const WindowHandle handle = window.Handle();

    std::thread worker([&] {
        for (int i = 0; i < 100; ++i)
            EXPECT_TRUE(handle.Post(1030, i, -i));
    });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return rec.Count() == 100; }));
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(rec.items[i].msg, 1030u);
        EXPECT_EQ(rec.items[i].w, uintptr_t(i));
        EXPECT_EQ(rec.items[i].l, -i);
        EXPECT_EQ(rec.items[i].thread, std::this_thread::get_id());
    }
}

TEST(NotificationWindowTest, DestroyDropsQueuedNotificationsAndRefusesNewOnes)
{
    Recorder rec;
    NotificationWindow window;
    ASSERT_EQ(window.Create(rec.Target()), 0);
    const WindowHandle handle = window.Handle();
    EXPECT_TRUE(handle.Post(1));
    EXPECT_TRUE(handle.Post(2));
    window.Destroy();

    EXPECT_FALSE(handle.Valid());
    EXPECT_FALSE(handle.Post(3));
    EXPECT_FALSE(handle.Send(4));
    RunEventsFor(30ms);
    EXPECT_EQ(rec.Count(), 0u);
}

TEST(NotificationWindowTest, AHandlerMayDestroyItsOwnWindow)
{
    NotificationWindow window;
    int calls = 0;
    ASSERT_EQ(window.Create([&](uint32_t, uintptr_t, intptr_t) {
        ++calls;
        window.Destroy();
    }), 0);
    window.Handle().Post(1);
    window.Handle().Post(2);
    RunEventsFor(30ms);
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(window.Active());
}

TEST(NotificationWindowTest, SendOnTheOwnerThreadRunsAtOnce)
{
    Recorder rec;
    NotificationWindow window;
    ASSERT_EQ(window.Create(rec.Target()), 0);
    EXPECT_TRUE(window.Handle().Send(7, 8, 9));
    EXPECT_EQ(rec.Count(), 1u);  // no event loop needed
}

TEST(NotificationWindowTest, SendFromAWorkerReturnsAfterTheHandlerRan)
{
    std::atomic<bool> handled{false};
    NotificationWindow window;
    ASSERT_EQ(window.Create([&](uint32_t, uintptr_t, intptr_t) {
        std::this_thread::sleep_for(20ms);
        handled = true;
    }), 0);

    std::atomic<bool> sent{false};
    std::atomic<bool> handledWhenSendReturned{false};
    std::thread worker([&, handle = window.Handle()] {
        sent = handle.Send(1);
        handledWhenSendReturned = handled.load();
    });
    EXPECT_TRUE(WaitFor([&] { return handled.load(); }));
    worker.join();
    EXPECT_TRUE(sent);
    EXPECT_TRUE(handledWhenSendReturned);
}

TEST(NotificationWindowTest, TimedOutSendIsNeverRun)
{
    PumpThread owner;
    Recorder rec;
    NotificationWindow* window = CreateOn(owner, rec);
    owner.SetPumping(false);

    EXPECT_FALSE(window->Handle().SendTimeout(5, 0, 0, 50ms));
    owner.SetPumping(true);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(rec.Count(), 0u);

    // A send that is served in time succeeds.
    EXPECT_TRUE(window->Handle().SendTimeout(6, 0, 0, 2000ms));
    EXPECT_EQ(rec.Count(), 1u);
    owner.Run([&] { delete window; });
}

TEST(NotificationWindowTest, SendToAWindowDestroyedBeforeItRanReturnsFalse)
{
    PumpThread owner;
    Recorder rec;
    NotificationWindow* window = CreateOn(owner, rec);
    owner.SetPumping(false);

    std::atomic<int> result{-1};
    std::thread sender([&, handle = window->Handle()] { result = handle.Send(9) ? 1 : 0; });
    std::this_thread::sleep_for(30ms);  // let the send be queued
    owner.Run([&] { delete window; });
    owner.SetPumping(true);
    sender.join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(rec.Count(), 0u);
}

TEST(NotificationWindowTest, BroadcastsReachOnlyListedWindows)
{
    Recorder listed, unlisted;
    NotificationWindow a, b;
    ASSERT_EQ(a.Create(listed.Target(), true), 0);
    ASSERT_EQ(b.Create(unlisted.Target(), false), 0);

    BroadcastSend(100);
    BroadcastPost(101);
    ASSERT_TRUE(WaitFor([&] { return listed.Count() == 2; }));
    RunEventsFor(20ms);
    EXPECT_EQ(listed.items[0].msg, 100u);
    EXPECT_EQ(listed.items[1].msg, 101u);
    EXPECT_EQ(unlisted.Count(), 0u);

    a.Destroy();
    BroadcastPost(102);
    RunEventsFor(20ms);
    EXPECT_EQ(listed.Count(), 2u);
}
