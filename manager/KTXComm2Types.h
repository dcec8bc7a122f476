#pragma once
// Types shared by the device manager, the connection items and the main window:
// port kinds, discovery modes, error codes, notifications, the device record and
// the event signatures. Everything here is a plain value type; no threads touch it
// except by copy.
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class TObject;

enum TPort : uint8_t { portNone = 0, portCOM = 1, portUSB = 2, portIrDA = 3, portBT = 4 };

// A set of TPort: bit k stands for ordinal k.
class TPorts {
public:
    constexpr TPorts() = default;
    constexpr TPorts(std::initializer_list<TPort> ports)
    {
        for (TPort p : ports)
            bits_ |= Bit(p);
    }
    constexpr bool Contains(TPort p) const { return (bits_ & Bit(p)) != 0; }
    constexpr void Include(TPort p) { bits_ |= Bit(p); }
    constexpr void Exclude(TPort p) { bits_ &= static_cast<uint8_t>(~Bit(p)); }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr uint8_t Bits() const { return bits_; }
    constexpr bool operator==(const TPorts&) const = default;

private:
    static constexpr uint8_t Bit(TPort p) { return static_cast<uint8_t>(1u << static_cast<unsigned>(p)); }
    uint8_t bits_ = 0;
};

enum TSerialMode : uint8_t { smDisabled, smManualDiscovery, smAutoDiscovery };
enum TIrDAMode : uint8_t { imDisabled, imManualDiscovery, imAutoDiscovery };
enum TUSBMode : uint8_t { umDisabled, umManualDiscovery, umAutoDiscovery };
enum TBTMode : uint8_t { bmDisabled, bmManualDiscovery, bmAutoDiscovery };

enum TErrMsg : uint8_t {
    emNone = 0,
    emPortNotExists = 1,
    emPortNotActive = 2,
    emEmptyDeviceList = 3,
    emNoDevice = 4,
    emTimeout = 5,
    emCYCTimeout = 6,
    emDeviceNotFound = 7,
    emReceiveBufferFull = 8,
    emUnknownCommand = 9,
    emWrongAddress = 10,
    emBadCheckSum = 11,
    emNAK = 12,
    emBadCmdLine = 13,
    emCantStopCYC = 14,
    emConnect = 15,
    emSendData = 16,
    emDeviceNotDisconnected = 17,
};

// The text of an error code, looked up in the current language at each call;
// empty for emNone and for any code outside 1..17.
QString ErrMsgText(int code);

// The string-resource identifier of a code's text (65311 for emPortNotExists ...), 0 if none.
int ErrMsgResourceId(int code);

enum TNotificationEvent : uint8_t {
    neHardwareChanged,
    neConnectionChanged,
    nePortChanged,
    neDeviceFound,
    neDeviceRemoved,
    neConnect,
    neDisconnect,
    neDiscoveryStarted,
    neDiscoveryCompleted,
    neMonitoringStarted,
    neMonitoringStopped,
    neConnectionItemAdd,
    neConnectionItemRemoved,
    neConnectionItemChanged,
};

// One discovered device or port. The meaning of each field depends on the port kind
// that produced it; strings hold 8-bit text as received.
struct TDevice {
    std::string Name;
    std::string SerialNo;
    std::string Description;
    std::string Info;
    int32_t ID = 0;
    bool Paired = false;
    bool Connected = false;
    int32_t Handle = 0;
    int32_t PortNumber = 0;
    std::string Address;
    std::string DeviceID;

    // Same device: every field but Description, Paired, Connected and Handle equal.
    bool SameDevice(const TDevice& other) const;
};

using TDevices = std::vector<TDevice>;

class TDeviceObject {
public:
    explicit TDeviceObject(const TDevice& device) : Device(device) {}
    virtual ~TDeviceObject() = default;
    TDevice Device;
};

// Length-prefixed byte string: byte 0 is the count (0..255), bytes 1..count the data.
struct TBuffer {
    std::array<uint8_t, 256> Bytes{};

    uint8_t Count() const { return Bytes[0]; }
    const uint8_t* Data() const { return Bytes.data() + 1; }
    uint8_t& operator[](size_t i) { return Bytes[i]; }
    uint8_t operator[](size_t i) const { return Bytes[i]; }
    void Clear() { Bytes[0] = 0; }
    // Replaces the contents with up to 255 bytes; returns how many were taken.
    size_t Assign(const uint8_t* data, size_t size);
    bool operator==(const TBuffer& other) const;
};

#pragma pack(push, 1)
struct TTelegramData {
    uint32_t Received = 0;
    uint32_t Command = 0;
    uint8_t SourceAdr = 0;
    uint8_t DestAdr = 0;
    uint8_t NakCode = 0;
    uint8_t Sequence = 0;
    bool Encoded = false;
    TBuffer Data;
};
#pragma pack(pop)

// Event signatures; an unset std::function is skipped by the caller.
using TOnDiscoveryStarted = std::function<void(TObject* Sender, TPort Port)>;
using TOnDiscoveryStopped = std::function<void(TObject* Sender, TPort Port)>;
using TOnDiscoveryComplete = std::function<void(TObject* Sender, TPort Port, const TDevices& Devices)>;
using TOnHardwareChanged = std::function<void(TObject* Sender, TPorts OldPorts, TPorts NewPorts)>;
using TOnDeviceFound = std::function<void(TObject* Sender, TPort Port, const TDevice& Device)>;
using TOnDeviceLost = std::function<void(TObject* Sender, TPort Port, const TDevice& Device)>;
using TOnError = std::function<void(TObject* Sender, TErrMsg ErrMsg, const QString& ErrTxt)>;
using TOnNotification =
    std::function<void(TObject* Sender, TNotificationEvent Event, const TDevice& Device, int Error)>;
using TOnTelegram = std::function<void(TObject* Sender, TTelegramData TelegramData, TBuffer& ResponseData)>;
