#include "manager/USBIdentification.h"

#include "comm/d2xx/D2XXUnit.h"
#include "platform/UsbBus.h"
#include "transport/lnkUSBMonitor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace dabrix::manager {

std::string UpperCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::string ReduceDevicePath(const std::string& deviceId, bool* found)
{
    std::string text = deviceId;
    std::replace(text.begin(), text.end(), '#', '\\');
    const auto usb = text.find("\\USB");
    if (found)
        *found = usb != std::string::npos;
    if (usb == std::string::npos)
        return {};
    text.erase(0, usb + 1);
    if (const auto brace = text.find("\\{"); brace != std::string::npos)
        text.erase(brace);
    return text;
}

namespace {
std::optional<platform::UsbDeviceInfo> FindOnBus(const std::string& deviceId)
{
    bool found = false;
    ReduceDevicePath(UpperCase(deviceId), &found);
    if (!found)
        return std::nullopt;
    return transport::CreateUsbBus()->Find(deviceId);
}
} // namespace

std::string PortNameOf(const std::string& deviceId)
{
    const auto info = FindOnBus(deviceId);
    return info ? info->PortName : std::string();
}

int PortNumberOf(const std::string& portName)
{
    const std::string upper = UpperCase(portName);
    const auto com = upper.find("COM");
    if (com == std::string::npos)
        return 0;
    std::string rest = upper;
    rest.erase(com, 3);
    // Digits that do not form a number give 0 rather than an error.
    char* end = nullptr;
    const long n = std::strtol(rest.c_str(), &end, 10);
    return end && end != rest.c_str() && *end == '\0' && n >= 0 && n <= 0x7fffffff ? static_cast<int>(n) : 0;
}

std::string BusDescriptionOf(const std::string& deviceId)
{
    const auto info = FindOnBus(deviceId);
    return info && !info->PortName.empty() ? info->Product : std::string();
}

bool IsBridgeDevice(const std::string& deviceId)
{
    const std::string upper = UpperCase(deviceId);
    return upper.find("0403") != std::string::npos && upper.find("6001") != std::string::npos;
}

TDevice USBDeviceEntry(const std::string& interfacePath, const std::string& friendlyName,
                       const std::string& manufacturer)
{
    TDevice d;
    d.DeviceID = UpperCase(interfacePath);
    d.Name = friendlyName;
    d.Description = BusDescriptionOf(d.DeviceID);
    d.Info = manufacturer;
    d.Handle = -1;
    d.Address = PortNameOf(d.DeviceID);
    d.PortNumber = PortNumberOf(d.Address);
    return d;
}

namespace {

// Restores the binding's error-box switch however the list reading ends.
class QuietD2XX {
public:
    QuietD2XX() : previous_(comm::d2xx::ShowErrors()) { comm::d2xx::SetShowErrors(false); }
    ~QuietD2XX() { comm::d2xx::SetShowErrors(previous_); }

private:
    bool previous_;
};

} // namespace

TDevices ListD2XXGauges()
{
    using namespace std::chrono_literals;
    QuietD2XX quiet;
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes;
    for (int attempt = 0; attempt < 10; ++attempt) {
        nodes.clear();
        if (comm::d2xx::CreateDeviceInfoList() != 0 || comm::d2xx::GetDeviceInfoList() != 0)
            break;
        nodes = comm::d2xx::DeviceInfoList();
        if (nodes.empty())
            break;
        const bool inUse = std::any_of(nodes.begin(), nodes.end(), [](const auto& n) { return n.ID == 0; });
        if (!inUse)
            break;
        std::this_thread::sleep_for(500ms);
    }
    TDevices gauges;
    for (const auto& node : nodes)
        gauges.push_back(GaugeEntryOf(node));
    SortGauges(gauges);
    return gauges;
}

bool GaugeTiesTo(const TDevice& gauge, const std::string& upperPath)
{
    if (gauge.Info == "IN USE")
        return true;
    if (gauge.SerialNo.empty())
        return false;
    char vid[5], pid[5];
    std::snprintf(vid, sizeof vid, "%04X", (static_cast<uint32_t>(gauge.ID) >> 16) & 0xFFFF);
    std::snprintf(pid, sizeof pid, "%04X", static_cast<uint32_t>(gauge.ID) & 0xFFFF);
    return upperPath.find(pid) != std::string::npos && upperPath.find(vid) != std::string::npos
        && upperPath.find(UpperCase(gauge.SerialNo)) != std::string::npos;
}

} // namespace dabrix::manager
