#pragma once
// The seam between a connection item and the USB (D2XX) transport: one open USB link to
// one gauge, as the item's USB link (comm/link/UsbItemLink.h) uses it. The USB transport
// implements it and installs a factory; without one the item's USB link has no seam and
// a USB Connect fails like a failed open.
//
// The link object also holds the item's receive event: it is made with the item (so a
// failure to create the event shows at the item's creation) and lives as long as the item.
//
// Threading: Open, Close, SetControlLine and ApplyLatency run on the item's owner thread.
// Write runs on the owner thread or on the link's receive thread (replies sent from inside
// the receiver). The receiver runs on the receive thread and must not call Open or Close.
#include "comm/link/ItemLink.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

enum TControlLine : uint8_t { lnBreak = 1, lnDTR = 2, lnRTS = 3 };

namespace dabrix::comm {

// The item's link settings, as its USB link passes them on.
using UsbLinkSettings = LinkSettings;

class UsbLink {
public:
    // Gets every received chunk (1..255 bytes) on the link's receive thread.
    using Receiver = std::function<void(const uint8_t* Data, int Count)>;

    static constexpr int32_t kClosedHandle = -1;

    virtual ~UsbLink() = default;

    // Whether the receive event exists (the system could create it).
    virtual bool HasReceiveEvent() const = 0;

    // Opens the device with that serial number, sets it up and starts receiving; a link
    // that is open already is closed first. 0 on success, else the D2XX status of the
    // failed open (the link stays closed).
    virtual int Open(const std::string& SerialNo, const UsbLinkSettings& Settings, Receiver OnReceive) = 0;
    // Stops receiving and closes the device. False when the link was not open.
    virtual bool Close() = 0;
    // The handle of the open link for the device record, or kClosedHandle.
    virtual int32_t Handle() const = 0;

    // 0 when every byte went out, else the D2XX status.
    virtual int Write(const uint8_t* Data, uint32_t Count) = 0;
    // State true: break on, DTR off, RTS off; false the other way round. Status ignored.
    virtual void SetControlLine(TControlLine Line, bool State) = 0;
    // Applies the latency timer to the open link at once; the status is ignored.
    virtual void ApplyLatency(uint32_t Milliseconds) = 0;
};

// Makes the USB link of a new connection item. The USB transport installs one (at start,
// on the owner thread, before items are created); without it items have no USB link.
using UsbLinkFactory = std::function<std::unique_ptr<UsbLink>()>;
void SetUsbLinkFactory(UsbLinkFactory Factory);

// The link a new item gets from the installed factory; null without one.
std::unique_ptr<UsbLink> CreateUsbLink();

} // namespace dabrix::comm
