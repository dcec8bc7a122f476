// The USB receive thread: chunking, order, the bytes left behind a full chunk, failing
// reads and stopping. Every case runs against two simulated libraries that signal the
// event as the vendor's does, with nothing but its condition variable: one signals each
// arrival at once, the other only while the thread is busy in a queue query, so that each
// of its signals is lost and only the wait's time limit finds the bytes. The cases that do
// not need the simulated library's call log run against Dabrix's libftdi1 provider too.
#include "comm/d2xx/D2XXEvent.h"
#include "comm/d2xx/D2XXUnit.h"
#include "comm/d2xx/KTXComm2USBReceiveThread.h"
#include "comm/d2xx/tests/D2XXSimFixture.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <future>
#include <random>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace d2xx = dabrix::comm::d2xx;
using dabrix::comm::D2XXEvent;
using dabrix::test::CallCount;
using dabrix::test::ChunkCollector;
using dabrix::test::D2XXLibrary;
using dabrix::test::kBridgeId;
using dabrix::test::Pattern;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

const std::string kSerial = "RX0001";

// An open device with the event registered, as a link sets it up.
class USBReceiveThreadTest : public dabrix::test::D2XXLibraryTest {
protected:
    void SetUp() override
    {
        D2XXLibraryTest::SetUp();
        ASSERT_EQ(Sim().AddDevice(kSerial, "Gauge", kBridgeId), 0);
        ASSERT_EQ(d2xx::OpenBySerialNumber(kSerial, &handle_), FT_OK);
        ASSERT_EQ(d2xx::SetTimeouts(handle_, 10, 10), FT_OK);
        ASSERT_EQ(d2xx::SetEventNotification(handle_, FT_EVENT_RXCHAR, event_.Native()), FT_OK);
    }
    void TearDown() override
    {
        thread_.reset();
        d2xx::SetEventNotificationDirect(handle_, 0, event_.Native());
        d2xx::Close(handle_);
        D2XXLibraryTest::TearDown();
    }
    void Start(D2XXEvent* event)
    {
        thread_ = std::make_unique<TKTXComm2USBReceiveThread>(collector_.Receiver(), handle_, event);
    }
    void Start() { Start(&event_); }

    FT_HANDLE handle_ = nullptr;
    D2XXEvent event_;
    ChunkCollector collector_;
    std::unique_ptr<TKTXComm2USBReceiveThread> thread_;
};

// Cases that count the library's calls, fail them or cut reads short: the simulated
// libraries only.
class USBReceiveThreadCallsTest : public USBReceiveThreadTest {};

TEST_P(USBReceiveThreadTest, QueueOfThreeHundredArrivesAsFullChunkThenRestWithoutMoreInput)
{
    Start();
    const auto bytes = Pattern(300);
    ASSERT_EQ(Sim().GaugeSend(kSerial, bytes), 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 300; }, 5s))
        << "delivered " << collector_.Total() << " of 300";
    EXPECT_EQ(collector_.Sizes(), std::vector<int>({255, 45}));
    EXPECT_EQ(collector_.All(), bytes);
    EXPECT_EQ(Sim().Pending(kSerial), 0u);
}

TEST_P(USBReceiveThreadCallsTest, ShortReadsFillAChunkWithoutPassingItsSize)
{
    // The simulated read hands over at most `limit` bytes per call, as after a time-out.
    const struct {
        uint32_t limit;
        std::size_t size;
        std::vector<int> chunks;
    } cases[] = {
        {100, 300, {255, 45}},
        {7, 20, {20}},
        {254, 510, {255, 255}},
        {1, 256, {255, 1}},
    };
    Start();
    std::size_t expectedTotal = 0;
    std::vector<int> expectedChunks;
    std::vector<uint8_t> expectedBytes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.limit);
        Sim().SetReadLimit(c.limit);
        const auto bytes = Pattern(c.size);
        ASSERT_EQ(Sim().GaugeSend(kSerial, bytes), 0);
        expectedTotal += c.size;
        expectedChunks.insert(expectedChunks.end(), c.chunks.begin(), c.chunks.end());
        expectedBytes.insert(expectedBytes.end(), bytes.begin(), bytes.end());
        ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= expectedTotal; }, 5s));
        EXPECT_EQ(collector_.Sizes(), expectedChunks);
    }
    EXPECT_EQ(collector_.All(), expectedBytes);
}

TEST_P(USBReceiveThreadTest, ManyBurstsArriveInOrderInChunksOfAtMost255)
{
    Start();
    const auto bytes = Pattern(20000);
    std::thread gauge([&] {
        std::mt19937 random(42);
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const std::size_t n = std::min<std::size_t>(1 + random() % 700, bytes.size() - sent);
            Sim().GaugeSend(kSerial, std::vector<uint8_t>(bytes.begin() + sent, bytes.begin() + sent + n));
            sent += n;
            if (random() % 4 == 0)
                std::this_thread::sleep_for(std::chrono::microseconds(random() % 500));
        }
    });
    gauge.join();
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= bytes.size(); }, 10s))
        << "delivered " << collector_.Total();
    EXPECT_EQ(collector_.All(), bytes);
    for (int size : collector_.Sizes()) {
        EXPECT_GT(size, 0);
        EXPECT_LE(size, 255);
    }
}

TEST_P(USBReceiveThreadCallsTest, FailingReadsDoNotKeepTheThreadSpinning)
{
    Start();
    Sim().Fail("FT_Read", FT_IO_ERROR);
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(10)), 0);
    ASSERT_TRUE(WaitFor([&] { return CallCount(Sim().Calls(), "FT_Read") >= 1; }, 5s));
    // The bytes stay queued, so every wake-up tries again: once per wait at most, where a
    // thread that retried at once would have read thousands of times.
    const int before = CallCount(Sim().Calls(), "FT_Read");
    std::this_thread::sleep_for(500ms);
    EXPECT_LE(CallCount(Sim().Calls(), "FT_Read") - before,
              500 / TKTXComm2USBReceiveThread::kWaitLimitMs + 2);
    EXPECT_EQ(collector_.Total(), 0u);

    // Once reads work again, what waits arrives without more input.
    Sim().Fail("FT_Read", FT_OK, 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 10; }, 5s));
    EXPECT_EQ(collector_.All(), Pattern(10));
}

TEST_P(USBReceiveThreadTest, BytesThatArriveWhileTheReceiverIsBusyFollowWithoutMoreInput)
{
    // The receiver holds the thread on the first chunk until the gauge has sent again, so
    // that burst's signal comes while nobody waits.
    std::promise<void> sentAgain;
    std::shared_future<void> released = sentAgain.get_future().share();
    std::atomic<bool> first{true};
    ChunkCollector collector;
    auto collect = collector.Receiver();
    thread_ = std::make_unique<TKTXComm2USBReceiveThread>(
        [&](const uint8_t* data, int count) {
            collect(data, count);
            if (first.exchange(false))
                released.wait();
        },
        handle_, &event_);
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(20)), 0);
    ASSERT_TRUE(WaitFor([&] { return collector.Total() >= 20; }, 5s));
    const auto second = Pattern(30);
    ASSERT_EQ(Sim().GaugeSend(kSerial, second), 0);
    sentAgain.set_value();
    ASSERT_TRUE(WaitFor([&] { return collector.Total() >= 50; }, 5s)) << "delivered " << collector.Total();
    EXPECT_EQ(collector.Chunks().back(), second);
}

TEST_P(USBReceiveThreadCallsTest, ASilentDeviceIsAskedOncePerWaitAtMost)
{
    Start();
    std::this_thread::sleep_for(50ms);
    const int before = CallCount(Sim().Calls(), "FT_GetQueueStatus");
    std::this_thread::sleep_for(500ms);
    const int asked = CallCount(Sim().Calls(), "FT_GetQueueStatus") - before;
    EXPECT_GE(asked, 1) << "the wait has a time limit";
    EXPECT_LE(asked, 500 / TKTXComm2USBReceiveThread::kWaitLimitMs + 2);
    EXPECT_EQ(CallCount(Sim().Calls(), "FT_Read"), 0);
}

TEST_P(USBReceiveThreadTest, WithoutAnEventTheQueueIsPolled)
{
    d2xx::SetEventNotificationDirect(handle_, 0, nullptr);
    Start(nullptr);
    const auto bytes = Pattern(40);
    ASSERT_EQ(Sim().GaugeSend(kSerial, bytes), 0);
    ASSERT_TRUE(WaitFor([&] { return collector_.Total() >= 40; }, 5s));
    EXPECT_EQ(collector_.All(), bytes);
}

TEST_P(USBReceiveThreadTest, StopEndsAWaitingThreadAndNothingIsDeliveredAfterIt)
{
    for (D2XXEvent* event : {&event_, static_cast<D2XXEvent*>(nullptr)}) {
        SCOPED_TRACE(event ? "event" : "polling");
        Start(event);
        std::this_thread::sleep_for(20ms);  // let it reach its wait
        auto stopped = std::async(std::launch::async, [&] { thread_->Stop(); });
        ASSERT_EQ(stopped.wait_for(5s), std::future_status::ready) << "Stop hangs";
        EXPECT_TRUE(thread_->Terminated());
        ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(3)), 0);
        std::this_thread::sleep_for(50ms);
        EXPECT_EQ(collector_.Total(), 0u);
        thread_.reset();
        // Drain what the stopped thread left for the next round, in the library's queue
        // or still on its way there; a query lands bytes that are on their way.
        uint32_t waiting = 0;
        for (int i = 0; i < 100; ++i) {
            uint8_t sink[8];
            d2xx::GetQueueStatus(handle_, &waiting);
            if (waiting == 0 && Sim().Pending(kSerial) == 0)
                break;
            d2xx::Read(handle_, sink, std::min<uint32_t>(waiting, sizeof sink));
            std::this_thread::sleep_for(1ms);
        }
        ASSERT_EQ(waiting, 0u);
        ASSERT_EQ(Sim().Pending(kSerial), 0u);
    }
}

TEST_P(USBReceiveThreadTest, ReceiverMayStopItsOwnThread)
{
    TKTXComm2USBReceiveThread* self = nullptr;
    std::atomic<int> calls{0};
    auto thread = std::make_unique<TKTXComm2USBReceiveThread>(
        [&](const uint8_t*, int) {
            ++calls;
            self->Stop();
        },
        handle_, &event_);
    self = thread.get();
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(3)), 0);
    ASSERT_TRUE(WaitFor([&] { return calls.load() == 1; }, 5s));
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(3)), 0);
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(calls.load(), 1);
    thread.reset();
}

TEST_P(USBReceiveThreadTest, RunsOneStepAboveNormalWhereAllowed)
{
    // Whether this process may raise a thread's priority at all.
    bool allowed = false;
    std::thread([&] {
        const id_t tid = static_cast<id_t>(gettid());
        allowed = setpriority(PRIO_PROCESS, tid, getpriority(PRIO_PROCESS, tid) - 1) == 0;
    }).join();
    if (!allowed)
        GTEST_SKIP() << "raising a thread's priority is not permitted here";

    const int normal = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
    std::atomic<int> seen{100};
    thread_ = std::make_unique<TKTXComm2USBReceiveThread>(
        [&](const uint8_t*, int) { seen = getpriority(PRIO_PROCESS, static_cast<id_t>(gettid())); },
        handle_, &event_);
    ASSERT_EQ(Sim().GaugeSend(kSerial, Pattern(1)), 0);
    ASSERT_TRUE(WaitFor([&] { return seen.load() != 100; }, 5s));
    EXPECT_EQ(seen.load(), normal - 1);
}

const D2XXLibrary kSignalOnArrival{"SignalOnArrival", DABRIX_SIM_D2XX_PATH, DABRIX_SIM_D2XX_PATH};
const D2XXLibrary kLostWakeUps{"LostWakeUps", DABRIX_SIM_D2XX_LOST_WAKEUP_PATH, DABRIX_SIM_D2XX_LOST_WAKEUP_PATH};

INSTANTIATE_TEST_SUITE_P(Libraries, USBReceiveThreadTest,
                         ::testing::Values(kSignalOnArrival, kLostWakeUps, dabrix::test::kLibftdiProvider),
                         dabrix::test::LibraryName);
INSTANTIATE_TEST_SUITE_P(Libraries, USBReceiveThreadCallsTest, ::testing::Values(kSignalOnArrival, kLostWakeUps),
                         dabrix::test::LibraryName);

} // namespace
