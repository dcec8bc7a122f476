#pragma once
// The program's side of the simulator's pseudo-terminal, for tests.
#include "tools/gauge_sim/KtxFrame.h"

#include <chrono>
#include <string>

namespace dabrix::tools::test {

class TestPort {
public:
    TestPort() = default;
    ~TestPort();
    TestPort(const TestPort&) = delete;
    TestPort& operator=(const TestPort&) = delete;

    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }

    bool Write(const Bytes& bytes);
    bool Write(const std::string& text) { return Write(Bytes(text.begin(), text.end())); }
    // Reads until `count` bytes have come or `timeout` has passed; returns what came.
    Bytes Read(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Everything that arrives within `duration`.
    Bytes ReadFor(std::chrono::milliseconds duration);

private:
    int fd_ = -1;
};

inline Bytes B(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

} // namespace dabrix::tools::test
