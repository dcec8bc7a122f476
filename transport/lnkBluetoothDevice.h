#pragma once
// Bluetooth devices and their services as the library hands them out, the owning lists
// of radios, devices and services, and the per-device questions (name, class, paired,
// connected, services), answered by the stack that a radio stands for.
//
// Threading: a device object belongs to whoever made it. The queries block on the stack
// (a D-Bus round trip, or the device for the service search); they may run on any
// thread.
#include "transport/lnkAPI.h"
#include "transport/lnkBluetoothRadio.h"
#include "transport/lnkComponent.h"
#include "transport/lnkOwningList.h"

#include <QString>
#include <QUuid>

#include <cstdint>
#include <memory>

class TlnkBluetoothService : public TObject {
public:
    uint8_t Channel = 0;  // RFCOMM channel
    QString Description;
    uint32_t Handle = 0;  // SDP record handle
    QString Name;
    QUuid Uuid = QUuid(QStringLiteral("{00000000-0000-1000-8000-00805F9B34FB}"));
};

class TlnkBluetoothServices : public TlnkOwningList<TlnkBluetoothService> {
public:
    TlnkBluetoothServices() : TlnkOwningList(QT_TRANSLATE_NOOP("lnkExceptions", "Service parameter is not valid.")) {}
};

class TlnkBluetoothRadios : public TlnkOwningList<TlnkBluetoothRadio> {
public:
    TlnkBluetoothRadios() : TlnkOwningList(QT_TRANSLATE_NOOP("lnkExceptions", "Radio parameter is not valid.")) {}
};

class TlnkBluetoothDevice : public TPersistent {
public:
    TlnkBluetoothDevice() = default;
    // Raises lnkEInvalidAddress for an invalid address.
    explicit TlnkBluetoothDevice(const QString& Address) { SetAddress(Address); }

    QString Address() const { return address_; }
    // Raises lnkEInvalidAddress "%s is not valid Bluetooth address." for an invalid string.
    void SetAddress(const QString& Value);

    // Copies the address; none raises lnkEInvalidArgument "Device parameter is not valid.".
    void Assign(const TPersistent* Source) override;

    // Each returns 5 for no radio, 13 or 14 when the radio's stack is not available, 15
    // for an unknown stack, 2 when the stack fails (also for a device it does not know),
    // else 0. Virtual so that tests can stand in for a device that answers oddly.
    virtual int GetName(const TlnkBluetoothRadio* Radio, QString& Name) const;
    virtual int GetClassOfDevice(const TlnkBluetoothRadio* Radio, uint32_t& ClassOfDevice) const;
    virtual int GetPaired(const TlnkBluetoothRadio* Radio, bool& Paired) const;
    virtual int GetConnected(const TlnkBluetoothRadio* Radio, bool& Connected) const;
    // Refills `Services` with the device's RFCOMM services of that class (none: every
    // service). 5 also for no list; 44 when the device has no such service.
    int EnumServices(const TlnkBluetoothRadio* Radio, TlnkBluetoothServices* Services,
                     const QUuid* ServiceUuid = nullptr) const;
    // 0 after the check, with `Has` true when the device offers any RFCOMM service.
    int HasServices(const TlnkBluetoothRadio* Radio, bool& Has) const;

private:
    QString address_ = QStringLiteral("(00:00:00:00:00:00)");
};

class TlnkBluetoothDevices : public TlnkOwningList<TlnkBluetoothDevice> {
public:
    TlnkBluetoothDevices() : TlnkOwningList(QT_TRANSLATE_NOOP("lnkExceptions", "Device parameter is not valid.")) {}
    // Refills the list with copies, entry by entry; none raises "Devices parameter is not
    // valid.".
    void Assign(const TlnkBluetoothDevices* Source);
};

namespace dabrix::platform {
class BluetoothStack;
}

namespace dabrix::transport {

// 00000100-0000-1000-8000-00805F9B34FB: every RFCOMM service runs over L2CAP, so a search
// for it finds them all.
QUuid L2capProtocolUuid();

// The service search behind EnumServices, for the platform's stack: `CancelFd` (if not
// -1) readable ends it early. Returns the codes of EnumServices.
int EnumPlatformServices(const QString& Address, TlnkBluetoothServices& Services, const QUuid& ServiceUuid,
                         int CancelFd);

// The checks every query and search makes first (a null radio, an unloaded or unavailable
// stack, an unknown one), and for the platform's stack the stack itself. A vendor stack
// passes with no `Stack`: the caller reaches it through its binding (lnkVendorLoaders.h).
int StackForRadio(const TlnkBluetoothRadio* Radio, std::shared_ptr<platform::BluetoothStack>& Stack);

} // namespace dabrix::transport
