#include "transport/lnkAddress.h"

namespace dabrix::transport {
namespace {

int HexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

// Reads "(g0:g1:...:gN-1)" with `groups` two-digit hexadecimal groups into `out`, first
// group first. Only hexadecimal digits count inside a group: a "(" or ":" there would
// pass a character-set test and then parse as garbage.
bool ParseGroups(const QString& text, int groups, uint8_t* out)
{
    if (text.size() != groups * 3 + 1)
        return false;
    if (text.front() != u'(' || text.back() != u')')
        return false;
    for (int g = 0; g < groups; ++g) {
        const int pos = 1 + g * 3;
        if (g > 0 && text[pos - 1] != u':')
            return false;
        const int hi = HexValue(text[pos]);
        const int lo = HexValue(text[pos + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out[g] = static_cast<uint8_t>(hi * 16 + lo);
    }
    return true;
}

QString FormatGroups(const uint8_t* bytes, int groups)
{
    QString text = QStringLiteral("(");
    for (int g = 0; g < groups; ++g) {
        if (g > 0)
            text += u':';
        text += QStringLiteral("%1").arg(bytes[g], 2, 16, QChar(u'0')).toUpper();
    }
    text += u')';
    return text;
}

} // namespace

bool IsValidBluetoothAddress(const QString& Address)
{
    uint8_t bytes[6];
    return ParseGroups(Address, 6, bytes);
}

bool IsValidIrDAAddress(const QString& Address)
{
    uint8_t bytes[4];
    return ParseGroups(Address, 4, bytes);
}

std::optional<uint64_t> BluetoothAddressFromString(const QString& Address)
{
    uint8_t bytes[6];
    if (!ParseGroups(Address, 6, bytes))
        return std::nullopt;
    uint64_t value = 0;
    for (uint8_t b : bytes)
        value = (value << 8) | b;
    return value;
}

std::optional<IrDADeviceId> IrDADeviceIdFromString(const QString& Address)
{
    uint8_t bytes[4];
    if (!ParseGroups(Address, 4, bytes))
        return std::nullopt;
    return IrDADeviceId{bytes[3], bytes[2], bytes[1], bytes[0]};
}

QString BluetoothAddressToString(uint64_t Address)
{
    uint8_t bytes[6];
    for (int i = 5; i >= 0; --i) {
        bytes[i] = static_cast<uint8_t>(Address & 0xFF);
        Address >>= 8;
    }
    return FormatGroups(bytes, 6);
}

QString IrDAAddressToString(const IrDADeviceId& DeviceId)
{
    const uint8_t bytes[4] = {DeviceId[3], DeviceId[2], DeviceId[1], DeviceId[0]};
    return FormatGroups(bytes, 4);
}

} // namespace dabrix::transport
