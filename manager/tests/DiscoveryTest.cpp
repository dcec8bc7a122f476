// The manager's discovery: COM ports through the serial discovery (pseudo-terminals
// listed in a private ComPorts.ini), USB devices through the simulated bus and USB
// gauges through the simulated bridge library.
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "manager/USBIdentification.h"
#include "platform/ComPortMap.h"
#include "platform/UserMessage.h"
#include "tests/sim/d2xx/SimD2XXControl.h"
#include "tests/support/EventLoop.h"
#include "transport/tests/Pty.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;

namespace {

using dabrix::test::Pty;

// What one source saw, in order, as text: "<who>:<event>:<detail>".
using Log = std::vector<std::string>;

const char* EventName(TNotificationEvent e)
{
    switch (e) {
    case neHardwareChanged: return "HardwareChanged";
    case neConnectionChanged: return "ConnectionChanged";
    case nePortChanged: return "PortChanged";
    case neDeviceFound: return "DeviceFound";
    case neDeviceRemoved: return "DeviceRemoved";
    case neConnect: return "Connect";
    case neDisconnect: return "Disconnect";
    case neDiscoveryStarted: return "DiscoveryStarted";
    case neDiscoveryCompleted: return "DiscoveryCompleted";
    case neMonitoringStarted: return "MonitoringStarted";
    case neMonitoringStopped: return "MonitoringStopped";
    case neConnectionItemAdd: return "ItemAdd";
    case neConnectionItemRemoved: return "ItemRemoved";
    case neConnectionItemChanged: return "ItemChanged";
    }
    return "?";
}

std::vector<int> Numbers(const TDevices& list)
{
    std::vector<int> n;
    for (const auto& d : list)
        n.push_back(d.PortNumber);
    return n;
}

class ManagerDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config.isValid() && bus.isValid());
        setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
        setenv("DABRIX_USB_SIM", bus.path().toUtf8().constData(), 1);
        setenv("DABRIX_D2XX_LIBRARY", DABRIX_SIM_D2XX_PATH, 1);
        sim = std::make_unique<dabrix::test::SimD2XX>(DABRIX_SIM_D2XX_PATH);
        sim->Reset();
        dabrix::platform::SetUserMessageHook(
            [this](dabrix::platform::UserMessageKind, const QString& text) { boxes.push_back(text.toStdString()); });
        manager = std::make_unique<TKTXComm2Manager>(nullptr);
        manager->OnDeviceFound = [this](TObject*, TPort p, const TDevice& d) {
            log.push_back("manager:found:" + std::to_string(p) + ":" + Key(d));
        };
        manager->OnDeviceLost = [this](TObject*, TPort p, const TDevice& d) {
            log.push_back("manager:lost:" + std::to_string(p) + ":" + Key(d));
        };
        manager->OnDiscoveryStarted = [this](TObject*, TPort p) { log.push_back("manager:started:" + std::to_string(p)); };
        manager->OnDiscoveryComplete = [this](TObject*, TPort p, const TDevices&) {
            log.push_back("manager:complete:" + std::to_string(p));
        };
    }

    void TearDown() override
    {
        manager.reset();
        dabrix::platform::SetUserMessageHook(nullptr);
        sim->Reset();
        unsetenv("DABRIX_USB_SIM");
        unsetenv("DABRIX_D2XX_LIBRARY");
    }

    static std::string Key(const TDevice& d) { return d.PortNumber ? d.Info : d.Name + "/" + d.SerialNo; }

    TKTXComm2Item* AddItem(const std::string& name, TPort port)
    {
        TKTXComm2Item* item = manager->Connections().Add();
        item->SetPort(port);
        item->OnNotification = [this, name](TObject*, TNotificationEvent e, const TDevice& d, int) {
            log.push_back(name + ":" + EventName(e) + (d.Info.empty() && d.Name.empty() ? "" : ":" + Key(d)));
        };
        return item;
    }

    std::vector<std::string> Only(const std::string& prefix) const
    {
        std::vector<std::string> out;
        for (const auto& l : log)
            if (l.rfind(prefix, 0) == 0)
                out.push_back(l);
        return out;
    }

    void Plug(const QString& name, const QByteArray& contents)
    {
        QFile f(bus.filePath(name + ".tmp"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
        f.close();
        ASSERT_TRUE(QFile::rename(f.fileName(), bus.filePath(name + ".usb")));
    }

    static TlnkSerialDevice Port(uint32_t n) { return TlnkSerialDevice(QStringLiteral("Port %1").arg(n), false, n); }

    QTemporaryDir config, bus;
    std::unique_ptr<dabrix::test::SimD2XX> sim;
    std::unique_ptr<TKTXComm2Manager> manager;
    Log log;
    std::vector<std::string> boxes;
};

TEST_F(ManagerDiscoveryTest, FoundPortsAreListedOnceInAscendingOrder)
{
    manager->SetSerialMode(smManualDiscovery);
    TKTXComm2Item* item = AddItem("item", portCOM);
    for (uint32_t n : {7u, 3u, 5u, 3u}) {
        const TlnkSerialDevice d = Port(n);
        manager->SerialPortFound(manager->SerialDiscovery(), &d);
    }
    EXPECT_EQ(Numbers(manager->ComDevices()), (std::vector<int>{3, 5, 7}));
    EXPECT_EQ(Numbers(item->Devices()), (std::vector<int>{3, 5, 7}));
    const TDevice& com3 = manager->ComDevices()[0];
    EXPECT_EQ(com3.Name, "Port 3");
    EXPECT_EQ(com3.Info, "COM3");
    EXPECT_TRUE(com3.Connected);
    EXPECT_EQ(com3.Handle, -1);
    const Log expected = {"manager:found:1:COM7", "item:DeviceFound:COM7", "manager:found:1:COM3",
                          "item:DeviceFound:COM3", "manager:found:1:COM5", "item:DeviceFound:COM5"};
    EXPECT_EQ(log, expected);
}

TEST_F(ManagerDiscoveryTest, ALostPortReachesOnlyTheItemThatChoseIt)
{
    manager->SetSerialMode(smManualDiscovery);
    for (uint32_t n : {3u, 5u}) {
        const TlnkSerialDevice d = Port(n);
        manager->SerialPortFound(manager->SerialDiscovery(), &d);
    }
    TKTXComm2Item* chooser = AddItem("chooser", portCOM);
    TKTXComm2Item* other = AddItem("other", portCOM);
    chooser->RefreshDeviceList();
    other->RefreshDeviceList();
    ASSERT_EQ(chooser->SelectDevice(0), emNone); // COM3
    ASSERT_EQ(other->SelectDevice(1), emNone);   // COM5
    log.clear();

    const TlnkSerialDevice gone = Port(3);
    manager->SerialPortLost(manager->SerialDiscovery(), &gone);

    const Log expected = {"chooser:DeviceRemoved:COM3", "manager:lost:1:COM3"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Numbers(manager->ComDevices()), (std::vector<int>{5}));
    EXPECT_EQ(Numbers(other->Devices()), (std::vector<int>{5}));
    EXPECT_EQ(Numbers(chooser->Devices()), (std::vector<int>{5}));

    // A port that is not listed changes nothing.
    log.clear();
    manager->SerialPortLost(manager->SerialDiscovery(), &gone);
    EXPECT_TRUE(log.empty());
}

TEST_F(ManagerDiscoveryTest, AutomaticStartKeepsTheRefreshedListAndDoesNotListTwice)
{
    Pty pty;
    const int number = dabrix::platform::ComPortMap().Register(pty.SlavePath());
    ASSERT_GE(number, 3);
    AddItem("com", portCOM);
    AddItem("usb", portUSB);
    AddItem("bt", portBT);

    manager->SetSerialMode(smAutoDiscovery);
    EXPECT_EQ(manager->SerialMode(), smAutoDiscovery);
    ASSERT_TRUE(manager->SerialDiscovery()->Monitoring());
    const auto listed = Numbers(manager->ComDevices());
    EXPECT_NE(std::find(listed.begin(), listed.end(), number), listed.end());
    // The watcher's start arrived while the mode was manual: no start event, list kept.
    EXPECT_TRUE(Only("manager:started").empty());
    // Items of every available port kind hear the completion; Bluetooth is not offered.
    EXPECT_EQ(Only("com:DiscoveryCompleted").size(), 1u);
    EXPECT_EQ(Only("usb:DiscoveryCompleted").size(), 1u);
    EXPECT_TRUE(Only("bt:").empty());

    // The watcher's first pass finds the same port again: still listed once.
    RunEventsFor(1500ms);
    const auto after = Numbers(manager->ComDevices());
    EXPECT_EQ(std::count(after.begin(), after.end(), number), 1);

    // A refresh in automatic mode does nothing.
    log.clear();
    manager->Refresh(TPorts{portCOM});
    EXPECT_TRUE(log.empty());

    // Setting the mode it has empties the list; no refresh follows while it monitors.
    manager->SetSerialMode(smAutoDiscovery);
    EXPECT_TRUE(manager->ComDevices().empty());
}

TEST_F(ManagerDiscoveryTest, ManualRefreshListsPortsAndCompletesForAvailableKinds)
{
    Pty a, b;
    dabrix::platform::ComPortMap map;
    const int na = map.Register(a.SlavePath());
    const int nb = map.Register(b.SlavePath());
    manager->SetSerialMode(smManualDiscovery);
    EXPECT_TRUE(manager->ComDevices().empty());
    AddItem("com", portCOM);
    AddItem("none", portNone);

    manager->Refresh(TPorts{portCOM});
    const auto listed = Numbers(manager->ComDevices());
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end()));
    EXPECT_EQ(std::count(listed.begin(), listed.end(), na), 1);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), nb), 1);
    const auto complete = Only("manager:complete");
    ASSERT_EQ(complete.size(), 1u);
    EXPECT_EQ(log.back(), "com:DiscoveryCompleted");
    EXPECT_TRUE(Only("none:").empty());

    // USB is not in manual mode: refreshing it alone runs nothing and notifies no one.
    log.clear();
    manager->Refresh(TPorts{portUSB});
    EXPECT_TRUE(log.empty());
}

TEST_F(ManagerDiscoveryTest, ModesStayDisabledWithoutTheirTransport)
{
    ASSERT_EQ(manager->Api().Unload(), 0);
    manager->SetUSBMode(umAutoDiscovery);
    manager->SetSerialMode(smManualDiscovery);
    manager->SetBluetoothMode(bmAutoDiscovery);
    manager->SetIrDAMode(imAutoDiscovery);
    EXPECT_EQ(manager->USBMode(), umDisabled);
    EXPECT_EQ(manager->SerialMode(), smDisabled);
    EXPECT_EQ(manager->BluetoothMode(), bmDisabled);
    EXPECT_EQ(manager->IrDAMode(), imDisabled);
    EXPECT_EQ(manager->USBMonitor(), nullptr);
}

const QByteArray kBridgeA1 = "vid=0403\npid=6001\nserial=A1\nmanufacturer=FTDI\nproduct=Lakmo3 USB Adapter\n";
const QByteArray kBridgeB2 = "vid=0403\npid=6001\nserial=B2\nmanufacturer=FTDI\nproduct=Lakmo3 USB Adapter\n";

TEST_F(ManagerDiscoveryTest, GaugesWithEqualDescriptionsAreOrderedBySerialAndTiedToTheirDevices)
{
    sim->AddDevice("B2", "Lakmo3 USB Adapter", 0x04036001);
    sim->AddDevice("A1", "Lakmo3 USB Adapter", 0x04036001);
    Plug("b2", kBridgeB2);
    Plug("a1", kBridgeA1);
    manager->SetUSBMode(umManualDiscovery);
    ASSERT_TRUE(manager->D2XXLoaded());
    AddItem("usb", portUSB);

    manager->Refresh(TPorts{portUSB});
    const TDevices& gauges = manager->USBGauges();
    ASSERT_EQ(gauges.size(), 2u);
    EXPECT_EQ(gauges[0].SerialNo, "A1");
    EXPECT_EQ(gauges[1].SerialNo, "B2");
    EXPECT_EQ(gauges[0].Name, "Lakmo3 USB Adapter");
    EXPECT_EQ(gauges[0].Info, "Lakmo3 USB Adapter");
    EXPECT_EQ(gauges[0].ID, 0x04036001);
    EXPECT_EQ(gauges[0].DeviceID, "\\\\?\\USB#VID_0403&PID_6001#A1#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
    EXPECT_EQ(gauges[1].DeviceID, "\\\\?\\USB#VID_0403&PID_6001#B2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
    EXPECT_EQ(manager->USBDevices().size(), 2u);
    const Log expected = {"manager:found:2:Lakmo3 USB Adapter/A1", "usb:DeviceFound:Lakmo3 USB Adapter/A1",
                          "manager:found:2:Lakmo3 USB Adapter/B2", "usb:DeviceFound:Lakmo3 USB Adapter/B2",
                          "manager:complete:2", "usb:DiscoveryCompleted"};
    EXPECT_EQ(log, expected);
}

TEST_F(ManagerDiscoveryTest, ADeviceOpenElsewhereIsListedAsInUseAfterTheRetries)
{
    sim->AddDevice("C3", "Lakmo 450", 0x04036001, /*in_use=*/true);
    Plug("c3", "vid=0403\npid=6001\nserial=C3\nproduct=Lakmo 450\n");
    manager->SetUSBMode(umManualDiscovery);
    const auto start = std::chrono::steady_clock::now();
    manager->Refresh(TPorts{portUSB});
    const auto waited = std::chrono::steady_clock::now() - start;
    ASSERT_EQ(manager->USBGauges().size(), 1u);
    const TDevice& g = manager->USBGauges()[0];
    EXPECT_EQ(g.Name, "No device information");
    EXPECT_EQ(g.SerialNo, "------");
    EXPECT_EQ(g.Info, "IN USE");
    EXPECT_EQ(g.ID, 0);
    EXPECT_GE(waited, 4500ms); // ten attempts, 500 ms apart
    EXPECT_TRUE(boxes.empty()); // the list is read with the bridge's error boxes off
}

TEST_F(ManagerDiscoveryTest, AUsbSerialPortLendsItsDescriptionToItsComEntry)
{
    Pty pty;
    {
        QFile map(config.filePath("Dabrix/ComPorts.ini"));
        QDir().mkpath(config.filePath("Dabrix"));
        ASSERT_TRUE(map.open(QIODevice::WriteOnly));
        map.write(QByteArray("[Ports]\nCOM12=") + pty.SlavePath().c_str() + "\n");
    }
    Plug("adapter", "vid=067b\npid=2303\nserial=X9\nmanufacturer=Prolific\nproduct=USB-Serial Controller\nport=COM12\n");
    manager->SetUSBMode(umManualDiscovery);
    manager->Refresh(TPorts{portUSB});
    ASSERT_EQ(manager->USBDevices().size(), 1u);
    const TDevice& usb = manager->USBDevices()[0];
    EXPECT_EQ(usb.Address, "COM12");
    EXPECT_EQ(usb.PortNumber, 12);
    EXPECT_EQ(usb.Description, "USB-Serial Controller");
    EXPECT_EQ(usb.Info, "Prolific");
    EXPECT_EQ(usb.Name, "USB-Serial Controller");
    EXPECT_TRUE(manager->USBGauges().empty()); // not the bridge chip

    manager->SetSerialMode(smManualDiscovery);
    manager->Refresh(TPorts{portCOM});
    bool seen = false;
    for (const TDevice& com : manager->ComDevices()) {
        if (com.PortNumber == 12) {
            seen = true;
            EXPECT_EQ(com.Description, "USB-Serial Controller");
        } else {
            EXPECT_EQ(com.Description, "");
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(ManagerDiscoveryTest, ArrivalsAndRemovalsOfUsbDevices)
{
    manager->SetUSBMode(umAutoDiscovery);
    ASSERT_TRUE(manager->USBMonitor()->Monitoring());
    AddItem("usb", portUSB);
    log.clear();

    // A device that is not the bridge: the manager reports it once, items hear nothing.
    Plug("mouse", "vid=046d\npid=c077\nproduct=USB Optical Mouse\nmanufacturer=Logitech\n");
    ASSERT_TRUE(WaitFor([&] { return !log.empty(); }));
    EXPECT_EQ(log, (Log{"manager:found:2:USB Optical Mouse/"}));
    const TlnkUSBDevice again(QString::fromStdString(manager->USBDevices()[0].DeviceID));
    manager->USBDeviceInserted(manager->USBMonitor(), &again);
    EXPECT_EQ(log.size(), 1u);

    // A bridge device the bridge library does not list is listed as a USB device only;
    // its removal changes only USBDevices.
    log.clear();
    Plug("zz", "vid=0403\npid=6001\nserial=ZZ\nproduct=FT232R USB UART\n");
    ASSERT_TRUE(WaitFor([&] { return manager->USBDevices().size() == 2; }));
    RunEventsFor(100ms);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(manager->USBGauges().empty());
    QFile::remove(bus.filePath("zz.usb"));
    ASSERT_TRUE(WaitFor([&] { return manager->USBDevices().size() == 1; }));
    RunEventsFor(100ms);
    EXPECT_TRUE(log.empty());

    // The bridge with a gauge on it reaches the item on portUSB.
    sim->AddDevice("A1", "Lakmo3 USB Adapter", 0x04036001);
    Plug("a1", kBridgeA1);
    ASSERT_TRUE(WaitFor([&] { return !Only("usb:").empty(); }));
    EXPECT_EQ(Only("usb:"), (Log{"usb:DeviceFound:Lakmo3 USB Adapter/A1"}));
    ASSERT_EQ(manager->USBGauges().size(), 1u);
    TKTXComm2Item* item = manager->Connections().Items(0);
    ASSERT_EQ(item->SelectDevice(0), emNone);
    log.clear();

    // Unplugging the gauge's bridge removes its entry and tells the item that chose it.
    QFile::remove(bus.filePath("a1.usb"));
    ASSERT_TRUE(WaitFor([&] { return manager->USBGauges().empty(); }));
    EXPECT_EQ(log, (Log{"usb:DeviceRemoved:Lakmo3 USB Adapter/A1", "manager:lost:2:Lakmo3 USB Adapter/A1"}));
}

TEST(USBIdentification, PathReductionPortNumbersAndTheBridgeTest)
{
    using namespace dabrix::manager;
    EXPECT_EQ(ReduceDevicePath("\\\\?\\USB#VID_0403&PID_6001#A1B2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}"),
              "USB\\VID_0403&PID_6001\\A1B2");
    bool found = true;
    EXPECT_EQ(ReduceDevicePath("\\\\?\\HID#VID_1", &found), "");
    EXPECT_FALSE(found);

    const std::pair<const char*, int> numbers[] = {{"COM5", 5}, {"com12", 12}, {"", 0}, {"LPT1", 0}, {"COM", 0}, {"COMx", 0}};
    for (const auto& [name, n] : numbers)
        EXPECT_EQ(PortNumberOf(name), n) << name;

    EXPECT_TRUE(IsBridgeDevice("\\\\?\\usb#vid_0403&pid_6001#x"));
    EXPECT_FALSE(IsBridgeDevice("\\\\?\\USB#VID_0403&PID_6015#X"));
}

} // namespace
