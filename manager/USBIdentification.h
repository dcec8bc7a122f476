#pragma once
// Recognising USB devices and the gauges on the USB bridge chip: the COM port a USB
// device provides, its bus-reported description, whether it is the bridge chip, and
// the bridge's device list as gauge entries.
//
// Threading: user-interface thread. ListD2XXGauges blocks for up to ten waits of
// 500 ms while a bridge device is open elsewhere.
#include "comm/d2xx/D2XXApi.h"
#include "manager/KTXComm2Types.h"

#include <string>

namespace dabrix::manager {

// Reduces an interface path to its device instance: "#" become "\", everything up to
// the first "\USB" goes, and so does everything from "\{" on. Empty when there is no
// "\USB"; `found` tells whether there was.
std::string ReduceDevicePath(const std::string& deviceId, bool* found = nullptr);

// "COM<n>" of the serial port the USB device provides; empty when none.
std::string PortNameOf(const std::string& deviceId);

// The number in a COM port name ("COM5" -> 5); 0 when it holds no "COM" or no number.
int PortNumberOf(const std::string& portName);

// The USB product string of a device that is itself a serial port; empty otherwise.
std::string BusDescriptionOf(const std::string& deviceId);

// The bridge chip: "0403" and "6001" both somewhere in the text (any case).
bool IsBridgeDevice(const std::string& deviceId);

// The USB entry for a device on the bus by its interface path.
TDevice USBDeviceEntry(const std::string& interfacePath, const std::string& friendlyName,
                       const std::string& manufacturer);

// The gauge entry of one record of the bridge's device list: description and serial
// number (each up to its first NUL, never past its field), or "No device information",
// "------", "IN USE" for a device open elsewhere (identifier 0).
TDevice GaugeEntryOf(const FT_DEVICE_LIST_INFO_NODE& node);

// Ascending by Name, then SerialNo, byte-wise.
void SortGauges(TDevices& gauges);

// The bridge's current device list as gauge entries, sorted by Name, then SerialNo.
// A device open elsewhere (identifier 0) makes it retry up to ten times, 500 ms apart.
TDevices ListD2XXGauges();

// Whether a gauge entry ties to a USB device's interface path (upper case).
bool GaugeTiesTo(const TDevice& gauge, const std::string& upperPath);

std::string UpperCase(std::string text);

} // namespace dabrix::manager
