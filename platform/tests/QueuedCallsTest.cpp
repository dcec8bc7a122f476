// Calls handed from worker threads to the owner thread: they run there, in the order
// each worker posted them, and what a call holds is released whether it ran or not.
#include "platform/QueuedCalls.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <QThread>

#include <memory>
#include <thread>
#include <vector>

namespace {

using dabrix::platform::QueuedCalls;

TEST(QueuedCalls, CallsFromWorkersRunOnTheOwnerThreadInTheirOrder)
{
    QueuedCalls calls;
    constexpr int kWorkers = 3;
    constexpr int kPerWorker = 2000;
    std::vector<std::vector<int>> seen(kWorkers);
    bool allOnOwner = true;
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < kPerWorker; ++i) {
                // A payload on the heap, made on the worker and read on the owner.
                auto payload = std::make_shared<std::vector<int>>(1, i);
                calls.Post([&, w, payload] {
                    allOnOwner = allOnOwner && QThread::currentThread() == calls.thread();
                    seen[w].push_back(payload->front());
                });
            }
        });
    }
    for (auto& t : workers)
        t.join();
    EXPECT_TRUE(dabrix::test::WaitFor([&] {
        for (const auto& s : seen)
            if (s.size() < kPerWorker)
                return false;
        return true;
    }));
    EXPECT_TRUE(allOnOwner);
    for (int w = 0; w < kWorkers; ++w) {
        ASSERT_EQ(seen[w].size(), static_cast<size_t>(kPerWorker)) << "worker " << w;
        for (int i = 0; i < kPerWorker; ++i)
            ASSERT_EQ(seen[w][i], i) << "worker " << w;
    }
}

TEST(QueuedCalls, CallsStillQueuedAtDestructionAreDroppedAndReleased)
{
    auto held = std::make_shared<int>(7);
    bool ran = false;
    {
        QueuedCalls calls;
        std::thread worker([&] { calls.Post([&ran, held] { ran = true; }); });
        worker.join();
    }
    dabrix::test::RunEventsFor(std::chrono::milliseconds(20));
    EXPECT_FALSE(ran);
    EXPECT_EQ(held.use_count(), 1);
}

} // namespace
