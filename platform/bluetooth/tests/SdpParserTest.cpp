// SDP data elements, attribute lists and service records, against byte arrays written
// out by hand from the data element encoding (descriptor = type << 3 | size index).
#include "platform/bluetooth/SdpDataElement.h"
#include "platform/bluetooth/lnkSDPParser.h"
#include "platform/bluetooth/tests/SdpBytes.h"

#include <gtest/gtest.h>

using dabrix::platform::ReadSdpService;
using dabrix::platform::SdpText;
using dabrix::test::B;
using dabrix::test::Bytes;
namespace sdp = dabrix::platform::sdp;

namespace {

const QUuid kSerialPort = sdp::BaseUuid(0x1101);
const QUuid kVendor = QUuid::fromString(QStringLiteral("{8C3A1F20-5B7E-4D11-9A3C-0123456789AB}"));

// A plain serial port service, as a gauge's SDP server sends it.
const Bytes kSppRecord = B({
    0x35, 0x54,                                          // sequence, 84 bytes: the attribute list
    0x09, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x05,      // 0x0000 record handle: uint32 0x00010005
    0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x01,      // 0x0001 class ids: { UUID16 0x1101 }
    0x09, 0x00, 0x04, 0x35, 0x0C,                        // 0x0004 protocols: {
    0x35, 0x03, 0x19, 0x01, 0x00,                        //   { UUID16 L2CAP },
    0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x05,            //   { UUID16 RFCOMM, uint8 channel 5 } }
    0x09, 0x00, 0x05, 0x35, 0x03, 0x19, 0x10, 0x02,      // 0x0005 browse groups: { UUID16 0x1002 }
    0x09, 0x00, 0x06, 0x35, 0x09,                        // 0x0006 language base: {
    0x09, 0x65, 0x6E, 0x09, 0x00, 0x6A, 0x09, 0x01, 0x00, //   "en", 106 (UTF-8), base 0x0100 }
    0x09, 0x00, 0x09, 0x35, 0x08, 0x35, 0x06,            // 0x0009 profiles: { {
    0x19, 0x11, 0x01, 0x09, 0x01, 0x02,                  //   UUID16 0x1101, uint16 version 0x0102 } }
    0x09, 0x01, 0x00, 0x25, 0x0B, "Serial Port",         // 0x0100 name: text8 "Serial Port"
});

// A vendor service: serial port class first, the vendor's 128-bit class second, no
// profile list; an L2CAP entry with a PSM before RFCOMM; a NUL after the name.
const Bytes kVendorRecord = B({
    0x35, 0x60,                                          // sequence, 96 bytes
    0x09, 0x00, 0x00, 0x0A, 0x00, 0x01, 0x00, 0x06,      // handle 0x00010006
    0x09, 0x00, 0x01, 0x35, 0x14, 0x19, 0x11, 0x01,      // class ids: { UUID16 0x1101,
    0x1C, 0x8C, 0x3A, 0x1F, 0x20, 0x5B, 0x7E, 0x4D, 0x11, //   UUID128 8C3A1F20-5B7E-4D11-
    0x9A, 0x3C, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB,      //   9A3C-0123456789AB }
    0x09, 0x00, 0x04, 0x35, 0x0F,                        // protocols: {
    0x35, 0x06, 0x19, 0x01, 0x00, 0x09, 0x00, 0x03,      //   { UUID16 L2CAP, uint16 PSM 3 },
    0x35, 0x05, 0x19, 0x00, 0x03, 0x08, 0x07,            //   { UUID16 RFCOMM, uint8 7 } }
    0x09, 0x00, 0x06, 0x35, 0x09,                        // language base: {
    0x09, 0x64, 0x65, 0x09, 0x00, 0x6A, 0x09, 0x01, 0x00, //   "de", UTF-8, 0x0100 }
    0x09, 0x01, 0x00, 0x25, 0x06, "Gauge", 0x00,         // name: text8 "Gauge\0"
    0x09, 0x01, 0x01, 0x25, 0x0D, "Readings, raw",       // description: text8
});

// Names in UTF-16 under the language base 0x0200; no class and no protocol list.
const Bytes kUtf16Record = B({
    0x35, 0x2D,                                          // sequence, 45 bytes
    0x09, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x07,      // handle 7
    0x09, 0x00, 0x06, 0x35, 0x09,                        // language base: {
    0x09, 0x66, 0x72, 0x09, 0x03, 0xF7, 0x09, 0x02, 0x00, //   "fr", 1015 (UTF-16), base 0x0200 }
    0x09, 0x01, 0x00, 0x25, 0x03, "bad",                 // 0x0100 is not the name under base 0x0200
    0x09, 0x02, 0x00, 0x25, 0x0A,                        // 0x0200 name: text8, 10 bytes of UTF-16BE
    0x00, 'M', 0x00, 0xE8, 0x00, 't', 0x00, 'r', 0x00, 'e', //   "Mètre"
});

// Sequences of every length size and an alternative, a nil and a boolean.
const Bytes kNestedRecord = B({
    0x35, 0x22,                                          // sequence, 34 bytes
    0x09, 0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x01,      // handle 1
    0x09, 0x02, 0x00, 0x37, 0x00, 0x00, 0x00, 0x0A,      // 0x0200: sequence with 32-bit length 10 {
    0x36, 0x00, 0x02, 0x08, 0x01,                        //   sequence, 16-bit length: { uint8 1 },
    0x3D, 0x03, 0x09, 0x00, 0x02,                        //   alternative: { uint16 2 } }
    0x09, 0x02, 0x01, 0x35, 0x03, 0x00, 0x28, 0x01,      // 0x0201: { nil, bool true }
});

// The attribute lists of a search response: one sequence around the records.
Bytes Response(std::initializer_list<Bytes> records)
{
    Bytes inner;
    for (const Bytes& r : records)
        inner.insert(inner.end(), r.begin(), r.end());
    Bytes out{0x35, static_cast<uint8_t>(inner.size())};
    if (inner.size() > 0xFF)
        out = {0x36, static_cast<uint8_t>(inner.size() >> 8), static_cast<uint8_t>(inner.size())};
    out.insert(out.end(), inner.begin(), inner.end());
    return out;
}

// `levels` sequences each holding only the next, the innermost holding uint8 1.
Bytes Nested(int levels)
{
    Bytes value{0x08, 0x01};
    for (int i = 0; i < levels; ++i) {
        Bytes outer{0x36, static_cast<uint8_t>(value.size() >> 8), static_cast<uint8_t>(value.size())};
        outer.insert(outer.end(), value.begin(), value.end());
        value = std::move(outer);
    }
    return value;
}

struct ElementCase {
    const char* what;
    Bytes bytes;
    uint8_t type;
    Bytes value;
};

class DecodeElement : public ::testing::TestWithParam<ElementCase> {};

TEST_P(DecodeElement, ReadsTypeAndValueAndUsesAllBytes)
{
    const ElementCase& c = GetParam();
    size_t offset = 0;
    sdp::DataElement e;
    ASSERT_TRUE(sdp::Decode(c.bytes.data(), c.bytes.size(), offset, e)) << c.what;
    EXPECT_EQ(offset, c.bytes.size()) << c.what;
    EXPECT_EQ(e.Type, c.type) << c.what;
    EXPECT_EQ(e.Value, c.value) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Sdp, DecodeElement,
    ::testing::Values(
        ElementCase{"nil: size index 0 means no bytes", B({0x00}), sdp::kNil, {}},
        ElementCase{"uint8", B({0x08, 0x2A}), sdp::kUnsigned, B({0x2A})},
        ElementCase{"uint16", B({0x09, 0x12, 0x34}), sdp::kUnsigned, B({0x12, 0x34})},
        ElementCase{"uint32", B({0x0A, 1, 2, 3, 4}), sdp::kUnsigned, B({1, 2, 3, 4})},
        ElementCase{"uint64", B({0x0B, 1, 2, 3, 4, 5, 6, 7, 8}), sdp::kUnsigned, B({1, 2, 3, 4, 5, 6, 7, 8})},
        ElementCase{"uint128", B({0x0C, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}), sdp::kUnsigned,
                    B({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})},
        ElementCase{"int8", B({0x10, 0xFF}), sdp::kSigned, B({0xFF})},
        ElementCase{"UUID16", B({0x19, 0x11, 0x01}), sdp::kUuid, B({0x11, 0x01})},
        ElementCase{"UUID32", B({0x1A, 0x00, 0x01, 0x11, 0x01}), sdp::kUuid, B({0x00, 0x01, 0x11, 0x01})},
        ElementCase{"text, 8-bit length", B({0x25, 0x03, "abc"}), sdp::kText, B({"abc"})},
        ElementCase{"text, 16-bit length", B({0x26, 0x00, 0x03, "abc"}), sdp::kText, B({"abc"})},
        ElementCase{"text, 32-bit length", B({0x27, 0x00, 0x00, 0x00, 0x03, "abc"}), sdp::kText, B({"abc"})},
        ElementCase{"empty text", B({0x25, 0x00}), sdp::kText, {}},
        ElementCase{"bool", B({0x28, 0x01}), sdp::kBool, B({0x01})},
        ElementCase{"URL", B({0x45, 0x04, "a.de"}), sdp::kUrl, B({"a.de"})},
        ElementCase{"a reserved type is still delimited", B({0x4D, 0x01, 0x00}), 9, B({0x00})}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SdpDecode, ReadsSequencesAndAlternativesOfEveryLengthSize)
{
    // { uint8 1, { UUID16 0x0003 }, < text8 "x" > } with a 16-bit, an 8-bit and a 32-bit length.
    const Bytes bytes = B({0x36, 0x00, 0x0F, 0x08, 0x01, 0x35, 0x03, 0x19, 0x00, 0x03, 0x3F, 0x00, 0x00, 0x00, 0x03,
                           0x25, 0x01, 'x'});
    size_t offset = 0;
    sdp::DataElement e;
    ASSERT_TRUE(sdp::Decode(bytes.data(), bytes.size(), offset, e));
    EXPECT_EQ(offset, bytes.size());
    const auto expected = sdp::DataElement::Sequence(
        {sdp::DataElement::UInt8(1), sdp::DataElement::Sequence({sdp::DataElement::Uuid16(3)}),
         sdp::DataElement::Alternative({sdp::DataElement::Text("x")})});
    EXPECT_EQ(e, expected);
}

TEST(SdpDecode, RefusesDamagedElements)
{
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"no bytes", {}},
        {"uint16 missing a byte", B({0x09, 0x12})},
        {"UUID128 cut short", B({0x1C, 0x00, 0x01, 0x02})},
        {"text longer than the input", B({0x25, 0x05, "ab"})},
        {"length prefix cut", B({0x26, 0x00})},
        {"32-bit length prefix cut", B({0x27, 0x00, 0x00, 0x00})},
        {"32-bit length near 4 GiB", B({0x27, 0xFF, 0xFF, 0xFF, 0xFF, 'a'})},
        {"sequence claims more than there is", B({0x35, 0x03, 0x09, 0x00})},
        {"member runs past its sequence", B({0x35, 0x02, 0x09, 0x00, 0x01})},
        {"oversized length inside a sequence", B({0x35, 0x04, 0x26, 0xFF, 0xFF, 'a'})},
    };
    for (const auto& c : cases) {
        size_t offset = 0;
        sdp::DataElement e;
        EXPECT_FALSE(sdp::Decode(c.bytes.data(), c.bytes.size(), offset, e)) << c.what;
        EXPECT_EQ(offset, 0u) << c.what;
    }
}

TEST(SdpDecode, LimitsNesting)
{
    for (const auto& [levels, accepted] : {std::pair{sdp::kMaxDepth, true}, std::pair{sdp::kMaxDepth + 1, false},
                                           std::pair{2000, false}}) {
        const Bytes bytes = Nested(levels);
        size_t offset = 0;
        sdp::DataElement e;
        EXPECT_EQ(sdp::Decode(bytes.data(), bytes.size(), offset, e), accepted) << levels << " levels";
    }
}

TEST(SdpEncode, WritesTheShortestForms)
{
    using E = sdp::DataElement;
    const struct {
        const char* what;
        E element;
        Bytes bytes;
    } cases[] = {
        {"nil", E::Nil(), B({0x00})},
        {"bool", E::Bool(true), B({0x28, 0x01})},
        {"uint8", E::UInt8(5), B({0x08, 0x05})},
        {"uint32", E::UInt32(0x00010005), B({0x0A, 0x00, 0x01, 0x00, 0x05})},
        {"base UUID with 16-bit value", E::Uuid(kSerialPort), B({0x19, 0x11, 0x01})},
        {"base UUID with 32-bit value", E::Uuid(sdp::BaseUuid(0x12345678)), B({0x1A, 0x12, 0x34, 0x56, 0x78})},
        {"other UUID in full, network order", E::Uuid(kVendor),
         B({0x1C, 0x8C, 0x3A, 0x1F, 0x20, 0x5B, 0x7E, 0x4D, 0x11, 0x9A, 0x3C, 0x01, 0x23, 0x45, 0x67, 0x89, 0xAB})},
        {"attribute pair in a sequence", E::Sequence({E::UInt16(0x0100), E::Text("abc")}),
         B({0x35, 0x08, 0x09, 0x01, 0x00, 0x25, 0x03, "abc"})},
        {"empty alternative", E::Alternative({}), B({0x3D, 0x00})},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sdp::Encode(c.element), c.bytes) << c.what;

    // Past 255 bytes the length takes 16 bits.
    const Bytes long300 = sdp::Encode(E::Text(std::string(300, 'x')));
    ASSERT_EQ(long300.size(), 303u);
    EXPECT_EQ(Bytes(long300.begin(), long300.begin() + 3), B({0x26, 0x01, 0x2C}));
}

TEST(SdpEncode, DecodesBackToTheSameElements)
{
    using E = sdp::DataElement;
    const E record = E::Sequence({E::UInt16(0), E::UInt32(0x10000), E::UInt16(4),
                                  E::Sequence({E::Sequence({E::Uuid16(0x0100)}),
                                               E::Sequence({E::Uuid16(3), E::UInt8(12)})}),
                                  E::UInt16(0x100), E::Text(std::string(70000, 'n')), E::UInt16(0x101),
                                  E::Alternative({E::Url("x"), E::Nil(), E::Bool(false)})});
    const Bytes bytes = sdp::Encode(record);
    size_t offset = 0;
    E back;
    ASSERT_TRUE(sdp::Decode(bytes.data(), bytes.size(), offset, back));
    EXPECT_EQ(offset, bytes.size());
    EXPECT_EQ(back, record);
}

TEST(SdpAttributeLists, SplitsAResponseIntoRecords)
{
    const Bytes response = Response({kSppRecord, kVendorRecord});
    std::vector<sdp::DataElement> records;
    ASSERT_TRUE(sdp::DecodeAttributeLists(response.data(), response.size(), records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].Items.size(), 14u); // seven attributes
    EXPECT_EQ(records[1].Items.size(), 12u);
    EXPECT_TRUE(sdp::RecordContainsUuid(records[1], kVendor));
    EXPECT_TRUE(sdp::RecordContainsUuid(records[1], sdp::BaseUuid(sdp::kUuidL2cap)));
    EXPECT_FALSE(sdp::RecordContainsUuid(records[0], kVendor));
    // Attribute ids are numbers, not UUIDs: the record has attribute 0x0009, no UUID 0x0009.
    EXPECT_FALSE(sdp::RecordContainsUuid(records[0], sdp::BaseUuid(0x0009)));
}

TEST(SdpAttributeLists, EmptyResponsesHoldNoRecords)
{
    for (const Bytes& bytes : {Bytes{}, B({0x35, 0x00}), B({0x36, 0x00, 0x00})}) {
        std::vector<sdp::DataElement> records;
        EXPECT_TRUE(sdp::DecodeAttributeLists(bytes.data(), bytes.size(), records));
        EXPECT_TRUE(records.empty());
    }
}

TEST(SdpParser, FlattensAttributeValues)
{
    TlnkSDPParser parser;
    ASSERT_TRUE(parser.Parse(Response({kSppRecord, kNestedRecord})));
    ASSERT_EQ(parser.Records().size(), 2u);

    const TlnkSDPServiceRecord& spp = parser.Records()[0];
    EXPECT_EQ(spp.Handle(), 0x00010005u);
    ASSERT_EQ(spp.Attributes().size(), 7u);
    const TlnkSDPAttribute* protocols = spp.Find(0x0004);
    ASSERT_NE(protocols, nullptr);
    // {{L2CAP}, {RFCOMM, 5}} flattened: UUID16 0x0100, UUID16 0x0003, uint8 5.
    const auto& e = protocols->Elements();
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].Type(), sdp::kUuid);
    EXPECT_EQ(e[0].Size(), 2u);
    EXPECT_EQ(e[0].AsWord(), 0x0100);
    EXPECT_EQ(e[1].AsWord(), 0x0003);
    EXPECT_EQ(e[2].Type(), sdp::kUnsigned);
    EXPECT_EQ(e[2].Size(), 1u);
    EXPECT_EQ(e[2].AsByte(), 5);
    // A short value read wider keeps its value.
    EXPECT_EQ(e[2].AsWord(), 5);
    EXPECT_EQ(e[2].AsDWord(), 5u);
    EXPECT_EQ(spp.Find(0x0100)->Elements().front().Data(), B({"Serial Port"}));
    EXPECT_EQ(spp.Find(0x0200), nullptr);

    const TlnkSDPServiceRecord& nested = parser.Records()[1];
    EXPECT_EQ(nested.Handle(), 1u);
    const auto& deep = nested.Find(0x0200)->Elements();
    ASSERT_EQ(deep.size(), 2u);
    EXPECT_EQ(deep[0].AsByte(), 1);
    EXPECT_EQ(deep[1].Size(), 2u);
    EXPECT_EQ(deep[1].AsWord(), 2);
    const auto& plain = nested.Find(0x0201)->Elements();
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0].Type(), sdp::kNil);
    EXPECT_EQ(plain[0].Size(), 0u);
    EXPECT_EQ(plain[0].AsDWord(), 0u);
    EXPECT_EQ(plain[1].Type(), sdp::kBool);
}

TEST(SdpParser, ReadsABareAttributeListAsOneRecord)
{
    TlnkSDPParser parser;
    ASSERT_TRUE(parser.Parse(kVendorRecord));
    ASSERT_EQ(parser.Records().size(), 1u);
    EXPECT_EQ(parser.Records()[0].Handle(), 0x00010006u);
}

TEST(SdpParser, KeepsTheWholeRecordsBeforeDamage)
{
    const Bytes whole = Response({kSppRecord, kVendorRecord});
    // Cut inside the second record: the response ends early.
    Bytes cut(whole.begin(), whole.begin() + 3 + kSppRecord.size() + 20);
    // The second record's description claims 255 bytes instead of 13.
    Bytes oversized = whole;
    oversized[oversized.size() - 14] = 0xFF;
    // The second record's first attribute id is a uint8 instead of a uint16.
    Bytes badId = whole;
    ASSERT_EQ(badId[2 + kSppRecord.size() + 2], 0x09);
    badId[2 + kSppRecord.size() + 2] = 0x08;
    // An id without a value.
    const Bytes lonelyId = Response({kSppRecord, B({0x35, 0x03, 0x09, 0x00, 0x01})});

    for (const auto& [what, bytes] : {std::pair{"cut", cut}, std::pair{"oversized", oversized},
                                      std::pair{"bad id", badId}, std::pair{"id without value", lonelyId}}) {
        TlnkSDPParser parser;
        EXPECT_FALSE(parser.Parse(bytes)) << what;
        ASSERT_EQ(parser.Records().size(), 1u) << what;
        EXPECT_EQ(parser.Records()[0].Handle(), 0x00010005u) << what;
    }
}

TEST(SdpParser, RefusesInputThatIsNoAttributeList)
{
    const struct {
        const char* what;
        Bytes bytes;
    } cases[] = {
        {"a plain element", B({0x09, 0x00, 0x01})},
        {"the handle cut", B({0x35, 0x08, 0x09, 0x00, 0x00, 0x0A, 0x00})},
        {"nesting beyond the limit", Response({[] {
                                                   Bytes deep = Nested(40);
                                                   Bytes list = B({0x36, 0x00, 0x00, 0x09, 0x02, 0x00});
                                                   list.insert(list.end(), deep.begin(), deep.end());
                                                   list[2] = static_cast<uint8_t>(list.size() - 3);
                                                   list[1] = static_cast<uint8_t>((list.size() - 3) >> 8);
                                                   return list;
                                               }()})},
    };
    for (const auto& c : cases) {
        TlnkSDPParser parser;
        EXPECT_FALSE(parser.Parse(c.bytes)) << c.what;
        EXPECT_TRUE(parser.Records().empty()) << c.what;
    }
}

TEST(SdpParser, ParseReplacesEarlierRecords)
{
    TlnkSDPParser parser;
    ASSERT_TRUE(parser.Parse(Response({kSppRecord, kVendorRecord})));
    ASSERT_TRUE(parser.Parse(kUtf16Record));
    ASSERT_EQ(parser.Records().size(), 1u);
    EXPECT_EQ(parser.Records()[0].Handle(), 7u);
}

TEST(SdpService, ReadsWhatAClientNeeds)
{
    TlnkSDPParser parser;
    ASSERT_TRUE(parser.Parse(Response({kSppRecord, kVendorRecord, kUtf16Record})));
    ASSERT_EQ(parser.Records().size(), 3u);

    const auto spp = ReadSdpService(parser.Records()[0]);
    EXPECT_EQ(spp.Uuid, kSerialPort); // from the profile list
    EXPECT_EQ(spp.Channel, 5);
    EXPECT_EQ(spp.Name, QStringLiteral("Serial Port"));
    EXPECT_TRUE(spp.Description.isEmpty());
    EXPECT_EQ(spp.Handle, 0x00010005u);

    const auto vendor = ReadSdpService(parser.Records()[1]);
    EXPECT_EQ(vendor.Uuid, kVendor); // the class after the serial port class
    EXPECT_EQ(vendor.Channel, 7);    // after RFCOMM, not the L2CAP PSM
    EXPECT_EQ(vendor.Name, QStringLiteral("Gauge"));
    EXPECT_EQ(vendor.Description, QStringLiteral("Readings, raw"));
    EXPECT_EQ(vendor.Handle, 0x00010006u);

    const auto french = ReadSdpService(parser.Records()[2]);
    EXPECT_EQ(french.Uuid, sdp::BaseUuid(0)); // no class at all
    EXPECT_EQ(french.Channel, 0);
    EXPECT_EQ(french.Name, QString::fromUtf8("Mètre"));
    EXPECT_EQ(french.Handle, 7u);
}

TEST(SdpService, TakesTheSerialPortClassWhenItIsTheOnlyOne)
{
    // { 0x0001: { UUID16 0x1101 } } and a second record { 0x0001: { UUID32 0x00001101, UUID16 0x1101 } }.
    const Bytes bytes = Response({B({0x35, 0x08, 0x09, 0x00, 0x01, 0x35, 0x03, 0x19, 0x11, 0x01}),
                                  B({0x35, 0x0D, 0x09, 0x00, 0x01, 0x35, 0x08, 0x1A, 0x00, 0x00, 0x11, 0x01, 0x19,
                                     0x11, 0x01})});
    TlnkSDPParser parser;
    ASSERT_TRUE(parser.Parse(bytes));
    ASSERT_EQ(parser.Records().size(), 2u);
    EXPECT_EQ(ReadSdpService(parser.Records()[0]).Uuid, kSerialPort);
    EXPECT_EQ(ReadSdpService(parser.Records()[1]).Uuid, kSerialPort);
}

TEST(SdpService, DecodesNamesByTheLanguageBaseEncoding)
{
    const struct {
        const char* what;
        Bytes bytes;
        uint16_t encoding;
        QString text;
    } cases[] = {
        {"UTF-8", B({0xC2, 0xB5, 'm'}), 106, QString::fromUtf8("µm")},
        {"Latin-1", B({0xB5, 'm'}), 4, QString::fromUtf8("µm")},
        {"ASCII", B({'o', 'k'}), 3, QStringLiteral("ok")},
        {"UTF-16BE", B({0x00, 0xB5, 0x00, 'm'}), 1013, QString::fromUtf8("µm")},
        {"UTF-16LE", B({0xB5, 0x00, 'm', 0x00}), 1014, QString::fromUtf8("µm")},
        {"UTF-16 with a little-endian mark", B({0xFF, 0xFE, 0xB5, 0x00, 'm', 0x00}), 1015, QString::fromUtf8("µm")},
        {"UTF-16 with a big-endian mark", B({0xFE, 0xFF, 0x00, 0xB5, 0x00, 'm'}), 1015, QString::fromUtf8("µm")},
        {"unknown encodings read as UTF-16", B({0x00, 'o', 0x00, 'k'}), 2000, QStringLiteral("ok")},
        {"trailing NULs dropped", B({'o', 'k', 0x00, 0x00}), 106, QStringLiteral("ok")},
        {"UTF-16 NUL dropped", B({0x00, 'o', 0x00, 0x00}), 1013, QStringLiteral("o")},
        {"odd UTF-16 length", B({0x00, 'o', 0x00}), 1013, QStringLiteral("o\uFFFD")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SdpText(c.bytes, c.encoding), c.text) << c.what;
}

} // namespace
