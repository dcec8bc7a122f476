#include "tools/gauge_sim/SimOptions.h"

#include <charconv>
#include <cstdio>
#include <fstream>

namespace dabrix::tools {

namespace {

template <typename T>
std::optional<T> ParseNumber(const std::string& text, int base = 10)
{
    std::string_view s = text;
    if (base == 16 && (s.starts_with("0x") || s.starts_with("0X")))
        s.remove_prefix(2);
    T value{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return value;
}

std::optional<std::uint8_t> ParseAddress(const std::string& text)
{
    const auto value = ParseNumber<unsigned>(text, 16);
    if (!value || *value > 0xFF)
        return std::nullopt;
    return static_cast<std::uint8_t>(*value);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool IsPtyRate(int baud)
{
    switch (baud) {
    case 50: case 75: case 110: case 134: case 150: case 200: case 300: case 600: case 1200:
    case 1800: case 2400: case 4800: case 9600: case 19200: case 38400: case 57600:
    case 115200: case 230400: case 460800: case 921600:
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<Bytes> DecodeEscapes(const std::string& text)
{
    Bytes out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            out.push_back(static_cast<std::uint8_t>(c));
            continue;
        }
        if (++i >= text.size())
            return std::nullopt;
        switch (text[i]) {
        case 'r': out.push_back('\r'); break;
        case 'n': out.push_back('\n'); break;
        case 't': out.push_back('\t'); break;
        case '0': out.push_back(0); break;
        case '\\': out.push_back('\\'); break;
        case 'x': {
            const int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            const int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (hi < 0 || lo < 0)
                return std::nullopt;
            out.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

Bytes KtxDataTelegram(const SimOptions& o, std::uint8_t sequence, const Bytes& payload)
{
    bool encode = o.encode;
    for (std::uint8_t b : payload)
        encode = encode || b >= 0x80;
    // destination: the program; source: the gauge, bit 7 set when its sub-address follows
    Bytes addresses{o.programAdr};
    if (o.subAdr != 0) {
        addresses.push_back(static_cast<std::uint8_t>(o.gaugeAdr | 0x80));
        addresses.push_back(o.subAdr);
    } else {
        addresses.push_back(o.gaugeAdr);
    }
    // Bit 7 of the control byte announces 7-bit groups, as the program does it.
    const std::uint8_t control = encode ? static_cast<std::uint8_t>(sequence | 0x80) : sequence;
    return BuildKtxFrame(ktx::Data, addresses, control, payload, encode);
}

KtxSpoil KtxSpoilOf(const SimOptions& o, long long index)
{
    KtxSpoil spoil;
    spoil.checksum = o.badChecksumEvery > 0 && index % o.badChecksumEvery == 0;
    spoil.address = o.wrongAddressEvery > 0 && index % o.wrongAddressEvery == 0;
    return spoil;
}

std::uint8_t OtherProgramAddress(const SimOptions& o)
{
    for (std::uint8_t flip : {0x01, 0x02, 0x04}) {
        const auto other = static_cast<std::uint8_t>(o.programAdr ^ flip);
        if (other != ktx::Broadcast && other != o.gaugeAdr)
            return other;
    }
    return static_cast<std::uint8_t>(o.programAdr ^ 0x08);
}

Bytes KtxSpoiledTelegram(const SimOptions& o, std::uint8_t sequence, const Bytes& payload, KtxSpoil spoil)
{
    SimOptions addressed = o;
    if (spoil.address)
        addressed.programAdr = OtherProgramAddress(o);
    Bytes frame = KtxDataTelegram(addressed, sequence, payload);
    if (spoil.checksum)
        frame[frame.size() - 2] ^= 0x01;
    return frame;
}

std::string GeneratedReading(long long index)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%7.1f um #%lld", 12.5 + static_cast<double>(index % 100) / 10.0,
                  index + 1);
    return buf;
}

std::string SimUsage()
{
    return "Usage: dabrix-gauge-sim [options]\n"
           "Plays a measuring gauge on a pseudo-terminal registered as a COM port in\n"
           "ComPorts.ini (or, with --irda, an infrared gauge). Prints the port (\"COM5\")\n"
           "on the first line of its output.\n"
           "\n"
           "What the gauge sends (at most one of):\n"
           "  --lines FILE        text lines of FILE, each followed by CR LF\n"
           "  --generate          readings such as \"   12.5 um #1\" with a counter\n"
           "  --ktx FILE          KTX data telegrams, one per line of FILE as payload;\n"
           "                      each acknowledgement is checked and logged\n"
           "  In FILE, \\r \\n \\t \\\\ \\0 and \\xHH stand for those bytes.\n"
           "\n"
           "When it sends:\n"
           "  --interval MS       one item every MS milliseconds (default 1000) while the\n"
           "                      port is open\n"
           "  --on-enq            one item per ENQ (0x05) received instead\n"
           "  --flood             items back to back, as fast as the port takes them\n"
           "  --count N           send N items (file lines repeat); default: each file\n"
           "                      line once, generated readings without end\n"
           "  --prompt            answer an ENQ with \"\\r\\n> \" when no item is pending\n"
           "  --echo              send every received byte back\n"
           "  --no-crlf           do not add CR LF to lines\n"
           "  --stay              keep running after the last item, until a signal\n"
           "  --linger MS         after the last item, wait MS before ending (default 500)\n"
           "\n"
           "Line:\n"
           "  --baud N            rate set on the pseudo-terminal (default 9600)\n"
           "  --pace              send no faster than N baud allows (8N1)\n"
           "\n"
           "KTX addresses (hex):\n"
           "  --gauge-adr HH      the gauge's address (default 35)\n"
           "  --sub-adr HH        its sub-address (default 0: none)\n"
           "  --program-adr HH    the program's address (default 7F)\n"
           "  --encode            payloads always in 7-bit groups\n"
           "  --ack-timeout MS    wait this long for an acknowledgement (default 1000)\n"
           "  --bad-checksum N    every Nth telegram with a wrong checksum\n"
           "  --wrong-address N   every Nth telegram to another address than the program's\n"
           "                      (an acknowledgement of such a telegram counts as bad)\n"
           "\n"
           "Infrared (instead of a COM port):\n"
           "  --irda              a gauge in the air of the emulated infrared layer, offering\n"
           "                      IrDA:IrCOMM; prints its address (\"(1A:2B:3C:4D)\") first\n"
           "  --irda-client       an infrared gauge that connects to the computer's\n"
           "                      IrDA:IrCOMM service instead (Tag 10's way), again after\n"
           "                      each connection ends\n"
           "  --irda-dir DIR      the air folder (default: $DABRIX_IRDA_DIR)\n"
           "  --irda-id XXXXXXXX  its device id, 8 hex digits (default: a random free one)\n"
           "  --irda-name NAME    its nickname, at most 22 bytes (default \"Lakmo 3\")\n"
           "\n"
           "Bluetooth (instead of a COM port):\n"
           "  --bluetooth         a gauge on the simulated Bluetooth stack, offering a\n"
           "                      serial-port service; prints its address first\n"
           "  --bt-dir DIR        the stack's folder (default: $DABRIX_BT_SIM)\n"
           "  --bt-address HEX    its address, 12 hex digits (default 0011223344AA)\n"
           "  --bt-name NAME      its name (default \"Gauge_2600\")\n"
           "  --bt-class HEX      its class of device (default 001F00)\n"
           "  --bt-channel N      the RFCOMM channel of its service, 1..30 (default 1)\n"
           "  --bt-empty-names N  the first N reads of its device file find no name\n"
           "  --bt-drop-after N   drop the link once after N items; the device stays\n"
           "\n"
           "Other:\n"
           "  --config DIR        configuration folder holding ComPorts.ini\n"
           "                      (default: $XDG_CONFIG_HOME/Dabrix)\n"
           "  --log FILE          log received bytes (hex) and events to FILE, not stderr\n"
           "  --verbose           log sent bytes too\n"
           "  --help              this text\n"
           "\n"
           "Ends on SIGINT or SIGTERM, or after the last item; removes its COM port (or\n"
           "leaves the infrared air) then.\n"
           "Exit status: 0, 1 when the port cannot be set up, 2 for a wrong command line,\n"
           "3 when a KTX acknowledgement was bad or missing, or came for a spoiled\n"
           "telegram.\n";
}

SimOptionsResult ParseSimOptions(const std::vector<std::string>& args)
{
    SimOptionsResult result;
    SimOptions o;
    std::string itemsFile;
    bool irdaDetail = false;
    bool btDetail = false;
    auto fail = [&](std::string message) {
        result.error = std::move(message);
        return result;
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        auto setSource = [&](SimSource s) {
            if (o.source != SimSource::None)
                return false;
            o.source = s;
            return true;
        };
        auto positive = [&](int& target, int min) {
            const auto v = value();
            const auto n = v ? ParseNumber<int>(*v) : std::nullopt;
            if (!n || *n < min)
                return false;
            target = *n;
            return true;
        };
        auto address = [&](std::uint8_t& target) {
            const auto v = value();
            const auto n = v ? ParseAddress(*v) : std::nullopt;
            if (!n)
                return false;
            target = *n;
            return true;
        };

        if (a == "--help" || a == "-h") {
            result.help = true;
            return result;
        } else if (a == "--config") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--config needs a folder");
            o.configFolder = *v;
        } else if (a == "--lines" || a == "--ktx") {
            const auto v = value();
            if (!v)
                return fail(a + " needs a file");
            if (!setSource(a == "--lines" ? SimSource::Lines : SimSource::Ktx))
                return fail("choose one of --lines, --generate and --ktx");
            itemsFile = *v;
        } else if (a == "--generate") {
            if (!setSource(SimSource::Generate))
                return fail("choose one of --lines, --generate and --ktx");
        } else if (a == "--interval") {
            if (!positive(o.intervalMs, 1))
                return fail("--interval needs milliseconds above 0");
        } else if (a == "--count") {
            const auto v = value();
            const auto n = v ? ParseNumber<long long>(*v) : std::nullopt;
            if (!n || *n < 0)
                return fail("--count needs a number");
            o.count = *n;
        } else if (a == "--flood") {
            o.flood = true;
        } else if (a == "--bad-checksum") {
            if (!positive(o.badChecksumEvery, 1))
                return fail("--bad-checksum needs a number above 0");
        } else if (a == "--wrong-address") {
            if (!positive(o.wrongAddressEvery, 1))
                return fail("--wrong-address needs a number above 0");
        } else if (a == "--on-enq") {
            o.onEnq = true;
        } else if (a == "--prompt") {
            o.prompt = true;
        } else if (a == "--echo") {
            o.echo = true;
        } else if (a == "--no-crlf") {
            o.crlf = false;
        } else if (a == "--stay") {
            o.stay = true;
        } else if (a == "--linger") {
            if (!positive(o.lingerMs, 0))
                return fail("--linger needs milliseconds");
        } else if (a == "--baud") {
            if (!positive(o.baud, 1) || !IsPtyRate(o.baud))
                return fail("--baud needs a standard rate (300 ... 921600)");
        } else if (a == "--pace") {
            o.pace = true;
        } else if (a == "--log") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--log needs a file");
            o.logFile = *v;
        } else if (a == "--verbose") {
            o.verbose = true;
        } else if (a == "--gauge-adr") {
            if (!address(o.gaugeAdr))
                return fail("--gauge-adr needs a hex byte");
        } else if (a == "--sub-adr") {
            if (!address(o.subAdr))
                return fail("--sub-adr needs a hex byte");
        } else if (a == "--program-adr") {
            if (!address(o.programAdr))
                return fail("--program-adr needs a hex byte");
        } else if (a == "--encode") {
            o.encode = true;
        } else if (a == "--ack-timeout") {
            if (!positive(o.ackTimeoutMs, 1))
                return fail("--ack-timeout needs milliseconds above 0");
        } else if (a == "--irda") {
            o.irda = true;
        } else if (a == "--irda-client") {
            o.irda = true;
            o.irdaClient = true;
        } else if (a == "--irda-dir") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--irda-dir needs a folder");
            o.irdaDir = *v;
            irdaDetail = true;
        } else if (a == "--irda-id") {
            const auto v = value();
            const bool hex = v && v->size() == 8 && v->find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
            const auto n = hex ? ParseNumber<std::uint32_t>(*v, 16) : std::nullopt;
            if (!n)
                return fail("--irda-id needs 8 hex digits");
            o.irdaId = *n;
            irdaDetail = true;
        } else if (a == "--irda-name") {
            const auto v = value();
            if (!v || v->size() > 22)
                return fail("--irda-name needs a name of at most 22 bytes");
            o.irdaName = *v;
            irdaDetail = true;
        } else if (a == "--bluetooth") {
            o.bluetooth = true;
        } else if (a == "--bt-dir") {
            const auto v = value();
            if (!v || v->empty())
                return fail("--bt-dir needs a folder");
            o.btDir = *v;
            btDetail = true;
        } else if (a == "--bt-address") {
            const auto v = value();
            const bool hex = v && v->size() == 12 && v->find_first_not_of("0123456789ABCDEFabcdef") == std::string::npos;
            const auto n = hex ? ParseNumber<std::uint64_t>(*v, 16) : std::nullopt;
            if (!n)
                return fail("--bt-address needs 12 hex digits");
            o.btAddress = *n;
            btDetail = true;
        } else if (a == "--bt-name") {
            const auto v = value();
            if (!v || v->find('\n') != std::string::npos)
                return fail("--bt-name needs a name on one line");
            o.btName = *v;
            btDetail = true;
        } else if (a == "--bt-class") {
            const auto v = value();
            const auto n = v ? ParseNumber<std::uint32_t>(*v, 16) : std::nullopt;
            if (!n || *n > 0xFFFFFF)
                return fail("--bt-class needs at most 6 hex digits");
            o.btClass = *n;
            btDetail = true;
        } else if (a == "--bt-channel") {
            if (!positive(o.btChannel, 1) || o.btChannel > 30)
                return fail("--bt-channel needs a channel 1..30");
            btDetail = true;
        } else if (a == "--bt-empty-names") {
            if (!positive(o.btEmptyNames, 0))
                return fail("--bt-empty-names needs a count");
            btDetail = true;
        } else if (a == "--bt-drop-after") {
            if (!positive(o.btDropAfter, 1))
                return fail("--bt-drop-after needs a count above 0");
            btDetail = true;
        } else {
            return fail("unknown option " + a);
        }
    }

    if (btDetail && !o.bluetooth)
        return fail("the --bt-... options need --bluetooth");
    if (o.bluetooth && o.irda)
        return fail("choose one of --irda and --bluetooth");
    if (irdaDetail && !o.irda)
        return fail("--irda-dir, --irda-id and --irda-name need --irda");
    if (o.onEnq && o.source == SimSource::None && !o.prompt)
        return fail("--on-enq needs something to send (--lines, --generate or --ktx)");
    if (o.flood && o.onEnq)
        return fail("choose one of --flood and --on-enq");
    if ((o.badChecksumEvery > 0 || o.wrongAddressEvery > 0) && o.source != SimSource::Ktx)
        return fail("--bad-checksum and --wrong-address need --ktx");
    if (o.gaugeAdr >= 0x80)
        return fail("--gauge-adr must be below 80 (bit 7 announces the sub-address)");
    if (o.source == SimSource::Ktx && o.gaugeAdr == o.programAdr)
        return fail("the gauge and the program need different addresses");
    if (o.source == SimSource::Ktx && (o.gaugeAdr == 0xFF || o.programAdr == 0xFF))
        return fail("0xFF is the broadcast address");

    if (!itemsFile.empty()) {
        std::ifstream in(itemsFile, std::ios::binary);
        if (!in)
            return fail("cannot read " + itemsFile);
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            auto bytes = DecodeEscapes(line);
            if (!bytes)
                return fail(itemsFile + ":" + std::to_string(number) + ": bad escape");
            // The program keeps at most 255 bytes of a telegram.
            if (o.source == SimSource::Ktx && KtxDataTelegram(o, 0x21, *bytes).size() > 255)
                return fail(itemsFile + ":" + std::to_string(number) + ": payload too long for a telegram");
            o.items.push_back(std::move(*bytes));
        }
        if (o.items.empty())
            return fail(itemsFile + " has no lines");
    }
    result.options = std::move(o);
    return result;
}

} // namespace dabrix::tools
