#pragma once
// The device manager: owns the connection items, the transport library root and one
// device list per port kind, switches discovery per port kind and turns the items'
// error codes into text and an OnError event.
//
// Threading: owned by and used on the user-interface thread. ReportError may also be
// called on an item's USB receive thread; it touches no manager state but the
// ShowErrorMsg flag and the OnError handler, which must be prepared for that.
#include "comm/KTXComm2Connection.h"
#include "comm/KTXComm2Host.h"
#include "manager/KTXComm2Types.h"
#include "transport/lnkAPI.h"
#include "transport/lnkBluetoothDiscovery.h"
#include "transport/lnkComponent.h"
#include "transport/lnkIrDADiscovery.h"
#include "transport/lnkSerialDiscovery.h"
#include "transport/lnkUSBMonitor.h"

#include <atomic>
#include <initializer_list>
#include <memory>
#include <string>

class QTimer;

class TKTXComm2Manager : public TComponent, public TKTXComm2Host {
public:
    explicit TKTXComm2Manager(TComponent* Owner);
    ~TKTXComm2Manager() override;

    TKTXComm2Manager(const TKTXComm2Manager&) = delete;
    TKTXComm2Manager& operator=(const TKTXComm2Manager&) = delete;

    // Published properties, in streaming order.
    QString About() const { return about_; }
    TKTXComm2Connection& Connections() { return *connections_; }
    const TKTXComm2Connection& Connections() const { return *connections_; }
    void SetConnections(const TKTXComm2Connection& source);
    QString lnkVersion() const { return lnkVersion_; }
    TPorts Ports() const { return ports_; }
    TSerialMode SerialMode() const { return serialMode_; }
    void SetSerialMode(TSerialMode value);
    TIrDAMode IrDAMode() const { return irdaMode_; }
    void SetIrDAMode(TIrDAMode value);
    TUSBMode USBMode() const { return usbMode_; }
    void SetUSBMode(TUSBMode value);
    TBTMode BluetoothMode() const { return btMode_; }
    void SetBluetoothMode(TBTMode value);
    bool ShowErrorMsg() const { return showErrorMsg_; }
    void SetShowErrorMsg(bool value) { showErrorMsg_ = value; }

    TOnDiscoveryStarted OnDiscoveryStarted;
    TOnDiscoveryStopped OnDiscoveryStopped;
    TOnDiscoveryComplete OnDiscoveryComplete;
    TOnDeviceFound OnDeviceFound;
    TOnDeviceLost OnDeviceLost;
    TOnHardwareChanged OnHardwareChanged;
    TOnError OnError;

    // TKTXComm2Host
    QString ReportError(TKTXComm2Item* Item, TErrMsg ErrMsg) override;
    TDevices DeviceList(TPort Port) const override;
    int64_t CounterFrequency() const override { return counterFrequency_; }
    void RestartIrDATimer() override;
    const TlnkBluetoothRadio* BTRadio() const override { return btRadio_.get(); }

    // One manual discovery pass over the given port kinds; only kinds whose mode is
    // manual are served.
    void Refresh(TPorts Ports);

    TlnkAPI& Api() { return *api_; }
    TlnkSerialDiscovery* SerialDiscovery() const { return serialDiscovery_.get(); }
    TlnkUSBMonitor* USBMonitor() const { return usbMonitor_.get(); }
    bool D2XXLoaded() const { return d2xxLoaded_; }

    // Device lists (read by tests and the main window through DeviceList).
    const TDevices& ComDevices() const { return comDevices_; }
    const TDevices& IrDADevices() const { return irdaDevices_; }
    const TDevices& USBGauges() const { return usbGauges_; }
    const TDevices& USBDevices() const { return usbDevices_; }
    const TDevices& BTDevices() const { return btDevices_; }

    // Handlers of the discovery components (public so tests can replay orders that a
    // watcher would take seconds to produce).
    void SerialStarted(TObject* Sender);
    void SerialStopped(TObject* Sender);
    void SerialPortFound(TObject* Sender, const TlnkSerialDevice* Device);
    void SerialPortLost(TObject* Sender, const TlnkSerialDevice* Device);
    void USBStarted(TObject* Sender);
    void USBStopped(TObject* Sender);
    void USBDeviceInserted(TObject* Sender, const TlnkUSBDevice* Device);
    void USBDeviceRemoved(TObject* Sender, const TlnkUSBDevice* Device);

    // Bluetooth (KTXComm2ManagerBluetooth.cpp).
    TlnkBluetoothDiscovery* BluetoothDiscovery() const { return btDiscovery_.get(); }
    void BTStarted(TObject* Sender, const TlnkBluetoothRadio* Radio);
    void BTComplete(TObject* Sender, const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevices* Devices);
    void BTDeviceFound(TObject* Sender, const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device);
    void BTDeviceLost(TObject* Sender, const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice* Device);
    // A list entry for a device: class through Radio, name, paired and connected flags
    // through BTRadio. Blocks while the device answers empty names (up to 2.5 s).
    TDevice BluetoothFill(const TlnkBluetoothRadio* Radio, const TlnkBluetoothDevice& Device) const;

    // Infrared (KTXComm2ManagerIrDA.cpp).
    TlnkIrDADiscovery* IrDADiscovery() const { return irdaDiscovery_.get(); }
    // The poll of the auto mode; present while the IrDA discovery is.
    QTimer* IrDATimer() const { return irdaTimer_.get(); }
    void IrDAStarted(TObject* Sender);
    // Devices is none when the search failed.
    void IrDAComplete(TObject* Sender, const TlnkIrDADevices* Devices);
    void IrDAPoll();

private:
    // AfterLoad / OnChanged of the library root: recompute Ports and tell every item.
    void HardwareChanged(TObject* Sender);
    // The items now, in collection order (none while the manager is being destroyed).
    std::vector<TKTXComm2Item*> Items() const;
    void NotifyAllItems(TObject* Sender, TNotificationEvent Event);
    void NotifyItemsOn(TPort Port, TObject* Sender, TNotificationEvent Event);
    // Announces one addition (the entry is in the list already) or removal (the entry
    // is taken out here) to OnDeviceFound/OnDeviceLost and the items on that port.
    void DeviceChanged(TPort Port, size_t Index, TDevices& List, TNotificationEvent Event);
    TDevice ComEntry(const TlnkSerialDevice& Port) const;
    // The Description a COM entry borrows from the USB device that provides its port.
    std::string BorrowedDescription(int32_t PortNumber) const;
    // Gives the COM entries of these port numbers their borrowed Description anew.
    void RefreshComDescriptions(std::initializer_list<int32_t> PortNumbers);
    void RefreshCOM(bool& Ran);
    void RefreshUSB(bool& Ran);
    void RefreshBT(bool& Ran);
    void RefreshIrDA(bool& Ran);

    QString about_;
    int64_t counterFrequency_ = 0;
    std::unique_ptr<TKTXComm2Connection> connections_;
    std::unique_ptr<TlnkAPI> api_;
    QString lnkVersion_;
    TPorts ports_;
    TSerialMode serialMode_ = smDisabled;
    TIrDAMode irdaMode_ = imDisabled;
    TUSBMode usbMode_ = umDisabled;
    TBTMode btMode_ = bmDisabled;
    std::atomic<bool> showErrorMsg_ = false;
    bool d2xxLoaded_ = false;
    std::unique_ptr<TlnkSerialDiscovery> serialDiscovery_;
    std::unique_ptr<TlnkUSBMonitor> usbMonitor_;
    std::unique_ptr<TlnkBluetoothDiscovery> btDiscovery_;
    std::unique_ptr<TlnkIrDADiscovery> irdaDiscovery_;
    std::unique_ptr<QTimer> irdaTimer_;
    std::unique_ptr<TlnkBluetoothRadio> btRadio_;

    TDevices comDevices_;
    TDevices irdaDevices_;
    TDevices usbGauges_;
    TDevices usbDevices_;
    TDevices btDevices_;
};
