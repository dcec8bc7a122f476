// The USB receive thread's wait on the D2XX event, against the simulated bridge library.
// Goals: a signalled byte reaches the receiver within 1 ms; a silent link costs no CPU
// time worth measuring (the thread wakes every 100 ms to ask the queue).
// Run: usb_receive_bench [--benchmark_filter=...]
#include "comm/d2xx/D2XXEvent.h"
#include "comm/d2xx/D2XXUnit.h"
#include "comm/d2xx/KTXComm2USBReceiveThread.h"
#include "tests/sim/d2xx/SimD2XXControl.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace d2xx = dabrix::comm::d2xx;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

const char* const kSerial = "BENCH01";

// An open simulated device with its event registered and a receive thread on it.
class OpenLink {
public:
    explicit OpenLink(TKTXComm2USBReceiveThread::TReceiver receiver)
    {
        setenv("DABRIX_D2XX_LIBRARY", DABRIX_SIM_D2XX_PATH, 1);
        sim_.Reset();
        d2xx::SetShowErrors(false);
        ok_ = LoadD2XX() && sim_.AddDevice(kSerial, "Bench", 0x04036001) == 0
              && d2xx::OpenBySerialNumber(kSerial, &handle_) == FT_OK;
        if (!ok_)
            return;
        d2xx::SetTimeouts(handle_, 10, 10);
        d2xx::SetEventNotification(handle_, FT_EVENT_RXCHAR, event_.Native());
        thread_ = std::make_unique<TKTXComm2USBReceiveThread>(std::move(receiver), handle_, &event_);
    }
    ~OpenLink()
    {
        thread_.reset();
        if (ok_) {
            d2xx::SetEventNotificationDirect(handle_, 0, event_.Native());
            d2xx::Close(handle_);
        }
        UnloadD2XX();
        sim_.Reset();
    }
    bool Ok() const { return ok_; }
    dabrix::test::SimD2XX& Sim() { return sim_; }

private:
    dabrix::test::SimD2XX sim_{DABRIX_SIM_D2XX_PATH};
    bool ok_ = false;
    FT_HANDLE handle_ = nullptr;
    dabrix::comm::D2XXEvent event_;
    std::unique_ptr<TKTXComm2USBReceiveThread> thread_;
};

// From the gauge's byte (the library signals at once) to the receiver's call, with the
// thread asleep in its wait beforehand. Counters: median and worst in microseconds.
void BM_SignalToReceiver(benchmark::State& state)
{
    std::atomic<int64_t> deliveredAt{0};
    OpenLink link([&](const uint8_t*, int) {
        deliveredAt = Clock::now().time_since_epoch().count();
    });
    if (!link.Ok()) {
        state.SkipWithError("simulated library not usable");
        return;
    }
    std::vector<double> micros;
    const std::vector<uint8_t> byte{0x31};
    for (auto _ : state) {
        state.PauseTiming();
        deliveredAt = 0;
        std::this_thread::sleep_for(5ms);  // back in its wait
        state.ResumeTiming();
        const auto sent = Clock::now();
        link.Sim().GaugeSend(kSerial, byte);
        while (deliveredAt.load() == 0)
            std::this_thread::yield();
        const auto delivered = Clock::time_point(Clock::duration(deliveredAt.load()));
        micros.push_back(std::chrono::duration<double, std::micro>(delivered - sent).count());
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["worst_us"] = micros.back();
}
BENCHMARK(BM_SignalToReceiver)->Iterations(200)->Unit(benchmark::kMicrosecond);

// A link that receives nothing for range(0) ms: the process's CPU time meanwhile (the
// benchmark's own thread sleeps) and the receive thread's wake-ups per second.
void BM_IdleLink(benchmark::State& state)
{
    OpenLink link([](const uint8_t*, int) {});
    if (!link.Ok()) {
        state.SkipWithError("simulated library not usable");
        return;
    }
    const auto idle = std::chrono::milliseconds(state.range(0));
    double cpuMicros = 0;
    int queries = 0;
    auto cpuNow = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e6
               + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
    };
    auto countQueries = [&] {
        const std::string calls = link.Sim().Calls();
        int n = 0;
        for (size_t at = calls.find("FT_GetQueueStatus"); at != std::string::npos;
             at = calls.find("FT_GetQueueStatus", at + 1))
            ++n;
        return n;
    };
    for (auto _ : state) {
        const int queriesBefore = countQueries();
        const double before = cpuNow();
        std::this_thread::sleep_for(idle);
        cpuMicros += cpuNow() - before;
        queries += countQueries() - queriesBefore;
    }
    const double seconds = static_cast<double>(state.iterations()) * static_cast<double>(idle.count()) / 1000.0;
    state.counters["cpu_us_per_s"] = cpuMicros / seconds;
    state.counters["wakeups_per_s"] = queries / seconds;
}
BENCHMARK(BM_IdleLink)->Arg(2000)->Iterations(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
