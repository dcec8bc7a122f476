#include "manager/KTXComm2Types.h"

#include <QCoreApplication>
#include <algorithm>
#include <cstring>

namespace {

// QT_TRANSLATE_NOOP3 yields a {source, comment} pair.
struct ErrMsgSource {
    const char* source;
    const char* comment;
};

struct ErrMsgEntry {
    int resourceId;
    ErrMsgSource text;
};

// Indexed by code; the identifiers are the string-table ids under which a
// language module supplies the translations (the disambiguation of each text).
constexpr ErrMsgEntry kErrMsgTable[] = {
    {0, {"", ""}},
    {65311, QT_TRANSLATE_NOOP3("ResourceString", "Port not exists !", "65311")},
    {65280, QT_TRANSLATE_NOOP3("ResourceString", "Port not active !", "65280")},
    {65281, QT_TRANSLATE_NOOP3("ResourceString", "Device list is empty !", "65281")},
    {65282, QT_TRANSLATE_NOOP3("ResourceString", "No Device !", "65282")},
    {65284, QT_TRANSLATE_NOOP3("ResourceString", "Timeout !", "65284")},
    {65285, QT_TRANSLATE_NOOP3("ResourceString", "CYC-Timeout !", "65285")},
    {65283, QT_TRANSLATE_NOOP3("ResourceString", "Device not found !", "65283")},
    {65286, QT_TRANSLATE_NOOP3("ResourceString", "Receive buffer full !", "65286")},
    {65287, QT_TRANSLATE_NOOP3("ResourceString", "Unknown command !", "65287")},
    {65288, QT_TRANSLATE_NOOP3("ResourceString", "Wrong address !", "65288")},
    {65289, QT_TRANSLATE_NOOP3("ResourceString", "Bad checksum !", "65289")},
    {65290, QT_TRANSLATE_NOOP3("ResourceString", "NAK !", "65290")},
    {65291, QT_TRANSLATE_NOOP3("ResourceString", "Bad command line !", "65291")},
    {65292, QT_TRANSLATE_NOOP3("ResourceString", "Unable to stop CYC mode!", "65292")},
    {65293, QT_TRANSLATE_NOOP3("ResourceString", "Connection error!", "65293")},
    {65294, QT_TRANSLATE_NOOP3("ResourceString", "Data send error!", "65294")},
    {65295, QT_TRANSLATE_NOOP3("ResourceString", "Device not disconnected!", "65295")},
};

} // namespace

QString ErrMsgText(int code)
{
    if (code < 1 || code > emDeviceNotDisconnected)
        return {};
    const ErrMsgEntry& e = kErrMsgTable[code];
    return QCoreApplication::translate("ResourceString", e.text.source, e.text.comment);
}

int ErrMsgResourceId(int code)
{
    if (code < 1 || code > emDeviceNotDisconnected)
        return 0;
    return kErrMsgTable[code].resourceId;
}

bool TDevice::SameDevice(const TDevice& other) const
{
    return Name == other.Name && SerialNo == other.SerialNo && Info == other.Info && ID == other.ID
        && PortNumber == other.PortNumber && Address == other.Address && DeviceID == other.DeviceID;
}

size_t TBuffer::Assign(const uint8_t* data, size_t size)
{
    const size_t n = std::min<size_t>(size, 255);
    if (n)
        std::memcpy(Bytes.data() + 1, data, n);
    Bytes[0] = static_cast<uint8_t>(n);
    return n;
}

bool TBuffer::operator==(const TBuffer& other) const
{
    return Bytes[0] == other.Bytes[0]
        && std::equal(Bytes.begin() + 1, Bytes.begin() + 1 + Bytes[0], other.Bytes.begin() + 1);
}
