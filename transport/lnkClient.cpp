#include "transport/lnkClient.h"

#include "platform/ComPortMap.h"
#include "platform/SerialPort.h"
#include "platform/bluetooth/BluetoothStack.h"
#include "platform/irda/IrDASocket.h"
#include "transport/lnkAddress.h"
#include "transport/lnkErrors.h"
#include "transport/lnkExceptions.h"
#include "transport/lnkMessages.h"

#include <QCoreApplication>
#include <QDebug>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

using namespace dabrix::transport;
using dabrix::platform::SerialLine;
using dabrix::platform::SerialParity;
using dabrix::platform::SerialReadResult;
using dabrix::platform::SerialSettings;
using dabrix::platform::SerialStopBits;
using dabrix::platform::irda::IrDAReadResult;
using dabrix::platform::irda::IrDASocket;

namespace {

// A write that the port does not accept for this long has failed.
constexpr int kWriteStallMs = 30000;
// How often a steady stream of lines is handed to the owner: the editor shows a stream
// only twice a second anyway, and a gauge that waits for an answer is not slowed (a write
// ends the wait).
constexpr std::chrono::milliseconds kSerialStreamBeat{250};

void RaiseIfActive(const TlnkCustomConnection& connection)
{
    if (!connection.IsIdle())
        throw lnkEConnectionActive(QCoreApplication::translate("lnkExceptions", "Connection is active."));
}

// The common rule of the owned-object setters: the own object again does nothing;
// otherwise the connection must be idle and the source present, and its values are
// copied.
template <typename Params>
void AssignParams(const TlnkCustomConnection& connection, Params& own, const Params* source, const char* name)
{
    if (source == &own)
        return;
    RaiseIfActive(connection);
    if (!source)
        throw lnkEInvalidArgument(
            QCoreApplication::translate("lnkExceptions", "%1 object is not valid.").arg(QLatin1String(name)));
    own.Assign(source);
}

SerialSettings SettingsOf(const TlnkClientSerialParams& params)
{
    SerialSettings s;
    s.BaudRate = params.BaudRateValue();
    s.DataBits = static_cast<int>(params.ByteSize()) + 4;
    switch (params.Parity()) {
    case paNone: s.Parity = SerialParity::None; break;
    case paOdd: s.Parity = SerialParity::Odd; break;
    case paEven: s.Parity = SerialParity::Even; break;
    case paMark: s.Parity = SerialParity::Mark; break;
    case paSpace: s.Parity = SerialParity::Space; break;
    }
    switch (params.StopBits()) {
    case sb1: s.StopBits = SerialStopBits::One; break;
    case sb15: s.StopBits = SerialStopBits::OnePointFive; break;
    case sb2: s.StopBits = SerialStopBits::Two; break;
    }
    return s;
}

// A device without modem lines (a pseudo-terminal) answers these to line commands.
bool NoModemLines(int err)
{
    return err == ENOTTY || err == EINVAL;
}

// The one place where a failed IrDA connect becomes a result code. The infrared layer
// answers with the errno counterparts of the socket errors a connect reports.
int IrDAConnectCode(int err)
{
    switch (err) {
    case 0: return code::Ok;
    case EACCES: return code::AccessDenied;
    case EADDRINUSE:
    case EISCONN: return code::ConnectionExists;
    case EADDRNOTAVAIL: return code::ServiceNotFound;
    case ECONNABORTED: return code::CancelledByUser;
    case ETIMEDOUT: return code::Timeout;
    case ECONNREFUSED:
    case EHOSTDOWN: return code::ConnectionRejected;
    default: return code::UnableConnect;
    }
}

} // namespace

TlnkCustomClientConnection::TlnkCustomClientConnection(TComponent* Owner)
    : TlnkCustomConnection(Owner),
      bluetoothParams_(std::make_unique<TlnkClientBluetoothParams>(this)),
      irdaParams_(std::make_unique<TlnkClientIrDAParams>(this)),
      serialParams_(std::make_unique<TlnkClientSerialParams>(this))
{
}

TlnkCustomClientConnection::~TlnkCustomClientConnection()
{
    TlnkCustomClientConnection::Disconnect();
}

void TlnkCustomClientConnection::SetBluetoothParams(const TlnkClientBluetoothParams* Value)
{
    AssignParams(*this, *bluetoothParams_, Value, "BluetoothParams");
}

void TlnkCustomClientConnection::SetIrDAParams(const TlnkClientIrDAParams* Value)
{
    AssignParams(*this, *irdaParams_, Value, "IrDAParams");
}

void TlnkCustomClientConnection::SetSerialParams(const TlnkClientSerialParams* Value)
{
    AssignParams(*this, *serialParams_, Value, "SerialParams");
}

void TlnkCustomClientConnection::SetConnectTimeout(uint32_t Value)
{
    if (connectTimeout_ == Value)
        return;
    RaiseIfActive(*this);
    if (Value == 0)
        throw lnkEInvalidArgument(QCoreApplication::translate("lnkExceptions", "Timeout is not valid."));
    connectTimeout_ = Value;
}

void TlnkCustomClientConnection::CheckTransport(TlnkTransport Value) const
{
    if (Value != trBluetooth && Value != trIrDA && Value != trSerial)
        throw lnkEInvalidTransport(QCoreApplication::translate("lnkExceptions", "Unsupportred transport."));
}

int TlnkCustomClientConnection::Connect()
{
    if (State() != csDisconnected)
        return code::ConnectionExists;
    if (!IsTransportAvailable(Transport()))
        return code::TransportNotAvailable;
    if (const int err = CreateNotificationWindow(); err != 0)
        return err;

    state_ = csConnecting;
    int result;
    switch (Transport()) {
    case trBluetooth: result = ConnectBluetooth(); break;
    case trIrDA: result = ConnectIrDA(); break;
    case trSerial: result = ConnectSerial(); break;
    default: result = code::TransportNotSupported; break;
    }
    if (result != code::Ok) {
        DestroyNotificationWindow();
        state_ = csDisconnected;
    }
    return result;
}

int TlnkCustomClientConnection::ConnectSerial()
{
    const TlnkClientSerialParams& params = *SerialParams();
    const auto path = dabrix::platform::ComPortMap().DevicePathOf(static_cast<int>(params.Port()));
    if (!path) {
        qWarning().noquote() << "Dabrix: COM" << params.Port() << "is not present";
        return code::InternalDriverError;
    }

    auto port = std::make_unique<dabrix::platform::SerialPort>();
    if (const int err = port->Open(*path); err != 0) {
        qWarning().noquote() << "Dabrix: cannot open" << QString::fromStdString(*path) << ":" << std::strerror(err);
        return CodeFromErrno(err);
    }
    // Port settings, purge, then RTS and DTR up. The driver's queue sizes are fixed on
    // Linux, so Buffers sizes only the reads.
    int err = port->Configure(SettingsOf(params));
    if (err == 0)
        err = port->Purge();
    for (SerialLine line : {SerialLine::Rts, SerialLine::Dtr}) {
        if (err == 0) {
            err = port->SetLine(line, true);
            if (NoModemLines(err))
                err = 0;
        }
    }
    if (err != 0) {
        qWarning().noquote() << "Dabrix: cannot set up" << QString::fromStdString(*path) << ":" << std::strerror(err);
        return CodeFromErrno(err);
    }

    serial_ = std::move(port);
    const uint32_t readBuffer = Buffers()->ReadBuffer();
    const auto gather = dabrix::platform::ReadIntervalFor(SettingsOf(params));
    if (StartWorker([this, readBuffer, gather](int terminateFd) { SerialReader(terminateFd, readBuffer, gather); })
        != 0) {
        serial_.reset();
        return code::OutOfResources;
    }
    NotificationWindow().Post(msg::ConnectResult, code::Ok);
    return code::Ok;
}

void TlnkCustomClientConnection::SerialReader(int terminateFd, uint32_t readBuffer,
                                              const dabrix::platform::SerialReadInterval& gather)
{
    std::vector<uint8_t> block(readBuffer);
    dabrix::platform::SerialPace pace{kSerialStreamBeat};
    for (;;) {
        // A read ends only when the line has gone quiet (or the block is full), so a line
        // whose bytes come one by one wakes the owner once; a steady stream of lines wakes
        // it once a beat.
        const SerialReadResult r = serial_->ReadPaced(block.data(), block.size(), gather, pace, terminateFd);
        switch (r.status) {
        case SerialReadResult::Status::Data:
            AppendReceived(block.data(), r.count);
            break;
        case SerialReadResult::Status::Idle:
            break;
        case SerialReadResult::Status::Cancelled:
            return;
        case SerialReadResult::Status::Closed:
        case SerialReadResult::Status::Failed:
            NotificationWindow().Post(msg::LinkLost);
            return;
        }
    }
}

// What the IrDA worker needs, read on the owner thread before it starts.
struct TlnkCustomClientConnection::IrDALinkSettings {
    uint32_t readBuffer;
    uint32_t writeBuffer;
    bool nineWire;
    dabrix::platform::irda::DeviceId device;
    std::string service;
    int connectTimeoutMs;
};

int TlnkCustomClientConnection::ConnectIrDA()
{
    const TlnkClientIrDAParams& params = *IrDAParams();
    IrDALinkSettings settings;
    settings.readBuffer = Buffers()->ReadBuffer();
    settings.writeBuffer = Buffers()->WriteBuffer();
    settings.nineWire = params.NineWire();
    // The setter accepts only valid addresses.
    settings.device = IrDADeviceIdFromString(params.Address()).value_or(IrDADeviceId{});
    // 8-bit text, cut so that it and its terminating zero fit the stack's 25-byte field.
    settings.service = params.Service().toLatin1().left(dabrix::platform::irda::kMaxServiceName).toStdString();
    settings.connectTimeoutMs = static_cast<int>(std::min<uint32_t>(ConnectTimeout(), INT_MAX));
    if (StartWorker([this, settings](int terminateFd) { IrDALink(terminateFd, settings); }) != 0)
        return code::OutOfResources;
    return code::Ok;
}

void TlnkCustomClientConnection::IrDALink(int terminateFd, const IrDALinkSettings& settings)
{
    const WindowHandle window = NotificationWindow();
    auto fail = [&](int result, const char* what, int err) {
        qWarning().noquote() << "Dabrix: infrared" << what << "failed:" << std::strerror(err);
        window.Post(msg::ConnectResult, static_cast<uintptr_t>(result));
    };

    // The socket stays with the connection: the owner writes to it once connected and
    // closes it after this worker has left.
    int err = 0;
    irda_ = dabrix::platform::irda::CreateIrDASocket(err);
    if (!irda_)
        return fail(code::OutOfResources, "socket", err);
    if ((err = irda_->SetBufferSizes(settings.readBuffer, settings.writeBuffer)) != 0)
        return fail(code::InternalDriverError, "buffer size", err);
    if (settings.nineWire && (err = irda_->SetNineWire(true)) != 0)
        return fail(code::InternalDriverError, "nine-wire mode", err);

    err = irda_->Connect(settings.device, settings.service, settings.connectTimeoutMs, terminateFd);
    if (err == ECANCELED)
        return;  // Disconnect came first: no result
    if (err != 0)
        return fail(IrDAConnectCode(err), "connect", err);
    window.Post(msg::ConnectResult, code::Ok);

    std::vector<uint8_t> block(settings.readBuffer);
    for (;;) {
        const IrDAReadResult r = irda_->Read(block.data(), block.size(), -1, terminateFd);
        switch (r.status) {
        case IrDAReadResult::Status::Data:
            AppendReceived(block.data(), r.count);
            break;
        case IrDAReadResult::Status::Idle:
            break;
        case IrDAReadResult::Status::Cancelled:
            return;
        case IrDAReadResult::Status::Failed:
            qWarning().noquote() << "Dabrix: infrared receive failed:" << std::strerror(r.error);
            [[fallthrough]];
        case IrDAReadResult::Status::Closed:
            window.Post(msg::LinkLost);
            return;
        }
    }
}

void TlnkCustomClientConnection::TearDownTransport()
{
    switch (Transport()) {
    case trSerial:
        StopWorker();
        serial_.reset();
        break;
    case trIrDA:
        StopWorker();
        irda_.reset();
        break;
    case trBluetooth:
        if (linkApi_ == baMicrosoft) {
            StopWorker();
            rfcomm_.reset();
        } else {
            TearDownVendor();
        }
        break;
    default:
        break;
    }
}

void TlnkCustomClientConnection::Disconnect()
{
    const TlnkClientState old = State();
    if (old != csConnecting && old != csConnected)
        return;
    StopConnectTimer();
    state_ = csDisconnecting;
    TearDownTransport();
    DestroyNotificationWindow();
    // Emptied before the event, so a handler that connects again starts clean.
    DiscardReceived();
    state_ = csDisconnected;
    if (old == csConnected)
        DoDisconnect();
}

void TlnkCustomClientConnection::HandleNotification(uint32_t Msg, uintptr_t WParam, intptr_t LParam)
{
    TlnkCustomConnection::HandleNotification(Msg, WParam, LParam);
    if (HandleVendorNotification(Msg, WParam, LParam))
        return;
    switch (Msg) {
    case msg::DataWaiting:
        DeliverReceived();
        break;
    case msg::ConnectResult: {
        if (State() != csConnecting)
            return;
        StopConnectTimer();
        const int error = static_cast<int>(WParam);
        if (error != code::Ok)
            Disconnect();
        else
            state_ = csConnected;
        DoConnect(error);
        break;
    }
    case msg::LinkLost:
        Disconnect();
        break;
    default:
        break;
    }
}

void TlnkCustomClientConnection::ApiUnloading()
{
    Disconnect();
}

void TlnkCustomClientConnection::ApiChanged()
{
    bool lost = !IsTransportAvailable(Transport());
    if (!lost && Transport() == trBluetooth) {
        const TlnkBluetoothRadio* radio = BluetoothParams()->Radio();
        lost = !radio || !IsBluetoothApiAvailable(radio->Api());
    }
    if (lost)
        Disconnect();
}

int TlnkCustomClientConnection::Write(const void* Buffer, uint32_t Size)
{
    if (State() != csConnected)
        return code::NotConnected;
    if (Size == 0)
        return code::Ok;
    if (!Buffer)
        return code::InvalidArgument;
    switch (Transport()) {
    case trSerial: {
        const int err = serial_->Write(Buffer, Size, kWriteStallMs);
        if (err != 0)
            qWarning().noquote() << "Dabrix: serial write failed:" << std::strerror(err);
        return err == 0 ? code::Ok : code::InternalDriverError;
    }
    case trIrDA: {
        const int err = irda_->Write(Buffer, Size, kWriteStallMs);
        if (err != 0)
            qWarning().noquote() << "Dabrix: infrared send failed:" << std::strerror(err);
        return err == 0 ? code::Ok : code::InternalDriverError;
    }
    case trBluetooth:
        return WriteBluetooth(Buffer, Size);
    default:
        return code::TransportNotSupported;
    }
}

int TlnkCustomClientConnection::SerialLineCommand(TlnkSerialLineCommand Command)
{
    if (State() != csConnected)
        return code::NotConnected;
    if (Transport() != trSerial)
        return code::NotSupported;
    int err;
    switch (Command) {
    case lcClearDTR: err = serial_->SetLine(SerialLine::Dtr, false); break;
    case lcSetDTR: err = serial_->SetLine(SerialLine::Dtr, true); break;
    case lcClearRTS: err = serial_->SetLine(SerialLine::Rts, false); break;
    case lcSetRTS: err = serial_->SetLine(SerialLine::Rts, true); break;
    case lcSetXOFF: err = serial_->SuspendOutput(true); break;
    case lcSetXON: err = serial_->SuspendOutput(false); break;
    case lcClearBreak: err = serial_->SetBreak(false); break;
    case lcSetBreak: err = serial_->SetBreak(true); break;
    default: return code::InvalidArgument;
    }
    return err == 0 ? code::Ok : code::InternalDriverError;
}

void TlnkCustomClientConnection::DoConnect(int Error)
{
    if (OnConnect)
        OnConnect(this, Error);
}

void TlnkCustomClientConnection::DoDisconnect()
{
    if (OnDisconnect)
        OnDisconnect(this);
}

int TlnkClient::Write(const void* Buffer, uint32_t Size)
{
    return TlnkCustomClientConnection::Write(Buffer, Size);
}

int TlnkClient::SerialLineCommand(TlnkSerialLineCommand Command)
{
    return TlnkCustomClientConnection::SerialLineCommand(Command);
}
