#include "tools/gauge_sim/tests/TestPort.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace dabrix::tools::test {

TestPort::~TestPort()
{
    Close();
}

bool TestPort::Open(const std::string& path)
{
    Close();
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0)
        return false;
    termios tio {};
    ::tcgetattr(fd_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(fd_, TCSANOW, &tio);
    return true;
}

void TestPort::Close()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
}

bool TestPort::Write(const Bytes& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
        if (n > 0)
            done += static_cast<size_t>(n);
        else if (n < 0 && errno == EAGAIN) {
            pollfd p{fd_, POLLOUT, 0};
            ::poll(&p, 1, 100);
        } else if (!(n < 0 && errno == EINTR))
            return false;
    }
    return true;
}

Bytes TestPort::Read(size_t count, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    Bytes out;
    while (out.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::uint8_t buf[256];
        const ssize_t n = ::read(fd_, buf, std::min(sizeof buf, count - out.size()));
        if (n > 0)
            out.insert(out.end(), buf, buf + n);
        else if (n == 0 || (errno != EAGAIN && errno != EINTR))
            break;
    }
    return out;
}

Bytes TestPort::ReadFor(std::chrono::milliseconds duration)
{
    return Read(static_cast<size_t>(-1), duration);
}

} // namespace dabrix::tools::test
