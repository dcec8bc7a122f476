// The udev USB bus against umockdev: device trees with a root hub, a hub, FT232R adapters
// and a CDC-ACM gauge, plugged and unplugged in the order real hardware produces (the
// tty child after its USB device, the by-id link after the tty node). Watching is run with
// the udev daemon's events (umockdev plays the daemon's netlink socket), with the sysfs
// rescan, and with the choice the bus makes itself on this machine.
#include "platform/ComPortMap.h"
#include "platform/UsbBus.h"
#include "tests/support/EventLoop.h"
#include "tests/support/UsbTestbed.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>
#include <map>
#include <set>
#include <sstream>

using dabrix::platform::ComPortMap;
using dabrix::platform::CreateUdevUsbBus;
using dabrix::platform::UsbBus;
using dabrix::platform::UsbDeviceInfo;
using dabrix::platform::UsbInterfacePath;
using dabrix::platform::UsbWatchSource;
using dabrix::test::AcmGauge;
using dabrix::test::FtdiAdapter;
using dabrix::test::UsbTestbed;
using dabrix::test::WaitFor;
using namespace std::chrono_literals;

namespace {

using Change = UsbBus::Change;
using Event = std::pair<Change, std::string>;

std::string FtdiPath(const std::string& instance)
{
    return UsbInterfacePath(0x0403, 0x6001, instance);
}

class UsbBusUdevTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(UsbTestbed::Preloaded()) << "run under umockdev-wrapper";
        ASSERT_TRUE(config_.isValid());
        ASSERT_TRUE(testbed_.Add(dabrix::test::RootHubAndHubDescription()));
    }

    std::unique_ptr<UsbBus> Bus(UsbWatchSource source = UsbWatchSource::Automatic) const
    {
        return CreateUdevUsbBus(Folder(), {source, 50ms});
    }

    std::string Folder() const { return config_.path().toStdString(); }

    std::string MapText() const
    {
        std::ifstream in(Folder() + "/ComPorts.ini");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static std::optional<UsbDeviceInfo> Listed(UsbBus& bus, const std::string& path)
    {
        std::vector<UsbDeviceInfo> devices;
        if (!bus.Enumerate(devices))
            return std::nullopt;
        for (const auto& d : devices)
            if (d.InterfacePath == path)
                return d;
        return std::nullopt;
    }

    QTemporaryDir config_;
    UsbTestbed testbed_;
};

TEST_F(UsbBusUdevTest, ASerialPortBelongsToTheDeviceRightAboveItsTtyNeverToAHub)
{
    const FtdiAdapter adapter;
    const AcmGauge gauge;
    ASSERT_TRUE(testbed_.Plug(adapter));
    ASSERT_TRUE(testbed_.Plug(gauge));

    std::vector<UsbDeviceInfo> devices;
    ASSERT_TRUE(Bus()->Enumerate(devices));
    ASSERT_EQ(devices.size(), 4u);
    std::map<std::string, UsbDeviceInfo> byPath;
    for (const auto& d : devices)
        byPath[d.InterfacePath] = d;

    const ComPortMap map(Folder());
    const int adapterCom = map.NumberOfPath("/dev/serial/by-id/" + adapter.ByIdName());
    const int gaugeCom = map.NumberOfPath("/dev/serial/by-id/" + gauge.ByIdName());
    EXPECT_EQ(std::set<int>({adapterCom, gaugeCom}), std::set<int>({3, 4}));

    const struct {
        std::string path;
        std::string product;
        std::string model;
        std::string port;
    } expected[] = {
        {UsbInterfacePath(0x1d6b, 0x0002, "0000:00:14.0"), "xHCI Host Controller", "2.0 root hub", ""},
        {UsbInterfacePath(0x05e3, 0x0610, "1-1"), "USB2.0 Hub", "Hub", ""},  // no serial: the sysfs name
        {FtdiPath("A10K3B2Q"), "FT232R USB UART", "FT232 Serial (UART) IC", "COM" + std::to_string(adapterCom)},
        {UsbInterfacePath(0x0483, 0x5740, "LK26-0042"), "Lakmo2600 USB-VCP", "Lakmo2600 USB-VCP",
         "COM" + std::to_string(gaugeCom)},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.path);
        ASSERT_TRUE(byPath.count(e.path));
        EXPECT_EQ(byPath[e.path].Product, e.product);
        EXPECT_EQ(byPath[e.path].ModelName, e.model);
        EXPECT_EQ(byPath[e.path].PortName, e.port);
    }
    EXPECT_EQ(byPath[FtdiPath("A10K3B2Q")].Manufacturer, "FTDI");
    EXPECT_EQ(byPath[FtdiPath("A10K3B2Q")].SerialNumber, "A10K3B2Q");
}

TEST_F(UsbBusUdevTest, ALineWrittenBeforeTheByIdLinkGetsItSoTheAdapterKeepsItsNumber)
{
    FtdiAdapter first;
    first.serial = "FIRST01";
    ASSERT_TRUE(testbed_.Add(first.UsbDescription()));
    ASSERT_TRUE(testbed_.Add(first.TtyDescription()));
    auto bus = Bus();
    // Listed between the tty node and udev's link: the kernel name is all there is.
    ASSERT_EQ(Listed(*bus, FtdiPath("FIRST01")).value_or(UsbDeviceInfo{}).PortName, "COM3");
    EXPECT_EQ(MapText(), "[Ports]\nCOM3=/dev/ttyUSB0\n");
    ASSERT_TRUE(testbed_.AddByIdLink(first.ByIdName(), first.tty));
    ASSERT_EQ(Listed(*bus, FtdiPath("FIRST01")).value_or(UsbDeviceInfo{}).PortName, "COM3");
    EXPECT_EQ(MapText(), "[Ports]\nCOM3=/dev/serial/by-id/" + first.ByIdName() + "\n");

    // Unplugged; another adapter comes first and becomes ttyUSB0; the first one returns
    // as ttyUSB1 on another port of the hub.
    testbed_.Unplug(first);
    FtdiAdapter second;
    second.port = "1-1.3";
    second.serial = "SECOND2";
    ASSERT_TRUE(testbed_.Plug(second));
    EXPECT_EQ(Listed(*bus, FtdiPath("SECOND2")).value_or(UsbDeviceInfo{}).PortName, "COM4");
    first.port = "1-1.4";
    first.tty = "ttyUSB1";
    ASSERT_TRUE(testbed_.Plug(first));
    EXPECT_EQ(Listed(*bus, FtdiPath("FIRST01")).value_or(UsbDeviceInfo{}).PortName, "COM3");
    EXPECT_EQ(Listed(*bus, FtdiPath("SECOND2")).value_or(UsbDeviceInfo{}).PortName, "COM4");
}

TEST_F(UsbBusUdevTest, DevicesThatShareASerialNumberAreListedUnderTheirSysfsNames)
{
    FtdiAdapter a, b;
    a.serial = b.serial = "A1";
    b.port = "1-1.3";
    b.tty = "ttyUSB1";
    ASSERT_TRUE(testbed_.Plug(a));
    // Both would get the same by-id name; udev keeps one link, the first one's here.
    ASSERT_TRUE(testbed_.Add(b.UsbDescription()));
    ASSERT_TRUE(testbed_.Add(b.TtyDescription()));
    std::vector<UsbDeviceInfo> devices;
    ASSERT_TRUE(Bus()->Enumerate(devices));
    std::set<std::string> paths;
    for (const auto& d : devices)
        paths.insert(d.InterfacePath);
    EXPECT_EQ(paths.size(), devices.size());
    EXPECT_TRUE(paths.count(FtdiPath("1-1.2")));
    EXPECT_TRUE(paths.count(FtdiPath("1-1.3")));
    EXPECT_FALSE(paths.count(FtdiPath("A1")));
}

// ---- watching ----------------------------------------------------------------------------

class UsbBusWatchTest : public UsbBusUdevTest, public ::testing::WithParamInterface<UsbWatchSource> {
protected:
    void StartWatching()
    {
        bus_ = Bus(GetParam());
        ASSERT_TRUE(bus_->StartWatching([this](Change change, const std::string& path) {
            events_.emplace_back(change, path);
        }));
    }
    // Waits until `count` events have come, then a moment longer for any that should not.
    bool EventsReach(size_t count)
    {
        const bool reached = WaitFor([&] { return events_.size() >= count; }, 5s);
        dabrix::test::RunEventsFor(400ms);
        return reached;
    }
    std::string PortOf(const std::string& path) { return bus_->Find(path).value_or(UsbDeviceInfo{}).PortName; }

    std::unique_ptr<UsbBus> bus_;
    std::vector<Event> events_;
};

std::string SourceName(const ::testing::TestParamInfo<UsbWatchSource>& info)
{
    switch (info.param) {
    case UsbWatchSource::Automatic:
        return "Automatic";
    case UsbWatchSource::UdevDaemon:
        return "UdevDaemon";
    case UsbWatchSource::SysfsRescan:
        return "SysfsRescan";
    }
    return "Unknown";
}

TEST_P(UsbBusWatchTest, ADeviceIsUpdatedWhenItsTtyChildComesAndGoes)
{
    StartWatching();
    const FtdiAdapter adapter;
    const std::string path = FtdiPath(adapter.serial);
    ASSERT_TRUE(testbed_.Add(adapter.UsbDescription()));
    ASSERT_TRUE(EventsReach(1));
    EXPECT_EQ(events_, std::vector<Event>({{Change::Arrival, path}}));
    EXPECT_EQ(PortOf(path), "") << "no tty yet";

    // The tty child, then udev's link: the same device comes again, now with its port.
    ASSERT_TRUE(testbed_.Add(adapter.TtyDescription()));
    ASSERT_TRUE(testbed_.AddByIdLink(adapter.ByIdName(), adapter.tty));
    ASSERT_TRUE(EventsReach(2));
    EXPECT_EQ(events_, std::vector<Event>({{Change::Arrival, path}, {Change::Arrival, path}}));
    EXPECT_EQ(PortOf(path), "COM3");

    // Its driver lets go of it (the bridge library opens the device itself): the tty
    // leaves, the device stays.
    testbed_.RemoveByIdLink(adapter.ByIdName());
    const std::string usbSerialPort = adapter.UsbPath() + "/" + adapter.port + ":1.0/" + adapter.tty;
    testbed_.Unplug(usbSerialPort, {adapter.TtyPath()});
    ASSERT_TRUE(EventsReach(3));
    EXPECT_EQ(events_.back(), Event(Change::Arrival, path));
    EXPECT_EQ(PortOf(path), "");

    testbed_.Unplug(adapter.UsbPath(), {adapter.UsbPath() + "/" + adapter.port + ":1.0"});
    ASSERT_TRUE(EventsReach(4));
    EXPECT_EQ(events_.size(), 4u);
    EXPECT_EQ(events_.back(), Event(Change::Removal, path));
}

TEST_P(UsbBusWatchTest, ARemovalNamesThePathItsArrivalGaveThoughUdevSanitisesTheSerialNumber)
{
    StartWatching();
    FtdiAdapter adapter;
    adapter.serial = "A1 B/2";
    ASSERT_TRUE(testbed_.Add(adapter.UsbDescription()));
    ASSERT_TRUE(EventsReach(1));
    ASSERT_EQ(events_, std::vector<Event>({{Change::Arrival, FtdiPath("A1 B/2")}}));
    testbed_.Unplug(adapter.UsbPath(), {adapter.UsbPath() + "/" + adapter.port + ":1.0"});
    ASSERT_TRUE(EventsReach(2));
    EXPECT_EQ(events_, std::vector<Event>({{Change::Arrival, FtdiPath("A1 B/2")},
                                           {Change::Removal, FtdiPath("A1 B/2")}}));
}

TEST_P(UsbBusWatchTest, ASecondDeviceWithTheSameSerialNumberMovesBothToTheirSysfsNames)
{
    FtdiAdapter a, b;
    a.serial = b.serial = "A1";
    b.port = "1-1.3";
    ASSERT_TRUE(testbed_.Add(a.UsbDescription()));
    StartWatching();

    ASSERT_TRUE(testbed_.Add(b.UsbDescription()));
    ASSERT_TRUE(EventsReach(3));
    const std::vector<Event> plugged = {
        {Change::Removal, FtdiPath("A1")}, {Change::Arrival, FtdiPath("1-1.2")}, {Change::Arrival, FtdiPath("1-1.3")}};
    EXPECT_EQ(events_, plugged);

    testbed_.Unplug(b.UsbPath(), {b.UsbPath() + "/" + b.port + ":1.0"});
    ASSERT_TRUE(EventsReach(6));
    std::vector<Event> all = plugged;
    all.insert(all.end(), {{Change::Removal, FtdiPath("1-1.2")}, {Change::Removal, FtdiPath("1-1.3")},
                           {Change::Arrival, FtdiPath("A1")}});
    EXPECT_EQ(events_, all);
}

TEST_P(UsbBusWatchTest, DevicesPresentAtTheStartAreNotReportedAndStoppingEndsTheReports)
{
    ASSERT_TRUE(testbed_.Plug(AcmGauge{}));
    StartWatching();
    dabrix::test::RunEventsFor(300ms);
    EXPECT_TRUE(events_.empty());
    bus_->StopWatching();
    ASSERT_TRUE(testbed_.Plug(FtdiAdapter{}));
    dabrix::test::RunEventsFor(300ms);
    EXPECT_TRUE(events_.empty());
}

// Without a daemon the bus is read again once a period only while a cheap stamp of it has
// changed (with every tenth pass read in any case). After a quiet while, a device swapped
// into the port another has just left between two passes, and a tty that comes to a
// device, must still be seen at the next pass, not at the tenth.
TEST_F(UsbBusUdevTest, TheRescanSeesWhatChangesAfterQuietPasses)
{
    constexpr auto kPeriod = 300ms;
    const auto bus = CreateUdevUsbBus(Folder(), {UsbWatchSource::SysfsRescan, kPeriod});
    std::vector<Event> events;
    ASSERT_TRUE(bus->StartWatching([&](Change change, const std::string& path) { events.emplace_back(change, path); }));
    auto seenWithin = [&](size_t count, std::chrono::milliseconds bound) {
        const auto start = std::chrono::steady_clock::now();
        if (!WaitFor([&] { return events.size() >= count; }, 5s))
            return false;
        return std::chrono::steady_clock::now() - start < bound;
    };

    FtdiAdapter first;
    ASSERT_TRUE(testbed_.Add(first.UsbDescription()));
    ASSERT_TRUE(WaitFor([&] { return events.size() == 1; }, 5s));
    // Nothing changes for a few passes; they compare stamps. The tenth pass after the last
    // read of the bus reads it anyway: these changes come well before that.
    const auto quiet = 3 * kPeriod + 100ms;
    dabrix::test::RunEventsFor(quiet);

    FtdiAdapter second;
    second.serial = "B20X7Q1M";
    second.devnum = "6";
    testbed_.Unplug(first.UsbPath(), {first.UsbPath() + "/" + first.port + ":1.0"});
    ASSERT_TRUE(testbed_.Add(second.UsbDescription()));
    EXPECT_TRUE(seenWithin(3, 4 * kPeriod)) << "a device swapped in the same port";
    EXPECT_EQ(std::vector<Event>(events.begin() + 1, events.end()),
              std::vector<Event>({{Change::Removal, FtdiPath(first.serial)}, {Change::Arrival, FtdiPath(second.serial)}}));
    dabrix::test::RunEventsFor(quiet);

    ASSERT_TRUE(testbed_.Add(second.TtyDescription()));
    EXPECT_TRUE(seenWithin(4, 4 * kPeriod)) << "the device's tty";
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events.back(), Event(Change::Arrival, FtdiPath(second.serial)));
    EXPECT_EQ(bus->Find(FtdiPath(second.serial)).value_or(UsbDeviceInfo{}).PortName, "COM3");
}

INSTANTIATE_TEST_SUITE_P(Sources, UsbBusWatchTest,
                         ::testing::Values(UsbWatchSource::UdevDaemon, UsbWatchSource::SysfsRescan,
                                           UsbWatchSource::Automatic),
                         SourceName);

} // namespace
