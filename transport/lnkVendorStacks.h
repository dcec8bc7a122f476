#pragma once
// The vendor Bluetooth stacks (BlueSoleil, Toshiba, WidComm) as the library calls them.
// Each interface lists the stack's functions the library uses, under the stack's own
// names; a binding (lnkVendorLoaders.h) holds one. These stacks do not exist on Linux:
// the bindings the library makes by itself hold none and report unavailable, so the
// paths that use them are reached only where a binding with a stack is plugged in.
//
// Threading: every function may be called from any thread, also at the same time,
// unless its comment says otherwise. Handlers given to a stack may be called on any
// thread (the stack's own ones); they only post notifications.
#include "transport/lnkWindow.h"

#include <QString>
#include <QUuid>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace dabrix::transport {

// A device address as the vendor stacks take it: the six bytes, least significant first.
using VendorAddress = std::array<uint8_t, 6>;

VendorAddress VendorAddressOf(uint64_t Address);
uint64_t AddressOfVendor(const VendorAddress& Address);

// A blocking call that its caller may give up on. The caller cancels; the callee looks
// at it or waits on it and returns as soon as it can. Shared between both through a
// shared_ptr, so a call that returns late still finds it.
class Cancellation {
public:
    void Cancel();
    bool Cancelled() const;
    // Waits up to `Timeout`; true once cancelled.
    bool WaitFor(std::chrono::milliseconds Timeout) const;

private:
    mutable std::mutex lock_;
    mutable std::condition_variable changed_;
    bool cancelled_ = false;
};

// One service of a device as a vendor stack's service search reports it.
struct VendorService {
    uint8_t Channel = 0;
    QString Name;
    QString Description;
    uint32_t Handle = 0;
    QUuid Uuid;
};

// A device's facts as a vendor stack reports them.
struct VendorDeviceInfo {
    VendorAddress Address{};
    QString Name;
    uint32_t ClassOfDevice = 0;
    bool Paired = false;
    bool Connected = false;
};

// What every vendor stack has.
class VendorStack {
public:
    using PresenceHandler = std::function<void(bool Present)>;

    virtual ~VendorStack() = default;
    // Whether the stack is installed and running now.
    virtual bool Present() = 0;
    // Called whenever Present changes; an empty handler stops the calls, and once it is
    // set no call of the old one is still running.
    virtual void SetPresenceHandler(PresenceHandler Handler) = 0;
};

// --- BlueSoleil ---

// Status values of the BT_ functions.
namespace bluesoleil {
inline constexpr uint32_t kSuccess = 1;
inline constexpr uint32_t kDeviceRecordSize = 84;
inline constexpr uint32_t kSppServiceSize = 156;
inline constexpr uint32_t kRemoteInfoSize = 132;
// BT_GetRemoteDeviceInfo masks.
inline constexpr uint32_t kMaskName = 1;
inline constexpr uint32_t kMaskClass = 2;
inline constexpr uint32_t kMaskConnected = 64;
inline constexpr uint32_t kMaskPaired = 128;
// Btsdk_GetRemoteDeviceType: a device the stack keeps for itself, not a remote one.
inline constexpr uint16_t kLocalDeviceType = 1;
} // namespace bluesoleil

// A BT_ function's status as the library's code: 1 is success (0), the listed refusals
// have codes of their own, any other status is 2.
int BlueSoleilStatusCode(uint32_t Status);

struct BlueSoleilDeviceRecord {
    uint32_t Size = bluesoleil::kDeviceRecordSize;
    VendorAddress Address{};
};

struct BlueSoleilSppService {
    uint32_t Size = bluesoleil::kSppServiceSize;
    QUuid ServiceClass;
    uint8_t Channel = 0;
    uint32_t ComPort = 0;  // filled by the stack when it knows it (0: it does not say)
};

struct BlueSoleilConnectInfo {
    uint32_t ComPort = 0;
};

struct BlueSoleilRemoteInfo {
    uint32_t Size = bluesoleil::kRemoteInfoSize;
    VendorAddress Address{};
    QString Name;
    uint32_t ClassOfDevice = 0;
    bool Connected = false;
    bool Paired = false;
};

class BlueSoleilStack : public VendorStack {
public:
    // Connects the serial-port profile and makes its virtual COM port. Blocks until the
    // device answers, or returns soon after `Cancel` is cancelled; the connection
    // handle and `Service.ComPort` are filled on success (status kSuccess).
    virtual uint32_t BT_ConnectSPPExService(const BlueSoleilDeviceRecord& Device, BlueSoleilSppService& Service,
                                            uint32_t& Connection, const Cancellation& Cancel) = 0;
    virtual uint32_t BT_DisconnectSPPExService(uint32_t Connection) = 0;
    virtual uint32_t BT_GetConnectInfo(uint32_t Connection, BlueSoleilConnectInfo& Info) = 0;
    // The stack's connection callback: called with a connection's handle when the stack
    // reports it closed. An empty handler stops the calls.
    virtual void SetConnectionClosedHandler(std::function<void(uint32_t Connection)> Handler) = 0;

    // The fields named by `Mask` for the device at `Info.Address`.
    virtual uint32_t BT_GetRemoteDeviceInfo(uint32_t Mask, BlueSoleilRemoteInfo& Info) = 0;
    // The device's services of `ServiceClass` (every service when null).
    virtual uint32_t BT_BrowseServices(const VendorAddress& Address, const QUuid* ServiceClass,
                                       std::vector<VendorService>& Services) = 0;

    // Inquiry: the stack calls `Found` with each device handle it finds and `Complete`
    // once when the inquiry ends (also after Btsdk_StopDeviceDiscovery).
    virtual void Btsdk_RegisterCallback4ThirdParty(std::function<void(uint32_t Device)> Found,
                                                   std::function<void()> Complete) = 0;
    virtual uint32_t Btsdk_StartDeviceDiscovery(uint8_t Length, uint16_t MaxDevices) = 0;
    virtual uint32_t Btsdk_StopDeviceDiscovery() = 0;
    // The stored remote devices, at most `Max` handles.
    virtual uint32_t Btsdk_EnumRemoteDevices(std::vector<uint32_t>& Devices, size_t Max) = 0;
    virtual uint32_t Btsdk_GetRemoteDeviceType(uint32_t Device, uint16_t& Type) = 0;
    virtual uint32_t Btsdk_GetRemoteDeviceAddress(uint32_t Device, VendorAddress& Address) = 0;
};

// --- Toshiba ---

namespace toshiba {
inline constexpr uint32_t kPortReadyEventMask = 0x800000;
// Statuses of a COM connection request (BtConnectCOMM2's reply).
inline constexpr uint32_t kConnectFailed = 0x800200;
inline constexpr uint32_t kConnecting = 0x800201;
inline constexpr uint32_t kConnectDone = 0x8002FF;
// Status of a COM link (BtNotifyCOMM's reply).
inline constexpr uint32_t kLinkLost = 0x800440;
// Security flags of BtConnectCOMM2.
inline constexpr uint32_t kAuthenticate = 1;
inline constexpr uint32_t kEncrypt = 2;
} // namespace toshiba

class ToshibaStack : public VendorStack {
public:
    // The stack's pairing window, and a pairing asked of it: the reply is the PIN the
    // user gave, empty when pairing was refused or cancelled.
    virtual bool PairingWindowPresent() = 0;
    virtual QString RequestPairing(const VendorAddress& Address) = 0;

    // The remote device list (paired devices) and the connected device list.
    virtual bool BtGetRemoteDeviceList2(std::vector<VendorDeviceInfo>& Devices) = 0;
    virtual bool BtGetConnectedDeviceList2(std::vector<VendorDeviceInfo>& Devices) = 0;
    // A live inquiry: blocks until it ends or BtCancelDiscoverRemoteDevice.
    virtual bool BtDiscoverRemoteDevice2(uint8_t Length, std::vector<VendorDeviceInfo>& Devices) = 0;
    virtual void BtCancelDiscoverRemoteDevice() = 0;
    // The device's services of `ServiceClass` (every service when null); false when the
    // search fails.
    virtual bool BtSearchServices(const VendorAddress& Address, const QUuid* ServiceClass,
                                  std::vector<VendorService>& Services) = 0;

    // Posts `Msg` to `Window` when an event of `Mask` happens; false when refused.
    virtual bool BtNotifyEvent(uint32_t Mask, const WindowHandle& Window, uint32_t Msg) = 0;
    virtual void BtCancelNotifyEvent(const WindowHandle& Window) = 0;
    // Virtual COM ports, by name ("COM7"): false when the name is refused.
    virtual bool BtCreateCOMM(const QString& Port) = 0;
    virtual bool BtDestroyCOMM(const QString& Port) = 0;
    // Connects the port's link; the stack posts `Msg` with the request's statuses
    // (wParam) to `Window`.
    virtual bool BtConnectCOMM2(const QString& Port, const VendorAddress& Address, uint8_t Channel,
                                const WindowHandle& Window, uint32_t Msg, uint32_t Security) = 0;
    virtual bool BtDisconnectCOMM(const QString& Port) = 0;
    // Posts `Msg` with the link's statuses (wParam) to `Window`.
    virtual bool BtNotifyCOMM(const QString& Port, const WindowHandle& Window, uint32_t Msg) = 0;
    virtual void BtCancelNotifyCOMM(const QString& Port) = 0;
};

// --- WidComm (through its bridge library) ---

class WidCommStack : public VendorStack {
public:
    // Per-device facts.
    virtual bool WD_BondQuery(const VendorAddress& Address) = 0;
    virtual bool WD_IsConnected(const VendorAddress& Address) = 0;
    virtual bool WD_GetRemoteDeviceCOD(const VendorAddress& Address, uint32_t& ClassOfDevice) = 0;
    virtual bool WD_GetRemoteDeviceName(const VendorAddress& Address, QString& Name) = 0;
    // The device's services of `ServiceClass` (every service when null): 0, 44 when it
    // has none, or another of the library's codes.
    virtual int WD_EnumServices(const VendorAddress& Address, const QUuid* ServiceClass,
                                std::vector<VendorService>& Services) = 0;

    // An inquiry: the bridge posts WM_USER+11 to `Window` with the addresses found (a
    // pointer to `Count` VendorAddress values, valid while the notification is handled)
    // when it ends. 0, or a library code.
    virtual int WD_Discovery(const WindowHandle& Window, uint8_t Length) = 0;
    virtual void WD_Terminate() = 0;

    // An RFCOMM client bound to `Window`: the bridge posts to it, from its own threads,
    // the connect result (WM_USER+12, wParam a library code), received bytes (WM_USER+15,
    // wParam pointer, lParam count, valid while handled) and the link's end (WM_USER+16).
    // 0 when no client can be made.
    virtual uintptr_t WD_CreateRfCommClient(const WindowHandle& Window) = 0;
    // Starts connecting; 0, or a library code when it cannot start.
    virtual int WD_OpenRfCommClient(uintptr_t Client, const VendorAddress& Address, uint8_t Channel, bool Encryption,
                                    bool Authentication, const QString& ServiceName, const QUuid& ServiceClass) = 0;
    virtual int WD_WriteRfCommClient(uintptr_t Client, const void* Buffer, uint32_t Size) = 0;
    virtual void WD_CloseRfCommClient(uintptr_t Client) = 0;
    virtual void WD_DestroyRfCommClient(uintptr_t Client) = 0;
};

} // namespace dabrix::transport
