#include "platform/irda/IrDADeviceList.h"

#include <algorithm>
#include <cstring>

namespace dabrix::platform::irda {

namespace {

int UpperHexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

int AnyHexDigit(char c)
{
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return UpperHexDigit(c);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// Exactly `digits` hex digits (either case) after trimming, else nothing.
std::optional<uint32_t> HexValue(std::optional<std::string_view> text, size_t digits)
{
    if (!text)
        return std::nullopt;
    const std::string_view s = Trimmed(*text);
    if (s.size() != digits)
        return std::nullopt;
    uint32_t value = 0;
    for (char c : s) {
        const int d = AnyHexDigit(c);
        if (d < 0)
            return std::nullopt;
        value = value << 4 | static_cast<uint32_t>(d);
    }
    return value;
}

} // namespace

std::optional<DeviceId> DeviceIdFromFolderName(std::string_view Name)
{
    if (Name.size() != 8)
        return std::nullopt;
    DeviceId id{};
    for (size_t group = 0; group < 4; ++group) {
        const int hi = UpperHexDigit(Name[group * 2]);
        const int lo = UpperHexDigit(Name[group * 2 + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        id[3 - group] = static_cast<uint8_t>(hi << 4 | lo);
    }
    return id;
}

std::string FolderNameOf(const DeviceId& Id)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string name;
    for (size_t group = 0; group < 4; ++group) {
        const uint8_t b = Id[3 - group];
        name += digits[b >> 4];
        name += digits[b & 0x0F];
    }
    return name;
}

DeviceInfo ParseParticipant(const DeviceId& Id, std::string_view NameFile,
                            std::optional<std::string_view> HintsFile,
                            std::optional<std::string_view> CharsetFile)
{
    DeviceInfo info;
    info.Id = Id;
    while (!NameFile.empty() && (NameFile.back() == '\n' || NameFile.back() == '\r'))
        NameFile.remove_suffix(1);
    info.Nickname.assign(NameFile.substr(0, kNicknameSize));
    if (const auto hints = HexValue(HintsFile, 4)) {
        info.Hints1 = static_cast<uint8_t>(*hints >> 8);
        info.Hints2 = static_cast<uint8_t>(*hints & 0xFF);
    }
    if (const auto charset = HexValue(CharsetFile, 2))
        info.CharSet = static_cast<uint8_t>(*charset);
    return info;
}

size_t WriteDeviceList(const std::vector<DeviceInfo>& Devices, uint8_t* Buffer, size_t Size)
{
    if (!Buffer || Size < kDeviceCountSize)
        return 0;
    const size_t room = (Size - kDeviceCountSize) / kDeviceEntrySize;
    const size_t count = std::min(room, Devices.size());
    const uint32_t count32 = static_cast<uint32_t>(count);
    std::memcpy(Buffer, &count32, sizeof count32);
    uint8_t* entry = Buffer + kDeviceCountSize;
    for (size_t i = 0; i < count; ++i, entry += kDeviceEntrySize) {
        const DeviceInfo& d = Devices[i];
        std::memset(entry, 0, kDeviceEntrySize);
        std::memcpy(entry, d.Id.data(), d.Id.size());
        std::memcpy(entry + 4, d.Nickname.data(), std::min(d.Nickname.size(), kNicknameSize));
        entry[26] = d.Hints1;
        entry[27] = d.Hints2;
        entry[28] = d.CharSet;
    }
    return kDeviceCountSize + count * kDeviceEntrySize;
}

std::vector<DeviceInfo> ReadDeviceList(const uint8_t* Buffer, size_t Size)
{
    std::vector<DeviceInfo> devices;
    if (!Buffer || Size < kDeviceCountSize)
        return devices;
    uint32_t count = 0;
    std::memcpy(&count, Buffer, sizeof count);
    const size_t room = (Size - kDeviceCountSize) / kDeviceEntrySize;
    const size_t n = std::min<size_t>(count, room);
    devices.reserve(n);
    const uint8_t* entry = Buffer + kDeviceCountSize;
    for (size_t i = 0; i < n; ++i, entry += kDeviceEntrySize) {
        DeviceInfo d;
        std::memcpy(d.Id.data(), entry, d.Id.size());
        const auto* name = reinterpret_cast<const char*>(entry + 4);
        d.Nickname.assign(name, strnlen(name, kNicknameSize));
        d.Hints1 = entry[26];
        d.Hints2 = entry[27];
        d.CharSet = entry[28];
        devices.push_back(std::move(d));
    }
    return devices;
}

} // namespace dabrix::platform::irda
