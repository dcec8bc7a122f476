#pragma once
// A helper program started by a test, with its standard output readable line by line.
//
// Started with posix_spawn rather than QProcess, for the thread checker's sake: QProcess's
// vfork-like start runs instrumented code of the child in the parent's memory, which
// leaves the checker blind to the parent's locks afterwards, and a start by fork in a
// process that has threads is refused by it outright.
#include <chrono>
#include <string>
#include <vector>

namespace dabrix::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path, or a name looked up in PATH) with `args`; its standard
    // error is the test's.
    bool Start(const std::string& program, const std::vector<std::string>& args);

    // The next line of its standard output without the line end; empty after `timeout`
    // or at the end of its output.
    std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(5));

    // Everything it writes until it closes its output (or `timeout` passes); false on a
    // time-out.
    bool ReadAll(std::string& out, std::chrono::milliseconds timeout = std::chrono::seconds(30));

    // Still running (not yet reaped).
    bool Running();
    // Waits for it to end; false when it is still running after `timeout`.
    bool Wait(std::chrono::milliseconds timeout = std::chrono::seconds(5));
    // Asks it to end (SIGTERM).
    void Terminate();

    // After it ended: whether it exited by itself, and its exit code.
    bool ExitedNormally() const { return exited_; }
    int ExitCode() const { return exitCode_; }

private:
    void Reap(int status);

    int pid_ = -1;
    int out_ = -1;
    std::string pending_;
    bool exited_ = false;
    int exitCode_ = -1;
};

} // namespace dabrix::test
