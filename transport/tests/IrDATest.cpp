// The library's infrared half over the emulated layer: the binding's availability, IrDA
// discovery and the client connection's IrDA path. Gauges are participants made by hand
// in a temporary air folder, as another program plays them.
#include "platform/irda/tests/HandMadeAir.h"
#include "tests/support/EventLoop.h"
#include "transport/lnkAPI.h"
#include "transport/lnkClient.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkIrDADiscovery.h"
#include "transport/lnkMessages.h"
#include "transport/tests/FakeBindings.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <thread>

using namespace dabrix::transport;
using namespace std::chrono_literals;
using dabrix::test::AcceptWithin;
using dabrix::test::AllByteValues;
using dabrix::test::FakeStacks;
using dabrix::test::HandMadeAir;
using dabrix::test::ReceiveUpTo;
using dabrix::test::RunEventsFor;
using dabrix::test::SendAll;
using dabrix::test::UniqueFd;
using dabrix::test::WaitFor;

namespace {

// Every stack simulated and absent except IrDA, which is the real binding.
class IrDAOnly : public FakeStacks {
public:
    IrDAOnly() { SetStackBindingFactory(BindingKind::IrDA, {}); }
};

// The air is moved aside and back, as a user unplugging the adapter would see it.
void MoveAway(const HandMadeAir& air)
{
    ASSERT_EQ(std::rename(air.Path().c_str(), (air.Path() + ".away").c_str()), 0);
}
void MoveBack(const HandMadeAir& air)
{
    ASSERT_EQ(std::rename((air.Path() + ".away").c_str(), air.Path().c_str()), 0);
}

} // namespace

// --- availability ---

TEST(IrDAAvailabilityTest, TheTransportFollowsTheAirFolder)
{
    HandMadeAir air;
    IrDAOnly stacks;
    TlnkAPI api(nullptr);
    int changes = 0;
    api.OnChanged = [&](TObject*) { ++changes; };
    ASSERT_EQ(api.Load(), 0);
    EXPECT_TRUE(IsTransportAvailable(trIrDA));

    MoveAway(air);
    ASSERT_TRUE(WaitFor([&] { return !IsTransportAvailable(trIrDA); }, 3s));
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(IsTransportAvailable(trSerial));
    MoveBack(air);
    ASSERT_TRUE(WaitFor([&] { return IsTransportAvailable(trIrDA); }, 3s));
    EXPECT_EQ(changes, 2);
    RunEventsFor(50ms);
    EXPECT_EQ(changes, 2);
    ASSERT_EQ(api.Unload(), 0);

    // Without the variable there is no infrared at all.
    ::unsetenv("DABRIX_IRDA_DIR");
    ASSERT_EQ(api.Load(), 0);
    EXPECT_FALSE(IsTransportAvailable(trIrDA));
    ASSERT_EQ(api.Unload(), 0);
}

// --- discovery ---

namespace {

class IrDADiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(api.Load(), 0);
        discovery.OnStarted = [this](TObject* sender) {
            Check(sender);
            events.push_back("started");
        };
        discovery.OnComplete = [this](TObject* sender, TlnkIrDADevices* devices) {
            Check(sender);
            EXPECT_FALSE(discovery.Discovering());
            if (!devices) {
                events.push_back("complete: none");
                return;
            }
            std::string text = "complete:";
            for (int i = 0; i < devices->Count(); ++i)
                text += " " + (devices->Items(i)->Address + "=" + devices->Items(i)->Name).toStdString();
            events.push_back(text);
        };
    }
    void Check(TObject* sender)
    {
        EXPECT_EQ(sender, &discovery);
        offOwnerThread |= std::this_thread::get_id() != owner;
    }
    bool Completed() const { return !events.empty() && events.back().starts_with("complete"); }

    HandMadeAir air;
    IrDAOnly stacks;
    TlnkAPI api{nullptr};
    TlnkIrDADiscovery discovery{nullptr};
    std::vector<std::string> events;
    std::thread::id owner = std::this_thread::get_id();
    bool offOwnerThread = false;
};

} // namespace

TEST_F(IrDADiscoveryTest, ASearchReportsStartedThenTheDevicesInRange)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    air.AddParticipant("00A0B0C0", "Gauge \xB5m");
    air.AddParticipant("FF000001", "Sonavel 3", "8204", "00");

    ASSERT_EQ(discovery.Discover(), 0);
    EXPECT_TRUE(discovery.Discovering());
    EXPECT_EQ(discovery.Discover(), 21);
    EXPECT_TRUE(events.empty());  // only from the event loop
    ASSERT_TRUE(WaitFor([&] { return Completed(); }));
    EXPECT_EQ(events, (std::vector<std::string>{
                          "started",
                          "complete: (00:A0:B0:C0)=Gauge \xC2\xB5m (1A:2B:3C:4D)=Lakmo 3 (FF:00:00:01)=Sonavel 3"}));
    EXPECT_FALSE(discovery.Discovering());
    EXPECT_FALSE(offOwnerThread);
    EXPECT_EQ(discovery.Terminate(), 20);

    // The next search sees what changed.
    events.clear();
    air.AddParticipant("00000002", "Another");
    ASSERT_EQ(discovery.Discover(), 0);
    ASSERT_TRUE(WaitFor([&] { return Completed(); }));
    EXPECT_EQ(events.back(),
              "complete: (00:00:00:02)=Another (00:A0:B0:C0)=Gauge \xC2\xB5m (1A:2B:3C:4D)=Lakmo 3 (FF:00:00:01)=Sonavel 3");
}

TEST_F(IrDADiscoveryTest, NoDeviceInRangeIsAnEmptyList)
{
    ASSERT_EQ(discovery.Discover(), 0);
    ASSERT_TRUE(WaitFor([&] { return Completed(); }));
    EXPECT_EQ(events, (std::vector<std::string>{"started", "complete:"}));
}

TEST_F(IrDADiscoveryTest, WaitingTheWayTheDeviceManagerDoes)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    ASSERT_EQ(discovery.Discover(), 0);
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (discovery.Discovering() && std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents();
        std::this_thread::sleep_for(1ms);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"started", "complete: (1A:2B:3C:4D)=Lakmo 3"}));
}

TEST_F(IrDADiscoveryTest, TerminateEndsASearchWithoutEvents)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    EXPECT_EQ(discovery.Terminate(), 20);
    ASSERT_EQ(discovery.Discover(), 0);
    std::this_thread::sleep_for(20ms);  // the search is done and waits to hand its result over
    EXPECT_EQ(discovery.Terminate(), 0);
    EXPECT_FALSE(discovery.Discovering());
    RunEventsFor(50ms);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(discovery.Terminate(), 20);

    // Terminating from inside OnStarted, while the search may be handing over.
    discovery.OnStarted = [&](TObject*) {
        events.push_back("started");
        EXPECT_EQ(discovery.Terminate(), 0);
    };
    ASSERT_EQ(discovery.Discover(), 0);
    ASSERT_TRUE(WaitFor([&] { return !events.empty(); }));
    RunEventsFor(50ms);
    EXPECT_EQ(events, std::vector<std::string>{"started"});
}

TEST_F(IrDADiscoveryTest, AHandlerMayStartTheNextSearchOrDestroyTheComponent)
{
    air.AddParticipant("1A2B3C4D", "Lakmo 3");
    int completions = 0;
    discovery.OnComplete = [&](TObject*, TlnkIrDADevices* devices) {
        ASSERT_TRUE(devices);
        if (++completions < 3) {
            EXPECT_EQ(discovery.Discover(), 0);
        }
    };
    ASSERT_EQ(discovery.Discover(), 0);
    ASSERT_TRUE(WaitFor([&] { return completions == 3; }));
    EXPECT_FALSE(discovery.Discovering());

    auto owned = std::make_unique<TlnkIrDADiscovery>(nullptr);
    bool done = false;
    owned->OnComplete = [&](TObject*, TlnkIrDADevices*) {
        done = true;
        owned.reset();  // nothing of the handler is used after this
    };
    ASSERT_EQ(owned->Discover(), 0);
    ASSERT_TRUE(WaitFor([&] { return done; }));
}

TEST_F(IrDADiscoveryTest, NeedsTheTransportAndStopsWhenTheLibraryUnloads)
{
    ASSERT_EQ(discovery.Discover(), 0);
    ASSERT_EQ(api.Unload(), 0);
    EXPECT_FALSE(discovery.Discovering());
    RunEventsFor(30ms);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(discovery.Discover(), 13);

    // The transport leaving the available set ends a search the same way. (Handled at
    // once here: from the event loop the search's own result would come first.)
    ASSERT_EQ(api.Load(), 0);
    ASSERT_EQ(discovery.Discover(), 0);
    ASSERT_TRUE(stacks.root.Send(msg::TransportChanged, trIrDA, 0));
    EXPECT_TRUE(discovery.Discovering());
    BroadcastSend(msg::ApiChanged);
    EXPECT_FALSE(discovery.Discovering());
    RunEventsFor(30ms);
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(discovery.Discover(), 13);
}

TEST(IrDADevicesTest, TheStackBufferAsDevices)
{
    EXPECT_EQ(TlnkIrDADevice().Address, "(00:00:00:00)");
    EXPECT_THROW(TlnkIrDADevices().Add(nullptr), lnkEInvalidArgument);

    // A buffer as the stack fills it: the id's last byte first in the address, the
    // nickname up to its zero or its 22 bytes, 8-bit.
    uint8_t buffer[4 + 2 * 29] = {};
    buffer[0] = 2;
    const uint8_t first[] = {0x4D, 0x3C, 0x2B, 0x1A, 'L', 'a', 'k', 'm', 'o', ' ', '3'};
    std::memcpy(buffer + 4, first, sizeof first);
    std::memcpy(buffer + 4 + 29, "\x01\x02\x03\x04" "ABCDEFGHIJKLMNOPQRSTU\xE9", 26);
    const auto devices = IrDADevicesFromList(buffer, sizeof buffer);
    ASSERT_EQ(devices->Count(), 2);
    EXPECT_EQ(devices->Items(0)->Address, "(1A:2B:3C:4D)");
    EXPECT_EQ(devices->Items(0)->Name, "Lakmo 3");
    EXPECT_EQ(devices->Items(1)->Address, "(04:03:02:01)");
    EXPECT_EQ(devices->Items(1)->Name, QStringLiteral("ABCDEFGHIJKLMNOPQRSTU\u00E9"));
    buffer[0] = 200;  // more than the buffer holds
    EXPECT_EQ(IrDADevicesFromList(buffer, sizeof buffer)->Count(), 2);
}

// --- the client connection ---

namespace {

struct ClientLog {
    std::vector<int> connects;
    int disconnects = 0;
    std::string data;
    bool offOwnerThread = false;
    std::thread::id owner = std::this_thread::get_id();

    void Attach(TlnkClient& client)
    {
        client.OnConnect = [this](TObject*, int error) {
            Note();
            connects.push_back(error);
        };
        client.OnDisconnect = [this](TObject*) {
            Note();
            ++disconnects;
        };
        client.OnData = [this](TObject*, const uint8_t* buffer, uint32_t size) {
            Note();
            data.append(reinterpret_cast<const char*>(buffer), size);
        };
    }
    void Note() { offOwnerThread |= std::this_thread::get_id() != owner; }
};

class IrDAClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        air.AddParticipant("1A2B3C4D", "Lakmo 3");
        ASSERT_EQ(api.Load(), 0);
        client.SetTransport(trIrDA);
        client.IrDAParams()->SetAddress(QStringLiteral("(1A:2B:3C:4D)"));
        client.SetConnectTimeout(5000);
        log.Attach(client);
    }
    void TearDown() override { client.Disconnect(); }

    // Connects to the gauge's IrCOMM service and takes the link on the gauge's side.
    UniqueFd ConnectToGauge(int listenFd)
    {
        log.connects.clear();
        EXPECT_EQ(client.Connect(), 0);
        EXPECT_EQ(client.State(), csConnecting);
        EXPECT_TRUE(WaitFor([&] { return !log.connects.empty(); }));
        EXPECT_EQ(log.connects, std::vector<int>{0});
        EXPECT_EQ(client.State(), csConnected);
        return AcceptWithin(listenFd, 2s);
    }

    HandMadeAir air;
    IrDAOnly stacks;
    TlnkAPI api{nullptr};
    TlnkClient client{nullptr};
    ClientLog log;
};

} // namespace

TEST_F(IrDAClientTest, DataTravelsBothWaysUnchanged)
{
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM");
    UniqueFd gauge = ConnectToGauge(service.Get());
    ASSERT_TRUE(gauge);

    const std::string reading = AllByteValues(1 << 20);
    std::thread sender([&] { EXPECT_TRUE(SendAll(gauge.Get(), reading)); });
    const bool complete = WaitFor([&] { return log.data.size() >= reading.size(); }, 30s);
    sender.join();
    ASSERT_TRUE(complete) << log.data.size();
    EXPECT_TRUE(log.data == reading);

    const std::string command = AllByteValues(300000);
    std::thread receiver([&] { EXPECT_TRUE(ReceiveUpTo(gauge.Get(), command.size()) == command); });
    EXPECT_EQ(client.Write(command.data(), static_cast<uint32_t>(command.size())), 0);
    receiver.join();
    EXPECT_EQ(log.disconnects, 0);
    EXPECT_FALSE(log.offOwnerThread);
}

TEST_F(IrDAClientTest, TheGaugeClosingIsLinkLoss)
{
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM");
    UniqueFd gauge = ConnectToGauge(service.Get());
    ASSERT_TRUE(SendAll(gauge.Get(), "last words"));
    gauge.Reset();
    ASSERT_TRUE(WaitFor([&] { return log.disconnects == 1; }));
    EXPECT_EQ(log.data, "last words");
    EXPECT_EQ(client.State(), csDisconnected);
    const char byte = 'x';
    EXPECT_EQ(client.Write(&byte, 1), 40);
    RunEventsFor(30ms);
    EXPECT_EQ(log.disconnects, 1);

    // The same client connects again.
    UniqueFd again = ConnectToGauge(service.Get());
    EXPECT_TRUE(again);
}

TEST_F(IrDAClientTest, ConnectFailuresArriveAsOnConnectWithoutOnDisconnect)
{
    UniqueFd other = air.Listen("1A2B3C4D", "IrDA:IrLPT");
    const struct {
        const char* address;
        const char* service;
        int code;
    } rows[] = {
        {"(1A:2B:3C:4D)", "IrDA:IrCOMM", 44},  // the gauge offers no such service
        {"(99:99:99:99)", "IrDA:IrCOMM", 44},  // no such device in range
        {"(1a:2b:3c:4d)", "IrDA:IrLPT", 0},    // lower-case address text names the same device
    };
    for (const auto& r : rows) {
        log.connects.clear();
        client.IrDAParams()->SetAddress(QString::fromLatin1(r.address));
        client.IrDAParams()->SetService(QString::fromLatin1(r.service));
        ASSERT_EQ(client.Connect(), 0) << r.service;
        ASSERT_TRUE(WaitFor([&] { return !log.connects.empty(); }));
        EXPECT_EQ(log.connects, std::vector<int>{r.code}) << r.address << " " << r.service;
        EXPECT_EQ(client.State(), r.code == 0 ? csConnected : csDisconnected);
        client.Disconnect();
    }
    EXPECT_EQ(log.disconnects, 1);  // only the link that was up
}

TEST_F(IrDAClientTest, AServiceNameIsCutToWhatTheStackCarries)
{
    UniqueFd service = air.Listen("1A2B3C4D", std::string(24, 'S'));
    client.IrDAParams()->SetService(QString(30, QLatin1Char('S')));
    EXPECT_TRUE(ConnectToGauge(service.Get()));
}

TEST_F(IrDAClientTest, AGaugeThatTakesNoConnectionTimesOut)
{
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM", 0);
    UniqueFd queued = air.Connect("1A2B3C4D", "IrDA:IrCOMM");  // fills its queue
    ASSERT_TRUE(queued);
    client.SetConnectTimeout(300);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(client.Connect(), 0);
    ASSERT_TRUE(WaitFor([&] { return !log.connects.empty(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
    EXPECT_EQ(log.connects, std::vector<int>{43});
    EXPECT_EQ(client.State(), csDisconnected);
    RunEventsFor(20ms);
    EXPECT_EQ(log.disconnects, 0);

    // Disconnect while it waits: at once, and silent.
    client.SetConnectTimeout(20000);
    log.connects.clear();
    ASSERT_EQ(client.Connect(), 0);
    std::this_thread::sleep_for(50ms);
    const auto before = std::chrono::steady_clock::now();
    client.Disconnect();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    EXPECT_EQ(client.State(), csDisconnected);
    RunEventsFor(50ms);
    EXPECT_TRUE(log.connects.empty());
    EXPECT_EQ(log.disconnects, 0);
}

TEST_F(IrDAClientTest, TheAirGoingAwayOrTheLibraryUnloadingEndsTheLink)
{
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM");
    UniqueFd gauge = ConnectToGauge(service.Get());
    MoveAway(air);
    ASSERT_TRUE(WaitFor([&] { return log.disconnects == 1; }, 3s));
    EXPECT_EQ(client.State(), csDisconnected);
    EXPECT_EQ(client.Connect(), 13);
    MoveBack(air);
    ASSERT_TRUE(WaitFor([&] { return IsTransportAvailable(trIrDA); }, 3s));

    UniqueFd second = ConnectToGauge(service.Get());
    ASSERT_EQ(api.Unload(), 0);
    EXPECT_EQ(log.disconnects, 2);
    EXPECT_EQ(client.State(), csDisconnected);
}

TEST_F(IrDAClientTest, SettersRaiseWhileTheLinkIsUp)
{
    UniqueFd service = air.Listen("1A2B3C4D", "IrDA:IrCOMM");
    UniqueFd gauge = ConnectToGauge(service.Get());
    const std::function<void()> setters[] = {
        [&] { client.IrDAParams()->SetAddress(QStringLiteral("(00:00:00:01)")); },
        [&] { client.IrDAParams()->SetService(QStringLiteral("IrDA:IrLPT")); },
        [&] { client.IrDAParams()->SetNineWire(false); },
        [&] { client.SetConnectTimeout(1000); },
    };
    for (const auto& set : setters)
        EXPECT_THROW(set(), lnkEConnectionActive);
}
