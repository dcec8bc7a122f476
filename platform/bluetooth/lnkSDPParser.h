#pragma once
// Service records as the library reads them: each record has its handle and its
// attributes; an attribute holds its value flattened, every sequence and alternative
// stepped over, so that only the plain elements (numbers, UUIDs, texts, ...) remain, in
// order. The parser reads the attribute bytes of a service search (see SdpDataElement.h
// for the forms it accepts); the bytes come from a remote device and are untrusted.
#include "platform/bluetooth/SdpDataElement.h"

#include <QString>
#include <QUuid>

#include <cstdint>
#include <vector>

class TlnkSDPElement {
public:
    TlnkSDPElement(uint8_t Type, std::vector<uint8_t> Data) : type_(Type), data_(std::move(Data)) {}

    // A copy of the value bytes.
    const std::vector<uint8_t>& Data() const { return data_; }
    // The 5-bit type code of the element's descriptor.
    uint8_t Type() const { return type_; }
    // The value length in bytes.
    uint32_t Size() const { return static_cast<uint32_t>(data_.size()); }

    // The first one, two or four value bytes as a big-endian number; a shorter value is
    // read whole (a one-byte number read as 16 bits keeps its value), an empty one is 0.
    uint8_t AsByte() const;
    uint16_t AsWord() const;
    uint32_t AsDWord() const;

private:
    uint8_t type_;
    std::vector<uint8_t> data_;
};

using TlnkSDPAttributeElements = std::vector<TlnkSDPElement>;

class TlnkSDPAttribute {
public:
    TlnkSDPAttribute(uint16_t Id, TlnkSDPAttributeElements Elements) : id_(Id), elements_(std::move(Elements)) {}

    uint16_t Id() const { return id_; }
    const TlnkSDPAttributeElements& Elements() const { return elements_; }

private:
    uint16_t id_;
    TlnkSDPAttributeElements elements_;
};

using TlnkSDPAttributes = std::vector<TlnkSDPAttribute>;

class TlnkSDPServiceRecord {
public:
    TlnkSDPServiceRecord(uint32_t Handle, TlnkSDPAttributes Attributes)
        : handle_(Handle), attributes_(std::move(Attributes)) {}

    // The service record handle (attribute 0); 0 when the record has none.
    uint32_t Handle() const { return handle_; }
    const TlnkSDPAttributes& Attributes() const { return attributes_; }
    // The attribute with that id, or null.
    const TlnkSDPAttribute* Find(uint16_t Id) const;

private:
    uint32_t handle_;
    TlnkSDPAttributes attributes_;
};

using TlnkSDPServiceRecords = std::vector<TlnkSDPServiceRecord>;

class TlnkSDPParser {
public:
    // Replaces the records with those in `data`. False when the bytes are damaged; the
    // records that were whole before the damage are kept.
    bool Parse(const uint8_t* data, size_t size);
    bool Parse(const std::vector<uint8_t>& data) { return Parse(data.data(), data.size()); }

    const TlnkSDPServiceRecords& Records() const { return records_; }
    void Clear() { records_.clear(); }

private:
    TlnkSDPServiceRecords records_;
};

namespace dabrix::platform {

// What a client needs of one service record.
struct SdpService {
    // The service class: the first element of the profile descriptor list; without one,
    // the first class of the service class id list other than the serial port class, else
    // its first. The Bluetooth base UUID when the record names no class.
    QUuid Uuid = sdp::BaseUuid(0);
    // The RFCOMM channel of the protocol descriptor list; 0 when the service has none.
    uint8_t Channel = 0;
    // Service name and description in the record's primary language.
    QString Name;
    QString Description;
    uint32_t Handle = 0;
};

SdpService ReadSdpService(const TlnkSDPServiceRecord& Record);

// Text of an SDP text element in the character set named by its MIBenum (the language
// base list's encoding): 106 UTF-8, 1013/1014/1015 UTF-16 (big-endian, little-endian,
// byte-order mark else big-endian), 3 and 4 ASCII/Latin-1, any other value UTF-16.
// Trailing NUL characters, which many devices send, are dropped.
QString SdpText(const std::vector<uint8_t>& Bytes, uint16_t Encoding);

} // namespace dabrix::platform
