// The kernel's Bluetooth sockets. libbluetooth's headers give the socket structures and
// option names only; nothing of the library is called.
#include "platform/bluetooth/BluetoothSockets.h"

#include "platform/bluetooth/SdpClient.h"

#include <QDebug>

#include <bluetooth/bluetooth.h>
#include <bluetooth/l2cap.h>
#include <bluetooth/rfcomm.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace dabrix::platform::bt {
namespace {

constexpr uint16_t kSdpPsm = 1;

// bdaddr_t holds the address least significant byte first.
bdaddr_t KernelAddress(BluetoothAddress address)
{
    bdaddr_t a;
    for (int i = 0; i < 6; ++i)
        a.b[i] = static_cast<uint8_t>(address >> (8 * i));
    return a;
}

BluetoothResult SocketFailure(int error)
{
    return error == EAFNOSUPPORT || error == EPROTONOSUPPORT ? BluetoothResult::Unavailable
                                                             : BluetoothResult::NoResources;
}

// Closes the descriptor when it goes out of scope, unless released.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

} // namespace

BluetoothResult WaitFor(int fd, short events, Deadline deadline, int cancelFd)
{
    for (;;) {
        int timeout = -1;
        if (deadline != Deadline::max()) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return BluetoothResult::TimedOut;
            timeout = static_cast<int>(std::min<long long>(left.count(), 1 << 30));
        }
        pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
        const int n = ::poll(fds, cancelFd >= 0 ? 2 : 1, timeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return BluetoothResult::Failed;
        }
        if (cancelFd >= 0 && fds[1].revents)
            return BluetoothResult::Cancelled;
        if (fds[0].revents)
            return BluetoothResult::Ok;
    }
}

bool SetBufferSizes(int fd, const RfcommOptions& options)
{
    const int receive = static_cast<int>(std::min<uint32_t>(options.ReadBuffer, 1u << 30));
    const int send = static_cast<int>(std::min<uint32_t>(options.WriteBuffer, 1u << 30));
    return ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &receive, sizeof receive) == 0 &&
           ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &send, sizeof send) == 0;
}

bool KernelHasBluetooth()
{
    const int fd = ::socket(AF_BLUETOOTH, SOCK_SEQPACKET | SOCK_CLOEXEC, BTPROTO_L2CAP);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno != EAFNOSUPPORT;
}

BluetoothResult ConnectKernelRfcomm(BluetoothAddress address, uint8_t channel, const RfcommOptions& options,
                                    std::unique_ptr<RfcommSocket>& socket)
{
    Descriptor fd(::socket(AF_BLUETOOTH, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, BTPROTO_RFCOMM));
    if (fd.get() < 0)
        return SocketFailure(errno);
    const int on = 1;
    bt_security security{};
    security.level = options.Authentication || options.Encryption ? BT_SECURITY_MEDIUM : BT_SECURITY_LOW;
    if (!SetBufferSizes(fd.get(), options) ||
        ::setsockopt(fd.get(), SOL_BLUETOOTH, BT_SECURITY, &security, sizeof security) != 0) {
        qWarning().noquote() << "Dabrix: RFCOMM socket options refused:" << std::strerror(errno);
        return BluetoothResult::Failed;
    }
    ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on); // a nicety; ignored when refused

    sockaddr_rc peer{};
    peer.rc_family = AF_BLUETOOTH;
    peer.rc_bdaddr = KernelAddress(address);
    peer.rc_channel = channel;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
        socket = std::make_unique<RfcommSocket>(fd.release(), false);
        return BluetoothResult::Ok;
    }
    if (errno != EINPROGRESS)
        return ConnectResultFromErrno(errno);
    socket = std::make_unique<RfcommSocket>(fd.release(), true);
    return BluetoothResult::Ok;
}

BluetoothResult KernelServiceSearch(BluetoothAddress address, const QUuid& uuid, std::vector<uint8_t>& attributeLists,
                                    int timeoutMs, int cancelFd)
{
    attributeLists.clear();
    const Deadline deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Descriptor fd(::socket(AF_BLUETOOTH, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, BTPROTO_L2CAP));
    if (fd.get() < 0)
        return SocketFailure(errno);
    sockaddr_l2 peer{};
    peer.l2_family = AF_BLUETOOTH;
    peer.l2_psm = htobs(kSdpPsm);
    peer.l2_bdaddr = KernelAddress(address);
    peer.l2_bdaddr_type = BDADDR_BREDR;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        if (errno != EINPROGRESS)
            return ConnectResultFromErrno(errno);
        if (const auto r = WaitFor(fd.get(), POLLOUT, deadline, cancelFd); r != BluetoothResult::Ok)
            return r;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0)
            return BluetoothResult::Failed;
        if (error != 0)
            return ConnectResultFromErrno(error);
    }
    const auto r = sdp::ServiceSearchAttribute(fd.get(), uuid, attributeLists, deadline, cancelFd);
    if (r != BluetoothResult::Ok) {
        attributeLists.clear();
        return r;
    }
    return sdp::HoldsNoRecord(attributeLists) ? BluetoothResult::NoService : BluetoothResult::Ok;
}

} // namespace dabrix::platform::bt
