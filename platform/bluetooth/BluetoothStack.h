#pragma once
// The platform's Bluetooth stack as the transport library uses it: whether a radio is
// there (and when that changes), the devices the stack knows, inquiries, per-device
// facts, the SDP service search and RFCOMM client sockets.
//
// Three implementations sit behind this interface (CreateBluetoothStack picks one):
//  - BlueZ, through its D-Bus API on the system bus (DBUS_SYSTEM_BUS_ADDRESS is honoured)
//    and the kernel's L2CAP and RFCOMM sockets;
//  - a simulated stack whose remote devices are files in a folder (DABRIX_BT_SIM), for
//    tests and the demo; see BluetoothStackSimulated.cpp for the folder's format;
//  - an absent stack where the kernel has no Bluetooth.
// Without a kernel Bluetooth family, a bluetoothd answering on the bus, or an adapter,
// the stack is simply unavailable: calls return Unavailable and nothing is shown.
//
// Threading: create, set the presence handler on and destroy a stack on its owner thread,
// which runs a Qt event loop; the presence handler is called there and nowhere else. All
// other calls may come from any thread, also at the same time. Those marked blocking wait
// for bluetoothd (a few seconds at most) or, for the service search, for the device up to
// the caller's time limit. A stack must outlive the inquiries it started; sockets are
// independent of it.
#include <QString>
#include <QUuid>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dabrix::platform {

// A 48-bit device address; in text the most significant byte comes first.
using BluetoothAddress = uint64_t;

// "AABBCCDDEEFF" (upper case), the name of a simulated device's files.
std::string BluetoothAddressHex(BluetoothAddress address);
// "AA:BB:CC:DD:EE:FF", BlueZ's form.
QString BluetoothAddressColons(BluetoothAddress address);
// Either form (12 hex digits, or 6 groups separated by ':' or '_'), either case.
bool ParseBluetoothAddress(const QString& text, BluetoothAddress& address);

enum class BluetoothResult : uint8_t {
    Ok,
    Unavailable,      // no kernel support, no bluetoothd, no adapter (or simulated folder)
    NotFound,         // the stack knows no such device
    NoService,        // the device answered the service search with no matching record
    Failed,           // the stack or the device failed otherwise (the log says how)
    NoResources,      // no socket could be made
    // Outcomes of a connect (RFCOMM, or the service search's L2CAP link):
    AccessDenied,     // the link's security could not be had
    AlreadyConnected, // the socket or address is in use
    Aborted,          // the link was given up on our side
    TimedOut,
    Refused,          // nobody listens on the channel, or the device does not answer
    ConnectFailed,    // any other connect failure
    Cancelled,        // the caller's cancel descriptor became readable
};

const char* BluetoothResultText(BluetoothResult result);

// How a failed connect's errno reads as a result (0 is Ok).
BluetoothResult ConnectResultFromErrno(int error);

struct BluetoothDeviceInfo {
    BluetoothAddress Address = 0;
    QString Name;               // empty while the stack does not know it
    uint32_t ClassOfDevice = 0; // the 24-bit class of device
    bool Paired = false;
    bool Connected = false;

    bool operator==(const BluetoothDeviceInfo&) const = default;
};

// A client socket to an RFCOMM channel. Connecting does not block: while Connecting(),
// poll Fd() for POLLOUT (with a time limit of your own), then FinishConnect(). After that
// the descriptor is a connected stream socket in non-blocking mode: poll it for POLLIN
// and read with Receive; Send waits for room itself. The destructor closes it.
// One thread at a time may use a socket, except that Receive and Send may run on two.
class RfcommSocket {
public:
    RfcommSocket(int fd, bool connecting);
    ~RfcommSocket();
    RfcommSocket(const RfcommSocket&) = delete;
    RfcommSocket& operator=(const RfcommSocket&) = delete;

    int Fd() const { return fd_; }
    bool Connecting() const { return connecting_; }
    // The outcome of the connect; Ok when the socket is connected.
    BluetoothResult FinishConnect();

    // Like read(2): the byte count, 0 when the peer closed the link, -1 with errno
    // (EAGAIN when nothing waits).
    ssize_t Receive(void* buffer, size_t size);
    // Sends all bytes, waiting for room while the socket is full; Cancelled when
    // `cancelFd` (if not -1) becomes readable first, Failed when the link breaks.
    BluetoothResult Send(const void* data, size_t size, int cancelFd = -1);

private:
    int fd_;
    bool connecting_;
};

struct RfcommOptions {
    uint32_t ReadBuffer = 4096;  // SO_RCVBUF
    uint32_t WriteBuffer = 4096; // SO_SNDBUF
    // Linux has no security level that authenticates without encrypting: either flag asks
    // for an authenticated, encrypted link (BT_SECURITY_MEDIUM); neither leaves it open.
    bool Authentication = true;
    bool Encryption = false;
};

// A running inquiry. Stop ends it (the destructor too, discarding the result).
class BluetoothInquiry {
public:
    virtual ~BluetoothInquiry() = default;
    // The devices found in range since the inquiry started. Blocking (a D-Bus round trip).
    virtual BluetoothResult Stop(std::vector<BluetoothDeviceInfo>& found) = 0;
};

class BluetoothStack {
public:
    using PresenceHandler = std::function<void(bool present)>;

    virtual ~BluetoothStack() = default;

    // Whether a radio is there now.
    virtual bool RadioPresent() = 0;
    // Called on the owner thread each time RadioPresent changes; an empty handler stops
    // the calls. Owner thread only.
    virtual void SetPresenceHandler(PresenceHandler handler) = 0;

    // The devices the stack remembers: paired ones and those seen lately, in range or
    // not, ordered by address. Blocking.
    virtual BluetoothResult CachedDevices(std::vector<BluetoothDeviceInfo>& devices) = 0;
    // One device's name, class and flags as the stack knows them; NotFound for a device it
    // does not know. Blocking.
    virtual BluetoothResult QueryDevice(BluetoothAddress address, BluetoothDeviceInfo& info) = 0;

    // Starts looking for devices in range. Several inquiries may run at once.
    virtual BluetoothResult StartInquiry(std::unique_ptr<BluetoothInquiry>& inquiry) = 0;

    // An SDP service search-attribute request for the records that contain `uuid`, all
    // attributes. `attributeLists` receives the attribute lists of the response (one
    // sequence of one attribute list per record), to be read with TlnkSDPParser; they are
    // the device's bytes, unchecked beyond the protocol's framing. NoService when no record
    // matches. Blocking: at most `timeoutMs`, or until `cancelFd` (if not -1) is readable.
    virtual BluetoothResult ServiceSearch(BluetoothAddress address, const QUuid& uuid,
                                          std::vector<uint8_t>& attributeLists, int timeoutMs = 10000,
                                          int cancelFd = -1) = 0;

    // Creates an RFCOMM client socket and starts connecting it to `channel` (1..30) of the
    // device. Ok hands over `socket`; a connect that fails at once returns its outcome
    // here, with the results FinishConnect gives, and no socket.
    virtual BluetoothResult ConnectRfcomm(BluetoothAddress address, uint8_t channel, const RfcommOptions& options,
                                          std::unique_ptr<RfcommSocket>& socket) = 0;
};

// The simulated stack when DABRIX_BT_SIM names a folder, else BlueZ when the kernel has
// Bluetooth, else the absent stack.
std::unique_ptr<BluetoothStack> CreateBluetoothStack();

std::unique_ptr<BluetoothStack> CreateBluezBluetoothStack();
std::unique_ptr<BluetoothStack> CreateSimulatedBluetoothStack(const std::string& folder);
std::unique_ptr<BluetoothStack> CreateAbsentBluetoothStack();

} // namespace dabrix::platform
