#include "platform/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace dabrix::platform {

namespace {
constexpr const char* kLockName = "Dabrix_Instance";
}

SingleInstance::~SingleInstance()
{
    Release();
}

SingleInstance::Result SingleInstance::Acquire(const std::string& path)
{
    Release();
    error_ = 0;
    if (path.empty()) {
        error_ = ENOENT;
        return Result::Unavailable;
    }
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        error_ = errno;
        return Result::Unavailable;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        error_ = errno;
        ::close(fd);
        return error_ == EWOULDBLOCK ? Result::AlreadyRunning : Result::Unavailable;
    }
    fd_ = fd;
    return Result::Acquired;
}

void SingleInstance::Release()
{
    if (fd_ >= 0) {
        // Closing drops the lock; the file itself stays, so a racing second start never
        // locks a file that is about to be unlinked.
        ::close(fd_);
        fd_ = -1;
    }
}

std::string SingleInstance::DefaultLockPath(const std::string& configFolder)
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::string(runtime) + "/" + kLockName;
    if (!configFolder.empty())
        return configFolder + "/" + kLockName;
    return {};
}

} // namespace dabrix::platform
