#include "transport/lnkParams.h"

#include "transport/lnkAddress.h"
#include "transport/lnkConnection.h"
#include "transport/lnkExceptions.h"

#include <QCoreApplication>
#include <algorithm>
#include <iterator>

namespace {

constexpr uint32_t kRates[] = {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400,
                               56000, 57600, 115200, 128000, 256000};
static_assert(std::size(kRates) == brCustom);

} // namespace

TlnkCustomConnectionParams::TlnkCustomConnectionParams(TlnkCustomConnection* Connection)
    : connection_(Connection)
{
    if (!Connection)
        throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Connection is required."));
}

void TlnkCustomConnectionParams::CheckIdle() const
{
    if (!connection_->IsIdle())
        throw lnkEConnectionActive(QCoreApplication::translate("lnkExceptions", "Connection is active."));
}

// --- TlnkBuffers ---

namespace {
void ValidateBufferSize(uint32_t size)
{
    if (size == 0)
        throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Invalid buffer size."));
}
} // namespace

void TlnkBuffers::SetReadBuffer(uint32_t Value)
{
    Store(readBuffer_, Value, ValidateBufferSize);
}

void TlnkBuffers::SetWriteBuffer(uint32_t Value)
{
    Store(writeBuffer_, Value, ValidateBufferSize);
}

void TlnkBuffers::Assign(const TPersistent* Source)
{
    if (const auto* s = dynamic_cast<const TlnkBuffers*>(Source)) {
        SetReadBuffer(s->readBuffer_);
        SetWriteBuffer(s->writeBuffer_);
        return;
    }
    TlnkCustomConnectionParams::Assign(Source);
}

// --- TlnkClientSerialParams ---

uint32_t TlnkClientSerialParams::RateOf(TlnkBaudRate BaudRate)
{
    const auto index = static_cast<size_t>(BaudRate);
    return index < std::size(kRates) ? kRates[index] : 0;
}

void TlnkClientSerialParams::SetBaudRate(TlnkBaudRate Value)
{
    if (baudRate_ == Value)
        return;
    CheckIdle();
    baudRate_ = Value;
    if (Value != brCustom)
        baudRateValue_ = RateOf(Value);
}

void TlnkClientSerialParams::SetBaudRateValue(uint32_t Value)
{
    if (baudRateValue_ == Value)
        return;
    CheckIdle();
    if (Value == 0)
        throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Invalid BaudRate value."));
    baudRateValue_ = Value;
    const auto* named = std::find(std::begin(kRates), std::end(kRates), Value);
    baudRate_ = named != std::end(kRates) ? static_cast<TlnkBaudRate>(named - std::begin(kRates)) : brCustom;
}

void TlnkClientSerialParams::SetByteSize(TlnkByteSize Value)
{
    Store(byteSize_, Value);
}

void TlnkClientSerialParams::SetParity(TlnkParity Value)
{
    Store(parity_, Value);
}

void TlnkClientSerialParams::SetPort(uint32_t Value)
{
    Store(port_, Value, [](uint32_t port) {
        if (port == 0)
            throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Invalid port number"));
    });
}

void TlnkClientSerialParams::SetStopBits(TlnkStopBits Value)
{
    Store(stopBits_, Value);
}

void TlnkClientSerialParams::Assign(const TPersistent* Source)
{
    if (const auto* s = dynamic_cast<const TlnkClientSerialParams*>(Source)) {
        // The value first: it picks a name, which the source's own name then overrides,
        // so a brCustom source with a named value is copied as it is.
        SetBaudRateValue(s->baudRateValue_);
        SetBaudRate(s->baudRate_);
        SetByteSize(s->byteSize_);
        SetParity(s->parity_);
        SetPort(s->port_);
        SetStopBits(s->stopBits_);
        return;
    }
    TlnkCustomConnectionParams::Assign(Source);
}

// --- TlnkCustomIrDAParams ---

void TlnkCustomIrDAParams::SetNineWire(bool Value)
{
    Store(nineWire_, Value);
}

void TlnkCustomIrDAParams::SetService(const QString& Value)
{
    Store(service_, Value, [](const QString& service) {
        if (service.isEmpty())
            throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Invalid service."));
    });
}

void TlnkCustomIrDAParams::SetAddress(const QString& Value)
{
    Store(address_, Value, [](const QString& address) {
        if (!dabrix::transport::IsValidIrDAAddress(address))
            throw lnkEInvalidAddress(
                QCoreApplication::translate("lnkExceptions", "%1 is not valid IrDA address.").arg(address));
    });
}

void TlnkCustomIrDAParams::Assign(const TPersistent* Source)
{
    if (const auto* s = dynamic_cast<const TlnkCustomIrDAParams*>(Source)) {
        SetNineWire(s->nineWire_);
        SetService(s->service_);
        SetAddress(s->address_);
        return;
    }
    TlnkCustomConnectionParams::Assign(Source);
}

// --- TlnkCustomBluetoothParams ---

TlnkCustomBluetoothParams::TlnkCustomBluetoothParams(TlnkCustomConnection* Connection)
    : TlnkCustomConnectionParams(Connection), serviceUuid_(BaseUuid())
{
}

TlnkCustomBluetoothParams::~TlnkCustomBluetoothParams() = default;

QUuid TlnkCustomBluetoothParams::BaseUuid()
{
    return QUuid(0x00000000, 0x0000, 0x1000, 0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB);
}

void TlnkCustomBluetoothParams::SetAuthentication(bool Value)
{
    if (authentication_ == Value)
        return;
    CheckIdle();
    authentication_ = Value;
    if (!Value)
        encryption_ = false;
}

void TlnkCustomBluetoothParams::SetChannel(uint8_t Value)
{
    Store(channel_, Value);
}

void TlnkCustomBluetoothParams::SetEncryption(bool Value)
{
    if (encryption_ == Value)
        return;
    CheckIdle();
    encryption_ = Value;
    if (Value)
        authentication_ = true;
}

void TlnkCustomBluetoothParams::SetRadio(const TlnkBluetoothRadio* Value)
{
    if (Value == radio_.get())
        return;
    CheckIdle();
    if (!Value) {
        radio_.reset();
        return;
    }
    auto copy = std::make_unique<TlnkBluetoothRadio>();
    copy->Assign(Value);
    radio_ = std::move(copy);
}

void TlnkCustomBluetoothParams::SetServiceUuid(const QUuid& Value)
{
    Store(serviceUuid_, Value);
}

void TlnkCustomBluetoothParams::SetAddress(const QString& Value)
{
    Store(address_, Value, [](const QString& address) {
        if (!dabrix::transport::IsValidBluetoothAddress(address))
            throw lnkEInvalidAddress(
                QCoreApplication::translate("lnkExceptions", "%1 is not valid bluetooth address.").arg(address));
    });
}

void TlnkCustomBluetoothParams::Assign(const TPersistent* Source)
{
    if (const auto* s = dynamic_cast<const TlnkCustomBluetoothParams*>(Source)) {
        SetAuthentication(s->authentication_);
        SetChannel(s->channel_);
        SetEncryption(s->encryption_);
        SetAddress(s->address_);
        return;
    }
    TlnkCustomConnectionParams::Assign(Source);
}
