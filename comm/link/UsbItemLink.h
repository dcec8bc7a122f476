#pragma once
// The link of the USB port kind: a gauge on the bridge chip, through the UsbLink seam
// (KTXComm2UsbLink.h) that the USB transport installs. The device is chosen by its Info
// or SerialNo and opened by its serial number; the chosen device's Handle carries the
// open link's handle, and -1 while none is open. Without a seam every Open fails like a
// missing library entry point.
//
// Threading: as ItemLink says; the receiver runs on the seam's receive thread.
#include "comm/KTXComm2UsbLink.h"
#include "comm/link/ItemLink.h"

#include <memory>

namespace dabrix::comm {

class UsbItemLink final : public ItemLink {
public:
    // OnReceive gets every received chunk of an open link.
    explicit UsbItemLink(UsbLink::Receiver OnReceive) : onReceive_(std::move(OnReceive)) {}
    // Closes an open link: its receive thread calls the receiver, so it ends first.
    ~UsbItemLink() override { Install(nullptr); }

    UsbItemLink(const UsbItemLink&) = delete;
    UsbItemLink& operator=(const UsbItemLink&) = delete;

    // Closes the seam in place (it may be open) and takes Link instead.
    void Install(std::unique_ptr<UsbLink> Link);
    // Whether the item's receive event is missing (there is a seam, but the system could
    // not create its event).
    bool LacksReceiveEvent() const { return usb_ && !usb_->HasReceiveEvent(); }
    // The latency timer of an open link, at once; the status is ignored.
    void ApplyLatency(uint32_t Milliseconds);

    std::string DeviceName(const TDevice& Entry) const override { return Entry.Info; }
    bool Matches(const TDevice& Entry, const QString& Name) const override;
    bool RaisesOwnEvents() const override { return false; }
    // Opening again closes an open link first, so an Open may always start.
    bool Idle() const override { return true; }
    int Open(TDevice& Device, const LinkSettings& Settings) override;
    bool Close(TDevice& Device) override;
    int Write(const uint8_t* Data, uint32_t Count) override;
    void SetControlLine(LineCommand Command) override;

private:
    UsbLink::Receiver onReceive_;
    std::unique_ptr<UsbLink> usb_;
};

} // namespace dabrix::comm
