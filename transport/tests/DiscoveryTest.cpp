// Serial-port discovery over pseudo-terminals listed in a private ComPorts.ini, and USB
// discovery over the simulated bus (a folder of *.usb files).
#include "platform/ComPortMap.h"
#include "tests/support/EventLoop.h"
#include "transport/tests/Pty.h"
#include "transport/lnkAPI.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkSerialDiscovery.h"
#include "transport/lnkUSBMonitor.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <unistd.h>

using namespace std::chrono_literals;
using dabrix::test::RunEventsFor;
using dabrix::test::WaitFor;

namespace {

using dabrix::test::Pty;

class SerialDiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(config.isValid());
        ASSERT_EQ(api.Load(), 0);
        discovery.SetComMapFolder(config.path().toStdString());
        discovery.OnDeviceFound = [this](TObject*, const TlnkSerialDevice* d) { found.push_back(*d); };
        discovery.OnDeviceLost = [this](TObject*, const TlnkSerialDevice* d) { lost.push_back(*d); };
        discovery.OnStarted = [this](TObject*) { ++started; };
        discovery.OnStopped = [this](TObject*) { ++stopped; };
    }

    bool Has(const std::vector<TlnkSerialDevice>& list, int port) const
    {
        for (const auto& d : list)
            if (static_cast<int>(d.Port) == port)
                return true;
        return false;
    }

    QTemporaryDir config;
    TlnkAPI api{nullptr};
    TlnkSerialDiscovery discovery{nullptr};
    dabrix::platform::ComPortMap map{config.path().toStdString()};
    std::vector<TlnkSerialDevice> found, lost;
    int started = 0, stopped = 0;
};

TEST_F(SerialDiscoveryTest, EnumerateListsAListedPseudoTerminalWithItsNumberAndName)
{
    Pty pty;
    ASSERT_FALSE(pty.SlavePath().empty());
    const int number = map.Register(pty.SlavePath());
    ASSERT_GE(number, 3);

    TlnkSerialDevices devices;
    ASSERT_EQ(discovery.Enumerate(&devices), 0);
    bool seen = false;
    for (int i = 0; i < devices.Count(); ++i) {
        if (static_cast<int>(devices.Items(i)->Port) == number) {
            seen = true;
            EXPECT_EQ(devices.Items(i)->FriendlyName, QStringLiteral("Communications Port (COM%1)").arg(number));
            EXPECT_FALSE(devices.Items(i)->IsModem);
        }
    }
    EXPECT_TRUE(seen);
    EXPECT_EQ(discovery.Enumerate(nullptr), 5);

    // A line whose path is gone lists nothing.
    pty.CloseMaster();
    ASSERT_EQ(discovery.Enumerate(&devices), 0);
    for (int i = 0; i < devices.Count(); ++i)
        EXPECT_NE(static_cast<int>(devices.Items(i)->Port), number);
}

TEST_F(SerialDiscoveryTest, WatcherReportsPortsThatComeAndGoOnTheOwnerThread)
{
    ASSERT_EQ(discovery.Start(), 0);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(discovery.Monitoring());
    EXPECT_EQ(discovery.Start(), 700);

    auto pty = std::make_unique<Pty>();
    const int number = map.Register(pty->SlavePath());
    ASSERT_TRUE(WaitFor([&] { return Has(found, number); }, 3s)) << "not found within 3 s";
    EXPECT_FALSE(Has(lost, number));

    // The port goes away: reported lost within about a second. Its line goes first: the
    // pty's number may be taken at once by another process's new pty.
    const auto gone = std::chrono::steady_clock::now();
    map.Unregister(number);
    pty.reset();
    ASSERT_TRUE(WaitFor([&] { return Has(lost, number); }, 3s)) << "not lost within 3 s";
    EXPECT_LT(std::chrono::steady_clock::now() - gone, 2500ms);

    // Found once, however many passes ran.
    int times = 0;
    for (const auto& d : found)
        times += static_cast<int>(d.Port) == number;
    EXPECT_EQ(times, 1);

    discovery.Stop();
    EXPECT_EQ(stopped, 1);
    EXPECT_FALSE(discovery.Monitoring());
    discovery.Stop();
    EXPECT_EQ(stopped, 1);
}

TEST_F(SerialDiscoveryTest, APortGoneBeforeTheFirstPassIsStillReportedLost)
{
    auto pty = std::make_unique<Pty>();
    const int number = map.Register(pty->SlavePath());
    ASSERT_EQ(discovery.Start(), 0);
    map.Unregister(number);
    pty.reset();
    ASSERT_TRUE(WaitFor([&] { return Has(lost, number); }, 3s));
    EXPECT_FALSE(Has(found, number));
}

// Once nothing has changed for a while, passes compare a cheap stamp instead of scanning; a
// device that goes while its line stays must still be seen within about a second.
TEST_F(SerialDiscoveryTest, ADeviceThatGoesAfterQuietPassesIsLostThoughItsLineStays)
{
    auto pty = std::make_unique<Pty>();
    const int number = map.Register(pty->SlavePath());
    ASSERT_EQ(discovery.Start(), 0);
    ASSERT_TRUE(WaitFor([&] { return Has(found, number); }, 3s));
    RunEventsFor(3500ms);  // the map file's time is settled now
    const auto gone = std::chrono::steady_clock::now();
    pty.reset();
    ASSERT_TRUE(WaitFor([&] { return Has(lost, number); }, 5s));
    EXPECT_LT(std::chrono::steady_clock::now() - gone, 2500ms);
}

TEST_F(SerialDiscoveryTest, UnloadingTheLibraryStopsTheWatcherAndStartNeedsTheTransport)
{
    ASSERT_EQ(discovery.Start(), 0);
    ASSERT_EQ(api.Unload(), 0);
    EXPECT_FALSE(discovery.Monitoring());
    EXPECT_EQ(stopped, 1);
    EXPECT_EQ(discovery.Start(), 13);
    TlnkSerialDevices devices;
    EXPECT_EQ(discovery.Enumerate(&devices), 13);
}

TEST(SerialDeviceListTest, IndexChecksAndArguments)
{
    TlnkSerialDevices list;
    list.Add(new TlnkSerialDevice(QStringLiteral("Communications Port (COM3)"), false, 3));
    list.Add(new TlnkSerialDevice(QStringLiteral("USB Serial (COM10)"), true, 10));
    EXPECT_EQ(list.Items(1)->Port, 10u);
    try {
        list.Items(2);
        FAIL() << "no exception";
    } catch (const lnkEIndexOutOfBounds& e) {
        EXPECT_EQ(e.Message(), "Index out of bounds (2).");
    }
    EXPECT_THROW(list.Items(-1), lnkEIndexOutOfBounds);
    EXPECT_THROW(list.Delete(2), lnkEIndexOutOfBounds);
    try {
        list.Add(nullptr);
        FAIL() << "no exception";
    } catch (const lnkEInvalidArgument& e) {
        EXPECT_EQ(e.Message(), "Device parameter is not valid.");
    }
    try {
        list.Assign(nullptr);
        FAIL() << "no exception";
    } catch (const lnkEInvalidArgument& e) {
        EXPECT_EQ(e.Message(), "Devices parameter is not valid.");
    }
    TlnkSerialDevices copy;
    copy.Assign(&list);
    list.Delete(0);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items(0)->FriendlyName, "Communications Port (COM3)");
    EXPECT_TRUE(copy.Items(1)->IsModem);
    copy.Assign(&copy);
    EXPECT_EQ(copy.Count(), 2);
}

class USBMonitorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bus.isValid());
        setenv("DABRIX_USB_SIM", bus.path().toUtf8().constData(), 1);
        ASSERT_EQ(api.Load(), 0);
        monitor = std::make_unique<TlnkUSBMonitor>(nullptr);
        monitor->OnDeviceInserted = [this](TObject*, const TlnkUSBDevice* d) {
            inserted.push_back(d->DevicePath);
            insertedNames.push_back(d->FriendlyName());
        };
        monitor->OnDeviceRemoved = [this](TObject*, const TlnkUSBDevice* d) {
            removed.push_back(d->DevicePath);
            removedNames.push_back(d->FriendlyName());
        };
    }
    void TearDown() override
    {
        monitor.reset();
        unsetenv("DABRIX_USB_SIM");
    }

    // Plugs a device: the file is written aside and renamed into place.
    void Plug(const QString& name, const QByteArray& contents)
    {
        QFile f(bus.filePath(name + ".tmp"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
        f.close();
        ASSERT_TRUE(QFile::rename(f.fileName(), bus.filePath(name + ".usb")));
    }
    void Unplug(const QString& name) { ASSERT_TRUE(QFile::remove(bus.filePath(name + ".usb"))); }

    QTemporaryDir bus;
    TlnkAPI api{nullptr};
    std::unique_ptr<TlnkUSBMonitor> monitor;
    std::vector<QString> inserted, removed, insertedNames, removedNames;
};

const QByteArray kBridge = "vid=0403\npid=6001\nserial=A1B2\nmanufacturer=FTDI\nproduct=Lakmo3 USB Adapter\n";
const QString kBridgePath = "\\\\?\\USB#VID_0403&PID_6001#A1B2#{A5DCBF10-6530-11D2-901F-00C04FB951ED}";

TEST_F(USBMonitorTest, EnumerateGivesInterfacePathsAndTheReadersQueryTheBus)
{
    Plug("bridge", kBridge);
    Plug("noserial", "vid=1a86\npid=7523\nproduct=USB Serial\n");
    TlnkUSBDevices devices;
    ASSERT_EQ(monitor->Enumerate(&devices), 0);
    ASSERT_EQ(devices.Count(), 2);
    EXPECT_EQ(devices.Items(0)->DevicePath, kBridgePath);
    // Without a serial number the device is named by its instance (here the file name).
    EXPECT_EQ(devices.Items(1)->DevicePath,
              "\\\\?\\USB#VID_1A86&PID_7523#noserial#{A5DCBF10-6530-11D2-901F-00C04FB951ED}");
    EXPECT_EQ(devices.Items(0)->FriendlyName(), "Lakmo3 USB Adapter");
    EXPECT_EQ(devices.Items(0)->Manufacturer(), "FTDI");
    EXPECT_EQ(devices.Items(0)->HardwareId(), "USB\\VID_0403&PID_6001");
    EXPECT_EQ(devices.Items(1)->Manufacturer(), "");
    EXPECT_EQ(monitor->Enumerate(nullptr), 5);

    // Readers of a removed device give empty strings.
    Unplug("bridge");
    EXPECT_EQ(devices.Items(0)->FriendlyName(), "");
    EXPECT_EQ(devices.Items(0)->HardwareId(), "");
}

TEST_F(USBMonitorTest, ArrivalsAndRemovalsReachTheOwnerThread)
{
    int started = 0, stopped = 0;
    monitor->OnStarted = [&](TObject*) { ++started; };
    monitor->OnStopped = [&](TObject*) { ++stopped; };
    ASSERT_EQ(monitor->Start(), 0);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(monitor->Start(), 700);

    Plug("bridge", kBridge);
    ASSERT_TRUE(WaitFor([&] { return !inserted.empty(); }));
    EXPECT_EQ(inserted[0], kBridgePath);
    EXPECT_EQ(insertedNames[0], "Lakmo3 USB Adapter");

    Unplug("bridge");
    ASSERT_TRUE(WaitFor([&] { return !removed.empty(); }));
    EXPECT_EQ(removed[0], kBridgePath);
    EXPECT_EQ(removedNames[0], ""); // gone from the bus by the time of the event
    EXPECT_EQ(inserted.size(), 1u);

    monitor->Stop();
    EXPECT_EQ(stopped, 1);
    Plug("late", kBridge);
    RunEventsFor(300ms);
    EXPECT_EQ(inserted.size(), 1u);
}

TEST_F(USBMonitorTest, CodesWithoutTheTransportOrWithoutNotifications)
{
    // A bus folder that does not exist can neither be read nor watched.
    setenv("DABRIX_USB_SIM", "/nonexistent/dabrix-usb", 1);
    TlnkUSBMonitor broken(nullptr);
    TlnkUSBDevices devices;
    devices.Add(new TlnkUSBDevice(QStringLiteral("x")));
    EXPECT_EQ(broken.Enumerate(&devices), 2);
    EXPECT_EQ(devices.Count(), 0);
    EXPECT_EQ(broken.Start(), 2);
    EXPECT_FALSE(broken.Monitoring());

    ASSERT_EQ(monitor->Start(), 0);
    ASSERT_EQ(api.Unload(), 0);
    EXPECT_FALSE(monitor->Monitoring());
    EXPECT_EQ(monitor->Start(), 13);
    EXPECT_EQ(monitor->Enumerate(&devices), 13);
}

} // namespace
