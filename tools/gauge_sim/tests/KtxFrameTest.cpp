#include "tools/gauge_sim/KtxFrame.h"
#include "tools/gauge_sim/SimOptions.h"

#include <gtest/gtest.h>

#include <random>

using namespace dabrix::tools;

namespace {

TEST(KtxFrameTest, BuildsTheTelegramProtocolsWorkedExamples)
{
    struct Case {
        const char* what;
        Bytes frame;
        Bytes expected;
    };
    SimOptions gauge;  // address 0x35, program 0x7F, no sub-address
    const Case cases[] = {
        // Send of 41 42 43 with ReceiveAdr 0x35, TransmitAdr 0x7F: control 0x41, payload 42 43
        {"raw send", BuildKtxFrame(0x02, Bytes{0x35, 0x7F}, 0x41, Bytes{0x42, 0x43}, false),
         {0x02, 0x35, 0x7F, 0x41, 0x42, 0x43, 0xFC, 0x04}},
        // Send of C1 80 FF: bit 7 of the control byte selects 7-bit groups, bit byte 83
        {"grouped send", BuildKtxFrame(0x02, Bytes{0x35, 0x7F}, 0xC1, Bytes{0x80, 0xFF}, true),
         {0x02, 0x35, 0x7F, 0xC1, 0x80, 0xFF, 0x83, 0xF9, 0x04}},
        // The program's first acknowledgement of a telegram from 0x35
        {"first ack", BuildKtxFrame(0x06, Bytes{0x35, 0x7F}, 0x21, Bytes{}, false),
         {0x06, 0x35, 0x7F, 0x21, 0xDB, 0x04}},
        // The gauge's telegram that the program delivers as source 0x35, sequence 1, data 41 42
        {"gauge telegram", KtxDataTelegram(gauge, 0x21, Bytes{0x41, 0x42}),
         {0x02, 0x7F, 0x35, 0x21, 0x41, 0x42, 0xDA, 0x04}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(HexBytes(c.frame), HexBytes(c.expected)) << c.what;
}

TEST(KtxFrameTest, GaugeTelegramsCarryTheSubAddressAndGroupHighBytes)
{
    SimOptions o;
    o.subAdr = 0x07;
    const Bytes frame = KtxDataTelegram(o, 0x22, Bytes{'1'});
    // source 0x35 with bit 7 (a sub-address follows), then the sub-address
    const Bytes head{0x02, 0x7F, 0xB5, 0x07, 0x22, '1'};
    ASSERT_EQ(frame.size(), head.size() + 2);
    EXPECT_TRUE(std::equal(head.begin(), head.end(), frame.begin()));
    EXPECT_EQ(frame[6], KtxChecksum(std::span(frame).first(6)));

    o.subAdr = 0;
    const Bytes micro = KtxDataTelegram(o, 0x21, Bytes{'5', 0xB5, 'm'});
    // A byte with bit 7 would read as "encoded" at the start, so high bytes go in groups.
    EXPECT_EQ(HexBytes(micro), HexBytes(Bytes{0x02, 0x7F, 0x35, 0xA1, 0xB5, 0xB5, 0xED, 0x82,
                                              KtxChecksum(Bytes{0x02, 0x7F, 0x35, 0xA1, 0xB5, 0xB5, 0xED, 0x82}),
                                              0x04}));
}

TEST(KtxFrameTest, GroupBitsCountFromTheGroupsLastByte)
{
    EXPECT_EQ(HexBytes(EncodeKtxGroups(Bytes{0x80, 0x00, 0x00})), "80 80 80 84");
    EXPECT_EQ(HexBytes(EncodeKtxGroups(Bytes{0x00, 0x00, 0x80})), "80 80 80 81");
    // Eight bytes: a full group of seven with its bit byte, then one byte with its own.
    EXPECT_EQ(HexBytes(EncodeKtxGroups(Bytes{0x81, 0, 0, 0, 0, 0, 0x01, 0xFF})),
              "81 80 80 80 80 80 81 C0 FF 81");
}

TEST(KtxFrameTest, GroupsDecodeToWhatWasEncoded)
{
    std::mt19937 random(7);
    for (size_t length : {0u, 1u, 2u, 6u, 7u, 8u, 13u, 14u, 15u, 100u}) {
        Bytes payload(length);
        for (auto& b : payload)
            b = static_cast<std::uint8_t>(random());
        EXPECT_EQ(DecodeKtxGroups(EncodeKtxGroups(payload)), payload) << "length " << length;
    }
}

TEST(KtxFrameTest, ParsesFramesForTheGauge)
{
    const auto ack = ParseKtxFrame(Bytes{0x06, 0x35, 0x7F, 0x21, 0xDB, 0x04});
    ASSERT_TRUE(ack);
    EXPECT_EQ(ack->dest, 0x35);
    EXPECT_EQ(ack->subAdr, 0);
    EXPECT_EQ(ack->source, 0x7F);
    EXPECT_EQ(ack->control, 0x21);
    EXPECT_TRUE(ack->checksumOk);
    EXPECT_TRUE(ack->payload.empty());

    const Bytes withSub = BuildKtxFrame(0x06, Bytes{0xB5, 0x07, 0x7F}, 0x22, Bytes{0x41}, false);
    const auto sub = ParseKtxFrame(withSub);
    ASSERT_TRUE(sub);
    EXPECT_EQ(sub->dest, 0xB5);
    EXPECT_EQ(sub->subAdr, 0x07);
    EXPECT_EQ(sub->source, 0x7F);
    EXPECT_EQ(sub->control, 0x22);
    EXPECT_EQ(sub->payload, Bytes{0x41});

    const auto grouped = ParseKtxFrame(Bytes{0x02, 0x35, 0x7F, 0xC1, 0x80, 0xFF, 0x83, 0xF9, 0x04});
    ASSERT_TRUE(grouped);
    EXPECT_TRUE(grouped->encoded);
    EXPECT_EQ(grouped->payload, (Bytes{0x80, 0xFF}));

    const auto bad = ParseKtxFrame(Bytes{0x06, 0x35, 0x7F, 0x21, 0xDC, 0x04});
    ASSERT_TRUE(bad);
    EXPECT_FALSE(bad->checksumOk);
    EXPECT_FALSE(ParseKtxFrame(Bytes{0x06, 0x35, 0x7F, 0x04}));
    EXPECT_FALSE(ParseKtxFrame(Bytes{0x06, 0xB5, 0x07, 0x7F, 0x04, 0x04}));
}

} // namespace
