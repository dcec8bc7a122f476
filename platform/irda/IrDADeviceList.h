#pragma once
// What the emulated infrared layer reads from a participant's folder, and the device list
// it hands out in the stack's layout: a 32-bit count (host order) followed by 29-byte
// entries (4-byte device id, 22-byte nickname, two hint bytes, character set).
//
// Everything here comes from other programs' files or from a buffer the caller got from
// the layer, so it is untrusted: every length is checked, nothing is assumed terminated.
// Plain functions without state; any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dabrix::platform::irda {

inline constexpr size_t kNicknameSize = 22;
inline constexpr size_t kDeviceEntrySize = 29;
inline constexpr size_t kDeviceCountSize = 4;
// The buffer the program asks the layer to fill: room for 50 entries.
inline constexpr size_t kDeviceListBufferSize = 1457;

// A device id in memory order. Byte 0 is the last group of the address text and the last
// two digits of the folder name: folder 1A2B3C4D is {0x4D, 0x3C, 0x2B, 0x1A}, "(1A:2B:3C:4D)".
using DeviceId = std::array<uint8_t, 4>;

struct DeviceInfo {
    DeviceId Id{};
    std::string Nickname;  // at most kNicknameSize bytes, 8-bit text
    uint8_t Hints1 = 0;
    uint8_t Hints2 = 0;
    uint8_t CharSet = 0;

    bool operator==(const DeviceInfo&) const = default;
};

// The id of a participant folder: exactly 8 upper-case hexadecimal digits, else nothing.
std::optional<DeviceId> DeviceIdFromFolderName(std::string_view Name);
std::string FolderNameOf(const DeviceId& Id);

// A participant from the contents of its files. `NameFile` is the whole `name` file:
// line ends at its end are dropped (a file written by `echo` is meant without them) and
// the rest is cut to 22 bytes. `HintsFile` (4 hex digits) and `CharsetFile` (2 hex
// digits) are optional; one that is absent or malformed counts as 0, leading and
// trailing white space allowed.
DeviceInfo ParseParticipant(const DeviceId& Id, std::string_view NameFile,
                            std::optional<std::string_view> HintsFile,
                            std::optional<std::string_view> CharsetFile);

// Writes the count and as many entries as fit into `Size` bytes (the rest of the buffer
// is left as it was). Returns the number of bytes written: 0 when not even the count fits.
size_t WriteDeviceList(const std::vector<DeviceInfo>& Devices, uint8_t* Buffer, size_t Size);

// Reads a list written by WriteDeviceList: no more entries than the count says and the
// buffer holds; a nickname ends at its first zero byte or after 22 bytes.
std::vector<DeviceInfo> ReadDeviceList(const uint8_t* Buffer, size_t Size);

} // namespace dabrix::platform::irda
