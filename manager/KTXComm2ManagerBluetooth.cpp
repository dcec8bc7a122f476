// The manager's Bluetooth side: the mode setter, the manual inquiry and the handlers of
// the Bluetooth discovery, which keep BTDevices.
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "platform/UserMessage.h"
#include "transport/lnkErrors.h"

#include <QCoreApplication>

#include <chrono>
#include <thread>

namespace {

// The manual inquiry: 10 units with the stack's remembered devices; the watcher: 5 units.
constexpr uint8_t kInquiryLength = 10;
constexpr uint8_t kMonitorLength = 5;

constexpr int kNameAttempts = 5;
constexpr auto kNameRetryWait = std::chrono::milliseconds(500);

} // namespace

void TKTXComm2Manager::SetBluetoothMode(TBTMode value)
{
    btDevices_.clear();
    if (!IsTransportAvailable(trBluetooth)) {
        btMode_ = bmDisabled;
        return;
    }
    btMode_ = value;
    if (value != bmDisabled && !btDiscovery_) {
        btDiscovery_ = std::make_unique<TlnkBluetoothDiscovery>(this);
        btDiscovery_->OnDiscoveryStarted = [this](TObject* Sender, const TlnkBluetoothRadio* Radio) {
            BTStarted(Sender, Radio);
        };
        btDiscovery_->OnDiscoveryComplete = [this](TObject* Sender, const TlnkBluetoothRadio* Radio,
                                                   const TlnkBluetoothDevices* Devices) {
            BTComplete(Sender, Radio, Devices);
        };
        btDiscovery_->OnDeviceFound = [this](TObject* Sender, const TlnkBluetoothRadio* Radio,
                                             const TlnkBluetoothDevice* Device) { BTDeviceFound(Sender, Radio, Device); };
        btDiscovery_->OnDeviceLost = [this](TObject* Sender, const TlnkBluetoothRadio* Radio,
                                            const TlnkBluetoothDevice* Device) { BTDeviceLost(Sender, Radio, Device); };
        TlnkBluetoothRadios radios;
        const int result = btDiscovery_->EnumRadios(&radios);
        lnkShowError(result);
        if (result == 0 && radios.Count() > 0) {
            btRadio_ = std::make_unique<TlnkBluetoothRadio>();
            btRadio_->Assign(radios.Items(0));
        }
    }
    if (!btDiscovery_)
        return;
    switch (value) {
    case bmDisabled:
        if (btDiscovery_->Monitoring())
            btDiscovery_->StopMonitoring();
        btRadio_.reset();
        btDiscovery_.reset();
        break;
    case bmManualDiscovery:
        if (btDiscovery_->Monitoring())
            btDiscovery_->StopMonitoring();
        break;
    case bmAutoDiscovery:
        if (!btDiscovery_->Monitoring() && btRadio_)
            lnkShowError(btDiscovery_->StartMonitoring(btRadio_.get(), kMonitorLength));
        break;
    }
}

void TKTXComm2Manager::RefreshBT(bool& Ran)
{
    // Without a radio the discovery refuses with its invalid-argument code, shown here.
    lnkShowError(btDiscovery_->Discover(btRadio_.get(), kInquiryLength, true));
    Ran = true;
}

TDevice TKTXComm2Manager::BluetoothFill(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice& Device) const
{
    TDevice d;
    d.Handle = -1;
    d.Address = Device.Address().toUpper().toStdString();

    uint32_t classOfDevice = 0;
    if (Device.GetClassOfDevice(Radio, classOfDevice) == 0)
        d.ID = static_cast<int32_t>(classOfDevice);

    // A device often answers an empty name until its name request has run; this waits
    // on the user-interface thread, without serving it, as the list has always been
    // filled.
    QString name;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        QString answer;
        if (const int error = Device.GetName(btRadio_.get(), answer); error != 0) {
            name = QStringLiteral("Unknown (%1)").arg(error);
            break;
        }
        if (!answer.isEmpty()) {
            name = answer;
            break;
        }
        std::this_thread::sleep_for(kNameRetryWait);
    }
    d.Name = name.toStdString();

    bool flag = false;
    d.Paired = Device.GetPaired(btRadio_.get(), flag) == 0 && flag;
    flag = false;
    d.Connected = Device.GetConnected(btRadio_.get(), flag) == 0 && flag;
    return d;
}

void TKTXComm2Manager::BTStarted(TObject* Sender, const TlnkBluetoothRadio*)
{
    btDevices_.clear();
    if (OnDiscoveryStarted)
        OnDiscoveryStarted(this, portBT);
    NotifyItemsOn(portBT, Sender, neDiscoveryStarted);
}

void TKTXComm2Manager::BTComplete(TObject* Sender, const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevices* Devices)
{
    if (Devices) {
        btDevices_.clear();
        for (int i = 0; i < Devices->Count(); ++i)
            btDevices_.push_back(BluetoothFill(Radio, *Devices->Items(i)));
    } else {
        dabrix::platform::ShowUserMessage(
            dabrix::platform::UserMessageKind::Warning,
            QCoreApplication::translate("TKTXComm2Manager", "Discovering complete with error"));
    }
    if (OnDiscoveryComplete)
        OnDiscoveryComplete(this, portBT, btDevices_);
    NotifyItemsOn(portBT, Sender, neDiscoveryCompleted);
}

void TKTXComm2Manager::BTDeviceFound(TObject*, const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device)
{
    const std::string address = Device->Address().toUpper().toStdString();
    TDevice entry = BluetoothFill(Radio, *Device);
    size_t position = 0;
    for (size_t i = 0; i < btDevices_.size(); ++i) {
        if (btDevices_[i].Address == address)
            return;
        if (btDevices_[i].Name < entry.Name)
            position = i + 1;
    }
    btDevices_.insert(btDevices_.begin() + static_cast<std::ptrdiff_t>(position), std::move(entry));
    DeviceChanged(portBT, position, btDevices_, neDeviceFound);
}

void TKTXComm2Manager::BTDeviceLost(TObject*, const TlnkBluetoothRadio*, const TlnkBluetoothDevice* Device)
{
    const std::string address = Device->Address().toUpper().toStdString();
    for (size_t i = 0; i < btDevices_.size(); ++i) {
        if (btDevices_[i].Address == address) {
            DeviceChanged(portBT, i, btDevices_, neDeviceRemoved);
            return;
        }
    }
}
