#pragma once
// A umockdev testbed with the USB device trees of the udev tests: a root hub with a hub,
// FTDI FT232R adapters (0403:6001) with their ttyUSB child, and CDC-ACM gauges with their
// ttyACM child. Each tree is a umockdev description, as umockdev-record writes them from a
// real machine, cut to what the program reads.
//
// The test must run under umockdev-wrapper (CTest does that for tests registered with
// UMOCKDEV), which sends /sys, /dev and udev's netlink socket to the testbed. A description
// makes no /dev/serial/by-id links, udev's work on a real machine: tests add them.
#include <string>
#include <vector>

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace dabrix::test {

// An FT232R adapter plugged into `port` (a sysfs name below the hub, "1-1.2").
struct FtdiAdapter {
    std::string port = "1-1.2";
    std::string serial = "A10K3B2Q";
    std::string tty = "ttyUSB0";
    std::string devnum = "5";  // the device's number on its bus: new at every plug
    // What udev makes of the serial number in its properties (blanks and '/' become '_').
    std::string SanitisedSerial() const;

    std::string UsbPath() const;  // the usb_device's sysfs path
    std::string TtyPath() const;
    std::string ByIdName() const;  // below /dev/serial/by-id
    // The USB device with its interface; then the usb-serial port with the tty.
    std::string UsbDescription() const;
    std::string TtyDescription() const;
};

// A gauge with a CDC-ACM virtual COM port, plugged into a port of the root hub.
struct AcmGauge {
    std::string port = "1-2";
    std::string serial = "LK26-0042";
    std::string product = "Lakmo2600 USB-VCP";
    std::string tty = "ttyACM0";

    std::string UsbPath() const;
    std::string TtyPath() const;
    std::string ByIdName() const;
    std::string UsbDescription() const;
    std::string TtyDescription() const;
};

// The root hub usb1 ("xHCI Host Controller") and the hub 1-1 on its first port.
std::string RootHubAndHubDescription();
inline const char* const kRootHubPath = "/sys/devices/pci0000:00/0000:00:14.0/usb1";
inline const char* const kHubPath = "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-1";

class UsbTestbed {
public:
    UsbTestbed();
    ~UsbTestbed();
    UsbTestbed(const UsbTestbed&) = delete;
    UsbTestbed& operator=(const UsbTestbed&) = delete;

    // Whether this process runs with umockdev's preload library.
    static bool Preloaded();

    // The testbed's root folder (its /dev is Root() + "/dev").
    std::string Root() const;

    // Adds the devices of a description, each with its "add" uevent, in the order given.
    bool Add(const std::string& description);
    void Uevent(const std::string& syspath, const char* action);

    // Unplugs the device at `syspath`: each of `children` (deepest first, as the kernel
    // sends them) and then the device gets its "remove" uevent and leaves the testbed.
    void Unplug(const std::string& syspath, const std::vector<std::string>& children);

    // /dev/serial/by-id/<name> -> ../../<tty>, as udev makes it after the tty's node.
    bool AddByIdLink(const std::string& name, const std::string& tty);
    void RemoveByIdLink(const std::string& name);

    // Plugs in the usual order: the USB device, its tty child, then the by-id link.
    bool Plug(const FtdiAdapter& adapter);
    bool Plug(const AcmGauge& gauge);
    // Unplugs in the usual order: the by-id link goes, then the tty, then the device.
    void Unplug(const FtdiAdapter& adapter);

private:
    UMockdevTestbed* testbed_ = nullptr;
};

} // namespace dabrix::test
