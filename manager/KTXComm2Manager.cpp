#include "manager/KTXComm2Manager.h"

#include "platform/UserMessage.h"
#include "transport/lnkErrors.h"

#include <chrono>

namespace {

constexpr const char* kAbout = "V3.0_10.11.14_ZW";

// The item clock divides a counter by this frequency; steady_clock's tick rate
// stands in for the high-resolution performance counter.
int64_t SteadyClockFrequency()
{
    using period = std::chrono::steady_clock::period;
    return period::num == 0 ? 0 : static_cast<int64_t>(period::den / period::num);
}

} // namespace

TKTXComm2Manager::TKTXComm2Manager(TComponent* Owner)
    : TComponent(Owner)
    , about_(QString::fromLatin1(kAbout))
    , counterFrequency_(SteadyClockFrequency())
    , connections_(std::make_unique<TKTXComm2Connection>(this, this))
    , api_(std::make_unique<TlnkAPI>(this))
{
    api_->AfterLoad = [this](TObject* Sender) { HardwareChanged(Sender); };
    api_->OnChanged = [this](TObject* Sender) { HardwareChanged(Sender); };

    // Load returns positive codes on failure (10, 11, 1): any non-zero result is a
    // failed load, shown to the user and kept in lnkVersion.
    const int result = api_->Load();
    if (result != 0) {
        lnkShowError(result);
        lnkVersion_ = QStringLiteral("Error %1").arg(result);
        return;
    }
    lnkVersion_ = api_->Version();
    SetSerialMode(smDisabled);
    SetUSBMode(umDisabled);
    SetIrDAMode(imDisabled);
    SetBluetoothMode(bmDisabled);
}

TKTXComm2Manager::~TKTXComm2Manager()
{
    connections_.reset();
    SetSerialMode(smDisabled);
    SetIrDAMode(imDisabled);
    SetUSBMode(umDisabled);
    SetBluetoothMode(bmDisabled);
    if (api_->Loaded())
        lnkShowError(api_->Unload());
    api_.reset();
}

void TKTXComm2Manager::SetConnections(const TKTXComm2Connection& source)
{
    connections_->Assign(source);
}

// Discovery components come with the discovery subsystem; until then every mode
// setter empties its list, checks its transport and stores the disabled value.
void TKTXComm2Manager::SetSerialMode(TSerialMode)
{
    comDevices_.clear();
    serialMode_ = smDisabled;
}

void TKTXComm2Manager::SetIrDAMode(TIrDAMode)
{
    irdaDevices_.clear();
    irdaMode_ = imDisabled;
}

void TKTXComm2Manager::SetUSBMode(TUSBMode)
{
    usbGauges_.clear();
    usbDevices_.clear();
    usbMode_ = umDisabled;
}

void TKTXComm2Manager::SetBluetoothMode(TBTMode)
{
    btDevices_.clear();
    btMode_ = bmDisabled;
}

QString TKTXComm2Manager::ReportError(TKTXComm2Item*, TErrMsg ErrMsg)
{
    const QString text = ErrMsgText(ErrMsg);
    if (OnError)
        OnError(this, ErrMsg, text);
    if (showErrorMsg_) {
        dabrix::platform::Beep();
        dabrix::platform::ShowUserMessage(dabrix::platform::UserMessageKind::Error, text);
    }
    return text;
}

TDevices TKTXComm2Manager::DeviceList(TPort Port) const
{
    switch (Port) {
    case portCOM:
        return comDevices_;
    case portUSB:
        return usbGauges_;
    case portIrDA:
        return irdaDevices_;
    case portBT:
        return btDevices_;
    case portNone:
        break;
    }
    return {};
}

void TKTXComm2Manager::RestartIrDATimer()
{
    // The infrared poll timer exists only while infrared discovery does.
}

void TKTXComm2Manager::HardwareChanged(TObject* Sender)
{
    const TPorts oldPorts = ports_;
    TPorts newPorts;
    if (IsTransportAvailable(trSerial))
        newPorts.Include(portCOM);
    if (IsTransportAvailable(trIrDA))
        newPorts.Include(portIrDA);
    if (IsTransportAvailable(trUSB))
        newPorts.Include(portUSB);
    if (IsTransportAvailable(trBluetooth))
        newPorts.Include(portBT);
    ports_ = newPorts;
    if (OnHardwareChanged)
        OnHardwareChanged(Sender, oldPorts, newPorts);
    NotifyAllItems(Sender, neHardwareChanged);
}

void TKTXComm2Manager::NotifyAllItems(TObject* Sender, TNotificationEvent Event)
{
    for (int i = 0; i < connections_->Count(); ++i)
        connections_->Items(i)->Notify(Sender, Event, 0, TDevice{});
}
