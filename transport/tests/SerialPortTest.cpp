// The termios serial port, over pseudo-terminals.
#include "platform/SerialPort.h"
#include "transport/tests/Pty.h"

#include <gtest/gtest.h>

#include <cstring>
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
