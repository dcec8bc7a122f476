#include "platform/SerialPort.h"

#include "platform/linux_termios2.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace dabrix::platform {

int SerialPort::Open(const std::string& path)
{
    Close();
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return errno;
    int err = 0;
    if (!::isatty(fd))
        err = ENOTTY;
    // Privileged openers pass TIOCEXCL, so the lock is what keeps two instances of the
    // program (which may run as root) off one port.
    else if (::flock(fd, LOCK_EX | LOCK_NB) != 0)
        err = errno == EWOULDBLOCK ? EBUSY : errno;
    else if (::ioctl(fd, TIOCEXCL) != 0)
        err = errno;
    if (err != 0) {
        ::close(fd);
        return err;
    }
    fd_ = fd;
    // Without it reads are simply not paced.
    writeSignal_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    return 0;
}

void SerialPort::Close()
{
    if (fd_ < 0)
        return;
    // The exclusive flag belongs to the tty, not to this descriptor: a pseudo-terminal
    // keeps it after we close unless we clear it.
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
    if (writeSignal_ >= 0)
        ::close(writeSignal_);
    writeSignal_ = -1;
}

int ApplySerialSettings(termios& tio, const SerialSettings& settings)
{
    tcflag_t size = 0;
    switch (settings.DataBits) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: return EINVAL;
    }
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXOFF | IXANY | INPCK);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
    tio.c_cflag |= size | CLOCAL | CREAD;
    switch (settings.Parity) {
    case SerialParity::None: break;
    case SerialParity::Odd: tio.c_cflag |= PARENB | PARODD; break;
    case SerialParity::Even: tio.c_cflag |= PARENB; break;
    case SerialParity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
    case SerialParity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
    }
    switch (settings.StopBits) {
    case SerialStopBits::One: break;
    case SerialStopBits::OnePointFive:
    case SerialStopBits::Two: tio.c_cflag |= CSTOPB; break;
    }
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    return 0;
}

SerialSettings SerialSettingsOf(const termios& tio, uint32_t baudRate)
{
    SerialSettings s;
    s.BaudRate = baudRate;
    switch (tio.c_cflag & CSIZE) {
    case CS5: s.DataBits = 5; break;
    case CS6: s.DataBits = 6; break;
    case CS7: s.DataBits = 7; break;
    default: s.DataBits = 8; break;
    }
    if (!(tio.c_cflag & PARENB))
        s.Parity = SerialParity::None;
    else if (tio.c_cflag & CMSPAR)
        s.Parity = (tio.c_cflag & PARODD) ? SerialParity::Mark : SerialParity::Space;
    else
        s.Parity = (tio.c_cflag & PARODD) ? SerialParity::Odd : SerialParity::Even;
    s.StopBits = (tio.c_cflag & CSTOPB) ? SerialStopBits::Two : SerialStopBits::One;
    return s;
}

int SerialPort::Configure(const SerialSettings& settings)
{
    if (settings.BaudRate == 0)
        return EINVAL;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0)
        return errno;
    if (const int err = ApplySerialSettings(tio, settings); err != 0)
        return err;
    if (::tcsetattr(fd_, TCSANOW, &tio) != 0)
        return errno;
    return linux_termios2::SetBaudRate(fd_, settings.BaudRate);
}

std::optional<SerialSettings> SerialPort::CurrentSettings() const
{
    termios tio{};
    uint32_t rate = 0;
    if (::tcgetattr(fd_, &tio) != 0 || linux_termios2::GetBaudRate(fd_, &rate) != 0)
        return std::nullopt;
    return SerialSettingsOf(tio, rate);
}

int SerialPort::Purge()
{
    return ::tcflush(fd_, TCIOFLUSH) == 0 ? 0 : errno;
}

int SerialPort::SetLine(SerialLine line, bool on)
{
    int bits = line == SerialLine::Dtr ? TIOCM_DTR : TIOCM_RTS;
    return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0 ? 0 : errno;
}

int SerialPort::SetBreak(bool on)
{
    return ::ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0 ? 0 : errno;
}

int SerialPort::SuspendOutput(bool suspended)
{
    return ::tcflow(fd_, suspended ? TCOOFF : TCOON) == 0 ? 0 : errno;
}

SerialReadResult SerialPort::Read(void* buffer, size_t size, int waitMs, int cancelFd)
{
    using Status = SerialReadResult::Status;
    pollfd fds[2] = {{fd_, POLLIN, 0}, {cancelFd, POLLIN, 0}};
    const nfds_t count = cancelFd >= 0 ? 2 : 1;
    for (;;) {
        const int ready = ::poll(fds, count, waitMs < 0 ? -1 : waitMs);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return {Status::Failed, 0, errno};
        }
        if (count == 2 && (fds[1].revents & POLLIN))
            return {Status::Cancelled, 0, 0};
        if (ready == 0)
            return {Status::Idle, 0, 0};
        if (fds[0].revents & POLLNVAL)
            return {Status::Failed, 0, EBADF};
        break;
    }
    // Readable, hung up or in error: the read tells which.
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n > 0)
            return {Status::Data, static_cast<size_t>(n), 0};
        if (n == 0)
            return {Status::Closed, 0, 0};
        switch (errno) {
        case EINTR:
            continue;
        case EAGAIN:
            // poll() said readable, but another reader (or a flush) took it.
            return {Status::Idle, 0, 0};
        case EIO:
        case ENODEV:
        case ENXIO:
            return {Status::Closed, 0, errno};
        default:
            return {Status::Failed, 0, errno};
        }
    }
}

SerialReadInterval ReadIntervalFor(const SerialSettings& settings)
{
    using std::chrono::microseconds;
    if (settings.BaudRate == 0)
        return {};
    // Start bit, data bits, parity bit, stop bits.
    const int bits = 1 + settings.DataBits + (settings.Parity == SerialParity::None ? 0 : 1)
        + (settings.StopBits == SerialStopBits::One ? 1 : 2);
    const microseconds character{(1'000'000LL * bits + settings.BaudRate - 1) / settings.BaudRate};
    const microseconds interval = std::max<microseconds>(std::chrono::milliseconds(2), 3 * character);
    return {interval, std::max<microseconds>(std::chrono::milliseconds(50), interval)};
}

SerialReadResult SerialPort::Read(void* buffer, size_t size, const SerialReadInterval& gather, int waitMs,
                                  int cancelFd)
{
    using Clock = std::chrono::steady_clock;
    // A read that brings this much comes from a sender faster than any line handed over
    // byte by byte (a burst, a buffered device): the port is then waited for, not slept
    // through, as the driver's small buffer would otherwise hold the sender back.
    constexpr size_t kStreamingRead = 64;
    SerialReadResult r = Read(buffer, size, waitMs, cancelFd);
    if (r.status != SerialReadResult::Status::Data || gather.interval.count() <= 0)
        return r;
    auto* bytes = static_cast<uint8_t*>(buffer);
    const auto end = Clock::now() + gather.total;
    size_t last = r.count;
    while (r.count < size) {
        // Sleeping through the interval, rather than waking for each byte, makes a line
        // that the driver hands over byte by byte cost this thread a few wake-ups, not
        // one per byte. A quiet line is noticed after one to two intervals.
        const auto now = Clock::now();
        if (now >= end)
            break;
        const auto pause = std::chrono::duration_cast<std::chrono::nanoseconds>(
            std::min<Clock::duration>(gather.interval, end - now));
        const timespec ts{static_cast<time_t>(pause.count() / 1'000'000'000),
                          static_cast<long>(pause.count() % 1'000'000'000)};
        const bool streaming = last >= kStreamingRead;
        pollfd fds[2];
        nfds_t count = 0;
        if (cancelFd >= 0)
            fds[count++] = {cancelFd, POLLIN, 0};
        if (streaming)
            fds[count++] = {fd_, POLLIN, 0};
        const int ready = ::ppoll(fds, count, &ts, nullptr);
        if (ready < 0 && errno != EINTR)
            break;
        if (ready > 0 && cancelFd >= 0 && (fds[0].revents & POLLIN))
            break;
        if (ready == 0 && streaming)
            break;  // quiet for the interval
        const ssize_t n = ::read(fd_, bytes + r.count, size - r.count);
        if (n > 0) {
            r.count += static_cast<size_t>(n);
            last = static_cast<size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            break;  // quiet for the interval (EAGAIN), or gone: the next read tells
        }
    }
    return r;
}

bool SerialPort::HoldOneBeat(const SerialPace& pace, int cancelFd, bool& cancelled)
{
    cancelled = false;
    // Announce the hold before looking at the write count, and a writer counts before it
    // looks at the announcement: either this side sees the write, or the writer sees the
    // hold and signals.
    readerAsleep_.store(true);
    bool beatPassed = false;
    if (writes_.load() == pace.writesSeen) {
        pollfd fds[2] = {{writeSignal_, POLLIN, 0}, {cancelFd, POLLIN, 0}};
        const nfds_t count = cancelFd >= 0 ? 2 : 1;
        const int ready = ::poll(fds, count, static_cast<int>(pace.beat.count()));
        cancelled = count == 2 && (fds[1].revents & POLLIN);
        beatPassed = ready == 0;
    }
    readerAsleep_.store(false);
    uint64_t signals;
    while (::read(writeSignal_, &signals, sizeof signals) > 0) {
    }
    return beatPassed;
}

SerialReadResult SerialPort::ReadPaced(void* buffer, size_t size, const SerialReadInterval& gather, SerialPace& pace,
                                       int cancelFd)
{
    using Clock = std::chrono::steady_clock;
    using Status = SerialReadResult::Status;
    const bool paced = pace.beat.count() > 0 && writeSignal_ >= 0;
    const size_t slow = size / 4;  // what a read of a slow stream brings at most
    if (paced && pace.holding) {
        pace.holding = false;
        bool cancelled = false;
        if (HoldOneBeat(pace, cancelFd, cancelled)) {
            SerialReadResult r = Read(buffer, size, 0, cancelFd);
            if (r.status == Status::Data) {
                pace.lastData = Clock::now();
                pace.lastCount = r.count;
                pace.writesSeen = writes_.load();
                pace.holding = r.count <= slow;
            }
            if (r.status != Status::Idle)
                return r;
            // The stream has stopped: wait for the port again.
        } else if (cancelled) {
            return {Status::Cancelled, 0, 0};
        }
    }
    SerialReadResult r = Read(buffer, size, gather, -1, cancelFd);
    if (r.status == Status::Data && paced) {
        const auto now = Clock::now();
        const uint64_t writes = writes_.load();
        pace.holding = r.count <= slow && pace.lastCount <= slow && now - pace.lastData < pace.beat
            && writes == pace.writesSeen;
        pace.lastData = now;
        pace.lastCount = r.count;
        pace.writesSeen = writes;
    }
    return r;
}

int SerialPort::Write(const void* data, size_t size, int stallMs, size_t* written)
{
    const auto* bytes = static_cast<const uint8_t*>(data);
    size_t done = 0;
    int err = 0;
    while (done < size) {
        const ssize_t n = ::write(fd_, bytes + done, size - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            err = errno;
            break;
        }
        // The driver's queue is full: wait until it takes more, but not forever.
        pollfd pfd{fd_, POLLOUT, 0};
        const int ready = ::poll(&pfd, 1, stallMs);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0) {
            err = errno;
            break;
        }
        if (ready == 0) {
            err = ETIMEDOUT;
            break;
        }
        if (pfd.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            err = (pfd.revents & POLLNVAL) ? EBADF : EIO;
            break;
        }
    }
    if (written)
        *written = done;
    // A paced reader must not sleep through the gauge's reply.
    writes_.fetch_add(1);
    if (readerAsleep_.load()) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(writeSignal_, &one, sizeof one);
    }
    return err;
}

} // namespace dabrix::platform
