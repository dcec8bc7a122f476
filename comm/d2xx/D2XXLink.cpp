#include "comm/d2xx/D2XXLink.h"

#include "comm/d2xx/D2XXEvent.h"
#include "comm/d2xx/D2XXUnit.h"

#include <algorithm>
#include <atomic>

namespace dabrix::comm {
namespace {

constexpr uint32_t kUsbTransferSize = 64;

uint8_t AsByte(uint32_t value)
{
    return static_cast<uint8_t>(std::min<uint32_t>(value, 255));
}

int32_t NextToken()
{
    static std::atomic<int32_t> last{0};
    int32_t token = ++last;
    if (token <= 0) {
        last = 1;
        token = 1;
    }
    return token;
}

} // namespace

D2XXLink::~D2XXLink()
{
    Close();
}

FT_STATUS D2XXLink::Open(const std::string& serialNo, const D2XXLinkSettings& settings,
                         D2XXEvent* receiveEvent, TReceiver receiver)
{
    // Opening again must not leave the earlier handle and its thread behind.
    Close();
    d2xx::SetShowErrors(settings.ShowErrors);

    FT_HANDLE handle = nullptr;
    const FT_STATUS status = d2xx::OpenBySerialNumber(serialNo, &handle);
    if (status != FT_OK)
        return status;
    handle_ = handle;
    token_ = NextToken();
    event_ = receiveEvent && receiveEvent->Valid() ? receiveEvent : nullptr;

    if (event_)
        d2xx::SetEventNotification(handle_, FT_EVENT_RXCHAR, event_->Native());
    d2xx::ResetDevice(handle_);
    d2xx::SetLatencyTimer(handle_, AsByte(settings.USBLatency));
    d2xx::SetUSBParameters(handle_, kUsbTransferSize, kUsbTransferSize);
    d2xx::SetBaudRate(handle_, settings.BaudRate);
    d2xx::SetDataCharacteristics(handle_, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
    d2xx::SetTimeouts(handle_, settings.ReceiveTimeout, settings.ReceiveTimeout);

    thread_ = std::make_unique<TKTXComm2USBReceiveThread>(std::move(receiver), handle_, event_);
    return FT_OK;
}

bool D2XXLink::Close()
{
    if (!IsOpen())
        return false;
    if (thread_) {
        thread_->Stop();
        thread_.reset();
    }
    if (event_)
        d2xx::SetEventNotificationDirect(handle_, 0, event_->Native());
    d2xx::Close(handle_);
    handle_ = nullptr;
    token_ = kClosedHandle;
    event_ = nullptr;
    return true;
}

FT_STATUS D2XXLink::Write(const uint8_t* data, uint32_t count)
{
    if (!IsOpen())
        return FT_INVALID_HANDLE;
    FT_STATUS status = FT_OK;
    const uint32_t written = d2xx::Write(handle_, data, count, &status);
    if (status == FT_OK && written < count)
        return FT_FAILED_TO_WRITE_DEVICE;
    return status;
}

FT_STATUS D2XXLink::SetControlLine(D2XXLine line, bool state)
{
    if (!IsOpen())
        return FT_INVALID_HANDLE;
    switch (line) {
    case D2XXLine::Break:
        return state ? d2xx::SetBreakOn(handle_) : d2xx::SetBreakOff(handle_);
    case D2XXLine::DTR:
        return state ? d2xx::ClrDtr(handle_) : d2xx::SetDtr(handle_);
    case D2XXLine::RTS:
        return state ? d2xx::ClrRts(handle_) : d2xx::SetRts(handle_);
    }
    return FT_INVALID_PARAMETER;
}

void D2XXLink::ApplyLatency(uint32_t milliseconds)
{
    if (IsOpen())
        d2xx::SetLatencyTimerDirect(handle_, AsByte(milliseconds));
}

} // namespace dabrix::comm
