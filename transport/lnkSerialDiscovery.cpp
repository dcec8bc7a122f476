#include "transport/lnkSerialDiscovery.h"

#include "platform/ComPortMap.h"
#include "transport/lnkAPI.h"
#include "transport/lnkErrors.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkMessages.h"

#include <QCoreApplication>
#include <algorithm>
#include <optional>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

using namespace dabrix::transport;

namespace {
constexpr int kWatchPeriodMs = 1000;
// Passes in a row that may skip the scan on an unchanged stamp; the next one scans anyway,
// for what the stamp does not cover (a UART's type changed by setserial).
constexpr int kSkippedPassesAtMost = 9;
} // namespace

void TlnkSerialDevice::Assign(const TlnkSerialDevice* Source)
{
    if (!Source)
        throw lnkEInvalidArgument(
            QCoreApplication::translate("lnkExceptions", "Device parameter is not valid."));
    FriendlyName = Source->FriendlyName;
    IsModem = Source->IsModem;
    Port = Source->Port;
}

void TlnkSerialDevices::Assign(const TlnkSerialDevices* Source)
{
    if (!Source)
        throw lnkEInvalidArgument(
            QCoreApplication::translate("lnkExceptions", "Devices parameter is not valid."));
    if (Source == this)
        return;
    Clear();
    for (const auto& d : Source->items_) {
        auto copy = std::make_unique<TlnkSerialDevice>();
        copy->Assign(d.get());
        items_.push_back(std::move(copy));
    }
}

TlnkSerialDiscovery::TlnkSerialDiscovery(TComponent* Owner)
    : TlnkBaseComponent(Owner), comMapFolder_(dabrix::platform::ConfigFolder())
{
}

TlnkSerialDiscovery::~TlnkSerialDiscovery()
{
    Stop();
}

bool TlnkSerialDiscovery::Scan(TlnkSerialDevices& Devices) const
{
    if (!IsTransportAvailable(trSerial))
        return false;
    Devices.Clear();
    dabrix::platform::ComPortMap map(comMapFolder_);
    for (const auto& port : map.PresentPorts()) {
        // A port the system gives no name is not listed.
        if (port.Number <= 0 || port.FriendlyName.empty())
            continue;
        Devices.Add(new TlnkSerialDevice(QString::fromStdString(port.FriendlyName), false,
                                         static_cast<uint32_t>(port.Number)));
    }
    return true;
}

int TlnkSerialDiscovery::Enumerate(TlnkSerialDevices* Devices)
{
    if (!Devices)
        return code::InvalidArgument;
    if (!Scan(*Devices))
        return code::TransportNotAvailable;
    return code::Ok;
}

int TlnkSerialDiscovery::Start()
{
    if (Monitoring())
        return code::MonitoringActive;
    if (!IsTransportAvailable(trSerial))
        return code::TransportNotAvailable;
    if (const int result = CreateNotificationWindow(); result != 0)
        return result;
    terminateFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (terminateFd_ < 0) {
        DestroyNotificationWindow();
        return code::OutOfResources;
    }
    watcherDone_ = false;
    if (!Scan(initial_))
        initial_.Clear();
    try {
        watcher_ = std::thread([this] { Watch(); });
    } catch (const std::system_error&) {
        ::close(terminateFd_);
        terminateFd_ = -1;
        DestroyNotificationWindow();
        return code::OutOfResources;
    }
    if (OnStarted)
        OnStarted(this);
    return code::Ok;
}

void TlnkSerialDiscovery::Stop()
{
    if (!Monitoring())
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(terminateFd_, &one, sizeof one);
    // The watcher may be blocked in a synchronous send to this thread.
    JoinServingSends(watcher_, watcherDone_);
    ::close(terminateFd_);
    terminateFd_ = -1;
    DestroyNotificationWindow();
    if (OnStopped)
        OnStopped(this);
}

void TlnkSerialDiscovery::Watch()
{
    const WindowHandle window = NotificationWindow();
    TlnkSerialDevices previous;
    TlnkSerialDevices current;
    auto contains = [](const TlnkSerialDevices& list, uint32_t port) {
        for (int i = 0; i < list.Count(); ++i)
            if (list.Items(i)->Port == port)
                return true;
        return false;
    };
    // Ports present when watching began (read by Start): one that goes before the first
    // pass is still reported lost; the first pass reports every present port as found.
    previous.Assign(&initial_);
    bool firstPass = true;
    // A pass whose stamp equals that of the last scan would find what that scan found: it
    // costs a few calls instead of a walk through sysfs and the map's lines.
    dabrix::platform::ComPortMap map(comMapFolder_);
    std::optional<std::string> scanned;
    int skipped = 0;
    pollfd pfd{terminateFd_, POLLIN, 0};
    while (::poll(&pfd, 1, kWatchPeriodMs) == 0) {
        std::optional<std::string> stamp = map.ScanStamp();
        if (stamp && stamp == scanned && skipped < kSkippedPassesAtMost) {
            ++skipped;
            continue;
        }
        skipped = 0;
        scanned.reset();
        if (!Scan(current))
            continue;
        scanned = std::move(stamp);
        for (int i = 0; i < current.Count(); ++i)
            if (firstPass || !contains(previous, current.Items(i)->Port))
                window.Send(msg::DeviceFound, reinterpret_cast<uintptr_t>(current.Items(i)));
        for (int i = 0; i < previous.Count(); ++i)
            if (!contains(current, previous.Items(i)->Port))
                window.Send(msg::DeviceLost, reinterpret_cast<uintptr_t>(previous.Items(i)));
        previous.Assign(&current);
        firstPass = false;
    }
    watcherDone_ = true;
}

void TlnkSerialDiscovery::HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    switch (Msg) {
    case msg::DeviceFound:
        if (OnDeviceFound)
            OnDeviceFound(this, reinterpret_cast<const TlnkSerialDevice*>(WParam));
        break;
    case msg::DeviceLost:
        if (OnDeviceLost)
            OnDeviceLost(this, reinterpret_cast<const TlnkSerialDevice*>(WParam));
        break;
    default:
        TlnkBaseComponent::HandleNotification(Msg, WParam, LParam);
        break;
    }
}

void TlnkSerialDiscovery::ApiChanged()
{
    if (!IsTransportAvailable(trSerial))
        Stop();
}

void TlnkSerialDiscovery::ApiUnloading()
{
    Stop();
}
