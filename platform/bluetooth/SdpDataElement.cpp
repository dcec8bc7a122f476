#include "platform/bluetooth/SdpDataElement.h"

#include <array>

namespace dabrix::platform::sdp {
namespace {

constexpr std::array<size_t, 5> kFixedSizes{1, 2, 4, 8, 16};

uint32_t BigEndian(const uint8_t* p, size_t n)
{
    uint32_t v = 0;
    for (size_t i = 0; i < n; ++i)
        v = (v << 8) | p[i];
    return v;
}

void PutBigEndian(std::vector<uint8_t>& out, uint64_t v, size_t n)
{
    for (size_t i = n; i-- > 0;)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

DataElement Number(uint8_t type, uint64_t v, size_t n)
{
    DataElement e;
    e.Type = type;
    PutBigEndian(e.Value, v, n);
    return e;
}

bool DecodeAt(const uint8_t* data, size_t size, size_t& offset, DataElement& element, int depth)
{
    Header h;
    if (!ReadHeader(data, size, offset, h))
        return false;
    const size_t start = offset + h.HeaderSize;
    if (h.ValueSize > size - start)
        return false;
    const size_t end = start + h.ValueSize;
    element = DataElement{};
    element.Type = h.Type;
    if (element.IsContainer()) {
        if (depth >= kMaxDepth)
            return false;
        size_t at = start;
        while (at < end) {
            DataElement item;
            // The sequence's end bounds its members, so a member cannot claim bytes beyond it.
            if (!DecodeAt(data, end, at, item, depth + 1))
                return false;
            element.Items.push_back(std::move(item));
        }
    } else {
        element.Value.assign(data + start, data + end);
    }
    offset = end;
    return true;
}

bool IsAttributeList(const DataElement& list)
{
    if (list.Type != kSequence || list.Items.size() % 2 != 0)
        return false;
    for (size_t i = 0; i < list.Items.size(); i += 2)
        if (list.Items[i].Type != kUnsigned || list.Items[i].Value.size() != 2)
            return false;
    return true;
}

bool ContainsUuid(const DataElement& e, const QUuid& uuid)
{
    if (e.IsContainer()) {
        for (const DataElement& item : e.Items)
            if (ContainsUuid(item, uuid))
                return true;
        return false;
    }
    const auto own = e.AsUuid();
    return own && *own == uuid;
}

} // namespace

QUuid BaseUuid(uint32_t shortUuid)
{
    return QUuid(shortUuid, 0x0000, 0x1000, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB);
}

std::optional<uint32_t> ShortUuid(const QUuid& uuid)
{
    if (BaseUuid(uuid.data1) == uuid)
        return uuid.data1;
    return std::nullopt;
}

DataElement DataElement::Nil() { return DataElement{}; }
DataElement DataElement::Bool(bool value) { return Number(kBool, value ? 1 : 0, 1); }
DataElement DataElement::UInt8(uint8_t value) { return Number(kUnsigned, value, 1); }
DataElement DataElement::UInt16(uint16_t value) { return Number(kUnsigned, value, 2); }
DataElement DataElement::UInt32(uint32_t value) { return Number(kUnsigned, value, 4); }
DataElement DataElement::Uuid16(uint16_t value) { return Number(kUuid, value, 2); }

DataElement DataElement::Uuid128(const QUuid& uuid)
{
    const QByteArray bytes = uuid.toRfc4122();
    return Raw(kUuid, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

DataElement DataElement::Uuid(const QUuid& uuid)
{
    if (const auto s = ShortUuid(uuid))
        return *s <= 0xFFFF ? Uuid16(static_cast<uint16_t>(*s)) : Number(kUuid, *s, 4);
    return Uuid128(uuid);
}

DataElement DataElement::Text(const std::string& bytes)
{
    return Raw(kText, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

DataElement DataElement::Url(const std::string& bytes)
{
    return Raw(kUrl, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

DataElement DataElement::Sequence(std::vector<DataElement> items)
{
    DataElement e;
    e.Type = kSequence;
    e.Items = std::move(items);
    return e;
}

DataElement DataElement::Alternative(std::vector<DataElement> items)
{
    DataElement e = Sequence(std::move(items));
    e.Type = kAlternative;
    return e;
}

DataElement DataElement::Raw(uint8_t type, std::vector<uint8_t> value)
{
    DataElement e;
    e.Type = type & 0x1F;
    e.Value = std::move(value);
    return e;
}

std::optional<QUuid> DataElement::AsUuid() const
{
    if (Type != kUuid)
        return std::nullopt;
    switch (Value.size()) {
    case 2:
    case 4:
        return BaseUuid(BigEndian(Value.data(), Value.size()));
    case 16:
        return QUuid::fromRfc4122(QByteArrayView(Value.data(), 16));
    default:
        return std::nullopt;
    }
}

std::optional<uint64_t> DataElement::AsUnsigned() const
{
    if (Type != kUnsigned || Value.empty() || Value.size() > 8)
        return std::nullopt;
    uint64_t v = 0;
    for (uint8_t b : Value)
        v = (v << 8) | b;
    return v;
}

void Encode(const DataElement& element, std::vector<uint8_t>& out)
{
    const uint8_t type = static_cast<uint8_t>(element.Type << 3);
    std::vector<uint8_t> nested;
    const std::vector<uint8_t>* value = &element.Value;
    if (element.IsContainer()) {
        for (const DataElement& item : element.Items)
            Encode(item, nested);
        value = &nested;
    }
    const size_t n = value->size();
    if (element.Type == kNil && n == 0) {
        out.push_back(0x00);
        return;
    }
    const bool fixedType = element.Type == kUnsigned || element.Type == kSigned || element.Type == kUuid ||
                           element.Type == kBool;
    for (size_t index = 0; fixedType && index < kFixedSizes.size(); ++index) {
        if (kFixedSizes[index] == n) {
            out.push_back(static_cast<uint8_t>(type | index));
            out.insert(out.end(), value->begin(), value->end());
            return;
        }
    }
    if (n <= 0xFF) {
        out.push_back(type | 5);
        PutBigEndian(out, n, 1);
    } else if (n <= 0xFFFF) {
        out.push_back(type | 6);
        PutBigEndian(out, n, 2);
    } else {
        out.push_back(type | 7);
        PutBigEndian(out, n, 4);
    }
    out.insert(out.end(), value->begin(), value->end());
}

std::vector<uint8_t> Encode(const DataElement& element)
{
    std::vector<uint8_t> out;
    Encode(element, out);
    return out;
}

bool ReadHeader(const uint8_t* data, size_t size, size_t offset, Header& header)
{
    if (offset >= size)
        return false;
    const uint8_t d = data[offset];
    header.Type = d >> 3;
    header.SizeIndex = d & 7;
    if (header.SizeIndex < 5) {
        header.HeaderSize = 1;
        header.ValueSize = (header.Type == kNil && header.SizeIndex == 0) ? 0 : kFixedSizes[header.SizeIndex];
        return true;
    }
    const size_t prefix = header.SizeIndex == 5 ? 1 : header.SizeIndex == 6 ? 2 : 4;
    if (size - offset - 1 < prefix)
        return false;
    header.HeaderSize = 1 + prefix;
    header.ValueSize = BigEndian(data + offset + 1, prefix);
    return true;
}

bool Decode(const uint8_t* data, size_t size, size_t& offset, DataElement& element)
{
    return DecodeAt(data, size, offset, element, 0);
}

bool DecodeAttributeLists(const uint8_t* data, size_t size, std::vector<DataElement>& records)
{
    size_t offset = 0;
    while (offset < size) {
        Header h;
        if (!ReadHeader(data, size, offset, h) || h.Type != kSequence)
            return false;
        const size_t start = offset + h.HeaderSize;
        // A response cut short: read the whole records it still holds, then report damage.
        const bool cut = h.ValueSize > size - start;
        const size_t end = cut ? size : start + h.ValueSize;
        Header first;
        const bool listOfLists = start < end && ReadHeader(data, end, start, first) && first.Type == kSequence;
        if (listOfLists) {
            size_t at = start;
            while (at < end) {
                DataElement record;
                if (!DecodeAt(data, end, at, record, 1) || !IsAttributeList(record))
                    return false;
                records.push_back(std::move(record));
            }
        } else if (start < end) {
            size_t at = offset;
            DataElement record;
            if (cut || !DecodeAt(data, size, at, record, 0) || !IsAttributeList(record))
                return false;
            records.push_back(std::move(record));
        }
        if (cut)
            return false;
        offset = end;
    }
    return true;
}

bool RecordContainsUuid(const DataElement& attributeList, const QUuid& uuid)
{
    for (size_t i = 1; i < attributeList.Items.size(); i += 2)
        if (ContainsUuid(attributeList.Items[i], uuid))
            return true;
    return false;
}

} // namespace dabrix::platform::sdp
