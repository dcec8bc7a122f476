#include "tools/gauge_sim/IrDAGauge.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace dabrix::tools {

namespace {

std::string FolderName(std::uint32_t id)
{
    char name[9];
    std::snprintf(name, sizeof name, "%08X", id);
    return name;
}

std::string Errno(const std::string& what)
{
    return what + ": " + std::strerror(errno);
}

// Calls `use` with the address of the service socket in `folder`; a path too long for
// the address is reached through the folder's descriptor.
template <typename Use>
bool WithServiceAddress(const std::string& folder, Use use)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::string path = folder + "/" + IrDAGauge::kService;
    int folderFd = -1;
    if (path.size() >= sizeof addr.sun_path) {
        folderFd = ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        path = "/proc/self/fd/" + std::to_string(folderFd) + "/" + IrDAGauge::kService;
    }
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    const bool done = use(addr);
    if (folderFd >= 0)
        ::close(folderFd);
    return done;
}

bool IsDeviceFolderName(const std::string& name)
{
    return name.size() == 8 && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    });
}

} // namespace

int IrDAGauge::ConnectToService(const std::string& air)
{
    std::vector<std::string> folders;
    if (DIR* dir = ::opendir(air.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            if (IsDeviceFolderName(entry->d_name))
                folders.emplace_back(entry->d_name);
        }
        ::closedir(dir);
    }
    std::sort(folders.begin(), folders.end());
    for (const std::string& name : folders) {
        // As a real gauge asks the IAS first: only a participant that registered the
        // IrCOMM class is the computer (another gauge offers the service as well).
        struct stat st {};
        if (::stat((air + "/" + name + "/" + kService + ".ias").c_str(), &st) != 0)
            continue;
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return -1;
        const bool connected = WithServiceAddress(air + "/" + name, [fd](const sockaddr_un& addr) {
            return ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
        });
        if (connected) {
            ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
            return fd;
        }
        ::close(fd);
    }
    return -1;
}

bool IrDAGauge::Create(const std::string& air, std::optional<std::uint32_t> id, const std::string& name,
                       std::string& error)
{
    Remove();
    struct stat st {};
    if (::stat(air.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "the infrared air " + air + " is not a folder";
        return false;
    }

    std::random_device random;
    for (int attempt = 0;; ++attempt) {
        id_ = id ? *id : static_cast<std::uint32_t>(random());
        if (!id && (id_ == 0 || id_ == 0xFFFFFFFF))
            continue;
        const std::string folder = air + "/" + FolderName(id_);
        if (::mkdir(folder.c_str(), 0755) == 0) {
            folder_ = folder;
            break;
        }
        if (errno != EEXIST || id || attempt > 100) {
            error = id && errno == EEXIST ? "the device " + FolderName(id_) + " is in the air already"
                                          : Errno("cannot create " + folder);
            return false;
        }
    }

    // The name first: a folder whose name cannot be read is not listed yet.
    const std::string namePath = folder_ + "/name";
    const int nameFd = ::open(namePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const bool named = nameFd >= 0 && ::write(nameFd, name.data(), name.size()) == static_cast<ssize_t>(name.size());
    if (nameFd >= 0)
        ::close(nameFd);
    if (!named) {
        error = Errno("cannot write " + namePath);
        Remove();
        return false;
    }

    listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    const bool listening = listen_ >= 0 && WithServiceAddress(folder_, [this](const sockaddr_un& addr) {
        return ::bind(listen_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
    }) && ::listen(listen_, 2) == 0;
    if (!listening) {
        error = Errno("cannot offer " + folder_ + "/" + kService);
        Remove();
        return false;
    }
    return true;
}

void IrDAGauge::Remove()
{
    if (listen_ >= 0) {
        ::close(listen_);
        listen_ = -1;
    }
    if (folder_.empty())
        return;
    ::unlink((folder_ + "/" + kService).c_str());
    ::unlink((folder_ + "/name").c_str());
    ::rmdir(folder_.c_str());
    folder_.clear();
}

int IrDAGauge::Accept() const
{
    if (listen_ < 0)
        return -1;
    return ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

std::string IrDAGauge::Address() const
{
    char text[16];
    std::snprintf(text, sizeof text, "(%02X:%02X:%02X:%02X)", id_ >> 24, (id_ >> 16) & 0xFF, (id_ >> 8) & 0xFF,
                  id_ & 0xFF);
    return text;
}

} // namespace dabrix::tools
