#include "platform/bluetooth/lnkSDPParser.h"

#include <QStringDecoder>

#include <algorithm>

using namespace dabrix::platform::sdp;

namespace {

uint32_t Leading(const std::vector<uint8_t>& data, size_t n)
{
    uint32_t v = 0;
    for (size_t i = 0; i < std::min(n, data.size()); ++i)
        v = (v << 8) | data[i];
    return v;
}

// Every plain element of `e` in order, sequences and alternatives stepped over.
void Flatten(DataElement&& e, TlnkSDPAttributeElements& out)
{
    if (e.IsContainer()) {
        for (DataElement& item : e.Items)
            Flatten(std::move(item), out);
        return;
    }
    out.emplace_back(e.Type, std::move(e.Value));
}

std::optional<QUuid> UuidOf(const TlnkSDPElement& e)
{
    DataElement d = DataElement::Raw(e.Type(), e.Data());
    return d.AsUuid();
}

std::optional<uint64_t> UnsignedOf(const TlnkSDPElement& e)
{
    return DataElement::Raw(e.Type(), e.Data()).AsUnsigned();
}

QString TextAttribute(const TlnkSDPServiceRecord& record, uint16_t id, uint16_t encoding)
{
    const TlnkSDPAttribute* a = record.Find(id);
    if (!a || a->Elements().empty() || a->Elements().front().Type() != kText)
        return {};
    return dabrix::platform::SdpText(a->Elements().front().Data(), encoding);
}

} // namespace

uint8_t TlnkSDPElement::AsByte() const { return static_cast<uint8_t>(Leading(data_, 1)); }
uint16_t TlnkSDPElement::AsWord() const { return static_cast<uint16_t>(Leading(data_, 2)); }
uint32_t TlnkSDPElement::AsDWord() const { return Leading(data_, 4); }

const TlnkSDPAttribute* TlnkSDPServiceRecord::Find(uint16_t Id) const
{
    for (const TlnkSDPAttribute& a : attributes_)
        if (a.Id() == Id)
            return &a;
    return nullptr;
}

bool TlnkSDPParser::Parse(const uint8_t* data, size_t size)
{
    records_.clear();
    std::vector<DataElement> lists;
    const bool whole = DecodeAttributeLists(data, size, lists);
    for (DataElement& list : lists) {
        uint32_t handle = 0;
        TlnkSDPAttributes attributes;
        for (size_t i = 0; i + 1 < list.Items.size(); i += 2) {
            const uint16_t id = static_cast<uint16_t>(Leading(list.Items[i].Value, 2));
            if (id == kAttrRecordHandle)
                handle = static_cast<uint32_t>(list.Items[i + 1].AsUnsigned().value_or(0));
            TlnkSDPAttributeElements elements;
            Flatten(std::move(list.Items[i + 1]), elements);
            attributes.emplace_back(id, std::move(elements));
        }
        records_.emplace_back(handle, std::move(attributes));
    }
    return whole;
}

namespace dabrix::platform {

QString SdpText(const std::vector<uint8_t>& Bytes, uint16_t Encoding)
{
    const QByteArrayView bytes(Bytes.data(), static_cast<qsizetype>(Bytes.size()));
    QString text;
    switch (Encoding) {
    case 106:
        text = QString::fromUtf8(bytes);
        break;
    case 3:
    case 4:
        text = QString::fromLatin1(bytes);
        break;
    case 1014: {
        QStringDecoder decoder(QStringConverter::Utf16LE, QStringConverter::Flag::Stateless);
        text = decoder(bytes);
        break;
    }
    default: {
        // With a byte-order mark the decoder follows it; without one SDP's network order holds.
        const bool littleMark = Bytes.size() >= 2 && Bytes[0] == 0xFF && Bytes[1] == 0xFE;
        QStringDecoder decoder(littleMark ? QStringConverter::Utf16LE : QStringConverter::Utf16BE,
                               QStringConverter::Flag::Stateless);
        text = decoder(bytes);
        break;
    }
    }
    while (text.endsWith(QChar(0)))
        text.chop(1);
    return text;
}

SdpService ReadSdpService(const TlnkSDPServiceRecord& Record)
{
    SdpService service;
    service.Handle = Record.Handle();

    const TlnkSDPAttribute* profiles = Record.Find(kAttrProfileDescriptorList);
    std::optional<QUuid> uuid;
    if (profiles && !profiles->Elements().empty())
        uuid = UuidOf(profiles->Elements().front());
    if (!uuid) {
        if (const TlnkSDPAttribute* classes = Record.Find(kAttrServiceClassIdList)) {
            std::optional<QUuid> first;
            for (const TlnkSDPElement& e : classes->Elements()) {
                const auto u = UuidOf(e);
                if (!u)
                    continue;
                if (!first)
                    first = u;
                if (*u != BaseUuid(kUuidSerialPort)) {
                    uuid = u;
                    break;
                }
            }
            if (!uuid)
                uuid = first;
        }
    }
    if (uuid)
        service.Uuid = *uuid;

    // The channel is the parameter after the RFCOMM protocol's UUID, wherever that stands
    // (an L2CAP entry may carry a PSM before it).
    if (const TlnkSDPAttribute* protocols = Record.Find(kAttrProtocolDescriptorList)) {
        const auto& e = protocols->Elements();
        for (size_t i = 0; i + 1 < e.size(); ++i) {
            if (UuidOf(e[i]) != BaseUuid(kUuidRfcomm))
                continue;
            const auto channel = UnsignedOf(e[i + 1]);
            if (channel && *channel <= 0xFF)
                service.Channel = static_cast<uint8_t>(*channel);
            break;
        }
    }

    uint16_t encoding = 106;
    uint16_t base = 0x0100;
    if (const TlnkSDPAttribute* languages = Record.Find(kAttrLanguageBaseList)) {
        const auto& e = languages->Elements();
        if (e.size() > 1)
            encoding = e[1].AsWord();
        // A base below 0x0100 would point at the universal attributes; ignore it.
        if (e.size() > 2 && e[2].AsWord() >= 0x0100 && e[2].AsWord() < 0xFFFF)
            base = e[2].AsWord();
    }
    service.Name = TextAttribute(Record, static_cast<uint16_t>(base + kAttrOffsetServiceName), encoding);
    service.Description =
        TextAttribute(Record, static_cast<uint16_t>(base + kAttrOffsetServiceDescription), encoding);
    return service;
}

} // namespace dabrix::platform
