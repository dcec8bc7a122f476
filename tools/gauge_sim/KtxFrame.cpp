#include "tools/gauge_sim/KtxFrame.h"

#include <cstdio>

namespace dabrix::tools {

bool ktx::IsStartByte(std::uint8_t b)
{
    return b == Data || b == Data3 || b == Ack || b == Nak || b == Reply10;
}

std::uint8_t KtxChecksum(std::span<const std::uint8_t> bytes)
{
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    return static_cast<std::uint8_t>((sum & 0xFF) | 0x80);
}

Bytes EncodeKtxGroups(std::span<const std::uint8_t> payload)
{
    Bytes out;
    unsigned group = 0;
    for (size_t i = 0; i < payload.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(payload[i] | 0x80));
        group = (group << 1) | (payload[i] >> 7);
        if ((i + 1) % 7 == 0 || i + 1 == payload.size()) {
            out.push_back(static_cast<std::uint8_t>(group | 0x80));
            group = 0;
        }
    }
    return out;
}

Bytes DecodeKtxGroups(std::span<const std::uint8_t> encoded)
{
    // q runs over the encoded bytes; the byte after the 7th of a group, or the last byte,
    // is the group's bit byte.
    Bytes out;
    size_t groupSize = 0;
    const size_t last = encoded.empty() ? 0 : encoded.size() - 1;
    size_t q = 0;
    while (q < encoded.size()) {
        out.push_back(encoded[q] & 0x7F);
        ++groupSize;
        ++q;
        if (q <= last && (groupSize == 7 || q == last)) {
            const std::uint8_t bits = encoded[q] & 0x7F;
            for (size_t k = 0; k < groupSize; ++k)
                if (bits & (1u << k))
                    out[out.size() - 1 - k] |= 0x80;
            ++q;
            groupSize = 0;
        }
    }
    return out;
}

Bytes BuildKtxFrame(std::uint8_t start, std::span<const std::uint8_t> addresses, std::uint8_t control,
                    std::span<const std::uint8_t> payload, bool encode)
{
    Bytes frame{start};
    frame.insert(frame.end(), addresses.begin(), addresses.end());
    frame.push_back(control);
    if (encode) {
        const Bytes groups = EncodeKtxGroups(payload);
        frame.insert(frame.end(), groups.begin(), groups.end());
    } else {
        frame.insert(frame.end(), payload.begin(), payload.end());
    }
    frame.push_back(KtxChecksum(frame));
    frame.push_back(ktx::End);
    return frame;
}

std::optional<KtxFrameInfo> ParseKtxFrame(std::span<const std::uint8_t> frame)
{
    // start, dest, source, control, checksum, end at the least
    if (frame.size() < 6)
        return std::nullopt;
    KtxFrameInfo info;
    info.start = frame[0];
    info.dest = frame[1];
    size_t p = 2;
    if (info.dest >= 0x80 && info.dest <= 0xFE) {
        info.subAdr = frame[p++];
    }
    if (frame.size() < p + 4)
        return std::nullopt;
    info.source = frame[p++];
    info.control = frame[p++];
    const size_t checksumAt = frame.size() - 2;
    info.checksumOk = KtxChecksum(frame.first(checksumAt)) == frame[checksumAt];
    const auto payload = frame.subspan(p, checksumAt - p);
    info.encoded = !payload.empty() && (payload[0] & 0x80);
    info.payload = info.encoded ? DecodeKtxGroups(payload) : Bytes(payload.begin(), payload.end());
    return info;
}

std::string HexBytes(std::span<const std::uint8_t> bytes)
{
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        if (!out.empty())
            out += ' ';
        out += buf;
    }
    return out;
}

} // namespace dabrix::tools
