#pragma once
// USB discovery: lists the present USB devices by their interface paths and reports
// devices as they are plugged in or removed.
//
// Threading: owner thread only. Arrivals and removals come from the owner thread's
// event loop (the bus's watcher lives there); the monitor has no thread of its own.
#include "transport/lnkBaseComponent.h"
#include "transport/lnkOwningList.h"

#include <QString>
#include <memory>
#include <vector>

namespace dabrix::platform {
class UsbBus;
}

class TlnkUSBDevice : public TObject {
public:
    TlnkUSBDevice() = default;
    explicit TlnkUSBDevice(const QString& DevicePath) : DevicePath(DevicePath) {}

    // Read from the bus at each call; empty when the device is gone or the value absent.
    QString FriendlyName() const;   // the model name, else the product string
    QString HardwareId() const;     // USB\VID_vvvv&PID_pppp
    QString Manufacturer() const;

    QString DevicePath;
};

// Add raises "Device parameter is not valid." for none.
class TlnkUSBDevices : public TlnkOwningList<TlnkUSBDevice> {
public:
    TlnkUSBDevices() : TlnkOwningList(QT_TRANSLATE_NOOP("lnkExceptions", "Device parameter is not valid.")) {}
};

using TlnkUSBDeviceEvent = std::function<void(TObject* Sender, const TlnkUSBDevice* Device)>;

class TlnkUSBMonitor : public TlnkBaseComponent {
public:
    explicit TlnkUSBMonitor(TComponent* Owner);
    ~TlnkUSBMonitor() override;

    // 13 without trUSB, 5 for no list, 2 when the bus cannot be read; else 0.
    // On any error the list is left empty.
    int Enumerate(TlnkUSBDevices* Devices);
    // 700 when active, 13 without trUSB, the window's code, 2 when changes cannot be
    // watched at all (no libudev; without a udev daemon sysfs is rescanned); 0 after OnStarted.
    int Start();
    void Stop();
    bool Monitoring() const { return monitoring_; }

    TlnkUSBDeviceEvent OnDeviceInserted;
    TlnkUSBDeviceEvent OnDeviceRemoved;
    TNotifyEvent OnStarted;
    TNotifyEvent OnStopped;

protected:
    void ApiChanged() override;
    void ApiUnloading() override;

private:
    std::unique_ptr<dabrix::platform::UsbBus> bus_;
    bool monitoring_ = false;
};

namespace dabrix::transport {
// The bus the USB components read: the simulated one when DABRIX_USB_SIM is set.
std::unique_ptr<dabrix::platform::UsbBus> CreateUsbBus();
} // namespace dabrix::transport
