// The emulated infrared layer over a folder and Unix-domain sockets (see IrDASocket.h for
// the folder's layout).
#include "platform/irda/IrDASocket.h"

#include "platform/irda/UniqueFd.h"

#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <random>
#include <stdio.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace dabrix::platform::irda {

namespace {

using Clock = std::chrono::steady_clock;

const char kNickname[] = "Dabrix";
const char kLockFile[] = "lock";
const char kNameFile[] = "name";
// A connect that finds the service's queue full tries again this often.
constexpr int kConnectRetryMs = 10;
// The most of a participant's small files that is read.
constexpr size_t kNameFileLimit = 64;
constexpr size_t kNumberFileLimit = 16;

// --- small file-system helpers ---

using Fd = UniqueFd;

bool IsFolder(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A regular file of another participant, read without following links or blocking on
// a fifo, at most `limit` bytes. Nothing when it is missing or not a regular file.
std::optional<std::string> ReadSmallFile(int dirFd, const char* name, size_t limit)
{
    Fd fd(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!fd)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    std::string text(limit, '\0');
    size_t got = 0;
    while (got < limit) {
        const ssize_t n = ::read(fd.Get(), text.data() + got, limit - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    text.resize(got);
    return text;
}

int WriteWholeFile(int dirFd, const char* name, const void* data, size_t size)
{
    Fd fd(::openat(dirFd, name, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd)
        return errno;
    const auto* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(fd.Get(), p + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? errno : EIO;
        done += static_cast<size_t>(n);
    }
    return 0;
}

struct FileId {
    dev_t dev = 0;
    ino_t ino = 0;
    bool operator==(const FileId&) const = default;
};

std::optional<FileId> IdOf(int dirFd, const std::string& name)
{
    struct stat st {};
    if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

// Removes `name` from the folder only while it is still the file we made: another
// socket may have put its own in its place since.
void UnlinkIfOurs(int dirFd, const std::string& name, const std::optional<FileId>& ours)
{
    if (ours && IdOf(dirFd, name) == ours)
        ::unlinkat(dirFd, name.c_str(), 0);
}

// A name that can stand for a file in a participant folder.
bool IsFileName(std::string_view name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos
           && name.find('\0') == std::string_view::npos;
}

bool IsServiceName(const std::string& service)
{
    return service.size() <= kMaxServiceName && IsFileName(service);
}

// A Unix-domain socket address for `leaf` in `folder`. A path too long for the address
// goes through the folder's descriptor instead (the kernel resolves /proc/self/fd/N).
struct UnixAddress {
    sockaddr_un addr{};
    socklen_t len = 0;
    Fd held;

    const sockaddr* Get() const { return reinterpret_cast<const sockaddr*>(&addr); }
};

int MakeAddress(const std::string& folder, int folderFd, const std::string& leaf, UnixAddress& out)
{
    std::string path = folder + "/" + leaf;
    if (path.size() >= sizeof out.addr.sun_path) {
        if (folderFd < 0) {
            out.held = Fd(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
            if (!out.held)
                return errno;
            folderFd = out.held.Get();
        }
        path = "/proc/self/fd/" + std::to_string(folderFd) + "/" + leaf;
        if (path.size() >= sizeof out.addr.sun_path)
            return ENAMETOOLONG;
    }
    out.addr.sun_family = AF_UNIX;
    std::memcpy(out.addr.sun_path, path.c_str(), path.size() + 1);
    out.len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + 1);
    return 0;
}

int RemainingMs(Clock::time_point deadline)
{
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

bool Readable(int fd)
{
    if (fd < 0)
        return false;
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & POLLIN);
}

// --- stale participants ---

// Removes the participant folder `name` when it carries this layer's lock file and no
// process holds that lock any more. True when it was stale (and is gone or going).
bool RemoveIfStale(int airFd, const std::string& name)
{
    Fd dir(::openat(airFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!dir)
        return false;
    Fd lock(::openat(dir.Get(), kLockFile, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!lock)
        return false;
    struct stat st {};
    if (::fstat(lock.Get(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    if (::flock(lock.Get(), LOCK_EX | LOCK_NB) != 0)
        return false;  // its owner lives (or another process is removing it right now)

    // Holding the lock keeps a second remover out while the folder is emptied. Only
    // its own entries go; anything else keeps the folder, which the next look removes.
    if (DIR* d = ::fdopendir(::dup(dir.Get()))) {
        std::vector<std::string> entries;
        while (const dirent* e = ::readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                entries.emplace_back(e->d_name);
        ::closedir(d);
        for (const auto& e : entries)
            if (e != kLockFile)
                ::unlinkat(dir.Get(), e.c_str(), 0);
    }
    ::unlinkat(dir.Get(), kLockFile, 0);
    ::unlinkat(airFd, name.c_str(), AT_REMOVEDIR);
    return true;
}

// The names of the participant folders in the air, in folder-name order.
std::vector<std::string> ParticipantFolders(int airFd)
{
    std::vector<std::string> names;
    DIR* d = ::fdopendir(::dup(airFd));
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d)) {
        if (!DeviceIdFromFolderName(e->d_name))
            continue;
        struct stat st {};
        if (::fstatat(airFd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
            names.emplace_back(e->d_name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// --- this process's participant ---

class OwnParticipant {
public:
    // Sets up a new participant folder in `air`: made complete under a hidden name
    // (lock taken, nickname written) and then renamed to a random unused id, so others
    // never see it half-made.
    static std::shared_ptr<OwnParticipant> Create(const std::string& air, int& error)
    {
        Fd airFd(::open(air.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!airFd) {
            error = errno == ENOENT ? EAFNOSUPPORT : errno;
            return nullptr;
        }
        std::string temp = air + "/.new-XXXXXX";
        if (!::mkdtemp(temp.data())) {
            error = errno;
            return nullptr;
        }
        const std::string tempName = temp.substr(air.size() + 1);
        ::chmod(temp.c_str(), 0755);
        auto own = std::shared_ptr<OwnParticipant>(new OwnParticipant);
        own->airFd_ = std::move(airFd);
        error = 0;
        own->dirFd_ = Fd(::open(temp.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!own->dirFd_)
            error = errno;
        if (error == 0) {
            own->lockFd_ = Fd(::openat(own->dirFd_.Get(), kLockFile, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
            if (!own->lockFd_ || ::flock(own->lockFd_.Get(), LOCK_EX) != 0)
                error = errno;
        }
        if (error == 0)
            error = WriteWholeFile(own->dirFd_.Get(), kNameFile, kNickname, std::strlen(kNickname));
        if (error == 0)
            error = own->Publish(tempName);
        if (error != 0) {
            if (own->dirFd_) {
                ::unlinkat(own->dirFd_.Get(), kNameFile, 0);
                ::unlinkat(own->dirFd_.Get(), kLockFile, 0);
            }
            ::unlinkat(own->airFd_.Get(), tempName.c_str(), AT_REMOVEDIR);
            own->published_ = false;
            return nullptr;
        }
        own->air_ = air;
        own->path_ = air + "/" + own->folder_;
        return own;
    }

    ~OwnParticipant()
    {
        if (!published_)
            return;
        ::unlinkat(dirFd_.Get(), kNameFile, 0);
        ::unlinkat(dirFd_.Get(), kLockFile, 0);
        ::unlinkat(airFd_.Get(), folder_.c_str(), AT_REMOVEDIR);
        // The lock goes last, so nobody takes the folder for stale while it is emptied.
    }

    const std::string& Air() const { return air_; }
    const std::string& Path() const { return path_; }
    const std::string& Folder() const { return folder_; }
    int DirFd() const { return dirFd_.Get(); }

private:
    OwnParticipant() = default;

    int Publish(const std::string& tempName)
    {
        std::random_device random;
        std::uniform_int_distribution<uint32_t> ids;
        for (int attempt = 0; attempt < 256; ++attempt) {
            const uint32_t value = ids(random);
            // 0 and the broadcast id are no device's.
            if (value == 0 || value == 0xFFFFFFFF)
                continue;
            const DeviceId id{static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                              static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
            const std::string name = FolderNameOf(id);
            int r = ::renameat2(airFd_.Get(), tempName.c_str(), airFd_.Get(), name.c_str(), RENAME_NOREPLACE);
            if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
                // A file system without no-replace renames: an empty folder of that name
                // would be replaced, so only take a name that nothing has.
                struct stat st {};
                if (::fstatat(airFd_.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0)
                    continue;
                r = ::renameat(airFd_.Get(), tempName.c_str(), airFd_.Get(), name.c_str());
            }
            if (r == 0) {
                folder_ = name;
                published_ = true;
                return 0;
            }
            if (errno != EEXIST && errno != ENOTEMPTY)
                return errno;
        }
        return EADDRINUSE;
    }

    Fd airFd_;
    Fd dirFd_;   // follows the folder through its rename
    Fd lockFd_;
    std::string air_;
    std::string folder_;
    std::string path_;
    bool published_ = false;
};

std::mutex ownLock;
std::weak_ptr<OwnParticipant> ownParticipant;

std::shared_ptr<OwnParticipant> AcquireParticipant(int& error)
{
    std::lock_guard guard(ownLock);
    if (auto own = ownParticipant.lock())
        return own;
    const auto air = AirFolder();
    if (!air || !IsFolder(*air)) {
        error = EAFNOSUPPORT;
        return nullptr;
    }
    // A good moment to clear away what dead processes left behind.
    if (Fd airFd(::open(air->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)); airFd)
        for (const auto& name : ParticipantFolders(airFd.Get()))
            RemoveIfStale(airFd.Get(), name);
    auto own = OwnParticipant::Create(*air, error);
    ownParticipant = own;
    return own;
}

// The folder name of this process's participant in `air`, if it has one.
std::optional<std::string> OwnFolderIn(const std::string& air)
{
    std::lock_guard guard(ownLock);
    if (auto own = ownParticipant.lock(); own && own->Air() == air)
        return own->Folder();
    return std::nullopt;
}

// --- the socket ---

class LinuxIrDASocket final : public IrDASocket {
public:
    enum class Role { Fresh, Bound, Listening, Connected };

    LinuxIrDASocket(int fd, Role role) : fd_(fd), role_(role) {}

    ~LinuxIrDASocket() override
    {
        notifier_.reset();
        if (participant_) {
            UnlinkIfOurs(participant_->DirFd(), service_, boundFile_);
            UnlinkIfOurs(participant_->DirFd(), iasFile_, iasWritten_);
        }
        ::close(fd_);
    }

    int SetBufferSizes(uint32_t Receive, uint32_t Send) override
    {
        for (auto [option, value] : {std::pair{SO_RCVBUF, Receive}, std::pair{SO_SNDBUF, Send}}) {
            if (value == 0)
                continue;
            const int v = static_cast<int>(std::min<uint32_t>(value, 1u << 30));
            if (::setsockopt(fd_, SOL_SOCKET, option, &v, sizeof v) != 0)
                return errno;
        }
        return 0;
    }

    int SetNineWire(bool On) override
    {
        if (role_ == Role::Listening || role_ == Role::Connected)
            return EISCONN;
        nineWire_ = On;
        return 0;
    }

    bool NineWire() const override { return nineWire_; }

    int SetIasRecord(const void* Record, size_t Size) override
    {
        if (!Record || Size < kIasClassNameSize || Size > kIasRecordSize)
            return EINVAL;
        const auto* bytes = static_cast<const char*>(Record);
        const size_t classLength = strnlen(bytes, kIasClassNameSize);
        const std::string className(bytes, classLength);
        if (classLength == kIasClassNameSize || !IsFileName(className))
            return EINVAL;
        ias_.assign(static_cast<const uint8_t*>(Record), static_cast<const uint8_t*>(Record) + Size);
        const std::string file = className + ".ias";
        if (participant_) {
            if (file != iasFile_)
                UnlinkIfOurs(participant_->DirFd(), iasFile_, iasWritten_);
            iasFile_ = file;
            return WriteIas();
        }
        iasFile_ = file;
        return 0;
    }

    int EnumerateDevices(void* Buffer, size_t& Size) override
    {
        if (!Buffer || Size < kDeviceCountSize)
            return EINVAL;
        const auto air = AirFolder();
        if (!air)
            return EAFNOSUPPORT;
        Fd airFd(::open(air->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (!airFd)
            return errno == ENOENT ? EAFNOSUPPORT : errno;
        const auto own = OwnFolderIn(*air);
        const size_t room = (Size - kDeviceCountSize) / kDeviceEntrySize;

        std::vector<DeviceInfo> devices;
        for (const auto& name : ParticipantFolders(airFd.Get())) {
            if (devices.size() == room)
                break;
            if (name == own || RemoveIfStale(airFd.Get(), name))
                continue;
            Fd dir(::openat(airFd.Get(), name.c_str(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!dir)
                continue;
            // A folder without a readable name is still being set up, or is no participant.
            const auto nickname = ReadSmallFile(dir.Get(), kNameFile, kNameFileLimit);
            if (!nickname)
                continue;
            const auto hints = ReadSmallFile(dir.Get(), "hints", kNumberFileLimit);
            const auto charset = ReadSmallFile(dir.Get(), "charset", kNumberFileLimit);
            devices.push_back(ParseParticipant(*DeviceIdFromFolderName(name), *nickname,
                                               hints ? std::optional<std::string_view>(*hints) : std::nullopt,
                                               charset ? std::optional<std::string_view>(*charset) : std::nullopt));
        }
        Size = WriteDeviceList(devices, static_cast<uint8_t*>(Buffer), Size);
        return 0;
    }

    int Bind(const std::string& Service) override
    {
        if (role_ != Role::Fresh)
            return EINVAL;
        if (!IsServiceName(Service))
            return EINVAL;
        int error = 0;
        auto participant = AcquireParticipant(error);
        if (!participant)
            return error;
        UnixAddress address;
        if (const int err = MakeAddress(participant->Path(), participant->DirFd(), Service, address); err != 0)
            return err;
        if (::bind(fd_, address.Get(), address.len) != 0)
            return errno;
        participant_ = std::move(participant);
        service_ = Service;
        boundFile_ = IdOf(participant_->DirFd(), service_);
        role_ = Role::Bound;
        return ias_.empty() ? 0 : WriteIas();
    }

    int Listen(int Backlog) override
    {
        if (role_ != Role::Bound && role_ != Role::Listening)
            return EINVAL;
        if (::listen(fd_, std::max(Backlog, 0)) != 0)
            return errno;
        role_ = Role::Listening;
        return 0;
    }

    std::unique_ptr<IrDASocket> Accept(int& Error) override
    {
        if (role_ != Role::Listening) {
            Error = EINVAL;
            return nullptr;
        }
        const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        Error = fd < 0 ? errno : 0;
        Rearm();
        if (fd < 0)
            return nullptr;
        auto accepted = std::make_unique<LinuxIrDASocket>(fd, Role::Connected);
        if (events_ != 0)
            accepted->Watch(events_, handler_);
        return accepted;
    }

    int Connect(const DeviceId& Device, const std::string& Service, int WaitMs, int CancelFd) override
    {
        if (role_ == Role::Connected)
            return EISCONN;
        if (role_ != Role::Fresh)
            return EINVAL;
        const auto air = AirFolder();
        if (!air || !IsServiceName(Service))
            return EADDRNOTAVAIL;
        UnixAddress address;
        if (const int err = MakeAddress(*air + "/" + FolderNameOf(Device), -1, Service, address); err != 0)
            return err == ENOENT || err == ENOTDIR ? EADDRNOTAVAIL : err;

        const auto deadline = WaitMs < 0 ? Clock::time_point::max() : Clock::now() + std::chrono::milliseconds(WaitMs);
        for (;;) {
            if (::connect(fd_, address.Get(), address.len) == 0) {
                role_ = Role::Connected;
                return 0;
            }
            switch (errno) {
            case EINTR:
                continue;
            case EAGAIN: {
                // The service's queue is full: it has not taken the connection yet.
                if (Readable(CancelFd))
                    return ECANCELED;
                const int left = WaitMs < 0 ? kConnectRetryMs : RemainingMs(deadline);
                if (left == 0)
                    return ETIMEDOUT;
                pollfd p{CancelFd, POLLIN, 0};
                if (::poll(&p, CancelFd >= 0 ? 1 : 0, std::min(left, kConnectRetryMs)) > 0)
                    return ECANCELED;
                continue;
            }
            case ENOENT:
            case ENOTDIR:
            case ECONNREFUSED:  // the socket is there but nobody listens on it
            case EPROTOTYPE:    // a socket of another kind
            case ENOTSOCK:
                return EADDRNOTAVAIL;
            default:
                return errno;
            }
        }
    }

    IrDAReadResult Read(void* Buffer, size_t Size, int WaitMs, int CancelFd) override
    {
        IrDAReadResult result;
        if (role_ != Role::Connected) {
            result.status = IrDAReadResult::Status::Failed;
            result.error = ENOTCONN;
            return result;
        }
        pollfd p[2] = {{fd_, POLLIN, 0}, {CancelFd, POLLIN, 0}};
        int n;
        do
            n = ::poll(p, CancelFd >= 0 ? 2 : 1, WaitMs < 0 ? -1 : WaitMs);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            result.status = IrDAReadResult::Status::Failed;
            result.error = errno;
            return result;
        }
        if (CancelFd >= 0 && (p[1].revents & POLLIN)) {
            result.status = IrDAReadResult::Status::Cancelled;
            return result;
        }
        if (n == 0)
            return result;  // idle

        const ssize_t got = ::recv(fd_, Buffer, Size, MSG_DONTWAIT);
        Rearm();
        if (got > 0) {
            result.status = IrDAReadResult::Status::Data;
            result.count = static_cast<size_t>(got);
        } else if (got == 0 || errno == ECONNRESET) {
            result.status = IrDAReadResult::Status::Closed;
        } else if (errno != EAGAIN && errno != EINTR) {
            result.status = IrDAReadResult::Status::Failed;
            result.error = errno;
        }
        return result;
    }

    int Write(const void* Data, size_t Size, int StallMs, size_t* Written) override
    {
        size_t done = 0;
        auto finish = [&](int err) {
            if (Written)
                *Written = done;
            return err;
        };
        if (role_ != Role::Connected)
            return finish(ENOTCONN);
        const auto* bytes = static_cast<const uint8_t*>(Data);
        while (done < Size) {
            const ssize_t n = ::send(fd_, bytes + done, Size - done, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                done += static_cast<size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && errno != EAGAIN)
                return finish(errno);
            pollfd p{fd_, POLLOUT, 0};
            int r;
            do
                r = ::poll(&p, 1, StallMs);
            while (r < 0 && errno == EINTR);
            if (r == 0)
                return finish(ETIMEDOUT);
            if (r < 0)
                return finish(errno);
        }
        return finish(0);
    }

    int Watch(uint32_t Events, EventHandler Handler) override
    {
        notifier_.reset();
        handler_ = nullptr;
        events_ = 0;
        if (Events == 0)
            return 0;
        if (role_ != Role::Listening && role_ != Role::Connected)
            return EINVAL;
        handler_ = std::move(Handler);
        events_ = Events;
        notifier_ = std::make_unique<QSocketNotifier>(fd_, QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { OnReadable(); });
        notifier_->setEnabled(!closeReported_);
        return 0;
    }

private:
    int WriteIas()
    {
        const std::string temp = ".new-" + iasFile_;
        int err = WriteWholeFile(participant_->DirFd(), temp.c_str(), ias_.data(), ias_.size());
        if (err == 0 && ::renameat(participant_->DirFd(), temp.c_str(), participant_->DirFd(), iasFile_.c_str()) != 0)
            err = errno;
        if (err != 0) {
            ::unlinkat(participant_->DirFd(), temp.c_str(), 0);
            return err;
        }
        iasWritten_ = IdOf(participant_->DirFd(), iasFile_);
        return 0;
    }

    // An event is announced once; the call it announces makes it possible again.
    void Rearm()
    {
        if (notifier_ && !closeReported_)
            notifier_->setEnabled(true);
    }

    void OnReadable()
    {
        IrDAEvent event;
        if (role_ == Role::Listening) {
            event = IrDAEvent::Accept;
            notifier_->setEnabled(false);
        } else {
            char byte;
            const ssize_t n = ::recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                return;
            notifier_->setEnabled(false);
            if (n > 0) {
                event = IrDAEvent::Read;
            } else {
                closeReported_ = true;
                event = IrDAEvent::Close;
            }
        }
        if (!(events_ & static_cast<uint32_t>(event)) || !handler_)
            return;
        // Last: the handler may close this socket.
        const EventHandler handler = handler_;
        handler(event);
    }

    int fd_;
    Role role_;
    bool nineWire_ = false;

    std::shared_ptr<OwnParticipant> participant_;  // while bound
    std::string service_;
    std::optional<FileId> boundFile_;
    std::vector<uint8_t> ias_;
    std::string iasFile_;
    std::optional<FileId> iasWritten_;

    uint32_t events_ = 0;
    EventHandler handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
    bool closeReported_ = false;
};

} // namespace

std::optional<std::string> AirFolder()
{
    const char* dir = std::getenv("DABRIX_IRDA_DIR");
    if (!dir || !*dir)
        return std::nullopt;
    return std::string(dir);
}

bool AirPresent()
{
    const auto air = AirFolder();
    return air && IsFolder(*air);
}

std::unique_ptr<IrDASocket> CreateIrDASocket(int& Error)
{
    if (!AirPresent()) {
        Error = EAFNOSUPPORT;
        return nullptr;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        Error = errno;
        return nullptr;
    }
    Error = 0;
    return std::make_unique<LinuxIrDASocket>(fd, LinuxIrDASocket::Role::Fresh);
}

} // namespace dabrix::platform::irda
