#pragma once
// Helpers for the protocol tests: byte strings, TBuffers and a port that records what a
// framer reports, delivers and sends.
#include "comm/KTXTelegram.h"

#include <cctype>
#include <functional>
#include <string>
#include <vector>

namespace dabrix::comm::test {

using Bytes = std::vector<uint8_t>;

inline TBuffer Buf(const Bytes& bytes)
{
    TBuffer b;
    b.Assign(bytes.data(), bytes.size());
    return b;
}

inline Bytes BytesOf(const TBuffer& b) { return Bytes(b.Data(), b.Data() + b.Count()); }

// A frame's bytes followed by its checksum (sum modulo 256, bit 7 set) and the end byte.
inline Bytes WithCheckSum(Bytes frame, uint8_t endByte = 0x04)
{
    unsigned sum = 0;
    for (uint8_t b : frame)
        sum += b;
    frame.push_back(static_cast<uint8_t>(sum | 0x80));
    frame.push_back(endByte);
    return frame;
}

inline std::string Hex(const Bytes& bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string s;
    for (uint8_t b : bytes) {
        if (!s.empty())
            s += ' ';
        s += digits[b >> 4];
        s += digits[b & 15];
    }
    return s;
}

// Test name for a parameterised case with a `name` field.
struct CaseName {
    template <typename Info>
    std::string operator()(const Info& info) const
    {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    }
};

class RecordingPort : public TelegramPort {
public:
    void ReportError(TErrMsg ErrMsg) override { reports.push_back(ErrMsg); }
    bool HasTelegramHandler() const override { return handlerAssigned; }
    void DeliverTelegram(const TTelegramData& Telegram, TBuffer& Response) override
    {
        telegrams.push_back(Telegram);
        if (respond)
            respond(Telegram, Response);
    }
    void SendReply(const TBuffer& Frame) override { replies.push_back(BytesOf(Frame)); }

    bool handlerAssigned = true;
    std::function<void(const TTelegramData&, TBuffer&)> respond;
    std::vector<TErrMsg> reports;
    std::vector<TTelegramData> telegrams;
    std::vector<Bytes> replies;
};

} // namespace dabrix::comm::test
