#pragma once
// The links of the port kinds that go through the item's client connection: a COM port,
// infrared and Bluetooth. They share the one client; each fills the client's transport
// and parameters from the chosen device before it connects. The item routes the
// client's OnConnect, OnDisconnect and OnData to itself, so the outcome of an Open and
// the end of a link reach the item through those events.
//
// Threading: owner thread only (the client connection's thread).
#include "comm/link/ItemLink.h"

#include <QUuid>

class TKTXComm2Host;
class TlnkClient;

namespace dabrix::comm {

// The serial port profile: the Bluetooth service the item's client connects to.
QUuid SerialPortServiceUuid();

class ClientLink : public ItemLink {
public:
    std::string DeviceName(const TDevice& Entry) const override { return Entry.Name; }
    bool RaisesOwnEvents() const override { return true; }
    // The client is disconnected.
    bool Idle() const override;
    // Fills the client for Device and starts its connect; a refused start shows the
    // library's message for the code.
    int Open(TDevice& Device, const LinkSettings& Settings) override;
    // Disconnects a connecting or connected client; a connected one raises OnDisconnect
    // before this returns.
    bool Close(TDevice& Device) override;
    int Write(const uint8_t* Data, uint32_t Count) override;
    // Only a COM port has modem-control lines: infrared and Bluetooth ignore the call.
    void SetControlLine(LineCommand) override {}

protected:
    explicit ClientLink(TlnkClient& Client) : client_(Client) {}
    // Sets the client's transport and that transport's parameters for Device.
    virtual void Fill(const TDevice& Device, const LinkSettings& Settings) = 0;

    TlnkClient& client_;
};

// A COM port: the entry whose PortNumber a name like "COM 3" gives, opened at BaudRate
// with the client's other serial defaults (8 data bits, no parity, one stop bit).
class SerialLink final : public ClientLink {
public:
    explicit SerialLink(TlnkClient& Client) : ClientLink(Client) {}
    // Raises ConvertError for "COM" followed by text that is not a number.
    bool Matches(const TDevice& Entry, const QString& Name) const override;
    void SetControlLine(LineCommand Command) override;

private:
    void Fill(const TDevice& Device, const LinkSettings& Settings) override;
};

// Infrared: the entry by its Name, reached at its Address in nine-wire mode. Connecting
// restarts the host's infrared poll timer.
class IrDALink final : public ClientLink {
public:
    IrDALink(TlnkClient& Client, TKTXComm2Host* Host) : ClientLink(Client), host_(Host) {}
    bool Matches(const TDevice& Entry, const QString& Name) const override;

private:
    void Fill(const TDevice& Device, const LinkSettings& Settings) override;
    TKTXComm2Host* host_;
};

// Bluetooth: the entry by its Name or Address, reached at its Address through the host's
// radio, on the serial port profile.
class BluetoothLink final : public ClientLink {
public:
    BluetoothLink(TlnkClient& Client, TKTXComm2Host* Host) : ClientLink(Client), host_(Host) {}
    bool Matches(const TDevice& Entry, const QString& Name) const override;

private:
    void Fill(const TDevice& Device, const LinkSettings& Settings) override;
    TKTXComm2Host* host_;
};

} // namespace dabrix::comm
