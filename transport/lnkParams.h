#pragma once
// The parameter objects of a connection: buffer sizes and the per-transport settings.
//
// Every setter follows one rule: setting the current value again does nothing;
// otherwise, while the owning connection is not idle, it raises lnkEConnectionActive
// "Connection is active."; then it validates (raising the exception its property names)
// and stores. Assign copies every published value through the setters.
//
// Threading: owner thread. A connection's worker reads the values while the connection
// is active, when no setter can change them.
#include "transport/lnkBluetoothRadio.h"
#include "transport/lnkComponent.h"

#include <QString>
#include <QUuid>
#include <cstdint>
#include <memory>

class TlnkCustomConnection;

enum TlnkBaudRate {
    br110, br300, br600, br1200, br2400, br4800, br9600, br14400, br19200, br38400,
    br56000, br57600, br115200, br128000, br256000, brCustom
};
enum TlnkByteSize { bs4, bs5, bs6, bs7, bs8 };
enum TlnkParity { paNone, paOdd, paEven, paMark, paSpace };
enum TlnkStopBits { sb1, sb15, sb2 };

class TlnkCustomConnectionParams : public TPersistent {
public:
    // Connection must not be null (lnkEInvalidArgument "Connection is required.").
    explicit TlnkCustomConnectionParams(TlnkCustomConnection* Connection);

    TlnkCustomConnection* Connection() const { return connection_; }

protected:
    // Raises lnkEConnectionActive unless the owning connection is idle.
    void CheckIdle() const;

    // The common setter rule for a plain value; `validate` raises for a bad value.
    template <typename T, typename Validate>
    void Store(T& field, const T& value, Validate validate)
    {
        if (field == value)
            return;
        CheckIdle();
        validate(value);
        field = value;
    }
    template <typename T>
    void Store(T& field, const T& value)
    {
        Store(field, value, [](const T&) {});
    }

private:
    TlnkCustomConnection* connection_;
};

class TlnkBuffers : public TlnkCustomConnectionParams {
public:
    explicit TlnkBuffers(TlnkCustomConnection* Connection) : TlnkCustomConnectionParams(Connection) {}

    uint32_t ReadBuffer() const { return readBuffer_; }
    void SetReadBuffer(uint32_t Value);
    uint32_t WriteBuffer() const { return writeBuffer_; }
    void SetWriteBuffer(uint32_t Value);

    void Assign(const TPersistent* Source) override;

private:
    uint32_t readBuffer_ = 4096;
    uint32_t writeBuffer_ = 4096;
};

class TlnkClientSerialParams : public TlnkCustomConnectionParams {
public:
    explicit TlnkClientSerialParams(TlnkCustomConnection* Connection) : TlnkCustomConnectionParams(Connection) {}

    // A named rate also sets BaudRateValue; brCustom leaves BaudRateValue as it is.
    TlnkBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TlnkBaudRate Value);
    // A value of a named rate also sets BaudRate to it, any other value brCustom.
    uint32_t BaudRateValue() const { return baudRateValue_; }
    void SetBaudRateValue(uint32_t Value);
    // Data bits = ordinal + 4.
    TlnkByteSize ByteSize() const { return byteSize_; }
    void SetByteSize(TlnkByteSize Value);
    TlnkParity Parity() const { return parity_; }
    void SetParity(TlnkParity Value);
    // COM port number.
    uint32_t Port() const { return port_; }
    void SetPort(uint32_t Value);
    TlnkStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TlnkStopBits Value);

    void Assign(const TPersistent* Source) override;

    // The rate of a named value (110 ... 256000); 0 for brCustom.
    static uint32_t RateOf(TlnkBaudRate BaudRate);

private:
    TlnkBaudRate baudRate_ = br115200;
    uint32_t baudRateValue_ = 115200;
    TlnkByteSize byteSize_ = bs8;
    TlnkParity parity_ = paNone;
    uint32_t port_ = 1;
    TlnkStopBits stopBits_ = sb1;
};

class TlnkCustomIrDAParams : public TlnkCustomConnectionParams {
public:
    explicit TlnkCustomIrDAParams(TlnkCustomConnection* Connection) : TlnkCustomConnectionParams(Connection) {}

    // Request nine-wire (IrCOMM cooked) mode on the socket.
    bool NineWire() const { return nineWire_; }
    void SetNineWire(bool Value);
    QString Service() const { return service_; }
    void SetService(const QString& Value);
    QString Address() const { return address_; }
    void SetAddress(const QString& Value);

    void Assign(const TPersistent* Source) override;

private:
    bool nineWire_ = true;
    QString service_ = QStringLiteral("IrDA:IrCOMM");
    QString address_ = QStringLiteral("(00:00:00:00)");
};

class TlnkClientIrDAParams : public TlnkCustomIrDAParams {
public:
    using TlnkCustomIrDAParams::TlnkCustomIrDAParams;
};

class TlnkCustomBluetoothParams : public TlnkCustomConnectionParams {
public:
    explicit TlnkCustomBluetoothParams(TlnkCustomConnection* Connection);
    ~TlnkCustomBluetoothParams() override;

    // False also clears Encryption.
    bool Authentication() const { return authentication_; }
    void SetAuthentication(bool Value);
    // RFCOMM channel; 0 = found through the service search where the stack allows.
    uint8_t Channel() const { return channel_; }
    void SetChannel(uint8_t Value);
    // True also sets Authentication.
    bool Encryption() const { return encryption_; }
    void SetEncryption(bool Value);
    // The params keep their own copy of the radio; null removes it.
    const TlnkBluetoothRadio* Radio() const { return radio_.get(); }
    void SetRadio(const TlnkBluetoothRadio* Value);
    // The RFCOMM service class to connect to.
    QUuid ServiceUuid() const { return serviceUuid_; }
    void SetServiceUuid(const QUuid& Value);
    QString Address() const { return address_; }
    void SetAddress(const QString& Value);

    // Copies the published values (Authentication, Channel, Encryption) and Address;
    // Radio and ServiceUuid are not copied.
    void Assign(const TPersistent* Source) override;

    // 00000000-0000-1000-8000-00805F9B34FB
    static QUuid BaseUuid();

private:
    bool authentication_ = true;
    uint8_t channel_ = 0;
    bool encryption_ = false;
    std::unique_ptr<TlnkBluetoothRadio> radio_;
    QUuid serviceUuid_;
    QString address_ = QStringLiteral("(00:00:00:00:00:00)");
};

class TlnkClientBluetoothParams : public TlnkCustomBluetoothParams {
public:
    using TlnkCustomBluetoothParams::TlnkCustomBluetoothParams;
};
