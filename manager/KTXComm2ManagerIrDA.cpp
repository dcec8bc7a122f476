// The manager's infrared side: the mode setter with its poll timer, the manual search
// and the handlers of the IrDA discovery, which keep IrDADevices.
#include "comm/KTXComm2Item.h"
#include "manager/KTXComm2Manager.h"
#include "platform/UserMessage.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <thread>

namespace {

// A new timer gives the first poll a head start; from then on it polls at the slower pace.
constexpr int kFirstPollMs = 5000;
constexpr int kPollMs = 10000;

} // namespace

void TKTXComm2Manager::SetIrDAMode(TIrDAMode value)
{
    irdaDevices_.clear();
    if (!IsTransportAvailable(trIrDA)) {
        irdaMode_ = imDisabled;
        // Nothing is created or freed without the transport; a timer made earlier still
        // follows the requested mode.
        if (irdaTimer_) {
            if (value == imAutoDiscovery)
                irdaTimer_->start();
            else
                irdaTimer_->stop();
        }
        return;
    }
    irdaMode_ = value;
    if (value != imDisabled && !irdaDiscovery_) {
        irdaDiscovery_ = std::make_unique<TlnkIrDADiscovery>(this);
        irdaDiscovery_->OnStarted = [this](TObject* Sender) { IrDAStarted(Sender); };
        irdaDiscovery_->OnComplete = [this](TObject* Sender, TlnkIrDADevices* Devices) {
            IrDAComplete(Sender, Devices);
        };
        irdaTimer_ = std::make_unique<QTimer>();
        irdaTimer_->setInterval(kFirstPollMs);
        QObject::connect(irdaTimer_.get(), &QTimer::timeout, [this] { IrDAPoll(); });
    }
    if (!irdaDiscovery_)
        return;
    switch (value) {
    case imDisabled:
        irdaTimer_->stop();
        irdaTimer_.reset();
        irdaDiscovery_.reset();
        break;
    case imManualDiscovery:
        irdaTimer_->stop();
        break;
    case imAutoDiscovery:
        irdaTimer_->start();
        break;
    }
}

void TKTXComm2Manager::RestartIrDATimer()
{
    // An item that starts an infrared connection puts the next poll a whole interval away.
    if (!irdaTimer_)
        return;
    irdaTimer_->stop();
    irdaTimer_->start();
}

void TKTXComm2Manager::RefreshIrDA(bool& Ran)
{
    // The completion arrives through the event loop, so the wait serves it. A search the
    // poll started already is waited for the same way (the request is then refused).
    irdaDiscovery_->Discover();
    while (irdaDiscovery_ && irdaDiscovery_->Discovering()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Ran = true;
}

void TKTXComm2Manager::IrDAStarted(TObject* Sender)
{
    if (OnDiscoveryStarted)
        OnDiscoveryStarted(this, portIrDA);
    NotifyItemsOn(portIrDA, Sender, neDiscoveryStarted);
}

void TKTXComm2Manager::IrDAComplete(TObject* Sender, const TlnkIrDADevices* Devices)
{
    if (!Devices) {
        dabrix::platform::ShowUserMessage(
            dabrix::platform::UserMessageKind::Error,
            QCoreApplication::translate("TKTXComm2Manager", "Error discovering IrDA devices"));
    } else {
        for (int i = 0; i < Devices->Count(); ++i) {
            const TlnkIrDADevice& found = *Devices->Items(i);
            const std::string address = found.Address.toStdString();
            if (std::any_of(irdaDevices_.begin(), irdaDevices_.end(),
                            [&](const TDevice& d) { return d.Address == address; }))
                continue;
            TDevice entry;
            entry.Name = found.Name.toStdString();
            std::copy_if(address.begin(), address.end(), std::back_inserter(entry.SerialNo),
                         [](char c) { return c >= '0' && c <= '9'; });
            entry.Connected = true;
            entry.Handle = -1;
            entry.Address = address;
            irdaDevices_.push_back(std::move(entry));
            DeviceChanged(portIrDA, irdaDevices_.size() - 1, irdaDevices_, neDeviceFound);
        }
        // A removal's handlers may change the list, so every removal starts the scan over.
        auto inRange = [Devices](const std::string& address) {
            for (int i = 0; i < Devices->Count(); ++i)
                if (Devices->Items(i)->Address.toStdString() == address)
                    return true;
            return false;
        };
        size_t index = 0;
        while (index < irdaDevices_.size()) {
            if (inRange(irdaDevices_[index].Address)) {
                ++index;
                continue;
            }
            DeviceChanged(portIrDA, index, irdaDevices_, neDeviceRemoved);
            index = 0;
        }
    }
    if (OnDiscoveryComplete)
        OnDiscoveryComplete(this, portIrDA, irdaDevices_);
    NotifyItemsOn(portIrDA, Sender, neDiscoveryCompleted);
}

void TKTXComm2Manager::IrDAPoll()
{
    irdaTimer_->stop();
    irdaTimer_->setInterval(kPollMs);
    const auto items = Items();
    if (std::any_of(items.begin(), items.end(), [](const TKTXComm2Item* item) { return item->LinkState() == lsConnected; })) {
        irdaTimer_->start();
        return;
    }
    // A refused request leaves the poll off until the mode is set again.
    if (irdaDiscovery_->Discover() == 0)
        irdaTimer_->start();
}
