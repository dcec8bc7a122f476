#pragma once
// The connection item's USB link (the UsbLink seam of comm/) over the D2XX binding: the
// item's receive event and one D2XXLink. InstallD2XXUsbLinkFactory makes every new item
// get one.
//
// Threading: as UsbLink says. The event outlives the link (members end in reverse order),
// so the library is never left signalling a destroyed event.
#include "comm/KTXComm2UsbLink.h"
#include "comm/d2xx/D2XXEvent.h"
#include "comm/d2xx/D2XXLink.h"

namespace dabrix::comm {

class D2XXUsbLink final : public UsbLink {
public:
    bool HasReceiveEvent() const override { return event_.Valid(); }
    int Open(const std::string& SerialNo, const UsbLinkSettings& Settings, Receiver OnReceive) override;
    bool Close() override { return link_.Close(); }
    int32_t Handle() const override { return link_.Handle(); }
    int Write(const uint8_t* Data, uint32_t Count) override;
    void SetControlLine(TControlLine Line, bool State) override;
    void ApplyLatency(uint32_t Milliseconds) override { link_.ApplyLatency(Milliseconds); }

private:
    D2XXEvent event_;
    D2XXLink link_;
};

// Installs the factory that gives each new connection item a D2XXUsbLink. Call on the
// owner thread before items are created.
void InstallD2XXUsbLinkFactory();

} // namespace dabrix::comm
