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
    bool flood = false;              // items back to back, as fast as the port takes them
                                     // (instead of one every intervalMs)
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
    // Telegrams spoiled on purpose, to see that the program does not take them as good:
    // every Nth telegram goes out with a wrong checksum, every Mth to an address other
    // than the program's (0: none). An acknowledgement for such a telegram is counted
    // against the program; none coming is what should happen.
    int badChecksumEvery = 0;
    int wrongAddressEvery = 0;
    // An infrared gauge in the air of the emulated infrared layer instead of a COM port:
    // the folder (empty: $DABRIX_IRDA_DIR), the device id (none: a random unused one,
    // in address order: 0x1A2B3C4D is "(1A:2B:3C:4D)") and the nickname it shows.
    bool irda = false;
    // The gauge connects as the client to the computer's "IrDA:IrCOMM" service (the
    // first participant in the air that takes it) instead of offering that service.
    bool irdaClient = false;
    std::string irdaDir;
    std::optional<std::uint32_t> irdaId;
    std::string irdaName = "Lakmo 3";
    // A Bluetooth gauge on the simulated Bluetooth stack instead: the stack's folder
    // (empty: $DABRIX_BT_SIM), its address (12 hex digits), name, class of device, the
    // RFCOMM channel of its serial-port service, how many reads of its device file find
    // an empty name first, and after how many items it drops the link once (0: never;
    // the device stays in range and takes the next connection).
    bool bluetooth = false;
    std::string btDir;
    std::uint64_t btAddress = 0x0011223344AAULL;
    std::string btName = "Gauge_2600";
    std::uint32_t btClass = 0x001F00;
    int btChannel = 1;
    int btEmptyNames = 0;
    int btDropAfter = 0;
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
// What spoils telegram number `index` (1-based) by the options above.
struct KtxSpoil {
    bool checksum = false;
    bool address = false;
    bool Any() const { return checksum || address; }
};
KtxSpoil KtxSpoilOf(const SimOptions& options, long long index);
// The data telegram for `payload`, spoiled as said: to OtherProgramAddress(), and/or with
// bit 0 of its checksum flipped (bit 7 stays set, so it is still no end byte).
Bytes KtxSpoiledTelegram(const SimOptions& options, std::uint8_t sequence, const Bytes& payload, KtxSpoil spoil);
// An address that is neither the program's, the gauge's nor the broadcast address.
std::uint8_t OtherProgramAddress(const SimOptions& options);
// A generated reading, e.g. "   12.5 um #1" (without the line end).
std::string GeneratedReading(long long index);

} // namespace dabrix::tools
