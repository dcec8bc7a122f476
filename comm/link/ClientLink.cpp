#include "comm/link/ClientLink.h"

#include "comm/KTXComm2Host.h"
#include "transport/lnkClient.h"
#include "transport/lnkErrors.h"

namespace dabrix::comm {

QUuid SerialPortServiceUuid()
{
    return QUuid(QStringLiteral("{00001101-0000-1000-8000-00805F9B34FB}"));
}

bool ClientLink::Idle() const
{
    return client_.State() == csDisconnected;
}

int ClientLink::Open(TDevice& Device, const LinkSettings& Settings)
{
    Fill(Device, Settings);
    const int code = client_.Connect();
    if (code != 0)
        lnkShowError(code);
    return code;
}

bool ClientLink::Close(TDevice&)
{
    const TlnkClientState state = client_.State();
    if (state != csConnecting && state != csConnected)
        return false;
    client_.Disconnect();
    return true;
}

int ClientLink::Write(const uint8_t* Data, uint32_t Count)
{
    return client_.Write(Data, Count);
}

// ---------------------------------------------------------------------------------------
// COM port

bool SerialLink::Matches(const TDevice& Entry, const QString& Name) const
{
    int portNumber = 0;
    const qsizetype at = Name.indexOf(QStringLiteral("COM"));
    if (at >= 0) {
        const QString digits = QString(Name).remove(at, 3).trimmed();
        bool ok = false;
        portNumber = digits.toInt(&ok);
        if (!ok)
            throw ConvertError("'" + digits.toStdString() + "' is not a valid integer value");
    }
    return Entry.PortNumber == portNumber;
}

void SerialLink::Fill(const TDevice& Device, const LinkSettings& Settings)
{
    client_.SerialParams()->SetPort(static_cast<uint32_t>(Device.PortNumber));
    client_.SerialParams()->SetBaudRateValue(Settings.BaudRate);
    client_.SetTransport(trSerial);
}

void SerialLink::SetControlLine(LineCommand Command)
{
    TlnkSerialLineCommand command = lcSetBreak;
    switch (Command) {
    case LineCommand::SetBreak:
        command = lcSetBreak;
        break;
    case LineCommand::ClearBreak:
        command = lcClearBreak;
        break;
    case LineCommand::SetDTR:
        command = lcSetDTR;
        break;
    case LineCommand::ClearDTR:
        command = lcClearDTR;
        break;
    case LineCommand::SetRTS:
        command = lcSetRTS;
        break;
    case LineCommand::ClearRTS:
        command = lcClearRTS;
        break;
    }
    client_.SerialLineCommand(command);
}

// ---------------------------------------------------------------------------------------
// Infrared

bool IrDALink::Matches(const TDevice& Entry, const QString& Name) const
{
    return Latin1(Entry.Name).toUpper() == Name;
}

void IrDALink::Fill(const TDevice& Device, const LinkSettings&)
{
    if (host_)
        host_->RestartIrDATimer();
    client_.IrDAParams()->SetAddress(Latin1(Device.Address));
    client_.IrDAParams()->SetNineWire(true);
    client_.SetTransport(trIrDA);
}

// ---------------------------------------------------------------------------------------
// Bluetooth

bool BluetoothLink::Matches(const TDevice& Entry, const QString& Name) const
{
    return Latin1(Entry.Name).toUpper() == Name || Latin1(Entry.Address).toUpper() == Name;
}

void BluetoothLink::Fill(const TDevice& Device, const LinkSettings&)
{
    client_.BluetoothParams()->SetAddress(Latin1(Device.Address));
    client_.BluetoothParams()->SetRadio(host_ ? host_->BTRadio() : nullptr);
    client_.BluetoothParams()->SetServiceUuid(SerialPortServiceUuid());
    client_.SetTransport(trBluetooth);
}

} // namespace dabrix::comm
