#pragma once
// Invariants the fuzz targets check; a violation aborts so libFuzzer keeps the input.
#include "manager/KTXComm2Types.h"

#include <cstdio>
#include <cstdlib>

namespace dabrix::fuzz {

[[noreturn]] inline void Fail(const char* what)
{
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what)
{
    if (!condition)
        Fail(what);
}

// A frame we send: at least start, address, source, control, checksum and end; the
// checksum is the sum of everything before it with bit 7 set; it ends in 0x04.
inline void CheckBuiltFrame(const TBuffer& frame)
{
    const int n = frame.Count();
    Check(n >= 6, "built frame too short");
    unsigned sum = 0;
    for (int i = 1; i <= n - 2; ++i)
        sum += frame[i];
    Check(frame[n - 1] == static_cast<uint8_t>(sum | 0x80), "built frame checksum");
    Check(frame[n] == 0x04, "built frame end byte");
}

} // namespace dabrix::fuzz
