// Arbitrary bytes, cut into arbitrary chunks, through the receive framing with arbitrary
// properties. Checks: no memory fault; raw units put together give back the bytes
// received, in order, with less than one unit left waiting; every acknowledgement is a
// well-formed frame; the sequence character stays in 0x20..0x7F.
#include "comm/KTXTelegram.h"
#include "fuzz/FuzzChecks.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <vector>

using namespace dabrix::comm;
using dabrix::fuzz::Check;

namespace {

class FuzzPort : public TelegramPort {
public:
    void ReportError(TErrMsg) override {}
    bool HasTelegramHandler() const override { return handler; }
    void DeliverTelegram(const TTelegramData& Telegram, TBuffer& Response) override
    {
        Check(Telegram.Received == 0, "delivered record marked received");
        units.insert(units.end(), Telegram.Data.Data(), Telegram.Data.Data() + Telegram.Data.Count());
        Response = response;
    }
    void SendReply(const TBuffer& Frame) override
    {
        if (framesAreAcks)
            dabrix::fuzz::CheckBuiltFrame(Frame);
        else
            Check(Frame == response, "raw response changed");
    }

    bool handler = true;
    bool framesAreAcks = true;
    TBuffer response;
    std::vector<uint8_t> units;  // everything delivered, in order
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    FuzzPort port;
    TelegramFramer framer(port);
    TelegramSettings& s = framer.Settings();
    s.ProtocolTyp = in.ConsumeBool() ? ptRAW : ptKTX;
    s.EndOfLineChar = in.ConsumeIntegral<uint8_t>();
    s.TransmitAdr = in.ConsumeIntegral<uint8_t>();
    s.ReceiveAdr = in.ConsumeIntegral<uint8_t>();
    s.SubAdr = in.ConsumeIntegral<uint8_t>();
    port.handler = in.ConsumeIntegral<uint8_t>() < 224;
    const bool switchProtocols = in.ConsumeIntegral<uint8_t>() >= 240;
    const std::vector<uint8_t> response = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 255));
    port.response.Assign(response.data(), response.size());
    port.framesAreAcks = s.ProtocolTyp == ptKTX;

    std::vector<uint8_t> received;
    while (in.remaining_bytes() > 0) {
        if (switchProtocols && in.ConsumeBool()) {
            // A unit begun under one protocol is finished by the other.
            s.ProtocolTyp = s.ProtocolTyp == ptKTX ? ptRAW : ptKTX;
            port.framesAreAcks = s.ProtocolTyp == ptKTX;
        }
        const size_t length = in.ConsumeIntegralInRange<size_t>(0, 1200);
        const std::vector<uint8_t> chunk = in.ConsumeBytes<uint8_t>(length);
        received.insert(received.end(), chunk.begin(), chunk.end());
        framer.Receive(chunk.data(), static_cast<int>(chunk.size()));
        const uint8_t sequence = framer.SequenceChar();
        Check(sequence >= 0x20 && sequence <= 0x7F, "sequence character out of range");

        if (s.ProtocolTyp == ptRAW && !switchProtocols && port.handler) {
            Check(port.units.size() <= received.size(), "raw delivered more than received");
            Check(std::equal(port.units.begin(), port.units.end(), received.begin()),
                  "raw units differ from the bytes received");
            const size_t waiting = received.size() - port.units.size();
            Check(waiting < 255, "a full raw unit was held back");
            if (s.EndOfLineChar == 0)
                Check(waiting == 0, "a raw chunk was not delivered whole");
            else
                Check(std::find(received.begin() + static_cast<long>(port.units.size()), received.end(),
                                s.EndOfLineChar) == received.end(),
                      "a finished raw line was held back");
        }
    }
    return 0;
}
