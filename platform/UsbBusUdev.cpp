// The real USB bus through libudev: devices of subsystem "usb", type "usb_device".
// Enumeration reads sysfs through libudev and works without a udev daemon; watching
// needs the daemon (its netlink events), so it fails where none runs (containers).
#include "platform/ComPortMap.h"
#include "platform/UsbBus.h"

#include <QSocketNotifier>

#include <libudev.h>
#include <strings.h>
#include <sys/stat.h>

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

// Interface path from sysfs attributes, or from the event's properties on removal,
// when the attributes are already gone. PRODUCT reads "vid/pid/bcdDevice" in hex.
std::string PathOf(udev_device* dev)
{
    std::string vid = Attr(dev, "idVendor");
    std::string pid = Attr(dev, "idProduct");
    std::string serial = Attr(dev, "serial");
    if (vid.empty() || pid.empty()) {
        const std::string product = Prop(dev, "PRODUCT");
        const auto slash1 = product.find('/');
        const auto slash2 = product.find('/', slash1 == std::string::npos ? slash1 : slash1 + 1);
        if (slash1 == std::string::npos || slash2 == std::string::npos)
            return {};
        vid = product.substr(0, slash1);
        pid = product.substr(slash1 + 1, slash2 - slash1 - 1);
        serial = Prop(dev, "ID_SERIAL_SHORT");
    }
    const char* sysname = udev_device_get_sysname(dev);
    return UsbInterfacePath(Hex16(vid), Hex16(pid), serial.empty() ? std::string(sysname ? sysname : "") : serial);
}

class UdevUsbBus final : public UsbBus {
public:
    explicit UdevUsbBus(std::string comMapFolder) : comMapFolder_(std::move(comMapFolder)), udev_(udev_new()) {}

    ~UdevUsbBus() override
    {
        StopWatching();
        if (udev_)
            udev_unref(udev_);
    }

    bool Enumerate(std::vector<UsbDeviceInfo>& devices) override
    {
        devices.clear();
        if (!udev_)
            return false;
        udev_enumerate* en = udev_enumerate_new(udev_);
        if (!en)
            return false;
        udev_enumerate_add_match_subsystem(en, "usb");
        udev_enumerate_add_match_property(en, "DEVTYPE", "usb_device");
        const bool ok = udev_enumerate_scan_devices(en) >= 0;
        std::vector<ComPortEntry> ports;
        if (ok)
            ports = ComPortMap(comMapFolder_).PresentPorts();
        udev_list_entry* entry = nullptr;
        udev_list_entry_foreach(entry, ok ? udev_enumerate_get_list_entry(en) : nullptr)
        {
            udev_device* dev = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
            if (!dev)
                continue;
            devices.push_back(Describe(dev, ports));
            udev_device_unref(dev);
        }
        udev_enumerate_unref(en);
        return ok;
    }

    std::optional<UsbDeviceInfo> Find(const std::string& interfacePath) override
    {
        std::vector<UsbDeviceInfo> devices;
        Enumerate(devices);
        for (auto& d : devices)
            if (strcasecmp(d.InterfacePath.c_str(), interfacePath.c_str()) == 0)
                return d;
        return std::nullopt;
    }

    bool StartWatching(ChangeHandler handler) override
    {
        struct stat st {};
        // Without the daemon no events reach the "udev" netlink group.
        if (!udev_ || ::stat("/run/udev/control", &st) != 0)
            return false;
        monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
        if (!monitor_)
            return false;
        if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "usb", "usb_device") < 0
            || udev_monitor_enable_receiving(monitor_) < 0) {
            udev_monitor_unref(monitor_);
            monitor_ = nullptr;
            return false;
        }
        handler_ = std::move(handler);
        notifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { ReadEvent(); });
        return true;
    }

    void StopWatching() override
    {
        notifier_.reset();
        if (monitor_)
            udev_monitor_unref(monitor_);
        monitor_ = nullptr;
        handler_ = nullptr;
    }

private:
    UsbDeviceInfo Describe(udev_device* dev, const std::vector<ComPortEntry>& ports) const
    {
        UsbDeviceInfo info;
        info.InterfacePath = PathOf(dev);
        info.VendorId = Hex16(Attr(dev, "idVendor"));
        info.ProductId = Hex16(Attr(dev, "idProduct"));
        info.SerialNumber = Attr(dev, "serial");
        info.Manufacturer = Attr(dev, "manufacturer");
        info.Product = Attr(dev, "product");
        info.ModelName = Prop(dev, "ID_MODEL_FROM_DATABASE");
        if (info.ModelName.empty())
            info.ModelName = info.Product;
        // The COM name of a serial port whose hardware sits below this device.
        const std::string sys = udev_device_get_syspath(dev);
        for (const ComPortEntry& port : ports) {
            if (port.SysfsDevice.size() > sys.size() && port.SysfsDevice.compare(0, sys.size(), sys) == 0
                && port.SysfsDevice[sys.size()] == '/') {
                info.PortName = "COM" + std::to_string(port.Number);
                break;
            }
        }
        return info;
    }

    void ReadEvent()
    {
        udev_device* dev = udev_monitor_receive_device(monitor_);
        if (!dev)
            return;
        const std::string action = udev_device_get_action(dev) ? udev_device_get_action(dev) : "";
        const std::string path = PathOf(dev);
        udev_device_unref(dev);
        if (path.empty() || !handler_)
            return;
        if (action == "add")
            handler_(Change::Arrival, path);
        else if (action == "remove")
            handler_(Change::Removal, path);
    }

    std::string comMapFolder_;
    udev* udev_ = nullptr;
    udev_monitor* monitor_ = nullptr;
    ChangeHandler handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace

std::unique_ptr<UsbBus> CreateUdevUsbBus(const std::string& comMapFolder)
{
    return std::make_unique<UdevUsbBus>(comMapFolder);
}

} // namespace dabrix::platform
