#pragma once
// One link between the program and one gauge: its settings, a snapshot of the manager's
// device list for its port kind and the device chosen from it, opening and closing over
// a COM port, infrared or Bluetooth (through its client connection) or USB (through the
// bridge chip), paced sending, the modem-control lines and the two wire protocols.
//
// The transports are links (comm/link/): the item picks the one for its port and keeps
// what it makes of their results, the link state, notifications and error codes.
//
// Every change is reported through OnNotification and every failure as a TErrMsg code;
// most failures also go to the manager's ReportError.
//
// Threading contract:
//   - The item belongs to the thread that creates it (the user-interface thread); every
//     operation runs there, except ReceiveBytes and what it calls.
//   - For a USB link, ReceiveBytes runs on the link's receive thread, and with it
//     OnTelegram, the replies' SendRaw (and its pacing wait) and ReportError.
//   - The waits of SendRaw and Connect(true) let the owner thread's events run, so other
//     events of the item (received data, notifications, sends) can run inside them; on any
//     other thread they only sleep. Received data that arrives while ReceiveBytes is
//     already busy on the same thread waits and is framed after it, in order.
//   - LinkState, CmdSendDelay and the two transfer times may be read from the receive
//     thread; the other properties are to be changed while no USB link is open.
#include "comm/KTXComm2Host.h"
#include "comm/KTXComm2UsbLink.h"
#include "comm/KTXTelegram.h"
#include "comm/link/ClientLink.h"
#include "comm/link/UsbItemLink.h"
#include "manager/KTXComm2Types.h"
#include "transport/lnkComponent.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class TKTXComm2Connection;
class TlnkClient;

enum TResetMode : uint8_t { rmRTS_low, rmRTS_high, rmDTR_low, rmDTR_high };

enum TLinkState : uint8_t { lsClosed = 0, lsDisconnected = 1, lsConnecting = 2, lsConnected = 3, lsDeviceLost = 4 };

class TKTXComm2Item : public TPersistent, private dabrix::comm::TelegramPort {
public:
    // Joins the collection (index = position), named "Connection<index>", with the
    // creation values below. A null collection gives a bare item without host, client
    // connection or USB link.
    explicit TKTXComm2Item(TKTXComm2Connection* Collection);
    // Reports neConnectionItemRemoved, closes an open link and leaves the collection.
    ~TKTXComm2Item() override;

    TKTXComm2Item(const TKTXComm2Item&) = delete;
    TKTXComm2Item& operator=(const TKTXComm2Item&) = delete;

    // Copies BaudRate and then Port, through their setters, from another item; anything
    // else is refused like TPersistent refuses it.
    void Assign(const TPersistent* Source) override;

    TKTXComm2Connection* Collection() const { return collection_; }
    int Index() const;
    QString DisplayName() const { return Name(); }

    // Published properties, in streaming order, with their creation values.
    uint32_t BaudRate() const { return baudRate_; }                        // 57600
    void SetBaudRate(uint32_t Value);  // reconnects an open link at the new rate
    uint32_t CmdSendDelay() const { return cmdSendDelay_.load(); }         // 5 ms
    void SetCmdSendDelay(uint32_t Value) { cmdSendDelay_.store(Value); }
    uint32_t CYCTimeout() const { return cycTimeout_; }                    // 3000
    void SetCYCTimeout(uint32_t Value) { cycTimeout_ = Value; }
    QString Name() const { return name_; }                                 // "Connection<index>"
    void SetName(const QString& Value) { name_ = Value; }
    uint32_t ReceiveTimeout() const { return receiveTimeout_; }            // 1000 ms (USB)
    void SetReceiveTimeout(uint32_t Value) { receiveTimeout_ = Value; }
    TPort Port() const { return port_; }                                   // portNone
    void SetPort(TPort Value);  // nePortChanged when changed; refreshes the device list
    TProtocolTyp ProtocolTyp() const { return framer_.Settings().ProtocolTyp; }  // ptKTX
    void SetProtocolTyp(TProtocolTyp Value) { framer_.Settings().ProtocolTyp = Value; }
    uint8_t ReceiveAdr() const { return framer_.Settings().ReceiveAdr; }   // 0x35
    void SetReceiveAdr(uint8_t Value) { framer_.Settings().ReceiveAdr = Value; }
    uint8_t EndOfLineChar() const { return framer_.Settings().EndOfLineChar; }  // 13
    void SetEndOfLineChar(uint8_t Value) { framer_.Settings().EndOfLineChar = Value; }
    TResetMode ResetMode() const { return resetMode_; }                    // rmRTS_low
    void SetResetMode(TResetMode Value) { resetMode_ = Value; }
    uint32_t ResetTime() const { return resetTime_; }                      // 50
    void SetResetTime(uint32_t Value) { resetTime_ = Value; }
    uint32_t BootloaderTime() const { return bootloaderTime_; }            // 200
    void SetBootloaderTime(uint32_t Value) { bootloaderTime_ = Value; }
    uint32_t RetryMax() const { return retryMax_; }                        // 3
    void SetRetryMax(uint32_t Value) { retryMax_ = Value; }
    bool SyncEventHandling() const { return syncEventHandling_; }          // false
    void SetSyncEventHandling(bool Value) { syncEventHandling_ = Value; }
    uint8_t SubAdr() const { return framer_.Settings().SubAdr; }           // 0
    void SetSubAdr(uint8_t Value) { framer_.Settings().SubAdr = Value; }
    uint8_t TransmitAdr() const { return framer_.Settings().TransmitAdr; } // 0x7F
    void SetTransmitAdr(uint8_t Value) { framer_.Settings().TransmitAdr = Value; }
    uint32_t USBLatency() const { return usbLatency_; }                    // 10 ms
    void SetUSBLatency(uint32_t Value);  // applied at once to an open USB link
    QString ClassVersion() const { return classVersion_; }                 // "1.0"
    void SetClassVersion(const QString& Value) { classVersion_ = Value; }
    TOnNotification OnNotification;
    TOnTelegram OnTelegram;

    // Further state.
    TLinkState LinkState() const { return linkState_.load(); }
    const std::string& DeviceName() const { return deviceName_; }
    const TDevices& Devices() const { return devices_; }
    // The chosen device, null when none is chosen. For an open USB link its Handle is the
    // link's handle, else -1.
    const TDeviceObject* Device() const { return device_.get(); }
    TlnkClient* Client() const { return client_.get(); }
    // The most recent received unit; Received is 1 once one has arrived.
    TTelegramData LastTelegram() const { return framer_.LastTelegram(); }
    uint32_t LastSendTime() const { return lastSend_.load(); }
    uint32_t LastReceiveTime() const { return lastReceive_.load(); }

    // Choosing a device.
    void RefreshDeviceList();
    TErrMsg SelectDevice(int Index);
    // The first entry of Devices with the record's Address that is the same device;
    // its index, or -1.
    int FindDevice(const TDevice& Device);
    // By a name a user typed or saw: "COM 3" on COM ports, Info or SerialNo on USB, Name
    // on infrared, Name or Address on Bluetooth; case does not matter. Raises
    // dabrix::comm::ConvertError for "COM" followed by text that is not a number.
    TErrMsg SelectDeviceByName(const QString& Name);

    // Opens the link to the chosen device. With Wait, runs the owner thread's events
    // until the link is up (emConnect after about 5 s, or at once when the attempt fails).
    TErrMsg Connect(bool Wait);
    // Closes the link; false when there was nothing to close.
    bool Disconnect();

    // Frames Buffer by ProtocolTyp (a 0x02 telegram, or raw) and sends it paced.
    TErrMsg Send(const TBuffer& Buffer);
    // Writes Buffer[1..count] at least CmdSendDelay ms after the last transfer either way.
    TErrMsg SendRaw(const TBuffer& Buffer);
    // State true: break on, DTR off, RTS off. Serial and USB links only.
    void SetControlLine(TControlLine Line, bool State);
    // The data bytes as characters U+0000..U+00FF, zero bytes included.
    static QString BufferToString(const TBuffer& Buffer);

    // From the manager (and the item itself). Device lost while connecting or connected
    // closes the link and leaves lsDeviceLost; then OnNotification.
    void Notify(TObject* Sender, TNotificationEvent Event, int Error, const TDevice& Device);
    void Notify(TObject* Sender, TNotificationEvent Event) { Notify(Sender, Event, 0, TDevice{}); }

    // Received bytes from the client connection (Sender = the client) or the USB link
    // (Sender = the item). Frames them by ProtocolTyp and delivers units via OnTelegram.
    void ReceiveBytes(TObject* Sender, const uint8_t* Bytes, int Count);

    // The item's 32-bit millisecond clock: the counter scaled by the host's
    // CounterFrequency, or the system's millisecond tick when that is 0.
    uint32_t Now() const;
    // Replaces the counter the clock reads (tests: a clock near its 32-bit wrap).
    void SetCounterSource(std::function<int64_t()> Counter) { counter_ = std::move(Counter); }

    // Replaces the USB link (tests; the USB transport comes through CreateUsbLink).
    void SetUsbLink(std::unique_ptr<dabrix::comm::UsbLink> Link);

private:
    // dabrix::comm::TelegramPort
    void ReportError(TErrMsg ErrMsg) override { Report(ErrMsg); }
    bool HasTelegramHandler() const override { return static_cast<bool>(OnTelegram); }
    void DeliverTelegram(const TTelegramData& Telegram, TBuffer& Response) override;
    void SendReply(const TBuffer& Frame) override { SendRaw(Frame); }

    void Report(TErrMsg ErrMsg);
    // The link for Port; null for portNone (and for a COM port, infrared or Bluetooth on
    // an item without a client connection).
    dabrix::comm::ItemLink* LinkForPort();
    TErrMsg OpenLink(dabrix::comm::ItemLink& Link);
    void ClientConnected(TObject* Sender, int Error);
    void ClientDisconnected(TObject* Sender);
    TDevice ChosenDevice() const { return device_ ? device_->Device : TDevice{}; }
    bool OnOwnerThread() const;
    // Lets the owner thread's events run (elsewhere nothing), then sleeps.
    void Pause(int milliseconds) const;
    void PaceSend();

    TKTXComm2Connection* collection_ = nullptr;
    TKTXComm2Host* host_ = nullptr;
    std::thread::id ownerThread_;

    uint32_t baudRate_ = 57600;
    std::atomic<uint32_t> cmdSendDelay_ = 5;
    uint32_t cycTimeout_ = 3000;
    QString name_;
    uint32_t receiveTimeout_ = 1000;
    TPort port_ = portNone;
    TResetMode resetMode_ = rmRTS_low;
    uint32_t resetTime_ = 50;
    uint32_t bootloaderTime_ = 200;
    uint32_t retryMax_ = 3;
    bool syncEventHandling_ = false;
    uint32_t usbLatency_ = 10;
    QString classVersion_ = QStringLiteral("1.0");

    std::atomic<TLinkState> linkState_ = lsDisconnected;
    std::string deviceName_;
    std::atomic<uint32_t> lastSend_ = 0;
    std::atomic<uint32_t> lastReceive_ = 0;
    std::function<int64_t()> counter_;

    // Framing state and the protocol properties (ProtocolTyp, addresses, end of line).
    dabrix::comm::TelegramFramer framer_{*this};
    // ReceiveBytes is busy on this item: chunks that arrive meanwhile wait here.
    struct PendingChunk {
        TObject* Sender;
        std::vector<uint8_t> Bytes;
    };
    bool receiving_ = false;
    std::deque<PendingChunk> pending_;
    TObject* receiveSender_ = nullptr;

    std::unique_ptr<TlnkClient> client_;
    // Over the client connection, which they share.
    std::unique_ptr<dabrix::comm::SerialLink> serialLink_;
    std::unique_ptr<dabrix::comm::IrDALink> irdaLink_;
    std::unique_ptr<dabrix::comm::BluetoothLink> bluetoothLink_;
    // Over the UsbLink seam; the USB path passes the item itself as the sender.
    dabrix::comm::UsbItemLink usbLink_{
        [this](const uint8_t* Data, int Count) { ReceiveBytes(this, Data, Count); }};
    TDevices devices_;
    std::unique_ptr<TDeviceObject> device_;
};

namespace dabrix::comm {

// The values the main window gives its item "Connection0": raw protocol, every received
// chunk a unit, 10 ms USB time-outs.
void ApplyMainWindowSettings(TKTXComm2Item& Item);

} // namespace dabrix::comm
