// The client connection's paths through the vendor Bluetooth stacks, the stacks'
// availability and their discovery halves, against the simulated stacks of
// VendorStacks.h. Virtual COM ports are pseudo-terminals in a private ComPorts.ini, so
// the inner serial connection is the library's own and bytes really flow.
#include "tests/support/EventLoop.h"
#include "transport/lnkBluetoothDiscovery.h"
#include "transport/lnkClient.h"
#include "transport/lnkErrors.h"
#include "transport/lnkMessages.h"
#include "transport/lnkVendorLoaders.h"
#include "transport/tests/ConfigHome.h"
#include "transport/tests/FakeBindings.h"
#include "transport/tests/VendorStacks.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <thread>
#include <unistd.h>
#include <optional>
#include <string>
#include <sys/ioctl.h>

using namespace dabrix::transport;
using namespace std::chrono_literals;
using dabrix::test::FakeStacks;
using dabrix::test::RunEventsFor;
using dabrix::test::SimBlueSoleil;
using dabrix::test::SimDevice;
using dabrix::test::SimToshiba;
using dabrix::test::SimWidComm;
using dabrix::test::WaitFor;

namespace {

const QUuid kSpp(QStringLiteral("{00001101-0000-1000-8000-00805F9B34FB}"));
const QUuid kObjectPush(QStringLiteral("{00001105-0000-1000-8000-00805F9B34FB}"));
const QString kGauge = QStringLiteral("(00:11:22:33:44:AA)");
const VendorAddress kGaugeBytes{0xAA, 0x44, 0x33, 0x22, 0x11, 0x00};
const QString kOther = QStringLiteral("(00:11:22:33:44:BB)");
const VendorAddress kOtherBytes{0xBB, 0x44, 0x33, 0x22, 0x11, 0x00};

SimDevice Gauge()
{
    SimDevice d;
    d.info.Address = kGaugeBytes;
    d.info.Name = QStringLiteral("Gauge_2600");
    d.info.ClassOfDevice = 0x1F00;
    d.info.Paired = true;
    d.services.push_back({3, QStringLiteral("Serial Port"), QStringLiteral("SPP"), 0x10001, kSpp});
    d.services.push_back({9, QStringLiteral("Object Push"), {}, 0x10002, kObjectPush});
    return d;
}

// The events a connection raised.
struct Link {
    TlnkClient client{nullptr};
    std::vector<int> results;
    int disconnects = 0;
    std::string data;

    Link(TlnkBluetoothApi api, uint8_t channel = 0, uint32_t timeoutMs = 5000)
    {
        const TlnkBluetoothRadio radio(api);
        client.SetTransport(trBluetooth);
        client.BluetoothParams()->SetRadio(&radio);
        client.BluetoothParams()->SetAddress(kGauge);
        client.BluetoothParams()->SetChannel(channel);
        client.BluetoothParams()->SetServiceUuid(kSpp);
        client.BluetoothParams()->SetAuthentication(false);
        client.SetConnectTimeout(timeoutMs);
        client.OnConnect = [this](TObject*, int e) { results.push_back(e); };
        client.OnDisconnect = [this](TObject*) { ++disconnects; };
        client.OnData = [this](TObject*, const uint8_t* b, uint32_t n) {
            data.append(reinterpret_cast<const char*>(b), n);
        };
    }
    bool Connected() { return WaitFor([&] { return !results.empty(); }) && results == std::vector<int>{0}; }
    // Waits for the one OnConnect and returns its code (-1: none came).
    int Result(std::chrono::milliseconds limit = 5s)
    {
        WaitFor([&] { return !results.empty(); }, limit);
        return results.size() == 1 ? results[0] : -1;
    }
};

std::string Read(dabrix::test::VirtualPort& port, size_t n)
{
    const std::vector<uint8_t> got = port.Device().Receive(n);
    return std::string(got.begin(), got.end());
}

class VendorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config.isValid());
        SetStackBindingFactory(BindingKind::BlueSoleil, [this](const WindowHandle& root) {
            return std::make_unique<TlnkBlueSoleilLoader>(root, blueSoleil);
        });
        SetStackBindingFactory(BindingKind::Toshiba, [this](const WindowHandle& root) {
            // The simulated system answers the binding's question as the stack behaves.
            return std::make_unique<TlnkToshibaLoader>(root, toshiba, toshiba->portReadyWithoutEvent.load());
        });
        SetStackBindingFactory(BindingKind::WidComm, [this](const WindowHandle& root) {
            ++widCommBindings;
            return std::make_unique<TlnkWidCommLoader>(root, widComm);
        });
        for (auto* sim : {static_cast<dabrix::test::SimDevices*>(blueSoleil.get()),
                          static_cast<dabrix::test::SimDevices*>(toshiba.get()),
                          static_cast<dabrix::test::SimDevices*>(widComm.get())})
            sim->Add(Gauge());
        ASSERT_EQ(api.Load(), 0);
    }
    void TearDown() override { api.Unload(); }

    dabrix::test::ConfigHome config;
    FakeStacks stacks;  // IrDA, Kinect and the platform stack absent
    std::shared_ptr<SimBlueSoleil> blueSoleil = std::make_shared<SimBlueSoleil>();
    std::shared_ptr<SimToshiba> toshiba = std::make_shared<SimToshiba>();
    std::shared_ptr<SimWidComm> widComm = std::make_shared<SimWidComm>();
    int widCommBindings = 0;
    TlnkAPI api{nullptr};
};

} // namespace

// --- the platform's own bindings ---

TEST(VendorBindingTest, LinuxHasNoVendorStackSoTheirConnectsAreRefused)
{
    FakeStacks stacks;
    stacks.SetPresent(BindingKind::Microsoft, true);  // the platform stack makes trBluetooth available
    for (BindingKind kind : {BindingKind::BlueSoleil, BindingKind::Toshiba, BindingKind::WidComm, BindingKind::Kinect})
        SetStackBindingFactory(kind, {});  // the program's own bindings
    TlnkAPI api(nullptr);
    ASSERT_EQ(api.Load(), 0);
    EXPECT_TRUE(IsTransportAvailable(trBluetooth));
    EXPECT_FALSE(IsTransportAvailable(trKinect));
    for (TlnkBluetoothApi a : {baBlueSoleil, baToshiba, baWidComm}) {
        SCOPED_TRACE(a);
        EXPECT_FALSE(IsBluetoothApiAvailable(a));
        Link link(a);
        EXPECT_EQ(link.client.Connect(), code::BluetoothApiNotAvailable);
        EXPECT_EQ(link.client.State(), csDisconnected);
    }
    EXPECT_EQ(BoundBlueSoleilStack(), nullptr);
    api.Unload();

    // Without the platform stack Bluetooth as a whole is not available.
    stacks.SetPresent(BindingKind::Microsoft, false);
    ASSERT_EQ(api.Load(), 0);
    Link link(baToshiba);
    EXPECT_EQ(link.client.Connect(), code::TransportNotAvailable);
}

// --- BlueSoleil ---

TEST_F(VendorTest, BlueSoleilLinkRunsOverItsVirtualPortAndEndsInOrder)
{
    for (bool portInRecord : {true, false}) {
        SCOPED_TRACE(portInRecord ? "port in the service record" : "port in the connect details");
        blueSoleil->portInRecord = portInRecord;
        Link link(baBlueSoleil, 3);
        ASSERT_EQ(link.client.Connect(), 0);
        ASSERT_TRUE(link.Connected());
        dabrix::test::VirtualPort* port = blueSoleil->Port();
        ASSERT_NE(port, nullptr);

        port->Device().Send("12.5 um\r\n");
        ASSERT_TRUE(WaitFor([&] { return link.data == "12.5 um\r\n"; }));
        ASSERT_EQ(link.client.Write("\x05", 1), 0);
        EXPECT_EQ(Read(*port, 1), "\x05");

        link.client.Disconnect();
        EXPECT_EQ(link.disconnects, 1);
        // The worker has freed the inner connection before the stack link is ended.
        EXPECT_EQ(blueSoleil->Log().back(), "disconnect, port closed");
        EXPECT_EQ(blueSoleil->Port(), nullptr);
        // The stack's later word about that connection reaches nobody.
        blueSoleil->DropLink();
        RunEventsFor(50ms);
        EXPECT_EQ(link.disconnects, 1);
    }
    EXPECT_TRUE(blueSoleil->Logged("connect 0011223344AA channel 3"));
}

TEST_F(VendorTest, BlueSoleilStatusesBecomeTheLibrarysCodes)
{
    struct Case {
        uint32_t status;
        int expected;
    };
    const Case cases[] = {
        {3, code::BluetoothApiNotAvailable}, {4, code::AlreadyPaired}, {5, code::AuthenticationFailed},
        {7, code::ConnectionExists},          {8, code::NotConnected},  {9, code::InvalidArgument},
        {10, code::ServiceNotFound},          {11, code::NotConnected}, {0, code::InternalDriverError},
        {2, code::InternalDriverError},       {6, code::InternalDriverError}, {12345, code::InternalDriverError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        blueSoleil->connectStatus = c.status;
        Link link(baBlueSoleil, 3);
        ASSERT_EQ(link.client.Connect(), 0);
        EXPECT_EQ(link.Result(), c.expected);
        EXPECT_EQ(link.client.State(), csDisconnected);
        EXPECT_EQ(link.disconnects, 0);
    }
}

TEST_F(VendorTest, ABlueSoleilCallThatNeverReturnsIsAbandonedAfterTheTimeout)
{
    blueSoleil->connectBlocks = true;
    {
        Link link(baBlueSoleil, 3, 300);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(link.client.Connect(), 0);
        EXPECT_EQ(link.Result(), code::Timeout);
        EXPECT_GE(std::chrono::steady_clock::now() - start, 300ms);
        EXPECT_EQ(link.client.State(), csDisconnected);
    }
    // The abandoned call was told to give up, and returned to nobody.
    ASSERT_TRUE(WaitFor([&] { return blueSoleil->callsRunning == 0; }));
    EXPECT_EQ(blueSoleil->cancelledCalls, 1);

    // Disconnect while the call blocks: no event, and the call is cancelled as well.
    {
        Link link(baBlueSoleil, 3, 20000);
        ASSERT_EQ(link.client.Connect(), 0);
        ASSERT_TRUE(WaitFor([&] { return blueSoleil->callsRunning == 1; }));
        link.client.Disconnect();
        RunEventsFor(50ms);
        EXPECT_TRUE(link.results.empty());
        ASSERT_TRUE(WaitFor([&] { return blueSoleil->callsRunning == 0; }));
        EXPECT_EQ(blueSoleil->cancelledCalls, 2);
    }

    // Nothing is left holding the library-wide lock: the next connect goes through.
    blueSoleil->connectBlocks = false;
    Link link(baBlueSoleil, 3);
    ASSERT_EQ(link.client.Connect(), 0);
    EXPECT_TRUE(link.Connected());
}

TEST_F(VendorTest, BlueSoleilLinkLossEndsTheConnection)
{
    struct Case {
        const char* what;
        std::function<void(SimBlueSoleil&)> lose;
    };
    const Case cases[] = {
        {"the stack reports the connection closed", [](SimBlueSoleil& s) { s.DropLink(); }},
        {"the virtual port hangs up", [](SimBlueSoleil& s) { s.Port()->Device().CloseMaster(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Link link(baBlueSoleil, 3);
        ASSERT_EQ(link.client.Connect(), 0);
        ASSERT_TRUE(link.Connected());
        c.lose(*blueSoleil);
        ASSERT_TRUE(WaitFor([&] { return link.disconnects == 1; }));
        EXPECT_EQ(link.client.State(), csDisconnected);
    }
}

namespace {

// Holds the connect result back until the test has played its part: the outer
// connection stays connecting while its inner connection is connected.
class HeldClient : public TlnkClient {
public:
    using TlnkClient::TlnkClient;
    std::function<void()> beforeConnectResult;

protected:
    void HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam) override
    {
        if (Msg == msg::ConnectResult && State() == csConnecting && WParam == 0 && beforeConnectResult)
            std::exchange(beforeConnectResult, nullptr)();
        TlnkClient::HandleNotification(Msg, WParam, LParam);
    }
};

} // namespace

TEST_F(VendorTest, BytesFromTheInnerConnectionBeforeTheOuterIsConnectedAreDiscarded)
{
    HeldClient client(nullptr);
    const TlnkBluetoothRadio radio(baBlueSoleil);
    client.SetTransport(trBluetooth);
    client.BluetoothParams()->SetRadio(&radio);
    client.BluetoothParams()->SetAddress(kGauge);
    client.BluetoothParams()->SetChannel(3);
    std::string data;
    client.OnData = [&](TObject*, const uint8_t* b, uint32_t n) { data.append(reinterpret_cast<const char*>(b), n); };
    bool consumed = false;
    client.beforeConnectResult = [&] {
        // The inner connection is connected (its result is what arrives); its worker
        // reads and hands the bytes on while this thread holds the outer one back.
        dabrix::test::Pty& device = blueSoleil->Port()->Device();
        device.Send("early");
        const int slave = ::open(device.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        consumed = WaitFor([&] {
            int waiting = -1;
            return ::ioctl(slave, FIONREAD, &waiting) == 0 && waiting == 0;
        });
        ::close(slave);
        std::this_thread::sleep_for(100ms);  // the inner's worker serves its delivery
        EXPECT_EQ(client.State(), csConnecting);
    };
    ASSERT_EQ(client.Connect(), 0);
    ASSERT_TRUE(WaitFor([&] { return client.State() == csConnected; }));
    EXPECT_TRUE(consumed);
    blueSoleil->Port()->Device().Send("late");
    ASSERT_TRUE(WaitFor([&] { return data.size() >= 4; }));
    RunEventsFor(50ms);
    EXPECT_EQ(data, "late");
}

TEST_F(VendorTest, AVendorStackGoingAwayDisconnectsItsConnectionsOnly)
{
    Link soleil(baBlueSoleil, 3);
    Link wid(baWidComm, 3);
    ASSERT_EQ(soleil.client.Connect(), 0);
    ASSERT_EQ(wid.client.Connect(), 0);
    ASSERT_TRUE(soleil.Connected());
    ASSERT_TRUE(wid.Connected());

    blueSoleil->SetPresent(false);
    ASSERT_TRUE(WaitFor([&] { return soleil.disconnects == 1; }));
    EXPECT_FALSE(IsBluetoothApiAvailable(baBlueSoleil));
    EXPECT_EQ(soleil.client.Connect(), code::BluetoothApiNotAvailable);
    RunEventsFor(50ms);
    EXPECT_EQ(wid.disconnects, 0);
    EXPECT_TRUE(wid.client.IsConnected());

    blueSoleil->SetPresent(true);
    ASSERT_TRUE(WaitFor([&] { return IsBluetoothApiAvailable(baBlueSoleil); }));
}

// --- Toshiba ---

TEST_F(VendorTest, ToshibaSequenceOpensTheCreatedPortAndEndsInOrder)
{
    // The stack sends its port-ready event, or (from Windows NT 6 on) the caller goes on
    // by itself.
    for (bool withoutEvent : {false, true}) {
        SCOPED_TRACE(withoutEvent ? "no port-ready event" : "port-ready event");
        toshiba->portReadyWithoutEvent = withoutEvent;
        toshiba->Accept({17, 40});
        api.Unload();  // the binding asks its system again
        ASSERT_EQ(api.Load(), 0);
        Link link(baToshiba, 0);
        link.client.BluetoothParams()->SetEncryption(true);
        ASSERT_EQ(link.client.Connect(), 0);
        ASSERT_TRUE(link.Connected());
        EXPECT_EQ(toshiba->LastChannel(), 3);  // from the service search for the class
        EXPECT_EQ(toshiba->LastSecurity(), toshiba::kAuthenticate | toshiba::kEncrypt);
        dabrix::test::VirtualPort* port = toshiba->Port();
        ASSERT_NE(port, nullptr);
        EXPECT_EQ(port->Number(), 17);  // the first name the stack accepts

        port->Device().Send("7.25\r\n");
        ASSERT_TRUE(WaitFor([&] { return link.data == "7.25\r\n"; }));
        ASSERT_EQ(link.client.Write("P", 1), 0);
        EXPECT_EQ(Read(*port, 1), "P");

        link.client.Disconnect();
        EXPECT_EQ(link.disconnects, 1);
        const std::vector<std::string> log = toshiba->Log();
        const std::vector<std::string> tail(log.end() - 3, log.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"cancel link COM17", "disconnect COM17, port closed", "destroy COM17"}));
    }
}

TEST_F(VendorTest, ToshibaEndingsOtherThanSuccess)
{
    struct Case {
        const char* what;
        std::function<void(SimToshiba&)> setUp;
        int expected;
        std::vector<std::string> logTail;
    };
    const Case cases[] = {
        {"no name among COM1 to COM255 is accepted", [](SimToshiba& s) { s.Accept({}); }, code::OutOfResources,
         {"notify event", "cancel event"}},
        {"the stack reports the connection failed", [](SimToshiba& s) { s.connectFails = true; },
         code::UnableConnect, {"connect COM5 0011223344AA", "cancel link COM5", "disconnect COM5, port closed", "destroy COM5"}},
        {"the stack falls silent after connecting", [](SimToshiba& s) { s.silence = SimToshiba::Silence::AfterConnecting; },
         code::Timeout, {"connect COM5 0011223344AA", "cancel link COM5", "disconnect COM5, port closed", "destroy COM5"}},
        {"the stack never reports the port ready", [](SimToshiba& s) { s.silence = SimToshiba::Silence::BeforePortReady; },
         code::Timeout, {"create COM5", "cancel event", "destroy COM5"}},
        {"the stack never answers the connect request",
         [](SimToshiba& s) { s.silence = SimToshiba::Silence::BeforeConnectStatus; }, code::Timeout,
         {"connect COM5 0011223344AA", "cancel link COM5", "disconnect COM5, port closed", "destroy COM5"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        toshiba = std::make_shared<SimToshiba>();
        toshiba->Add(Gauge());
        toshiba->Accept({5});
        c.setUp(*toshiba);
        api.Unload();
        ASSERT_EQ(api.Load(), 0);

        Link link(baToshiba, 3, 400);
        const auto start = std::chrono::steady_clock::now();
        ASSERT_EQ(link.client.Connect(), 0);
        EXPECT_EQ(link.Result(), c.expected);
        if (c.expected == code::Timeout) {
            EXPECT_GE(std::chrono::steady_clock::now() - start, 400ms);
        }
        EXPECT_EQ(link.client.State(), csDisconnected);
        EXPECT_EQ(link.disconnects, 0);
        const std::vector<std::string> log = toshiba->Log();
        ASSERT_GE(log.size(), c.logTail.size());
        EXPECT_EQ(std::vector<std::string>(log.end() - static_cast<long>(c.logTail.size()), log.end()), c.logTail);
        EXPECT_EQ(toshiba->Port(), nullptr);
    }
}

TEST_F(VendorTest, ToshibaChannelLookupFailures)
{
    struct Case {
        const char* what;
        QString address;
        bool pairingWindow;
        bool paired;
        QString reply;
        int expected;
    };
    const Case cases[] = {
        {"pairing refused", kOther, true, false, QString(), code::AuthenticationFailed},
        {"no service of the class", kOther, true, false, QStringLiteral("0000"), code::ServiceNotFound},
        {"no pairing window: no pairing asked", kOther, false, false, QString(), code::ServiceNotFound},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        toshiba = std::make_shared<SimToshiba>();
        SimDevice other;
        other.info.Address = kOtherBytes;
        other.info.Paired = c.paired;
        other.services.push_back({4, QStringLiteral("Object Push"), {}, 1, kObjectPush});
        toshiba->Add(other);
        toshiba->Accept({5});
        toshiba->pairingWindow = c.pairingWindow;
        toshiba->pairingReply = c.reply;
        api.Unload();
        ASSERT_EQ(api.Load(), 0);

        Link link(baToshiba, 0);
        link.client.BluetoothParams()->SetAddress(c.address);
        link.client.BluetoothParams()->SetAuthentication(true);
        ASSERT_EQ(link.client.Connect(), 0);
        EXPECT_EQ(link.Result(), c.expected);
        EXPECT_EQ(toshiba->Logged("pair 0011223344BB"), c.pairingWindow);
        EXPECT_FALSE(toshiba->Logged("notify event"));
    }
}

TEST_F(VendorTest, ToshibaLinkLossEndsTheConnection)
{
    toshiba->Accept({6});
    Link link(baToshiba, 3);
    ASSERT_EQ(link.client.Connect(), 0);
    ASSERT_TRUE(link.Connected());
    toshiba->DropLink();
    ASSERT_TRUE(WaitFor([&] { return link.disconnects == 1; }));
    EXPECT_EQ(toshiba->Port(), nullptr);
}

// --- WidComm ---

TEST_F(VendorTest, WidCommLinkCarriesDataAndEndsAfterTheGraceTime)
{
    Link link(baWidComm, 0);
    ASSERT_EQ(link.client.Connect(), 0);
    ASSERT_TRUE(link.Connected());
    EXPECT_EQ(widComm->OpenedChannel(), 3);

    widComm->Receive("1.5");
    widComm->Receive(" mm\r\n");
    ASSERT_TRUE(WaitFor([&] { return link.data == "1.5 mm\r\n"; }));
    ASSERT_EQ(link.client.Write("\x05\x06", 2), 0);
    EXPECT_EQ(widComm->Written(), "\x05\x06");

    const auto closed = std::chrono::steady_clock::now();
    widComm->CloseLink();
    RunEventsFor(800ms);
    EXPECT_EQ(link.disconnects, 0);  // still within the grace time
    widComm->CloseLink();            // a second report does not restart it
    ASSERT_TRUE(WaitFor([&] { return link.disconnects == 1; }, 3s));
    const auto waited = std::chrono::steady_clock::now() - closed;
    EXPECT_GE(waited, 1000ms);
    EXPECT_LT(waited, 1750ms) << "a restarted grace time would end after 1800 ms";
    const std::vector<std::string> log = widComm->Log();
    EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()), (std::vector<std::string>{"close", "destroy"}));
}

TEST_F(VendorTest, WidCommEndingsOtherThanSuccess)
{
    struct Case {
        const char* what;
        uint8_t channel;
        int bridgeAnswer;  // -1 nothing, -2 the link closed instead
        int expected;
        bool clientMade;
    };
    const Case cases[] = {
        {"no service on channel 5", 5, 0, code::ServiceNotFound, false},
        {"the bridge refuses", 3, code::ConnectionRejected, code::ConnectionRejected, true},
        {"the bridge falls silent", 3, -1, code::Timeout, true},
        {"the bridge reports the link closed, never a result", 3, -2, code::UnableConnect, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        widComm->connectResult = c.bridgeAnswer == -2 ? -1 : c.bridgeAnswer;
        const size_t before = widComm->Log().size();
        Link link(baWidComm, c.channel, c.bridgeAnswer == -2 ? 5000 : 400);
        ASSERT_EQ(link.client.Connect(), 0);
        if (c.bridgeAnswer == -2) {
            ASSERT_TRUE(WaitFor([&] { return widComm->Log().size() >= before + 2; }));  // searched and opened
            widComm->CloseLink();
        }
        EXPECT_EQ(link.Result(), c.expected);
        EXPECT_EQ(link.client.State(), csDisconnected);
        const std::vector<std::string> log = widComm->Log();
        const std::vector<std::string> since(log.begin() + static_cast<long>(before), log.end());
        const std::vector<std::string> expected =
            c.clientMade ? std::vector<std::string>{"search 0011223344AA", "open 0011223344AA channel 3", "close", "destroy"}
                         : std::vector<std::string>{"search 0011223344AA"};
        EXPECT_EQ(since, expected);
    }
}

TEST_F(VendorTest, WidCommDisconnectStopsTheGraceTimerThenTheWorker)
{
    Link link(baWidComm, 3);
    ASSERT_EQ(link.client.Connect(), 0);
    ASSERT_TRUE(link.Connected());
    widComm->CloseLink();
    RunEventsFor(100ms);
    link.client.Disconnect();
    EXPECT_EQ(link.disconnects, 1);
    EXPECT_EQ(widComm->Log().back(), "destroy");
    RunEventsFor(1200ms);  // a grace timer left running would end a later link
    EXPECT_EQ(link.disconnects, 1);
    EXPECT_EQ(link.client.Write("x", 1), code::NotConnected);
}

TEST_F(VendorTest, UnloadingTheLibraryEndsEveryVendorLink)
{
    toshiba->Accept({8});
    Link soleil(baBlueSoleil, 3), tosh(baToshiba, 3), wid(baWidComm, 3);
    for (Link* link : {&soleil, &tosh, &wid}) {
        ASSERT_EQ(link->client.Connect(), 0);
        ASSERT_TRUE(link->Connected());
    }
    ASSERT_EQ(api.Unload(), 0);
    for (Link* link : {&soleil, &tosh, &wid}) {
        EXPECT_EQ(link->disconnects, 1);
        EXPECT_EQ(link->client.State(), csDisconnected);
    }
    EXPECT_EQ(blueSoleil->Log().back(), "disconnect, port closed");
    EXPECT_EQ(toshiba->Log().back(), "destroy COM8");
    EXPECT_EQ(widComm->Log().back(), "destroy");
    ASSERT_EQ(api.Load(), 0);  // for TearDown
}

// --- availability and radios ---

TEST_F(VendorTest, RadiosComeInTheStacksOrder)
{
    TlnkBluetoothDiscovery discovery(nullptr);
    TlnkBluetoothRadios radios;
    auto apis = [&] {
        std::vector<TlnkBluetoothApi> list;
        for (int i = 0; i < radios.Count(); ++i)
            list.push_back(radios.Items(i)->Api());
        return list;
    };
    ASSERT_EQ(discovery.EnumRadios(&radios), 0);
    EXPECT_EQ(apis(), (std::vector<TlnkBluetoothApi>{baBlueSoleil, baToshiba, baWidComm}));

    // BlueSoleil and the platform's stack: BlueSoleil first.
    api.Unload();
    stacks.SetPresent(BindingKind::Microsoft, true);
    toshiba->SetPresent(false);
    widComm->SetPresent(false);
    ASSERT_EQ(api.Load(), 0);
    ASSERT_EQ(discovery.EnumRadios(&radios), 0);
    EXPECT_EQ(apis(), (std::vector<TlnkBluetoothApi>{baBlueSoleil, baMicrosoft}));
}

TEST_F(VendorTest, WidCommComingBackIsBelievedOnlyAfterARecheck)
{
    ASSERT_EQ(widCommBindings, 1);
    widComm->SetPresent(false);
    ASSERT_TRUE(WaitFor([&] { return !IsBluetoothApiAvailable(baWidComm); }));
    widComm->SetPresent(true);
    ASSERT_TRUE(WaitFor([&] { return IsBluetoothApiAvailable(baWidComm); }));
    EXPECT_EQ(widCommBindings, 2);  // bound again

    Link link(baWidComm, 3);
    ASSERT_EQ(link.client.Connect(), 0);
    EXPECT_TRUE(link.Connected());
}

// --- discovery and device queries ---

TEST_F(VendorTest, EachStackInquiresCachedAndLive)
{
    for (auto* sim : {static_cast<dabrix::test::SimDevices*>(blueSoleil.get()),
                      static_cast<dabrix::test::SimDevices*>(toshiba.get()),
                      static_cast<dabrix::test::SimDevices*>(widComm.get())}) {
        SimDevice away;  // paired, out of range
        away.info.Address = kOtherBytes;
        away.info.Paired = true;
        away.inRange = false;
        sim->Add(away);
    }
    struct Case {
        TlnkBluetoothApi api;
        bool cached;
        std::vector<std::string> expected;
    };
    const std::string gauge = kGauge.toStdString(), other = kOther.toStdString();
    const Case cases[] = {
        {baBlueSoleil, false, {gauge}}, {baBlueSoleil, true, {gauge, other}},
        {baToshiba, false, {gauge}},    {baToshiba, true, {gauge, other}},
        {baWidComm, false, {gauge}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.api) + (c.cached ? " cached" : " live"));
        TlnkBluetoothDiscovery discovery(nullptr);
        std::vector<std::string> events;
        std::vector<std::string> found;
        discovery.OnDiscoveryStarted = [&](TObject*, const TlnkBluetoothRadio* r) {
            events.push_back(r && r->Api() == c.api ? "started" : "started ?");
        };
        discovery.OnDiscoveryComplete = [&](TObject*, const TlnkBluetoothRadio*, const TlnkBluetoothDevices* list) {
            events.push_back(list ? "complete" : "complete none");
            for (int i = 0; list && i < list->Count(); ++i)
                found.push_back(list->Items(i)->Address().toStdString());
        };
        const TlnkBluetoothRadio radio(c.api);
        ASSERT_EQ(discovery.Discover(&radio, 1, c.cached), 0);
        ASSERT_TRUE(WaitFor([&] { return !discovery.Discovering(); }));
        EXPECT_EQ(events, (std::vector<std::string>{"started", "complete"}));
        EXPECT_EQ(found, c.expected);
    }
}

TEST_F(VendorTest, TheWatcherFindsDevicesThroughEachStack)
{
    for (TlnkBluetoothApi a : {baBlueSoleil, baToshiba, baWidComm}) {
        SCOPED_TRACE(a);
        TlnkBluetoothDiscovery discovery(nullptr);
        std::vector<std::string> found;
        discovery.OnDeviceFound = [&](TObject*, const TlnkBluetoothRadio* r, const TlnkBluetoothDevice* d) {
            found.push_back((r && r->Api() == a ? "" : "? ") + d->Address().toStdString());
        };
        const TlnkBluetoothRadio radio(a);
        ASSERT_EQ(discovery.StartMonitoring(&radio, 1), 0);
        ASSERT_TRUE(WaitFor([&] { return !found.empty(); }));
        EXPECT_EQ(discovery.StopMonitoring(), 0);
        EXPECT_EQ(found, std::vector<std::string>{kGauge.toStdString()});
    }
}

TEST_F(VendorTest, TerminateEndsTheInquiryInTheStack)
{
    toshiba->inquiryBlocks = true;
    TlnkBluetoothDiscovery discovery(nullptr);
    int completes = 0;
    bool withList = true;
    discovery.OnDiscoveryComplete = [&](TObject*, const TlnkBluetoothRadio*, const TlnkBluetoothDevices* list) {
        ++completes;
        withList = list != nullptr;
    };
    const TlnkBluetoothRadio radio(baToshiba);
    ASSERT_EQ(discovery.Discover(&radio, 8, false), 0);
    ASSERT_TRUE(WaitFor([&] { return toshiba->Logged("inquiry"); }));
    EXPECT_EQ(discovery.Terminate(), 0);
    EXPECT_EQ(completes, 1);
    EXPECT_FALSE(withList);
    EXPECT_TRUE(toshiba->Logged("cancel inquiry"));
    EXPECT_EQ(discovery.Terminate(), code::DiscoveryNotStarted);

    widComm->discoveryResult = code::BluetoothApiNotAvailable;  // the bridge lacks its inquiry
    const TlnkBluetoothRadio wid(baWidComm);
    ASSERT_EQ(discovery.Discover(&wid, 1, false), 0);
    ASSERT_TRUE(WaitFor([&] { return completes == 2; }));
    EXPECT_FALSE(withList);
}

TEST_F(VendorTest, DeviceQueriesGoThroughTheRadiosStack)
{
    for (auto* sim : {static_cast<dabrix::test::SimDevices*>(blueSoleil.get()),
                      static_cast<dabrix::test::SimDevices*>(toshiba.get()),
                      static_cast<dabrix::test::SimDevices*>(widComm.get())}) {
        SimDevice linked;
        linked.info.Address = kOtherBytes;
        linked.info.Name = QStringLiteral("Linked");
        linked.info.ClassOfDevice = 0x240404;
        linked.info.Connected = true;
        sim->Add(linked);
    }
    const TlnkBluetoothDevice gauge(kGauge), linked(kOther);
    for (TlnkBluetoothApi a : {baBlueSoleil, baToshiba, baWidComm}) {
        SCOPED_TRACE(a);
        const TlnkBluetoothRadio radio(a);
        bool paired = false, connected = true;
        ASSERT_EQ(gauge.GetPaired(&radio, paired), 0);
        EXPECT_TRUE(paired);
        ASSERT_EQ(gauge.GetConnected(&radio, connected), 0);
        EXPECT_FALSE(connected);
        ASSERT_EQ(linked.GetConnected(&radio, connected), 0);
        EXPECT_TRUE(connected);
        ASSERT_EQ(linked.GetPaired(&radio, paired), 0);
        EXPECT_FALSE(paired);
        QString name;
        uint32_t cod = 0;
        ASSERT_EQ(linked.GetName(&radio, name), 0);
        EXPECT_EQ(name, "Linked");
        ASSERT_EQ(linked.GetClassOfDevice(&radio, cod), 0);
        EXPECT_EQ(cod, 0x240404u);

        TlnkBluetoothServices services;
        ASSERT_EQ(gauge.EnumServices(&radio, &services, &kSpp), 0);
        ASSERT_EQ(services.Count(), 1);
        EXPECT_EQ(services.Items(0)->Channel, 3);
        EXPECT_EQ(services.Items(0)->Name, "Serial Port");
        EXPECT_EQ(services.Items(0)->Description, "SPP");
        EXPECT_EQ(services.Items(0)->Handle, 0x10001u);
        EXPECT_EQ(services.Items(0)->Uuid, kSpp);
        ASSERT_EQ(gauge.EnumServices(&radio, &services), 0);
        EXPECT_EQ(services.Count(), 2);
        EXPECT_EQ(linked.EnumServices(&radio, &services, &kSpp), code::ServiceNotFound);
    }
}
