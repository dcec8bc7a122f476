#pragma once
// The emulated infrared layer. Linux has had no IrDA stack since kernel 4.17, so a folder
// stands for the air and Unix-domain sockets for the links. Other programs (the gauge
// simulator, test tools) play infrared devices on the same folder, so its layout is a
// public contract:
//
//   $DABRIX_IRDA_DIR/              the air; infrared is available while it exists
//     1A2B3C4D/                    a participant in range, named by its 4-byte device id
//                                  as 8 upper-case hex digits in address text order: this
//                                  is the device "(1A:2B:3C:4D)"
//       name                       its nickname, at most 22 bytes of 8-bit text
//       hints                      optional: its two hint bytes as 4 hex digits
//       charset                    optional: the nickname's character set as 2 hex digits
//       IrDA:IrCOMM                a service it offers: a Unix-domain stream socket named
//                                  by the service name; the data are the raw bytes
//       IrDA:IrCOMM.ias            an IAS registration record (the record's bytes), named
//                                  by the record's class name
//       lock                       this layer's own participants only: an empty file
//                                  that the owning process keeps locked (flock) while it
//                                  lives. A folder whose lock nobody holds is stale and
//                                  is removed by whoever notices it; a folder without
//                                  this file is never removed by this layer.
//
// This process becomes a participant when a socket binds a service: one folder for the
// process (a random unused id, name "Dabrix"), shared by all its bound sockets and
// removed with its sockets and records when the last of them closes. Enumerating lists
// every other participant in folder-name order.
//
// Errors are errno values (0 = success); the caller maps them to its own codes:
//   EAFNOSUPPORT   no air (DABRIX_IRDA_DIR unset or the folder missing)
//   EADDRNOTAVAIL  connect: no such service (no such participant or socket, or nobody
//                  listening on it)
//   ETIMEDOUT      connect: the wait ended before the service took the connection
//   ECANCELED      connect: the cancel descriptor became readable
//   EADDRINUSE     bind: the service is bound already
//   EINVAL         a call that does not fit the socket's state, a malformed argument
//   EISCONN        connect on a connected socket
//
// Threading: a socket is used by one thread at a time and may be handed whole to another
// (a link's reader connects and reads on its own thread). While it is connected, one
// thread may Read while another Writes. Watch delivers its notifications on the thread
// that called it, from that thread's Qt event loop; the socket must then be closed on
// that thread. The process's participant folder is shared under a lock, so sockets of
// different threads may bind.
#include "platform/irda/IrDADeviceList.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace dabrix::platform::irda {

// The longest service name (the stack's field holds 25 bytes with the terminating zero).
inline constexpr size_t kMaxServiceName = 24;
// The size of an IAS registration record (class name 64 bytes, attribute name 256,
// attribute type 4, value 1028).
inline constexpr size_t kIasRecordSize = 1352;
inline constexpr size_t kIasClassNameSize = 64;

// Socket events, with the values of the platform's FD_READ, FD_ACCEPT and FD_CLOSE bits.
enum class IrDAEvent : uint32_t { Read = 1, Accept = 8, Close = 32 };

struct IrDAReadResult {
    enum class Status {
        Data,       // `count` bytes were read
        Idle,       // nothing arrived within the wait
        Cancelled,  // the cancel descriptor became readable
        Closed,     // the peer closed the link (everything it sent has been read)
        Failed,     // another error, in `error`
    };
    Status status = Status::Idle;
    size_t count = 0;
    int error = 0;
};

class IrDASocket {
public:
    using EventHandler = std::function<void(IrDAEvent Event)>;

    virtual ~IrDASocket() = default;  // closes: unbinds, unregisters, disconnects

    // The socket's receive and send buffers (SO_RCVBUF, SO_SNDBUF); 0 leaves one as is.
    virtual int SetBufferSizes(uint32_t Receive, uint32_t Send) = 0;

    // Nine-wire (IrCOMM cooked) mode, before connecting or listening (EISCONN after).
    // The emulated link has no control channel, so the mode is recorded and the bytes
    // pass unchanged either way.
    virtual int SetNineWire(bool On) = 0;
    virtual bool NineWire() const = 0;

    // Registers an IAS record: `Size` bytes (kIasClassNameSize up to kIasRecordSize)
    // starting with the zero-terminated class name. Written to the participant folder
    // when the socket is bound (at once when it is bound already); removed when it
    // closes. EINVAL for a size out of range or a class name that cannot name a file.
    virtual int SetIasRecord(const void* Record, size_t Size) = 0;

    // Fills `Buffer` with the participants in range (see IrDADeviceList.h), without
    // this process's own; as many as fit. `Size` is the buffer's size and becomes the
    // number of bytes written. EINVAL when not even the count fits; EAFNOSUPPORT
    // without air.
    virtual int EnumerateDevices(void* Buffer, size_t& Size) = 0;

    // Offers the service: makes this process a participant and binds its socket.
    virtual int Bind(const std::string& Service) = 0;
    // Listens on the bound service (EINVAL when not bound).
    virtual int Listen(int Backlog) = 0;
    // Takes a waiting connection; never blocks (EAGAIN when none waits). The new socket
    // belongs to the calling thread and is watched for the same events by the same
    // handler as this one (Watch on it changes that).
    virtual std::unique_ptr<IrDASocket> Accept(int& Error) = 0;

    // Connects to `Service` of the participant `Device`, waiting up to `WaitMs` (no limit
    // when negative) for it to take the connection. `CancelFd`, when not -1, ends the
    // wait with ECANCELED once it is readable (it is not read).
    virtual int Connect(const DeviceId& Device, const std::string& Service, int WaitMs, int CancelFd) = 0;

    // Waits up to `WaitMs` (0: not at all; negative: no limit) for data, then reads what
    // is waiting, at most `Size` bytes. `CancelFd` as for Connect.
    virtual IrDAReadResult Read(void* Buffer, size_t Size, int WaitMs = 0, int CancelFd = -1) = 0;

    // Sends all bytes, waiting while the link's buffer is full. ETIMEDOUT when the link
    // has taken nothing for `StallMs`; EPIPE when the peer has gone.
    virtual int Write(const void* Data, size_t Size, int StallMs, size_t* Written = nullptr) = 0;

    // Delivers the events of `Events` (a mask of IrDAEvent values) to `Handler`, on the
    // calling thread from its event loop. As with the platform's asynchronous select, an
    // event comes once and again only after the call it announces: Read after Read,
    // Accept after Accept; Close comes once, after every byte before it was announced.
    // The handler may close the socket. Events 0 stops the notifications.
    virtual int Watch(uint32_t Events, EventHandler Handler) = 0;
};

// A new, unbound and unconnected socket, or null with `Error` set (EAFNOSUPPORT without
// air, EMFILE, ...).
std::unique_ptr<IrDASocket> CreateIrDASocket(int& Error);

// The air folder from DABRIX_IRDA_DIR (nothing when unset or empty), and whether it
// exists now.
std::optional<std::string> AirFolder();
bool AirPresent();

} // namespace dabrix::platform::irda
