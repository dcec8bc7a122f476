// Building and parsing KTX frames from arbitrary input. Checks: no memory fault; a built
// frame fits, is well formed or refused whole; a parsed payload is no longer than the
// frame; a data telegram built with 7-bit groups reads back as the payload it carried.
#include "comm/KTXTelegram.h"
#include "fuzz/FuzzChecks.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

using namespace dabrix::comm;
using dabrix::fuzz::Check;

namespace {

class QuietPort : public TelegramPort {
public:
    void ReportError(TErrMsg) override {}
    bool HasTelegramHandler() const override { return true; }
    void DeliverTelegram(const TTelegramData& Telegram, TBuffer&) override { last = Telegram; ++count; }
    void SendReply(const TBuffer&) override {}
    TTelegramData last;
    int count = 0;
};

TBuffer BufferFrom(FuzzedDataProvider& in)
{
    // The tail behind the count is arbitrary too: it must never be read as data.
    TBuffer b;
    const std::vector<uint8_t> bytes = in.ConsumeBytes<uint8_t>(256);
    std::copy(bytes.begin(), bytes.end(), b.Bytes.begin());
    return b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    QuietPort port;
    TelegramFramer framer(port);
    framer.Settings().TransmitAdr = in.ConsumeIntegral<uint8_t>();
    framer.Settings().ReceiveAdr = in.ConsumeIntegral<uint8_t>();
    framer.Settings().SubAdr = in.ConsumeIntegral<uint8_t>();
    const uint8_t command = in.ConsumeIntegral<uint8_t>();
    const uint8_t value = in.ConsumeIntegral<uint8_t>();
    const bool parseFirst = in.ConsumeBool();
    const TBuffer source = BufferFrom(in);

    if (parseFirst) {
        // Sets the reply addresses that replies are built with.
        TTelegramData telegram;
        framer.ParseTelegram(source, telegram);
        Check(telegram.Data.Count() <= source.Count(), "payload longer than its frame");
    }

    TBuffer frame;
    frame[0] = 77;
    const TErrMsg result = framer.BuildTelegram(command, value, source, frame);
    if (result != emNone) {
        Check(frame.Count() == 0, "refused frame not emptied");
        return 0;
    }
    dabrix::fuzz::CheckBuiltFrame(frame);

    // A data telegram in groups, as a gauge would send it to us: without a sub-address,
    // from a source byte that announces none (below 0x80, or 0xFF), and with addresses
    // that are not end bytes (nothing on the wire escapes them).
    const uint8_t from = framer.Settings().TransmitAdr;
    const uint8_t to = framer.Settings().ReceiveAdr;
    if (command == 0x02 && framer.Settings().SubAdr == 0 && (from < 0x80 || from == 0xFF)
        && !ktx::IsEndByte(from) && !ktx::IsEndByte(to) && source.Count() >= 2 && (source[1] & 0x80)) {
        QuietPort peerPort;
        TelegramFramer peer(peerPort);
        peer.Settings().TransmitAdr = framer.Settings().ReceiveAdr;
        peer.Receive(frame.Data(), frame.Count());
        Check(peerPort.count == 1, "built frame not delivered");
        TBuffer payload;
        payload.Assign(source.Data() + 1, source.Count() - 1u);
        Check(peerPort.last.Data == payload, "grouped payload did not survive");
    }
    return 0;
}
