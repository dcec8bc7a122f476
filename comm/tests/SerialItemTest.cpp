// The connection item over its client connection: a COM port that is a pseudo-terminal
// registered in a private ComPorts.ini, with the test playing the gauge on the master
// side; and the infrared and Bluetooth branches, whose transports are not available.
#include "comm/KTXComm2Connection.h"
#include "comm/KTXComm2Item.h"
#include "comm/tests/ItemTestSupport.h"
#include "comm/tests/SerialTestSupport.h"
#include "comm/tests/TelegramTestSupport.h"
#include "platform/ComPortMap.h"
#include "tests/support/EventLoop.h"
#include "transport/lnkErrors.h"
#include "transport/lnkClient.h"
#include "transport/tests/Pty.h"

#include <QCoreApplication>
#include <gtest/gtest.h>


using namespace dabrix::comm;
using namespace dabrix::comm::test;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

class SerialItemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        comNumber = dabrix::platform::ComPortMap().Register(gauge.SlavePath());
        ASSERT_GE(comNumber, 3);
        TDevice port;
        port.Name = "Communications Port (COM" + std::to_string(comNumber) + ")";
        port.Info = "COM" + std::to_string(comNumber);
        port.PortNumber = comNumber;
        port.Connected = true;
        port.Handle = -1;
        f.host.lists[portCOM] = {port};
        f.item->SetPort(portCOM);
        ASSERT_EQ(f.item->SelectDevice(0), emNone);
        f.notifications.clear();
    }

    void ConnectAndWait()
    {
        ASSERT_EQ(f.item->Connect(true), emNone);
        ASSERT_EQ(f.item->LinkState(), lsConnected);
        f.notifications.clear();
    }

    std::vector<TNotificationEvent> EventsNow() const { return Events(f.notifications); }

    ConfigAndLibrary env;
    dabrix::test::Pty gauge;
    int comNumber = 0;
    ItemFixture f;
};

TEST_F(SerialItemTest, ConnectWaitsForTheLinkThenDataGoesBothWays)
{
    ApplyMainWindowSettings(*f.item);
    TlnkClient* client = f.item->Client();
    ASSERT_EQ(f.item->Connect(true), emNone);
    EXPECT_EQ(f.item->LinkState(), lsConnected);
    ASSERT_EQ(EventsNow(), std::vector<TNotificationEvent>{neConnect});
    EXPECT_EQ(f.notifications[0].sender, client);
    EXPECT_EQ(f.notifications[0].error, 0);
    EXPECT_EQ(f.notifications[0].device.PortNumber, comNumber);
    EXPECT_EQ(client->SerialParams()->Port(), static_cast<uint32_t>(comNumber));
    EXPECT_EQ(client->SerialParams()->BaudRateValue(), 57600u);
    EXPECT_EQ(client->Transport(), trSerial);

    Bytes received;
    f.item->OnTelegram = [&](TObject* Sender, TTelegramData Telegram, TBuffer&) {
        EXPECT_EQ(Sender, client);
        received.insert(received.end(), Telegram.Data.Data(), Telegram.Data.Data() + Telegram.Data.Count());
    };
    gauge.Send("  12.5 mm\r\n");
    ASSERT_TRUE(WaitFor([&] { return received.size() >= 11; }));
    EXPECT_EQ(std::string(received.begin(), received.end()), "  12.5 mm\r\n");

    EXPECT_EQ(f.item->Send(Buf({0x05})), emNone);
    EXPECT_EQ(Hex(gauge.Receive(1)), "05");
    EXPECT_TRUE(f.host.Reports().empty());
}

TEST_F(SerialItemTest, KtxTelegramsAreAcknowledgedOverTheLine)
{
    ConnectAndWait();
    std::vector<TTelegramData> telegrams;
    f.item->OnTelegram = [&](TObject*, TTelegramData Telegram, TBuffer&) { telegrams.push_back(Telegram); };
    const Bytes frame{0x02, 0x7F, 0x35, 0x21, 0x41, 0x42, 0xDA, 0x04};
    gauge.Send(frame.data(), 4);
    RunEventsFor(20ms);
    EXPECT_TRUE(telegrams.empty());  // half a telegram waits
    gauge.Send(frame.data() + 4, 4);
    ASSERT_TRUE(WaitFor([&] { return !telegrams.empty(); }));
    EXPECT_EQ(Hex(gauge.Receive(6)), "06 35 7F 21 DB 04");
    ASSERT_EQ(telegrams.size(), 1u);
    EXPECT_EQ(Hex(BytesOf(telegrams[0].Data)), "41 42");
}

TEST_F(SerialItemTest, DisconnectWhileConnectedEndsDisconnectedWithOneNotification)
{
    ConnectAndWait();
    EXPECT_TRUE(f.item->Disconnect());
    EXPECT_EQ(f.item->LinkState(), lsDisconnected);
    RunEventsFor(50ms);
    ASSERT_EQ(EventsNow(), std::vector<TNotificationEvent>{neDisconnect});
    EXPECT_EQ(f.notifications[0].sender, f.item->Client());
    EXPECT_EQ(f.item->Client()->State(), csDisconnected);
    // The device stays chosen; the link can be opened again.
    ASSERT_NE(f.item->Device(), nullptr);
    EXPECT_EQ(f.item->Connect(true), emNone);
}

TEST_F(SerialItemTest, DisconnectWhileConnectingEndsClosedWithoutNotification)
{
    ASSERT_EQ(f.item->Connect(false), emNone);
    EXPECT_EQ(f.item->LinkState(), lsConnecting);
    EXPECT_TRUE(f.item->Disconnect());
    EXPECT_EQ(f.item->LinkState(), lsClosed);
    RunEventsFor(50ms);  // the client's posted result must not revive the link
    EXPECT_EQ(f.item->LinkState(), lsClosed);
    EXPECT_TRUE(f.notifications.empty());
}

TEST_F(SerialItemTest, AFailedAttemptEndsDisconnectedAndStillReportsTheError)
{
    TlnkClient* client = f.item->Client();
    // The attempt fails the way the client reports it: it has closed again, then raises
    // OnConnect with the code (here 43, a time-out). Queued so that it comes from inside
    // Connect's wait.
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [client] {
            client->Disconnect();
            client->OnConnect(client, 43);
        },
        Qt::QueuedConnection);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(f.item->Connect(true), emConnect);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);  // no 5 s wait for nothing
    EXPECT_EQ(f.item->LinkState(), lsDisconnected);
    ASSERT_EQ(EventsNow(), std::vector<TNotificationEvent>{neConnect});
    EXPECT_EQ(f.notifications[0].error, 43);
    EXPECT_EQ(f.notifications[0].sender, client);
    EXPECT_EQ(f.notifications[0].device.PortNumber, comNumber);
    EXPECT_TRUE(f.host.Reports().empty());

    // Nothing can be sent over the failed link.
    EXPECT_EQ(f.item->Send(Buf({0x41})), emPortNotActive);
}

TEST_F(SerialItemTest, ARefusedConnectIsShownAndReported)
{
    TDevice missing;
    missing.Name = "Communications Port (COM99)";
    missing.PortNumber = 99;
    f.host.lists[portCOM] = {missing};
    ASSERT_EQ(f.item->SelectDevice(0), emNone);
    f.notifications.clear();

    EXPECT_EQ(f.item->Connect(true), emConnect);
    EXPECT_EQ(f.host.Reports(), std::vector<TErrMsg>{emConnect});
    ASSERT_EQ(env.messages.size(), 1u);  // the library's own message box
    EXPECT_FALSE(env.messages[0].isEmpty());
    EXPECT_EQ(f.item->LinkState(), lsDisconnected);
    EXPECT_TRUE(f.notifications.empty());
}

TEST_F(SerialItemTest, ConnectRefusesWhileTheClientIsBusyAndWithoutDevice)
{
    ASSERT_EQ(f.item->Connect(false), emNone);
    EXPECT_EQ(f.item->Connect(false), emDeviceNotDisconnected);
    EXPECT_TRUE(f.host.Reports().empty());

    ItemFixture other;
    EXPECT_EQ(other.item->Connect(true), emNoDevice);
    EXPECT_TRUE(other.host.Reports().empty());
}

TEST_F(SerialItemTest, ANewBaudRateReopensTheLinkAndWaitsForIt)
{
    ConnectAndWait();
    f.item->SetBaudRate(9600);
    EXPECT_EQ(f.item->LinkState(), lsConnected);
    EXPECT_EQ(EventsNow(), (std::vector<TNotificationEvent>{neDisconnect, neConnect}));
    EXPECT_EQ(f.item->Client()->SerialParams()->BaudRateValue(), 9600u);
}

TEST_F(SerialItemTest, ALostDeviceClosesTheLink)
{
    ConnectAndWait();
    f.item->Notify(nullptr, neDeviceRemoved, 0, f.item->Device()->Device);
    EXPECT_EQ(f.item->LinkState(), lsDeviceLost);
    EXPECT_EQ(EventsNow(), (std::vector<TNotificationEvent>{neDisconnect, neDeviceRemoved}));
    EXPECT_EQ(f.item->Client()->State(), csDisconnected);
}

TEST_F(SerialItemTest, TheGaugeGoingAwayEndsTheLink)
{
    ConnectAndWait();
    gauge.CloseMaster();
    ASSERT_TRUE(WaitFor([&] { return f.item->LinkState() == lsDisconnected; }));
    EXPECT_EQ(EventsNow(), std::vector<TNotificationEvent>{neDisconnect});
}

// Infrared and Bluetooth go through the same client connection, which reports their
// transports unavailable here (13): the item fills the parameters, then fails like any
// refused connect.
TEST(WirelessItem, InfraredAndBluetoothFillTheClientThenFailAsRefused)
{
    struct Case {
        const char* name;
        TPort port;
        const char* address;
        TlnkTransport transport;
        int irdaTimerRestarts;
    };
    const Case cases[] = {
        {"infrared", portIrDA, "(01:02:03:04)", trIrDA, 1},
        {"Bluetooth", portBT, "(00:11:22:33:44:55)", trBluetooth, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ConfigAndLibrary env;
        ItemFixture f;
        TDevice device;
        device.Name = "Gauge";
        device.Address = c.address;
        device.Handle = -1;
        f.host.lists[c.port] = {device};
        f.item->SetPort(c.port);
        ASSERT_EQ(f.item->SelectDevice(0), emNone);
        f.notifications.clear();

        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(f.item->Connect(true), emConnect);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
        EXPECT_EQ(f.host.Reports(), std::vector<TErrMsg>{emConnect});
        EXPECT_EQ(env.messages, std::vector<QString>{lnkGetErrorText(13)});
        EXPECT_EQ(f.host.irdaTimerRestarts, c.irdaTimerRestarts);
        EXPECT_EQ(f.item->LinkState(), lsDisconnected);
        TlnkClient* client = f.item->Client();
        EXPECT_EQ(client->Transport(), c.transport);
        if (c.port == portIrDA) {
            EXPECT_EQ(client->IrDAParams()->Address(), c.address);
            EXPECT_TRUE(client->IrDAParams()->NineWire());
        } else {
            EXPECT_EQ(client->BluetoothParams()->Address(), c.address);
            EXPECT_EQ(client->BluetoothParams()->ServiceUuid(),
                      QUuid(QStringLiteral("{00001101-0000-1000-8000-00805F9B34FB}")));
        }
        // A link that never came up has nothing to close but the item's own state.
        EXPECT_TRUE(f.item->Disconnect());
        EXPECT_EQ(f.item->LinkState(), lsClosed);
        EXPECT_TRUE(f.notifications.empty());
    }
}

} // namespace
