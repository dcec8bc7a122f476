#pragma once
// Command-line options of the gauge simulator.
#include "tools/gauge_sim/KtxFrame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dabrix::tools {

enum class SimSource {
    None,      // a silent gauge (prompt or echo only)
    Lines,     // text lines from a file
    Generate,  // made-up readings with a counter
    Ktx,       // KTX data telegrams whose payloads come from a file
};

struct SimOptions {
    std::string configFolder;        // empty: the program's configuration folder
    SimSource source = SimSource::None;
    std::vector<Bytes> items;        // lines or payloads read from the file, escapes decoded
    int intervalMs = 1000;
    std::optional<long long> count;  // how many items to send; none: each file line once,
                                     // generated readings without end
    bool onEnq = false;              // one item per received ENQ instead of the timer
    bool prompt = false;             // answer an ENQ with "\r\n> " when nothing is pending
    bool echo = false;
    bool crlf = true;                // CR LF after each line
    int baud = 9600;
    bool pace = false;               // send no faster than the rate allows
    std::string logFile;             // empty: stderr
    bool verbose = false;            // log what is sent as well
    bool stay = false;               // keep running after the last item, until a signal
    int lingerMs = 500;              // after the last item, before ending
    // KTX addresses. The gauge's address (the program's ReceiveAdr), its sub-address
    // (0: none) and the program's own address (its TransmitAdr).
    std::uint8_t gaugeAdr = 0x35;
    std::uint8_t subAdr = 0;
    std::uint8_t programAdr = 0x7F;
    bool encode = false;             // always 7-bit groups (payloads with bytes >= 0x80 are
                                     // sent that way anyway)
    int ackTimeoutMs = 1000;
};

struct SimOptionsResult {
    std::optional<SimOptions> options;  // set when the simulator should run
    bool help = false;
    std::string error;                  // set when the command line is wrong
};

SimOptionsResult ParseSimOptions(const std::vector<std::string>& args);
std::string SimUsage();

// The bytes of one file line: \r \n \t \\ \0 and \xHH stand for those bytes.
std::optional<Bytes> DecodeEscapes(const std::string& text);
// The gauge's data telegram for `payload` with the control byte `sequence` (0x21 ...).
Bytes KtxDataTelegram(const SimOptions& options, std::uint8_t sequence, const Bytes& payload);
// A generated reading, e.g. "   12.5 um #1" (without the line end).
std::string GeneratedReading(long long index);

} // namespace dabrix::tools
