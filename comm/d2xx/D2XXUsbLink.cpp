#include "comm/d2xx/D2XXUsbLink.h"

namespace dabrix::comm {

int D2XXUsbLink::Open(const std::string& SerialNo, const UsbLinkSettings& Settings, Receiver OnReceive)
{
    D2XXLinkSettings settings;
    settings.BaudRate = Settings.BaudRate;
    settings.USBLatency = Settings.USBLatency;
    settings.ReceiveTimeout = Settings.ReceiveTimeout;
    settings.ShowErrors = Settings.ShowErrors;
    return static_cast<int>(link_.Open(SerialNo, settings, event_.Valid() ? &event_ : nullptr,
                                       std::move(OnReceive)));
}

int D2XXUsbLink::Write(const uint8_t* Data, uint32_t Count)
{
    return static_cast<int>(link_.Write(Data, Count));
}

void D2XXUsbLink::SetControlLine(TControlLine Line, bool State)
{
    switch (Line) {
    case lnBreak:
        link_.SetControlLine(D2XXLine::Break, State);
        return;
    case lnDTR:
        link_.SetControlLine(D2XXLine::DTR, State);
        return;
    case lnRTS:
        link_.SetControlLine(D2XXLine::RTS, State);
        return;
    }
}

void InstallD2XXUsbLinkFactory()
{
    SetUsbLinkFactory([] { return std::make_unique<D2XXUsbLink>(); });
}

} // namespace dabrix::comm
