#pragma once
// The emulated infrared air as another program sees and plays it: participant folders,
// their files and their service sockets made by hand with plain system calls, following
// the published layout only (none of the layer's logic), so tests check the layer
// against the contract rather than against itself.
#include "platform/irda/UniqueFd.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace dabrix::test {

using UniqueFd = platform::irda::UniqueFd;

// A temporary air folder named in DABRIX_IRDA_DIR for the object's lifetime.
class HandMadeAir {
public:
    HandMadeAir()
    {
        EXPECT_TRUE(dir_.isValid());
        path_ = dir_.path().toStdString();
        const char* old = std::getenv("DABRIX_IRDA_DIR");
        if (old)
            old_ = old;
        ::setenv("DABRIX_IRDA_DIR", path_.c_str(), 1);
    }
    ~HandMadeAir()
    {
        if (old_)
            ::setenv("DABRIX_IRDA_DIR", old_->c_str(), 1);
        else
            ::unsetenv("DABRIX_IRDA_DIR");
    }

    const std::string& Path() const { return path_; }
    std::string FolderPath(const std::string& folder) const { return path_ + "/" + folder; }

    // A participant as another program makes one: its folder and `name`, optionally
    // `hints` and `charset`, written as given.
    void AddParticipant(const std::string& folder, const std::string& name,
                        std::optional<std::string> hints = std::nullopt,
                        std::optional<std::string> charset = std::nullopt) const
    {
        ASSERT_EQ(::mkdir(FolderPath(folder).c_str(), 0755), 0) << folder << ": " << std::strerror(errno);
        WriteFile(folder + "/name", name);
        if (hints)
            WriteFile(folder + "/hints", *hints);
        if (charset)
            WriteFile(folder + "/charset", *charset);
    }

    void WriteFile(const std::string& relative, const std::string& bytes) const
    {
        const std::string path = path_ + "/" + relative;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(fd, 0) << path << ": " << std::strerror(errno);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }

    std::optional<std::string> ReadFile(const std::string& relative) const
    {
        const int fd = ::open((path_ + "/" + relative).c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            return std::nullopt;
        std::string text;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(fd, buf, sizeof buf)) > 0)
            text.append(buf, static_cast<size_t>(n));
        ::close(fd);
        return text;
    }

    // The entries of a folder of the air ("" for the air itself), sorted.
    std::vector<std::string> List(const std::string& relative = "") const
    {
        return ListOf(relative.empty() ? path_ : path_ + "/" + relative);
    }

    static std::vector<std::string> ListOf(const std::string& folder)
    {
        std::vector<std::string> names;
        DIR* d = ::opendir(folder.c_str());
        if (!d)
            return names;
        while (const dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.emplace_back(e->d_name);
        ::closedir(d);
        std::sort(names.begin(), names.end());
        return names;
    }

    // The participant folders: 8 upper-case hex digits.
    std::vector<std::string> Participants() const
    {
        std::vector<std::string> ids;
        for (const auto& n : List())
            if (n.size() == 8 && n.find_first_not_of("0123456789ABCDEF") == std::string::npos)
                ids.push_back(n);
        return ids;
    }

    bool IsSocket(const std::string& relative) const
    {
        struct stat st {};
        return ::lstat((path_ + "/" + relative).c_str(), &st) == 0 && S_ISSOCK(st.st_mode);
    }

    // A service of a hand-made participant: a Unix-domain stream socket bound in its
    // folder and listening with `backlog`.
    UniqueFd Listen(const std::string& folder, const std::string& service, int backlog = 4) const
    {
        UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un addr{};
        socklen_t len = 0;
        UniqueFd dir = Address(folder, service, addr, len);
        if (::bind(fd.Get(), reinterpret_cast<sockaddr*>(&addr), len) != 0
            || ::listen(fd.Get(), backlog) != 0) {
            ADD_FAILURE() << "cannot listen on " << folder << "/" << service << ": " << std::strerror(errno);
            return UniqueFd();
        }
        return fd;
    }

    // Connects to `folder`/`service` as another participant would; -1 with errno on failure.
    UniqueFd Connect(const std::string& folder, const std::string& service) const
    {
        UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_un addr{};
        socklen_t len = 0;
        UniqueFd dir = Address(folder, service, addr, len);
        if (::connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), len) != 0)
            return UniqueFd();
        return fd;
    }

private:
    // sun_path is short: a long path goes through the folder's descriptor.
    UniqueFd Address(const std::string& folder, const std::string& leaf, sockaddr_un& addr, socklen_t& len) const
    {
        UniqueFd dir;
        std::string path = FolderPath(folder) + "/" + leaf;
        if (path.size() >= sizeof addr.sun_path) {
            dir = UniqueFd(::open(FolderPath(folder).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            path = "/proc/self/fd/" + std::to_string(dir.Get()) + "/" + leaf;
        }
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + std::strlen(addr.sun_path) + 1);
        return dir;
    }

    QTemporaryDir dir_;
    std::string path_;
    std::optional<std::string> old_;
};

// Plain socket helpers for the other side of a link.
inline UniqueFd AcceptWithin(int listenFd, std::chrono::milliseconds timeout)
{
    pollfd p{listenFd, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(timeout.count())) <= 0)
        return UniqueFd();
    return UniqueFd(::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC));
}

inline bool SendAll(int fd, const std::string& bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads until `count` bytes came, the peer closed, or `timeout` passed.
inline std::string ReceiveUpTo(int fd, size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    std::string got;
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
            break;
        char buf[4096];
        const ssize_t n = ::recv(fd, buf, std::min(sizeof buf, count - got.size()), 0);
        if (n <= 0)
            break;
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

// Every byte value, in an order without a short period.
inline std::string AllByteValues(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

} // namespace dabrix::test
