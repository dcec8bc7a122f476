#pragma once
// KTX telegrams as a gauge sees them: building the frames it sends, reading the frames the
// program sends back (acknowledgements, data telegrams).
//
// Frame: start byte, address bytes, control byte, payload (raw or in 7-bit groups),
// checksum (sum of all bytes before it, modulo 256, with bit 7 set), end byte 0x04.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace dabrix::tools {

using Bytes = std::vector<std::uint8_t>;

namespace ktx {
constexpr std::uint8_t Data = 0x02;
constexpr std::uint8_t Data3 = 0x03;
constexpr std::uint8_t Ack = 0x06;
constexpr std::uint8_t Nak = 0x0F;
constexpr std::uint8_t Reply10 = 0x10;
constexpr std::uint8_t End = 0x04;
constexpr std::uint8_t Enq = 0x05;
constexpr std::uint8_t Broadcast = 0xFF;

bool IsStartByte(std::uint8_t b);
} // namespace ktx

// The sum of `bytes` modulo 256 with bit 7 set.
std::uint8_t KtxChecksum(std::span<const std::uint8_t> bytes);

// Payload bytes in 7-bit groups: each byte with bit 7 set, and after every 7th byte and
// after the last one a bit byte (bit 7 set) whose bit 0 holds the former bit 7 of the
// group's last byte, bit 1 that of the byte before it, and so on.
Bytes EncodeKtxGroups(std::span<const std::uint8_t> payload);
// The reverse, read the way the program's receiver reads it.
Bytes DecodeKtxGroups(std::span<const std::uint8_t> encoded);

// start, address bytes, control, payload (encoded when `encode`), checksum, 0x04.
Bytes BuildKtxFrame(std::uint8_t start, std::span<const std::uint8_t> addresses, std::uint8_t control,
                    std::span<const std::uint8_t> payload, bool encode);

// A frame received by the gauge. The sub-address follows the gauge's own address byte,
// which comes first in frames for the gauge and has bit 7 set when a sub-address follows.
struct KtxFrameInfo {
    std::uint8_t start = 0;
    std::uint8_t dest = 0;      // first address byte, as received (bit 7 included)
    std::uint8_t subAdr = 0;    // 0 when none follows
    std::uint8_t source = 0;
    std::uint8_t control = 0;
    bool encoded = false;       // the first payload byte had bit 7 set
    Bytes payload;              // decoded
    bool checksumOk = false;
};

// Nothing when the frame is too short to hold start, addresses, control, checksum and end.
std::optional<KtxFrameInfo> ParseKtxFrame(std::span<const std::uint8_t> frame);

std::string HexBytes(std::span<const std::uint8_t> bytes);

} // namespace dabrix::tools
