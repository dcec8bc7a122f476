#pragma once
// Text forms of device addresses:
//   Bluetooth "(AA:BB:CC:DD:EE:FF)", 19 characters, most significant byte first;
//   IrDA      "(AA:BB:CC:DD)",       13 characters, the first group is the last byte of
//                                    the 4-byte device id.
// The all-zero forms are the defaults of unset addresses.
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace dabrix::transport {

using IrDADeviceId = std::array<uint8_t, 4>;

inline const QString kEmptyBluetoothAddress = QStringLiteral("(00:00:00:00:00:00)");
inline const QString kEmptyIrDAAddress = QStringLiteral("(00:00:00:00)");

// Exactly the length of the form, "(" first, ")" last, ":" between the groups and two
// hexadecimal digits (either case) in every group.
bool IsValidBluetoothAddress(const QString& Address);
bool IsValidIrDAAddress(const QString& Address);

// The 48-bit address, or nothing for an invalid string.
std::optional<uint64_t> BluetoothAddressFromString(const QString& Address);
// The device id in memory order (byte 0 is the last group), or nothing for an invalid string.
std::optional<IrDADeviceId> IrDADeviceIdFromString(const QString& Address);

// Upper-case forms; only the low 48 bits of a Bluetooth address are used.
QString BluetoothAddressToString(uint64_t Address);
QString IrDAAddressToString(const IrDADeviceId& DeviceId);

} // namespace dabrix::transport
