#include "platform/ComPortMap.h"
#include "platform/ProfileFile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using dabrix::platform::ComPortEntry;
using dabrix::platform::ComPortMap;

namespace {

namespace fs = std::filesystem;

// A configuration folder plus a small fake machine: /sys/class/tty, /sys/devices and /dev.
class ComPortMapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = dir_.path().toStdString();
        fs::create_directories(Config());
        fs::create_directories(SysTty());
        fs::create_directories(Dev() + "/serial/by-id");
    }

    std::string Config() const { return root_ + "/config"; }
    std::string SysTty() const { return root_ + "/sys/class/tty"; }
    std::string Dev() const { return root_ + "/dev"; }
    std::string MapFile() const { return Config() + "/ComPorts.ini"; }

    ComPortMap Map() const
    {
        ComPortMap map(Config());
        map.SetSysRoot(SysTty());
        map.SetDevRoot(Dev());
        return map;
    }

    static void WriteFile(const std::string& path, const std::string& text)
    {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path) << text;
    }

    static std::string Contents(const std::string& path)
    {
        std::ifstream in(path);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string Node(const std::string& name) const
    {
        WriteFile(Dev() + "/" + name, "");
        return Dev() + "/" + name;
    }

    // A ttyS port; type 0 means the driver knows no UART at that address.
    void AddUart(int index, int type)
    {
        const std::string name = "ttyS" + std::to_string(index);
        const std::string device = root_ + "/sys/devices/platform/serial8250/" + name;
        fs::create_directories(device);
        WriteFile(SysTty() + "/" + name + "/type", std::to_string(type) + "\n");
        fs::create_symlink(device, SysTty() + "/" + name + "/device");
        Node(name);
    }

    // A USB serial adapter: its USB device with strings, the interface, the tty and, unless
    // udev has not made it yet, a by-id link.
    void PlugUsbSerial(const std::string& tty, const std::string& usbName, const std::string& product,
                       const std::string& serial, bool byIdLink = true)
    {
        const std::string usb = root_ + "/sys/devices/pci0000:00/usb1/" + usbName;
        const std::string iface = usb + "/" + usbName + ":1.0";
        fs::create_directories(iface);
        WriteFile(usb + "/idVendor", "0403\n");
        WriteFile(usb + "/idProduct", "6001\n");
        WriteFile(usb + "/product", product + "\n");
        fs::create_directories(SysTty() + "/" + tty);
        fs::create_symlink(iface, SysTty() + "/" + tty + "/device");
        Node(tty);
        if (byIdLink)
            AddByIdLink(tty, serial);
    }

    std::string ByIdPath(const std::string& serial) const
    {
        return Dev() + "/serial/by-id/usb-FTDI_" + serial + "-if00-port0";
    }

    void AddByIdLink(const std::string& tty, const std::string& serial)
    {
        fs::create_symlink("../../" + tty, ByIdPath(serial));
    }

    void UnplugUsbSerial(const std::string& tty, const std::string& serial)
    {
        fs::remove_all(SysTty() + "/" + tty);
        fs::remove(Dev() + "/" + tty);
        fs::remove(Dev() + "/serial/by-id/usb-FTDI_" + serial + "-if00-port0");
    }

    QTemporaryDir dir_;
    std::string root_;
};

TEST_F(ComPortMapTest, RegisterGivesLowestFreeNumberFromThreeAndKeepsNumbersStable)
{
    ComPortMap map = Map();
    const std::string a = Node("pts/1"), b = Node("pts/2"), c = Node("pts/3");
    EXPECT_EQ(map.Register(a), 3);
    EXPECT_EQ(map.Register(b), 4);
    EXPECT_EQ(map.Register(a), 3) << "a path that has a line keeps its number";
    map.Unregister(3);
    EXPECT_EQ(map.NumberOfPath(a), 0);
    EXPECT_EQ(map.Register(c), 3) << "the freed number is the lowest free again";
    EXPECT_EQ(map.Register(a), 5);
    EXPECT_EQ(map.NumberOfPath(b), 4);
    EXPECT_EQ(map.DevicePathOf(4), b);
    EXPECT_EQ(Contents(MapFile()), "[Ports]\nCOM4=" + b + "\nCOM3=" + c + "\nCOM5=" + a + "\n");
}

TEST_F(ComPortMapTest, NumbersOfPresentUartsAreNotHandOut)
{
    AddUart(0, 4);  // COM1
    AddUart(2, 4);  // COM3
    AddUart(3, 0);  // no UART: COM4 stays free
    ComPortMap map = Map();
    EXPECT_EQ(map.Register(Node("pts/7")), 4);
    EXPECT_EQ(map.Register(Dev() + "/ttyS2"), 3) << "a ttyS with a UART is COM<n+1> without a line";
    EXPECT_EQ(map.DevicePathOf(1), Dev() + "/ttyS0");
    EXPECT_EQ(map.DevicePathOf(3), Dev() + "/ttyS2");
    EXPECT_EQ(map.DevicePathOf(4), Dev() + "/pts/7");
    EXPECT_EQ(map.NumberOfPath(Dev() + "/ttyS3"), 0);
    EXPECT_FALSE(map.DevicePathOf(2));
    EXPECT_EQ(Contents(MapFile()), "[Ports]\nCOM4=" + Dev() + "/pts/7\n");
}

TEST_F(ComPortMapTest, KeepsLinesAndTextWrittenByOthers)
{
    const std::string userLine = Node("ttyFOO");
    WriteFile(MapFile(), "; my ports\n[Ports]\nCOM3=/dev/gone\ncom9=" + userLine
                             + "\nFriendly=hello\n\n[Other]\nx=1\n");
    ComPortMap map = Map();
    EXPECT_EQ(map.Register(Node("pts/1")), 4) << "a line whose path is gone still holds its number";
    EXPECT_EQ(map.NumberOfPath(userLine), 9) << "keys in any case";
    map.Unregister(4);
    map.Unregister(12);  // not there: nothing changes
    EXPECT_EQ(Contents(MapFile()),
              "; my ports\n[Ports]\nCOM3=/dev/gone\ncom9=" + userLine + "\nFriendly=hello\n\n[Other]\nx=1\n");
    map.Unregister(9);
    EXPECT_EQ(Contents(MapFile()), "; my ports\n[Ports]\nCOM3=/dev/gone\nFriendly=hello\n\n[Other]\nx=1\n");
}

TEST_F(ComPortMapTest, APortIsPresentWhileItsPathExistsWithSymlinksResolved)
{
    const std::string target = Node("pts/4");
    const std::string link = root_ + "/gauge-link";
    fs::create_symlink(target, link);
    WriteFile(MapFile(), "[Ports]\nCOM6=" + link + "\nCOM7=" + Dev() + "/pts/5\n");
    ComPortMap map = Map();

    EXPECT_EQ(map.DevicePathOf(6), target) << "symlink resolved";
    EXPECT_EQ(map.NumberOfPath(target), 6) << "the device found through the link's target";
    EXPECT_EQ(map.NumberOfPath(link), 6);
    EXPECT_EQ(map.Register(target), 6) << "no second line for the same device";
    EXPECT_FALSE(map.DevicePathOf(7)) << "path missing: not present";
    EXPECT_EQ(map.NumberOfPath(Dev() + "/pts/5"), 7) << "the line still names it";
    EXPECT_FALSE(map.DevicePathOf(8));
    EXPECT_FALSE(map.DevicePathOf(0));

    auto ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].Number, 6);
    EXPECT_EQ(ports[0].DevicePath, target);
    EXPECT_EQ(ports[0].StablePath, link);
    EXPECT_EQ(ports[0].FriendlyName, "Communications Port (COM6)");

    Node("pts/5");  // the simulator's pty appears
    EXPECT_EQ(map.DevicePathOf(7), Dev() + "/pts/5");
    fs::remove(target);  // the link dangles now
    EXPECT_FALSE(map.DevicePathOf(6));
    ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].Number, 7);
}

// A watcher skips its scan while the stamp stays equal: every change a scan would see has to
// change the stamp, and a change whose time is too recent to tell apart gives none.
TEST_F(ComPortMapTest, ScanStampChangesWithEveryChangeAScanWouldSee)
{
    ComPortMap map = Map();
    const std::string link = root_ + "/gauge-link";
    fs::create_symlink(Node("pts/4"), link);
    WriteFile(MapFile(), "[Ports]\nCOM6=" + link + "\n");
    // Puts the watched times that a change has just set an hour back, a second later each
    // time, as if a while had passed without changes; the others stay as they are.
    int tick = 0;
    auto settle = [&] {
        const auto now = fs::file_time_type::clock::now();
        for (const std::string& path : {Dev(), Dev() + "/serial/by-id", MapFile()})
            if (fs::last_write_time(path) > now - std::chrono::minutes(1))
                fs::last_write_time(path, now - std::chrono::hours(1) + std::chrono::seconds(++tick));
    };
    settle();
    auto before = map.ScanStamp();
    ASSERT_TRUE(before);
    EXPECT_EQ(map.ScanStamp(), before) << "nothing changed";

    struct Change {
        const char* what;
        bool touchesWatchedTime;  // of <dev>, by-id or the map file
        std::function<void()> make;
    };
    const std::vector<Change> changes = {
        {"a tty appears in sysfs", false, [&] { fs::create_directories(SysTty() + "/ttyUSB0"); }},
        {"its node appears", true, [&] { Node("ttyUSB0"); }},
        {"its by-id link appears", true, [&] { AddByIdLink("ttyUSB0", "A1"); }},
        {"a line is added", true, [&] { map.Register(Node("pts/3")); }},
        {"a line's target goes", false, [&] { fs::remove(Dev() + "/pts/3"); }},
        {"a line's link leads elsewhere", false,
         [&] {
             fs::remove(link);
             fs::create_symlink(Node("pts/5"), link);
         }},
        {"the map file is replaced by one of the same size", true,
         [&] {
             WriteFile(MapFile() + ".new", "[Ports]\nCOM7=" + link + "\n");
             fs::rename(MapFile() + ".new", MapFile());
         }},
        {"the map file is written over with another line", true,
         [&] { WriteFile(MapFile(), "[Ports]\nCOM7=" + Dev() + "/pts/9\n"); }},
        {"that line's device appears", false, [&] { Node("pts/9"); }},
        {"the node goes", true, [&] { fs::remove(Dev() + "/ttyUSB0"); }},
        {"the tty leaves sysfs", false, [&] { fs::remove_all(SysTty() + "/ttyUSB0"); }},
    };
    for (const Change& change : changes) {
        change.make();
        if (change.touchesWatchedTime) {
            EXPECT_FALSE(map.ScanStamp()) << change.what << ": a time of this second gives no stamp";
        }
        settle();
        const auto after = map.ScanStamp();
        ASSERT_TRUE(after) << change.what;
        EXPECT_NE(after, before) << change.what;
        EXPECT_EQ(map.ScanStamp(), after) << change.what << ": then stays";
        before = after;
    }
}

// Where /dev is devtmpfs the stamp leaves the sysfs names to the full scans, so telling the
// kernel's devtmpfs from a container's own /dev decides what a stamp can miss.
TEST(ComPortMapMountTest, DevtmpfsIsToldFromTheLastMountAtTheFolder)
{
    const std::string desktop =
        "22 28 0:21 / /sys rw,nosuid,nodev,noexec,relatime shared:7 - sysfs sysfs rw\n"
        "23 28 0:5 / /dev rw,nosuid,relatime shared:2 - devtmpfs udev rw,size=8086592k,mode=755\n"
        "24 23 0:22 / /dev/pts rw,nosuid,noexec,relatime shared:3 - devpts devpts rw,gid=5,mode=620\n";
    const std::string container =
        "612 590 0:55 / /dev rw,nosuid - tmpfs tmpfs rw,size=65536k,mode=755\n"
        "613 612 0:56 / /dev/pts rw,nosuid,noexec,relatime - devpts devpts rw,gid=5\n";
    const struct {
        const char* what;
        std::string mountinfo;
        const char* folder;
        bool devtmpfs;
    } cases[] = {
        {"a desktop's /dev", desktop, "/dev", true},
        {"no optional fields", "23 28 0:5 / /dev rw - devtmpfs devtmpfs rw\n", "/dev", true},
        {"a folder below it", desktop, "/dev/pts", false},
        {"a folder not mounted", desktop, "/srv/dev", false},
        {"a container's own /dev", container, "/dev", false},
        {"devtmpfs hidden by a later tmpfs", desktop + container, "/dev", false},
        {"tmpfs hidden by a later devtmpfs", container + desktop, "/dev", true},
        {"no last newline", "23 28 0:5 / /dev rw - devtmpfs devtmpfs rw", "/dev", true},
        {"no separator", "23 28 0:5 / /dev rw devtmpfs devtmpfs rw\n", "/dev", false},
        {"nothing after the separator", "23 28 0:5 / /dev rw -\n", "/dev", false},
        {"too few fields", "23 28 /dev - devtmpfs\n", "/dev", false},
        {"empty", "", "/dev", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComPortMap::IsDevtmpfs(c.mountinfo, c.folder), c.devtmpfs) << c.what;
}

TEST_F(ComPortMapTest, PresentPortsScansUartsAndNumbersNewSerialTtys)
{
    AddUart(0, 4);
    AddUart(1, 0);
    fs::create_directories(SysTty() + "/tty1");  // virtual console: no device
    fs::create_directories(SysTty() + "/console");
    Node("tty1");
    PlugUsbSerial("ttyUSB0", "1-1", "Gauge Cable", "A1");
    fs::create_directories(SysTty() + "/rfcomm0");  // virtual, but a serial link
    const std::string rfcomm = Node("rfcomm0");
    const std::string pty = Node("pts/9");
    WriteFile(MapFile(), "[Ports]\nCOM3=/dev/serial/by-id/some-old-adapter\nCOM4=" + pty + "\n");

    ComPortMap map = Map();
    const auto ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 4u);
    EXPECT_EQ(ports[0].Number, 1);
    EXPECT_EQ(ports[0].DevicePath, Dev() + "/ttyS0");
    EXPECT_EQ(ports[0].FriendlyName, "Communications Port (COM1)");
    EXPECT_EQ(ports[0].SysfsDevice, root_ + "/sys/devices/platform/serial8250/ttyS0");
    EXPECT_EQ(ports[1].Number, 4);
    EXPECT_EQ(ports[1].DevicePath, pty);
    EXPECT_EQ(ports[1].SysfsDevice, "");

    // The new ttys get 5 and 6 (3 and 4 are taken, 1 by the UART); order of discovery
    // follows the directory, so look them up by device.
    const auto find = [&](const std::string& device) -> const ComPortEntry* {
        for (const auto& p : ports)
            if (p.DevicePath == device)
                return &p;
        return nullptr;
    };
    const ComPortEntry* usb = find(Dev() + "/ttyUSB0");
    const ComPortEntry* bt = find(rfcomm);
    ASSERT_TRUE(usb && bt);
    EXPECT_EQ(std::set<int>({usb->Number, bt->Number}), std::set<int>({5, 6}));
    EXPECT_EQ(usb->StablePath, Dev() + "/serial/by-id/usb-FTDI_A1-if00-port0");
    EXPECT_EQ(usb->Description, "Gauge Cable");
    EXPECT_EQ(usb->FriendlyName, "Gauge Cable (COM" + std::to_string(usb->Number) + ")");
    EXPECT_EQ(usb->SysfsDevice, root_ + "/sys/devices/pci0000:00/usb1/1-1/1-1:1.0");
    EXPECT_EQ(bt->StablePath, rfcomm);
    EXPECT_EQ(bt->FriendlyName, "Communications Port (COM" + std::to_string(bt->Number) + ")");

    // Lines were written with the stable paths, and a second scan changes nothing.
    ComPortMap fresh = Map();
    EXPECT_EQ(fresh.NumberOfPath(usb->StablePath), usb->Number);
    EXPECT_EQ(fresh.NumberOfPath(Dev() + "/ttyUSB0"), usb->Number);
    const std::string written = Contents(MapFile());
    const auto again = fresh.PresentPorts();
    ASSERT_EQ(again.size(), 4u);
    for (size_t i = 0; i < again.size(); ++i)
        EXPECT_EQ(again[i].Number, ports[i].Number);
    EXPECT_EQ(Contents(MapFile()), written);
}

TEST_F(ComPortMapTest, AnAdapterKeepsItsNumberWhenPluggedInAgain)
{
    ComPortMap map = Map();
    PlugUsbSerial("ttyUSB0", "1-1", "First", "A1");
    auto ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].Number, 3);

    UnplugUsbSerial("ttyUSB0", "A1");
    EXPECT_TRUE(map.PresentPorts().empty());
    EXPECT_FALSE(map.DevicePathOf(3));

    // Another adapter comes first and takes ttyUSB0; then the first one returns as ttyUSB1.
    PlugUsbSerial("ttyUSB0", "1-2", "Second", "B2");
    ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].Number, 4);
    EXPECT_EQ(ports[0].Description, "Second");
    PlugUsbSerial("ttyUSB1", "1-1", "First", "A1");
    ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Number, 3);
    EXPECT_EQ(ports[0].DevicePath, Dev() + "/ttyUSB1");
    EXPECT_EQ(ports[1].Number, 4);
    EXPECT_EQ(map.DevicePathOf(3), Dev() + "/ttyUSB1");
}

TEST_F(ComPortMapTest, ALineWrittenBeforeTheByIdLinkExistedGetsTheLinkAndKeepsItsNumber)
{
    ComPortMap map = Map();
    // A user's own link to an adapter is the user's choice and stays as written.
    PlugUsbSerial("ttyUSB2", "1-3", "Third", "C3");
    const std::string userLink = root_ + "/my-gauge";
    fs::create_symlink(Dev() + "/ttyUSB2", userLink);
    WriteFile(MapFile(), "[Ports]\ncom7=" + userLink + "\n");

    // The scan runs between the tty node and udev's link.
    PlugUsbSerial("ttyUSB0", "1-1", "First", "A1", /*byIdLink=*/false);
    auto ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Number, 3);
    EXPECT_EQ(ports[0].StablePath, Dev() + "/ttyUSB0");
    EXPECT_EQ(Contents(MapFile()), "[Ports]\ncom7=" + userLink + "\nCOM3=" + Dev() + "/ttyUSB0\n");

    AddByIdLink("ttyUSB0", "A1");
    ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Number, 3);
    EXPECT_EQ(ports[0].StablePath, ByIdPath("A1"));
    EXPECT_EQ(Contents(MapFile()), "[Ports]\ncom7=" + userLink + "\nCOM3=" + ByIdPath("A1") + "\n");

    // Unplugged; another adapter comes first and takes ttyUSB0; the first returns as ttyUSB1.
    UnplugUsbSerial("ttyUSB0", "A1");
    PlugUsbSerial("ttyUSB0", "1-2", "Second", "B2");
    PlugUsbSerial("ttyUSB1", "1-1", "First", "A1");
    ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].Number, 3);
    EXPECT_EQ(ports[0].DevicePath, Dev() + "/ttyUSB1");
    EXPECT_EQ(ports[0].Description, "First");
    EXPECT_EQ(ports[1].Number, 4);
    EXPECT_EQ(ports[1].Description, "Second");
    EXPECT_EQ(ports[2].Number, 7);
    EXPECT_EQ(Contents(MapFile()), "[Ports]\ncom7=" + userLink + "\nCOM3=" + ByIdPath("A1") + "\nCOM4="
                                       + ByIdPath("B2") + "\n");
}

TEST_F(ComPortMapTest, ProcessesRegisteringAtOnceGetDistinctNumbersAndLoseNoLine)
{
    constexpr int Writers = 6;
    constexpr int PerWriter = 5;
    std::vector<std::string> paths;
    for (int i = 0; i < Writers * PerWriter; ++i)
        paths.push_back(Node("pts/" + std::to_string(100 + i)));

    std::vector<pid_t> children;
    for (int w = 0; w < Writers; ++w) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ComPortMap map = Map();
            bool ok = true;
            for (int i = 0; i < PerWriter; ++i)
                ok = map.Register(paths[w * PerWriter + i]) >= 3 && ok;
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }

    ComPortMap map = Map();
    std::set<int> numbers;
    for (const std::string& path : paths)
        numbers.insert(map.NumberOfPath(path));
    EXPECT_EQ(numbers.size(), paths.size());
    EXPECT_EQ(*numbers.begin(), 3);
    EXPECT_EQ(*numbers.rbegin(), 3 + Writers * PerWriter - 1);
    EXPECT_EQ(map.PresentPorts().size(), paths.size());
}

TEST_F(ComPortMapTest, AnUnwritableMapStillListsNewPortsAndRegisterFails)
{
    // A directory where the map file should be: nothing can be written.
    fs::create_directories(MapFile());
    PlugUsbSerial("ttyUSB0", "1-1", "Cable", "A1");
    ComPortMap map = Map();
    const auto ports = map.PresentPorts();
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].Number, 3);
    EXPECT_EQ(map.Register(Node("pts/1")), 0);
    EXPECT_TRUE(fs::is_directory(MapFile()));
}

} // namespace
