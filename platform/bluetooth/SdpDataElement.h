#pragma once
// SDP data elements, the encoding of every value in a service record: a descriptor byte
// (type code in the upper five bits, size index in the lower three), for size indexes 5, 6
// and 7 an 8-, 16- or 32-bit big-endian length, then the value. Size indexes 0..4 give 1,
// 2, 4, 8 or 16 value bytes, except for nil, which has none. Sequences and alternatives
// hold further elements.
//
// Decoding reads bytes that a remote device sent: every length is checked against the
// bytes that are there and nesting is limited, so no input makes it read out of bounds or
// recurse without end. It is lenient where the structure is still clear (a type code it
// does not know, a size index unusual for the type), because the caller decides what a
// value means.
#include <QUuid>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dabrix::platform::sdp {

enum ElementType : uint8_t {
    kNil = 0,
    kUnsigned = 1,
    kSigned = 2,
    kUuid = 3,
    kText = 4,
    kBool = 5,
    kSequence = 6,
    kAlternative = 7,
    kUrl = 8,
};

// Deeper nesting than this is refused; real records nest three or four levels.
constexpr int kMaxDepth = 16;

// Well-known UUIDs (16-bit forms in the Bluetooth base UUID).
constexpr uint16_t kUuidRfcomm = 0x0003;
constexpr uint16_t kUuidL2cap = 0x0100;
constexpr uint16_t kUuidSerialPort = 0x1101;
constexpr uint16_t kUuidPublicBrowseRoot = 0x1002;

// Attribute ids of a service record.
constexpr uint16_t kAttrRecordHandle = 0x0000;
constexpr uint16_t kAttrServiceClassIdList = 0x0001;
constexpr uint16_t kAttrProtocolDescriptorList = 0x0004;
constexpr uint16_t kAttrBrowseGroupList = 0x0005;
constexpr uint16_t kAttrLanguageBaseList = 0x0006;
constexpr uint16_t kAttrProfileDescriptorList = 0x0009;
// Offsets from a language base (0x0100 for the primary language).
constexpr uint16_t kAttrOffsetServiceName = 0x0000;
constexpr uint16_t kAttrOffsetServiceDescription = 0x0001;

// The UUID <value>-0000-1000-8000-00805F9B34FB.
QUuid BaseUuid(uint32_t shortUuid);
// The 16- or 32-bit value of a UUID in the base form, else nothing.
std::optional<uint32_t> ShortUuid(const QUuid& uuid);

struct DataElement {
    uint8_t Type = kNil;             // the 5-bit type code
    std::vector<uint8_t> Value;      // value bytes; empty for sequences and alternatives
    std::vector<DataElement> Items;  // members of a sequence or an alternative

    bool IsContainer() const { return Type == kSequence || Type == kAlternative; }

    static DataElement Nil();
    static DataElement Bool(bool value);
    static DataElement UInt8(uint8_t value);
    static DataElement UInt16(uint16_t value);
    static DataElement UInt32(uint32_t value);
    // A UUID in its shortest form: 16 or 32 bits when it is in the base form, else 128.
    static DataElement Uuid(const QUuid& uuid);
    static DataElement Uuid16(uint16_t value);
    static DataElement Uuid128(const QUuid& uuid);
    static DataElement Text(const std::string& bytes);
    static DataElement Url(const std::string& bytes);
    static DataElement Sequence(std::vector<DataElement> items);
    static DataElement Alternative(std::vector<DataElement> items);
    // Any type with the given value bytes (for tests of odd encodings).
    static DataElement Raw(uint8_t type, std::vector<uint8_t> value);

    // The UUID of a 2-, 4- or 16-byte UUID element (short ones in the base UUID).
    std::optional<QUuid> AsUuid() const;
    // The value of an unsigned integer of at most 8 bytes.
    std::optional<uint64_t> AsUnsigned() const;

    bool operator==(const DataElement& other) const = default;
};

// Appends the encoding. Numbers, UUIDs and booleans of 1, 2, 4, 8 or 16 bytes and an
// empty nil use the fixed size indexes; everything else gets the shortest length prefix.
void Encode(const DataElement& element, std::vector<uint8_t>& out);
std::vector<uint8_t> Encode(const DataElement& element);

struct Header {
    uint8_t Type = 0;
    uint8_t SizeIndex = 0;
    size_t HeaderSize = 0; // descriptor byte plus length prefix
    size_t ValueSize = 0;
};

// Reads the descriptor and length prefix at `offset` of `size` bytes. False when they run
// past the end; the value they announce is not checked here.
bool ReadHeader(const uint8_t* data, size_t size, size_t offset, Header& header);

// Decodes the element at `offset` and moves `offset` past it. False for damaged input: a
// header or value that runs past the end (or past its sequence), or nesting deeper than
// kMaxDepth.
bool Decode(const uint8_t* data, size_t size, size_t& offset, DataElement& element);

// Splits bytes into service records, each an attribute list: a sequence of (16-bit
// unsigned attribute id, value) pairs. Accepts what a service search delivers, one
// sequence holding the attribute lists of all records, as well as a bare attribute list
// (one record), and several of either one after the other.
// False for damaged input; `records` then holds the records that were whole before the
// damage (a response cut short still yields the records it carried).
bool DecodeAttributeLists(const uint8_t* data, size_t size, std::vector<DataElement>& records);

// Whether a UUID element equal to `uuid` occurs anywhere in the record's attribute values
// (how an SDP server matches a search pattern).
bool RecordContainsUuid(const DataElement& attributeList, const QUuid& uuid);

} // namespace dabrix::platform::sdp
