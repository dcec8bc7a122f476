#pragma once
// The client connection: one link to a gauge over a serial port, an IrDA link or a
// Bluetooth RFCOMM link through the platform's stack (lnkClientBluetooth.cpp) or through
// a vendor stack (lnkClientVendor.cpp).
//
// Connect starts the link and returns at once; the outcome, received data and link loss
// arrive later as OnConnect, OnData and OnDisconnect, always on the owner thread, from
// its event loop.
//
// Threading: every member is used on the owner thread (the thread that calls Connect).
// One worker per link reads and appends to the receive queue; it touches nothing else
// but the serial port's read side, or the IrDA or RFCOMM socket it makes, connects and
// reads, and the notification window's handle. The owner writes to that socket only once the
// worker has reported the link connected, and frees it only after the worker has left.
// The vendor-stack paths add short threads and timers of their own; lnkClientVendor.cpp
// says which thread touches what.
#include "transport/lnkConnection.h"

#include <atomic>
#include <memory>

class QTimer;

namespace dabrix::platform {
class RfcommSocket;
class SerialPort;
struct SerialReadInterval;
namespace irda {
class IrDASocket;
}
}

enum TlnkClientState { csDisconnected, csConnecting, csConnected, csDisconnecting };

using TlnkClientConnectionConnectEvent = std::function<void(TObject* Sender, int Error)>;

class TlnkCustomClientConnection : public TlnkCustomConnection {
public:
    explicit TlnkCustomClientConnection(TComponent* Owner);
    // Disconnects first (raising OnDisconnect when connected).
    ~TlnkCustomClientConnection() override;

    TlnkClientBluetoothParams* BluetoothParams() const { return bluetoothParams_.get(); }
    void SetBluetoothParams(const TlnkClientBluetoothParams* Value);
    // Milliseconds; 0 raises lnkEInvalidArgument "Timeout is not valid.".
    uint32_t ConnectTimeout() const { return connectTimeout_; }
    void SetConnectTimeout(uint32_t Value);
    TlnkClientIrDAParams* IrDAParams() const { return irdaParams_.get(); }
    void SetIrDAParams(const TlnkClientIrDAParams* Value);
    TlnkClientSerialParams* SerialParams() const { return serialParams_.get(); }
    void SetSerialParams(const TlnkClientSerialParams* Value);

    TlnkClientState State() const { return state_.load(); }

    // 0 when the connect sequence has started (serial: the port is open); exactly one
    // OnConnect follows unless Disconnect or the library's unloading comes first.
    // Non-zero: nothing started and no event follows. 42 while not idle, 13 when the
    // transport is not available, 2 when the port cannot be opened or set up (33 when
    // permission is missing), 1 when no worker can be started.
    // IrDA connects on the worker: its failures come as OnConnect's code (1 no socket,
    // 2 the socket refuses an option, 43 nothing within ConnectTimeout, 44 no such
    // service at that address, 33, 42, 32, 46 or 45 for the other refusals); Bluetooth
    // likewise, 14 when no stack or radio of it is available, 44 also when Channel is 0
    // and the service search finds no service of ServiceUuid.
    int Connect();
    // Ends the link from csConnecting (silently) or csConnected (raising OnDisconnect).
    virtual void Disconnect();

    bool IsIdle() const override { return State() == csDisconnected; }
    bool IsConnected() const override { return State() == csConnected; }

    TlnkClientConnectionConnectEvent OnConnect;
    TNotifyEvent OnDisconnect;

protected:
    void HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam) override;
    void ApiChanged() override;
    void ApiUnloading() override;
    // Only trBluetooth, trIrDA and trSerial: else lnkEInvalidTransport "Unsupportred transport.".
    void CheckTransport(TlnkTransport Value) const override;

    // 40 unless connected; 0 when every byte was handed to the port or link; 2 when it
    // fails or accepts nothing for 30 s; 16 for a transport without a write path. Blocks.
    int Write(const void* Buffer, uint32_t Size) override;
    // 40 unless connected; 4 unless serial; 5 for an unknown command; 2 when the port
    // refuses (a pseudo-terminal has no modem lines and refuses DTR and RTS); else 0.
    int SerialLineCommand(TlnkSerialLineCommand Command) override;

    virtual void DoConnect(int Error);
    virtual void DoDisconnect();

private:
    int ConnectSerial();
    int ConnectIrDA();
    int ConnectBluetooth();
    void SerialReader(int terminateFd, uint32_t readBuffer, const dabrix::platform::SerialReadInterval& gather);
    struct IrDALinkSettings;
    void IrDALink(int terminateFd, const IrDALinkSettings& settings);
    struct BluetoothLinkSettings;
    void BluetoothLink(int terminateFd, const BluetoothLinkSettings& settings);
    int WriteBluetooth(const void* Buffer, uint32_t Size);
    void TearDownTransport();

    // The vendor-stack paths (lnkClientVendor.cpp).
    struct VendorLinkSettings;
    VendorLinkSettings VendorSettings() const;
    int ConnectBlueSoleil();
    int ConnectToshiba();
    int ConnectWidComm();
    void BlueSoleilLink(int terminateFd, const VendorLinkSettings& settings);
    void ToshibaChannelLookup(const VendorLinkSettings& settings);
    void WidCommLink(int terminateFd, const VendorLinkSettings& settings);
    // True when the notification belongs to a vendor-stack path (and was handled).
    bool HandleVendorNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam);
    void ToshibaChannelFound(int Error);
    void ToshibaPortReady();
    void ToshibaConnectStatus(uint32_t Status);
    void ToshibaLinkStatus(uint32_t Status);
    void TearDownVendor();
    void TearDownToshiba();
    int WriteVendor(const void* Buffer, uint32_t Size);
    // The serial connection on a vendor stack's virtual COM port; its code is Connect's.
    int OpenInnerConnection(uint32_t Port);
    void FreeInnerConnection();
    void StartConnectTimer();
    void StopConnectTimer();
    void StartLinkLossTimer();
    void StopLinkLossTimer();

    // The serial connection on a vendor stack's virtual COM port (BlueSoleil, Toshiba).
    std::unique_ptr<TlnkCustomClientConnection> inner_;
    std::unique_ptr<dabrix::platform::SerialPort> serial_;
    // Made by the IrDA worker; see the threading note above.
    std::unique_ptr<dabrix::platform::irda::IrDASocket> irda_;
    std::unique_ptr<dabrix::platform::RfcommSocket> rfcomm_;
    // The vendor-stack link data.
    std::atomic<uintptr_t> vendorClient_{0};  // the WidComm RFCOMM client
    uint8_t vendorChannel_ = 0;
    uint32_t vendorPort_ = 0;                 // the virtual COM port's number
    bool vendorFailed_ = false;
    QString vendorPortName_;
    int toshibaState_ = 0;                    // 0 nothing, 1 port made, 2 requested, 3 inner open
    uint32_t vendorStatus_ = 0;
    std::unique_ptr<QTimer> connectTimer_;    // id 1: ConnectTimeout
    std::unique_ptr<QTimer> linkLossTimer_;   // id 2: the link-loss grace
    std::unique_ptr<TlnkClientBluetoothParams> bluetoothParams_;
    uint32_t connectTimeout_ = 20000;
    std::unique_ptr<TlnkClientIrDAParams> irdaParams_;
    std::unique_ptr<TlnkClientSerialParams> serialParams_;
    std::atomic<TlnkClientState> state_{csDisconnected};
    uint32_t blueSoleilConnection_ = 0;
    TlnkBluetoothApi linkApi_ = baMicrosoft;  // the stack of the Bluetooth link under way
};

class TlnkClient : public TlnkCustomClientConnection {
public:
    explicit TlnkClient(TComponent* Owner) : TlnkCustomClientConnection(Owner) {}

    using TlnkCustomConnection::OnData;

    int Write(const void* Buffer, uint32_t Size) override;
    int SerialLineCommand(TlnkSerialLineCommand Command) override;
};
