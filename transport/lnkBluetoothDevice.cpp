#include "transport/lnkBluetoothDevice.h"

#include "platform/bluetooth/BluetoothStack.h"
#include "platform/bluetooth/lnkSDPParser.h"
#include "transport/lnkAddress.h"
#include "transport/lnkErrors.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkMicrosoftLoader.h"
#include "transport/lnkSync.h"
#include "transport/lnkVendorLoaders.h"

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

// The fields of a BlueSoleil remote-device query.
constexpr uint32_t kBlueSoleilAllFacts =
    bluesoleil::kMaskName | bluesoleil::kMaskClass | bluesoleil::kMaskConnected | bluesoleil::kMaskPaired;

int QueryBlueSoleil(uint64_t address, platform::BluetoothDeviceInfo& info, uint32_t mask)
{
    const std::shared_ptr<BlueSoleilStack> stack = BoundBlueSoleilStack();
    if (!stack)
        return code::BluetoothApiNotAvailable;
    BlueSoleilRemoteInfo remote;
    remote.Address = VendorAddressOf(address);
    if (const int result = BlueSoleilStatusCode(stack->BT_GetRemoteDeviceInfo(mask, remote)); result != code::Ok)
        return result;
    info.Name = remote.Name;
    info.ClassOfDevice = remote.ClassOfDevice;
    info.Connected = remote.Connected;
    info.Paired = remote.Paired;
    return code::Ok;
}

// The remote device list holds the paired devices, the connected list those linked now;
// each entry is matched by its six address bytes.
int QueryToshiba(uint64_t address, platform::BluetoothDeviceInfo& info)
{
    const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack();
    if (!stack)
        return code::BluetoothApiNotAvailable;
    std::vector<VendorDeviceInfo> paired, connected;
    if (!stack->BtGetRemoteDeviceList2(paired) || !stack->BtGetConnectedDeviceList2(connected))
        return code::InternalDriverError;
    const VendorAddress bytes = VendorAddressOf(address);
    for (const std::vector<VendorDeviceInfo>* list : {&connected, &paired}) {
        for (const VendorDeviceInfo& entry : *list) {
            if (entry.Address != bytes)
                continue;
            info.Name = entry.Name;
            info.ClassOfDevice = entry.ClassOfDevice;
            if (list == &paired)
                info.Paired = true;
            else
                info.Connected = true;
        }
    }
    return code::Ok;
}

int QueryWidComm(uint64_t address, platform::BluetoothDeviceInfo& info)
{
    const std::shared_ptr<WidCommStack> stack = BoundWidCommStack();
    if (!stack)
        return code::BluetoothApiNotAvailable;
    const VendorAddress bytes = VendorAddressOf(address);
    info.Paired = stack->WD_BondQuery(bytes);
    info.Connected = stack->WD_IsConnected(bytes);
    if (!stack->WD_GetRemoteDeviceCOD(bytes, info.ClassOfDevice) || !stack->WD_GetRemoteDeviceName(bytes, info.Name))
        return code::InternalDriverError;
    return code::Ok;
}

// One device's facts through the radio's stack; `BlueSoleilMask` the fields that stack is
// asked for.
int Query(const TlnkBluetoothRadio* Radio, const QString& Address, platform::BluetoothDeviceInfo& Info,
          uint32_t BlueSoleilMask = kBlueSoleilAllFacts)
{
    std::shared_ptr<platform::BluetoothStack> stack;
    if (const int result = StackForRadio(Radio, stack); result != code::Ok)
        return result;
    // The setter admits only valid addresses.
    const uint64_t address = BluetoothAddressFromString(Address).value_or(0);
    int result = code::UnknownBluetoothApi;
    switch (Radio->Api()) {
    case baMicrosoft: {
        const BluetoothResult r = stack->QueryDevice(address, Info);
        if (r != BluetoothResult::Ok)
            qWarning().noquote() << "Dabrix: Bluetooth device" << Address
                                 << "query:" << platform::BluetoothResultText(r);
        return CodeOf(r);
    }
    case baBlueSoleil: result = QueryBlueSoleil(address, Info, BlueSoleilMask); break;
    case baToshiba: result = QueryToshiba(address, Info); break;
    case baWidComm: result = QueryWidComm(address, Info); break;
    }
    if (result != code::Ok)
        qWarning().noquote() << "Dabrix: Bluetooth device" << Address << "query failed with" << result;
    return result;
}

// A vendor stack's service search, into the library's list.
int EnumVendorServices(TlnkBluetoothApi api, uint64_t address, const QUuid* serviceUuid, TlnkBluetoothServices& list)
{
    const VendorAddress bytes = VendorAddressOf(address);
    std::vector<VendorService> found;
    int result = code::BluetoothApiNotAvailable;
    switch (api) {
    case baBlueSoleil:
        if (const std::shared_ptr<BlueSoleilStack> stack = BoundBlueSoleilStack())
            result = BlueSoleilStatusCode(stack->BT_BrowseServices(bytes, serviceUuid, found));
        break;
    case baToshiba:
        if (const std::shared_ptr<ToshibaStack> stack = BoundToshibaStack())
            result = stack->BtSearchServices(bytes, serviceUuid, found) ? code::Ok : code::InternalDriverError;
        break;
    case baWidComm:
        if (const std::shared_ptr<WidCommStack> stack = BoundWidCommStack()) {
            std::lock_guard one(WidCommSearchLock());
            result = stack->WD_EnumServices(bytes, serviceUuid, found);
        }
        break;
    case baMicrosoft:
        result = code::UnknownBluetoothApi;
        break;
    }
    if (result != code::Ok)
        return result;
    for (const VendorService& s : found) {
        auto service = std::make_unique<TlnkBluetoothService>();
        service->Channel = s.Channel;
        service->Description = s.Description;
        service->Handle = s.Handle;
        service->Name = s.Name;
        if (!s.Uuid.isNull())
            service->Uuid = s.Uuid;
        list.Add(service.release());
    }
    return list.Count() > 0 ? code::Ok : code::ServiceNotFound;
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
    if (Radio->Api() == baMicrosoft)
        return EnumPlatformServices(address_, *Services, ServiceUuid ? *ServiceUuid : L2capProtocolUuid(), -1);
    Services->Clear();
    return EnumVendorServices(Radio->Api(), BluetoothAddressFromString(address_).value_or(0), ServiceUuid, *Services);
}

int TlnkBluetoothDevice::HasServices(const TlnkBluetoothRadio* Radio, bool& Has) const
{
    TlnkBluetoothServices services;
    const QUuid l2cap = L2capProtocolUuid();
    // BlueSoleil's search is asked without a class: it lists every service then.
    const QUuid* searchClass = Radio && Radio->Api() == baBlueSoleil ? nullptr : &l2cap;
    Has = EnumServices(Radio, &services, searchClass) == code::Ok;
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
        // Reached through their bindings (lnkVendorLoaders.h) by the caller.
        Stack.reset();
        return code::Ok;
    }
    return code::UnknownBluetoothApi;
}
