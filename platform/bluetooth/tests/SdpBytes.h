#pragma once
// Byte-array helpers for the SDP tests: arrays are written out by hand, element by
// element, so a test shows exactly what a device would send.
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace dabrix::test {

using Bytes = std::vector<uint8_t>;

// Concatenates pieces: numbers are single bytes, strings their characters.
struct Piece {
    Piece(int byte) : bytes{static_cast<uint8_t>(byte)} {}
    Piece(const char* text) : bytes(text, text + std::char_traits<char>::length(text)) {}
    Piece(const Bytes& b) : bytes(b) {}
    Bytes bytes;
};

inline Bytes B(std::initializer_list<Piece> pieces)
{
    Bytes out;
    for (const Piece& p : pieces)
        out.insert(out.end(), p.bytes.begin(), p.bytes.end());
    return out;
}

} // namespace dabrix::test
