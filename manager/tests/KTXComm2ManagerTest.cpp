#include "manager/KTXComm2Manager.h"

#include "comm/KTXComm2Item.h"
#include "platform/UserMessage.h"
#include "transport/lnkBindings.h"
#include "transport/lnkMessages.h"
#include "transport/lnkWindow.h"
#include "tests/support/EventLoop.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using dabrix::platform::UserMessageKind;

// Captures the message boxes and beeps that code below the user interface raises.
class MessageCapture {
public:
    MessageCapture()
    {
        dabrix::platform::SetUserMessageHook([this](UserMessageKind, const QString& text) { messages.push_back(text); });
        dabrix::platform::SetBeepHook([this] { ++beeps; });
    }
    ~MessageCapture()
    {
        dabrix::platform::SetUserMessageHook(nullptr);
        dabrix::platform::SetBeepHook(nullptr);
    }
    std::vector<QString> messages;
    int beeps = 0;
};

struct ErrorEvent {
    TObject* sender;
    TErrMsg code;
    QString text;
};

} // namespace

TEST(TKTXComm2Manager, ConstructionLoadsTheLibraryAndDestructionUnloadsIt)
{
    MessageCapture capture;
    {
        TKTXComm2Manager manager(nullptr);
        EXPECT_EQ(manager.About(), "V3.0_10.11.14_ZW");
        EXPECT_EQ(manager.lnkVersion(), "6.15.1.0");
        EXPECT_TRUE(manager.Api().Loaded());
        EXPECT_GT(manager.CounterFrequency(), 0);
        // The library offers serial and USB on Linux; infrared and Bluetooth are absent.
        EXPECT_EQ(manager.Ports(), (TPorts{portCOM, portUSB}));
        EXPECT_EQ(manager.SerialMode(), smDisabled);
        EXPECT_EQ(manager.USBMode(), umDisabled);
        EXPECT_EQ(manager.IrDAMode(), imDisabled);
        EXPECT_EQ(manager.BluetoothMode(), bmDisabled);
        EXPECT_FALSE(manager.ShowErrorMsg());
        EXPECT_TRUE(IsTransportAvailable(trSerial));
    }
    EXPECT_FALSE(IsTransportAvailable(trSerial));
    EXPECT_TRUE(capture.messages.empty());
}

TEST(TKTXComm2Manager, ASecondManagerCannotLoadAndSaysSo)
{
    MessageCapture capture;
    TKTXComm2Manager first(nullptr);
    {
        TKTXComm2Manager second(nullptr);
        EXPECT_EQ(second.lnkVersion(), "Error 11");
        EXPECT_FALSE(second.Api().Loaded());
        ASSERT_EQ(capture.messages.size(), 1u);
        EXPECT_EQ(capture.messages[0], "The other instance of the TlnkAPI exists end loaded.");
    }
    // Destroying the failed one leaves the first one's library loaded.
    EXPECT_TRUE(first.Api().Loaded());
    EXPECT_TRUE(IsTransportAvailable(trUSB));
}

TEST(TKTXComm2Manager, ReportErrorGivesTheTextRaisesOnErrorAndShowsOnlyWhenAsked)
{
    MessageCapture capture;
    TKTXComm2Manager manager(nullptr);
    std::vector<ErrorEvent> events;
    manager.OnError = [&](TObject* Sender, TErrMsg ErrMsg, const QString& ErrTxt) {
        events.push_back({Sender, ErrMsg, ErrTxt});
    };

    EXPECT_EQ(manager.ReportError(nullptr, emDeviceNotFound), "Device not found !");
    EXPECT_EQ(manager.ReportError(nullptr, emTimeout), "Timeout !");
    EXPECT_EQ(manager.ReportError(nullptr, emNone), "");
    EXPECT_EQ(manager.ReportError(nullptr, static_cast<TErrMsg>(40)), "");
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].sender, &manager);
    EXPECT_EQ(events[0].code, emDeviceNotFound);
    EXPECT_EQ(events[0].text, "Device not found !");
    EXPECT_EQ(events[2].code, emNone); // OnError fires for emNone too, with the empty text
    EXPECT_EQ(events[2].text, "");
    EXPECT_TRUE(capture.messages.empty());
    EXPECT_EQ(capture.beeps, 0);

    manager.SetShowErrorMsg(true);
    manager.ReportError(nullptr, emPortNotActive);
    ASSERT_EQ(capture.messages.size(), 1u);
    EXPECT_EQ(capture.messages[0], "Port not active !");
    EXPECT_EQ(capture.beeps, 1);
}

// An infrared binding that is never available but keeps the root's window, through
// which the test posts the reports a stack binding would.
struct RootWindowSpy : dabrix::transport::StackBinding {
    static inline dabrix::transport::WindowHandle root;
    bool Available() override { return false; }
    void Unload() override {}
};

TEST(TKTXComm2Manager, HardwareChangeRecomputesPortsAndTellsEveryItem)
{
    using dabrix::transport::BindingKind;
    // Declared before the manager: its items report their removal while it is destroyed.
    std::vector<std::pair<TPort, TNotificationEvent>> notes;
    dabrix::transport::SetStackBindingFactory(BindingKind::IrDA, [](const dabrix::transport::WindowHandle& Root) {
        RootWindowSpy::root = Root;
        return std::make_unique<RootWindowSpy>();
    });
    TKTXComm2Manager manager(nullptr);
    dabrix::transport::SetStackBindingFactory(BindingKind::IrDA, nullptr);
    TKTXComm2Item* comItem = manager.Connections().Add();
    TKTXComm2Item* usbItem = manager.Connections().Add();
    usbItem->SetPort(portUSB);
    for (TKTXComm2Item* item : {comItem, usbItem}) {
        item->OnNotification = [&notes, item](TObject*, TNotificationEvent Event, const TDevice&, int) {
            notes.emplace_back(item->Port(), Event);
        };
    }
    std::vector<std::pair<TPorts, TPorts>> changes;
    TObject* changeSender = nullptr;
    manager.OnHardwareChanged = [&](TObject* Sender, TPorts OldPorts, TPorts NewPorts) {
        changeSender = Sender;
        changes.emplace_back(OldPorts, NewPorts);
    };

    // The stack bindings report availability through the root's window; USB going away
    // is one such report.
    ASSERT_TRUE(RootWindowSpy::root.Post(dabrix::transport::msg::TransportChanged, 4 /* trUSB */, 0));
    ASSERT_TRUE(dabrix::test::WaitFor([&] { return !changes.empty(); }));

    EXPECT_EQ(changeSender, &manager.Api());
    EXPECT_EQ(changes[0].first, (TPorts{portCOM, portUSB}));
    EXPECT_EQ(changes[0].second, (TPorts{portCOM}));
    EXPECT_EQ(manager.Ports(), (TPorts{portCOM}));
    const std::vector<std::pair<TPort, TNotificationEvent>> expected = {
        {portNone, neHardwareChanged}, {portUSB, neHardwareChanged}};
    EXPECT_EQ(notes, expected);
    notes.clear();
}

TEST(TKTXComm2Manager, DeviceListServesEachPortKindAndNoneForPortNone)
{
    TKTXComm2Manager manager(nullptr);
    for (TPort port : {portNone, portCOM, portUSB, portIrDA, portBT})
        EXPECT_TRUE(manager.DeviceList(port).empty()) << int(port);
}

TEST(TKTXComm2Manager, AssigningConnectionsRebuildsTheOwnedCollection)
{
    TKTXComm2Manager manager(nullptr);
    const TKTXComm2Connection* own = &manager.Connections();
    manager.Connections().Add();

    TKTXComm2Manager other(nullptr);
    TKTXComm2Item* a = other.Connections().Add();
    TKTXComm2Item* b = other.Connections().Add();
    a->SetBaudRate(1200);
    b->SetBaudRate(115200);
    b->SetPort(portCOM);

    manager.SetConnections(other.Connections());
    EXPECT_EQ(&manager.Connections(), own);
    ASSERT_EQ(manager.Connections().Count(), 2);
    EXPECT_EQ(manager.Connections().Items(0)->BaudRate(), 1200u);
    EXPECT_EQ(manager.Connections().Items(1)->BaudRate(), 115200u);
    EXPECT_EQ(manager.Connections().Items(1)->Port(), portCOM);
}
