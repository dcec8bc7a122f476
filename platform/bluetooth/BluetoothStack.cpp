#include "platform/bluetooth/BluetoothStack.h"

#include "platform/bluetooth/BluetoothSockets.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dabrix::platform {
namespace {

// The kernel has no Bluetooth: nothing is there and nothing will come.
class AbsentBluetoothStack final : public BluetoothStack {
public:
    bool RadioPresent() override { return false; }
    void SetPresenceHandler(PresenceHandler) override {}
    BluetoothResult CachedDevices(std::vector<BluetoothDeviceInfo>& devices) override
    {
        devices.clear();
        return BluetoothResult::Unavailable;
    }
    BluetoothResult QueryDevice(BluetoothAddress, BluetoothDeviceInfo&) override
    {
        return BluetoothResult::Unavailable;
    }
    BluetoothResult StartInquiry(std::unique_ptr<BluetoothInquiry>&) override { return BluetoothResult::Unavailable; }
    BluetoothResult ServiceSearch(BluetoothAddress, const QUuid&, std::vector<uint8_t>& attributeLists, int,
                                  int) override
    {
        attributeLists.clear();
        return BluetoothResult::Unavailable;
    }
    BluetoothResult ConnectRfcomm(BluetoothAddress, uint8_t, const RfcommOptions&,
                                  std::unique_ptr<RfcommSocket>&) override
    {
        return BluetoothResult::Unavailable;
    }
};

} // namespace

std::string BluetoothAddressHex(BluetoothAddress address)
{
    char text[16];
    std::snprintf(text, sizeof text, "%012llX", static_cast<unsigned long long>(address & 0xFFFFFFFFFFFFULL));
    return text;
}

QString BluetoothAddressColons(BluetoothAddress address)
{
    const std::string hex = BluetoothAddressHex(address);
    QString text;
    for (size_t i = 0; i < hex.size(); i += 2) {
        if (i)
            text += QLatin1Char(':');
        text += QLatin1String(hex.data() + i, 2);
    }
    return text;
}

bool ParseBluetoothAddress(const QString& text, BluetoothAddress& address)
{
    QString digits;
    if (text.size() == 17) {
        const QChar separator = text[2];
        if (separator != QLatin1Char(':') && separator != QLatin1Char('_'))
            return false;
        for (int i = 0; i < 17; ++i) {
            if (i % 3 == 2) {
                if (text[i] != separator)
                    return false;
            } else {
                digits += text[i];
            }
        }
    } else if (text.size() == 12) {
        digits = text;
    } else {
        return false;
    }
    BluetoothAddress value = 0;
    for (const QChar c : digits) {
        const int d = c.isDigit() ? c.unicode() - '0'
                      : (c.toLower() >= QLatin1Char('a') && c.toLower() <= QLatin1Char('f'))
                          ? c.toLower().unicode() - 'a' + 10
                          : -1;
        if (d < 0)
            return false;
        value = (value << 4) | static_cast<unsigned>(d);
    }
    address = value;
    return true;
}

const char* BluetoothResultText(BluetoothResult result)
{
    switch (result) {
    case BluetoothResult::Ok: return "ok";
    case BluetoothResult::Unavailable: return "Bluetooth is not available";
    case BluetoothResult::NotFound: return "unknown device";
    case BluetoothResult::NoService: return "no matching service";
    case BluetoothResult::Failed: return "failed";
    case BluetoothResult::NoResources: return "out of sockets";
    case BluetoothResult::AccessDenied: return "access denied";
    case BluetoothResult::AlreadyConnected: return "already connected";
    case BluetoothResult::Aborted: return "aborted";
    case BluetoothResult::TimedOut: return "timed out";
    case BluetoothResult::Refused: return "refused";
    case BluetoothResult::ConnectFailed: return "cannot connect";
    case BluetoothResult::Cancelled: return "cancelled";
    }
    return "unknown";
}

BluetoothResult ConnectResultFromErrno(int error)
{
    switch (error) {
    case 0:
        return BluetoothResult::Ok;
    case EACCES:
    case EPERM:
    case EINVAL:
        return BluetoothResult::AccessDenied;
    case EADDRINUSE:
    case EISCONN:
        return BluetoothResult::AlreadyConnected;
    case EADDRNOTAVAIL:
        return BluetoothResult::NoService;
    case ECONNABORTED:
        return BluetoothResult::Aborted;
    case ETIMEDOUT:
        return BluetoothResult::TimedOut;
    case ECONNREFUSED:
    case EHOSTDOWN:
    case ENOENT: // a simulated channel's socket file is missing: nobody listens
        return BluetoothResult::Refused;
    default:
        return BluetoothResult::ConnectFailed;
    }
}

RfcommSocket::RfcommSocket(int fd, bool connecting) : fd_(fd), connecting_(connecting) {}

RfcommSocket::~RfcommSocket()
{
    if (fd_ >= 0)
        ::close(fd_);
}

BluetoothResult RfcommSocket::FinishConnect()
{
    if (!connecting_)
        return BluetoothResult::Ok;
    connecting_ = false;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return BluetoothResult::Failed;
    return ConnectResultFromErrno(error);
}

ssize_t RfcommSocket::Receive(void* buffer, size_t size)
{
    ssize_t n;
    do
        n = ::recv(fd_, buffer, size, 0);
    while (n < 0 && errno == EINTR);
    return n;
}

BluetoothResult RfcommSocket::Send(const void* data, size_t size, int cancelFd)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd_, p, size, MSG_NOSIGNAL);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            const auto r = bt::WaitFor(fd_, POLLOUT, bt::Deadline::max(), cancelFd);
            if (r != BluetoothResult::Ok)
                return r;
            continue;
        }
        return BluetoothResult::Failed;
    }
    return BluetoothResult::Ok;
}

std::unique_ptr<BluetoothStack> CreateAbsentBluetoothStack()
{
    return std::make_unique<AbsentBluetoothStack>();
}

std::unique_ptr<BluetoothStack> CreateBluetoothStack()
{
    if (const char* sim = std::getenv("DABRIX_BT_SIM"); sim && *sim)
        return CreateSimulatedBluetoothStack(sim);
    if (!bt::KernelHasBluetooth())
        return CreateAbsentBluetoothStack();
    return CreateBluezBluetoothStack();
}

} // namespace dabrix::platform
