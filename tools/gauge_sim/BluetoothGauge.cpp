#include "tools/gauge_sim/BluetoothGauge.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace dabrix::tools {

namespace {

std::string Hex12(std::uint64_t address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%012llX", static_cast<unsigned long long>(address & 0xFFFFFFFFFFFFULL));
    return text;
}

} // namespace

std::string BluetoothGauge::Path(const std::string& suffix) const
{
    return settings_.folder + "/" + Hex12(settings_.address) + suffix;
}

std::string BluetoothGauge::Address() const
{
    const std::string hex = Hex12(settings_.address);
    std::string text = "(";
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (i)
            text += ':';
        text += hex.substr(i, 2);
    }
    return text + ")";
}

bool BluetoothGauge::WriteDeviceFile(bool withName, std::string& error) const
{
    char classText[16];
    std::snprintf(classText, sizeof classText, "%06X", settings_.classOfDevice & 0xFFFFFFu);
    const std::string text = "name=" + (withName ? settings_.name : std::string()) + "\nclass=" + classText
                             + "\nservice=" + std::to_string(settings_.channel) + "," + kSerialPortUuid
                             + ",Serial Port\n";
    // Written aside and renamed into place, so the stack never reads half a file.
    const std::string final = Path(".device");
    const std::string temporary = settings_.folder + "/." + Hex12(settings_.address) + ".device.tmp";
    std::FILE* f = std::fopen(temporary.c_str(), "w");
    if (!f || std::fputs(text.c_str(), f) < 0 || std::fclose(f) != 0 || std::rename(temporary.c_str(), final.c_str()) != 0) {
        error = "cannot write " + final + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool BluetoothGauge::Create(const BluetoothGaugeSettings& settings, std::string& error)
{
    Remove();
    settings_ = settings;
    struct stat st {};
    if (::stat(settings_.folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = "no Bluetooth folder " + settings_.folder;
        return false;
    }
    if (settings_.channel < 1 || settings_.channel > 30) {
        error = "the RFCOMM channel must be 1..30";
        return false;
    }

    const std::string endpoint = Path("." + std::to_string(settings_.channel));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (endpoint.size() >= sizeof addr.sun_path) {
        error = "the folder's path is too long for a socket: " + endpoint;
        return false;
    }
    std::memcpy(addr.sun_path, endpoint.c_str(), endpoint.size());
    ::unlink(endpoint.c_str());
    listen_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listen_ < 0 || ::bind(listen_, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0
        || ::listen(listen_, 4) != 0) {
        error = "cannot listen on " + endpoint + ": " + std::strerror(errno);
        Remove();
        return false;
    }

    int inotifyFd = -1;
    if (settings_.emptyNames > 0) {
        // Watched before the file exists, so that no read goes uncounted.
        inotifyFd = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (inotifyFd < 0 || ::inotify_add_watch(inotifyFd, settings_.folder.c_str(), IN_OPEN) < 0) {
            error = std::string("cannot watch the folder: ") + std::strerror(errno);
            if (inotifyFd >= 0)
                ::close(inotifyFd);
            Remove();
            return false;
        }
    }
    if (!WriteDeviceFile(settings_.emptyNames <= 0, error)) {
        if (inotifyFd >= 0)
            ::close(inotifyFd);
        Remove();
        return false;
    }
    created_ = true;
    if (inotifyFd >= 0) {
        watchStop_ = ::eventfd(0, EFD_CLOEXEC);
        nameWatcher_ = std::thread(&BluetoothGauge::WatchNameReads, this, inotifyFd, settings_.emptyNames);
    }
    return true;
}

void BluetoothGauge::WatchNameReads(int inotifyFd, int reads)
{
    const std::string name = Hex12(settings_.address) + ".device";
    int seen = 0;
    alignas(inotify_event) char buffer[4096];
    while (seen < reads) {
        pollfd p[2] = {{watchStop_, POLLIN, 0}, {inotifyFd, POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR)
            break;
        if (p[0].revents)
            break;
        const ssize_t n = ::read(inotifyFd, buffer, sizeof buffer);
        for (ssize_t at = 0; n > 0 && at < n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
            if (e->len > 0 && name == e->name)
                ++seen;
            at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        }
    }
    ::close(inotifyFd);
    if (seen >= reads) {
        std::string error;
        if (!WriteDeviceFile(true, error))
            std::fprintf(stderr, "gauge-sim: %s\n", error.c_str());
    }
}

void BluetoothGauge::Remove()
{
    if (nameWatcher_.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t n = ::write(watchStop_, &one, sizeof one);
        nameWatcher_.join();
    }
    if (watchStop_ >= 0) {
        ::close(watchStop_);
        watchStop_ = -1;
    }
    if (listen_ >= 0) {
        ::close(listen_);
        listen_ = -1;
        ::unlink(Path("." + std::to_string(settings_.channel)).c_str());
    }
    if (created_) {
        ::unlink(Path(".device").c_str());
        created_ = false;
    }
}

int BluetoothGauge::Accept() const
{
    if (listen_ < 0)
        return -1;
    return ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
}

} // namespace dabrix::tools
