#pragma once
// One open USB link to a gauge on the bridge chip: opening by serial number with the
// device set-up, the receive thread, writing, the modem-control lines and closing.
// The connection item's USB branch calls this; the item keeps its receive event and
// writes Handle() into its chosen device's record.
//
// Threading contract: Open, Close, SetControlLine and ApplyLatency run on the owner
// (user-interface) thread. Write may also run on the link's receive thread (replies sent
// from inside the receiver). The receiver runs on the receive thread; it must not call
// Open or Close.
#include "comm/d2xx/D2XXApi.h"
#include "comm/d2xx/KTXComm2USBReceiveThread.h"

#include <cstdint>
#include <memory>
#include <string>

namespace dabrix::comm {

class D2XXEvent;

// The modem-control lines, with the same values as the item's TControlLine.
enum class D2XXLine : uint8_t { Break = 1, DTR = 2, RTS = 3 };

struct D2XXLinkSettings {
    uint32_t BaudRate = 57600;
    uint32_t USBLatency = 10;       // ms, sent as one byte (larger values count as 255)
    uint32_t ReceiveTimeout = 1000; // ms, read and write time-out
    bool ShowErrors = false;        // the binding's show-errors flag while this link opens and runs
};

class D2XXLink {
public:
    using TReceiver = TKTXComm2USBReceiveThread::TReceiver;

    // Handle() of a closed link.
    static constexpr int32_t kClosedHandle = -1;

    D2XXLink() = default;
    ~D2XXLink();
    D2XXLink(const D2XXLink&) = delete;
    D2XXLink& operator=(const D2XXLink&) = delete;

    // Opens the device with that serial number (cut to 49 characters) and sets it up:
    // event notification on received characters (when `receiveEvent` is given), reset,
    // latency, 64-byte USB transfers, baud rate, 8N1, time-outs, then starts the receive
    // thread. A link that is open already is closed first. Returns the open's status;
    // the statuses of the set-up steps only reach the error box.
    FT_STATUS Open(const std::string& serialNo, const D2XXLinkSettings& settings,
                   D2XXEvent* receiveEvent, TReceiver receiver);

    // Stops the receive thread, switches event notification off (when an event was given)
    // and closes the handle. False when the link was not open.
    bool Close();

    bool IsOpen() const { return handle_ != nullptr; }

    // A positive number standing for the open D2XX handle (the device record's Handle
    // field has 32 bits; the library's handles do not fit), or kClosedHandle.
    int32_t Handle() const { return IsOpen() ? token_ : kClosedHandle; }
    FT_HANDLE NativeHandle() const { return handle_; }

    // Writes all `count` bytes. FT_OK only when every byte went out: a write that ran into
    // its time-out returns FT_FAILED_TO_WRITE_DEVICE (no error box for that). A closed link
    // returns FT_INVALID_HANDLE without calling the library.
    FT_STATUS Write(const uint8_t* data, uint32_t count);

    // State true switches the break on and DTR or RTS off; false the other way round.
    // A closed link returns FT_INVALID_HANDLE without calling the library.
    FT_STATUS SetControlLine(D2XXLine line, bool state);

    // The latency timer of the open link, at once; the status is ignored and no box shows.
    void ApplyLatency(uint32_t milliseconds);

private:
    FT_HANDLE handle_ = nullptr;
    int32_t token_ = kClosedHandle;
    D2XXEvent* event_ = nullptr;
    std::unique_ptr<TKTXComm2USBReceiveThread> thread_;
};

} // namespace dabrix::comm
