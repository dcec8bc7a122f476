// The two wire protocols on their own: frames built, chunks of received bytes framed,
// parsed, delivered and answered. Item addresses throughout: ReceiveAdr 0x35 (the gauge),
// TransmitAdr 0x7F (we), SubAdr 0, unless a case says otherwise.
#include "comm/KTXTelegram.h"
#include "comm/tests/TelegramTestSupport.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>

using namespace dabrix::comm;
using namespace dabrix::comm::test;

namespace {

// ---------------------------------------------------------------------------------------
// Building

struct BuildCase {
    const char* name;
    uint8_t command;
    uint8_t value;
    uint8_t subAdr;
    Bytes source;
    Bytes frame;  // expected bytes on the wire; empty when refused
    TErrMsg result;
};

const BuildCase kBuildCases[] = {
    // Worked frames: plain payload, and payload in 7-bit groups (bit 7 of the control byte).
    {"plain", 0x02, 0, 0, {0x41, 0x42, 0x43}, {0x02, 0x35, 0x7F, 0x41, 0x42, 0x43, 0xFC, 0x04}, emNone},
    {"groups", 0x02, 0, 0, {0xC1, 0x80, 0xFF}, {0x02, 0x35, 0x7F, 0xC1, 0x80, 0xFF, 0x83, 0xF9, 0x04}, emNone},
    // Only the control byte: no payload.
    {"control only", 0x02, 0, 0, {0x41}, {0x02, 0x35, 0x7F, 0x41, 0xF7, 0x04}, emNone},
    // A sub-address sets bit 7 of the destination and follows it.
    {"sub-address", 0x02, 0, 0x07, {0x41, 0x42},
     {0x02, 0xB5, 0x07, 0x7F, 0x41, 0x42, 0xC0, 0x04}, emNone},
    {"type 03", 0x03, 0, 0, {0x41}, {0x03, 0x35, 0x7F, 0x41, 0xF8, 0x04}, emNone},
    // Eight bytes in groups: the first group closes after seven bytes (bit byte 0xAA holds
    // 0 1 0 1 0 1 0, the 7th byte's bit in bit 0), the eighth byte gets a group of its own.
    {"groups of seven", 0x02, 0, 0, {0x80, 0x01, 0x82, 0x03, 0x84, 0x05, 0x86, 0x07, 0x88},
     WithCheckSum({0x02, 0x35, 0x7F, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0xAA, 0x88, 0x81}),
     emNone},
    {"unknown command", 0x07, 0, 0, {0x41}, {}, emUnknownCommand},
    {"start of ack is not a data command", 0x04, 0, 0, {0x41}, {}, emUnknownCommand},
};

class BuildTelegramTest : public ::testing::TestWithParam<BuildCase> {};

TEST_P(BuildTelegramTest, FramesAsOnTheWire)
{
    const BuildCase& c = GetParam();
    RecordingPort port;
    TelegramFramer framer(port);
    framer.Settings().SubAdr = c.subAdr;
    TBuffer frame = Buf({0x99});  // stale contents must not survive a refusal
    EXPECT_EQ(framer.BuildTelegram(c.command, c.value, Buf(c.source), frame), c.result);
    EXPECT_EQ(Hex(BytesOf(frame)), Hex(c.frame));
    if (c.result == emNone)
        EXPECT_TRUE(port.reports.empty());
    else
        EXPECT_EQ(port.reports, std::vector<TErrMsg>{c.result});
}

INSTANTIATE_TEST_SUITE_P(Frames, BuildTelegramTest, ::testing::ValuesIn(kBuildCases),
                         CaseName());

TEST(BuildTelegram, RefusesAFrameThatWouldPassTheBufferInsteadOfCuttingIt)
{
    RecordingPort port;
    TelegramFramer framer(port);
    TBuffer frame;

    // Plain: 4 header bytes + payload + checksum + end fit while the payload is <= 249.
    Bytes source(250, 0x41);  // control byte + 249 payload bytes
    ASSERT_EQ(framer.BuildTelegram(0x02, 0, Buf(source), frame), emNone);
    EXPECT_EQ(frame.Count(), 255);
    source.push_back(0x41);
    EXPECT_EQ(framer.BuildTelegram(0x02, 0, Buf(source), frame), emSendData);
    EXPECT_EQ(frame.Count(), 0);

    // In 7-bit groups every seventh byte brings a bit byte: 217 payload bytes need 31
    // (254 in all), 218 need 32.
    Bytes grouped(1 + 217, 0x11);
    grouped[0] = 0xC1;
    ASSERT_EQ(framer.BuildTelegram(0x02, 0, Buf(grouped), frame), emNone);
    EXPECT_EQ(frame.Count(), 4 + 217 + 31 + 2);
    grouped.push_back(0x11);
    EXPECT_EQ(framer.BuildTelegram(0x02, 0, Buf(grouped), frame), emSendData);
    EXPECT_EQ(port.reports, (std::vector<TErrMsg>{emSendData, emSendData}));
}

TEST(BuildTelegram, NakCarriesTheGivenControlByteAndLeavesTheSequenceAlone)
{
    RecordingPort port;
    TelegramFramer framer(port);
    framer.Receive(Bytes{0x02, 0x7F, 0x35, 0x21, 0x41, 0x42, 0xDA, 0x04}.data(), 8);  // reply address 0x35
    const uint8_t sequence = framer.SequenceChar();
    TBuffer frame;
    ASSERT_EQ(framer.BuildTelegram(0x0F, 0x25, TBuffer{}, frame), emNone);
    EXPECT_EQ(Hex(BytesOf(frame)), Hex(WithCheckSum({0x0F, 0x35, 0x7F, 0x25})));
    EXPECT_EQ(framer.SequenceChar(), sequence);
}

// What we frame, the other side decodes to the same payload: plain and in groups, every
// length that fits. A second framer plays the gauge that sends (its ReceiveAdr is our
// TransmitAdr). A plain payload must not start with bit 7 set (the receiver takes that
// as the sign of groups) and must not hold an end byte; groups carry any byte.
TEST(BuildTelegram, EveryPayloadSurvivesTheRoundTrip)
{
    std::mt19937 random(7);
    for (bool grouped : {false, true}) {
        int longest = -1;
        for (int length = 0;; ++length) {
            RecordingPort gaugePort;
            TelegramFramer gauge(gaugePort);
            gauge.Settings().ReceiveAdr = 0x7F;
            gauge.Settings().TransmitAdr = 0x35;

            Bytes payload(static_cast<size_t>(length));
            for (auto& b : payload)
                b = static_cast<uint8_t>(random());
            if (!grouped) {
                if (length > 0)
                    payload[0] &= 0x7F;
                for (auto& b : payload)
                    if (dabrix::comm::ktx::IsEndByte(b))
                        b = 0x44;
            }
            Bytes source{static_cast<uint8_t>(grouped ? 0xA1 : 0x21)};
            source.insert(source.end(), payload.begin(), payload.end());
            TBuffer frame;
            if (gauge.BuildTelegram(0x02, 0, Buf(source), frame) != emNone)
                break;
            longest = length;

            RecordingPort port;
            TelegramFramer framer(port);
            framer.Receive(frame.Data(), frame.Count());
            ASSERT_EQ(port.telegrams.size(), 1u) << "length " << length;
            const TTelegramData& t = port.telegrams[0];
            EXPECT_TRUE(port.reports.empty()) << "length " << length;
            EXPECT_EQ(Hex(BytesOf(t.Data)), Hex(payload)) << "length " << length << " grouped " << grouped;
            EXPECT_EQ(t.Sequence, grouped ? 0x81 : 0x01);
        }
        EXPECT_EQ(longest, grouped ? 217 : 249);
    }
}

// ---------------------------------------------------------------------------------------
// Receiving KTX

struct Expected {
    uint32_t command;
    uint8_t source;
    uint8_t dest;
    uint8_t nakCode;
    uint8_t sequence;
    bool encoded;
    Bytes data;
};

struct KtxCase {
    const char* name;
    Bytes in;
    std::vector<Expected> telegrams;
    std::vector<TErrMsg> reports;
    std::vector<Bytes> replies;
};

const Bytes kWorkedFrame = {0x02, 0x7F, 0x35, 0x21, 0x41, 0x42, 0xDA, 0x04};
const Bytes kWorkedAck = {0x06, 0x35, 0x7F, 0x21, 0xDB, 0x04};

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

const KtxCase kKtxCases[] = {
    {"worked frame", kWorkedFrame, {{2, 0x35, 0x7F, 0, 1, false, {0x41, 0x42}}}, {}, {kWorkedAck}},
    {"bytes before the start are dropped", Concat({{0x41, 0x04, 0x99}, kWorkedFrame}),
     {{2, 0x35, 0x7F, 0, 1, false, {0x41, 0x42}}}, {}, {kWorkedAck}},
    {"broadcast", WithCheckSum({0x02, 0xFF, 0x35, 0x21, 0x41}), {{2, 0x35, 0xFF, 0, 1, false, {0x41}}}, {},
     {kWorkedAck}},
    {"wrong address", WithCheckSum({0x02, 0x7E, 0x35, 0x21, 0x41}), {{0, 0, 0, 0, 0, false, {}}},
     {emWrongAddress}, {}},
    // Command and addresses survive; no payload. Not acknowledged: the payload is lost, so
    // the gauge must not take it as received.
    {"bad checksum", {0x02, 0x7F, 0x35, 0x21, 0x41, 0x42, 0xDB, 0x04}, {{2, 0x35, 0x7F, 0, 0, false, {}}},
     {emBadCheckSum}, {}},
    {"bad checksum, then a good telegram", Concat({{0x02, 0x7F, 0x35, 0x21, 0x41, 0x42, 0xDB, 0x04}, kWorkedFrame}),
     {{2, 0x35, 0x7F, 0, 0, false, {}}, {2, 0x35, 0x7F, 0, 1, false, {0x41, 0x42}}}, {emBadCheckSum}, {kWorkedAck}},
    {"NAK", WithCheckSum({0x0F, 0x7F, 0x35, 0x25}), {{0x0F, 0x35, 0x7F, 5, 0, false, {}}}, {}, {}},
    // No payload: the byte looked at for the encoding is the checksum, bit 7 always set.
    {"empty payload", WithCheckSum({0x02, 0x7F, 0x35, 0x21}), {{2, 0x35, 0x7F, 0, 1, true, {}}}, {},
     {kWorkedAck}},
    {"end byte 05", WithCheckSum({0x02, 0x7F, 0x35, 0x21, 0x41}, 0x05), {{2, 0x35, 0x7F, 0, 1, false, {0x41}}},
     {}, {kWorkedAck}},
    // Source 0xB5 announces a sub-address; the ack goes back to B5 and that sub-address.
    {"sub-address", WithCheckSum({0x02, 0x7F, 0xB5, 0x07, 0x21, 0x41}), {{2, 0xB5, 0x7F, 0, 1, false, {0x41}}},
     {}, {WithCheckSum({0x06, 0xB5, 0x07, 0x7F, 0x21})}},
    {"sub-address 0", WithCheckSum({0x02, 0x7F, 0xB5, 0x00, 0x21, 0x41}), {{2, 0xB5, 0x7F, 0, 1, false, {0x41}}},
     {}, {WithCheckSum({0x06, 0xB5, 0x7F, 0x21})}},
    // 0xFF as source announces nothing: the fourth byte is the control byte.
    {"source FF", WithCheckSum({0x02, 0x7F, 0xFF, 0x22, 0x41}), {{2, 0xFF, 0x7F, 0, 2, false, {0x41}}}, {},
     {WithCheckSum({0x06, 0xFF, 0x7F, 0x21})}},
    {"groups", WithCheckSum({0x02, 0x7F, 0x35, 0xC1, 0x80, 0xFF, 0x83}), {{2, 0x35, 0x7F, 0, 0xA1, true, {0x80, 0xFF}}},
     {}, {kWorkedAck}},
    {"groups of seven", WithCheckSum({0x02, 0x7F, 0x35, 0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0xAA, 0x88, 0x81}),
     {{2, 0x35, 0x7F, 0, 0x60, true, {0x01, 0x82, 0x03, 0x84, 0x05, 0x86, 0x07, 0x88}}}, {}, {kWorkedAck}},
    // Other kinds are delivered but never acknowledged.
    {"type 03", WithCheckSum({0x03, 0x7F, 0x35, 0x21, 0x41}), {{3, 0x35, 0x7F, 0, 1, false, {0x41}}}, {}, {}},
    {"ack", WithCheckSum({0x06, 0x7F, 0x35, 0x23}), {{6, 0x35, 0x7F, 0, 3, true, {}}}, {}, {}},
    {"type 10", WithCheckSum({0x10, 0x7F, 0x35, 0x23, 0x41}), {{0x10, 0x35, 0x7F, 0, 3, false, {0x41}}}, {}, {}},
    // A start byte inside a telegram is data.
    {"start byte as data", WithCheckSum({0x02, 0x7F, 0x35, 0x21, 0x02, 0x03}),
     {{2, 0x35, 0x7F, 0, 1, false, {0x02, 0x03}}}, {}, {kWorkedAck}},
    {"two telegrams in one chunk", Concat({kWorkedFrame, {0x00}, kWorkedFrame}),
     {{2, 0x35, 0x7F, 0, 1, false, {0x41, 0x42}}, {2, 0x35, 0x7F, 0, 1, false, {0x41, 0x42}}}, {},
     {kWorkedAck, WithCheckSum({0x06, 0x35, 0x7F, 0x22})}},
    {"unfinished telegram waits", {0x02, 0x7F, 0x35, 0x21, 0x41}, {}, {}, {}},
};

void ExpectTelegrams(const RecordingPort& port, const std::vector<Expected>& expected)
{
    ASSERT_EQ(port.telegrams.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const TTelegramData& t = port.telegrams[i];
        const Expected& e = expected[i];
        SCOPED_TRACE("telegram " + std::to_string(i));
        EXPECT_EQ(uint32_t(t.Received), 0u);
        EXPECT_EQ(uint32_t(t.Command), e.command);
        EXPECT_EQ(t.SourceAdr, e.source);
        EXPECT_EQ(t.DestAdr, e.dest);
        EXPECT_EQ(t.NakCode, e.nakCode);
        EXPECT_EQ(t.Sequence, e.sequence);
        EXPECT_EQ(t.Encoded, e.encoded);
        EXPECT_EQ(Hex(BytesOf(t.Data)), Hex(e.data));
    }
}

class ReceiveKtxTest : public ::testing::TestWithParam<KtxCase> {};

TEST_P(ReceiveKtxTest, DeliversReportsAndAnswers)
{
    const KtxCase& c = GetParam();
    // Whole, and one byte at a time: chunk boundaries do not matter in KTX.
    for (bool bytewise : {false, true}) {
        SCOPED_TRACE(bytewise ? "byte by byte" : "one chunk");
        RecordingPort port;
        TelegramFramer framer(port);
        if (bytewise) {
            for (uint8_t b : c.in)
                framer.Receive(&b, 1);
        } else {
            framer.Receive(c.in.data(), static_cast<int>(c.in.size()));
        }
        ExpectTelegrams(port, c.telegrams);
        EXPECT_EQ(port.reports, c.reports);
        ASSERT_EQ(port.replies.size(), c.replies.size());
        for (size_t i = 0; i < c.replies.size(); ++i)
            EXPECT_EQ(Hex(port.replies[i]), Hex(c.replies[i]));
        EXPECT_EQ(framer.Idle(), !c.telegrams.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, ReceiveKtxTest, ::testing::ValuesIn(kKtxCases), CaseName());

TEST(ReceiveKtx, WithoutHandlerNothingIsDeliveredOrAnsweredButTheLastTelegramIsKept)
{
    RecordingPort port;
    port.handlerAssigned = false;
    TelegramFramer framer(port);
    EXPECT_EQ(uint32_t(framer.LastTelegram().Received), 0u);
    framer.Receive(kWorkedFrame.data(), static_cast<int>(kWorkedFrame.size()));
    EXPECT_TRUE(port.telegrams.empty());
    EXPECT_TRUE(port.replies.empty());
    const TTelegramData last = framer.LastTelegram();
    EXPECT_EQ(uint32_t(last.Received), 1u);
    EXPECT_EQ(uint32_t(last.Command), 2u);
    EXPECT_EQ(Hex(BytesOf(last.Data)), "41 42");
    EXPECT_EQ(framer.ExchangeReceived(0), 1u);
    EXPECT_EQ(uint32_t(framer.LastTelegram().Received), 0u);
    // Without acknowledgements the sequence character never moves.
    EXPECT_EQ(framer.SequenceChar(), 0x20);
}

TEST(ReceiveKtx, TheReplyAddressFollowsTheLastAcceptedTelegramOnly)
{
    RecordingPort port;
    TelegramFramer framer(port);
    framer.Receive(WithCheckSum({0x03, 0x7F, 0xB5, 0x09, 0x21}).data(), 7);
    EXPECT_EQ(framer.ReplyAdr(), 0xB5);
    EXPECT_EQ(framer.ReplySubAdr(), 0x09);
    const Bytes elsewhere = WithCheckSum({0x02, 0x10, 0x36, 0x21});
    framer.Receive(elsewhere.data(), static_cast<int>(elsewhere.size()));
    EXPECT_EQ(framer.ReplyAdr(), 0xB5);
    EXPECT_EQ(framer.ReplySubAdr(), 0x09);
}

TEST(ReceiveKtx, SequenceCountsUpToSeventyFAndStaysThere)
{
    RecordingPort port;
    TelegramFramer framer(port);
    for (int i = 1; i <= 96; ++i)
        framer.Receive(kWorkedFrame.data(), static_cast<int>(kWorkedFrame.size()));
    ASSERT_EQ(port.replies.size(), 96u);
    EXPECT_EQ(port.replies[0][3], 0x21);
    EXPECT_EQ(port.replies[93][3], 0x7E);
    EXPECT_EQ(port.replies[94][3], 0x7F);  // the 95th
    EXPECT_EQ(port.replies[95][3], 0x7F);
    EXPECT_EQ(Hex(port.replies[95]), Hex(WithCheckSum({0x06, 0x35, 0x7F, 0x7F})));
}

TEST(ReceiveKtx, TheResponseSteersTheAcknowledgement)
{
    struct Case {
        const char* name;
        Bytes response;
        Bytes secondAck;  // the first ack (empty response) carries 0x21
    };
    const Case cases[] = {
        // A first byte 0x20 resets the character; it does not go on the wire.
        {"reset", {0x20}, WithCheckSum({0x06, 0x35, 0x7F, 0x20})},
        {"reset with payload", {0x20, 0x41}, WithCheckSum({0x06, 0x35, 0x7F, 0x20, 0x41})},
        {"plain payload", {0x30, 0x41, 0xC2}, WithCheckSum({0x06, 0x35, 0x7F, 0x22, 0x41, 0xC2})},
        // A first byte with bit 7 sends the rest in 7-bit groups.
        {"grouped payload", {0x80, 0x41, 0xC2}, WithCheckSum({0x06, 0x35, 0x7F, 0x22, 0xC1, 0xC2, 0x81})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPort port;
        TelegramFramer framer(port);
        framer.Receive(kWorkedFrame.data(), static_cast<int>(kWorkedFrame.size()));
        port.respond = [&](const TTelegramData&, TBuffer& response) {
            // The handler sees an empty buffer.
            EXPECT_EQ(response.Count(), 0);
            response = Buf(c.response);
        };
        framer.Receive(kWorkedFrame.data(), static_cast<int>(kWorkedFrame.size()));
        ASSERT_EQ(port.replies.size(), 2u);
        EXPECT_EQ(Hex(port.replies[0]), Hex(kWorkedAck));
        EXPECT_EQ(Hex(port.replies[1]), Hex(c.secondAck));
    }
}

TEST(ReceiveKtx, AnOverlongTelegramIsCutAtTwoHundredFiftyFiveBytesAndTheEndByteStillClosesIt)
{
    RecordingPort port;
    TelegramFramer framer(port);
    Bytes in{0x02, 0x7F, 0x35, 0x21};
    in.resize(400, 0x41);
    in.push_back(0x04);
    in.insert(in.end(), kWorkedFrame.begin(), kWorkedFrame.end());
    framer.Receive(in.data(), static_cast<int>(in.size()));
    ASSERT_EQ(port.telegrams.size(), 2u);
    EXPECT_EQ(port.reports, std::vector<TErrMsg>{emBadCheckSum});
    EXPECT_EQ(Hex(BytesOf(port.telegrams[1].Data)), "41 42");
}

// ---------------------------------------------------------------------------------------
// Receiving raw

struct RawCase {
    const char* name;
    uint8_t endOfLine;
    std::vector<Bytes> chunks;
    std::vector<Bytes> units;
};

const RawCase kRawCases[] = {
    {"chunk is a unit", 0, {{0x41, 0x42, 0x0D, 0x0A}}, {{0x41, 0x42, 0x0D, 0x0A}}},
    {"each chunk is a unit, mid-line too", 0, {{0x41, 0x42}, {0x43, 0x0D}}, {{0x41, 0x42}, {0x43, 0x0D}}},
    {"zero bytes are data", 0, {{0x00, 0x41, 0x00}}, {{0x00, 0x41, 0x00}}},
    {"line by line", 0x0D, {{0x41, 0x42, 0x0D, 0x43, 0x44}}, {{0x41, 0x42, 0x0D}}},
    {"unfinished line waits for later chunks", 0x0D, {{0x41, 0x42, 0x0D, 0x43, 0x44}, {0x45}, {0x0D, 0x46}},
     {{0x41, 0x42, 0x0D}, {0x43, 0x44, 0x45, 0x0D}}},
    {"lines in one chunk", 0x0A, {{0x31, 0x0A, 0x0A, 0x32, 0x0A}}, {{0x31, 0x0A}, {0x0A}, {0x32, 0x0A}}},
};

class ReceiveRawTest : public ::testing::TestWithParam<RawCase> {};

TEST_P(ReceiveRawTest, DeliversUnits)
{
    const RawCase& c = GetParam();
    RecordingPort port;
    TelegramFramer framer(port);
    framer.Settings().ProtocolTyp = ptRAW;
    framer.Settings().EndOfLineChar = c.endOfLine;
    for (const Bytes& chunk : c.chunks)
        framer.Receive(chunk.data(), static_cast<int>(chunk.size()));
    ASSERT_EQ(port.telegrams.size(), c.units.size());
    for (size_t i = 0; i < c.units.size(); ++i) {
        const TTelegramData& t = port.telegrams[i];
        EXPECT_EQ(Hex(BytesOf(t.Data)), Hex(c.units[i]));
        EXPECT_EQ(uint32_t(t.Command), 2u);
        EXPECT_EQ(uint32_t(t.SourceAdr | t.DestAdr | t.NakCode | t.Sequence | t.Encoded | t.Received), 0u);
    }
    EXPECT_TRUE(port.reports.empty());
    EXPECT_TRUE(port.replies.empty());
}

INSTANTIATE_TEST_SUITE_P(Units, ReceiveRawTest, ::testing::ValuesIn(kRawCases), CaseName());

TEST(ReceiveRaw, AFilledResponseGoesBackUnchangedAnEmptyOneNot)
{
    RecordingPort port;
    TelegramFramer framer(port);
    framer.Settings().ProtocolTyp = ptRAW;
    framer.Settings().EndOfLineChar = 0;
    int calls = 0;
    port.respond = [&](const TTelegramData&, TBuffer& response) {
        EXPECT_EQ(response.Count(), 0);
        if (++calls == 2)
            response = Buf({0x05});
    };
    const Bytes chunk{0x41};
    framer.Receive(chunk.data(), 1);
    EXPECT_TRUE(port.replies.empty());
    framer.Receive(chunk.data(), 1);
    ASSERT_EQ(port.replies.size(), 1u);
    EXPECT_EQ(Hex(port.replies[0]), "05");
}

// A unit stops at 255 bytes and the next bytes start a new one: a burst or a long line
// arrives whole and in order.
TEST(ReceiveRaw, LongBurstsAndLinesArriveWholeAndInOrder)
{
    struct Case {
        const char* name;
        uint8_t endOfLine;
        std::vector<int> chunkSizes;
        std::vector<int> unitSizes;
    };
    const Case cases[] = {
        {"1000-byte chunk", 0, {1000}, {255, 255, 255, 235}},
        {"exactly 255", 0, {255}, {255}},
        {"256", 0, {256}, {255, 1}},
        {"bursts split by the transport", 0, {300, 700}, {255, 45, 255, 255, 190}},
        {"long line", 0x0D, {600}, {255, 255}},  // the last 90 bytes wait for the end of line
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingPort port;
        TelegramFramer framer(port);
        framer.Settings().ProtocolTyp = ptRAW;
        framer.Settings().EndOfLineChar = c.endOfLine;
        Bytes sent;
        for (int size : c.chunkSizes) {
            // Every byte value but the end of line, in a pattern that shows any reordering.
            Bytes chunk;
            while (chunk.size() < static_cast<size_t>(size)) {
                const auto b = static_cast<uint8_t>((sent.size() + chunk.size()) * 37 % 256);
                chunk.push_back(b == 0x0D ? 0x0E : b);
            }
            sent.insert(sent.end(), chunk.begin(), chunk.end());
            framer.Receive(chunk.data(), size);
        }
        std::vector<int> sizes;
        Bytes received;
        for (const TTelegramData& t : port.telegrams) {
            sizes.push_back(t.Data.Count());
            received.insert(received.end(), t.Data.Data(), t.Data.Data() + t.Data.Count());
        }
        EXPECT_EQ(sizes, c.unitSizes);
        const size_t total = static_cast<size_t>(std::accumulate(c.unitSizes.begin(), c.unitSizes.end(), 0));
        EXPECT_EQ(received, Bytes(sent.begin(), sent.begin() + static_cast<long>(total)));
    }
}

TEST(Receive, EmptyChunksAndUnknownProtocolsAreIgnored)
{
    RecordingPort port;
    TelegramFramer framer(port);
    framer.Receive(kWorkedFrame.data(), 0);
    framer.Receive(kWorkedFrame.data(), -3);
    framer.Receive(nullptr, 5);
    framer.Settings().ProtocolTyp = static_cast<TProtocolTyp>(2);
    framer.Receive(kWorkedFrame.data(), static_cast<int>(kWorkedFrame.size()));
    EXPECT_TRUE(framer.Idle());
    EXPECT_TRUE(port.telegrams.empty());
    EXPECT_EQ(uint32_t(framer.LastTelegram().Received), 0u);
}

// ---------------------------------------------------------------------------------------
// Parsing frames handed in directly

TEST(ParseTelegram, RefusesWhatIsNotAFrame)
{
    struct Case {
        Bytes frame;
        TErrMsg result;
    };
    const Case cases[] = {
        {{0x41, 0x7F, 0x35, 0x21, 0xF6, 0x04}, emUnknownCommand},
        {{}, emUnknownCommand},
        {{0x02}, emWrongAddress},
        {{0x02, 0x7F}, emBadCheckSum},  // too short to carry a checksum
    };
    for (const Case& c : cases) {
        RecordingPort port;
        TelegramFramer framer(port);
        TTelegramData t;
        t.Command = 9;
        EXPECT_EQ(framer.ParseTelegram(Buf(c.frame), t), c.result) << Hex(c.frame);
        EXPECT_EQ(port.reports, std::vector<TErrMsg>{c.result});
        if (c.result == emUnknownCommand) {
            EXPECT_EQ(uint32_t(t.Command), 0u);
        }
    }
}

} // namespace
