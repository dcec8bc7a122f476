// How fast and how promptly a TlnkClient delivers what a gauge sends.
//
// The gauge is a pseudo-terminal registered as a COM port in a private ComPorts.ini.
//  1. Throughput: a writer thread pushes a numbered byte pattern as fast as the port takes
//     it; OnData checks every byte. Prints MB/s and the CPU seconds per MB that the
//     program (reader worker and owner thread, not the writer) spent.
//  2. Delay: single bytes about 1 ms apart; each one's time from write() to its OnData.
//     Prints the median and the 99th percentile.
// Goals: >= 10 MB/s with nothing lost, median < 1 ms, p99 < 5 ms.
#include "platform/ComPortMap.h"
#include "transport/lnkAPI.h"
#include "transport/lnkClient.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <pty.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds(clockid_t clock)
{
    timespec ts{};
    clock_gettime(clock, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

uint8_t PatternByte(uint64_t i)
{
    return static_cast<uint8_t>((i * 7 + i / 251) & 0xFF);
}

bool WriteAll(int fd, const uint8_t* p, size_t n)
{
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Runs the owner's event loop until `done` or the time-out; false on time-out.
bool RunUntil(const std::atomic<bool>& done, std::chrono::seconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (!done && Clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const uint64_t megabytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 64;
    const int samples = argc > 2 ? std::atoi(argv[2]) : 2000;

    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) {
        std::perror("openpty");
        return 1;
    }
    const std::string slavePath = ::ttyname(slave);
    ::close(slave);
    const int com = dabrix::platform::ComPortMap().Register(slavePath);

    TlnkAPI api(nullptr);
    if (api.Load() != 0)
        return 1;
    TlnkClient client(nullptr);
    client.SetTransport(trSerial);
    client.SerialParams()->SetPort(com);
    client.SerialParams()->SetBaudRate(br115200);

    std::atomic<bool> connected{false};
    client.OnConnect = [&](TObject*, int error) {
        if (error != 0)
            std::fprintf(stderr, "connect failed: %d\n", error);
        connected = error == 0;
    };
    if (client.Connect() != 0 || !RunUntil(connected, std::chrono::seconds(5))) {
        std::fprintf(stderr, "could not connect to %s\n", slavePath.c_str());
        return 1;
    }

    // 1. Throughput.
    const uint64_t total = megabytes << 20;
    uint64_t received = 0, wrong = 0, calls = 0;
    std::atomic<bool> allIn{false};
    client.OnData = [&](TObject*, const uint8_t* buffer, uint32_t size) {
        ++calls;
        for (uint32_t i = 0; i < size; ++i)
            wrong += buffer[i] != PatternByte(received + i);
        received += size;
        if (received >= total)
            allIn = true;
    };
    std::atomic<double> writerCpu{0};
    const double cpuBefore = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID);
    const auto start = Clock::now();
    std::thread writer([&] {
        std::vector<uint8_t> chunk(4096);
        for (uint64_t sent = 0; sent < total; sent += chunk.size()) {
            for (size_t i = 0; i < chunk.size(); ++i)
                chunk[i] = PatternByte(sent + i);
            if (!WriteAll(master, chunk.data(), std::min<uint64_t>(chunk.size(), total - sent)))
                break;
        }
        writerCpu = CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    });
    const bool complete = RunUntil(allIn, std::chrono::seconds(120));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    writer.join();
    const double programCpu = CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - cpuBefore - writerCpu;
    const double mb = received / 1048576.0;
    std::printf("throughput: %.1f MB in %.3f s = %.1f MB/s, %s, %llu OnData calls\n", mb, seconds, mb / seconds,
                complete && wrong == 0 ? "nothing lost" : "INCOMPLETE OR CORRUPT",
                static_cast<unsigned long long>(calls));
    std::printf("cpu: %.4f s per MB (reader worker and owner thread)\n", programCpu / mb);
    if (!complete || wrong != 0)
        std::printf("received %llu of %llu bytes, %llu wrong\n", static_cast<unsigned long long>(received),
                    static_cast<unsigned long long>(total), static_cast<unsigned long long>(wrong));

    // 2. Delay from write() to OnData, one byte at a time.
    std::vector<Clock::time_point> sentAt(samples);
    std::vector<double> delays;
    delays.reserve(samples);
    std::atomic<int> written{0};
    std::atomic<bool> allDelays{false};
    client.OnData = [&](TObject*, const uint8_t*, uint32_t size) {
        const auto now = Clock::now();
        for (uint32_t i = 0; i < size && static_cast<int>(delays.size()) < written; ++i)
            delays.push_back(std::chrono::duration<double, std::milli>(now - sentAt[delays.size()]).count());
        if (static_cast<int>(delays.size()) >= samples)
            allDelays = true;
    };
    std::thread pinger([&] {
        const uint8_t byte = 0x55;
        for (int i = 0; i < samples; ++i) {
            sentAt[i] = Clock::now();
            written = i + 1;
            if (!WriteAll(master, &byte, 1))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    RunUntil(allDelays, std::chrono::seconds(30));
    pinger.join();
    std::sort(delays.begin(), delays.end());
    if (!delays.empty()) {
        std::printf("delay: %zu samples, median %.3f ms, p99 %.3f ms, max %.3f ms\n", delays.size(),
                    delays[delays.size() / 2], delays[std::min(delays.size() - 1, delays.size() * 99 / 100)],
                    delays.back());
    }

    client.Disconnect();
    ::close(master);
    api.Unload();
    return complete && wrong == 0 ? 0 : 2;
}
