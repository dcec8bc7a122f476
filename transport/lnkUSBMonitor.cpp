#include "transport/lnkUSBMonitor.h"

#include "platform/ConfigFolder.h"
#include "platform/UsbBus.h"
#include "transport/lnkAPI.h"
#include "transport/lnkErrors.h"

#include <QCoreApplication>
#include <optional>

using namespace dabrix::transport;
using dabrix::platform::UsbBus;

std::unique_ptr<UsbBus> dabrix::transport::CreateUsbBus()
{
    return dabrix::platform::CreateUsbBus(dabrix::platform::ConfigFolder());
}

namespace {
std::optional<dabrix::platform::UsbDeviceInfo> Lookup(const QString& path)
{
    return CreateUsbBus()->Find(path.toStdString());
}
} // namespace

QString TlnkUSBDevice::FriendlyName() const
{
    const auto info = Lookup(DevicePath);
    return info ? QString::fromStdString(info->ModelName) : QString();
}

QString TlnkUSBDevice::HardwareId() const
{
    const auto info = Lookup(DevicePath);
    if (!info)
        return {};
    return QStringLiteral("USB\\VID_%1&PID_%2")
        .arg(info->VendorId, 4, 16, QLatin1Char('0'))
        .arg(info->ProductId, 4, 16, QLatin1Char('0'))
        .toUpper();
}

QString TlnkUSBDevice::Manufacturer() const
{
    const auto info = Lookup(DevicePath);
    return info ? QString::fromStdString(info->Manufacturer) : QString();
}

TlnkUSBMonitor::TlnkUSBMonitor(TComponent* Owner) : TlnkBaseComponent(Owner), bus_(CreateUsbBus()) {}

TlnkUSBMonitor::~TlnkUSBMonitor()
{
    Stop();
}

int TlnkUSBMonitor::Enumerate(TlnkUSBDevices* Devices)
{
    if (!IsTransportAvailable(trUSB))
        return code::TransportNotAvailable;
    if (!Devices)
        return code::InvalidArgument;
    Devices->Clear();
    std::vector<dabrix::platform::UsbDeviceInfo> found;
    if (!bus_->Enumerate(found))
        return code::InternalDriverError;
    for (const auto& d : found)
        Devices->Add(new TlnkUSBDevice(QString::fromStdString(d.InterfacePath)));
    return code::Ok;
}

int TlnkUSBMonitor::Start()
{
    if (monitoring_)
        return code::MonitoringActive;
    if (!IsTransportAvailable(trUSB))
        return code::TransportNotAvailable;
    if (const int result = CreateNotificationWindow(); result != 0)
        return result;
    const bool watching = bus_->StartWatching([this](UsbBus::Change change, const std::string& path) {
        // A temporary device for the duration of the event, as the bus reports it.
        const TlnkUSBDevice device(QString::fromStdString(path));
        const TlnkUSBDeviceEvent& event = change == UsbBus::Change::Arrival ? OnDeviceInserted : OnDeviceRemoved;
        if (event)
            event(this, &device);
    });
    if (!watching) {
        DestroyNotificationWindow();
        return code::InternalDriverError;
    }
    monitoring_ = true;
    if (OnStarted)
        OnStarted(this);
    return code::Ok;
}

void TlnkUSBMonitor::Stop()
{
    if (!monitoring_)
        return;
    bus_->StopWatching();
    DestroyNotificationWindow();
    monitoring_ = false;
    if (OnStopped)
        OnStopped(this);
}

void TlnkUSBMonitor::ApiChanged()
{
    if (!IsTransportAvailable(trUSB))
        Stop();
}

void TlnkUSBMonitor::ApiUnloading()
{
    Stop();
}
