#include "tests/support/ChildProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <csignal>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace dabrix::test {

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    if (out_ >= 0)
        ::close(out_);
}

bool ChildProcess::Start(const std::string& program, const std::vector<std::string>& args)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int rc = ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    if (rc != 0) {
        ::close(fds[0]);
        return false;
    }
    pid_ = pid;
    out_ = fds[0];
    return true;
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        const auto end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (out_ < 0 || left.count() <= 0)
            return {};
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[256];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && errno == EINTR)
                continue;
            return {};
        }
        pending_.append(buffer, static_cast<size_t>(n));
    }
}

bool ChildProcess::ReadAll(std::string& out, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    out = std::move(pending_);
    pending_.clear();
    while (out_ >= 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{out_, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            continue;
        char buffer[4096];
        const ssize_t n = ::read(out_, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(out_);
            out_ = -1;
            break;
        }
        out.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

void ChildProcess::Reap(int status)
{
    pid_ = -1;
    exited_ = WIFEXITED(status);
    exitCode_ = exited_ ? WEXITSTATUS(status) : -1;
}

bool ChildProcess::Running()
{
    if (pid_ <= 0)
        return false;
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_)
        Reap(status);
    return pid_ > 0;
}

bool ChildProcess::Wait(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Running()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void ChildProcess::Terminate()
{
    if (pid_ > 0)
        ::kill(pid_, SIGTERM);
}

} // namespace dabrix::test
