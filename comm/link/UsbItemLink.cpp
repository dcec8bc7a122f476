#include "comm/link/UsbItemLink.h"

namespace dabrix::comm {
namespace {

// What a missing seam answers, like a D2XX wrapper without its entry point.
constexpr int kInvalidHandle = 1;

} // namespace

void UsbItemLink::Install(std::unique_ptr<UsbLink> Link)
{
    if (usb_)
        usb_->Close();
    usb_ = std::move(Link);
}

void UsbItemLink::ApplyLatency(uint32_t Milliseconds)
{
    if (usb_)
        usb_->ApplyLatency(Milliseconds);
}

bool UsbItemLink::Matches(const TDevice& Entry, const QString& Name) const
{
    return Latin1(Entry.Info).toUpper() == Name || Latin1(Entry.SerialNo).toUpper() == Name;
}

int UsbItemLink::Open(TDevice& Device, const LinkSettings& Settings)
{
    Device.Handle = UsbLink::kClosedHandle;
    if (!usb_)
        return kInvalidHandle;
    const int status = usb_->Open(Device.SerialNo, Settings, onReceive_);
    if (status == 0)
        Device.Handle = usb_->Handle();
    return status;
}

bool UsbItemLink::Close(TDevice& Device)
{
    if (!usb_ || usb_->Handle() == UsbLink::kClosedHandle)
        return false;
    usb_->Close();
    Device.Handle = UsbLink::kClosedHandle;
    return true;
}

int UsbItemLink::Write(const uint8_t* Data, uint32_t Count)
{
    return usb_ ? usb_->Write(Data, Count) : kInvalidHandle;
}

// The seam takes the line with the item's state, in which true switches the break on and
// DTR and RTS off.
void UsbItemLink::SetControlLine(LineCommand Command)
{
    if (!usb_)
        return;
    switch (Command) {
    case LineCommand::SetBreak:
        usb_->SetControlLine(lnBreak, true);
        return;
    case LineCommand::ClearBreak:
        usb_->SetControlLine(lnBreak, false);
        return;
    case LineCommand::SetDTR:
        usb_->SetControlLine(lnDTR, false);
        return;
    case LineCommand::ClearDTR:
        usb_->SetControlLine(lnDTR, true);
        return;
    case LineCommand::SetRTS:
        usb_->SetControlLine(lnRTS, false);
        return;
    case LineCommand::ClearRTS:
        usb_->SetControlLine(lnRTS, true);
        return;
    }
}

} // namespace dabrix::comm
