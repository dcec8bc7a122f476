#include "transport/lnkBluetoothDevice.h"

#include "platform/bluetooth/BluetoothStack.h"
#include "platform/bluetooth/lnkSDPParser.h"
#include "transport/lnkAddress.h"
#include "transport/lnkErrors.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkMicrosoftLoader.h"

#include <QCoreApplication>
#include <QDebug>

using namespace dabrix::transport;
namespace platform = dabrix::platform;
using platform::BluetoothResult;

namespace {

// How long a device may take to answer a service search.
constexpr int kServiceSearchMs = 10000;

int CodeOf(BluetoothResult result)
{
    switch (result) {
    case BluetoothResult::Ok: return code::Ok;
    case BluetoothResult::Unavailable: return code::BluetoothApiNotAvailable;
    case BluetoothResult::NoService: return code::ServiceNotFound;
    default: return code::InternalDriverError;
    }
}

// One device's facts through the radio's stack.
int Query(const TlnkBluetoothRadio* Radio, const QString& Address, platform::BluetoothDeviceInfo& Info)
{
    std::shared_ptr<platform::BluetoothStack> stack;
    if (const int result = StackForRadio(Radio, stack); result != code::Ok)
        return result;
    // The setter admits only valid addresses.
    const uint64_t address = BluetoothAddressFromString(Address).value_or(0);
    const BluetoothResult r = stack->QueryDevice(address, Info);
    if (r != BluetoothResult::Ok)
        qWarning().noquote() << "Dabrix: Bluetooth device" << Address << "query:" << platform::BluetoothResultText(r);
    return CodeOf(r);
}

} // namespace

QUuid dabrix::transport::L2capProtocolUuid()
{
    return QUuid(QStringLiteral("{00000100-0000-1000-8000-00805F9B34FB}"));
}

void TlnkBluetoothDevice::SetAddress(const QString& Value)
{
    if (!IsValidBluetoothAddress(Value))
        throw lnkEInvalidAddress(
            QCoreApplication::translate("lnkExceptions", "%1 is not valid Bluetooth address.").arg(Value));
    address_ = Value;
}

void TlnkBluetoothDevice::Assign(const TPersistent* Source)
{
    if (!Source)
        throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Device parameter is not valid."));
    if (const auto* device = dynamic_cast<const TlnkBluetoothDevice*>(Source)) {
        address_ = device->address_;
        return;
    }
    TPersistent::Assign(Source);
}

int TlnkBluetoothDevice::GetName(const TlnkBluetoothRadio* Radio, QString& Name) const
{
    platform::BluetoothDeviceInfo info;
    const int result = Query(Radio, address_, info);
    if (result == code::Ok)
        Name = info.Name;
    return result;
}

int TlnkBluetoothDevice::GetClassOfDevice(const TlnkBluetoothRadio* Radio, uint32_t& ClassOfDevice) const
{
    platform::BluetoothDeviceInfo info;
    const int result = Query(Radio, address_, info);
    if (result == code::Ok)
        ClassOfDevice = info.ClassOfDevice & 0xFFFFFFu;
    return result;
}

int TlnkBluetoothDevice::GetPaired(const TlnkBluetoothRadio* Radio, bool& Paired) const
{
    platform::BluetoothDeviceInfo info;
    const int result = Query(Radio, address_, info);
    if (result == code::Ok)
        Paired = info.Paired;
    return result;
}

int TlnkBluetoothDevice::GetConnected(const TlnkBluetoothRadio* Radio, bool& Connected) const
{
    platform::BluetoothDeviceInfo info;
    const int result = Query(Radio, address_, info);
    if (result == code::Ok)
        Connected = info.Connected;
    return result;
}

int TlnkBluetoothDevice::EnumServices(const TlnkBluetoothRadio* Radio, TlnkBluetoothServices* Services,
                                      const QUuid* ServiceUuid) const
{
    if (!Services)
        return code::InvalidArgument;
    std::shared_ptr<platform::BluetoothStack> stack;
    if (const int result = StackForRadio(Radio, stack); result != code::Ok)
        return result;
    return EnumPlatformServices(address_, *Services, ServiceUuid ? *ServiceUuid : L2capProtocolUuid(), -1);
}

int TlnkBluetoothDevice::HasServices(const TlnkBluetoothRadio* Radio, bool& Has) const
{
    TlnkBluetoothServices services;
    const QUuid l2cap = L2capProtocolUuid();
    Has = EnumServices(Radio, &services, &l2cap) == code::Ok;
    return code::Ok;
}

void TlnkBluetoothDevices::Assign(const TlnkBluetoothDevices* Source)
{
    if (!Source)
        throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Devices parameter is not valid."));
    if (Source == this)
        return;
    Clear();
    for (const auto& d : Source->items_) {
        auto copy = std::make_unique<TlnkBluetoothDevice>();
        copy->Assign(d.get());
        items_.push_back(std::move(copy));
    }
}

int dabrix::transport::EnumPlatformServices(const QString& Address, TlnkBluetoothServices& Services,
                                            const QUuid& ServiceUuid, int CancelFd)
{
    Services.Clear();
    const std::shared_ptr<platform::BluetoothStack> stack = PlatformBluetoothStack();
    if (!stack)
        return code::BluetoothApiNotAvailable;
    const uint64_t address = BluetoothAddressFromString(Address).value_or(0);
    std::vector<uint8_t> lists;
    const BluetoothResult r = stack->ServiceSearch(address, ServiceUuid, lists, kServiceSearchMs, CancelFd);
    if (r != BluetoothResult::Ok) {
        if (r != BluetoothResult::NoService)
            qWarning().noquote() << "Dabrix: Bluetooth service search at" << Address << ":"
                                 << platform::BluetoothResultText(r);
        return r == BluetoothResult::NoService ? code::ServiceNotFound : code::InternalDriverError;
    }
    // What a damaged answer held before the damage still counts.
    TlnkSDPParser parser;
    if (!parser.Parse(lists))
        qWarning().noquote() << "Dabrix: damaged service records from" << Address;
    for (const TlnkSDPServiceRecord& record : parser.Records()) {
        const platform::SdpService s = platform::ReadSdpService(record);
        auto service = std::make_unique<TlnkBluetoothService>();
        service->Channel = s.Channel;
        service->Description = s.Description;
        service->Handle = s.Handle;
        service->Name = s.Name;
        service->Uuid = s.Uuid;
        Services.Add(service.release());
    }
    return Services.Count() > 0 ? code::Ok : code::ServiceNotFound;
}

int dabrix::transport::StackForRadio(const TlnkBluetoothRadio* Radio,
                                     std::shared_ptr<platform::BluetoothStack>& Stack)
{
    if (!Radio)
        return code::InvalidArgument;
    if (const int result = CheckBluetoothApi(Radio->Api()); result != code::Ok)
        return result;
    switch (Radio->Api()) {
    case baMicrosoft:
        Stack = PlatformBluetoothStack();
        return Stack ? code::Ok : code::BluetoothApiNotAvailable;
    case baBlueSoleil:
    case baToshiba:
    case baWidComm:
        return code::BluetoothApiNotAvailable;
    }
    return code::UnknownBluetoothApi;
}
