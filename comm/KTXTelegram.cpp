#include "comm/KTXTelegram.h"

#include <algorithm>
#include <cstring>

namespace dabrix::comm {

namespace {

constexpr int kMaxCount = 255;  // data bytes a TBuffer holds

// Appends to a KTX frame. A frame that has reached 255 bytes is cut there: every further
// byte replaces the 255th, so the end byte still closes it.
void AppendCut(TBuffer& buffer, const uint8_t* bytes, int length)
{
    const int count = buffer[0];
    const int taken = std::min(kMaxCount - count, length);
    std::memcpy(&buffer[count + 1], bytes, static_cast<size_t>(taken));
    buffer[0] = static_cast<uint8_t>(count + taken);
    if (taken < length)
        buffer[kMaxCount] = bytes[length - 1];
}

// The position of the first end byte in bytes[from..count), or count.
int FindEndByte(const uint8_t* bytes, int from, int count)
{
    while (from < count && !ktx::IsEndByte(bytes[from]))
        ++from;
    return from;
}

uint8_t CheckSum(const uint8_t* bytes, int length)
{
    unsigned sum = 0;
    for (int i = 0; i < length; ++i)
        sum += bytes[i];
    return static_cast<uint8_t>(sum | 0x80);
}

} // namespace

TErrMsg TelegramFramer::BuildTelegram(uint8_t Command, uint8_t Value, const TBuffer& Source, TBuffer& Frame)
{
    // Worst case: 5 header bytes, 254 payload bytes, 37 group bytes, checksum and end.
    uint8_t out[320];
    int n = 0;
    const int count = Source.Count();
    const uint8_t control = Source[1];
    uint8_t sequence = sequence_;

    switch (Command) {
    case ktx::DataTelegram:
    case ktx::Telegram03:
        out[n++] = Command;
        if (settings_.SubAdr != 0) {
            out[n++] = static_cast<uint8_t>(settings_.ReceiveAdr | 0x80);
            out[n++] = settings_.SubAdr;
        } else {
            out[n++] = settings_.ReceiveAdr;
        }
        out[n++] = settings_.TransmitAdr;
        out[n++] = control;
        break;
    case ktx::Ack:
    case ktx::Nak:
    case ktx::Telegram10:
        out[n++] = Command;
        out[n++] = replyAdr_;
        if (replySubAdr_ != 0)
            out[n++] = replySubAdr_;
        out[n++] = settings_.TransmitAdr;
        if (Command == ktx::Nak) {
            out[n++] = Value;
        } else {
            // An empty response advances the character like any other first byte; it
            // counts up to 0x7F and stays there.
            if (count >= 1 && control == ktx::SequenceReset)
                sequence = ktx::SequenceReset;
            else if (sequence >= 0x20 && sequence <= 0x7E)
                ++sequence;
            out[n++] = sequence;
        }
        break;
    default:
        Frame.Clear();
        port_.ReportError(emUnknownCommand);
        return emUnknownCommand;
    }

    if (count >= 2 && (control & 0x80) != 0) {
        // 7-bit groups: each byte goes out with bit 7 set; after every 7th byte and after
        // the last, a bit byte carries the original bit 7s, the last byte's in bit 0.
        unsigned group = 0;
        for (int pos = 2; pos <= count; ++pos) {
            const uint8_t b = Source[pos];
            out[n++] = static_cast<uint8_t>(b | 0x80);
            group = (group << 1) | (b >> 7);
            if ((pos - 1) % 7 == 0 || pos == count) {
                out[n++] = static_cast<uint8_t>(group | 0x80);
                group = 0;
            }
        }
    } else if (count >= 2) {
        std::memcpy(out + n, Source.Bytes.data() + 2, static_cast<size_t>(count - 1));
        n += count - 1;
    }

    // A long payload (above all one in 7-bit groups) can outgrow the 255 bytes of a
    // frame; it is refused whole rather than sent cut.
    if (n + 2 > kMaxCount) {
        Frame.Clear();
        port_.ReportError(emSendData);
        return emSendData;
    }
    out[n] = CheckSum(out, n);
    out[n + 1] = ktx::End;
    Frame.Assign(out, static_cast<size_t>(n + 2));
    // Only replies touch the receive state: a 0x02 telegram may be built on the owner
    // thread while a USB link's receive thread answers telegrams.
    if (Command == ktx::Ack || Command == ktx::Telegram10)
        sequence_ = sequence;
    return emNone;
}

// Frame F holds n bytes, F[1] the start byte and F[n] the end byte. Positions outside
// 1..255 read as 0, so a frame too short to hold a checksum fails the checksum test.
// What the record holds after a failure:
//   emUnknownCommand, emWrongAddress: nothing (all fields 0);
//   emBadCheckSum: Command, SourceAdr and DestAdr, no payload;
//   emNAK: those and NakCode.
TErrMsg TelegramFramer::ParseTelegram(const TBuffer& Frame, TTelegramData& Telegram)
{
    const auto F = [&Frame](int i) -> uint8_t { return i >= 1 && i <= kMaxCount ? Frame[i] : 0; };
    const int n = Frame.Count();
    Telegram = TTelegramData{};

    if (!ktx::IsStartByte(F(1))) {
        port_.ReportError(emUnknownCommand);
        return emUnknownCommand;
    }
    if (F(2) != ktx::Broadcast && F(2) != settings_.TransmitAdr) {
        port_.ReportError(emWrongAddress);
        return emWrongAddress;
    }
    Telegram.Command = F(1);
    Telegram.DestAdr = F(2);
    Telegram.SourceAdr = F(3);
    replyAdr_ = F(3);

    // A source byte in 0x80..0xFE announces a sub-address; 0xFF does not.
    int p = 5;
    if (F(3) >= 0x80 && F(3) <= 0xFE) {
        replySubAdr_ = F(4);
        p = 6;
    } else {
        replySubAdr_ = 0;
    }

    const int L = n - 2;  // last payload byte
    unsigned sum = 0;
    for (int i = 1; i <= L; ++i)
        sum += F(i);
    if (static_cast<uint8_t>(sum | 0x80) != F(L + 1)) {
        port_.ReportError(emBadCheckSum);
        return emBadCheckSum;
    }

    if (Telegram.Command == ktx::Nak) {
        Telegram.NakCode = static_cast<uint8_t>(F(p - 1) - 0x20);
        return emNAK;
    }
    Telegram.Sequence = static_cast<uint8_t>(F(p - 1) - 0x20);
    Telegram.Encoded = (F(p) & 0x80) != 0;

    TBuffer& data = Telegram.Data;
    if (Telegram.Encoded) {
        int count = 0;
        int groupSize = 0;
        int q = p;
        while (q <= L) {
            data[++count] = F(q) & 0x7F;
            ++groupSize;
            ++q;
            if (groupSize == 7 || q == L) {
                const uint8_t bits = F(q) & 0x7F;
                for (int k = 0; k < groupSize; ++k) {
                    if (bits & (1u << k))
                        data[count - k] |= 0x80;
                }
                ++q;
                groupSize = 0;
            }
        }
        data[0] = static_cast<uint8_t>(count);
    } else if (L >= p) {
        data.Assign(Frame.Bytes.data() + p, static_cast<size_t>(L - p + 1));
    }
    return emNone;
}

void TelegramFramer::Receive(const uint8_t* Bytes, int Count)
{
    if (Count <= 0 || Bytes == nullptr)
        return;
    switch (settings_.ProtocolTyp) {
    case ptKTX:
        ReceiveKTX(Bytes, Count);
        break;
    case ptRAW:
        ReceiveRAW(Bytes, Count);
        break;
    }
    // Any other protocol value: the bytes are ignored.
}

void TelegramFramer::ReceiveKTX(const uint8_t* bytes, int count)
{
    int i = 0;
    while (i < count) {
        if (Idle()) {
            // Bytes between telegrams are dropped.
            while (i < count && !ktx::IsStartByte(bytes[i]))
                ++i;
            if (i == count)
                return;
            working_ = TTelegramData{};
            working_.Command = bytes[i];
        }
        // A start byte inside a telegram is data; only an end byte closes it.
        const int end = FindEndByte(bytes, i, count);
        const int runEnd = end < count ? end + 1 : count;
        AppendCut(working_.Data, bytes + i, runEnd - i);
        i = runEnd;
        if (end < count)
            CompleteKTX();
    }
}

void TelegramFramer::CompleteKTX()
{
    TTelegramData telegram;
    const TErrMsg parsed = ParseTelegram(working_.Data, telegram);
    StoreLast(telegram);
    // The handler gets the working buffer, emptied, as its response; the frame's bytes
    // stay behind the count.
    working_.Data[0] = 0;
    if (port_.HasTelegramHandler()) {
        port_.DeliverTelegram(telegram, working_.Data);
        // Only a telegram that arrived whole is acknowledged. One with a wrong checksum
        // lost its payload here; an acknowledgement would tell the gauge it was received,
        // so it would never send it again.
        if (telegram.Command == ktx::DataTelegram && parsed == emNone) {
            TBuffer ack;
            if (BuildTelegram(ktx::Ack, 0, working_.Data, ack) == emNone)
                port_.SendReply(ack);
        }
    }
    working_.Command = 0;
}

// Raw units end at the end-of-line character, or with EndOfLineChar 0 at the end of
// each chunk. A unit that reaches 255 bytes is delivered at once and the next bytes
// start a new one, so a long line or burst arrives whole and in order, in pieces.
void TelegramFramer::ReceiveRAW(const uint8_t* bytes, int count)
{
    const uint8_t eol = settings_.EndOfLineChar;
    int i = 0;
    while (i < count) {
        if (Idle()) {
            working_ = TTelegramData{};
            working_.Command = ktx::DataTelegram;
        }
        TBuffer& data = working_.Data;
        const int stored = data[0];
        const int span = std::min(kMaxCount - stored, count - i);
        int taken = span;
        bool complete = false;
        if (eol != 0) {
            if (const void* at = std::memchr(bytes + i, eol, static_cast<size_t>(span))) {
                taken = static_cast<int>(static_cast<const uint8_t*>(at) - (bytes + i)) + 1;
                complete = true;
            }
        } else {
            complete = i + taken == count;
        }
        std::memcpy(&data[stored + 1], bytes + i, static_cast<size_t>(taken));
        data[0] = static_cast<uint8_t>(stored + taken);
        i += taken;
        if (complete || data[0] == kMaxCount)
            CompleteRAW();
    }
}

void TelegramFramer::CompleteRAW()
{
    StoreLast(working_);
    if (port_.HasTelegramHandler()) {
        TBuffer response;
        port_.DeliverTelegram(working_, response);
        if (response.Count() > 0)
            port_.SendReply(response);
    }
    working_.Command = 0;
}

void TelegramFramer::StoreLast(const TTelegramData& telegram)
{
    last_ = telegram;
    lastReceived_.exchange(1);
}

TTelegramData TelegramFramer::LastTelegram() const
{
    TTelegramData copy = last_;
    copy.Received = lastReceived_.load();
    return copy;
}

} // namespace dabrix::comm
