// The library root: load and unload codes, availability sets, the root's notifications
// and how components hear of unloading and changes.
#include "tests/support/EventLoop.h"
#include "transport/lnkAPI.h"
#include "transport/lnkBaseComponent.h"
#include "transport/lnkMessages.h"
#include "transport/tests/FakeBindings.h"
#include "transport/tests/PumpThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

using namespace dabrix::transport;
using dabrix::test::FakeStacks;
using dabrix::test::PumpThread;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

// A component that records the library notifications it hears.
class ListeningComponent : public TlnkBaseComponent {
public:
    ListeningComponent() : TlnkBaseComponent(nullptr) {}
    ~ListeningComponent() override { DestroyNotificationWindow(); }

    int Activate() { return CreateNotificationWindow(); }

    std::atomic<int> changed{0};
    std::atomic<int> unloading{0};
    std::atomic<bool> serialAvailableWhileUnloading{false};

protected:
    void ApiChanged() override { ++changed; }
    void ApiUnloading() override
    {
        serialAvailableWhileUnloading = IsTransportAvailable(trSerial);
        ++unloading;
    }
};

struct Counters {
    int afterLoad = 0, afterUnload = 0, changed = 0;
    TObject* sender = nullptr;
    void Attach(TlnkAPI& api)
    {
        api.AfterLoad = [this](TObject* s) { ++afterLoad; sender = s; };
        api.AfterUnload = [this](TObject* s) { ++afterUnload; sender = s; };
        api.OnChanged = [this](TObject* s) { ++changed; sender = s; };
    }
};

} // namespace

TEST(TlnkAPITest, LoadAndUnloadCodes)
{
    TlnkAPI api(nullptr);
    TlnkAPI other(nullptr);
    Counters events;
    events.Attach(api);

    EXPECT_EQ(api.Unload(), 12);
    EXPECT_EQ(api.Load(), 0);
    EXPECT_EQ(events.afterLoad, 1);
    EXPECT_EQ(events.sender, &api);
    EXPECT_TRUE(api.Loaded());
    EXPECT_EQ(api.Load(), 10);
    EXPECT_EQ(other.Load(), 11);
    EXPECT_EQ(other.Unload(), 12);
    EXPECT_EQ(events.afterLoad, 1);

    EXPECT_EQ(api.Unload(), 0);
    EXPECT_EQ(events.afterUnload, 1);
    EXPECT_EQ(api.Unload(), 12);
    EXPECT_EQ(events.afterUnload, 1);
    EXPECT_FALSE(api.Loaded());

    EXPECT_EQ(other.Load(), 0);
    EXPECT_EQ(api.Load(), 11);
    EXPECT_EQ(other.Unload(), 0);
    EXPECT_EQ(api.Version(), "6.15.1.0");
}

TEST(TlnkAPITest, DestroyingALoadedRootUnloadsIt)
{
    auto api = std::make_unique<TlnkAPI>(nullptr);
    ASSERT_EQ(api->Load(), 0);
    api.reset();
    EXPECT_FALSE(IsTransportAvailable(trSerial));
    TlnkAPI next(nullptr);
    EXPECT_EQ(next.Load(), 0);
}

TEST(TlnkAPITest, AvailabilityWithoutAnyStack)
{
    EXPECT_FALSE(IsTransportAvailable(trSerial));  // nothing loaded
    EXPECT_EQ(CheckBluetoothApi(baMicrosoft), 13);

    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    const struct {
        TlnkTransport transport;
        bool available;
    } transports[] = {
        {trActiveSync, false}, {trBluetooth, false}, {trIrDA, false}, {trSerial, true},
        {trUSB, true}, {trWiFi, false}, {trKinect, false}, {trHID, true},
        {static_cast<TlnkTransport>(8), false}, {static_cast<TlnkTransport>(-1), false},
    };
    for (const auto& t : transports)
        EXPECT_EQ(IsTransportAvailable(t.transport), t.available) << "transport " << int(t.transport);
    for (auto stack : {baBlueSoleil, baMicrosoft, baToshiba, baWidComm, static_cast<TlnkBluetoothApi>(4)})
        EXPECT_FALSE(IsBluetoothApiAvailable(stack)) << "stack " << int(stack);
    EXPECT_EQ(CheckBluetoothApi(baMicrosoft), 13);

    ASSERT_EQ(api.Unload(), 0);
    EXPECT_FALSE(IsTransportAvailable(trSerial));
    EXPECT_FALSE(IsTransportAvailable(trUSB));
}

TEST(TlnkAPITest, PresentBindingsFillTheSetsAndUnloadInOrder)
{
    FakeStacks stacks;
    stacks.SetPresent(BindingKind::IrDA, true);
    stacks.SetPresent(BindingKind::Microsoft, true);
    stacks.SetPresent(BindingKind::WidComm, true);
    {
        TlnkAPI api(nullptr);
        ASSERT_EQ(api.Load(), 0);
        EXPECT_EQ(stacks.created, 6);
        EXPECT_TRUE(IsTransportAvailable(trIrDA));
        EXPECT_TRUE(IsTransportAvailable(trBluetooth));
        EXPECT_FALSE(IsTransportAvailable(trKinect));
        EXPECT_TRUE(IsBluetoothApiAvailable(baMicrosoft));
        EXPECT_TRUE(IsBluetoothApiAvailable(baWidComm));
        EXPECT_FALSE(IsBluetoothApiAvailable(baToshiba));
        EXPECT_EQ(CheckBluetoothApi(baMicrosoft), 0);
        EXPECT_EQ(CheckBluetoothApi(baToshiba), 14);
        ASSERT_EQ(api.Unload(), 0);
    }
    EXPECT_EQ(stacks.unloaded,
              (std::vector<std::string>{"Microsoft", "WidComm", "Toshiba", "BlueSoleil", "Kinect", "IrDA"}));
}

// Each row: a notification to the root's window and the availability it leaves.
TEST(TlnkAPITest, RootNotificationsChangeTheSets)
{
    FakeStacks stacks;
    TlnkAPI api(nullptr);
    Counters events;
    events.Attach(api);
    ASSERT_EQ(api.Load(), 0);
    ListeningComponent listener;
    ASSERT_EQ(listener.Activate(), 0);

    const uint32_t T = msg::TransportChanged, S = msg::StackChanged;
    const struct {
        uint32_t msg;
        uintptr_t w;
        intptr_t l;
        bool changes;
        TlnkTransport transport;  // checked after the row
        bool transportAvailable;
    } rows[] = {
        {T, 2, 1, true, trIrDA, true},
        {T, 2, 1, false, trIrDA, true},          // already there: no change
        {T, 2, 0, true, trIrDA, false},
        {T, 6, 1, true, trKinect, true},
        {T, 6, 5, true, trKinect, false},        // lParam other than 1 means gone
        {T, 7, 1, true, trActiveSync, true},     // values outside 2..6 mean ordinal 0
        {T, 3, 0, true, trSerial, false},
        {T, 1, 1, false, trBluetooth, false},    // wParam 1 is ordinal 0 as well
        {S, 2, 1, true, trBluetooth, true},      // a stack brings trBluetooth
        {S, 9, 1, true, trBluetooth, true},      // any other value: BlueSoleil
        {S, 2, 0, true, trBluetooth, true},      // BlueSoleil still there
        {S, 1, 0, true, trBluetooth, false},     // last stack gone
    };
    int expectedChanges = 0;
    for (size_t i = 0; i < std::size(rows); ++i) {
        const auto& r = rows[i];
        ASSERT_TRUE(stacks.root.Post(r.msg, r.w, r.l));
        RunEventsFor(10ms);
        if (r.changes)
            ++expectedChanges;
        EXPECT_EQ(events.changed, expectedChanges) << "row " << i;
        EXPECT_EQ(listener.changed, expectedChanges) << "row " << i;
        EXPECT_EQ(IsTransportAvailable(r.transport), r.transportAvailable) << "row " << i;
    }
    EXPECT_EQ(events.sender, &api);
    EXPECT_FALSE(IsBluetoothApiAvailable(baBlueSoleil));
    EXPECT_FALSE(IsBluetoothApiAvailable(baMicrosoft));
}

TEST(TlnkAPITest, WidCommIsRecheckedOnlyAfterItWasRemoved)
{
    FakeStacks stacks;
    TlnkAPI api(nullptr);
    Counters events;
    events.Attach(api);
    ASSERT_EQ(api.Load(), 0);
    const int bindingsAtLoad = stacks.created;

    stacks.root.Post(msg::WidCommRecheck);  // no flag: nothing happens
    RunEventsFor(10ms);
    EXPECT_EQ(stacks.created, bindingsAtLoad);

    stacks.root.Post(msg::StackChanged, 4, 1);  // WidComm arrives
    stacks.root.Post(msg::StackChanged, 4, 0);  // and goes: re-check pending
    RunEventsFor(10ms);
    EXPECT_FALSE(IsBluetoothApiAvailable(baWidComm));
    EXPECT_EQ(events.changed, 2);

    stacks.SetPresent(BindingKind::WidComm, true);
    stacks.root.Post(msg::WidCommRecheck);
    RunEventsFor(10ms);
    EXPECT_EQ(stacks.created, bindingsAtLoad + 1);
    EXPECT_EQ(stacks.unloaded, std::vector<std::string>{"WidComm"});
    EXPECT_TRUE(IsBluetoothApiAvailable(baWidComm));
    EXPECT_TRUE(IsTransportAvailable(trBluetooth));
    EXPECT_EQ(events.changed, 3);

    stacks.root.Post(msg::WidCommRecheck);  // flag was cleared
    RunEventsFor(10ms);
    EXPECT_EQ(stacks.created, bindingsAtLoad + 1);

    // Removing another stack clears a pending re-check.
    stacks.root.Post(msg::StackChanged, 4, 0);
    stacks.root.Post(msg::StackChanged, 2, 0);
    stacks.root.Post(msg::WidCommRecheck);
    RunEventsFor(10ms);
    EXPECT_EQ(stacks.created, bindingsAtLoad + 1);
}

TEST(TlnkAPITest, UnloadReachesEveryComponentBeforeTheSetsAreCleared)
{
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);

    ListeningComponent a, b;
    ASSERT_EQ(a.Activate(), 0);
    ASSERT_EQ(b.Activate(), 0);
    ListeningComponent inactive;  // no window: hears nothing

    PumpThread other;
    std::unique_ptr<ListeningComponent> remote;
    other.Run([&] {
        remote = std::make_unique<ListeningComponent>();
        ASSERT_EQ(remote->Activate(), 0);
    });

    ASSERT_EQ(api.Unload(), 0);
    // Sent, not posted: every component has run its handler when Unload returns.
    for (ListeningComponent* c : {&a, &b, remote.get()}) {
        EXPECT_EQ(c->unloading, 1);
        EXPECT_TRUE(c->serialAvailableWhileUnloading);
    }
    EXPECT_EQ(inactive.unloading, 0);
    other.Run([&] { remote.reset(); });
}
