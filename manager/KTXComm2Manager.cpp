#include "manager/KTXComm2Manager.h"

#include "comm/KTXComm2Item.h"
#include "comm/d2xx/D2XXUnit.h"
#include "manager/USBIdentification.h"
#include "platform/UserMessage.h"
#include "transport/lnkErrors.h"

#include <QTimer>

#include <algorithm>
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
    // A component whose transport had gone is still here: it goes before the root.
    irdaTimer_.reset();
    irdaDiscovery_.reset();
    if (api_->Loaded())
        lnkShowError(api_->Unload());
    api_.reset();
}

void TKTXComm2Manager::SetConnections(const TKTXComm2Connection& source)
{
    connections_->Assign(source);
}

void TKTXComm2Manager::SetSerialMode(TSerialMode value)
{
    comDevices_.clear();
    if (!IsTransportAvailable(trSerial)) {
        serialMode_ = smDisabled;
        return;
    }
    serialMode_ = value;
    if (value != smDisabled && !serialDiscovery_) {
        serialDiscovery_ = std::make_unique<TlnkSerialDiscovery>(this);
        serialDiscovery_->OnStarted = [this](TObject* Sender) { SerialStarted(Sender); };
        serialDiscovery_->OnStopped = [this](TObject* Sender) { SerialStopped(Sender); };
        serialDiscovery_->OnDeviceFound = [this](TObject* Sender, const TlnkSerialDevice* Device) {
            SerialPortFound(Sender, Device);
        };
        serialDiscovery_->OnDeviceLost = [this](TObject* Sender, const TlnkSerialDevice* Device) {
            SerialPortLost(Sender, Device);
        };
    }
    if (!serialDiscovery_)
        return;
    switch (value) {
    case smDisabled:
        serialDiscovery_->Stop();
        serialDiscovery_.reset();
        break;
    case smManualDiscovery:
        serialDiscovery_->Stop();
        break;
    case smAutoDiscovery:
        if (!serialDiscovery_->Monitoring()) {
            // Manual for the refresh, so it runs and so the watcher's start
            // notification leaves the freshly filled list alone.
            serialMode_ = smManualDiscovery;
            Refresh(TPorts{portCOM});
            serialDiscovery_->Start();
            serialMode_ = smAutoDiscovery;
        }
        break;
    }
}

void TKTXComm2Manager::SetUSBMode(TUSBMode value)
{
    usbGauges_.clear();
    usbDevices_.clear();
    if (!IsTransportAvailable(trUSB)) {
        usbMode_ = umDisabled;
        return;
    }
    if (value != umDisabled && !usbMonitor_) {
        if (!d2xxLoaded_)
            d2xxLoaded_ = LoadD2XX();
        usbMonitor_ = std::make_unique<TlnkUSBMonitor>(this);
        usbMonitor_->OnStarted = [this](TObject* Sender) { USBStarted(Sender); };
        usbMonitor_->OnStopped = [this](TObject* Sender) { USBStopped(Sender); };
        usbMonitor_->OnDeviceInserted = [this](TObject* Sender, const TlnkUSBDevice* Device) {
            USBDeviceInserted(Sender, Device);
        };
        usbMonitor_->OnDeviceRemoved = [this](TObject* Sender, const TlnkUSBDevice* Device) {
            USBDeviceRemoved(Sender, Device);
        };
    } else if (value == umDisabled && usbMonitor_) {
        usbMonitor_->Stop();
        // Also frees a library that bound only in part.
        UnloadD2XX();
        d2xxLoaded_ = false;
        usbMonitor_.reset();
    }
    usbMode_ = value;
    if (!usbMonitor_)
        return;
    switch (value) {
    case umDisabled:
        break;
    case umManualDiscovery:
        usbMonitor_->Stop();
        break;
    case umAutoDiscovery:
        if (!usbMonitor_->Monitoring()) {
            lnkShowError(usbMonitor_->Start());
            usbMode_ = umManualDiscovery;
            Refresh(TPorts{portUSB});
            usbMode_ = umAutoDiscovery;
        }
        break;
    }
}

void TKTXComm2Manager::Refresh(TPorts Ports)
{
    bool ran = false;
    if (irdaDiscovery_ && Ports.Contains(portIrDA) && irdaMode_ == imManualDiscovery)
        RefreshIrDA(ran);
    if (usbMonitor_ && Ports.Contains(portUSB) && usbMode_ == umManualDiscovery)
        RefreshUSB(ran);
    if (serialDiscovery_ && Ports.Contains(portCOM) && serialMode_ == smManualDiscovery)
        RefreshCOM(ran);
    if (btDiscovery_ && Ports.Contains(portBT) && btMode_ == bmManualDiscovery)
        RefreshBT(ran);
    if (!ran)
        return;
    for (TKTXComm2Item* item : Items())
        if (ports_.Contains(item->Port()))
            item->Notify(this, neDiscoveryCompleted, 0, TDevice{});
}

std::vector<TKTXComm2Item*> TKTXComm2Manager::Items() const
{
    // Destruction frees the collection before it switches the modes off, so the
    // handlers that stopping raises find no items.
    std::vector<TKTXComm2Item*> items;
    if (connections_)
        for (int i = 0; i < connections_->Count(); ++i)
            items.push_back(connections_->Items(i));
    return items;
}

TDevice TKTXComm2Manager::ComEntry(const TlnkSerialDevice& Port) const
{
    TDevice d;
    d.Name = Port.FriendlyName.toStdString();
    d.Info = "COM" + std::to_string(Port.Port);
    d.Connected = true;
    d.Handle = -1;
    d.PortNumber = static_cast<int32_t>(Port.Port);
    d.Description = BorrowedDescription(d.PortNumber);
    return d;
}

std::string TKTXComm2Manager::BorrowedDescription(int32_t PortNumber) const
{
    // A USB serial adapter lends its bus-reported description to its COM port.
    for (const TDevice& usb : usbDevices_)
        if (usb.PortNumber == PortNumber)
            return usb.Description;
    return {};
}

void TKTXComm2Manager::RefreshComDescriptions(std::initializer_list<int32_t> PortNumbers)
{
    bool changed = false;
    for (TDevice& com : comDevices_) {
        if (com.PortNumber == 0 || std::find(PortNumbers.begin(), PortNumbers.end(), com.PortNumber) == PortNumbers.end())
            continue;
        std::string description = BorrowedDescription(com.PortNumber);
        if (description != com.Description) {
            com.Description = std::move(description);
            changed = true;
        }
    }
    if (!changed)
        return;
    // No event: the entry is the same port; the items' copies of the list follow it.
    for (TKTXComm2Item* item : Items())
        if (item->Port() == portCOM)
            item->RefreshDeviceList();
}

void TKTXComm2Manager::RefreshCOM(bool& Ran)
{
    TlnkSerialDevices ports;
    if (const int result = serialDiscovery_->Enumerate(&ports); result != 0) {
        lnkShowError(result);
        return;
    }
    comDevices_.clear();
    for (int i = 0; i < ports.Count(); ++i)
        comDevices_.push_back(ComEntry(*ports.Items(i)));
    std::stable_sort(comDevices_.begin(), comDevices_.end(),
                     [](const TDevice& a, const TDevice& b) { return a.PortNumber < b.PortNumber; });
    for (size_t i = 0; i < comDevices_.size(); ++i)
        DeviceChanged(portCOM, i, comDevices_, neDeviceFound);
    if (OnDiscoveryComplete)
        OnDiscoveryComplete(this, portCOM, comDevices_);
    Ran = true;
}

void TKTXComm2Manager::RefreshUSB(bool& Ran)
{
    using namespace dabrix::manager;
    Ran = true;
    usbGauges_.clear();
    usbDevices_.clear();
    TlnkUSBDevices devices;
    if (const int result = usbMonitor_->Enumerate(&devices); result != 0) {
        lnkShowError(result);
        return;
    }
    for (int i = 0; i < devices.Count(); ++i) {
        const TlnkUSBDevice* d = devices.Items(i);
        usbDevices_.push_back(USBDeviceEntry(d->DevicePath.toStdString(), d->FriendlyName().toStdString(),
                                             d->Manufacturer().toStdString()));
    }
    const TDevices gauges = ListD2XXGauges();
    for (const TDevice& gauge : gauges) {
        for (int i = 0; i < devices.Count(); ++i) {
            const std::string path = UpperCase(devices.Items(i)->DevicePath.toStdString());
            if (!GaugeTiesTo(gauge, path))
                continue;
            TDevice tied = gauge;
            tied.DeviceID = path;
            usbGauges_.push_back(tied);
            DeviceChanged(portUSB, usbGauges_.size() - 1, usbGauges_, neDeviceFound);
            break;
        }
    }
    if (OnDiscoveryComplete)
        OnDiscoveryComplete(this, portUSB, usbGauges_);
}

void TKTXComm2Manager::DeviceChanged(TPort Port, size_t Index, TDevices& List, TNotificationEvent Event)
{
    if (Index >= List.size())
        return;
    // Handlers may change the list; every step works on a copy of the entry.
    const TDevice device = List[Index];
    if (Event == neDeviceFound) {
        if (OnDeviceFound)
            OnDeviceFound(this, Port, device);
        for (TKTXComm2Item* item : Items()) {
            if (item->Port() != Port)
                continue;
            item->RefreshDeviceList();
            item->Notify(this, neDeviceFound, 0, device);
        }
        return;
    }
    List.erase(List.begin() + static_cast<std::ptrdiff_t>(Index));
    for (TKTXComm2Item* item : Items()) {
        if (item->Port() != Port)
            continue;
        if (const TDeviceObject* chosen = item->Device(); chosen && chosen->Device.SameDevice(device))
            item->Notify(this, neDeviceRemoved, 0, device);
        item->RefreshDeviceList();
    }
    if (OnDeviceLost)
        OnDeviceLost(this, Port, device);
}

void TKTXComm2Manager::SerialStarted(TObject* Sender)
{
    if (serialMode_ == smManualDiscovery)
        return;
    comDevices_.clear();
    if (OnDiscoveryStarted)
        OnDiscoveryStarted(this, portCOM);
    NotifyItemsOn(portCOM, Sender, neDiscoveryStarted);
}

void TKTXComm2Manager::SerialStopped(TObject* Sender)
{
    comDevices_.clear();
    if (OnDiscoveryStopped)
        OnDiscoveryStopped(this, portCOM);
    NotifyItemsOn(portCOM, Sender, neDiscoveryCompleted);
}

void TKTXComm2Manager::SerialPortFound(TObject*, const TlnkSerialDevice* Device)
{
    const int number = static_cast<int>(Device->Port);
    size_t position = 0;
    for (size_t i = 0; i < comDevices_.size(); ++i) {
        if (comDevices_[i].PortNumber == number)
            return; // listed already
        if (comDevices_[i].PortNumber < number)
            position = i + 1;
    }
    comDevices_.insert(comDevices_.begin() + static_cast<std::ptrdiff_t>(position), ComEntry(*Device));
    DeviceChanged(portCOM, position, comDevices_, neDeviceFound);
}

void TKTXComm2Manager::SerialPortLost(TObject*, const TlnkSerialDevice* Device)
{
    for (size_t i = 0; i < comDevices_.size(); ++i) {
        if (comDevices_[i].PortNumber == static_cast<int>(Device->Port)) {
            DeviceChanged(portCOM, i, comDevices_, neDeviceRemoved);
            return;
        }
    }
}

void TKTXComm2Manager::USBStarted(TObject* Sender)
{
    usbGauges_.clear();
    usbDevices_.clear();
    if (OnDiscoveryStarted)
        OnDiscoveryStarted(this, portUSB);
    NotifyItemsOn(portUSB, Sender, neMonitoringStarted);
}

void TKTXComm2Manager::USBStopped(TObject* Sender)
{
    usbGauges_.clear();
    usbDevices_.clear();
    if (OnDiscoveryStopped)
        OnDiscoveryStopped(this, portUSB);
    NotifyItemsOn(portUSB, Sender, neMonitoringStopped);
}

void TKTXComm2Manager::USBDeviceInserted(TObject*, const TlnkUSBDevice* Device)
{
    using namespace dabrix::manager;
    const std::string path = UpperCase(Device->DevicePath.toStdString());
    auto listed = [path](const TDevices& list) {
        return std::any_of(list.begin(), list.end(), [&](const TDevice& d) { return d.DeviceID == path; });
    };
    // A device that is listed already comes again when its serial port came or went: its
    // entry is brought up to date without an event, and so is the COM port's description.
    const auto listedAs = std::find_if(usbDevices_.begin(), usbDevices_.end(),
                                       [&](const TDevice& d) { return d.DeviceID == path; });
    const bool isNew = listedAs == usbDevices_.end();
    TDevice now = USBDeviceEntry(path, Device->FriendlyName().toStdString(), Device->Manufacturer().toStdString());
    const int32_t oldPort = isNew ? 0 : listedAs->PortNumber;
    const int32_t newPort = now.PortNumber;
    if (isNew)
        usbDevices_.push_back(std::move(now));
    else
        *listedAs = std::move(now);
    RefreshComDescriptions({oldPort, newPort});

    if (IsBridgeDevice(path) && d2xxLoaded_) {
        if (listed(usbGauges_))
            return;
        const TDevices gauges = ListD2XXGauges();
        if (gauges.empty())
            return;
        // The first bridge entry not listed yet is the new one. When every entry's serial
        // number is listed (two devices open elsewhere both read "------"), the last
        // entry stands for the new device, so it is listed all the same.
        size_t candidate = gauges.size() - 1;
        for (size_t i = 0; i < gauges.size(); ++i) {
            const bool known = std::any_of(usbGauges_.begin(), usbGauges_.end(),
                                           [&](const TDevice& g) { return g.SerialNo == gauges[i].SerialNo; });
            if (!known) {
                candidate = i;
                break;
            }
        }
        TDevice entry = gauges[candidate];
        entry.DeviceID = path;
        const size_t position = std::min(candidate, usbGauges_.size());
        usbGauges_.insert(usbGauges_.begin() + static_cast<std::ptrdiff_t>(position), entry);
        DeviceChanged(portUSB, position, usbGauges_, neDeviceFound);
        return;
    }
    if (isNew && OnDeviceFound)
        OnDeviceFound(this, portUSB, TDevice(usbDevices_.back()));
}

void TKTXComm2Manager::USBDeviceRemoved(TObject*, const TlnkUSBDevice* Device)
{
    using namespace dabrix::manager;
    const std::string path = UpperCase(Device->DevicePath.toStdString());
    TDevice removed;
    for (size_t i = 0; i < usbDevices_.size(); ++i) {
        if (usbDevices_[i].DeviceID == path) {
            removed = usbDevices_[i];
            usbDevices_.erase(usbDevices_.begin() + static_cast<std::ptrdiff_t>(i));
            break;
        }
    }
    if (IsBridgeDevice(path) && d2xxLoaded_) {
        for (size_t i = 0; i < usbGauges_.size(); ++i) {
            if (usbGauges_[i].DeviceID == path) {
                DeviceChanged(portUSB, i, usbGauges_, neDeviceRemoved);
                break;
            }
        }
        return;
    }
    if (OnDeviceLost)
        OnDeviceLost(this, portUSB, removed);
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
    for (TKTXComm2Item* item : Items())
        item->Notify(Sender, Event, 0, TDevice{});
}

void TKTXComm2Manager::NotifyItemsOn(TPort Port, TObject* Sender, TNotificationEvent Event)
{
    for (TKTXComm2Item* item : Items())
        if (item->Port() == Port)
            item->Notify(Sender, Event, 0, TDevice{});
}
