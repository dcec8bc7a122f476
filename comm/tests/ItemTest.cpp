// The connection item and its collection without a real link: creation, assignment,
// properties with side effects, device choice, the USB branch through a fake link,
// paced sending, the millisecond clock and received data.
#include "comm/KTXComm2Connection.h"
#include "comm/KTXComm2Item.h"
#include "comm/tests/ItemTestSupport.h"
#include "comm/tests/TelegramTestSupport.h"
#include "transport/lnkClient.h"
#include "transport/lnkExceptions.h"
#include "platform/UserMessage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

#include <atomic>
#include <future>

using namespace dabrix::comm;
using namespace dabrix::comm::test;
using namespace std::chrono_literals;

namespace {

TDevice UsbGaugeForFactory()
{
    TDevice d;
    d.Name = d.Info = "GAUGE";
    d.SerialNo = "S1";
    d.Handle = -1;
    return d;
}

// ---------------------------------------------------------------------------------------
// Creation, the main window's values, the collection

TEST(ItemCreation, PropertiesStartWithTheirCreationValues)
{
    FakeHost host;
    TKTXComm2Connection connections(&host, nullptr);
    connections.Add();
    TKTXComm2Item* item = connections.Add();

    EXPECT_EQ(item->Index(), 1);
    EXPECT_EQ(item->Name(), "Connection1");
    EXPECT_EQ(item->DisplayName(), "Connection1");
    EXPECT_EQ(item->BaudRate(), 57600u);
    EXPECT_EQ(item->CmdSendDelay(), 5u);
    EXPECT_EQ(item->CYCTimeout(), 3000u);
    EXPECT_EQ(item->ReceiveTimeout(), 1000u);
    EXPECT_EQ(item->Port(), portNone);
    EXPECT_EQ(item->ProtocolTyp(), ptKTX);
    EXPECT_EQ(item->ReceiveAdr(), 0x35);
    EXPECT_EQ(item->EndOfLineChar(), 13);
    EXPECT_EQ(item->ResetMode(), rmRTS_low);
    EXPECT_EQ(item->ResetTime(), 50u);
    EXPECT_EQ(item->BootloaderTime(), 200u);
    EXPECT_EQ(item->RetryMax(), 3u);
    EXPECT_FALSE(item->SyncEventHandling());
    EXPECT_EQ(item->SubAdr(), 0);
    EXPECT_EQ(item->TransmitAdr(), 0x7F);
    EXPECT_EQ(item->USBLatency(), 10u);
    EXPECT_EQ(item->ClassVersion(), "1.0");
    EXPECT_FALSE(item->OnNotification);
    EXPECT_FALSE(item->OnTelegram);

    EXPECT_EQ(item->LinkState(), lsDisconnected);
    EXPECT_TRUE(item->DeviceName().empty());
    EXPECT_EQ(item->Device(), nullptr);
    EXPECT_TRUE(item->Devices().empty());
    EXPECT_EQ(uint32_t(item->LastTelegram().Received), 0u);
    EXPECT_EQ(item->LastSendTime(), 0u);
    EXPECT_EQ(item->LastReceiveTime(), 0u);

    // The client connection the item owns.
    TlnkClient* client = item->Client();
    ASSERT_NE(client, nullptr);
    EXPECT_EQ(client->Owner(), nullptr);
    EXPECT_EQ(client->Name(), "KTXComm2ConnectionClient1");
    EXPECT_EQ(client->ConnectTimeout(), 5000u);
    EXPECT_FALSE(client->BluetoothParams()->Authentication());
    EXPECT_EQ(client->BluetoothParams()->ServiceUuid(), QUuid(QStringLiteral("{00001101-0000-1000-8000-00805F9B34FB}")));
    EXPECT_TRUE(static_cast<bool>(client->OnData));
    EXPECT_TRUE(static_cast<bool>(client->OnConnect));
    EXPECT_TRUE(static_cast<bool>(client->OnDisconnect));
}

TEST(ItemCreation, MainWindowValuesDifferOnlyWhereTheWindowSetsThem)
{
    FakeHost host;
    TKTXComm2Connection connections(&host, nullptr);
    TKTXComm2Item* item = connections.Add();
    ApplyMainWindowSettings(*item);
    EXPECT_EQ(item->Name(), "Connection0");
    EXPECT_EQ(item->ProtocolTyp(), ptRAW);
    EXPECT_EQ(item->EndOfLineChar(), 0);
    EXPECT_EQ(item->ReceiveTimeout(), 10u);
    EXPECT_EQ(item->BaudRate(), 57600u);
    EXPECT_EQ(item->CmdSendDelay(), 5u);
    EXPECT_EQ(item->Port(), portNone);
    EXPECT_EQ(item->USBLatency(), 10u);
}

TEST(ItemCreation, WithoutACollectionTheItemIsBare)
{
    TKTXComm2Item item(nullptr);
    EXPECT_EQ(item.Collection(), nullptr);
    EXPECT_EQ(item.Index(), -1);
    EXPECT_EQ(item.Client(), nullptr);
    EXPECT_EQ(item.Name(), "");
    EXPECT_EQ(item.SelectDevice(0), emEmptyDeviceList);
    EXPECT_EQ(item.Connect(false), emNoDevice);
    EXPECT_EQ(item.Send(Buf({1})), emPortNotActive);
}

TEST(ItemCreation, TheReceiveEventComesWithTheUsbLinkAndItsAbsenceIsShown)
{
    std::vector<QString> messages;
    dabrix::platform::SetUserMessageHook(
        [&](dabrix::platform::UserMessageKind, const QString& text) { messages.push_back(text); });
    FakeUsbLink::State usb;
    SetUsbLinkFactory([&usb] { return std::make_unique<FakeUsbLink>(usb); });
    {
        FakeHost host;
        TKTXComm2Connection connections(&host, nullptr);
        connections.Add();
        EXPECT_TRUE(messages.empty());
        usb.hasEvent = false;
        TKTXComm2Item* second = connections.Add();
        EXPECT_EQ(messages, std::vector<QString>{QStringLiteral("Can`t create event handle (1)")});

        // The item goes on without it; its USB link still works.
        host.lists[portUSB] = {UsbGaugeForFactory()};
        second->SetPort(portUSB);
        second->SelectDevice(0);
        EXPECT_EQ(second->Connect(false), emNone);
        EXPECT_TRUE(usb.open);
    }
    EXPECT_FALSE(usb.open);  // closed with the item
    SetUsbLinkFactory(nullptr);
    dabrix::platform::SetUserMessageHook(nullptr);
}

TEST(Collection, IndexesItemsAndRefusesOthers)
{
    FakeHost host;
    TKTXComm2Connection connections(&host, nullptr);
    EXPECT_EQ(connections.Host(), &host);
    TKTXComm2Item* first = connections.Add();
    TKTXComm2Item* second = connections.Add();
    EXPECT_EQ(connections.Count(), 2);
    EXPECT_EQ(connections.Items(0), first);
    EXPECT_EQ(connections.Items(1), second);
    for (int bad : {-1, 2, 100}) {
        try {
            connections.Items(bad);
            ADD_FAILURE() << "no exception for " << bad;
        } catch (const lnkEIndexOutOfBounds& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Index out of bounds (%1).").arg(bad));
        }
    }
    EXPECT_THROW(connections.Delete(2), lnkEIndexOutOfBounds);
    EXPECT_THROW(connections.Assign(static_cast<const TPersistent*>(first)), lnkEInvalidArgument);
    EXPECT_THROW(first->Assign(&connections), lnkEInvalidArgument);
}

TEST(Collection, DeletingAndDestroyingReportEachItemsRemovalInOrder)
{
    FakeHost host;
    std::vector<QString> removed;
    {
        TKTXComm2Connection connections(&host, nullptr);
        for (int i = 0; i < 3; ++i) {
            TKTXComm2Item* item = connections.Add();
            item->OnNotification = [&removed, item](TObject* Sender, TNotificationEvent Event, const TDevice&, int) {
                EXPECT_EQ(Sender, item);
                if (Event == neConnectionItemRemoved)
                    removed.push_back(item->Name());
            };
        }
        connections.Delete(1);
        EXPECT_EQ(removed, std::vector<QString>{"Connection1"});
        EXPECT_EQ(connections.Count(), 2);
        EXPECT_EQ(connections.Items(1)->Name(), "Connection2");  // names stay, indexes move
        EXPECT_EQ(connections.Items(1)->Index(), 1);
    }
    EXPECT_EQ(removed, (std::vector<QString>{"Connection1", "Connection0", "Connection2"}));
}

TEST(Collection, AssignRebuildsTheItemsCopyingBaudRateAndPort)
{
    FakeHost host;
    TKTXComm2Connection source(&host, nullptr);
    TKTXComm2Item* a = source.Add();
    a->SetBaudRate(9600);
    a->SetPort(portCOM);
    a->SetProtocolTyp(ptRAW);  // not copied
    a->SetName("Gauge link");  // not copied
    TKTXComm2Item* b = source.Add();
    b->SetPort(portBT);

    TKTXComm2Connection target(&host, nullptr);
    TKTXComm2Item* old = target.Add();
    bool oldRemoved = false;
    old->OnNotification = [&](TObject*, TNotificationEvent Event, const TDevice&, int) {
        oldRemoved = oldRemoved || Event == neConnectionItemRemoved;
    };
    target.Assign(source);

    EXPECT_TRUE(oldRemoved);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Items(0)->Name(), "Connection0");
    EXPECT_EQ(target.Items(0)->BaudRate(), 9600u);
    EXPECT_EQ(target.Items(0)->Port(), portCOM);
    EXPECT_EQ(target.Items(0)->ProtocolTyp(), ptKTX);
    EXPECT_EQ(target.Items(1)->Name(), "Connection1");
    EXPECT_EQ(target.Items(1)->BaudRate(), 57600u);
    EXPECT_EQ(target.Items(1)->Port(), portBT);
    EXPECT_EQ(source.Count(), 2);
}

// ---------------------------------------------------------------------------------------
// Properties with side effects

TEST(ItemProperties, PortReportsAChangeAndAlwaysRefreshesTheDeviceList)
{
    ItemFixture f;
    TDevice com1;
    com1.Name = "COM1";
    com1.PortNumber = 1;
    f.host.lists[portCOM] = {com1};

    f.item->SetPort(portCOM);
    EXPECT_EQ(Events(f.notifications), std::vector<TNotificationEvent>{nePortChanged});
    EXPECT_EQ(f.notifications[0].sender, f.item);
    EXPECT_EQ(f.item->Devices().size(), 1u);

    TDevice com2 = com1;
    com2.PortNumber = 2;
    f.host.lists[portCOM].push_back(com2);
    f.item->SetPort(portCOM);  // unchanged: no notification, but a fresh snapshot
    EXPECT_EQ(f.notifications.size(), 1u);
    EXPECT_EQ(f.item->Devices().size(), 2u);

    f.item->SetPort(portNone);  // the list is kept for portNone
    EXPECT_EQ(f.notifications.size(), 2u);
    EXPECT_EQ(f.item->Devices().size(), 2u);
}

TEST(ItemProperties, BaudRateReconnectsAnOpenLinkAtTheNewRate)
{
    ItemFixture f;
    f.item->SetBaudRate(57600);  // unchanged: nothing at all
    EXPECT_TRUE(f.notifications.empty());

    f.item->SetBaudRate(19200);  // not connected: only stored
    EXPECT_EQ(f.item->BaudRate(), 19200u);
    EXPECT_TRUE(f.notifications.empty());

    f.ConnectUsb();
    ASSERT_EQ(f.item->LinkState(), lsConnected);
    f.notifications.clear();
    f.item->SetBaudRate(115200);
    EXPECT_EQ(Events(f.notifications), (std::vector<TNotificationEvent>{neDisconnect, neConnect}));
    EXPECT_EQ(f.item->LinkState(), lsConnected);
    EXPECT_EQ(f.usb.opens, 2);
    EXPECT_EQ(f.usb.openedWith.BaudRate, 115200u);
}

TEST(ItemProperties, UsbLatencyGoesToAnOpenUsbLinkAtOnce)
{
    ItemFixture f;
    f.item->SetUSBLatency(4);
    EXPECT_TRUE(f.usb.latencies.empty());
    f.ConnectUsb();
    EXPECT_EQ(f.usb.openedWith.USBLatency, 4u);
    f.item->SetUSBLatency(16);
    EXPECT_EQ(f.usb.latencies, std::vector<uint32_t>{16});
    EXPECT_EQ(f.item->USBLatency(), 16u);
}

// ---------------------------------------------------------------------------------------
// Choosing a device

TDevice ComPort(int number)
{
    TDevice d;
    d.Name = "Communications Port (COM" + std::to_string(number) + ")";
    d.Info = "COM" + std::to_string(number);
    d.PortNumber = number;
    d.Connected = true;
    d.Handle = -1;
    return d;
}

TDevice UsbGauge(const std::string& info, const std::string& serial)
{
    TDevice d;
    d.Name = info;
    d.Info = info;
    d.SerialNo = serial;
    d.Handle = -1;
    return d;
}

TDevice Radio(const std::string& name, const std::string& address)
{
    TDevice d;
    d.Name = name;
    d.Address = address;
    d.Handle = -1;
    return d;
}

TEST(DeviceChoice, SelectDeviceByIndex)
{
    struct Case {
        const char* name;
        TPort port;
        TDevices list;
        int index;
        TErrMsg result;
        std::string deviceName;
    };
    const Case cases[] = {
        {"empty list", portCOM, {}, 0, emEmptyDeviceList, ""},
        {"index below", portCOM, {ComPort(1)}, -1, emNoDevice, ""},
        {"index past the end", portCOM, {ComPort(1), ComPort(3)}, 2, emNoDevice, ""},
        {"COM by its name", portCOM, {ComPort(1), ComPort(3)}, 1, emNone, "Communications Port (COM3)"},
        {"USB by its Info", portUSB, {UsbGauge("GAUGE A", "S1")}, 0, emNone, "GAUGE A"},
        {"Bluetooth", portBT, {Radio("Caliper", "(00:11:22:33:44:55)")}, 0, emNone, "Caliper"},
        {"infrared", portIrDA, {Radio("IR gauge", "(01:02:03:04)")}, 0, emNone, "IR gauge"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemFixture f;
        f.host.lists[c.port] = c.list;
        f.item->SetPort(c.port);
        f.notifications.clear();
        EXPECT_EQ(f.item->SelectDevice(c.index), c.result);
        EXPECT_EQ(f.item->DeviceName(), c.deviceName);
        if (c.result == emNone) {
            ASSERT_NE(f.item->Device(), nullptr);
            EXPECT_TRUE(f.item->Device()->Device.SameDevice(c.list[static_cast<size_t>(c.index)]));
            EXPECT_TRUE(f.host.Reports().empty());
            EXPECT_EQ(Events(f.notifications), std::vector<TNotificationEvent>{neConnectionChanged});
        } else {
            EXPECT_EQ(f.item->Device(), nullptr);
            EXPECT_EQ(f.host.Reports(), std::vector<TErrMsg>{c.result});
            EXPECT_TRUE(f.notifications.empty());
        }
    }
}

TEST(DeviceChoice, ChoosingTheSameDeviceAgainIsQuietAndAFailedChoiceDropsTheOldOne)
{
    ItemFixture f;
    f.host.lists[portCOM] = {ComPort(1), ComPort(2)};
    f.item->SetPort(portCOM);
    ASSERT_EQ(f.item->SelectDevice(1), emNone);
    f.notifications.clear();
    EXPECT_EQ(f.item->SelectDevice(1), emNone);
    EXPECT_TRUE(f.notifications.empty());

    // The list is taken anew at every choice.
    f.host.lists[portCOM] = {ComPort(2)};
    EXPECT_EQ(f.item->SelectDevice(1), emNoDevice);
    EXPECT_EQ(f.item->Device(), nullptr);
    EXPECT_TRUE(f.item->DeviceName().empty());
    EXPECT_TRUE(f.notifications.empty());  // only a successful choice reports the change
}

TEST(DeviceChoice, OnPortNoneNothingIsChosen)
{
    ItemFixture f;
    f.host.lists[portCOM] = {ComPort(1)};
    f.item->SetPort(portCOM);
    f.item->SetPort(portNone);  // keeps the COM snapshot
    EXPECT_EQ(f.item->SelectDevice(0), emNone);
    EXPECT_EQ(f.item->Device(), nullptr);
    EXPECT_EQ(f.item->SelectDeviceByName("COM1"), emDeviceNotFound);
    EXPECT_TRUE(f.host.Reports().empty());
}

TEST(DeviceChoice, SelectDeviceByName)
{
    struct Case {
        const char* name;
        TPort port;
        TDevices list;
        const char* typed;
        TErrMsg result;
        std::vector<TErrMsg> reports;
        std::string deviceName;
    };
    const TDevices coms = {ComPort(1), ComPort(3), ComPort(12)};
    const TDevices usb = {UsbGauge("GAUGE A", "FT01"), UsbGauge("Gauge B", "ft02")};
    const TDevices radios = {Radio("Caliper", "(00:11:22:33:44:55)"), Radio("Dial", "(AA:BB:CC:DD:EE:FF)")};
    const Case cases[] = {
        {"com 3", portCOM, coms, "com 3", emNone, {}, "Communications Port (COM3)"},
        {"text around", portCOM, coms, "  COM12 ", emNone, {}, "Communications Port (COM12)"},
        {"no such port", portCOM, coms, "COM4", emDeviceNotFound, {emDeviceNotFound}, ""},
        {"no COM in the name", portCOM, coms, "XYZ", emDeviceNotFound, {emDeviceNotFound}, ""},
        {"empty list", portCOM, {}, "COM1", emEmptyDeviceList, {emEmptyDeviceList}, ""},
        {"USB by Info", portUSB, usb, "gauge b", emNone, {}, "Gauge B"},
        {"USB by serial", portUSB, usb, "FT02", emNone, {}, "Gauge B"},
        {"Bluetooth by name", portBT, radios, "DIAL", emNone, {}, "Dial"},
        {"Bluetooth by address", portBT, radios, "(00:11:22:33:44:55)", emNone, {}, "Caliper"},
        {"infrared by name", portIrDA, radios, "caliper", emNone, {}, "Caliper"},
        {"infrared not by address", portIrDA, radios, "(AA:BB:CC:DD:EE:FF)", emDeviceNotFound,
         {emDeviceNotFound}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ItemFixture f;
        f.host.lists[c.port] = c.list;
        f.item->SetPort(c.port);
        EXPECT_EQ(f.item->SelectDeviceByName(QString::fromLatin1(c.typed)), c.result);
        EXPECT_EQ(f.host.Reports(), c.reports);
        EXPECT_EQ(f.item->DeviceName(), c.deviceName);
        EXPECT_EQ(f.item->Device() != nullptr, c.result == emNone);
    }
}

TEST(DeviceChoice, ComFollowedByTextThatIsNotANumberRaisesAConversionError)
{
    ItemFixture f;
    f.host.lists[portCOM] = {ComPort(1)};
    f.item->SetPort(portCOM);
    for (const char* typed : {"COMx", "COM", "COM 1a"}) {
        try {
            f.item->SelectDeviceByName(QString::fromLatin1(typed));
            ADD_FAILURE() << "no exception for " << typed;
        } catch (const ConvertError& e) {
            EXPECT_NE(std::string(e.what()).find("is not a valid integer value"), std::string::npos);
        }
    }
}

TEST(DeviceChoice, FindDeviceMatchesAddressThenTheSameDevice)
{
    ItemFixture f;
    TDevice caliper = Radio("Caliper", "(00:11:22:33:44:55)");
    TDevice other = Radio("Caliper", "(00:11:22:33:44:66)");
    f.host.lists[portBT] = {other, caliper};
    f.item->SetPort(portBT);

    TDevice seen = caliper;
    seen.Description = "found again";  // not part of the equality test
    seen.Connected = true;
    EXPECT_EQ(f.item->FindDevice(seen), 1);
    EXPECT_EQ(f.item->DeviceName(), "Caliper");
    ASSERT_NE(f.item->Device(), nullptr);
    EXPECT_EQ(f.item->Device()->Device.Address, "(00:11:22:33:44:55)");

    TDevice renamed = caliper;
    renamed.Name = "Caliper 2";
    EXPECT_EQ(f.item->FindDevice(renamed), -1);
    TDevice elsewhere = caliper;
    elsewhere.Address = "(00:00:00:00:00:01)";
    EXPECT_EQ(f.item->FindDevice(elsewhere), -1);
}

// ---------------------------------------------------------------------------------------
// Connecting over USB (fake link)

TEST(UsbLink, ConnectSendLinesAndDisconnect)
{
    ItemFixture f;
    f.host.showErrorMsg = true;
    f.item->SetReceiveTimeout(10);
    f.ConnectUsb("FT123");
    EXPECT_EQ(f.item->LinkState(), lsConnected);
    EXPECT_EQ(f.usb.openedSerial, "FT123");
    EXPECT_EQ(f.usb.openedWith.BaudRate, 57600u);
    EXPECT_EQ(f.usb.openedWith.ReceiveTimeout, 10u);
    EXPECT_TRUE(f.usb.openedWith.ShowErrors);
    EXPECT_EQ(f.item->Device()->Device.Handle, 7);
    ASSERT_EQ(Events(f.notifications),
              (std::vector<TNotificationEvent>{nePortChanged, neConnectionChanged, neConnect}));
    EXPECT_EQ(f.notifications[2].sender, f.item);
    EXPECT_EQ(f.notifications[2].error, 0);
    EXPECT_EQ(f.notifications[2].device.SerialNo, "FT123");

    f.item->SetProtocolTyp(ptRAW);
    EXPECT_EQ(f.item->Send(Buf({0x05})), emNone);
    f.item->SetProtocolTyp(ptKTX);
    EXPECT_EQ(f.item->Send(Buf({0x41, 0x42, 0x43})), emNone);
    ASSERT_EQ(f.usb.writes.size(), 2u);
    EXPECT_EQ(Hex(f.usb.writes[0].bytes), "05");
    EXPECT_EQ(Hex(f.usb.writes[1].bytes), "02 35 7F 41 42 43 FC 04");

    f.item->SetControlLine(lnDTR, true);
    f.item->SetControlLine(lnBreak, false);
    EXPECT_EQ(f.usb.lines, (std::vector<std::pair<TControlLine, bool>>{{lnDTR, true}, {lnBreak, false}}));

    f.usb.writeStatus = 4;
    EXPECT_EQ(f.item->SendRaw(Buf({0x01})), emSendData);
    EXPECT_TRUE(f.host.Reports().empty());  // a failed write is not reported

    f.notifications.clear();
    EXPECT_TRUE(f.item->Disconnect());
    EXPECT_EQ(f.item->LinkState(), lsDisconnected);
    EXPECT_EQ(f.item->Device()->Device.Handle, -1);
    EXPECT_EQ(Events(f.notifications), std::vector<TNotificationEvent>{neDisconnect});
    EXPECT_EQ(f.notifications[0].sender, f.item);
    EXPECT_FALSE(f.item->Disconnect());  // nothing left to close
    EXPECT_EQ(f.usb.closes, 1);
}

// Together with the links' own table (LinkTest), this pins what each line switch does on
// every transport.
TEST(UsbLink, EveryControlLineSwitchReachesTheLinkAsAsked)
{
    ItemFixture f;
    f.ConnectUsb();
    const std::vector<std::pair<TControlLine, bool>> asked = {
        {lnBreak, true}, {lnBreak, false}, {lnDTR, true}, {lnDTR, false}, {lnRTS, true}, {lnRTS, false},
    };
    for (const auto& [line, state] : asked)
        f.item->SetControlLine(line, state);
    f.item->SetControlLine(static_cast<TControlLine>(0), true);  // no such line: nothing is switched
    EXPECT_EQ(f.usb.lines, asked);
    EXPECT_TRUE(f.host.Reports().empty());
}

TEST(UsbLink, AFailedOpenIsReportedAndLeavesTheHandleClosed)
{
    for (bool withLink : {true, false}) {
        SCOPED_TRACE(withLink ? "open fails" : "no USB transport");
        ItemFixture f;
        f.usb.openStatus = 2;
        if (!withLink)
            f.item->SetUsbLink(nullptr);
        f.host.lists[portUSB] = {UsbGauge("GAUGE", "S1")};
        f.item->SetPort(portUSB);
        f.item->SelectDevice(0);
        EXPECT_EQ(f.item->Connect(true), emConnect);
        EXPECT_EQ(f.host.Reports(), std::vector<TErrMsg>{emConnect});
        EXPECT_EQ(f.item->LinkState(), lsDisconnected);
        EXPECT_EQ(f.item->Device()->Device.Handle, -1);
        EXPECT_FALSE(f.item->Disconnect());
    }
}

TEST(UsbLink, DestroyingTheItemClosesTheLinkEvenWithoutAChosenDevice)
{
    FakeUsbLink::State usb;
    {
        ItemFixture f;
        f.item->SetUsbLink(std::make_unique<FakeUsbLink>(usb));
        f.ConnectUsb();
        ASSERT_TRUE(usb.open);
        // A new choice that fails drops the device while the link stays open.
        EXPECT_EQ(f.item->SelectDeviceByName("nothing"), emDeviceNotFound);
        EXPECT_FALSE(f.item->Disconnect());
        EXPECT_TRUE(usb.open);
    }
    EXPECT_FALSE(usb.open);
}

TEST(UsbLink, ALostDeviceClosesTheLink)
{
    ItemFixture f;
    f.ConnectUsb();
    f.notifications.clear();
    f.item->Notify(nullptr, neDeviceRemoved, 0, f.item->Device()->Device);
    EXPECT_EQ(f.item->LinkState(), lsDeviceLost);
    EXPECT_FALSE(f.usb.open);
    EXPECT_EQ(Events(f.notifications), (std::vector<TNotificationEvent>{neDisconnect, neDeviceRemoved}));

    // While disconnected a removal only passes through.
    f.notifications.clear();
    f.item->Notify(nullptr, neDeviceRemoved, 0, TDevice{});
    EXPECT_EQ(f.item->LinkState(), lsDeviceLost);
    EXPECT_EQ(Events(f.notifications), std::vector<TNotificationEvent>{neDeviceRemoved});
}

TEST(UsbLink, ReceivedTelegramsAreFramedAndAnsweredOnTheReceiveThread)
{
    ItemFixture f;
    f.ConnectUsb();
    std::thread::id handlerThread;
    std::vector<TTelegramData> telegrams;
    TObject* sender = nullptr;
    f.item->OnTelegram = [&](TObject* Sender, TTelegramData Telegram, TBuffer&) {
        handlerThread = std::this_thread::get_id();
        sender = Sender;
        telegrams.push_back(Telegram);
    };
    const Bytes frame{0x02, 0x7F, 0x35, 0x21, 0x41, 0x42, 0xDA, 0x04};
    std::thread receiveThread([&] {
        f.usb.receiver(frame.data(), 3);
        f.usb.receiver(frame.data() + 3, 5);
    });
    const std::thread::id receiveId = receiveThread.get_id();
    receiveThread.join();

    ASSERT_EQ(telegrams.size(), 1u);
    EXPECT_EQ(handlerThread, receiveId);
    EXPECT_EQ(sender, f.item);  // the USB path passes the item itself
    EXPECT_EQ(Hex(BytesOf(telegrams[0].Data)), "41 42");
    ASSERT_EQ(f.usb.writes.size(), 1u);
    EXPECT_EQ(Hex(f.usb.writes[0].bytes), "06 35 7F 21 DB 04");
    EXPECT_EQ(f.usb.writes[0].thread, receiveId);
    EXPECT_EQ(uint32_t(f.item->LastTelegram().Received), 1u);
}

// ---------------------------------------------------------------------------------------
// Sending while not connected

TEST(Sending, NothingGoesOutWhileNotConnected)
{
    ItemFixture f;
    f.host.lists[portUSB] = {UsbGauge("GAUGE", "S1")};
    f.item->SetPort(portUSB);
    f.item->SelectDevice(0);
    EXPECT_EQ(f.item->Send(Buf({0x41})), emPortNotActive);
    EXPECT_EQ(f.item->SendRaw(Buf({0x41})), emPortNotActive);
    f.item->SetControlLine(lnRTS, true);
    EXPECT_EQ(f.host.Reports(), (std::vector<TErrMsg>{emPortNotActive, emPortNotActive, emPortNotActive}));
    EXPECT_TRUE(f.usb.writes.empty());
    EXPECT_TRUE(f.usb.lines.empty());
}

TEST(Sending, ABuildThatFailsIsReturnedAndNothingIsSent)
{
    ItemFixture f;
    f.ConnectUsb();
    Bytes tooLong(251, 0x41);
    EXPECT_EQ(f.item->Send(Buf(tooLong)), emSendData);
    EXPECT_EQ(f.host.Reports(), std::vector<TErrMsg>{emSendData});
    EXPECT_TRUE(f.usb.writes.empty());
}

// ---------------------------------------------------------------------------------------
// Pacing and the clock

TEST(Pacing, TransfersAreAtLeastCmdSendDelayApart)
{
    ItemFixture f;
    f.item->SetCmdSendDelay(40);
    f.item->SetProtocolTyp(ptRAW);
    f.ConnectUsb();

    // Two sends in a row.
    ASSERT_EQ(f.item->Send(Buf({0x01})), emNone);
    ASSERT_EQ(f.item->Send(Buf({0x02})), emNone);
    ASSERT_EQ(f.usb.writes.size(), 2u);
    EXPECT_GE(f.usb.writes[1].at - f.usb.writes[0].at, 38ms);

    // A send right after received data waits for the delay after that data.
    std::this_thread::sleep_for(60ms);
    const uint8_t byte = 0x33;
    const auto receivedAt = FakeUsbLink::Clock::now();
    f.item->ReceiveBytes(f.item, &byte, 1);
    ASSERT_EQ(f.item->Send(Buf({0x03})), emNone);
    EXPECT_GE(f.usb.writes[2].at - receivedAt, 38ms);

    // Long after the last transfer a send goes out at once.
    std::this_thread::sleep_for(60ms);
    const auto before = FakeUsbLink::Clock::now();
    ASSERT_EQ(f.item->Send(Buf({0x04})), emNone);
    EXPECT_LT(f.usb.writes[3].at - before, 30ms);
}

TEST(Pacing, TheOwnerThreadsEventsRunDuringTheWait)
{
    ItemFixture f;
    f.item->SetCmdSendDelay(50);
    f.item->SetProtocolTyp(ptRAW);
    f.ConnectUsb();
    ASSERT_EQ(f.item->Send(Buf({0x01})), emNone);
    bool ran = false;
    QMetaObject::invokeMethod(QCoreApplication::instance(), [&ran] { ran = true; }, Qt::QueuedConnection);
    ASSERT_EQ(f.item->Send(Buf({0x02})), emNone);
    EXPECT_TRUE(ran);
}

// Fails by hanging: a watchdog ends the process if the wait does not end.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              if (done_.get_future().wait_for(limit) == std::future_status::timeout) {
                  std::fprintf(stderr, "watchdog: the wait did not end\n");
                  std::abort();
              }
          })
    {
    }
    ~Watchdog()
    {
        done_.set_value();
        thread_.join();
    }

private:
    std::promise<void> done_;
    std::thread thread_;
};

TEST(Clock, ScalesTheCounterAndWrapsAt32Bits)
{
    struct Case {
        int64_t frequency;
        int64_t counter;
        uint32_t now;
    };
    const Case cases[] = {
        {1000, 1234, 1234},
        {1000, (int64_t{1} << 32) + 5, 5},
        {10'000'000, 25'000, 2},                                     // 2.5 ms, truncated
        // A nanosecond counter 200 days after boot: counter * 1000 passes 64 bits.
        {1'000'000'000, 200LL * 86400 * 1'000'000'000, static_cast<uint32_t>(200ULL * 86400 * 1000)},
        // A frequency that is no whole number of kHz, also beyond 64 bits.
        {3'579'545, 3'579'545LL * 5000, 5'000'000},
        {3'579'545, 10'000'000'000'000'000LL, 1'922'406'000u},
    };
    for (const Case& c : cases) {
        ItemFixture f;
        f.host.frequency = c.frequency;
        f.item->SetCounterSource([&c] { return c.counter; });
        EXPECT_EQ(f.item->Now(), c.now) << c.counter << " at " << c.frequency;
    }
    // Without a counter frequency the system's millisecond tick is used.
    ItemFixture f;
    f.host.frequency = 0;
    f.item->SetCounterSource([] { return int64_t{0}; });
    const uint32_t a = f.item->Now();
    std::this_thread::sleep_for(20ms);
    const uint32_t elapsed = f.item->Now() - a;
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 1000u);
}

TEST(Clock, PacingEndsAcrossTheWrapAndWaitsAtMostCmdSendDelay)
{
    ItemFixture f;
    f.host.frequency = 1000;
    f.item->SetCmdSendDelay(40);
    f.item->SetProtocolTyp(ptRAW);
    f.ConnectUsb();
    // A millisecond clock that wraps 20 ms from now.
    const auto start = std::chrono::steady_clock::now();
    const int64_t base = (int64_t{1} << 32) - 20;
    auto counter = [start, base] {
        return base + std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                          .count();
    };
    f.item->SetCounterSource(counter);

    Watchdog watchdog(std::chrono::seconds(10));
    ASSERT_EQ(f.item->Send(Buf({0x01})), emNone);  // stamped just before the wrap
    EXPECT_GT(f.item->LastSendTime(), 0xFFFFFF00u);
    ASSERT_EQ(f.item->Send(Buf({0x02})), emNone);  // its wait crosses the wrap
    EXPECT_LT(f.item->LastSendTime(), 100u);
    const auto gap = f.usb.writes[1].at - f.usb.writes[0].at;
    EXPECT_GE(gap, 38ms);
    EXPECT_LT(gap, 500ms);

    // A stamp that lies ahead of the clock (set by a clock that was wound back) costs at
    // most one delay.
    const uint8_t byte = 0;
    f.item->SetCounterSource([base] { return base + 1000; });
    f.item->ReceiveBytes(f.item, &byte, 1);
    f.item->SetCounterSource(counter);
    const auto before = std::chrono::steady_clock::now();
    ASSERT_EQ(f.item->Send(Buf({0x03})), emNone);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 500ms);
}

// ---------------------------------------------------------------------------------------
// Receiving

TEST(Receiving, ChunksThatArriveWhileAHandlerRunsAreFramedAfterItInOrder)
{
    ItemFixture f;
    f.item->SetProtocolTyp(ptRAW);
    f.item->SetEndOfLineChar(0);
    std::vector<Bytes> units;
    int depth = 0;
    f.item->OnTelegram = [&](TObject*, TTelegramData Telegram, TBuffer&) {
        ++depth;
        EXPECT_EQ(depth, 1) << "the handler was entered again";
        units.push_back(BytesOf(Telegram.Data));
        if (units.size() == 1) {
            // As if the handler's wait had let the next OnData run.
            const Bytes more{0x43, 0x44};
            f.item->ReceiveBytes(f.item->Client(), more.data(), 2);
        }
        --depth;
    };
    const Bytes first{0x41, 0x42};
    f.item->ReceiveBytes(f.item->Client(), first.data(), 2);
    EXPECT_EQ(units, (std::vector<Bytes>{{0x41, 0x42}, {0x43, 0x44}}));
}

TEST(Receiving, ABurstOfAThousandBytesArrivesWholeAndInOrder)
{
    ItemFixture f;
    ApplyMainWindowSettings(*f.item);
    Bytes burst(1000);
    for (size_t i = 0; i < burst.size(); ++i)
        burst[i] = static_cast<uint8_t>(i * 7 + i / 256);
    Bytes received;
    int units = 0;
    f.item->OnTelegram = [&](TObject* Sender, TTelegramData Telegram, TBuffer&) {
        EXPECT_EQ(Sender, f.item->Client());
        EXPECT_EQ(uint32_t(Telegram.Command), 2u);
        ++units;
        received.insert(received.end(), Telegram.Data.Data(), Telegram.Data.Data() + Telegram.Data.Count());
    };
    f.item->ReceiveBytes(f.item->Client(), burst.data(), static_cast<int>(burst.size()));
    EXPECT_EQ(units, 4);
    EXPECT_EQ(received, burst);
}

TEST(Receiving, EveryChunkStampsTheReceiveTimeEvenAnEmptyOne)
{
    ItemFixture f;
    f.host.frequency = 1000;
    int64_t counter = 500;
    f.item->SetCounterSource([&counter] { return counter; });
    f.item->ReceiveBytes(f.item, nullptr, 0);
    EXPECT_EQ(f.item->LastReceiveTime(), 500u);
    counter = 700;
    const uint8_t byte = 0x41;
    f.item->ReceiveBytes(f.item, &byte, 1);
    EXPECT_EQ(f.item->LastReceiveTime(), 700u);
}

TEST(Receiving, BufferToStringTakesEachByteAsACharacter)
{
    const QString text = TKTXComm2Item::BufferToString(Buf({0x00, 0x41, 0xB5, 0xFF}));
    ASSERT_EQ(text.size(), 4);
    EXPECT_EQ(text[0].unicode(), 0x0000);
    EXPECT_EQ(text[1].unicode(), 0x0041);
    EXPECT_EQ(text[2], QChar(0x00B5));  // µ
    EXPECT_EQ(text[3].unicode(), 0x00FF);
    EXPECT_TRUE(TKTXComm2Item::BufferToString(TBuffer{}).isEmpty());
}

} // namespace
