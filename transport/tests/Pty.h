#pragma once
// A pseudo-terminal standing in for a gauge on a serial port: the test plays the gauge
// on the master side; the code under test opens the slave path as its port.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace dabrix::test {

class Pty {
public:
    Pty()
    {
        int slave = -1;
        if (::openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) {
            ADD_FAILURE() << "openpty failed: " << errno;
            return;
        }
        slavePath_ = ::ttyname(slave);
        ::close(slave);
    }
    ~Pty() { CloseMaster(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    const std::string& SlavePath() const { return slavePath_; }
    int Master() const { return master_; }

    // Writes everything from the gauge side (blocks while the port's queue is full).
    void Send(const void* data, size_t size)
    {
        const auto* p = static_cast<const uint8_t*>(data);
        while (size > 0) {
            const ssize_t n = ::write(master_, p, size);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                ADD_FAILURE() << "gauge write failed: " << errno;
                return;
            }
            p += n;
            size -= static_cast<size_t>(n);
        }
    }
    void Send(const std::string& text) { Send(text.data(), text.size()); }

    // Reads what the program wrote until `size` bytes came or `timeout` passed.
    std::vector<uint8_t> Receive(size_t size, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::vector<uint8_t> got;
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (got.size() < size) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                break;
            pollfd pfd{master_, POLLIN, 0};
            if (::poll(&pfd, 1, static_cast<int>(left.count())) <= 0)
                continue;
            uint8_t buf[4096];
            const ssize_t n = ::read(master_, buf, std::min(sizeof buf, size - got.size()));
            if (n <= 0)
                break;
            got.insert(got.end(), buf, buf + n);
        }
        return got;
    }

    // The gauge goes away: the port hangs up.
    void CloseMaster()
    {
        if (master_ >= 0)
            ::close(master_);
        master_ = -1;
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

} // namespace dabrix::test
