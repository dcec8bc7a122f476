// The termios serial port, over pseudo-terminals.
#include "platform/SerialPort.h"
#include "transport/tests/Pty.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>
#include <sys/eventfd.h>
#include <termios.h>

using dabrix::platform::SerialLine;
using dabrix::platform::SerialParity;
using dabrix::platform::SerialPort;
using dabrix::platform::SerialReadResult;
using dabrix::platform::SerialSettings;
using dabrix::platform::SerialStopBits;
using dabrix::test::Pty;
using Status = SerialReadResult::Status;

TEST(SerialPortTest, EveryNamedAndCustomRateIsSet)
{
    Pty gauge;
    SerialPort port;
    ASSERT_EQ(port.Open(gauge.SlavePath()), 0);
    for (uint32_t rate : {110u, 300u, 600u, 1200u, 2400u, 4800u, 9600u, 14400u, 19200u, 38400u, 56000u,
                          57600u, 115200u, 128000u, 256000u, 28800u, 12345u, 250000u, 921600u}) {
        SerialSettings wanted;
        wanted.BaudRate = rate;
        ASSERT_EQ(port.Configure(wanted), 0) << rate;
        const auto now = port.CurrentSettings();
        ASSERT_TRUE(now.has_value());
        EXPECT_EQ(now->BaudRate, rate);
    }
}

// A pseudo-terminal keeps only some framing flags, so the flags are checked directly.
TEST(SerialPortTest, FramingBecomesTerminalFlags)
{
    const struct {
        int dataBits;
        SerialParity parity;
        SerialStopBits stopBits;
        tcflag_t flags;  // expected CSIZE | PARENB | PARODD | CMSPAR | CSTOPB bits
    } cases[] = {
        {8, SerialParity::None, SerialStopBits::One, CS8},
        {7, SerialParity::Even, SerialStopBits::Two, CS7 | PARENB | CSTOPB},
        {7, SerialParity::Odd, SerialStopBits::One, CS7 | PARENB | PARODD},
        {6, SerialParity::Mark, SerialStopBits::One, CS6 | PARENB | PARODD | CMSPAR},
        {5, SerialParity::Space, SerialStopBits::OnePointFive, CS5 | PARENB | CMSPAR | CSTOPB},  // 1.5 is sent as 2
    };
    for (const auto& c : cases) {
        // Start from a cooked terminal with hardware flow control and XON/XOFF on.
        termios tio{};
        tio.c_iflag = ICRNL | IXON | IXOFF | INPCK | ISTRIP;
        tio.c_oflag = OPOST | ONLCR;
        tio.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
        tio.c_cflag = CS8 | PARENB | PARODD | CSTOPB | CRTSCTS | HUPCL;
        SerialSettings wanted;
        wanted.DataBits = c.dataBits;
        wanted.Parity = c.parity;
        wanted.StopBits = c.stopBits;
        ASSERT_EQ(dabrix::platform::ApplySerialSettings(tio, wanted), 0);

        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | PARODD | CMSPAR | CSTOPB), c.flags) << c.dataBits;
        EXPECT_EQ(tio.c_cflag & (CRTSCTS | CLOCAL | CREAD), CRTSCTS | CLOCAL | CREAD);  // flow control kept
        EXPECT_EQ(tio.c_iflag & (ICRNL | IXON | IXOFF | INPCK | ISTRIP), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);

        SerialSettings back = wanted;
        back.BaudRate = 4800;
        if (back.StopBits == SerialStopBits::OnePointFive)
            back.StopBits = SerialStopBits::Two;
        EXPECT_EQ(dabrix::platform::SerialSettingsOf(tio, 4800), back);
    }
    termios tio{};
    SerialSettings fourBits;
    fourBits.DataBits = 4;
    EXPECT_EQ(dabrix::platform::ApplySerialSettings(tio, fourBits), EINVAL);
}

TEST(SerialPortTest, RawModePassesEveryByteUnchanged)
{
    Pty gauge;
    SerialPort port;
    ASSERT_EQ(port.Open(gauge.SlavePath()), 0);
    ASSERT_EQ(port.Configure(SerialSettings{}), 0);

    std::vector<uint8_t> all(256);
    for (int i = 0; i < 256; ++i)
        all[i] = static_cast<uint8_t>(i);
    gauge.Send(all.data(), all.size());
    std::vector<uint8_t> got;
    while (got.size() < all.size()) {
        uint8_t buf[512];
        const SerialReadResult r = port.Read(buf, sizeof buf, 1000);
        ASSERT_EQ(r.status, Status::Data);
        got.insert(got.end(), buf, buf + r.count);
    }
    EXPECT_EQ(got, all);

    ASSERT_EQ(port.Write(all.data(), all.size(), 1000), 0);
    EXPECT_EQ(gauge.Receive(all.size()), all);
}

TEST(SerialPortTest, ReadReportsIdleCancelAndHangUp)
{
    Pty gauge;
    SerialPort port;
    ASSERT_EQ(port.Open(gauge.SlavePath()), 0);
    ASSERT_EQ(port.Configure(SerialSettings{}), 0);
    uint8_t buf[16];

    EXPECT_EQ(port.Read(buf, sizeof buf).status, Status::Idle);  // default 2 ms wait

    const int cancel = ::eventfd(0, EFD_CLOEXEC);
    const uint64_t one = 1;
    ASSERT_EQ(::write(cancel, &one, sizeof one), ssize_t(sizeof one));
    EXPECT_EQ(port.Read(buf, sizeof buf, -1, cancel).status, Status::Cancelled);
    ::close(cancel);

    gauge.CloseMaster();
    EXPECT_EQ(port.Read(buf, sizeof buf, 1000).status, Status::Closed);
}

TEST(SerialPortTest, ReadIntervalIsThreeCharactersAndAtLeastTwoMilliseconds)
{
    using std::chrono::microseconds;
    const struct {
        uint32_t rate;
        int dataBits;
        SerialParity parity;
        SerialStopBits stopBits;
        microseconds interval;
        microseconds total;
    } cases[] = {
        {115200, 8, SerialParity::None, SerialStopBits::One, microseconds(2000), microseconds(50000)},
        {9600, 8, SerialParity::None, SerialStopBits::One, microseconds(3126), microseconds(50000)},
        {1200, 8, SerialParity::None, SerialStopBits::One, microseconds(25002), microseconds(50000)},
        // 11 bits a character: start, 7 data, parity, 2 stop.
        {300, 7, SerialParity::Even, SerialStopBits::Two, microseconds(110001), microseconds(110001)},
    };
    for (const auto& c : cases) {
        SerialSettings settings;
        settings.BaudRate = c.rate;
        settings.DataBits = c.dataBits;
        settings.Parity = c.parity;
        settings.StopBits = c.stopBits;
        const auto gather = dabrix::platform::ReadIntervalFor(settings);
        EXPECT_EQ(gather.interval, c.interval) << c.rate;
        EXPECT_EQ(gather.total, c.total) << c.rate;
    }
}

// The read time-out: bytes that follow each other within the interval come back together,
// a longer pause ends the read, and so do a full buffer, the total time and a cancel.
TEST(SerialPortTest, ReadGathersBytesThatFollowWithinTheInterval)
{
    using namespace std::chrono_literals;
    Pty gauge;
    SerialPort port;
    ASSERT_EQ(port.Open(gauge.SlavePath()), 0);
    ASSERT_EQ(port.Configure(SerialSettings{}), 0);
    const dabrix::platform::SerialReadInterval gather{30ms, 1s};
    uint8_t buf[64];

    // A line byte by byte, 1 ms apart, then a pause, then the next line.
    const std::string line = "0000123 12.5 um\r\n";
    std::thread gaugeSide([&] {
        for (char c : line) {
            gauge.Send(&c, 1);
            std::this_thread::sleep_for(1ms);
        }
        std::this_thread::sleep_for(300ms);
        gauge.Send("next");
    });
    SerialReadResult r = port.Read(buf, sizeof buf, gather, 5000, -1);
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), r.count), line);
    r = port.Read(buf, sizeof buf, gather, 5000, -1);
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), r.count), "next");
    gaugeSide.join();

    // A full buffer ends the read at once; the rest waits for the next.
    gauge.Send("0123456789");
    std::this_thread::sleep_for(20ms);
    r = port.Read(buf, 4, gather, 5000, -1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), r.count), "0123");
    r = port.Read(buf, sizeof buf, gather, 5000, -1);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), r.count), "456789");

    // Bytes that never stop: the read ends after the total time with what came so far.
    std::atomic<bool> stop{false};
    std::thread stream([&] {
        while (!stop) {
            gauge.Send("x");
            std::this_thread::sleep_for(2ms);
        }
    });
    const auto start = std::chrono::steady_clock::now();
    r = port.Read(buf, sizeof buf, {30ms, 100ms}, 5000, -1);
    const auto took = std::chrono::steady_clock::now() - start;
    stop = true;
    stream.join();
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_GT(r.count, 1u);
    EXPECT_LT(r.count, sizeof buf);
    EXPECT_LT(took, 1s);
    std::this_thread::sleep_for(50ms);
    while (port.Read(buf, sizeof buf, 10).status == Status::Data) {
    }

    // A cancel while gathering: the bytes read so far come back, the next read is cancelled.
    const int cancel = ::eventfd(0, EFD_CLOEXEC);
    gauge.Send("AB");
    std::thread canceller([&] {
        std::this_thread::sleep_for(10ms);
        const uint64_t one = 1;
        EXPECT_EQ(::write(cancel, &one, sizeof one), ssize_t(sizeof one));
    });
    r = port.Read(buf, sizeof buf, {1s, 5s}, 5000, cancel);
    canceller.join();
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), r.count), "AB");
    EXPECT_EQ(port.Read(buf, sizeof buf, gather, 5000, cancel).status, Status::Cancelled);
    ::close(cancel);

    // The gauge going away while a read gathers: the bytes, then the hang-up.
    gauge.Send("C");
    std::thread leaver([&] {
        std::this_thread::sleep_for(10ms);
        gauge.CloseMaster();
    });
    r = port.Read(buf, sizeof buf, gather, 5000, -1);
    leaver.join();
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), r.count), "C");
    EXPECT_EQ(port.Read(buf, sizeof buf, gather, 1000, -1).status, Status::Closed);
}

// Reading paced: a steady stream comes once a beat, all of it and in order; a pause, a
// write to the port, a full buffer and a cancel each end the waiting at once.
TEST(SerialPortTest, ReadPacedTakesASteadyStreamOnceABeat)
{
    using namespace std::chrono_literals;
    using Clock = std::chrono::steady_clock;
    Pty gauge;
    SerialPort port;
    ASSERT_EQ(port.Open(gauge.SlavePath()), 0);
    ASSERT_EQ(port.Configure(SerialSettings{}), 0);
    const dabrix::platform::SerialReadInterval gather{2ms, 50ms};
    dabrix::platform::SerialPace pace{200ms};
    uint8_t buf[4096];
    auto text = [&](const SerialReadResult& r) { return std::string(reinterpret_cast<char*>(buf), r.count); };

    // 100 lines 5 ms apart: a handful of reads, not one a line.
    std::string sent;
    std::vector<std::string> lines;
    for (int i = 0; i < 100; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%07d 12.5 um\r\n", i);
        lines.emplace_back(line);
        sent += line;
    }
    std::thread stream([&] {
        for (const std::string& line : lines) {
            gauge.Send(line);
            std::this_thread::sleep_for(5ms);
        }
    });
    std::string got;
    int reads = 0;
    while (got.size() < sent.size()) {
        const SerialReadResult r = port.ReadPaced(buf, sizeof buf, gather, pace, -1);
        ASSERT_EQ(r.status, Status::Data);
        got += text(r);
        ++reads;
    }
    stream.join();
    EXPECT_EQ(got, sent);
    EXPECT_LE(reads, 12) << "the reader woke for most lines";

    // The stream has stopped: the next hold finds nothing, and a byte after the pause
    // comes at once, not a beat later.
    std::atomic<Clock::rep> sentAt{0};
    std::thread late([&] {
        std::this_thread::sleep_for(400ms);
        sentAt = Clock::now().time_since_epoch().count();
        gauge.Send("late");
    });
    SerialReadResult r = port.ReadPaced(buf, sizeof buf, gather, pace, -1);
    const auto lateDelay = Clock::now() - Clock::time_point(Clock::duration(sentAt.load()));
    late.join();
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_EQ(text(r), "late");
    EXPECT_LT(lateDelay, 100ms);

    // From here on a long beat, so that "at once" is far from "a beat later".
    pace = dabrix::platform::SerialPace{1000ms};
    auto steady = [&] {
        for (const char* line : {"a\r\n", "b\r\n"}) {
            gauge.Send(line);
            const SerialReadResult got = port.ReadPaced(buf, sizeof buf, gather, pace, -1);
            ASSERT_EQ(got.status, Status::Data);
            ASSERT_EQ(text(got), line);
        }
        ASSERT_TRUE(pace.holding);
    };

    // A write to the port while holding: the gauge's reply is not held back.
    steady();
    std::thread owner([&] {
        std::this_thread::sleep_for(20ms);
        EXPECT_EQ(port.Write("\x06", 1, 1000), 0);
        gauge.Send("reply");
    });
    auto start = Clock::now();
    r = port.ReadPaced(buf, sizeof buf, gather, pace, -1);
    EXPECT_LT(Clock::now() - start, 500ms);
    owner.join();
    ASSERT_EQ(r.status, Status::Data);
    EXPECT_EQ(text(r), "reply");
    EXPECT_EQ(gauge.Receive(1), std::vector<uint8_t>{0x06});

    // A burst that fills the buffer during a hold is read on without further beats.
    steady();
    const std::string burst(3000, 'x');
    gauge.Send(burst);
    uint8_t small[1000];
    r = port.ReadPaced(small, sizeof small, gather, pace, -1);
    ASSERT_EQ(r.count, sizeof small);
    start = Clock::now();
    size_t total = r.count;
    while (total < burst.size()) {
        r = port.ReadPaced(small, sizeof small, gather, pace, -1);
        ASSERT_EQ(r.status, Status::Data);
        total += r.count;
    }
    EXPECT_LT(Clock::now() - start, 500ms);

    // A fast sender is read as it comes, not once a beat: 2 KB every 5 ms for 0.3 s.
    const std::string chunk(2000, 'y');
    std::thread fast([&] {
        for (int i = 0; i < 60; ++i) {
            gauge.Send(chunk);
            std::this_thread::sleep_for(5ms);
        }
    });
    start = Clock::now();
    for (total = 0; total < 60 * chunk.size();) {
        r = port.ReadPaced(buf, sizeof buf, gather, pace, -1);
        ASSERT_EQ(r.status, Status::Data);
        total += r.count;
    }
    fast.join();
    EXPECT_LT(Clock::now() - start, 900ms);

    // A cancel while holding ends the read at once.
    steady();
    const int cancel = ::eventfd(0, EFD_CLOEXEC);
    std::thread canceller([&] {
        std::this_thread::sleep_for(20ms);
        const uint64_t one = 1;
        EXPECT_EQ(::write(cancel, &one, sizeof one), ssize_t(sizeof one));
    });
    start = Clock::now();
    EXPECT_EQ(port.ReadPaced(buf, sizeof buf, gather, pace, cancel).status, Status::Cancelled);
    EXPECT_LT(Clock::now() - start, 500ms);
    canceller.join();
    ::close(cancel);
}

TEST(SerialPortTest, OpenIsExclusiveUntilClosed)
{
    Pty gauge;
    SerialPort first, second;
    ASSERT_EQ(first.Open(gauge.SlavePath()), 0);
    EXPECT_EQ(second.Open(gauge.SlavePath()), EBUSY);
    first.Close();
    EXPECT_EQ(second.Open(gauge.SlavePath()), 0);
}

TEST(SerialPortTest, OpenErrors)
{
    SerialPort port;
    EXPECT_EQ(port.Open("/dev/null"), ENOTTY);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Open("/dev/dabrix-no-such-port"), ENOENT);
}

TEST(SerialPortTest, LineCommandsOnADeviceWithoutModemLines)
{
    Pty gauge;
    SerialPort port;
    ASSERT_EQ(port.Open(gauge.SlavePath()), 0);
    const int dtr = port.SetLine(SerialLine::Dtr, true);
    EXPECT_TRUE(dtr == ENOTTY || dtr == EINVAL) << std::strerror(dtr);
    EXPECT_EQ(port.SuspendOutput(true), 0);
    EXPECT_EQ(port.SuspendOutput(false), 0);
    EXPECT_EQ(port.Purge(), 0);
}
