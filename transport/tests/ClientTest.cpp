// The client connection over a serial port: the gauge is a pseudo-terminal registered
// as a COM port in a private ComPorts.ini.
#include "platform/ComPortMap.h"
#include "tests/support/EventLoop.h"
#include "transport/lnkClient.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkMessages.h"
#include "transport/tests/ConfigHome.h"
#include "transport/tests/FakeBindings.h"
#include "transport/tests/Pty.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <sys/stat.h>
#include <thread>

using namespace dabrix::transport;
using dabrix::test::FakeStacks;
using dabrix::test::Pty;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

// The events a client raised, in order, with the thread they came on.
struct EventLog {
    std::vector<int> connects;
    int disconnects = 0;
    std::vector<uint8_t> data;
    std::vector<uint32_t> chunks;
    bool offOwnerThread = false;
    std::thread::id owner = std::this_thread::get_id();

    void Attach(TlnkClient& client)
    {
        client.OnConnect = [this, &client](TObject* sender, int error) {
            Check(sender, client);
            connects.push_back(error);
        };
        client.OnDisconnect = [this, &client](TObject* sender) {
            Check(sender, client);
            ++disconnects;
        };
        client.OnData = [this, &client](TObject* sender, const uint8_t* buffer, uint32_t size) {
            Check(sender, client);
            EXPECT_GE(size, 1u);
            data.insert(data.end(), buffer, buffer + size);
            chunks.push_back(size);
        };
    }
    void Check(TObject* sender, TlnkClient& client)
    {
        EXPECT_EQ(sender, &client);
        if (std::this_thread::get_id() != owner)
            offOwnerThread = true;
    }
};

class SerialClientTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config.isValid());
        comNumber = dabrix::platform::ComPortMap().Register(gauge.SlavePath());
        ASSERT_GE(comNumber, 3);

        ASSERT_EQ(api.Load(), 0);
        client = std::make_unique<TlnkClient>(nullptr);
        client->SetTransport(trSerial);
        client->SerialParams()->SetPort(comNumber);
        log.Attach(*client);
    }
    void TearDown() override
    {
        client.reset();
        api.Unload();
    }

    void ConnectAndWait()
    {
        ASSERT_EQ(client->Connect(), 0);
        ASSERT_TRUE(WaitFor([&] { return !log.connects.empty(); }));
        ASSERT_EQ(log.connects, std::vector<int>{0});
        ASSERT_EQ(client->State(), csConnected);
    }

    dabrix::test::ConfigHome config;
    Pty gauge;
    int comNumber = 0;
    FakeStacks stacks;  // none present; gives the tests the root's window
    TlnkAPI api{nullptr};
    std::unique_ptr<TlnkClient> client;
    EventLog log;
};

} // namespace

TEST_F(SerialClientTest, ConnectReportsSuccessLaterOnTheOwnerThread)
{
    ASSERT_EQ(client->Connect(), 0);
    EXPECT_EQ(client->State(), csConnecting);
    EXPECT_TRUE(log.connects.empty());  // only from the event loop

    ASSERT_TRUE(WaitFor([&] { return !log.connects.empty(); }));
    EXPECT_EQ(log.connects, std::vector<int>{0});
    EXPECT_EQ(client->State(), csConnected);
    RunEventsFor(20ms);
    EXPECT_EQ(log.connects.size(), 1u);
    EXPECT_FALSE(log.offOwnerThread);
}

TEST_F(SerialClientTest, AMebibyteFromTheGaugeArrivesCompleteAndInOrder)
{
    ConnectAndWait();
    std::vector<uint8_t> sent(1 << 20);
    for (size_t i = 0; i < sent.size(); ++i)
        sent[i] = static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);  // every byte value, no short period

    std::thread writer([&] { gauge.Send(sent.data(), sent.size()); });
    const bool complete = WaitFor([&] { return log.data.size() >= sent.size(); }, 30s);
    writer.join();
    ASSERT_TRUE(complete) << "received " << log.data.size();
    EXPECT_TRUE(log.data == sent);
    EXPECT_FALSE(log.offOwnerThread);
}

TEST_F(SerialClientTest, ChunksReadBeforeTheOwnerRunsArriveAsOneOnData)
{
    ConnectAndWait();
    gauge.Send("first ");
    std::this_thread::sleep_for(50ms);  // the reader takes it and queues it
    gauge.Send("second");
    std::this_thread::sleep_for(50ms);
    ASSERT_TRUE(WaitFor([&] { return !log.chunks.empty(); }));
    RunEventsFor(20ms);
    EXPECT_EQ(log.chunks, std::vector<uint32_t>{12});
    EXPECT_EQ(std::string(log.data.begin(), log.data.end()), "first second");
}

// A gauge's line comes one byte at a time (as through a UART without a FIFO), and the
// owner is free all the while: still one OnData per line, because the reader goes on
// while the bytes follow closely (at 1200 baud: within 25 ms).
TEST_F(SerialClientTest, ALineWhoseBytesComeOneByOneIsOneOnData)
{
    client->SerialParams()->SetBaudRateValue(1200);
    ConnectAndWait();
    const std::string line = "0000123 12.5 um\r\n";
    std::thread gaugeSide([&] {
        for (int n = 0; n < 2; ++n) {
            for (char c : line) {
                gauge.Send(&c, 1);
                std::this_thread::sleep_for(1ms);
            }
            std::this_thread::sleep_for(300ms);
        }
    });
    const bool complete = WaitFor([&] { return log.data.size() >= 2 * line.size(); });
    gaugeSide.join();
    ASSERT_TRUE(complete);
    EXPECT_EQ(std::string(log.data.begin(), log.data.end()), line + line);
    EXPECT_EQ(log.chunks, (std::vector<uint32_t>{17, 17}));
}

TEST_F(SerialClientTest, WriteReachesTheGaugeUnchanged)
{
    ConnectAndWait();
    const std::string text("ENQ\x05\r\n\x11\x13\0\xFF", 11);
    EXPECT_EQ(client->Write(text.data(), text.size()), 0);
    const auto got = gauge.Receive(text.size());
    EXPECT_EQ(std::string(got.begin(), got.end()), text);
    EXPECT_EQ(client->Write(nullptr, 0), 0);
}

TEST_F(SerialClientTest, DisconnectRaisesExactlyOneOnDisconnectAndFreesThePort)
{
    ConnectAndWait();
    gauge.Send("late");
    client->Disconnect();
    EXPECT_EQ(log.disconnects, 1);
    EXPECT_EQ(client->State(), csDisconnected);
    client->Disconnect();
    RunEventsFor(50ms);
    EXPECT_EQ(log.disconnects, 1);
    EXPECT_EQ(log.connects.size(), 1u);

    // Bytes after the disconnect were not delivered, and the port can be opened again.
    const size_t before = log.data.size();
    gauge.Send("after");
    ASSERT_EQ(client->Connect(), 0);
    ASSERT_TRUE(WaitFor([&] { return log.connects.size() == 2; }));
    EXPECT_EQ(log.connects[1], 0);
    RunEventsFor(20ms);
    EXPECT_EQ(log.data.size(), before);  // purged at connect
}

TEST_F(SerialClientTest, GaugeGoingAwayIsLinkLoss)
{
    ConnectAndWait();
    gauge.CloseMaster();
    ASSERT_TRUE(WaitFor([&] { return log.disconnects == 1; }));
    EXPECT_EQ(client->State(), csDisconnected);
    RunEventsFor(20ms);
    EXPECT_EQ(log.disconnects, 1);
}

TEST_F(SerialClientTest, MissingPortFailsAtOnceWithoutEvents)
{
    client->SerialParams()->SetPort(250);
    EXPECT_EQ(client->Connect(), 2);
    EXPECT_EQ(client->State(), csDisconnected);
    RunEventsFor(30ms);
    EXPECT_TRUE(log.connects.empty());
    EXPECT_EQ(log.disconnects, 0);
}

TEST_F(SerialClientTest, PortHeldByAnotherConnectionFails)
{
    ConnectAndWait();
    TlnkClient second(nullptr);
    second.SetTransport(trSerial);
    second.SerialParams()->SetPort(comNumber);
    EXPECT_EQ(second.Connect(), 2);
    EXPECT_EQ(second.State(), csDisconnected);
}

TEST_F(SerialClientTest, SecondConnectReturns42AndChangesNothing)
{
    ASSERT_EQ(client->Connect(), 0);
    EXPECT_EQ(client->Connect(), 42);
    EXPECT_EQ(client->State(), csConnecting);
    ASSERT_TRUE(WaitFor([&] { return !log.connects.empty(); }));
    EXPECT_EQ(client->Connect(), 42);
    EXPECT_EQ(client->State(), csConnected);
    RunEventsFor(20ms);
    EXPECT_EQ(log.connects, std::vector<int>{0});
}

TEST_F(SerialClientTest, SettersRaiseWhileConnecting)
{
    TlnkClient other(nullptr);
    ASSERT_EQ(client->Connect(), 0);  // held at csConnecting: the event loop does not run
    const std::function<void()> setters[] = {
        [&] { client->SetTransport(trIrDA); },
        [&] { client->SetConnectTimeout(5000); },
        [&] { client->SetSerialParams(other.SerialParams()); },
        [&] { client->SetBuffers(other.Buffers()); },
        [&] { client->SerialParams()->SetBaudRate(br9600); },
        [&] { client->SerialParams()->SetBaudRateValue(1234); },
        [&] { client->SerialParams()->SetPort(comNumber + 1); },
        [&] { client->SerialParams()->SetByteSize(bs7); },
        [&] { client->SerialParams()->SetParity(paEven); },
        [&] { client->SerialParams()->SetStopBits(sb2); },
        [&] { client->Buffers()->SetReadBuffer(1); },
        [&] { client->IrDAParams()->SetService("x"); },
        [&] { client->BluetoothParams()->SetEncryption(true); },
        [&] { client->BluetoothParams()->SetRadio(nullptr); client->BluetoothParams()->SetChannel(3); },
        [&] { client->SerialParams()->SetBaudRateValue(0); },  // "active" comes before "invalid"
    };
    for (size_t i = 0; i < std::size(setters); ++i) {
        try {
            setters[i]();
            ADD_FAILURE() << "setter " << i << " did not raise";
        } catch (const lnkEConnectionActive& e) {
            EXPECT_EQ(e.Message(), "Connection is active.") << "setter " << i;
        }
    }
    // The current value again is no change, so it is allowed.
    EXPECT_NO_THROW(client->SerialParams()->SetPort(comNumber));
    EXPECT_NO_THROW(client->SetTransport(trSerial));
    EXPECT_EQ(client->SerialParams()->BaudRate(), br115200);
}

TEST_F(SerialClientTest, WriteAndLineCommandsNeedAConnectedLink)
{
    const char byte = 'x';
    EXPECT_EQ(client->Write(&byte, 1), 40);
    ASSERT_EQ(client->Connect(), 0);
    EXPECT_EQ(client->Write(&byte, 1), 40);
    EXPECT_EQ(client->SerialLineCommand(lcSetDTR), 40);
    ASSERT_TRUE(WaitFor([&] { return client->State() == csConnected; }));
    EXPECT_EQ(client->Write(&byte, 1), 0);
    client->Disconnect();
    EXPECT_EQ(client->Write(&byte, 1), 40);
}

// What each command gives on a pseudo-terminal, which has no modem lines.
TEST_F(SerialClientTest, LineCommandsOnAPseudoTerminal)
{
    ConnectAndWait();
    const struct {
        TlnkSerialLineCommand command;
        int result;
    } rows[] = {
        {lcSetDTR, 2}, {lcClearDTR, 2}, {lcSetRTS, 2}, {lcClearRTS, 2},  // refused by the device
        {lcSetXOFF, 0}, {lcSetXON, 0}, {lcSetBreak, 0}, {lcClearBreak, 0},
        {static_cast<TlnkSerialLineCommand>(8), 5}, {static_cast<TlnkSerialLineCommand>(-1), 5},
    };
    for (const auto& r : rows)
        EXPECT_EQ(client->SerialLineCommand(r.command), r.result) << "command " << int(r.command);

    // Output flows again after XON.
    EXPECT_EQ(client->Write("ok", 2), 0);
    const auto got = gauge.Receive(2);
    EXPECT_EQ(std::string(got.begin(), got.end()), "ok");
}

TEST_F(SerialClientTest, DisconnectWhileConnectingIsSilent)
{
    ASSERT_EQ(client->Connect(), 0);
    client->Disconnect();
    EXPECT_EQ(client->State(), csDisconnected);
    RunEventsFor(50ms);  // the posted connect result finds no window
    EXPECT_TRUE(log.connects.empty());
    EXPECT_EQ(log.disconnects, 0);
}

TEST_F(SerialClientTest, UnloadingTheLibraryDisconnects)
{
    ConnectAndWait();
    ASSERT_EQ(api.Unload(), 0);
    EXPECT_EQ(log.disconnects, 1);
    EXPECT_EQ(client->State(), csDisconnected);
    EXPECT_EQ(client->Connect(), 13);  // nothing is available now
}

TEST_F(SerialClientTest, UnloadingWhileConnectingRaisesNothing)
{
    ASSERT_EQ(client->Connect(), 0);
    ASSERT_EQ(api.Unload(), 0);
    EXPECT_EQ(client->State(), csDisconnected);
    RunEventsFor(30ms);
    EXPECT_TRUE(log.connects.empty());
    EXPECT_EQ(log.disconnects, 0);
}

TEST_F(SerialClientTest, TransportLeavingTheAvailableSetDisconnects)
{
    ConnectAndWait();
    stacks.root.Post(msg::TransportChanged, trSerial, 0);
    ASSERT_TRUE(WaitFor([&] { return log.disconnects == 1; }));
    EXPECT_EQ(client->State(), csDisconnected);
}

TEST_F(SerialClientTest, DestroyingAConnectedClientRaisesOnDisconnect)
{
    ConnectAndWait();
    client.reset();
    EXPECT_EQ(log.disconnects, 1);
}

TEST_F(SerialClientTest, PermissionDeniedIsAccessDenied)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root opens a device whatever its mode";
    ASSERT_EQ(::chmod(gauge.SlavePath().c_str(), 0), 0);
    EXPECT_EQ(client->Connect(), 33);
    EXPECT_EQ(client->State(), csDisconnected);
}

// Transports and stacks whose bindings are absent.
TEST(ClientTransportTest, UnavailableTransportsAndStacks)
{
    FakeStacks stacks;
    TlnkAPI api(nullptr);
    TlnkClient client(nullptr);
    EXPECT_EQ(client.Connect(), 13);  // library not loaded

    {
        ASSERT_EQ(api.Load(), 0);
        EXPECT_EQ(client.Connect(), 13);  // trBluetooth: no stack
        client.SetTransport(trIrDA);
        EXPECT_EQ(client.Connect(), 13);
        EXPECT_EQ(client.State(), csDisconnected);
        ASSERT_EQ(api.Unload(), 0);
    }

    stacks.SetPresent(BindingKind::Microsoft, true);
    ASSERT_EQ(api.Load(), 0);
    client.SetTransport(trBluetooth);
    EXPECT_EQ(client.Connect(), 14);  // no radio
    TlnkBluetoothRadio toshiba(baToshiba);
    client.BluetoothParams()->SetRadio(&toshiba);
    EXPECT_EQ(client.Connect(), 14);  // a stack that is not loaded
    EXPECT_EQ(client.State(), csDisconnected);
    RunEventsFor(20ms);
    ASSERT_EQ(api.Unload(), 0);
}
