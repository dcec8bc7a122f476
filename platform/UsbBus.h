#pragma once
// The USB bus: which USB devices are plugged in, their descriptive strings, and
// arrival/removal notifications. Two implementations sit behind this interface:
// libudev (the real bus) and a simulated bus read from a folder of *.usb files
// (DABRIX_USB_SIM), so tests and the demo can plug and unplug devices while the
// real program runs.
//
// Every device is named by an interface path of the form
//   \\?\USB#VID_vvvv&PID_pppp#<serial number, else the sysfs name>#{A5DCBF10-6530-11D2-901F-00C04FB951ED}
// Where two present devices would share a path (same identifiers and serial number), the
// sysfs name takes the serial number's place for each of them.
//
// Threading: an object belongs to the thread that created it. Watching needs a Qt
// event loop on that thread: notifications are delivered from it, never from another.
#include <QObject>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dabrix::platform {

struct UsbDeviceInfo {
    std::string InterfacePath;
    uint16_t VendorId = 0;
    uint16_t ProductId = 0;
    std::string SerialNumber;
    std::string Manufacturer;  // the USB manufacturer string
    std::string Product;       // the USB product string
    std::string ModelName;     // udev database model name, else the product string
    std::string PortName;      // "COM<n>" of the device's serial port, else empty
};

// Builds the interface path; `instance` is the serial number, else the sysfs name.
std::string UsbInterfacePath(uint16_t vid, uint16_t pid, const std::string& instance);

class UsbBus {
public:
    enum class Change { Arrival, Removal };
    using ChangeHandler = std::function<void(Change change, const std::string& interfacePath)>;

    virtual ~UsbBus() = default;

    // The present devices; false when the bus cannot be read.
    virtual bool Enumerate(std::vector<UsbDeviceInfo>& devices) = 0;

    // A present device by its interface path (compared case-insensitively).
    virtual std::optional<UsbDeviceInfo> Find(const std::string& interfacePath) = 0;

    // Starts delivering arrivals and removals to `handler` from the owner thread's
    // event loop. An arrival is reported again for a device that is already present when
    // what the bus tells of it changed (its serial port came or went): a receiver that
    // lists the device already takes it as an update. The handler may stop watching.
    // False when changes cannot be watched at all (no libudev, no folder).
    virtual bool StartWatching(ChangeHandler handler) = 0;
    virtual void StopWatching() = 0;
};

// The simulated bus when DABRIX_USB_SIM names a folder, else the udev bus.
// `comMapFolder` is where ComPorts.ini lives (for the devices' COM names).
std::unique_ptr<UsbBus> CreateUsbBus(const std::string& comMapFolder);

// Where the udev bus learns of changes.
enum class UsbWatchSource {
    Automatic,    // the udev daemon's events while a daemon runs, else SysfsRescan
    UdevDaemon,   // the udev daemon's event monitor
    SysfsRescan,  // sysfs read again at an interval: works without any daemon
};

struct UdevUsbBusOptions {
    UsbWatchSource source = UsbWatchSource::Automatic;
    std::chrono::milliseconds rescanInterval{1000};
};

std::unique_ptr<UsbBus> CreateUdevUsbBus(const std::string& comMapFolder, UdevUsbBusOptions options = {});
std::unique_ptr<UsbBus> CreateSimulatedUsbBus(const std::string& folder);

} // namespace dabrix::platform
