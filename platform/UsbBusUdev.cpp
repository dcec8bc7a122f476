// The real USB bus through libudev: devices of subsystem "usb", type "usb_device".
//
// Listing reads sysfs through libudev and needs no udev daemon. Watching takes the udev
// daemon's events where a daemon runs; where none does (containers, minimal systems) its
// netlink group stays silent, and so does the kernel's in a container with a user
// namespace of its own, so sysfs is read again once a second instead.
//
// Either way a change is found by comparing the devices present now with those present
// before, keyed by sysfs path, rather than by reading the event's device:
//   - a removed device's attributes are gone and udev's properties of it are sanitised
//     (blanks and special characters of the serial number replaced), so its interface
//     path cannot be rebuilt from the event; the removal reports the path its arrival did;
//   - the daemon reports the USB device before its tty child exists, so a device's serial
//     port is known only after the tty's own event: an already present device whose port
//     or names changed is reported as an arrival again;
//   - a device whose path changed (another one with its serial number came or went) is
//     a removal of the old path and an arrival of the new one.
#include "platform/ComPortMap.h"
#include "platform/SysfsFiles.h"
#include "platform/UsbBus.h"

#include <QDebug>
#include <QSocketNotifier>
#include <QTimer>

#include <libudev.h>

#include <map>
#include <mutex>
#include <optional>
#include <strings.h>

namespace dabrix::platform {
namespace {

std::string Attr(udev_device* dev, const char* name)
{
    const char* v = udev_device_get_sysattr_value(dev, name);
    return v ? std::string(v) : std::string();
}

std::string Prop(udev_device* dev, const char* name)
{
    const char* v = udev_device_get_property_value(dev, name);
    return v ? std::string(v) : std::string();
}

uint16_t Hex16(const std::string& text)
{
    return static_cast<uint16_t>(std::strtoul(text.c_str(), nullptr, 16));
}

// A serial number that can stand in an interface path: printable ASCII without the
// path's separators.
bool FitsInPath(const std::string& serial)
{
    if (serial.empty())
        return false;
    for (const char c : serial)
        if (c < 0x20 || c > 0x7E || c == '#' || c == '\\')
            return false;
    return true;
}

struct PresentDevice {
    std::string syspath;
    std::string sysname;
    UsbDeviceInfo info;
};

bool SameInfo(const UsbDeviceInfo& a, const UsbDeviceInfo& b)
{
    return a.InterfacePath == b.InterfacePath && a.PortName == b.PortName && a.ModelName == b.ModelName
        && a.Manufacturer == b.Manufacturer && a.Product == b.Product;
}

// The COM name of the serial port whose nearest USB device is `syspath`; ports come in
// ascending number, so a device with several ports gives its first.
std::string PortNameOf(const std::string& syspath, const std::vector<ComPortEntry>& ports)
{
    for (const ComPortEntry& port : ports)
        if (port.UsbDevice == syspath)
            return "COM" + std::to_string(port.Number);
    return {};
}

// Interface paths for the devices found: the serial number, or the sysfs name where there
// is none or where another present device would get the same path.
void AssignPaths(std::vector<PresentDevice>& devices)
{
    std::map<std::string, int> uses;
    auto key = [](const UsbDeviceInfo& info) {
        return UsbInterfacePath(info.VendorId, info.ProductId, info.SerialNumber);
    };
    for (const PresentDevice& d : devices)
        if (FitsInPath(d.info.SerialNumber))
            ++uses[key(d.info)];
    for (PresentDevice& d : devices) {
        const bool bySerial = FitsInPath(d.info.SerialNumber) && uses[key(d.info)] == 1;
        d.info.InterfacePath =
            UsbInterfacePath(d.info.VendorId, d.info.ProductId, bySerial ? d.info.SerialNumber : d.sysname);
    }
}

// Says once per process where arrivals and removals come from.
void LogSourceOnce(UsbWatchSource source, std::chrono::milliseconds interval)
{
    static std::once_flag once;
    std::call_once(once, [&] {
        if (source == UsbWatchSource::UdevDaemon)
            qInfo().noquote() << "Dabrix: USB devices are watched through the udev daemon's events";
        else
            qInfo().noquote() << "Dabrix: USB devices are watched by reading sysfs every"
                              << interval.count() << "ms (no udev daemon runs)";
    });
}

class UdevUsbBus final : public UsbBus {
public:
    UdevUsbBus(std::string comMapFolder, UdevUsbBusOptions options)
        : comMapFolder_(std::move(comMapFolder)), options_(options), udev_(udev_new())
    {
    }

    ~UdevUsbBus() override
    {
        StopWatching();
        if (udev_)
            udev_unref(udev_);
    }

    bool Enumerate(std::vector<UsbDeviceInfo>& devices) override
    {
        devices.clear();
        const auto present = Scan();
        if (!present)
            return false;
        for (const PresentDevice& d : *present)
            devices.push_back(d.info);
        return true;
    }

    std::optional<UsbDeviceInfo> Find(const std::string& interfacePath) override
    {
        if (const auto present = Scan())
            for (const PresentDevice& d : *present)
                if (strcasecmp(d.info.InterfacePath.c_str(), interfacePath.c_str()) == 0)
                    return d.info;
        return std::nullopt;
    }

    bool StartWatching(ChangeHandler handler) override
    {
        StopWatching();
        if (!udev_)
            return false;
        UsbWatchSource source = options_.source;
        if (source == UsbWatchSource::Automatic)
            source = DaemonRuns() ? UsbWatchSource::UdevDaemon : UsbWatchSource::SysfsRescan;
        if (source == UsbWatchSource::UdevDaemon && !StartMonitor())
            source = UsbWatchSource::SysfsRescan;
        if (source == UsbWatchSource::SysfsRescan) {
            rescan_ = std::make_unique<QTimer>();
            rescan_->setInterval(options_.rescanInterval);
            QObject::connect(rescan_.get(), &QTimer::timeout, rescan_.get(), [this] { PeriodicRescan(); });
            rescan_->start();
        }
        handler_ = std::move(handler);
        known_.clear();
        rescanned_.reset();
        if (auto present = Scan())
            for (PresentDevice& d : *present)
                known_.emplace(d.syspath, std::move(d.info));
        LogSourceOnce(source, options_.rescanInterval);
        return true;
    }

    void StopWatching() override
    {
        notifier_.reset();
        settle_.reset();
        rescan_.reset();
        if (monitor_)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        handler_ = nullptr;
        known_.clear();
    }

private:
    static bool DaemonRuns()
    {
        udev* u = udev_new();
        udev_queue* queue = u ? udev_queue_new(u) : nullptr;
        const bool active = queue && udev_queue_get_udev_is_active(queue) != 0;
        if (queue)
            udev_queue_unref(queue);
        if (u)
            udev_unref(u);
        return active;
    }

    bool StartMonitor()
    {
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (!monitor_)
            return false;
        // A USB device's own events, and those of the ttys that come and go below it.
        if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0
            || udev_monitor_filter_add_match_subsystem_devtype(monitor_, "tty", nullptr) < 0
            || udev_monitor_enable_receiving(monitor_) < 0) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
            return false;
        }
        notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { ReadEvents(); });
        // The kernel sends a removal before it takes the device out of sysfs; a second look
        // shortly after an event sees what the first may still have missed.
        settle_ = std::make_unique<QTimer>();
        settle_->setSingleShot(true);
        settle_->setInterval(std::chrono::milliseconds(250));
        QObject::connect(settle_.get(), &QTimer::timeout, settle_.get(), [this] { Rescan(); });
        return true;
    }

    void ReadEvents()
    {
        // The event tells only that something changed below; what did is read from sysfs.
        bool any = false;
        while (udev_device* dev = udev_monitor_receive_device(monitor_)) {
            udev_device_unref(dev);
            any = true;
        }
        if (!any)
            return;
        settle_->start();
        Rescan();
    }

    // The devices present now; nothing when the bus cannot be read.
    std::optional<std::vector<PresentDevice>> Scan() const
    {
        if (!udev_)
            return std::nullopt;
        udev_enumerate* en = udev_enumerate_new(udev_);
        if (!en)
            return std::nullopt;
        udev_enumerate_add_match_subsystem(en, "usb");
        udev_enumerate_add_match_property(en, "DEVTYPE", "usb_device");
        if (udev_enumerate_scan_devices(en) < 0) {
            udev_enumerate_unref(en);
            return std::nullopt;
        }
        // The serial ports are scanned only when there is a device to name one for: on a
        // machine without USB devices the rescan once a second stays a directory read.
        std::optional<std::vector<ComPortEntry>> ports;
        std::vector<PresentDevice> devices;
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(en))
        {
            if (!ports)
                ports = ComPortMap(comMapFolder_).PresentPorts();
            udev_device* dev = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (!dev)
                continue;
            PresentDevice d;
            d.syspath = udev_device_get_syspath(dev);
            const char* sysname = udev_device_get_sysname(dev);
            d.sysname = sysname ? sysname : "";
            d.info.VendorId = Hex16(Attr(dev, "idVendor"));
            d.info.ProductId = Hex16(Attr(dev, "idProduct"));
            d.info.SerialNumber = Attr(dev, "serial");
            d.info.Manufacturer = Attr(dev, "manufacturer");
            d.info.Product = Attr(dev, "product");
            d.info.ModelName = Prop(dev, "ID_MODEL_FROM_DATABASE");
            if (d.info.ModelName.empty())
                d.info.ModelName = d.info.Product;
            d.info.PortName = PortNameOf(d.syspath, *ports);
            udev_device_unref(dev);
            devices.push_back(std::move(d));
        }
        udev_enumerate_unref(en);
        AssignPaths(devices);
        return devices;
    }

    // What a rescan reads, taken for a fraction of its cost: the names below
    // /sys/bus/usb/devices, each device's number on its bus (a device plugged into the port
    // another has just left gets a new one) and, while there are devices, the serial ports'
    // stamp (a device's tty comes and goes). Nothing when the ports' stamp cannot tell.
    std::optional<std::string> RescanStamp() const
    {
        const std::string devices = "/sys/bus/usb/devices";
        std::string stamp;
        for (const std::string& name : NamesIn(devices)) {
            stamp += name;
            if (name.find(':') == std::string::npos)  // a device, not an interface
                stamp += '=' + ReadFirstLine(devices + "/" + name + "/devnum");
            stamp += '/';
        }
        if (stamp.empty())
            return stamp;
        const auto ports = ComPortMap(comMapFolder_).ScanStamp();
        if (!ports)
            return std::nullopt;
        return stamp + '\n' + *ports;
    }

    // The rescan once a second where no daemon tells of changes: skipped while the stamp
    // equals the last rescan's, but never more than nine times in a row.
    void PeriodicRescan()
    {
        constexpr int kSkippedRescansAtMost = 9;
        std::optional<std::string> stamp = RescanStamp();
        if (stamp && stamp == rescanned_ && skippedRescans_ < kSkippedRescansAtMost) {
            ++skippedRescans_;
            return;
        }
        skippedRescans_ = 0;
        Rescan(std::move(stamp));
    }

    // `stamp`: the RescanStamp taken before, kept when the bus could be read.
    void Rescan(std::optional<std::string> stamp = std::nullopt)
    {
        rescanned_.reset();
        auto present = Scan();
        if (!present)
            return;
        rescanned_ = std::move(stamp);
        if (!handler_)
            return;
        std::map<std::string, UsbDeviceInfo> now;
        for (PresentDevice& d : *present)
            now.emplace(d.syspath, std::move(d.info));

        std::vector<std::pair<Change, std::string>> changes;
        for (const auto& [syspath, before] : known_) {
            const auto it = now.find(syspath);
            if (it == now.end() || it->second.InterfacePath != before.InterfacePath)
                changes.emplace_back(Change::Removal, before.InterfacePath);
        }
        for (const PresentDevice& d : *present) {
            const UsbDeviceInfo& info = now.at(d.syspath);
            const auto it = known_.find(d.syspath);
            if (it == known_.end() || !SameInfo(it->second, info))
                changes.emplace_back(Change::Arrival, info.InterfacePath);
        }
        known_ = std::move(now);

        // The handler may stop watching: nothing of this object is used from here on.
        const ChangeHandler handler = handler_;
        for (const auto& [change, path] : changes)
            handler(change, path);
    }

    std::string comMapFolder_;
    UdevUsbBusOptions options_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    ChangeHandler handler_;
    std::map<std::string, UsbDeviceInfo> known_;  // sysfs path -> what was last reported
    std::optional<std::string> rescanned_;         // the stamp the last periodic rescan saw
    int skippedRescans_ = 0;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QTimer> settle_;
    std::unique_ptr<QTimer> rescan_;
};

} // namespace

std::unique_ptr<UsbBus> CreateUdevUsbBus(const std::string& comMapFolder, UdevUsbBusOptions options)
{
    return std::make_unique<UdevUsbBus>(comMapFolder, options);
}

} // namespace dabrix::platform
