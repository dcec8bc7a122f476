// Throughput of the receive framing in both protocols. Goals: 200 MB/s raw, 100 MB/s KTX.
// Run: comm_bench [--benchmark_filter=...]
#include "comm/KTXComm2Connection.h"
#include "comm/KTXComm2Host.h"
#include "comm/KTXComm2Item.h"
#include "comm/KTXTelegram.h"

#include <benchmark/benchmark.h>

#include <chrono>

#include <vector>

using namespace dabrix::comm;

namespace {

// Takes every unit as a handler would and drops the replies.
class CountingPort : public TelegramPort {
public:
    void ReportError(TErrMsg) override { ++errors; }
    bool HasTelegramHandler() const override { return true; }
    void DeliverTelegram(const TTelegramData& Telegram, TBuffer&) override
    {
        ++units;
        bytes += Telegram.Data.Count();
    }
    void SendReply(const TBuffer& Frame) override { replyBytes += Frame.Count(); }

    uint64_t units = 0;
    uint64_t bytes = 0;
    uint64_t replyBytes = 0;
    uint64_t errors = 0;
};

// Printable text with a line end every `lineLength` bytes (none when 0).
std::vector<uint8_t> Text(size_t size, size_t lineLength)
{
    std::vector<uint8_t> text(size);
    for (size_t i = 0; i < size; ++i)
        text[i] = lineLength && i % lineLength == lineLength - 1 ? 0x0D : static_cast<uint8_t>('0' + i % 10);
    return text;
}

// ptRAW: range(0) chunk size, range(1) line length (0: EndOfLineChar 0, each chunk a unit).
void BM_ReceiveRaw(benchmark::State& state)
{
    const auto chunkSize = static_cast<size_t>(state.range(0));
    const auto lineLength = static_cast<size_t>(state.range(1));
    const std::vector<uint8_t> chunk = Text(chunkSize, lineLength);
    CountingPort port;
    TelegramFramer framer(port);
    framer.Settings().ProtocolTyp = ptRAW;
    framer.Settings().EndOfLineChar = lineLength ? 0x0D : 0;
    for (auto _ : state)
        framer.Receive(chunk.data(), static_cast<int>(chunk.size()));
    benchmark::DoNotOptimize(port.bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunkSize));
    state.counters["units"] = benchmark::Counter(static_cast<double>(port.units), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveRaw)->Args({64, 0})->Args({4096, 0})->Args({4096, 40})->Args({4096, 200});

// ptKTX: 4096-byte chunks of data telegrams (each acknowledged) with range(0) payload
// bytes, plain (range(1) 0) or in 7-bit groups (1).
void BM_ReceiveKtx(benchmark::State& state)
{
    const int payload = static_cast<int>(state.range(0));
    const bool grouped = state.range(1) != 0;
    CountingPort gaugePort;
    TelegramFramer gauge(gaugePort);
    gauge.Settings().ReceiveAdr = 0x7F;
    gauge.Settings().TransmitAdr = 0x35;
    TBuffer source;
    source[0] = static_cast<uint8_t>(payload + 1);
    source[1] = grouped ? 0xA1 : 0x21;
    for (int i = 0; i < payload; ++i)
        source[static_cast<size_t>(i + 2)] = static_cast<uint8_t>(grouped ? i * 13 : 0x30 + i % 10);
    TBuffer frame;
    if (gauge.BuildTelegram(0x02, 0, source, frame) != emNone) {
        state.SkipWithError("payload does not fit a frame");
        return;
    }
    std::vector<uint8_t> chunk;
    while (chunk.size() + frame.Count() <= 4096)
        chunk.insert(chunk.end(), frame.Data(), frame.Data() + frame.Count());

    CountingPort port;
    TelegramFramer framer(port);
    for (auto _ : state)
        framer.Receive(chunk.data(), static_cast<int>(chunk.size()));
    if (port.errors)
        state.SkipWithError("frames were refused");
    benchmark::DoNotOptimize(port.bytes);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunk.size()));
    state.counters["units"] = benchmark::Counter(static_cast<double>(port.units), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReceiveKtx)->Args({16, 0})->Args({200, 0})->Args({16, 1})->Args({200, 1});

// The item's whole receive path: the chunk as the client connection hands it over,
// OnTelegram with its record copied, and in KTX the acknowledgement through the paced
// send (CmdSendDelay 0) to a USB link that drops it.
class BenchHost : public TKTXComm2Host {
public:
    QString ReportError(TKTXComm2Item*, TErrMsg) override { return {}; }
    TDevices DeviceList(TPort) const override
    {
        TDevice gauge;
        gauge.Name = "GAUGE";
        gauge.Info = "GAUGE";
        gauge.SerialNo = "S1";
        return {gauge};
    }
    int64_t CounterFrequency() const override
    {
        using period = std::chrono::steady_clock::period;
        return period::den / period::num;
    }
    void RestartIrDATimer() override {}
    const TlnkBluetoothRadio* BTRadio() const override { return nullptr; }
};

class NullUsbLink : public UsbLink {
public:
    bool HasReceiveEvent() const override { return true; }
    int Open(const std::string&, const UsbLinkSettings&, Receiver) override { return 0; }
    bool Close() override { return true; }
    int32_t Handle() const override { return 1; }
    int Write(const uint8_t*, uint32_t Count) override
    {
        written += Count;
        return 0;
    }
    void SetControlLine(TControlLine, bool) override {}
    void ApplyLatency(uint32_t) override {}
    uint64_t written = 0;
};

// range(0): 0 = raw chunks of 4096 bytes, 1 = KTX telegrams with 16-byte payloads.
void BM_ItemReceiveBytes(benchmark::State& state)
{
    const bool ktx = state.range(0) != 0;
    BenchHost host;
    TKTXComm2Connection connections(&host, nullptr);
    TKTXComm2Item* item = connections.Add();
    auto link = std::make_unique<NullUsbLink>();
    NullUsbLink* usb = link.get();
    item->SetUsbLink(std::move(link));
    item->SetPort(portUSB);
    item->SelectDevice(0);
    item->Connect(false);
    item->SetCmdSendDelay(0);
    uint64_t units = 0;
    item->OnTelegram = [&units](TObject*, TTelegramData Telegram, TBuffer&) {
        benchmark::DoNotOptimize(Telegram);
        ++units;
    };

    std::vector<uint8_t> chunk;
    if (ktx) {
        CountingPort gaugePort;
        TelegramFramer gauge(gaugePort);
        gauge.Settings().ReceiveAdr = 0x7F;
        gauge.Settings().TransmitAdr = 0x35;
        TBuffer source;
        source[0] = 17;
        source[1] = 0x21;
        for (int i = 2; i <= 17; ++i)
            source[static_cast<size_t>(i)] = static_cast<uint8_t>('0' + i % 10);
        TBuffer frame;
        gauge.BuildTelegram(0x02, 0, source, frame);
        while (chunk.size() + frame.Count() <= 4096)
            chunk.insert(chunk.end(), frame.Data(), frame.Data() + frame.Count());
    } else {
        dabrix::comm::ApplyMainWindowSettings(*item);
        chunk = Text(4096, 0);
    }
    for (auto _ : state)
        item->ReceiveBytes(item, chunk.data(), static_cast<int>(chunk.size()));
    benchmark::DoNotOptimize(usb->written);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chunk.size()));
    state.counters["units"] = benchmark::Counter(static_cast<double>(units), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ItemReceiveBytes)->Arg(0)->Arg(1);

} // namespace

BENCHMARK_MAIN();
